#include "Archive.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace brak::jar {

namespace {

constexpr size_t MagicSize = 8;
constexpr size_t FooterSize = 8 + 4 + 4 + MagicSize;
constexpr size_t BufferSize = 64 * 1024;
constexpr std::uint32_t MaxChapters = 65535;

const std::array<std::uint32_t, 256>& crcTable() {
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> result{};
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t value = i;
            for (int bit = 0; bit < 8; ++bit)
                value = (value & 1) ? (value >> 1) ^ 0xEDB88320u : value >> 1;
            result[i] = value;
        }
        return result;
    }();
    return table;
}

class Encoder {
public:
    void u32(std::uint32_t value) { put(value, 4); }
    void u64(std::uint64_t value) { put(value, 8); }
    void i64(std::int64_t value) { put(static_cast<std::uint64_t>(value), 8); }
    void bytes(std::string_view text) { data_ += text; }
    const std::string& data() const { return data_; }

private:
    void put(std::uint64_t value, int size) {
        for (int i = 0; i < size; ++i)
            data_ += static_cast<char>((value >> (8 * i)) & 0xFF);
    }
    std::string data_;
};

struct Damaged {};

class Decoder {
public:
    explicit Decoder(std::string_view data) : data_(data) {}
    std::uint32_t u32() { return static_cast<std::uint32_t>(get(4)); }
    std::uint64_t u64() { return get(8); }
    std::int64_t i64() { return static_cast<std::int64_t>(get(8)); }
    std::string bytes(size_t size) {
        if (size > data_.size() - position_)
            throw Damaged{};
        std::string result(data_.substr(position_, size));
        position_ += size;
        return result;
    }
    bool atEnd() const { return position_ == data_.size(); }

private:
    std::uint64_t get(int size) {
        if (static_cast<size_t>(size) > data_.size() - position_)
            throw Damaged{};
        std::uint64_t value = 0;
        for (int i = 0; i < size; ++i)
            value |= static_cast<std::uint64_t>(static_cast<unsigned char>(data_[position_++]))
                     << (8 * i);
        return value;
    }
    std::string_view data_;
    size_t position_ = 0;
};

bool readAt(Fd& file, std::uint64_t offset, char* buffer, size_t size) {
    if (::lseek(file.get(), static_cast<off_t>(offset), SEEK_SET) < 0)
        return false;
    return file.read(buffer, size) == static_cast<ssize_t>(size);
}

std::string encodeIndex(const Archive& archive) {
    Encoder out;
    out.u32(FormatVersion);
    out.u32(archive.versionUsed);
    out.u32(archive.flags);
    out.i64(archive.created);
    out.i64(archive.modified);
    out.u32(archive.lastChapter());
    for (const Chapter& chapter : archive.chapters) {
        out.i64(chapter.created);
        out.i64(chapter.modified);
        out.u32(chapter.flags);
    }
    out.u32(static_cast<std::uint32_t>(archive.entries.size()));
    for (const Entry& entry : archive.entries) {
        out.u32(static_cast<std::uint32_t>(entry.name.size()));
        out.bytes(entry.name);
        out.u32(entry.firstChapter);
        out.u32(entry.lastChapter);
        out.i64(entry.times.modified);
        out.i64(entry.times.created);
        out.i64(entry.times.accessed);
        out.u32(entry.attributes);
        out.u64(entry.size);
        out.u32(entry.crc);
        out.u64(entry.offset);
    }
    return out.data();
}

// Everything the index claims is checked, so that later steps can trust it:
// chapters in range, data inside the file, names that stay in their directory.
Archive decodeIndex(std::string_view data, std::uint64_t dataEnd) {
    Decoder in(data);
    Archive archive;
    if (in.u32() != FormatVersion)
        throw Damaged{};
    archive.versionUsed = in.u32();
    archive.flags = in.u32();
    archive.created = in.i64();
    archive.modified = in.i64();
    const std::uint32_t chapters = in.u32();
    if (chapters == 0 || chapters > MaxChapters)
        throw Damaged{};
    for (std::uint32_t i = 0; i < chapters; ++i) {
        Chapter chapter;
        chapter.created = in.i64();
        chapter.modified = in.i64();
        chapter.flags = in.u32();
        archive.chapters.push_back(chapter);
    }
    const std::uint32_t entries = in.u32();
    for (std::uint32_t i = 0; i < entries; ++i) {
        Entry entry;
        entry.name = in.bytes(in.u32());
        entry.firstChapter = in.u32();
        entry.lastChapter = in.u32();
        entry.times.modified = in.i64();
        entry.times.created = in.i64();
        entry.times.accessed = in.i64();
        entry.attributes = in.u32();
        entry.size = in.u64();
        entry.crc = in.u32();
        entry.offset = in.u64();
        if (!isSafeStoredName(entry.name) || entry.firstChapter < 1 ||
            entry.firstChapter > entry.lastChapter || entry.lastChapter > chapters ||
            entry.offset < MagicSize || entry.offset > dataEnd ||
            entry.size > dataEnd - entry.offset)
            throw Damaged{};
        archive.entries.push_back(std::move(entry));
    }
    if (!in.atEnd())
        throw Damaged{};
    return archive;
}

} // namespace

void Crc32::update(const char* data, size_t size) {
    const auto& table = crcTable();
    for (size_t i = 0; i < size; ++i)
        state_ = table[(state_ ^ static_cast<unsigned char>(data[i])) & 0xFF] ^ (state_ >> 8);
}

