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

const std::string* BlockReader::decode(size_t number) {
    if (number == current_->number)
        return current_->good ? &current_->raw : nullptr;
    throwIfInterrupted();
    if (pending_.valid()) {
        try {
            pending_.get();
        } catch (...) {
            ahead_->number = SIZE_MAX; // decoded again below, where a failure counts
        }
    }
    if (ahead_->number == number) {
        std::swap(current_, ahead_);
    } else {
        current_->number = number;
        if (fetch(number, *current_))
            finish(blocks_[number], *current_);
    }
    if (current_->damaged)
        damaged_[number] = true;
    ahead_->number = SIZE_MAX;
    if (number + 1 < blocks_.size() && !damaged_[number + 1]) {
        ahead_->number = number + 1;
        if (fetch(number + 1, *ahead_))
            pending_ =
                std::async(std::launch::async, [&block = blocks_[number + 1], slot = ahead_.get()] {
                    finish(block, *slot);
                });
    }
    return current_->good ? &current_->raw : nullptr;
}

bool BlockReader::fetch(size_t number, Slot& slot) {
    slot.good = false;
    slot.damaged = true;
    const Block& block = blocks_[number];
    char head[BlockHeaderSize];
    BlockHeader header;
    // The header must say what the index says; sizes come from the index.
    if (!file_.readAt(block.offset, head, BlockHeaderSize) || !decodeBlockHeader(head, header) ||
        header.block.method != block.method || header.block.storedSize != block.storedSize ||
        header.block.rawSize != block.rawSize || header.block.tableSize != block.tableSize)
        return false;
    slot.payload.resize(block.storedSize);
    if (!file_.readAt(block.offset + BlockHeaderSize, slot.payload.data(), slot.payload.size()))
        return false;
    slot.damaged = Crc32::of(slot.payload.data(), slot.payload.size()) != header.payloadCrc;
    // Stored data is still given out, each file judged by its own CRC; a
    // compressed or sealed payload is not decoded at all.
    return !slot.damaged ||
           (block.method == Stored && (block.transforms & EncryptedTransform) == 0);
}

void BlockReader::finish(const Block& block, Slot& slot) {
    std::string* data = &slot.payload;
    if ((block.transforms & EncryptedTransform) != 0) {
        if (!Protection::instance().open(slot.payload.data(), slot.payload.size(),
                                         static_cast<std::uint32_t>(slot.number), slot.plain)) {
            slot.damaged = true;
            return;
        }
        data = &slot.plain;
    }
    if (block.method == Stored) {
        if (data->size() != block.rawSize) {
            slot.damaged = true;
            return;
        }
        slot.raw.swap(*data);
    } else {
        // What the frame declares is checked before room is made for it.
        if (!frameDeclares(data->data(), data->size(), block.rawSize)) {
            slot.damaged = true;
            return;
        }
        slot.raw.resize(block.rawSize);
        if (!decompressFrame(data->data(), data->size(), slot.raw.data(), slot.raw.size())) {
            slot.damaged = true;
            return;
        }
    }
    slot.good = true;
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
