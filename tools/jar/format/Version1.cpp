#include "Version1.h"

#include "Bytes.h"
#include "Container.h"

#include <algorithm>
#include <cstring>

namespace brak::jar::v1 {

namespace {

// Layout (all numbers little-endian):
//   "JARSTAND"                          magic, 8 bytes
//   file data, stored as is, one after the other
//   index:  u32 format, u32 versionUsed, u32 flags, i64 created, i64 modified,
//           u32 chapters, per chapter {i64 created, i64 modified, u32 flags},
//           u32 entries, per entry {u32 name length, name, u32 first chapter,
//           u32 last chapter, i64 modified, i64 created, i64 accessed,
//           u32 attributes, u64 size, u32 CRC-32, u64 data offset}
//   footer: u64 index offset, u32 index length, u32 index CRC-32, "JARINDEX"
constexpr std::uint32_t Version = 1;
constexpr size_t MagicSize = 8;
constexpr size_t FooterSize = 8 + 4 + 4 + MagicSize;
constexpr size_t HeaderSize = 4 + 4 + 4 + 8 + 8 + 4;
constexpr size_t ChapterSize = 8 + 8 + 4;
constexpr size_t EntryFixedSize = 4 + 4 + 8 + 8 + 8 + 4 + 8 + 4 + 8; // after the name
constexpr std::uint32_t MaxChapters = 65535;

using v2::Damaged;
constexpr Damaged IndexLost{"its index is lost"};

// The index, read from the file piece by piece as it is decoded, its CRC
// taken on the way: memory follows what the index really holds, never what
// it claims.
class IndexReader {
public:
    IndexReader(ArchiveFile& file, std::uint64_t offset, std::uint64_t length)
        : file_(file), offset_(offset), left_(length) {}

    const char* take(size_t size) {
        if (buffer_.size() - position_ < size)
            refill(size);
        const char* data = buffer_.data() + position_;
        position_ += size;
        return data;
    }
    std::uint32_t u32() { return static_cast<std::uint32_t>(littleEndian(take(4), 4)); }
    std::uint64_t remaining() const { return left_ + (buffer_.size() - position_); }
    std::uint32_t crc() const { return crc_.value(); }

private:
    static constexpr size_t Chunk = 1024 * 1024;

    void refill(size_t size) {
        buffer_.erase(0, position_);
        position_ = 0;
        while (buffer_.size() < size) {
            if (left_ == 0)
                throw IndexLost;
            const size_t want = static_cast<size_t>(std::min<std::uint64_t>(left_, Chunk));
            const size_t had = buffer_.size();
            buffer_.resize(had + want);
            if (!file_.readAt(offset_, buffer_.data() + had, want))
                throw IndexLost;
            crc_.update(buffer_.data() + had, want);
            offset_ += want;
            left_ -= want;
        }
    }

