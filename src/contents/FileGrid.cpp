#include "contents/FileGrid.h"

#include "base/Convert.h"
#include "base/Error.h"
#include "base/Text.h"
#include "base/Threads.h"
#include "contents/DumpFormat.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <deque>
#include <limits>
#include <numeric>

namespace brak {

FileGridStore::FileGridStore(int rows) {
    setRowCount(rows);
}

int FileGridStore::rowCount() const {
    return heading_ ? static_cast<int>(rows_.size()) + 1 : 0;
}

void FileGridStore::setRowCount(int rows) {
    if (rows <= 0) {
        heading_ = false;
        headings_ = {};
        rows_.clear();
        own_.clear();
        return;
    }
    heading_ = true;
    rows_.resize(static_cast<std::size_t>(rows - 1), EmptyRow);
    if (rows_.empty())
        own_.clear(); // nothing refers to them any more
}

std::string FileGridStore::cell(int col, int row) const {
    if (col < 0 || col >= FileColumnCount || row < 0 || row >= rowCount())
        return {};
    if (row == 0)
        return headings_[static_cast<std::size_t>(col)];
    const std::uint32_t e = entry(row);
    if (e & OwnRow)
        return std::string(ownCell(col, row));
    return list_->cell(list_->record(e), col, chapter_);
}

std::string_view FileGridStore::ownCell(int col, int row) const {
    const std::uint32_t e = entry(row);
    if (e == EmptyRow || !(e & OwnRow))
        return {};
    return own_[e & ~OwnRow][static_cast<std::size_t>(col)];
}

std::int64_t FileGridStore::recordOf(int row) const {
    const std::uint32_t e = entry(row);
    return (e & OwnRow) ? -1 : static_cast<std::int64_t>(e);
}

bool FileGridStore::records(std::vector<std::uint32_t>& out) const {
    if (std::any_of(rows_.begin(), rows_.end(), [](std::uint32_t e) { return (e & OwnRow) != 0; }))
        return false;
    out = rows_;
    return true;
}

std::array<std::string, FileColumnCount>& FileGridStore::makeOwn(int row) {
    std::uint32_t& e = rows_[static_cast<std::size_t>(row - 1)];
    if ((e & OwnRow) && e != EmptyRow)
        return own_[e & ~OwnRow];
    std::array<std::string, FileColumnCount> texts;
    if (!(e & OwnRow))
        for (int col = 0; col < FileColumnCount; ++col)
            texts[static_cast<std::size_t>(col)] = list_->cell(list_->record(e), col, chapter_);
    own_.push_back(std::move(texts));
    e = OwnRow | static_cast<std::uint32_t>(own_.size() - 1);
    return own_.back();
}

void FileGridStore::setCell(int col, int row, const std::string& text) {
    if (row < 0 || col < 0 || col >= FileColumnCount)
        return;
    if (row >= rowCount())
        setRowCount(row + 1);
    if (row == 0)
        headings_[static_cast<std::size_t>(col)] = text;
    else
        makeOwn(row)[static_cast<std::size_t>(col)] = text;
}

bool FileGridStore::permuteRows(int first, const std::vector<std::uint32_t>& order) {
    if (first < 1)
        return false; // the heading is kept apart
    const auto begin = static_cast<std::size_t>(first - 1);
    std::vector<std::uint32_t> moved(order.size());
    for (std::size_t r = 0; r < order.size(); ++r)
        moved[r] = rows_[begin + order[r]];
    std::copy(moved.begin(), moved.end(), rows_.begin() + static_cast<std::ptrdiff_t>(begin));
    return true;
}

void FileGridStore::showRecords(std::shared_ptr<const RowList> list, std::uint32_t chapter,
                                std::vector<std::uint32_t> records) {
    heading_ = true;
    list_ = std::move(list);
    chapter_ = chapter;
    rows_ = std::move(records);
    own_.clear();
}

void WriteGridHeadings(StringGrid& stChapter, StringGrid& stFile) {
    {
        GridUpdate update(stChapter);
        for (std::size_t col = 0; col < ChapterHeadings.size(); ++col)
            stChapter.setCell(static_cast<int>(col), 0, ChapterHeadings[col]);
    }
    GridUpdate update(stFile);
    for (std::size_t col = 0; col < FileHeadings.size(); ++col)
        stFile.setCell(static_cast<int>(col), 0, FileHeadings[col]);
}

namespace {

std::string dropLastFour(const std::string& text) {
    return text.substr(0, text.size() < 4 ? 0 : text.size() - 4);
}

// Eight characters in upper case as one number that orders as they do by
// character code.
std::uint64_t orderedUpperWord(const char* at) {
    std::uint64_t word;
    std::memcpy(&word, at, sizeof word);
    if constexpr (std::endian::native == std::endian::little)
        word = __builtin_bswap64(word);
    // Each byte at once: a to z, bytes without their top bit, lose 0x20.
    constexpr std::uint64_t Top = 0x8080808080808080u;
    const std::uint64_t low = word & ~Top;
    const std::uint64_t fromA = low + 0x1F1F1F1F1F1F1F1Fu; // top bit set from 'a' on
    const std::uint64_t pastZ = low + 0x0505050505050505u; // top bit set past 'z'
    return word - ((fromA & ~pastZ & ~word & Top) >> 2);
}

// A row's key beside the row, so that the quicksort moves them together and
// reads the keys in the order they lie in, never through the permutation.
struct NumberKey {
    std::int64_t key;
    std::uint32_t row;
};

// A text key: the 23 characters after the part that all keys share, in upper
// case, and how far the text goes beyond that part (up to 24, "longer than
// the head"), as three numbers that order as the characters and then the
// lengths do (zeros past the text's end), beside the row: 28 bytes, as a
// million of them are held at once. Only texts that agree in all of them and
// go on beyond them are compared whole.
#pragma pack(push, 4)
struct TextKey {
    // Plain words, not an array: in a packed key only a member read by its
    // own name is read safely where it is not aligned.
    std::uint64_t head0, head1, head2;
    std::uint32_t row;
};
#pragma pack(pop)
constexpr std::size_t HeadLength = 23;

// The keys of the rows below the heading, read either from the records
// they show or from their texts.
class RowKeys {
public:
    RowKeys(const StringGrid& grid, int column)
        : grid_(grid), column_(column), store_(dynamic_cast<const FileGridStore*>(&grid.store())),
          rows_(std::max(0, grid.rowCount() - 1)) {}

