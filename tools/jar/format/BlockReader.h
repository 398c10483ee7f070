#pragma once

#include "Container.h"

#include <string>
#include <vector>

namespace brak::jar::v2 {

// The blocks of an archive read back: the stream of their data, decoded a
// block at a time, the last one kept for the files that follow in it.
class BlockReader {
public:
    BlockReader(ArchiveFile& file, std::vector<Block> blocks);

    const std::vector<Block>& blocks() const { return blocks_; }
    std::uint64_t blockStart(size_t number) const { return starts_[number]; }
    // The block holding stream offset `offset` (the last one at the end).
    size_t blockAt(std::uint64_t offset) const;

    // Passes the stream's bytes [offset, offset + size) to `sink`; false
    // when a block they lie in cannot be decoded.
    bool copy(std::uint64_t offset, std::uint64_t size, const Sink& sink);
    // Block `number` decoded, its data then its table; null when it cannot be.
    // A stored payload whose checksum fails is still given out, so that each
    // file in it is judged by its own CRC and an undamaged one is not lost.
    const std::string* decode(size_t number);
    bool damaged(size_t number) const;

private:
    ArchiveFile& file_;
    std::vector<Block> blocks_;
    std::vector<std::uint64_t> starts_;
    std::vector<bool> damaged_;
    size_t cached_ = SIZE_MAX;
    bool cachedGood_ = false;
    std::string raw_;
    std::string payload_;
    std::string plain_; // a sealed payload opened
};

} // namespace brak::jar::v2
