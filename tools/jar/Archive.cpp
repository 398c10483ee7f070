#include "Archive.h"

#include "Console.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace brak::jar {

namespace {

constexpr size_t MagicSize = 8;
constexpr size_t FooterSize = 8 + 4 + 4 + MagicSize;
constexpr size_t HeaderSize = 4 + 4 + 4 + 8 + 8 + 4;
constexpr size_t ChapterSize = 8 + 8 + 4;
constexpr size_t EntryFixedSize = 4 + 4 + 8 + 8 + 8 + 4 + 8 + 4 + 8; // after the name
constexpr size_t BufferSize = 256 * 1024;
constexpr size_t WindowSize = 1024 * 1024;
constexpr std::uint32_t MaxChapters = 65535;

using CrcTables = std::array<std::array<std::uint32_t, 256>, 8>;

// Eight tables, so that the CRC takes eight bytes a step.
const CrcTables& crcTables() {
    static const CrcTables tables = [] {
        CrcTables result{};
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t value = i;
            for (int bit = 0; bit < 8; ++bit)
                value = (value & 1) ? (value >> 1) ^ 0xEDB88320u : value >> 1;
            result[0][i] = value;
        }
        for (size_t k = 1; k < result.size(); ++k) {
            for (std::uint32_t i = 0; i < 256; ++i)
                result[k][i] = (result[k - 1][i] >> 8) ^ result[0][result[k - 1][i] & 0xFF];
        }
        return result;
    }();
    return tables;
}

std::uint64_t littleEndian(const char* data, int size) {
    std::uint64_t value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(data[i]);
    return value;
}

class Encoder {
public:
    void u32(std::uint32_t value) { put(value, 4); }
    void u64(std::uint64_t value) { put(value, 8); }
    void i64(std::int64_t value) { put(static_cast<std::uint64_t>(value), 8); }
    void bytes(std::string_view text) { data_ += text; }
    const std::string& data() const { return data_; }
    void reserve(size_t size) { data_.reserve(size); }

private:
    void put(std::uint64_t value, int size) {
        char bytes[8];
        for (int i = 0; i < size; ++i)
            bytes[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
        data_.append(bytes, static_cast<size_t>(size));
    }
    std::string data_;
};

struct Damaged {
    const char* reason;
};
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

std::string encodeIndex(const Archive& archive) {
    Encoder out;
    out.reserve(HeaderSize + archive.chapters.size() * ChapterSize +
                archive.entries.size() * (EntryFixedSize + 4 + 48));
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

void checkName(std::string_view name) {
    if (hasControlCharacter(name))
        throw Damaged{"a stored name holds a control character"};
    if (!isSafeStoredName(name))
        throw Damaged{"a stored name would leave the directory it is extracted to"};
}

// No two files may share stored bytes: one stored copy must not become
// many when extracted.
void checkOverlaps(const std::vector<Entry>& entries) {
    std::vector<std::pair<std::uint64_t, std::uint64_t>> ranges;
    ranges.reserve(entries.size());
    for (const Entry& entry : entries) {
        if (entry.size > 0)
            ranges.emplace_back(entry.offset, entry.offset + entry.size);
    }
    // Archives this program writes are in order already.
    if (!std::is_sorted(ranges.begin(), ranges.end()))
        std::sort(ranges.begin(), ranges.end());
    for (size_t i = 1; i < ranges.size(); ++i) {
        if (ranges[i].first < ranges[i - 1].second)
            throw Damaged{"the data of two files overlap"};
    }
}

// Everything the index claims is checked, so that later steps can trust it:
// counts within what the index holds, chapters in range, data inside the
// file and shared by no two files, names that stay in their directory.
Archive decodeIndex(IndexReader& in, std::uint64_t dataEnd) {
    Archive archive;
    if (in.remaining() < HeaderSize)
        throw IndexLost;
    const char* header = in.take(HeaderSize);
    if (littleEndian(header, 4) != FormatVersion)
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
        archive.chapters.push_back({static_cast<std::int64_t>(littleEndian(data, 8)),
                                    static_cast<std::int64_t>(littleEndian(data + 8, 8)),
                                    static_cast<std::uint32_t>(littleEndian(data + 16, 4))});
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
        checkName(entry.name);
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
        if (entry.firstChapter < 1 || entry.firstChapter > entry.lastChapter ||
            entry.lastChapter > chapters)
            throw Damaged{"a file belongs to chapters the archive does not have"};
        if (entry.offset < MagicSize || entry.offset > dataEnd ||
            entry.size > dataEnd - entry.offset)
            throw Damaged{"a file's data lies outside the archive's data"};
        archive.entries.push_back(std::move(entry));
    }
    if (in.remaining() != 0)
        throw IndexLost;
    checkOverlaps(archive.entries);
    return archive;
}

std::string withSeparators(std::uint64_t number) {
    std::string digits = std::to_string(number);
    for (size_t at = digits.size(); at > 3; at -= 3)
        digits.insert(at - 3, ",");
    return digits;
}

} // namespace

void Crc32::update(const char* data, size_t size) {
    const CrcTables& t = crcTables();
    const auto* p = reinterpret_cast<const unsigned char*>(data);
    std::uint32_t crc = state_;
    for (; size >= 8; size -= 8, p += 8) {
        const std::uint32_t low =
            crc ^ static_cast<std::uint32_t>(littleEndian(reinterpret_cast<const char*>(p), 4));
        crc = t[7][low & 0xFF] ^ t[6][(low >> 8) & 0xFF] ^ t[5][(low >> 16) & 0xFF] ^
              t[4][low >> 24] ^ t[3][p[4]] ^ t[2][p[5]] ^ t[1][p[6]] ^ t[0][p[7]];
    }
    for (; size > 0; --size, ++p)
        crc = t[0][(crc ^ *p) & 0xFF] ^ (crc >> 8);
    state_ = crc;
}