    int rows() const { return rows_; }

    // The text keys, and how many characters all the texts share in upper case.
    std::vector<TextKey> texts(std::size_t& shared) {
        if (!store_)
            for (int r = 0; r < rows_; ++r)
                text(column_, r + 1); // one copy each, in row order
        const auto n = static_cast<std::uint32_t>(rows_);
        // A large grid reads its texts on every core, each a run of rows
        // (only from the row list, which nothing changes meanwhile).
        const unsigned cores = store_ && n >= (1u << 15) ? std::min(coreCount(), 16u) : 1u;
        auto runOf = [n, cores](unsigned part) {
            return std::pair<std::uint32_t, std::uint32_t>{
                static_cast<std::uint32_t>(std::uint64_t{n} * part / cores),
                static_cast<std::uint32_t>(std::uint64_t{n} * (part + 1) / cores)};
        };
        const std::string_view first = n > 0 ? textOf(0) : std::string_view();
        std::vector<std::size_t> shares(cores, first.size());
        runOnCores(cores, [&](unsigned part) {
            const auto [from, to] = runOf(part);
            std::size_t common = first.size();
            for (std::uint32_t r = from; r < to; ++r) {
                const std::string_view text = textOf(r);
                std::size_t i = 0;
                while (i < common && i < text.size() && upperChar(text[i]) == upperChar(first[i]))
                    ++i;
                common = i;
            }
            shares[part] = common;
        });
        shared = n > 0 ? *std::min_element(shares.begin(), shares.end()) : 0;
        std::vector<TextKey> keys(n);
        runOnCores(cores, [&](unsigned part) {
            const auto [from, to] = runOf(part);
            for (std::uint32_t r = from; r < to; ++r) {
                const std::array<std::uint64_t, 3> head = headOf(textOf(r), shared);
                keys[r] = {head[0], head[1], head[2], r};
            }
        });
        return keys;
    }

    // The head of a text key: 23 characters after the shared part, in upper
    // case, and the length byte.
    static std::array<std::uint64_t, 3> headOf(std::string_view text, std::size_t shared) {
        std::array<std::uint64_t, 3> head{};
        const std::size_t length = text.size() - shared;
        if (length >= 24) { // whole words, without a test per character
            const char* at = text.data() + shared;
            head = {orderedUpperWord(at), orderedUpperWord(at + 8),
                    (orderedUpperWord(at + 16) & ~std::uint64_t{0xFF}) | (HeadLength + 1)};
            return head;
        }
        for (std::size_t k = 0; k < HeadLength; ++k) {
            const std::size_t i = shared + k;
            head[k / 8] = head[k / 8] << 8 |
                          (i < text.size() ? static_cast<unsigned char>(upperChar(text[i])) : 0u);
        }
        head[2] = head[2] << 8 | std::min<std::size_t>(length, HeadLength + 1);
        return head;
    }

