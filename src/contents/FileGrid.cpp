#include "contents/FileGrid.h"

#include "base/Convert.h"
#include "base/Error.h"
#include "contents/DumpFormat.h"

#include <algorithm>
#include <bit>
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

// The keys of the rows below the heading, read either from the records
// they show or from their texts.
class RowKeys {
public:
    RowKeys(const StringGrid& grid, int column)
        : grid_(grid), column_(column), store_(dynamic_cast<const FileGridStore*>(&grid.store())),
          rows_(std::max(0, grid.rowCount() - 1)) {}

    int rows() const { return rows_; }

    std::vector<std::string_view> texts() {
        std::vector<std::string_view> keys(static_cast<std::size_t>(rows_));
        for (int r = 0; r < rows_; ++r) {
            const std::int64_t record = recordOf(r + 1);
            if (record >= 0) {
                const RowList::Record& rec =
                    store_->list()->record(static_cast<std::uint32_t>(record));
                keys[static_cast<std::size_t>(r)] = column_ == ColName
                                                        ? store_->list()->name(rec)
                                                        : fileAttributeLettersView(rec.attributes);
            } else {
                keys[static_cast<std::size_t>(r)] = text(column_, r + 1);
            }
        }
        return keys;
    }

    std::vector<std::int64_t> sizes() {
        std::vector<std::int64_t> keys(static_cast<std::size_t>(rows_));
        for (int r = 0; r < rows_; ++r) {
            const std::int64_t record = recordOf(r + 1);
            std::int64_t& key = keys[static_cast<std::size_t>(r)];
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
    std::vector<std::int64_t> timestamps() {
        const int dateCol = column_ % 2 == 1 ? column_ : column_ - 1;
        const int timeCol = dateCol + 1;
        const std::size_t slot = static_cast<std::size_t>(dateCol - ColModifyDate);
        std::vector<std::int64_t> keys(static_cast<std::size_t>(rows_));
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
            keys[static_cast<std::size_t>(r)] = days * 86400 + seconds;
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

    // Dates and times repeat: a coded one is read from its number, and each
    // other text of the row list only once.
    std::int64_t memo(std::uint32_t id, bool date) {
        const RowList& list = *store_->list();
        if (id & RowList::CodedDate) {
            const std::int64_t v = id & RowList::CodeMask;
            std::int64_t value = 0;
            if (date ? civilDays(v / 10000, v / 100 % 100, v % 100, value)
                     : daySeconds(v / 10000, v / 100 % 100, v % 100, value))
                return value;
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
};

// A text key that mostly compares as one number: eight characters after the
// part that all keys share, then the whole text where those are equal. It
// orders exactly as the texts do, by character code.
struct TextKey {
    std::uint64_t head;
    std::string_view text;
    bool operator<(const TextKey& other) const {
        return head != other.head ? head < other.head : text < other.text;
    }
};

std::vector<TextKey> textKeys(const std::vector<std::string_view>& texts) {
    std::size_t shared = texts.empty() ? 0 : texts[0].size();
    for (const std::string_view text : texts) {
        std::size_t i = 0;
        while (i < shared && i < text.size() && text[i] == texts[0][i])
            ++i;
        shared = i;
    }
    std::vector<TextKey> keys(texts.size());
    for (std::size_t k = 0; k < texts.size(); ++k) {
        std::uint64_t head = 0;
        for (std::size_t i = shared; i < shared + 8; ++i)
            head = head << 8 | (i < texts[k].size() ? static_cast<unsigned char>(texts[k][i]) : 0u);
        keys[k] = {head, texts[k]};
    }
    return keys;
}

template <typename Key> std::vector<std::uint32_t> orderBy(const std::vector<Key>& keys) {
    std::vector<std::uint32_t> p(keys.size());
    std::iota(p.begin(), p.end(), 0u);
    const auto less = [&keys](std::uint32_t a, std::uint32_t b) { return keys[a] < keys[b]; };
    // The quicksort needs about 1.4 n log2 n comparisons on any listing Jar
    // writes; a few shapes (sizes rising and then falling, for one) make it
    // quadratic. Past the budget the rows are sorted stably instead: the same
    // order, except that equal keys keep the order of the grid. Up to a few
    // thousand rows even the quadratic case stays within the budget.
    const std::uint64_t n = keys.size();
    const std::uint64_t budget = 8 * n * static_cast<std::uint64_t>(std::bit_width(n)) + 16'000'000;
    if (!quickSortPermutation(p, less, budget)) {
        std::iota(p.begin(), p.end(), 0u);
        std::stable_sort(p.begin(), p.end(), less);
    }
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
    case ColFlags:
        return orderBy(textKeys(keys.texts()));
    case ColSize:
        return orderBy(keys.sizes());
    case ColChapter: {
        std::vector<std::uint32_t> p(static_cast<std::size_t>(keys.rows()));
        std::iota(p.begin(), p.end(), 0u);
        return p;
    }
    default:
        return orderBy(keys.timestamps());
    }
}

} // namespace brak
