#include "contents/DumpReader.h"

#include "base/Convert.h"
#include "base/Text.h"
#include "contents/DumpFormat.h"

#include <charconv>
#include <cstring>

namespace brak {

DumpLimitError::DumpLimitError(const std::string& message) : Error(message) {}

namespace {

// Keys match in any case: the line is read as if upper-cased first.
bool isKey(std::string_view text, std::string_view key) {
    if (text.size() != key.size())
        return false;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (upperChar(text[i]) != key[i])
            return false;
    return true;
}

bool isPlainDecimal(std::string_view text, std::int64_t value) {
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string_view(buffer, static_cast<std::size_t>(result.ptr - buffer)) == text;
}

// The date and time slots of a record, and the row texts they fill.
constexpr int ModifySlot = 0, CreateSlot = 2, AccessSlot = 4;

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
            if (isKey(key, "ARCHIVE"))
                section_ = Section::Archive;
            else if (isKey(key, "CHAPTER"))
                section_ = Section::Chapter;
            else if (isKey(key, "FILE"))
                section_ = Section::File;
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
    if (isKey(key, "FLAGS")) {
        details_[DetailFlag] = archiveFlagLetters(toInt(value));
    } else if (isKey(key, "CREATED")) {
        details_[DetailCreateDate] = datePart(value);
        details_[DetailCreateTime] = timePart(value);
    } else if (isKey(key, "MODIFIED")) {
        details_[DetailModifyDate] = datePart(value);
        details_[DetailModifyTime] = timePart(value);
    } else if (isKey(key, "VERSIONUSED")) {
        details_[DetailCreate] = value;
    } else if (isKey(key, "VERSIONTOUPDATE")) {
        details_[DetailUpdate] = value;
    } else if (isKey(key, "VERSIONTOEXTRACT")) {
        details_[DetailExtract] = value;
    } else if (isKey(key, "VERSIONTOLIST")) {
        details_[DetailList] = value;
    } else if (isKey(key, "MAXCHAPTER")) {
        const std::int32_t n = toInt(value);
        if (n < 0 || n > limits_.maxChapter)
            throw Error("The archive listing's last chapter, " + std::to_string(n) +
                        ", is outside 0 to " + FormatThousands(limits_.maxChapter));
        maxChapter_ = n;
        chapterLimit_ = n;
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
    if (isKey(key, "CREATED")) {
        if (chapter_ > 0) {
            chapters_[chapter_].set(4, std::string(datePart(value)));
            chapters_[chapter_].set(5, std::string(timePart(value)));
        }
    } else if (isKey(key, "MODIFIED")) {
        if (chapter_ > 0) {
            chapters_[chapter_].set(2, std::string(datePart(value)));
            chapters_[chapter_].set(3, std::string(timePart(value)));
        }
    } else if (isKey(key, "FLAGS")) {
        const std::int32_t flags = toInt(value);
        if (chapter_ > 0)
            chapters_[chapter_].set(1, chapterFlagLetters(flags));
    }
}

void DumpReader::setTime(int slot, std::string_view value) {
    for (int i = 0; i < 2; ++i) {
        const std::string_view part = i == 0 ? datePart(value) : timePart(value);
        // Digits and separators read the same in any case: only other texts
        // need the upper-case copy.
        std::uint32_t id = i == 0 ? rows_->addDate(part) : rows_->addTime(part);
        if (!(id & RowList::CodedDate))
            id = rows_->texts().intern(upperCase(part));
        std::uint32_t& current = record_.times[static_cast<std::size_t>(slot + i)];
        if (id != current) {
            current = id;
            recordStored_ = false;
        }
    }
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
        if (value != name_ || !nameStored_) {
            name_.assign(value);
            nameStored_ = false;
            recordStored_ = false;
        }
    } else if (isKey(key, "CREATED")) {
        setTime(CreateSlot, value);
    } else if (isKey(key, "MODIFIED")) {
        setTime(ModifySlot, value);
    } else if (isKey(key, "LASTACCESS")) {
        setTime(AccessSlot, value);
    } else if (isKey(key, "SIZE")) {
        std::int64_t size = 0;
        if (!tryStrToInt64(value, size))
            throw Error(integerConversionMessage(upperCase(value)));
        std::int64_t sum = 0;
        if (__builtin_add_overflow(sizeSum_, size, &sum))
            fail("The file sizes in the archive listing add up to more than " +
                 FormatThousands(INT64_MAX) + " bytes");
        sizeSum_ = sum;
        record_.size = size;
        record_.sizeText = isPlainDecimal(value, size) ? RowList::DecimalSize
                                                       : rows_->texts().intern(upperCase(value));
        recordStored_ = false;
        checkTextBudget();
    } else if (isKey(key, "CHAPTERSRANGE")) {
        // Without a "-" the first number is the empty text before it.
        const std::size_t dash = value.find('-');
        const std::int32_t first =
            toInt(dash == std::string_view::npos ? std::string_view() : value.substr(0, dash));
        const std::int32_t last =
            toInt(dash == std::string_view::npos ? value : value.substr(dash + 1));
        rangeFirst_ = first;
        rangeLast_ = last;
        haveRange_ = true;
    } else if (isKey(key, "ATTRIBUTES")) {
        addFileRows(toInt(value));
    }
}

// ATTRIBUTES ends a file's section: the file gets a row in each chapter of
// its range. Chapters that the chapter grid cannot show get no row.
void DumpReader::addFileRows(std::int32_t attributes) {
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
    if (!recordStored_) {
        rows_->addRecord(record_);
        recordStored_ = true;
    }
    rows_->addGroup(static_cast<std::uint32_t>(rows_->recordCount() - 1),
                    static_cast<std::uint32_t>(first), static_cast<std::uint32_t>(last));
}

void DumpReader::checkTextBudget() const {
    if (rows_->textBytes() > limits_.maxTextBytes)
        fail("The names and dates in the archive listing take more than " +
             FormatThousands(static_cast<std::int64_t>(limits_.maxTextBytes)) +
             " bytes; the rest of the listing is not shown");
}

} // namespace brak
