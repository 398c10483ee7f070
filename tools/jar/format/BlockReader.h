#pragma once

#include "Container.h"

#include <cstdint>
#include <future>
#include <memory>
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

private:
    // One block's buffers: its payload as read, the payload opened, and
    // the data and table it decodes to.
    struct Slot {
        size_t number = SIZE_MAX;
        bool good = false;
        bool damaged = false;
        std::string payload;
        std::string plain;
        std::string raw;
    };
    // Reads block `number`'s payload into `slot` and checks it; false when
    // there is nothing to decode.
    bool fetch(size_t number, Slot& slot);
    // Opens and decompresses what fetch read: on any thread, touching only
    // `slot`.
    static void finish(const Block& block, Slot& slot);

    ArchiveFile& file_;
    std::vector<Block> blocks_;
    std::vector<std::uint64_t> starts_;
    std::vector<bool> damaged_;
    std::unique_ptr<Slot> current_ = std::make_unique<Slot>();
    std::unique_ptr<Slot> ahead_ = std::make_unique<Slot>();
    // The block after the current one, decoded meanwhile on another thread:
    // files are mostly read in the order of their blocks. Last, so that it
    // is waited for before the slots go.
    std::future<void> pending_;
};

} // namespace brak::jar::v2