    // The text of row r + 1 in the sort column, for the text keys.
    std::string_view textOf(std::uint32_t r) const {
        const std::int64_t record = recordOf(static_cast<int>(r) + 1);
        if (record < 0)
            return store_ ? store_->ownCell(column_, static_cast<int>(r) + 1)
                          : std::string_view(copies_[r]);
        const RowList::Record& rec = store_->list()->record(static_cast<std::uint32_t>(record));
        return column_ == ColName ? store_->list()->name(rec)
                                  : fileAttributeLettersView(rec.attributes);
    }

    std::vector<NumberKey> sizes() {
        std::vector<NumberKey> keys(static_cast<std::size_t>(rows_));
        for (int r = 0; r < rows_; ++r) {
            const std::int64_t record = recordOf(r + 1);
            keys[static_cast<std::size_t>(r)].row = static_cast<std::uint32_t>(r);
            std::int64_t& key = keys[static_cast<std::size_t>(r)].key;
            if (record >= 0) {
                const RowList::Record& rec =
                    store_->list()->record(static_cast<std::uint32_t>(record));
                if (!store_->list()->hasSize(rec))
                    fail(integerConversionMessage(""));
                key = rec.size;
            } else {
                const std::string_view cell = text(ColSize, r + 1);
                if (!tryStrToInt64(cell, key))
                    fail(integerConversionMessage(std::string(cell)));
            }
        }
        return keys;
    }

    // Date and time together, in seconds: one comparable timestamp.
    std::vector<NumberKey> timestamps() {
        const int dateCol = column_ % 2 == 1 ? column_ : column_ - 1;
        const int timeCol = dateCol + 1;
        const std::size_t slot = static_cast<std::size_t>(dateCol - ColModifyDate);
        std::vector<NumberKey> keys(static_cast<std::size_t>(rows_));
        for (int r = 0; r < rows_; ++r) {
            const std::int64_t record = recordOf(r + 1);
            std::int64_t days = 0, seconds = 0;
            if (record >= 0) {
                const RowList::Record& rec =
                    store_->list()->record(static_cast<std::uint32_t>(record));
                days = memo(rec.times[slot], true);
                seconds = memo(rec.times[slot + 1], false);
            } else {
                days = parse(text(dateCol, r + 1), true);
                seconds = parse(text(timeCol, r + 1), false);
            }
            keys[static_cast<std::size_t>(r)] = {days * 86400 + seconds,
                                                 static_cast<std::uint32_t>(r)};
        }
        return keys;
    }

private:
    static constexpr std::int64_t Unknown = std::numeric_limits<std::int64_t>::min();

    std::int64_t recordOf(int row) const { return store_ ? store_->recordOf(row) : -1; }

    std::string_view text(int col, int row) {
        if (store_)
            return store_->ownCell(col, row);
        // A grid with another store: keep the texts for the views.
        return copies_.emplace_back(grid_.cell(col, row));
    }

    // Dates and times repeat: a coded one is read from its number, a date
    // mostly from the few read last, and each other text of the row list
    // only once.
    std::int64_t memo(std::uint32_t id, bool date) {
        const RowList& list = *store_->list();
        if (id & RowList::CodedDate) {
            if (days_.empty())
                days_.resize(std::size_t{1} << dayBits_);
            CodedDay& known = days_[(id * 0x9E3779B1u) >> (32 - dayBits_)];
            if (date && known.id == id)
                return known.days;
            const std::int64_t v = id & RowList::CodeMask;
            std::int64_t value = 0;
            if (date ? civilDays(v / 10000, v / 100 % 100, v % 100, value)
                     : daySeconds(v / 10000, v / 100 % 100, v % 100, value)) {
                if (date)
                    known = {id, value};
                return value;
            }
            fail("'" + list.timeText(id) + "' is not a valid " + (date ? "date" : "time"));
        }
        std::vector<std::int64_t>& values = date ? dates_ : times_;
        if (values.empty())
            values.assign(list.texts().count(), Unknown);
        std::int64_t& value = values[id];
        if (value == Unknown)
            value = parse(list.text(id), date);
        return value;
    }

    std::int64_t parse(std::string_view text, bool date) {
        std::int64_t value = 0;
        if (date ? dateDays(text, value) : timeSeconds(text, value))
            return value;
        fail("'" + std::string(text) + "' is not a valid " + (date ? "date" : "time"));
    }

    [[noreturn]] void fail(const std::string& detail) const {
        throw Error(std::string("Cannot sort the files by ") +
                    FileHeadings[static_cast<std::size_t>(column_)] + ": " + detail);
    }

