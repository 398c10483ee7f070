#include "Container.h"

#include "Console.h"
#include "Crc32.h"
#include "Protection.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <sys/mman.h>
#include <unistd.h>

namespace brak::jar::v2 {

namespace {

constexpr std::uint32_t IndexVersion = 2;
constexpr std::uint32_t MaxChapters = 65535;
constexpr size_t BlockRecordSize = 8 + 4 + 4 + 4 + 1 + 1 + 2;
constexpr Damaged IndexLost{"its index is lost"};
constexpr Damaged Unknown{"it uses features this version of Jar does not know"};
// Extension record of the lock kept with the archive: u32 LockMode.
constexpr std::uint32_t LockRecord = 1;

// Takes numbers and texts from a source that is pulled as they are needed,
// so that memory follows what the source really holds.
class Decoder {
public:
    explicit Decoder(const Pull& pull) : pull_(pull) {}

    const char* take(size_t size) {
        if (buffer_.size() - position_ < size)
            refill(size);
        const char* data = buffer_.data() + position_;
        position_ += size;
        return data;
    }
    std::uint8_t u8() { return static_cast<std::uint8_t>(*take(1)); }
    std::uint16_t u16() { return static_cast<std::uint16_t>(littleEndian(take(2), 2)); }
    std::uint32_t u32() { return static_cast<std::uint32_t>(littleEndian(take(4), 4)); }
    std::uint64_t u64() { return littleEndian(take(8), 8); }
    std::int64_t i64() { return static_cast<std::int64_t>(u64()); }
    std::string text(std::uint32_t limit) {
        const std::uint32_t size = u32();
        if (size > limit)
            throw Damaged{"a name or comment is too long"};
        return std::string(take(size), size);
    }
    bool atEnd() {
        if (position_ < buffer_.size())
            return false;
        buffer_.clear();
        position_ = 0;
        return !more(1);
    }

private:
    static constexpr size_t Chunk = 256 * 1024;

    bool more(size_t want) {
        const size_t had = buffer_.size();
        buffer_.resize(had + std::max(want, Chunk));
        const size_t got = pull_(buffer_.data() + had, buffer_.size() - had);
        buffer_.resize(had + got);
        return got > 0;
    }
    void refill(size_t size) {
        buffer_.erase(0, position_);
        position_ = 0;
        while (buffer_.size() < size) {
            if (!more(size - buffer_.size()))
                throw IndexLost;
        }
    }

