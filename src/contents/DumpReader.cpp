#include "contents/DumpReader.h"

#include "base/Convert.h"
#include "base/Text.h"
#include "contents/DumpFormat.h"

#include <bit>
#include <cstring>

namespace brak {

DumpLimitError::DumpLimitError(const std::string& message) : Error(message) {}

namespace {

// Keys match in any case: the line is read as if upper-cased first.
bool isKey(std::string_view text, std::string_view key) {
    if (text.size() != key.size())
        return false;
    if (std::memcmp(text.data(), key.data(), key.size()) == 0)
        return true; // as Jar writes it
    for (std::size_t i = 0; i < text.size(); ++i)
        if (upperChar(text[i]) != key[i])
            return false;
    return true;
}

enum class Key {
    Other,
    Archive,
    Chapter,
    File,
    Flags,
    Created,
    Modified,
    LastAccess,
    Size,
    ChaptersRange,
    Attributes,
    VersionUsed,
    VersionToUpdate,
    VersionToExtract,
    VersionToList,
    MaxChapter
};

constexpr std::string_view KeyNames[] = {"",
                                         "ARCHIVE",
                                         "CHAPTER",
                                         "FILE",
                                         "FLAGS",
                                         "CREATED",
                                         "MODIFIED",
                                         "LASTACCESS",
                                         "SIZE",
                                         "CHAPTERSRANGE",
                                         "ATTRIBUTES",
                                         "VERSIONUSED",
                                         "VERSIONTOUPDATE",
                                         "VERSIONTOEXTRACT",
                                         "VERSIONTOLIST",
                                         "MAXCHAPTER"};

// The key a text names. Its length and first letters tell the one key it can
// be; only that one is compared, so a line costs one comparison.
Key keyOf(std::string_view text) {
    if (text.size() < 4)
        return Key::Other;
    const char first = upperChar(text[0]);
    Key key = Key::Other;
    switch (text.size()) {
    case 4:
        key = first == 'F' ? Key::File : Key::Size;
        break;
    case 5:
        key = Key::Flags;
        break;
    case 7:
        key = first == 'A' ? Key::Archive : upperChar(text[1]) == 'H' ? Key::Chapter : Key::Created;
        break;
    case 8:
        key = Key::Modified;
        break;
    case 10:
        key = first == 'L' ? Key::LastAccess : first == 'M' ? Key::MaxChapter : Key::Attributes;
        break;
    case 11:
        key = Key::VersionUsed;
        break;
    case 13:
        key = first == 'C' ? Key::ChaptersRange : Key::VersionToList;
        break;
    case 15:
        key = Key::VersionToUpdate;
        break;
    case 16:
        key = Key::VersionToExtract;
        break;
    default:
        break;
    }
    return isKey(text, KeyNames[static_cast<int>(key)]) ? key : Key::Other;
}

// A text that converted to a number is that number's plain decimal exactly
// when it reads 0, or digits without a leading zero after an optional "-".
bool isPlainDecimal(std::string_view text) {
    if (text == "0")
        return true;
    if (!text.empty() && text[0] == '-')
        text.remove_prefix(1);
    if (text.empty() || text[0] < '1' || text[0] > '9')
        return false;
    for (const char c : text)
        if (c < '0' || c > '9')
            return false;
    return true;
}

// Eight characters as one number, the first in the lowest byte.
std::uint64_t eightChars(const char* at) {
    std::uint64_t word;
    std::memcpy(&word, at, sizeof word);
    if constexpr (std::endian::native == std::endian::big)
        word = __builtin_bswap64(word);
    return word;
}

// Compares eight characters with a pattern of separators and "0"s that
// stand for digits: the digits' values where they match, else false.
bool digitsAndSeparators(std::uint64_t word, std::uint64_t pattern, std::uint64_t digits,
                         std::uint64_t& values) {
    constexpr std::uint64_t HighNibbles = 0xF0F0F0F0F0F0F0F0u;
    constexpr std::uint64_t Sixes = 0x0606060606060606u, Carries = 0x1010101010101010u;
    // A digit gives 0 to 9 and a matching separator 0; anything else has
    // a bit outside the low nibble, or a low nibble above 9.
    const std::uint64_t x = word ^ pattern;
    values = x;
    return (x & (~digits | HighNibbles)) == 0 && ((x + Sixes) & Carries) == 0;
}

// Eight digit values, the first in the lowest byte, joined in pairs, fours
// and eights into the number they write.
std::uint32_t joinDigits(std::uint64_t v) {
    v = (v * 10 + (v >> 8)) & 0x00FF00FF00FF00FFu;
    v = (v * 100 + (v >> 16)) & 0x0000FFFF0000FFFFu;
    return static_cast<std::uint32_t>((v * 10000 + (v >> 32)) & 0xFFFFFFFFu);
}

// "1998/09/14 06:30:00", as Jar writes dates, read in one pass into the
// coded date and time the row list keeps. False for any other text.
inline bool codedDateTime(std::string_view value, std::uint32_t& date, std::uint32_t& time) {
    if (value.size() != 19)
        return false;
    // "YYYY/MM/", "DD HH:MM" and, overlapping, "HH:MM:SS".
    std::uint64_t a = 0, b = 0, c = 0;
    if (!digitsAndSeparators(eightChars(value.data()), 0x2F30302F30303030u, 0x00FFFF00FFFFFFFFu,
                             a) ||
        !digitsAndSeparators(eightChars(value.data() + 8), 0x30303A3030203030u, 0xFFFF00FFFF00FFFFu,
                             b) ||
        !digitsAndSeparators(eightChars(value.data() + 11), 0x30303A30303A3030u,
                             0xFFFF00FFFF00FFFFu, c))
        return false;
    // The digits side by side, YYYYMMDD and 00HHMMSS: the coded numbers.
    date = RowList::CodedDate |
           joinDigits((a & 0xFFFFFFFFu) | (a >> 40 & 0xFFFFu) << 32 | (b & 0xFFFFu) << 48);
    time = RowList::CodedTime |
           joinDigits((c & 0xFFFFu) << 16 | (c >> 24 & 0xFFFFu) << 32 | (c >> 48 & 0xFFFFu) << 48);
    return true;
}

// The date and time slots of a record, and the row texts they fill.
constexpr int ModifySlot = 0, CreateSlot = 2, AccessSlot = 4;

bool startsWith(const char* at, std::string_view text) {
    return std::memcmp(at, text.data(), text.size()) == 0;
}

// Where the next line starts when a line ends at "at" with LF or CR LF.
const char* afterLineEnd(const char* at) {
    if (at[0] == '\n')
        return at + 1;
    return at[0] == '\r' && at[1] == '\n' ? at + 2 : nullptr;
}

constexpr std::uint64_t PowersOfTen[9] = {1,      10,      100,      1000,     10000,
                                          100000, 1000000, 10000000, 100000000};

// The decimal digits at the start of eight characters: how many there are,
// and their value. Eight means more may follow.
int leadingDigits(const char* at, std::uint64_t& value) {
    const std::uint64_t x = eightChars(at) ^ 0x3030303030303030u;
    // A bit in each byte that holds no digit.
    const std::uint64_t other =
        (x & 0xF0F0F0F0F0F0F0F0u) |
        (((x & 0x0F0F0F0F0F0F0F0Fu) + 0x0606060606060606u) & 0x1010101010101010u);
    const int count = other == 0 ? 8 : std::countr_zero(other) / 8;
    if (count == 0) {
        value = 0;
        return 0;
    }
    // The digits moved up to the last bytes, zeros before them.
    value = joinDigits(x << (8 * (8 - count)));
    return count;
}

} // namespace

void ChapterRow::set(int column, std::string text) {
    cells[static_cast<std::size_t>(column)] = std::move(text);
    written = static_cast<std::uint8_t>(written | (1u << column));
}

DumpReader::DumpReader(DumpLimits limits)
    : limits_(limits), rows_(std::make_shared<RowList>()), chapterLimit_(limits.maxChapter) {}

std::shared_ptr<RowList> DumpReader::takeRows() {
    auto rows = std::move(rows_);
    // The record's texts belong to the list handed over: start a new record.
    rows_ = std::make_shared<RowList>();
    record_ = {};
    recordStored_ = false;
    nameStored_ = false;
    return rows;
}

void DumpReader::fail(const std::string& message) const {
    throw DumpLimitError(message);
}

void DumpReader::feed(std::string_view data) {
    bytes_ += data.size();
    if (bytes_ > limits_.maxDumpBytes)
        fail("The archive listing is larger than " +
             FormatThousands(static_cast<std::int64_t>(limits_.maxDumpBytes)) + " bytes");
    while (!data.empty()) {
        if (section_ == Section::File && pending_.empty()) {
            const char* other = readCommonLines(data.data(), data.data() + data.size());
            data.remove_prefix(static_cast<std::size_t>(other - data.data()));
            if (data.empty())
                break;
        }
        const auto* end = static_cast<const char*>(std::memchr(data.data(), '\n', data.size()));
        const std::size_t length = end ? static_cast<std::size_t>(end - data.data()) : data.size();
        const std::string_view piece = data.substr(0, length);
        // A line is never kept beyond its limit (and a carriage return), however long it is.
        if (pending_.size() + piece.size() > limits_.maxLineLength + 1)
            lineTooLong(lines_ + 1);
        if (!end) {
            pending_.append(piece);
            return;
        }
        data.remove_prefix(length + 1);
        std::string_view line = piece;
        if (!pending_.empty()) {
            pending_.append(piece);
            line = pending_;
        }
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        readBytes_ = bytes_ - data.size();
        feedLine(line);
        pending_.clear();
    }
}

void DumpReader::lineTooLong(std::uint64_t line) const {
    fail("Line " + std::to_string(line) + " of the archive listing is longer than " +
         FormatThousands(static_cast<std::int64_t>(limits_.maxLineLength)) + " characters");
}

void DumpReader::finish() {
    if (pending_.empty())
        return;
    std::string_view line = pending_;
    if (line.back() == '\r')
        line.remove_suffix(1);
    feedLine(line);
    pending_.clear();
}

// Nearly every line of a file's section, as Jar writes it, is read here in
// one pass: the FILE line, and two blanks, a key in upper case, "=", a value
// in its usual form and the line end; no search for the line's "=" and, but
// for the name, none for its end. Such lines are read one after another; it
// returns where the first other line starts, which takes the general way to
// the same result.
const char* DumpReader::readCommonLines(const char* at, const char* end) {
    // The lines with a key are shorter than 40 characters, so no look below
    // passes the end, and none breaks the line limit unless it is tiny.
    if (limits_.maxLineLength < 40)
        return at;
    for (const char* next = at;; at = next) {
        if (end - at < 64)
            return at;
        if (startsWith(at, "FILE=")) {
            const auto* lineEnd = static_cast<const char*>(
                std::memchr(at + 5, '\n', static_cast<std::size_t>(end - at - 5)));
            if (!lineEnd)
                return at;
            std::string_view line(at, static_cast<std::size_t>(lineEnd - at));
            if (line.back() == '\r')
                line.remove_suffix(1);
            if (line.size() > limits_.maxLineLength)
                return at;
            ++lines_;
            fileKey({}, trimBlanks(line.substr(5)));
            next = lineEnd + 1;
            continue;
        }
        if (at[0] != ' ' || at[1] != ' ')
            return at;
        const char* key = at + 2;
        std::uint64_t number = 0, other = 0;
        int digits = 0;
        switch (key[0]) {
        case 'C':
            if (startsWith(key, "CREATED=")) {
                std::uint32_t date = 0, time = 0;
                const char* value = key + 8;
                if (!codedDateTime({value, 19}, date, time) || !(next = afterLineEnd(value + 19)))
                    return at;
                ++lines_;
                setTimes(CreateSlot, date, time);
            } else if (startsWith(key, "CHAPTERSRANGE=")) {
                const char* first = key + 14;
                digits = leadingDigits(first, number);
                if (digits == 0 || first[digits] != '-')
                    return at;
                const char* last = first + digits + 1;
                digits = leadingDigits(last, other);
                if (digits == 0 || !(next = afterLineEnd(last + digits)))
                    return at;
                ++lines_;
                rangeFirst_ = static_cast<std::int32_t>(number);
                rangeLast_ = static_cast<std::int32_t>(other);
                haveRange_ = true;
                known_ |= KnownRange;
            } else {
                return at;
            }
            break;
        case 'M':
        case 'L': {
            const bool modified = key[0] == 'M';
            if (!startsWith(key, modified ? "MODIFIED=" : "LASTACCESS="))
                return at;
            std::uint32_t date = 0, time = 0;
            const char* value = key + (modified ? 9 : 11);
            if (!codedDateTime({value, 19}, date, time) || !(next = afterLineEnd(value + 19)))
                return at;
            ++lines_;
            setTimes(modified ? ModifySlot : AccessSlot, date, time);
            break;
        }
        case 'S': {
            if (!startsWith(key, "SIZE="))
                return at;
            // Sixteen digits at most, without a leading zero: the plain decimal.
            const char* value = key + 5;
            digits = leadingDigits(value, number);
            if (digits == 8) {
                const int more = leadingDigits(value + 8, other);
                number = number * PowersOfTen[more] + other;
                digits += more;
            }
            if (digits == 0 || (value[0] == '0' && digits > 1) ||
                !(next = afterLineEnd(value + digits)))
                return at;
            ++lines_;
            setSize(static_cast<std::int64_t>(number), RowList::DecimalSize);
            break;
        }
        case 'A': {
            if (!startsWith(key, "ATTRIBUTES="))
                return at;
            const char* value = key + 11;
            digits = leadingDigits(value, number);
            if (digits == 0 || !(next = afterLineEnd(value + digits)))
                return at;
            ++lines_;
            readBytes_ = bytes_ - static_cast<std::uint64_t>(end - next);
            addFileRows(static_cast<std::int32_t>(number));
            break;
        }
        default:
            return at;
        }
    }
}

void DumpReader::feedLine(std::string_view line) {
    ++lines_;
    if (line.size() > limits_.maxLineLength)
        lineTooLong(lines_);
    const std::size_t equals = line.find('=');
    const bool hasValue = equals != std::string_view::npos;
    std::string_view key = hasValue ? line.substr(0, equals) : line;
    const bool indented = key.size() >= 2 && key[0] == ' ' && key[1] == ' ';
    if (indented)
        key.remove_prefix(2);
    process(key, indented, hasValue,
            hasValue ? trimBlanks(line.substr(equals + 1)) : std::string_view());
}

void DumpReader::process(std::string_view key, bool indented, bool hasValue,
                         std::string_view value) {
    if (!indented) {
        // A line without "=" is no section; it ends the one before it.
        section_ = Section::None;
        if (hasValue) {
            switch (keyOf(key)) {
            case Key::Archive:
                section_ = Section::Archive;
                dependent_ = piece_;
                break;
            case Key::Chapter:
                section_ = Section::Chapter;
                dependent_ = piece_;
                break;
            case Key::File:
                section_ = Section::File;
                break;
            default:
                break;
            }
        }
        key = {};
    } else if (!hasValue) {
        return; // a sub-key without "=" matches nothing
    }
    if (!hasValue)
        return;
    switch (section_) {
    case Section::Archive:
        archiveKey(key, value);
        break;
    case Section::Chapter:
        chapterKey(key, value);
        break;
    case Section::File:
        fileKey(key, value);
        break;
    case Section::None:
        break;
    }
}

void DumpReader::archiveKey(std::string_view key, std::string_view v) {
    const std::string value = upperCase(v);
    switch (keyOf(key)) {
    case Key::Flags:
        details_[DetailFlag] = archiveFlagLetters(toInt(value));
        break;
    case Key::Created:
        details_[DetailCreateDate] = datePart(value);
        details_[DetailCreateTime] = timePart(value);
        break;
    case Key::Modified:
        details_[DetailModifyDate] = datePart(value);
        details_[DetailModifyTime] = timePart(value);
        break;
    case Key::VersionUsed:
        details_[DetailCreate] = value;
        break;
    case Key::VersionToUpdate:
        details_[DetailUpdate] = value;
        break;
    case Key::VersionToExtract:
        details_[DetailExtract] = value;
        break;
    case Key::VersionToList:
        details_[DetailList] = value;
        break;
    case Key::MaxChapter: {
        const std::int32_t n = toInt(value);
        if (n < 0 || n > limits_.maxChapter)
            throw Error("The archive listing's last chapter, " + std::to_string(n) +
                        ", is outside 0 to " + FormatThousands(limits_.maxChapter));
        maxChapter_ = n;
        chapterLimit_ = n;
        break;
    }
    default:
        break;
    }
}

void DumpReader::chapterKey(std::string_view key, std::string_view v) {
    const std::string value = upperCase(v);
    if (key.empty()) {
        const std::int32_t n = toInt(value);
        if (n < 1 || n > limits_.maxChapter)
            throw Error("Chapter " + std::to_string(n) +
                        " of the archive listing is outside 1 to " +
                        FormatThousands(limits_.maxChapter));
        chapter_ = n;
        chapters_[n].set(0, std::to_string(n));
        return;
    }
    // Without a CHAPTER line first there is no row to write to.
    switch (keyOf(key)) {
    case Key::Created:
        if (chapter_ > 0) {
            chapters_[chapter_].set(4, std::string(datePart(value)));
            chapters_[chapter_].set(5, std::string(timePart(value)));
        }
        break;
    case Key::Modified:
        if (chapter_ > 0) {
            chapters_[chapter_].set(2, std::string(datePart(value)));
            chapters_[chapter_].set(3, std::string(timePart(value)));
        }
        break;
    case Key::Flags: {
        const std::int32_t flags = toInt(value);
        if (chapter_ > 0)
            chapters_[chapter_].set(1, chapterFlagLetters(flags));
        break;
    }
    default:
        break;
    }
}

void DumpReader::setTime(int slot, std::string_view value) {
    std::array<std::uint32_t, 2> ids{};
    if (!codedDateTime(value, ids[0], ids[1])) {
        // Any other text is kept as it reads in upper case; a date or a time
        // of the usual form is still coded.
        ids[0] = rows_->addDate(upperCase(datePart(value)));
        ids[1] = rows_->addTime(upperCase(timePart(value)));
        checkTextBudget();
    }
    setTimes(slot, ids[0], ids[1]);
}

void DumpReader::setTimes(int slot, std::uint32_t date, std::uint32_t time) {
    known_ |= static_cast<std::uint8_t>(KnownModify << (slot / 2));
    std::uint32_t* current = &record_.times[static_cast<std::size_t>(slot)];
    if (current[0] != date || current[1] != time) {
        current[0] = date;
        current[1] = time;
        recordStored_ = false;
    }
}

void DumpReader::setSize(std::int64_t size, std::uint32_t text) {
    std::int64_t sum = 0;
    if (__builtin_add_overflow(sizeSum_, size, &sum))
        fail("The file sizes in the archive listing add up to more than " +
             FormatThousands(INT64_MAX) + " bytes");
    sizeSum_ = sum;
    known_ |= KnownSize;
    negativeSize_ = negativeSize_ || size < 0;
    record_.size = size;
    record_.sizeText = text;
    recordStored_ = false;
    if (text != RowList::DecimalSize)
        checkTextBudget();
}

std::int32_t DumpReader::toInt(std::string_view value) const {
    std::int64_t number = 0;
    if (!tryStrToInt64(value, number) || number < INT32_MIN || number > INT32_MAX)
        throw Error(integerConversionMessage(upperCase(value)));
    return static_cast<std::int32_t>(number);
}

void DumpReader::fileKey(std::string_view key, std::string_view value) {
    if (key.empty()) {
        // The file name keeps its case: names are case-sensitive here.
        if (piece_ && !(known_ & KnownName))
            firstName_.assign(value);
        known_ |= KnownName;
        if (value != name_ || !nameStored_) {
            name_.assign(value);
            nameStored_ = false;
            recordStored_ = false;
        }
        return;
    }
    switch (keyOf(key)) {
    case Key::Created:
        setTime(CreateSlot, value);
        break;
    case Key::Modified:
        setTime(ModifySlot, value);
        break;
    case Key::LastAccess:
        setTime(AccessSlot, value);
        break;
    case Key::Size: {
        std::int64_t size = 0;
        if (!tryStrToInt64(value, size))
            throw Error(integerConversionMessage(upperCase(value)));
        setSize(size, isPlainDecimal(value) ? RowList::DecimalSize
                                            : rows_->texts().intern(upperCase(value)));
        break;
    }
    case Key::ChaptersRange: {
        // Without a "-" the first number is the empty text before it.
        const std::size_t dash = value.find('-');
        const std::int32_t first =
            toInt(dash == std::string_view::npos ? std::string_view() : value.substr(0, dash));
        const std::int32_t last =
            toInt(dash == std::string_view::npos ? value : value.substr(dash + 1));
        rangeFirst_ = first;
        rangeLast_ = last;
        haveRange_ = true;
        known_ |= KnownRange;
        break;
    }
    case Key::Attributes:
        addFileRows(toInt(value));
        break;
    default:
        break;
    }
}

// ATTRIBUTES ends a file's section: the file gets a row in each chapter of
// its range. Chapters that the chapter grid cannot show get no row.
void DumpReader::addFileRows(std::int32_t attributes) {
    // A piece's first files may take parts of their record from the part
    // before the piece, which its reader cannot know.
    if (piece_ && known_ != KnownAll)
        dependent_ = true;
    const auto bits = static_cast<std::uint8_t>(static_cast<std::uint32_t>(attributes) & 31u);
    if (bits != record_.attributes) {
        record_.attributes = bits;
        recordStored_ = false;
    }
    if (!haveRange_)
        return;
    const std::int64_t first = std::max<std::int64_t>(rangeFirst_, 1);
    const std::int64_t last = std::min<std::int64_t>(rangeLast_, chapterLimit_);
    if (first > last)
        return;
    if (rows_->groups().size() >= limits_.maxFileEntries)
        fail("The archive listing holds more than " +
             FormatThousands(static_cast<std::int64_t>(limits_.maxFileEntries)) +
             " file entries; only the first " +
             FormatThousands(static_cast<std::int64_t>(limits_.maxFileEntries)) + " are shown");
    if (!nameStored_) {
        const auto [offset, length] = rows_->addName(name_);
        record_.nameOffset = offset;
        record_.nameLength = length;
        nameStored_ = true;
        checkTextBudget();
    }
    if (rows_->full())
        reserveRows();
    if (!recordStored_) {
        rows_->addRecord(record_);
        recordStored_ = true;
    }
    rows_->addGroup(rows_->lastRecord(), static_cast<std::uint32_t>(first),
                    static_cast<std::uint32_t>(last));
}

// Growing by doubling would copy the rows several times and for a moment hold
// them twice; a listing of known length gets room for all its rows as the part
// read so far suggests, with some to spare, and grows by half if that was short.
void DumpReader::reserveRows() {
    if (readBytes_ == 0 || expectedBytes_ <= readBytes_)
        return;
    const auto room = [&](std::size_t count, std::uint64_t bytes) {
        const double scale = static_cast<double>(bytes) / static_cast<double>(readBytes_);
        const auto estimate = static_cast<std::size_t>(static_cast<double>(count) * scale * 1.03);
        return std::min(std::max(estimate, count + count / 2) + 256, limits_.maxFileEntries + 1);
    };
    rows_->reserve(room(rows_->recordCount(), expectedBytes_),
                   room(rows_->groups().size(), std::max(expectedBytes_, expectedAllBytes_)));
}

void DumpReader::startPiece(const DumpReader& head, unsigned piece) {
    piece_ = true;
    rows_ = std::make_shared<RowList>(piece);
    chapterLimit_ = head.chapterLimit_;
}

bool DumpReader::joinPiece(DumpReader& piece) {
    // A piece starts with a FILE line; the one reader would have kept the
    // stored name and record only for the same name.
    if (!piece.piece_ || piece.dependent_ || piece.negativeSize_ || !(piece.known_ & KnownName) ||
        (piece.firstName_ == name_ && nameStored_) || piece.chapterLimit_ != chapterLimit_ ||
        !pending_.empty())
        return false;
    // Sizes that are never negative overflow the sum, if at all, at its end.
    std::int64_t sum = 0;
    if (__builtin_add_overflow(sizeSum_, piece.sizeSum_, &sum) ||
        rows_->groups().size() + piece.rows_->groups().size() > limits_.maxFileEntries ||
        rows_->textBytesWith(*piece.rows_) > limits_.maxTextBytes ||
        !rows_->canAppend(*piece.rows_) || bytes_ + piece.bytes_ > limits_.maxDumpBytes)
        return false;
    rows_->append(*piece.rows_, &piece.record_);
    sizeSum_ = sum;
    section_ = piece.section_;
    haveRange_ = piece.haveRange_;
    rangeFirst_ = piece.rangeFirst_;
    rangeLast_ = piece.rangeLast_;
    record_ = piece.record_;
    name_ = std::move(piece.name_);
    nameStored_ = piece.nameStored_;
    recordStored_ = piece.recordStored_;
    pending_ = std::move(piece.pending_);
    readBytes_ = bytes_ + piece.readBytes_;
    bytes_ += piece.bytes_;
    lines_ += piece.lines_;
    known_ = KnownAll;
    return true;
}

void DumpReader::checkTextBudget() const {
    if (rows_->textBytes() > limits_.maxTextBytes)
        fail("The names and dates in the archive listing take more than " +
             FormatThousands(static_cast<std::int64_t>(limits_.maxTextBytes)) +
             " bytes; the rest of the listing is not shown");
}

} // namespace brak
