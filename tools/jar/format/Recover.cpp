// rh: the index of a version 2 archive rebuilt from its blocks alone. Each
// block header is found by its magic and its own CRC, each payload is
// checked by its checksum, and each block's table names the pieces of files
// it holds, with all that the index keeps of them. What the index alone
// held is lost: the archive's and chapters' comments and times.
#include "Archive.h"
#include "BlockReader.h"
#include "Codec.h"
#include "Console.h"
#include "Container.h"
#include "Crc32.h"

#include <algorithm>
#include <cstring>
#include <ctime>
#include <map>

namespace brak::jar {

namespace {

constexpr size_t ScanWindow = 4u << 20;

struct Found {
    v2::Block block;
    std::vector<v2::Piece> pieces;
};

// The block whose header starts at `offset`, checked whole; false for a
// false match, a damaged payload or a table that does not parse.
bool readBlock(ArchiveFile& file, std::uint64_t offset, Found& found) {
    char head[v2::BlockHeaderSize];
    v2::BlockHeader header;
    if (!file.readAt(offset, head, sizeof head) || !v2::decodeBlockHeader(head, header) ||
        file.size() - offset - v2::BlockHeaderSize < header.block.storedSize)
        return false;
    std::string payload(header.block.storedSize, '\0');
    if (!file.readAt(offset + v2::BlockHeaderSize, payload.data(), payload.size()) ||
        Crc32::of(payload.data(), payload.size()) != header.payloadCrc)
        return false;
    std::string raw;
    if (header.block.method == v2::Zstd) {
        raw.resize(header.block.rawSize);
        if (!decompressFrame(payload.data(), payload.size(), raw.data(), raw.size()))
            return false;
    } else {
        raw = std::move(payload);
    }
    try {
        found.pieces =
            v2::decodeTable(raw.data() + header.block.dataSize(), header.block.tableSize);
        std::uint64_t length = 0;
        for (const v2::Piece& piece : found.pieces) {
            v2::checkEntry(piece.entry, 65535);
            length += piece.length;
        }
        if (length != header.block.dataSize())
            return false;
    } catch (const v2::Damaged&) {
        return false;
    }
    found.block = header.block;
    found.block.offset = offset;
    return true;
}

} // namespace

Archive recoverArchive(ArchiveFile& file, Outcome& outcome) {
    char magic[8] = {};
    if (file.readAt(0, magic, sizeof magic) && std::memcmp(magic, ArchiveMagic, 8) == 0)
        throw JarError(ExitFatal, "\"" + file.path() +
                                      "\" is a version 1 archive: it holds nothing an index "
                                      "could be rebuilt from");
    Console& console = Console::instance();
    std::vector<v2::Block> blocks;
    Archive archive;
    size_t skipped = 0;
    // The file of each name being put together from its pieces, by where
    // its next piece must start in the stream of the blocks found.
    struct Open {
        size_t entry;
        std::uint64_t next;      // file offset
        std::uint64_t streamEnd; // where its bytes end so far
    };
    std::map<std::pair<std::string, std::uint32_t>, Open> open;
    std::vector<bool> complete;
    std::uint64_t stream = 0;
    std::string window;
    for (std::uint64_t offset = v2::HeaderSize; offset + v2::BlockHeaderSize <= file.size();) {
        throwIfInterrupted();
        const size_t length =
            static_cast<size_t>(std::min<std::uint64_t>(ScanWindow, file.size() - offset));
        window.resize(length);
        if (!file.readAt(offset, window.data(), length))
            break;
        const void* hit = ::memmem(window.data(), length, v2::BlockMagic, 4);
        if (hit == nullptr) {
            offset += length - 3;
            continue;
        }
        const std::uint64_t at =
            offset + static_cast<std::uint64_t>(static_cast<const char*>(hit) - window.data());
        Found found;
        if (!readBlock(file, at, found)) {
            // A false match inside data, or a damaged block: looked past.
            char head[v2::BlockHeaderSize];
            v2::BlockHeader header;
            if (file.readAt(at, head, sizeof head) && v2::decodeBlockHeader(head, header))
                ++skipped;
            offset = at + 1;
            continue;
        }
        for (v2::Piece& piece : found.pieces) {
            const auto key = std::make_pair(piece.entry.name, piece.entry.firstChapter);
            auto it = open.find(key);
            if (piece.fileOffset == 0) {
                if (it != open.end())
                    open.erase(it);
                piece.entry.offset = stream;
                archive.entries.push_back(piece.entry);
                complete.push_back(false);
                it = open.emplace(key, Open{archive.entries.size() - 1, 0, stream}).first;
            } else if (it == open.end() || it->second.next != piece.fileOffset ||
                       it->second.streamEnd != stream) {
                if (piece.final) {
                    console.error()
                        << "Lost \"" << piece.entry.name << "\": part of its data is missing";
                    outcome.raise(ExitCrc);
                }
                stream += piece.length;
                continue; // its beginning was lost
            }
            it->second.next += piece.length;
            it->second.streamEnd = stream + piece.length;
            stream += piece.length;
            if (piece.final) {
                Entry& entry = archive.entries[it->second.entry];
                entry.size = piece.entry.size;
                entry.crc = piece.entry.crc;
                complete[it->second.entry] = entry.size == it->second.next;
                open.erase(it);
            }
        }
        blocks.push_back(found.block);
        offset = at + v2::BlockHeaderSize + found.block.storedSize;
    }
    if (blocks.empty())
        throw JarError(ExitNotArchive,
                       "no block of an archive was found in \"" + file.path() + "\"");

    // An empty file is stored again whenever its block is not copied, so an
    // older block may still name it: the one found last is kept.
    std::map<std::pair<std::string, std::uint32_t>, size_t> last;
    for (size_t i = 0; i < archive.entries.size(); ++i) {
        if (complete[i])
            last[{archive.entries[i].name, archive.entries[i].firstChapter}] = i;
    }
    std::vector<Entry> kept;
    std::uint32_t chapters = 1;
    for (size_t i = 0; i < archive.entries.size(); ++i) {
        Entry& entry = archive.entries[i];
        if (complete[i] && last[{entry.name, entry.firstChapter}] != i)
            continue;
        if (!complete[i]) {
            console.error() << "Lost \"" << entry.name << "\": part of its data is missing";
            outcome.raise(ExitCrc);
            continue;
        }
        entry.packedSize = entry.size;
        chapters = std::max(chapters, entry.lastChapter);
        kept.push_back(std::move(entry));
    }
    if (skipped > 0) {
        console.error() << skipped << " damaged block(s) left out";
        outcome.raise(ExitCrc);
    }
    archive.entries = std::move(kept);
    archive.created = archive.modified = static_cast<std::int64_t>(std::time(nullptr));
    for (std::uint32_t i = 0; i < chapters; ++i)
        archive.chapters.push_back({archive.created, archive.created, 0, {}});
    v2::checkOverlaps(archive.entries);
    file.setFormat(2, std::make_unique<v2::BlockReader>(file, std::move(blocks)));
    return archive;
}

} // namespace brak::jar
