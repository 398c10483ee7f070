#pragma once

#include "Archive.h"
#include "Bytes.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Version 2 of the .j format: header, blocks, index and footer, encoded and
// decoded in this one place. FORMAT.md describes it byte by byte.
namespace brak::jar::v2 {

inline constexpr char Magic[] = "JARSTND2";
inline constexpr size_t HeaderSize = 16;
inline constexpr char BlockMagic[] = "JBLK";
inline constexpr size_t BlockHeaderSize = 32;
inline constexpr char FooterMagic[] = "JARINDX2";
inline constexpr size_t FooterSize = 32;

// Header flags and block transforms this program knows (encryption, see
// Protection.h); an archive using another one is refused rather than misread.
inline constexpr std::uint32_t KnownHeaderFlags = 1 | 2 | 4 | 8 | 16;
inline constexpr std::uint16_t KnownTransforms = 1;

enum Method : std::uint8_t { Stored = 0, Zstd = 1 };
enum Kind : std::uint8_t { Data = 0 };

// Limits of what is read: a block's data, its table of pieces, a comment.
inline constexpr std::uint32_t MaxBlockData = 32u << 20;
inline constexpr std::uint32_t MaxTable = 4u << 20;
inline constexpr std::uint32_t MaxComment = 1u << 20;
// A block is closed once its table grows past this, however little data it holds.
inline constexpr size_t TableLimit = 1u << 20;

// Where a block is and what it holds, as the index and its own header say.
struct Block {
    std::uint64_t offset = 0; // of its header in the archive
    std::uint32_t storedSize = 0;
    std::uint32_t rawSize = 0;   // data, then the table
    std::uint32_t tableSize = 0; // the table's share of rawSize
    std::uint8_t method = Stored;
    std::uint8_t kind = Data;
    std::uint16_t transforms = 0;
    std::uint32_t dataSize() const { return rawSize - tableSize; }
};

struct BlockHeader {
    std::uint32_t sequence = 0;
    Block block;
    std::uint32_t payloadCrc = 0;
};
std::string encodeBlockHeader(const BlockHeader& header);
// False unless it is a block header with a matching CRC and sane sizes.
bool decodeBlockHeader(const char* data, BlockHeader& header);

struct Footer {
    std::uint64_t indexOffset = 0;
    std::uint32_t storedSize = 0;
    std::uint32_t rawSize = 0;
    std::uint32_t crc = 0;
};
std::string encodeFooter(const Footer& footer);
bool decodeFooter(const char* data, Footer& footer);

class Protection;

// With a key (that of `keys`, or the one held), the header says so and carries
// the key's salt and check; `flags` adds the header flags of a hidden index
// and of a seal.
std::string encodeHeader(std::uint32_t flags, const Protection* keys);
std::string encodeHeader(std::uint32_t flags = 0);

// One file's bytes in one block, with all that is known of the file, so
// that the blocks alone can rebuild the index.
struct Piece {
    Entry entry; // offset unused
    std::uint64_t fileOffset = 0;
    std::uint32_t length = 0;
    bool final = false; // its last piece: the entry's size and CRC are set
};
void encodePiece(Encoder& out, const Entry& entry, std::uint64_t fileOffset, std::uint32_t length,
                 bool final);
// The pieces of a block's table; throws Damaged when it does not parse.
std::vector<Piece> decodeTable(const char* data, size_t size);

struct Damaged {
    const char* reason;
};

// The index: archive, chapters, blocks, entries (offsets into the stream of
// all blocks' data) and room for records later versions add.
std::string encodeIndex(const Archive& archive, const std::vector<Block>& blocks);
// Pulls the decoded index piece by piece; everything it claims is checked
// against what it holds and against `indexOffset`, where data must end.
using Pull = std::function<size_t(char*, size_t)>;
Archive decodeIndex(const Pull& pull, std::uint64_t indexOffset, std::vector<Block>& blocks);

// Checks shared by both versions.
void checkName(std::string_view name);
void checkEntry(const Entry& entry, std::uint32_t chapters);
void checkOverlaps(const std::vector<Entry>& entries);

} // namespace brak::jar::v2