Archive readArchive(const std::string& path) {
    Fd file = openForReading(path);
    struct stat info {};
    if (!file.valid() || ::fstat(file.get(), &info) != 0)
        throw JarError(ExitCannotOpen,
                       "cannot open the archive \"" + path + "\": " + std::strerror(errno));
    if (!S_ISREG(info.st_mode))
        throw JarError(ExitCannotOpen, "\"" + path + "\" is not a file");

    const auto fileSize = static_cast<std::uint64_t>(info.st_size);
    char magic[MagicSize] = {};
    if (fileSize < MagicSize || !readAt(file, 0, magic, MagicSize) ||
        std::memcmp(magic, ArchiveMagic, MagicSize) != 0)
        throw JarError(ExitNotArchive, "\"" + path + "\" is not an archive of this archiver");

    const JarError damaged(ExitCrc, "the archive \"" + path + "\" is damaged (its index is lost)");
    char footerData[FooterSize] = {};
    if (fileSize < MagicSize + FooterSize ||
        !readAt(file, fileSize - FooterSize, footerData, FooterSize) ||
        std::memcmp(footerData + 16, FooterMagic, MagicSize) != 0)
        throw damaged;
    Decoder footer(std::string_view(footerData, FooterSize));
    const std::uint64_t indexOffset = footer.u64();
    const std::uint32_t indexLength = footer.u32();
    const std::uint32_t indexCrc = footer.u32();
    if (indexOffset < MagicSize || indexOffset > fileSize - FooterSize ||
        indexLength != fileSize - FooterSize - indexOffset)
        throw damaged;

    std::string index(indexLength, '\0');
    if (!readAt(file, indexOffset, index.data(), index.size()))
        throw damaged;
    Crc32 crc;
    crc.update(index.data(), index.size());
    if (crc.value() != indexCrc)
        throw damaged;
    try {
        return decodeIndex(index, indexOffset);
    } catch (const Damaged&) {
        throw damaged;
    }
}

bool readEntryData(Fd& archiveFile, const Entry& entry,
                   const std::function<void(const char*, size_t)>& sink) {
    if (::lseek(archiveFile.get(), static_cast<off_t>(entry.offset), SEEK_SET) < 0)
        return false;
    std::string buffer(BufferSize, '\0');
    Crc32 crc;
    std::uint64_t left = entry.size;
    while (left > 0) {
        throwIfInterrupted();
        const size_t want = static_cast<size_t>(std::min<std::uint64_t>(left, BufferSize));
        const ssize_t got = archiveFile.read(buffer.data(), want);
        if (got != static_cast<ssize_t>(want))
            return false;
        crc.update(buffer.data(), want);
        sink(buffer.data(), want);
        left -= want;
    }
    return crc.value() == entry.crc;
}

void writeArchive(const std::string& path, Archive& archive, const std::string& previous) {
    Fd old;
    if (!previous.empty()) {
        old = openForReading(previous);
        if (!old.valid())
            throw JarError(ExitCannotOpen, "cannot open the archive \"" + previous + "\"");
    }
    struct stat info {};
    const mode_t mode =
        ::stat(path.c_str(), &info) == 0 ? (info.st_mode & 07777) : defaultFileMode();

    TempFile temp(path);
    temp.write(ArchiveMagic, MagicSize);
    std::uint64_t offset = MagicSize;
    std::string buffer(BufferSize, '\0');
    for (Entry& entry : archive.entries) {
        const std::uint64_t start = offset;
        if (entry.source.empty()) {
            // Earlier data is copied as stored, CRC and all: damage stays detectable.
            const JarError unreadable(ExitFatal, "cannot read \"" + entry.name + "\" from \"" +
                                                     previous + "\"; the archive is unchanged");
            if (::lseek(old.get(), static_cast<off_t>(entry.offset), SEEK_SET) < 0)
                throw unreadable;
            std::uint64_t left = entry.size;
            while (left > 0) {
                throwIfInterrupted();
                const size_t want = static_cast<size_t>(std::min<std::uint64_t>(left, BufferSize));
                if (old.read(buffer.data(), want) != static_cast<ssize_t>(want))
                    throw unreadable;
                temp.write(buffer.data(), want);
                left -= want;
            }
        } else {
            Fd source = openForReading(entry.source);
            if (!source.valid())
                throw JarError(ExitFatal, "cannot read \"" + entry.source + "\": " +
                                              std::strerror(errno) + "; the archive is unchanged");
            Crc32 crc;
            std::uint64_t size = 0;
            for (;;) {
                throwIfInterrupted();
                const ssize_t got = source.read(buffer.data(), BufferSize);
                if (got < 0)
                    throw JarError(ExitFatal, "cannot read \"" + entry.source +
                                                  "\"; the archive is unchanged");
                crc.update(buffer.data(), static_cast<size_t>(got));
                temp.write(buffer.data(), static_cast<size_t>(got));
                size += static_cast<std::uint64_t>(got);
                if (got < static_cast<ssize_t>(BufferSize))
                    break;
            }
            entry.size = size;
            entry.crc = crc.value();
        }
        entry.offset = start;
        offset += entry.size;
    }
    const std::string index = encodeIndex(archive);
    Crc32 crc;
    crc.update(index.data(), index.size());
    Encoder footer;
    footer.u64(offset);
    footer.u32(static_cast<std::uint32_t>(index.size()));
    footer.u32(crc.value());
    footer.bytes(std::string_view(FooterMagic, MagicSize));
    temp.write(index);
    temp.write(footer.data());
    temp.commit(mode);
    for (Entry& entry : archive.entries)
        entry.source.clear();
}

} // namespace brak::jar