    ArchiveFile& file_;
    std::uint64_t offset_;
    std::uint64_t left_;
    std::string buffer_;
    size_t position_ = 0;
    Crc32 crc_;
};

// Everything the index claims is checked, so that later steps can trust it:
// counts within what the index holds, chapters in range, data inside the
// file and shared by no two files, names that stay in their directory.
Archive decodeIndex(IndexReader& in, std::uint64_t dataEnd) {
    Archive archive;
    if (in.remaining() < HeaderSize)
        throw IndexLost;
    const char* header = in.take(HeaderSize);
    if (littleEndian(header, 4) != Version)
        throw IndexLost;
    archive.versionUsed = static_cast<std::uint32_t>(littleEndian(header + 4, 4));
    archive.flags = static_cast<std::uint32_t>(littleEndian(header + 8, 4));
    archive.created = static_cast<std::int64_t>(littleEndian(header + 12, 8));
    archive.modified = static_cast<std::int64_t>(littleEndian(header + 20, 8));
    const auto chapters = static_cast<std::uint32_t>(littleEndian(header + 28, 4));
    if (chapters == 0 || chapters > MaxChapters || chapters * ChapterSize > in.remaining())
        throw IndexLost;
    archive.chapters.reserve(chapters);
    for (std::uint32_t i = 0; i < chapters; ++i) {
        const char* data = in.take(ChapterSize);
        Chapter chapter;
        chapter.created = static_cast<std::int64_t>(littleEndian(data, 8));
        chapter.modified = static_cast<std::int64_t>(littleEndian(data + 8, 8));
        chapter.flags = static_cast<std::uint32_t>(littleEndian(data + 16, 4));
        archive.chapters.push_back(std::move(chapter));
    }
    const std::uint32_t entries = in.u32();
    if (entries > in.remaining() / (4 + 1 + EntryFixedSize))
        throw IndexLost;
    // Room is made as entries really come, not for all that are claimed.
    archive.entries.reserve(std::min<std::uint32_t>(entries, 4096));
    for (std::uint32_t i = 0; i < entries; ++i) {
        Entry entry;
        const std::uint32_t nameLength = in.u32();
        if (nameLength == 0 || nameLength > MaxStoredName)
            throw Damaged{"a stored name is empty or too long"};
        entry.name.assign(in.take(nameLength), nameLength);
        v2::checkName(entry.name);
        const char* data = in.take(EntryFixedSize);
        entry.firstChapter = static_cast<std::uint32_t>(littleEndian(data, 4));
        entry.lastChapter = static_cast<std::uint32_t>(littleEndian(data + 4, 4));
        entry.times.modified = static_cast<std::int64_t>(littleEndian(data + 8, 8));
        entry.times.created = static_cast<std::int64_t>(littleEndian(data + 16, 8));
        entry.times.accessed = static_cast<std::int64_t>(littleEndian(data + 24, 8));
        entry.attributes = static_cast<std::uint32_t>(littleEndian(data + 32, 4));
        entry.size = littleEndian(data + 36, 8);
        entry.crc = static_cast<std::uint32_t>(littleEndian(data + 44, 4));
        entry.offset = littleEndian(data + 48, 8);
        entry.packedSize = entry.size; // stored as is
        v2::checkEntry(entry, chapters);
        if (entry.offset < MagicSize || entry.offset > dataEnd ||
            entry.size > dataEnd - entry.offset)
            throw Damaged{"a file's data lies outside the archive's data"};
        archive.entries.push_back(std::move(entry));
    }
    if (in.remaining() != 0)
        throw IndexLost;
    v2::checkOverlaps(archive.entries);
    return archive;
}

} // namespace

Archive readIndex(ArchiveFile& file) {
    const std::string& path = file.path();
    const std::uint64_t fileSize = file.size();
    auto damaged = [&path](const Damaged& damage) {
        return JarError(ExitCrc, "the archive \"" + path + "\" is damaged: " + damage.reason);
    };
    char footer[FooterSize] = {};
    if (fileSize < MagicSize + FooterSize ||
        !file.readAt(fileSize - FooterSize, footer, FooterSize) ||
        std::memcmp(footer + 16, FooterMagic, MagicSize) != 0)
        throw damaged(IndexLost);
    const std::uint64_t indexOffset = littleEndian(footer, 8);
    const auto indexLength = static_cast<std::uint32_t>(littleEndian(footer + 8, 4));
    const auto indexCrc = static_cast<std::uint32_t>(littleEndian(footer + 12, 4));
    if (indexOffset < MagicSize || indexOffset > fileSize - FooterSize ||
        indexLength != fileSize - FooterSize - indexOffset)
        throw damaged(IndexLost);

    IndexReader index(file, indexOffset, indexLength);
    try {
        Archive archive = decodeIndex(index, indexOffset);
        if (index.crc() != indexCrc)
            throw IndexLost;
        return archive;
    } catch (const Damaged& damage) {
        throw damaged(damage);
    }
}

} // namespace brak::jar::v1
