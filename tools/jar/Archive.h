#pragma once

#include "Files.h"
#include "format/Crc32.h"
#include "format/Parity.h"

#include <cstdint>
#include <functional>
#include <future>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace brak::jar {

// The archive's format is described byte by byte in FORMAT.md; version 1
// is still read, version 2 is written. The layers below, in format/, encode
// it: Container (header, blocks, index, footer), Codec (zstd), BlockWriter
// and BlockReader.
inline constexpr char ArchiveMagic[] = "JARSTAND";   // version 1
inline constexpr char FooterMagic[] = "JARINDEX";    // version 1
inline constexpr std::uint32_t FormatVersion = 2;    // the version written
inline constexpr std::uint32_t StandInVersion = 100; // shown as 0100

namespace v2 {
class BlockReader;
class Digest;
class Protection;
struct Block;
} // namespace v2

// Chapter flags this program sets: L locked against change, E sealed in the
// security envelope.
inline constexpr std::uint32_t ChapterLocked = 1;
inline constexpr std::uint32_t ChapterSealed = 32;

// Locks kept with an archive beyond its chapters' flags: All (-jl) refuses
// new chapters too, Auto (-jl2) locks each chapter as it is written.
enum class LockMode : std::uint32_t { None = 0, All = 1, Auto = 2 };

struct Chapter {
    std::int64_t created = 0;
    std::int64_t modified = 0;
    std::uint32_t flags = 0;
    std::string comment; // empty: none
};

// One stored version of a file, belonging to chapters first..last.
struct Entry {
    std::string name;
    std::uint32_t firstChapter = 1;
    std::uint32_t lastChapter = 1;
    FileTimes times;
    std::uint32_t attributes = 0;
    std::uint64_t size = 0;
    std::uint64_t packedSize = 0; // the bytes it takes in the archive, its share of a block
    std::uint32_t crc = 0;
    std::string comment; // empty: none
    // Where its data starts in the archive it was read from: in the file
    // (version 1), in the stream of all blocks' data (version 2).
    std::uint64_t offset = 0;
    std::string source; // when set, the next write stores this file's contents instead
};

struct Archive {
    std::uint32_t versionUsed = StandInVersion;
    std::uint32_t flags = 0;
    std::int64_t created = 0;
    std::int64_t modified = 0;
    std::vector<Chapter> chapters;
    std::vector<Entry> entries;
    std::string comment; // the archive's comment; empty: none
    LockMode lock = LockMode::None;
    bool hidden = false; // the index is encrypted (-jx)
    bool sealed = false; // the security envelope (-hy)

    std::uint32_t lastChapter() const { return static_cast<std::uint32_t>(chapters.size()); }
};

using Sink = std::function<void(const char*, size_t)>;

// An archive file open for reading, its index and its stored data alike.
// Data is read through one window, so that many small files stored one
// after another cost one read, not one each.
class ArchiveFile {
public:
    // Only a regular file is opened; anything else is "cannot open" (6).
    explicit ArchiveFile(const std::string& path);
    ~ArchiveFile();
    ArchiveFile(const ArchiveFile&) = delete;
    ArchiveFile& operator=(const ArchiveFile&) = delete;
    const std::string& path() const { return path_; }
    // The format version readArchive found; 0 before.
    std::uint32_t formatVersion() const { return version_; }
    void setFormat(std::uint32_t version, std::unique_ptr<v2::BlockReader> blocks);
    // The blocks of a version 2 archive, once its index or rh found them.
    v2::BlockReader* blocks() const { return blocks_.get(); }
    // The archive's own bytes: recovery records after them are not counted.
    std::uint64_t size() const { return size_; }
    // Recovery records: found at the file's end, or, when `anywhere`, by a
    // copy of their head wherever damage left one.
    void findRecords(bool anywhere);
    const std::optional<v2::RecordLayout>& records() const { return records_; }
    std::uint64_t fileSize() const { return fileSize_; }
    // Sectors rebuilt from the records are read in place of the damaged ones.
    void patch(std::map<std::uint64_t, std::string> sectors) {
        patched_ = std::move(sectors);
        windowLength_ = 0;
    }
    // The file as it is on disk, never patched.
    bool readRaw(std::uint64_t offset, char* buffer, size_t size);
    // Passes the bytes [offset, offset + size) to `sink` in pieces; false when
    // the file ends first.
    bool copy(std::uint64_t offset, std::uint64_t size, const Sink& sink);
    bool readAt(std::uint64_t offset, char* buffer, size_t size);

    // The archive's tag checked on another thread while an extraction
    // writes its files: `damage` tells a mismatch.
    void checkLater(std::future<bool> check, std::string damage);
    // Whether that check is still running.
    bool checking() const;
    // Waits for the check; a mismatch is the archive's damage (CRC error).
    void confirm();

private:
    std::string path_;
    Fd fd_;
    std::uint64_t size_ = 0;
    std::uint64_t fileSize_ = 0;
    std::optional<v2::RecordLayout> records_;
    std::map<std::uint64_t, std::string> patched_;
    std::string window_;
    std::uint64_t windowStart_ = 0;
    size_t windowLength_ = 0;
    std::uint32_t version_ = 0;
    std::unique_ptr<v2::BlockReader> blocks_;
    std::string damage_;
    std::future<bool> check_; // last: it reads the file until it is done
};

// Reads the index of an archive. Fails with "not an archive" (9) for a file
// of another kind or, for an archive whose index is damaged or unsafe, "CRC
// error" (3). What the index claims is checked before memory is set aside
// for it.
Archive readArchive(ArchiveFile& file);

// How an archive is written: the compression level (1 fast, 2 normal, 3
// better, 4 best) applies to data that is compressed in this write.
struct WriteSettings {
    enum class Check { None, Crc, Compare };
    int level = 2;
    // Re-encodes the data copied from the previous archive too (copying an
    // archive at another level), instead of copying its blocks as they are.
    bool recompress = false;
    // The new archive is tested whole before it replaces the old one.
    bool testBeforeReplace = false;
    // The files stored in this write are checked once written: by CRC, or
    // byte for byte against their source.
    Check checkStored = Check::None;
    // Where the temporary archive is made; empty: beside the archive.
    std::string workDirectory;
    // Recovery records are appended after everything else.
    bool recoveryRecords = false;
};

// Writes the archive to `path` through a temporary file and a rename. Entries
// without a source have their data copied from `previous`, the archive file
// they were read from. Afterwards every entry refers to the new file.
void writeArchive(const std::string& path, Archive& archive, ArchiveFile* previous,
                  const WriteSettings& settings = {});

// Ends an archive being written in `temp` after its blocks: its index at
// `indexOffset` (sealed with `keys` when hidden), the tag that `keys` or a
// seal asks for, and the footer. `unchanged` ends the message of a failure.
// `running`, when given, has taken every byte written to `temp` so far and
// takes the rest here (made with the same keys); else the tag reads the
// file back.
void writeIndex(TempFile& temp, const Archive& archive, const std::vector<v2::Block>& blocks,
                std::uint64_t indexOffset, const v2::Protection* keys, const std::string& unchanged,
                v2::Digest* running = nullptr);

// Appends recovery records to the finished archive at `path`, computed over
// every byte it has.
void appendRecords(const std::string& path);

// Rebuilds the index of a damaged archive from what its data still tells;
// what could not be recovered is reported and raises `outcome`.
Archive recoverArchive(ArchiveFile& file, Outcome& outcome);

// Passes an entry's stored data to `sink`; false when it is cut short or its
// CRC does not match.
bool readEntryData(ArchiveFile& file, const Entry& entry, const Sink& sink);

} // namespace brak::jar