ArchiveFile::ArchiveFile(const std::string& path) : path_(path) {
    std::string problem;
    fd_ = openRegularFile(path, problem);
    struct stat info {};
    if (!fd_.valid() || ::fstat(fd_.get(), &info) != 0)
        throw JarError(ExitCannotOpen, "cannot open the archive \"" + path + "\": " +
                                           (problem.empty() ? std::strerror(errno) : problem));
    size_ = static_cast<std::uint64_t>(info.st_size);
}

bool ArchiveFile::readAt(std::uint64_t offset, char* buffer, size_t size) {
    size_t done = 0;
    while (done < size) {
        const ssize_t got =
            ::pread(fd_.get(), buffer + done, size - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) {
            throwIfInterrupted();
            continue;
        }
        if (got <= 0)
            return false;
        done += static_cast<size_t>(got);
    }
    return true;
}

bool ArchiveFile::copy(std::uint64_t offset, std::uint64_t size, const Sink& sink) {
    while (size > 0) {
        if (offset < windowStart_ || offset - windowStart_ >= windowLength_) {
            throwIfInterrupted();
            if (offset >= size_)
                return false;
            windowLength_ =
                static_cast<size_t>(std::min<std::uint64_t>(WindowSize, size_ - offset));
            window_.resize(std::max(window_.size(), windowLength_));
            windowStart_ = offset;
            if (!readAt(offset, window_.data(), windowLength_)) {
                windowLength_ = 0;
                return false;
            }
        }
        const auto at = static_cast<size_t>(offset - windowStart_);
        const auto piece = static_cast<size_t>(std::min<std::uint64_t>(size, windowLength_ - at));
        sink(window_.data() + at, piece);
        offset += piece;
        size -= piece;
    }
    return true;
}

Archive readArchive(ArchiveFile& file) {
    const std::string& path = file.path();
    const std::uint64_t fileSize = file.size();
    char magic[MagicSize] = {};
    if (fileSize < MagicSize || !file.readAt(0, magic, MagicSize) ||
        std::memcmp(magic, ArchiveMagic, MagicSize) != 0)
        throw JarError(ExitNotArchive, "\"" + path + "\" is not an archive of this archiver");

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

bool readEntryData(ArchiveFile& file, const Entry& entry, const Sink& sink) {
    Crc32 crc;
    const bool complete = file.copy(entry.offset, entry.size, [&](const char* data, size_t size) {
        crc.update(data, size);
        sink(data, size);
    });
    return complete && crc.value() == entry.crc;
}

Archive recoverArchive(ArchiveFile& file, Outcome&) {
    throw JarError(ExitBadParameters,
                   "\"" + file.path() + "\": rebuilding an index is not possible yet");
}

void writeArchive(const std::string& path, Archive& archive, ArchiveFile* previous,
                  const WriteSettings&) {
    struct stat info {};
    const mode_t mode =
        ::stat(path.c_str(), &info) == 0 ? (info.st_mode & 07777) : defaultFileMode();

    Console& console = Console::instance();
    const std::string count = withSeparators(archive.entries.size());
    size_t number = 0;
    TempFile temp(path);
    temp.write(ArchiveMagic, MagicSize);
    std::uint64_t offset = MagicSize;
    std::string buffer;
    for (Entry& entry : archive.entries) {
        ++number;
        std::uint64_t done = 0;
        auto store = [&](const char* data, size_t size) {
            temp.write(data, size);
            done += size;
            if (console.statusDue())
                console.status("Storing file " + withSeparators(number) + " of " + count + ": " +
                               entry.name + " " +
                               std::to_string(entry.size > 0 ? std::min<std::uint64_t>(
                                                                   done * 100 / entry.size, 100)
                                                             : 100) +
                               "%");
        };
        const std::uint64_t start = offset;
        if (entry.source.empty()) {
            // Earlier data is copied as stored, CRC and all: damage stays detectable.
            if (previous == nullptr || !previous->copy(entry.offset, entry.size, store))
                throw JarError(ExitFatal, "cannot read \"" + entry.name + "\" from \"" +
                                              (previous ? previous->path() : path) +
                                              "\"; the archive is unchanged");
        } else {
            std::string problem;
            Fd source = openRegularFile(entry.source, problem);
            if (!source.valid())
                throw JarError(ExitFatal, "cannot read \"" + entry.source + "\": " + problem +
                                              "; the archive is unchanged");
            buffer.resize(BufferSize);
            Crc32 crc;
            for (;;) {
                throwIfInterrupted();
                const ssize_t got = source.read(buffer.data(), BufferSize);
                if (got < 0)
                    throw JarError(ExitFatal, "cannot read \"" + entry.source +
                                                  "\"; the archive is unchanged");
                crc.update(buffer.data(), static_cast<size_t>(got));
                store(buffer.data(), static_cast<size_t>(got));
                if (got < static_cast<ssize_t>(BufferSize))
                    break;
            }
            entry.size = done;
            entry.crc = crc.value();
        }
        entry.offset = start;
        offset += entry.size;
    }
    const std::string index = encodeIndex(archive);
    if (index.size() > std::numeric_limits<std::uint32_t>::max())
        throw JarError(ExitFatal, "too many files for one archive; the archive is unchanged");
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
    console.endStatus("Stored " + count + " file(s)");
    for (Entry& entry : archive.entries)
        entry.source.clear();
}

} // namespace brak::jar
