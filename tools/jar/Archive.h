#pragma once

#include "Files.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace brak::jar {

// Layout of an archive file (all numbers little-endian):
//   "JARSTAND"                          magic, 8 bytes
//   file data, stored as is, one after the other
//   index:  u32 format, u32 versionUsed, u32 flags, i64 created, i64 modified,
//           u32 chapters, per chapter {i64 created, i64 modified, u32 flags},
//           u32 entries, per entry {u32 name length, name, u32 first chapter,
//           u32 last chapter, i64 modified, i64 created, i64 accessed,
//           u32 attributes, u64 size, u32 CRC-32, u64 data offset}
//   footer: u64 index offset, u32 index length, u32 index CRC-32, "JARINDEX"
// The index comes last so that a file is stored in one pass, whatever its
// size turns out to be while it is read.
inline constexpr char ArchiveMagic[] = "JARSTAND";
inline constexpr char FooterMagic[] = "JARINDEX";
inline constexpr std::uint32_t FormatVersion = 1;
inline constexpr std::uint32_t StandInVersion = 100; // shown as 0100

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
    std::string comment;      // empty: none
    std::uint64_t offset = 0; // where its data starts in the archive it was read from
    std::string source;       // when set, the next write stores this file's contents instead
};

struct Archive {
    std::uint32_t versionUsed = StandInVersion;
    std::uint32_t flags = 0;
    std::int64_t created = 0;
    std::int64_t modified = 0;
    std::vector<Chapter> chapters;
    std::vector<Entry> entries;
    std::string comment; // the archive's comment; empty: none

    std::uint32_t lastChapter() const { return static_cast<std::uint32_t>(chapters.size()); }
};

class Crc32 {
public:
    void update(const char* data, size_t size);
    std::uint32_t value() const { return ~state_; }

private:
    std::uint32_t state_ = 0xFFFFFFFFu;
};

using Sink = std::function<void(const char*, size_t)>;

// An archive file open for reading, its index and its stored data alike.
// Data is read through one window, so that many small files stored one
// after another cost one read, not one each.
class ArchiveFile {
public:
    // Only a regular file is opened; anything else is "cannot open" (6).
    explicit ArchiveFile(const std::string& path);
    const std::string& path() const { return path_; }
    std::uint64_t size() const { return size_; }
    // Passes the bytes [offset, offset + size) to `sink` in pieces; false when
    // the file ends first.
    bool copy(std::uint64_t offset, std::uint64_t size, const Sink& sink);
    bool readAt(std::uint64_t offset, char* buffer, size_t size);

private:
    std::string path_;
    Fd fd_;
    std::uint64_t size_ = 0;
    std::string window_;
    std::uint64_t windowStart_ = 0;
    size_t windowLength_ = 0;
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
};

// Writes the archive to `path` through a temporary file and a rename. Entries
// without a source have their data copied from `previous`, the archive file
// they were read from. Afterwards every entry refers to the new file.
void writeArchive(const std::string& path, Archive& archive, ArchiveFile* previous,
                  const WriteSettings& settings = {});

// Rebuilds the index of a damaged archive from what its data still tells;
// what could not be recovered is reported and raises `outcome`.
Archive recoverArchive(ArchiveFile& file, Outcome& outcome);

// Passes an entry's stored data to `sink`; false when it is cut short or its
// CRC does not match.
bool readEntryData(ArchiveFile& file, const Entry& entry, const Sink& sink);

} // namespace brak::jar
