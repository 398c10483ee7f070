#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace brak {

// Texts kept once however often they occur (dates, times, odd size texts).
// Id 0 is the empty text.
class TextTable {
public:
    TextTable();
    TextTable(const TextTable&) = delete;
    TextTable& operator=(const TextTable&) = delete;

    std::uint32_t intern(std::string_view text);
    bool contains(std::string_view text) const { return ids_.count(text) > 0; }
    std::string_view text(std::uint32_t id) const { return texts_[id]; }
    std::size_t count() const { return texts_.size(); }
    // What the table costs, roughly: its characters and a fixed share per text.
    std::size_t bytes() const { return bytes_; }

private:
    std::deque<std::string> texts_; // a deque never moves its texts, so the views stay valid
    std::unordered_map<std::string_view, std::uint32_t> ids_;
    std::size_t bytes_ = 0;
};

// The file grid's columns, in the order of a row's ten texts.
enum FileColumn : int {
    ColName,
    ColSize,
    ColFlags,
    ColModifyDate,
    ColModifyTime,
    ColCreateDate,
    ColCreateTime,
    ColAccessDate,
    ColAccessTime,
    ColChapter,
    FileColumnCount
};

// A file's texts in the row list, 44 bytes: a million of them are held at
// once.
#pragma pack(push, 4)
struct FileRecord {
    std::uint32_t nameOffset = 0;
    std::uint32_t nameLength : 24 = 0; // at most RowList::MaxNameLength
    std::uint32_t attributes : 8 = 0;  // the five attribute bits
    std::int64_t size = 0;
    std::uint32_t sizeText = 0; // a TextTable id, or RowList::DecimalSize
    // Modify, create and access date and time, coded or TextTable ids.
    std::array<std::uint32_t, 6> times{};
};
#pragma pack(pop)

// The file rows of one listing, one row per file and chapter, kept compact
// for a million files: a file's texts are stored once as a record, and a
// group says in which run of chapters that record appears. Expanded in
// order, the groups give the rows in the order of the dump.
class RowList {
public:
    // A size text that is the plain decimal of the size needs no text of its own.
    static constexpr std::uint32_t DecimalSize = 0xFFFFFFFFu;

    // A date in its usual form, "1998/09/14", or a time, "06:30:00", is kept
    // as the number its digits make, marked by these bits; any other text as
    // a TextTable id. A million files then need no table look-up for them.
    static constexpr std::uint32_t CodedDate = 0x80000000u;
    static constexpr std::uint32_t CodedTime = 0xC0000000u;
    static constexpr std::uint32_t CodeMask = 0x3FFFFFFFu;

    using Record = FileRecord;

    struct Group {
        std::uint32_t record;
        std::uint32_t first; // chapters first..last, both included
        std::uint32_t last;
    };

    // A list read from one piece of a listing at the same time as the others
    // keeps its records and names in the part of the numbering that belongs
    // to its piece (0 for the first piece, or the whole listing), so that
    // joining the pieces moves no record and renumbers none.
    static constexpr unsigned MaxPieces = 16;
    explicit RowList(unsigned piece = 0);
    // A large list's storage waits for the next list that asks for as much.
    ~RowList();
    RowList(const RowList&) = delete;
    RowList& operator=(const RowList&) = delete;

    const std::vector<Group>& groups() const { return groups_; }
    std::size_t recordCount() const;
    // The number of the record added last.
    std::uint32_t lastRecord() const {
        return static_cast<std::uint32_t>(piece_ << PieceShift | (own().size() - 1));
    }
    const Record& record(std::uint32_t index) const {
        return records_[index >> PieceShift][index & PieceMask];
    }
    // Rows in all: one per file and chapter.
    std::uint64_t rowCount() const { return rowCount_; }

    std::string_view name(const Record& record) const;
    std::string_view text(std::uint32_t id) const { return texts_.text(id); }
    // The text of a date or time slot, coded or not.
    std::string timeText(std::uint32_t id) const;
    // The size as written in the listing; empty when the file had none.
    std::string sizeText(const Record& record) const;
    bool hasSize(const Record& record) const { return record.sizeText != 0; }
    // One of the ten texts of a row of this record in the given chapter.
    std::string cell(const Record& record, int column, std::uint32_t chapter) const;

    // Every row as its ten texts; for small lists (tests, diagnostics).
    std::vector<std::array<std::string, FileColumnCount>> expand() const;

    // Building, for the dump reader.
    TextTable& texts() { return texts_; }
    // The slot value of a date or time text: coded when it has the usual form.
    std::uint32_t addDate(std::string_view date);
    std::uint32_t addTime(std::string_view time);
    const TextTable& texts() const { return texts_; }
    // Stores a name of at most MaxNameLength characters; the returned offset
    // and length go into a record.
    static constexpr std::size_t MaxNameLength = std::size_t{1} << 20;
    std::pair<std::uint32_t, std::uint32_t> addName(std::string_view name);
    std::uint32_t addRecord(const Record& record);
    void addGroup(std::uint32_t record, std::uint32_t first, std::uint32_t last);
    // True when the next record or group would make the list grow.
    bool full() const {
        return own().size() == own().capacity() || groups_.size() == groups_.capacity();
    }
    void reserve(std::size_t records, std::size_t groups);
    // Names and texts held, roughly, in bytes.
    std::size_t textBytes() const { return nameBytes_ + texts_.bytes(); }
    // What textBytes() would be after append(other).
    std::size_t textBytesWith(const RowList& other) const;
    // Whether another list read from a later piece can be appended.
    bool canAppend(const RowList& other) const;
    // Puts the rows of another list, read from the piece of a listing that
    // follows this one's, after this list's rows, as if one list had read
    // both pieces. The other list is left empty. Its record's text ids are
    // made this list's (record, when not null).
    void append(RowList& other, Record* record = nullptr);

private:
    static constexpr std::size_t ChunkSize = std::size_t{1} << 20;
    // A record's number: its piece, and its place among the piece's records.
    static constexpr unsigned PieceShift = 28;
    static constexpr std::uint32_t PieceMask = (1u << PieceShift) - 1;
    // The chunks of names a piece after the first may fill: offsets stay 32 bits.
    static constexpr std::size_t PieceChunks = 256;
    std::vector<Record>& own() { return records_[piece_]; }
    const std::vector<Record>& own() const { return records_[piece_]; }

    unsigned piece_;
    // Names live in chunks that never move; a name never spans two chunks.
    // An offset is the chunk's index times ChunkSize plus the place in it.
    std::vector<std::unique_ptr<char[]>> chunks_;
    std::size_t chunkUsed_ = ChunkSize;
    std::size_t nameBytes_ = 0;
    TextTable texts_;
    std::array<std::vector<Record>, MaxPieces> records_;
    std::vector<Group> groups_;
    std::uint64_t rowCount_ = 0;
};

} // namespace brak