    const StringGrid& grid_;
    int column_;
    const FileGridStore* store_;
    int rows_;
    std::deque<std::string> copies_;
    std::vector<std::int64_t> dates_, times_;
    struct CodedDay {
        std::uint32_t id = 0; // 0: none yet (a coded date is never 0)
        std::int64_t days = 0;
    };
    // Room for the dates last read, made when a sort by date first needs it
    // and no larger than the grid: a small grid sorts many times a second.
    int dayBits_ =
        std::clamp(static_cast<int>(std::bit_width(static_cast<unsigned>(rows_))), 4, 12);
    std::vector<CodedDay> days_;
};

bool operator<(const NumberKey& a, const NumberKey& b) {
    return a.key < b.key;
}

// Orders text keys as their texts in upper case by character code, a
// shorter text before a longer one it begins. File names keep their case
// here, and README must not come before data.bin for it.
class TextLess {
public:
    TextLess(const RowKeys& rows, std::size_t shared) : rows_(rows), shared_(shared) {}
    bool operator()(const TextKey& a, const TextKey& b) const {
        // Without a branch for each word: which word differs first is as
        // good as random.
        const std::uint64_t a0 = a.head0, a1 = a.head1, a2 = a.head2;
        const std::uint64_t b0 = b.head0, b1 = b.head1, b2 = b.head2;
        const bool equal = a0 == b0 && a1 == b1 && a2 == b2;
        if (!equal)
            return (a0 < b0) | ((a0 == b0) & ((a1 < b1) | ((a1 == b1) & (a2 < b2))));
        // The same characters and lengths as far as the heads go: texts that
        // end there are equal, and only longer ones are compared on.
        if ((a2 & 0xFFu) <= HeadLength)
            return false;
        return a.row != b.row && tailLess(rows_.textOf(a.row), rows_.textOf(b.row));
    }

private:
    // Texts that agree up to where the heads end, and both go on.
    bool tailLess(std::string_view a, std::string_view b) const {
        std::size_t at = shared_ + HeadLength;
        const std::size_t common = std::min(a.size(), b.size());
        for (; at + 8 <= common; at += 8) {
            const std::uint64_t x = orderedUpperWord(a.data() + at);
            const std::uint64_t y = orderedUpperWord(b.data() + at);
            if (x != y)
                return x < y;
        }
        for (; at < common; ++at) {
            const auto x = static_cast<unsigned char>(upperChar(a[at]));
            const auto y = static_cast<unsigned char>(upperChar(b[at]));
            if (x != y)
                return x < y;
        }
        return a.size() < b.size();
    }

    const RowKeys& rows_;
    std::size_t shared_;
};

template <typename Key, typename Less>
std::vector<std::uint32_t> orderBy(std::vector<Key> keys, Less less) {
    // The quicksort needs about 1.4 n log2 n comparisons on any listing Jar
    // writes; a few shapes (sizes rising and then falling, for one) make it
    // quadratic. Past the budget the rows are sorted stably instead: the same
    // order, except that equal keys keep the order of the grid. Up to a few
    // thousand rows even the quadratic case stays within the budget.
    const std::uint64_t n = keys.size();
    const std::uint64_t budget = 8 * n * static_cast<std::uint64_t>(std::bit_width(n)) + 16'000'000;
    if (!quickSortPermutationOnCores(keys, less, budget, coreCount()))
        std::sort(keys.begin(), keys.end(), [&less](const Key& a, const Key& b) {
            return less(a, b) || (!less(b, a) && a.row < b.row);
        });
    std::vector<std::uint32_t> p(keys.size());
    for (std::size_t r = 0; r < keys.size(); ++r)
        p[r] = keys[r].row;
    return p;
}

} // namespace

void moveSortMarkers(StringGrid& grid, int column) {
    GridUpdate update(grid);
    for (int col = 0; col < grid.colCount(); ++col) {
        std::string heading = grid.cell(col, 0);
        const std::string before = heading;
        if (heading.find("(2)") != std::string::npos)
            heading = dropLastFour(heading);
        if (heading.find("(1)") != std::string::npos)
            heading = dropLastFour(heading) + " (2)";
        if (heading != before)
            grid.setCell(col, 0, heading);
    }
    std::string heading = grid.cell(column, 0);
    if (heading.find('(') != std::string::npos)
        heading = dropLastFour(heading);
    grid.setCell(column, 0, heading + " (1)");
}

std::vector<std::uint32_t> fileSortOrder(const StringGrid& grid, int column) {
    RowKeys keys(grid, column);
    switch (column) {
    case ColName:
    case ColFlags: {
        std::size_t shared = 0;
        std::vector<TextKey> texts = keys.texts(shared);
        return orderBy(std::move(texts), TextLess(keys, shared));
    }
    case ColSize:
        return orderBy(keys.sizes(), std::less<NumberKey>());
    case ColChapter: {
        std::vector<std::uint32_t> p(static_cast<std::size_t>(keys.rows()));
        std::iota(p.begin(), p.end(), 0u);
        return p;
    }
    default:
        return orderBy(keys.timestamps(), std::less<NumberKey>());
    }
}

} // namespace brak
