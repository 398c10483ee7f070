#include "BlockReader.h"

#include "Codec.h"
#include "Crc32.h"
#include "Protection.h"

#include <algorithm>

namespace brak::jar::v2 {

BlockReader::BlockReader(ArchiveFile& file, std::vector<Block> blocks)
    : file_(file), blocks_(std::move(blocks)), damaged_(blocks_.size(), false) {
    starts_.reserve(blocks_.size() + 1);
    std::uint64_t stream = 0;
    for (const Block& block : blocks_) {
        starts_.push_back(stream);
        stream += block.dataSize();
    }
    starts_.push_back(stream);
}

size_t BlockReader::blockAt(std::uint64_t offset) const {
    // The last block starting at or before the offset that holds data.
    const auto at = std::upper_bound(starts_.begin(), starts_.end() - 1, offset);
    size_t number = at == starts_.begin() ? 0 : static_cast<size_t>(at - starts_.begin()) - 1;
    while (number + 1 < blocks_.size() && blocks_[number].dataSize() == 0)
        ++number;
    return number;
}

bool BlockReader::damaged(size_t number) const {
    return number < damaged_.size() && damaged_[number];
}

const std::string* BlockReader::decode(size_t number) {
    if (number == cached_)
        return cachedGood_ ? &raw_ : nullptr;
    throwIfInterrupted();
    cached_ = number;
    cachedGood_ = false;
    const Block& block = blocks_[number];
    char head[BlockHeaderSize];
    BlockHeader header;
    // The header must say what the index says; sizes come from the index.
    if (!file_.readAt(block.offset, head, BlockHeaderSize) || !decodeBlockHeader(head, header) ||
        header.block.method != block.method || header.block.storedSize != block.storedSize ||
        header.block.rawSize != block.rawSize || header.block.tableSize != block.tableSize) {
        damaged_[number] = true;
        return nullptr;
    }
    const bool encrypted = (block.transforms & EncryptedTransform) != 0;
    std::string& payload = block.method == Stored && !encrypted ? raw_ : payload_;
    payload.resize(block.storedSize);
    if (!file_.readAt(block.offset + BlockHeaderSize, payload.data(), payload.size())) {
        damaged_[number] = true;
        return nullptr;
    }
    if (Crc32::of(payload.data(), payload.size()) != header.payloadCrc) {
        // Stored data is still given out, each file judged by its own CRC;
        // a compressed or sealed payload is not decoded at all.
        damaged_[number] = true;
        if (block.method != Stored || encrypted)
            return nullptr;
    }
    if (encrypted) {
        std::string& plain = block.method == Stored ? raw_ : plain_;
        if (!Protection::instance().open(payload_.data(), payload_.size(),
                                         static_cast<std::uint32_t>(number), plain) ||
            (block.method == Stored && plain.size() != block.rawSize)) {
            damaged_[number] = true;
            return nullptr;
        }
        if (block.method == Zstd)
            payload_.swap(plain_);
    }
    if (block.method == Zstd) {
        // What the frame declares is checked before room is made for it.
        if (!frameDeclares(payload_.data(), payload_.size(), block.rawSize)) {
            damaged_[number] = true;
            return nullptr;
        }
        raw_.resize(block.rawSize);
        if (!decompressFrame(payload_.data(), payload_.size(), raw_.data(), raw_.size())) {
            damaged_[number] = true;
            return nullptr;
        }
    }
    cachedGood_ = true;
    return &raw_;
}

bool BlockReader::copy(std::uint64_t offset, std::uint64_t size, const Sink& sink) {
    if (size == 0)
        return true;
    for (size_t number = blockAt(offset); size > 0 && number < blocks_.size(); ++number) {
        const std::uint32_t data = blocks_[number].dataSize();
        if (offset >= starts_[number] + data)
            continue;
        const std::string* raw = decode(number);
        if (raw == nullptr)
            return false;
        const std::uint64_t at = offset - starts_[number];
        const auto piece = static_cast<size_t>(std::min<std::uint64_t>(size, data - at));
        sink(raw->data() + at, piece);
        offset += piece;
        size -= piece;
    }
    return size == 0;
}

} // namespace brak::jar::v2