    const Pull& pull_;
    std::string buffer_;
    size_t position_ = 0;
};

void encodeEntry(Encoder& out, const Entry& entry) {
    out.text(entry.name);
    out.u32(entry.firstChapter);
    out.u32(entry.lastChapter);
    out.i64(entry.times.modified);
    out.i64(entry.times.created);
    out.i64(entry.times.accessed);
    out.u32(entry.attributes);
    out.u64(entry.size);
    out.u32(entry.crc);
    out.text(entry.comment);
}

void decodeEntry(Decoder& in, Entry& entry) {
    entry.name = in.text(MaxStoredName);
    entry.firstChapter = in.u32();
    entry.lastChapter = in.u32();
    entry.times.modified = in.i64();
    entry.times.created = in.i64();
    entry.times.accessed = in.i64();
    entry.attributes = in.u32();
    entry.size = in.u64();
    entry.crc = in.u32();
    entry.comment = in.text(MaxComment);
}

bool validBlock(const Block& block) {
    // A sealed payload carries its nonce and tag besides.
    const std::uint32_t extra = (block.transforms & EncryptedTransform) ? SealOverhead : 0;
    if (block.storedSize < extra || (block.transforms & ~KnownTransforms) != 0)
        return false;
    const std::uint32_t stored = block.storedSize - extra;
    return block.rawSize >= block.tableSize && block.dataSize() <= MaxBlockData &&
           block.tableSize <= MaxTable && stored <= block.rawSize && block.kind == Data &&
           (block.method == Zstd || block.method == Stored) &&
           (block.method == Zstd || stored == block.rawSize);
}

} // namespace

std::string encodeHeader(std::uint32_t flags, const Protection* keys) {
    Encoder out;
    out.bytes(std::string_view(Magic, 8));
    out.u32(IndexVersion);
    // A key is always used for a tag too: the index is then checked as well.
    if (keys != nullptr)
        flags |= (keys->active() ? EncryptedFlag : 0) | AuthenticatedFlag;
    out.u32(flags);
    if (keys == nullptr)
        return out.data();
    return out.data() + keys->headerExtension();
}

std::string encodeHeader(std::uint32_t flags) {
    const Protection& protection = Protection::instance();
    return encodeHeader(flags, protection.keyHeld() ? &protection : nullptr);
}

std::string encodeBlockHeader(const BlockHeader& header) {
    Encoder out;
    out.bytes(std::string_view(BlockMagic, 4));
    out.u32(header.sequence);
    out.u8(header.block.method);
    out.u8(header.block.kind);
    out.u16(header.block.transforms);
    out.u32(header.block.storedSize);
    out.u32(header.block.rawSize);
    out.u32(header.block.tableSize);
    out.u32(header.payloadCrc);
    out.u32(Crc32::of(out.data().data(), out.data().size()));
    return out.data();
}

bool decodeBlockHeader(const char* data, BlockHeader& header) {
    if (std::memcmp(data, BlockMagic, 4) != 0 ||
        Crc32::of(data, BlockHeaderSize - 4) != littleEndian(data + 28, 4))
        return false;
    header.sequence = static_cast<std::uint32_t>(littleEndian(data + 4, 4));
    header.block.method = static_cast<std::uint8_t>(data[8]);
    header.block.kind = static_cast<std::uint8_t>(data[9]);
    header.block.transforms = static_cast<std::uint16_t>(littleEndian(data + 10, 2));
    header.block.storedSize = static_cast<std::uint32_t>(littleEndian(data + 12, 4));
    header.block.rawSize = static_cast<std::uint32_t>(littleEndian(data + 16, 4));
    header.block.tableSize = static_cast<std::uint32_t>(littleEndian(data + 20, 4));
    header.payloadCrc = static_cast<std::uint32_t>(littleEndian(data + 24, 4));
    return validBlock(header.block);
}

std::string encodeFooter(const Footer& footer) {
    Encoder out;
    out.u64(footer.indexOffset);
    out.u32(footer.storedSize);
    out.u32(footer.rawSize);
    out.u32(footer.crc);
    out.u32(0); // reserved
    out.bytes(std::string_view(FooterMagic, 8));
    return out.data();
}

bool decodeFooter(const char* data, Footer& footer) {
    if (std::memcmp(data + 24, FooterMagic, 8) != 0)
        return false;
    footer.indexOffset = littleEndian(data, 8);
    footer.storedSize = static_cast<std::uint32_t>(littleEndian(data + 8, 4));
    footer.rawSize = static_cast<std::uint32_t>(littleEndian(data + 12, 4));
    footer.crc = static_cast<std::uint32_t>(littleEndian(data + 16, 4));
    return littleEndian(data + 20, 4) == 0;
}

void encodePiece(Encoder& out, const Entry& entry, std::uint64_t fileOffset, std::uint32_t length,
                 bool final) {
    encodeEntry(out, entry);
    out.u64(fileOffset);
    out.u32(length);
    out.u8(final ? 1 : 0);
}

std::vector<Piece> decodeTable(const char* data, size_t size) {
    size_t used = 0;
    const Pull pull = [&](char* out, size_t want) {
        const size_t n = std::min(want, size - used);
        std::memcpy(out, data + used, n);
        used += n;
        return n;
    };
    Decoder in(pull);
    std::vector<Piece> pieces;
    while (!in.atEnd()) {
        Piece piece;
        decodeEntry(in, piece.entry);
        piece.fileOffset = in.u64();
        piece.length = in.u32();
        piece.final = in.u8() != 0;
        pieces.push_back(std::move(piece));
    }
    return pieces;
}

std::string encodeIndex(const Archive& archive, const std::vector<Block>& blocks) {
    Encoder out;
    out.reserve(64 + blocks.size() * BlockRecordSize + archive.entries.size() * 120);
    out.u32(IndexVersion);
    out.u32(archive.versionUsed);
    out.u32(archive.flags);
    out.i64(archive.created);
    out.i64(archive.modified);
    out.text(archive.comment);
    out.u32(archive.lastChapter());
    for (const Chapter& chapter : archive.chapters) {
        out.i64(chapter.created);
        out.i64(chapter.modified);
        out.u32(chapter.flags);
        out.text(chapter.comment);
    }
    out.u32(static_cast<std::uint32_t>(blocks.size()));
    for (const Block& block : blocks) {
        out.u64(block.offset);
        out.u32(block.storedSize);
        out.u32(block.rawSize);
        out.u32(block.tableSize);
        out.u8(block.method);
        out.u8(block.kind);
        out.u16(block.transforms);
    }
    out.u32(static_cast<std::uint32_t>(archive.entries.size()));
    for (const Entry& entry : archive.entries) {
        encodeEntry(out, entry);
        out.u64(entry.offset);
        out.u64(entry.packedSize);
    }
    if (archive.lock == LockMode::None) {
        out.u32(0); // extension records
    } else {
        out.u32(1);
        out.u32(LockRecord);
        out.u32(4);
        out.u32(static_cast<std::uint32_t>(archive.lock));
    }
    return std::move(out.data());
}

void checkName(std::string_view name) {
    if (name.empty())
        throw Damaged{"a stored name is empty"};
    if (hasControlCharacter(name))
        throw Damaged{"a stored name holds a control character"};
    if (!isSafeStoredName(name))
        throw Damaged{"a stored name would leave the directory it is extracted to"};
}

void checkEntry(const Entry& entry, std::uint32_t chapters) {
    checkName(entry.name);
    if (entry.firstChapter < 1 || entry.firstChapter > entry.lastChapter ||
        entry.lastChapter > chapters)
        throw Damaged{"a file belongs to chapters the archive does not have"};
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

namespace {

// A million files take a few hundred megabytes of records: asked for as large
// pages, they fault in a few hundred times instead of forty thousand, which
// takes a third off listing them. Only a hint; small arrays are left alone.
void preferLargePages(const void* data, std::size_t bytes) {
#ifdef MADV_HUGEPAGE
    if (bytes < (std::size_t{8} << 20))
        return;
    static const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    const auto at = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t begin = (at + page - 1) / page * page;
    const std::uintptr_t end = (at + bytes) / page * page;
    if (end > begin)
        ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
    (void)data;
    (void)bytes;
#endif
}

} // namespace

Archive decodeIndex(const Pull& pull, std::uint64_t indexOffset, std::vector<Block>& blocks) {
    Decoder in(pull);
    Archive archive;
    if (in.u32() != IndexVersion)
        throw Unknown;
    archive.versionUsed = in.u32();
    archive.flags = in.u32();
    archive.created = in.i64();
    archive.modified = in.i64();
    archive.comment = in.text(MaxComment);
    const std::uint32_t chapters = in.u32();
    if (chapters == 0 || chapters > MaxChapters)
        throw IndexLost;
    // Room is made as records really come, not for all that are claimed.
    for (std::uint32_t i = 0; i < chapters; ++i) {
        Chapter chapter;
        chapter.created = in.i64();
        chapter.modified = in.i64();
        chapter.flags = in.u32();
        chapter.comment = in.text(MaxComment);
        archive.chapters.push_back(std::move(chapter));
    }
    const std::uint32_t blockCount = in.u32();
    blocks.clear();
    std::uint64_t end = HeaderSize;
    std::uint64_t stream = 0;
    for (std::uint32_t i = 0; i < blockCount; ++i) {
        Block block;
        block.offset = in.u64();
        block.storedSize = in.u32();
        block.rawSize = in.u32();
        block.tableSize = in.u32();
        block.method = in.u8();
        block.kind = in.u8();
        block.transforms = in.u16();
        if (block.transforms & ~KnownTransforms)
            throw Unknown;
        if (!validBlock(block))
            throw Damaged{"a block's sizes are impossible"};
        // In order, one after the other, before the index.
        if (block.offset < end || block.offset > indexOffset ||
            indexOffset - block.offset < BlockHeaderSize + std::uint64_t{block.storedSize})
            throw Damaged{"a block lies outside the archive's data"};
        end = block.offset + BlockHeaderSize + block.storedSize;
        stream += block.dataSize();
        blocks.push_back(block);
    }
    const std::uint32_t entries = in.u32();
    // Room for a large archive's files at once rather than by doubling; a
    // damaged count asks for no more than this.
    archive.entries.reserve(std::min<std::uint32_t>(entries, 1u << 21));
    preferLargePages(archive.entries.data(), archive.entries.capacity() * sizeof(Entry));
    for (std::uint32_t i = 0; i < entries; ++i) {
        Entry entry;
        decodeEntry(in, entry);
        entry.offset = in.u64();
        entry.packedSize = in.u64();
        checkEntry(entry, chapters);
        if (entry.offset > stream || entry.size > stream - entry.offset)
            throw Damaged{"a file's data lies outside the archive's blocks"};
        archive.entries.push_back(std::move(entry));
    }
    // Records of later versions are skipped by their length.
    for (std::uint32_t records = in.u32(); records > 0; --records) {
        const std::uint32_t tag = in.u32();
        const std::uint32_t length = in.u32();
        if (tag == LockRecord && length == 4) {
            const std::uint32_t lock = in.u32();
            if (lock > static_cast<std::uint32_t>(LockMode::Auto))
                throw Unknown;
            archive.lock = static_cast<LockMode>(lock);
            continue;
        }
        for (std::uint32_t left = length; left > 0;) {
            const std::uint32_t step = std::min<std::uint32_t>(left, 65536);
            in.take(step);
            left -= step;
        }
    }
    if (!in.atEnd())
        throw IndexLost;
    checkOverlaps(archive.entries);
    return archive;
}

} // namespace brak::jar::v2
