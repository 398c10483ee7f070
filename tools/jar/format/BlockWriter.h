#pragma once

#include "Codec.h"
#include "Container.h"

#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace brak::jar::v2 {

// Gathers file data into solid blocks and writes them in order after the
// archive's header, each compressed on a thread of its own: as many threads
// as there are cores and as the memory budget allows. The threads are
// joined whatever happens, an exception or Ctrl-C included.
class BlockWriter {
public:
    // `headerFlags`: those of a hidden index and a seal (the key's come with it).
    BlockWriter(TempFile& out, std::vector<Entry>& entries, const LevelSettings& settings,
                std::uint32_t headerFlags = 0);
    ~BlockWriter();
    BlockWriter(const BlockWriter&) = delete;
    BlockWriter& operator=(const BlockWriter&) = delete;

    // A file's data, between begin and end; `entries[index]` carries its
    // final size and CRC by the time end is called.
    void beginFile(size_t index);
    void add(const char* data, size_t size);
    void endFile();

    // Copies a block of an earlier archive as it is, after what is pending;
    // returns its number in this archive.
    std::uint32_t copyBlock(ArchiveFile& from, const Block& block);
    // Whether the next block copied would follow block `number` directly.
    bool follows(std::uint32_t number) const;
    // Where block `number` starts in the stream of all blocks' data.
    std::uint64_t blockStart(std::uint32_t number) const { return starts_[number]; }

    // Seals the last block and writes all; the blocks written, in order.
    const std::vector<Block>& finish();
    std::uint64_t offset() const { return offset_; }

private:
    struct PieceRef {
        size_t entry;
        std::uint64_t fileOffset;
        std::uint32_t length;
        bool final;
    };
    struct Job {
        std::string raw;
        std::string payload;        // once done: the bytes to write, sealed when keyed
        std::uint32_t sequence = 0; // the block's place in the archive
        std::uint32_t rawSize = 0;
        std::uint32_t payloadCrc = 0;
        bool encrypted = false;
        std::uint32_t tableSize = 0;
        size_t tableEstimate = 0;
        std::vector<PieceRef> pieces;
        bool stored = false;
        bool done = false;
        std::exception_ptr error;
    };

    void seal();
    void submit(std::unique_ptr<Job> job);
    void writeOldest();
    void drain();
    void work();
    void addBlock(const Block& block, std::uint32_t payloadCrc);

    TempFile& out_;
    std::vector<Entry>& entries_;
    LevelSettings settings_;
    unsigned threads_ = 1;
    std::unique_ptr<Job> current_;
    size_t fileEntry_ = 0;
    std::uint64_t fileDone_ = 0;
    std::uint64_t pieceStart_ = 0; // file offset where the current block's piece began

    std::vector<Block> blocks_;
    std::vector<std::uint64_t> starts_;
    std::uint64_t stream_ = 0; // data bytes in blocks written so far
    std::uint64_t sealed_ = 0; // and in blocks sealed or copied, written or not
    std::uint64_t offset_ = HeaderSize;

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable finished_;
    std::deque<std::unique_ptr<Job>> jobs_; // in order; the first ones may be taken
    size_t taken_ = 0;                      // jobs handed to a thread
    bool stopping_ = false;
    std::vector<std::thread> workers_;
};

} // namespace brak::jar::v2
