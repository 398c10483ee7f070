#pragma once

#include "base/Error.h"
#include "contents/RowList.h"

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace brak {

// What a listing may hold before Brak stops reading it. Jar's own limits are
// far below these; they exist so that a damaged or hostile listing can
// neither exhaust memory nor keep the window busy for long.
struct DumpLimits {
    int maxChapter = 65535;
    std::size_t maxLineLength = 65536;
    std::size_t maxFileEntries = 4'000'000;
    std::size_t maxTextBytes = std::size_t{256} << 20; // names, dates and times
    std::uint64_t maxDumpBytes = std::uint64_t{2} << 30;
};

// A listing that breaks one of the DumpLimits. Reading stops there; what was
// read is shown, and the user is told why the rest is missing.
class DumpLimitError : public Error {
public:
    explicit DumpLimitError(const std::string& message);
};

// The archive-details fields the listing fills, in this order.
enum Detail : int {
    DetailFlag,
    DetailCreateDate,
    DetailCreateTime,
    DetailModifyDate,
    DetailModifyTime,
    DetailCreate,
    DetailUpdate,
    DetailExtract,
    DetailList,
    DetailCount
};

// The cells the listing wrote in one row of the chapter grid.
struct ChapterRow {
    std::array<std::string, 6> cells;
    std::uint8_t written = 0; // bit n: column n was written
    void set(int column, std::string text);
    bool has(int column) const { return (written >> column) & 1u; }
};

// Reads Jar's technical listing, line by line, into what the window shows.
// It touches neither files nor controls: the caller feeds it text and then
// puts the results into the window. A value that cannot be read raises
// Error; everything read before it stays available, as does a listing
// that breaks one of the DumpLimits.
class DumpReader {
public:
    explicit DumpReader(DumpLimits limits = {});

    // A chunk of the listing as it comes; lines end in LF or CR LF.
    void feed(std::string_view data);
    // One whole line, without its line end.
    void feedLine(std::string_view line);
    // The end of the listing: a last line without a line end is read.
    void finish();
    // The listing's whole length, when it is known beforehand: the rows are
    // then given room for the whole listing at once instead of growing.
    // A reader whose rows will be joined by those of later pieces is told
    // the whole length too: its list of rows gets room for all of them.
    void expectBytes(std::uint64_t bytes, std::uint64_t allBytes = 0) {
        expectedBytes_ = bytes;
        expectedAllBytes_ = std::max(bytes, allBytes);
    }

    // The details fields, empty where the listing says nothing.
    const std::array<std::string, DetailCount>& details() const { return details_; }
    // The last MAXCHAPTER value, which sets the chapter grid's rows.
    std::optional<int> maxChapter() const { return maxChapter_; }
    // Chapter rows by chapter number.
    const std::map<int, ChapterRow>& chapters() const { return chapters_; }
    std::int64_t sizeSum() const { return sizeSum_; }
    const RowList& rows() const { return *rows_; }
    std::shared_ptr<RowList> takeRows();
    std::uint64_t lineCount() const { return lines_; }
    const DumpLimits& limits() const { return limits_; }

    // A listing can be read in pieces at the same time, each starting at a
    // FILE line; see readDumpPieces. A piece's reader starts with what the
    // reader of the listing's head knows (its last chapter), and notes
    // whatever it read differently from one reader going through it all.
    void startPiece(const DumpReader& head, unsigned piece);
    // Puts what the reader of the next piece read after what this one read,
    // as if one reader had read both, and true; false, with neither changed,
    // when the piece depended on what came before it or would break a limit
    // only both together break: the listing must then be read in one pass.
    bool joinPiece(DumpReader& piece);

private:
    enum class Section { None, Archive, Chapter, File };

    void process(std::string_view key, bool indented, bool hasValue, std::string_view value);
    void archiveKey(std::string_view key, std::string_view value);
    void chapterKey(std::string_view key, std::string_view value);
    void fileKey(std::string_view key, std::string_view value);
    const char* readCommonLines(const char* at, const char* end);
    void setTime(int slot, std::string_view value);
    void setTimes(int slot, std::uint32_t date, std::uint32_t time);
    void setSize(std::int64_t size, std::uint32_t text);
    void addFileRows(std::int32_t attributes);
    void reserveRows();
    void checkTextBudget() const;
    // An integer value as the run-time library reads one, or the conversion error.
    std::int32_t toInt(std::string_view value) const;
    [[noreturn]] void fail(const std::string& message) const;
    [[noreturn]] void lineTooLong(std::uint64_t line) const;

    DumpLimits limits_;
    std::shared_ptr<RowList> rows_;
    std::array<std::string, DetailCount> details_;
    std::optional<int> maxChapter_;
    std::map<int, ChapterRow> chapters_;
    std::int64_t sizeSum_ = 0;

    Section section_ = Section::None;
    int chapter_ = 0; // 0: no CHAPTER line yet
    bool haveRange_ = false;
    std::int32_t rangeFirst_ = 0, rangeLast_ = 0;
    int chapterLimit_;

    // The current file record; it is not cleared between files.
    RowList::Record record_;
    std::string name_;
    bool nameStored_ = false;   // name_ is already in the row list
    bool recordStored_ = false; // record_ is the row list's last record

    std::string pending_; // a line not yet ended
    std::uint64_t bytes_ = 0;
    std::uint64_t readBytes_ = 0; // up to the end of the line being read
    std::uint64_t expectedBytes_ = 0, expectedAllBytes_ = 0;
    std::uint64_t lines_ = 0;

    // Which parts of the current file record were read (Known bits), and
    // for a piece, what makes it depend on the part before it.
    enum : std::uint8_t {
        KnownName = 1,
        KnownSize = 2,
        KnownModify = 4, // then create and access
        KnownRange = 32,
        KnownAll = 63
    };
    std::uint8_t known_ = 0;
    bool piece_ = false;
    bool dependent_ = false; // a row of an incomplete record, or an archive or chapter section
    bool negativeSize_ = false;
    std::string firstName_;
};

} // namespace brak
