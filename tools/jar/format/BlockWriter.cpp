#include "BlockWriter.h"

#include "Crc32.h"
#include "Protection.h"

#include <algorithm>
#include <chrono>
#include <utility>

namespace brak::jar::v2 {

namespace {

// What the compressing threads may hold together: their contexts and the
// blocks in flight.
constexpr size_t MemoryBudget = 192u << 20;

} // namespace

BlockWriter::BlockWriter(TempFile& out, std::vector<Entry>& entries, const LevelSettings& settings,
                         std::uint32_t headerFlags)
    : out_(out), entries_(entries), settings_(settings) {
    const size_t perThread =
        compressorMemory(settings) + 2 * (settings.blockData + TableLimit) + (1u << 20);
    const size_t byMemory =
        std::max<size_t>(1, (MemoryBudget - settings.blockData) / std::max<size_t>(perThread, 1));
    threads_ = static_cast<unsigned>(
        std::min<size_t>(std::max(1u, std::thread::hardware_concurrency()), byMemory));
    current_ = std::make_unique<Job>();
    const std::string header = encodeHeader(headerFlags);
    out_.write(header);
    offset_ = header.size();
}

BlockWriter::~BlockWriter() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    for (std::thread& worker : workers_)
        worker.join();
}

void BlockWriter::beginFile(size_t index) {
    fileEntry_ = index;
    fileDone_ = 0;
    pieceStart_ = 0;
    entries_[index].offset = sealed_ + current_->raw.size();
    entries_[index].packedSize = 0;
}

void BlockWriter::add(const char* data, size_t size) {
    // Room for the data and its table at once: growing by doubling would
    // take twice the block's size.
    if (size > 0 && current_->raw.capacity() < settings_.blockData)
        current_->raw.reserve(settings_.blockData + 2 * TableLimit);
    while (size > 0) {
        const size_t room = settings_.blockData - current_->raw.size();
        const size_t piece = std::min(room, size);
        current_->raw.append(data, piece);
        data += piece;
        size -= piece;
        fileDone_ += piece;
        if (current_->raw.size() == settings_.blockData) {
            current_->pieces.push_back({fileEntry_, pieceStart_,
                                        static_cast<std::uint32_t>(fileDone_ - pieceStart_),
                                        false});
            pieceStart_ = fileDone_;
            seal();
        }
    }
}

void BlockWriter::endFile() {
    // An empty file, or the end of one, is a piece of the open block.
    current_->pieces.push_back(
        {fileEntry_, pieceStart_, static_cast<std::uint32_t>(fileDone_ - pieceStart_), true});
    // The table's size so far, counted as pieces come: each piece's name,
    // comment and fixed fields.
    current_->tableEstimate +=
        entries_[fileEntry_].name.size() + entries_[fileEntry_].comment.size() + 73;
    if (current_->tableEstimate > TableLimit)
        seal();
}

void BlockWriter::seal() {
    if (current_->raw.empty() && current_->pieces.empty())
        return;
    sealed_ += current_->raw.size();
    Encoder table;
    for (const PieceRef& piece : current_->pieces) {
        Entry entry = entries_[piece.entry];
        if (!piece.final) {
            // Its size and CRC are known only once its last piece is read.
            entry.size = 0;
            entry.crc = 0;
        }
        encodePiece(table, entry, piece.fileOffset, piece.length, piece.final);
    }
    current_->tableSize = static_cast<std::uint32_t>(table.data().size());
    current_->raw += table.data();
    submit(std::exchange(current_, std::make_unique<Job>()));
}

void BlockWriter::submit(std::unique_ptr<Job> job) {
    std::unique_lock<std::mutex> lock(mutex_);
    // Blocks are written in the order they are submitted, and a copied
    // block waits for all of them: this one follows those written and those
    // waiting.
    job->sequence = static_cast<std::uint32_t>(blocks_.size() + jobs_.size());
    jobs_.push_back(std::move(job));
    if (workers_.size() < threads_)
        workers_.emplace_back([this] { work(); });
    lock.unlock();
    wake_.notify_one();
    while (true) {
        lock.lock();
        const bool full = jobs_.size() > threads_;
        const bool ready = !jobs_.empty() && jobs_.front()->done;
        lock.unlock();
        if (ready)
            writeOldest();
        else if (!full)
            break;
        else {
            throwIfInterrupted();
            lock.lock();
            finished_.wait_for(lock, std::chrono::milliseconds(50));
            lock.unlock();
        }
    }
}

void BlockWriter::work() {
    std::unique_ptr<Compressor> compressor;
    std::unique_lock<std::mutex> lock(mutex_);
    while (true) {
        wake_.wait(lock, [this] { return stopping_ || taken_ < jobs_.size(); });
        if (stopping_)
            return;
        Job& job = *jobs_[taken_++];
        lock.unlock();
        try {
            if (!compressor)
                compressor = std::make_unique<Compressor>(settings_);
            job.stored = !compressor->compress(job.raw, job.payload);
            job.rawSize = static_cast<std::uint32_t>(job.raw.size());
            if (job.stored)
                job.payload.swap(job.raw);
            std::string().swap(job.raw);
            // Sealed here, on every core, with the block's place as
            // associated data, so that blocks cannot be swapped or replayed.
            const Protection& protection = Protection::instance();
            job.encrypted = protection.active();
            if (job.encrypted)
                job.payload = protection.seal(job.payload, job.sequence);
            job.payloadCrc = Crc32::of(job.payload.data(), job.payload.size());
        } catch (...) {
            job.error = std::current_exception();
        }
        lock.lock();
        job.done = true;
        finished_.notify_all();
    }
}

void BlockWriter::writeOldest() {
    std::unique_ptr<Job> job;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        job = std::move(jobs_.front());
        jobs_.pop_front();
        --taken_;
    }
    if (job->error)
        std::rethrow_exception(job->error);
    Block block;
    block.transforms = job->encrypted ? EncryptedTransform : 0;
    block.storedSize = static_cast<std::uint32_t>(job->payload.size());
    block.rawSize = job->rawSize;
    block.tableSize = job->tableSize;
    block.method = job->stored ? Stored : Zstd;
    const std::uint32_t data = block.dataSize();
    for (const PieceRef& piece : job->pieces) {
        if (data > 0)
            entries_[piece.entry].packedSize +=
                (std::uint64_t{piece.length} * block.storedSize + data / 2) / data;
    }
    addBlock(block, job->payloadCrc);
    out_.write(job->payload);
    offset_ += job->payload.size();
}

void BlockWriter::addBlock(const Block& given, std::uint32_t payloadCrc) {
    Block block = given;
    block.offset = offset_;
    BlockHeader header{static_cast<std::uint32_t>(blocks_.size()), block, payloadCrc};
    out_.write(encodeBlockHeader(header));
    offset_ += BlockHeaderSize;
    starts_.push_back(stream_);
    stream_ += block.dataSize();
    blocks_.push_back(block);
}

void BlockWriter::drain() {
    while (true) {
        std::unique_lock<std::mutex> lock(mutex_);
        if (jobs_.empty())
            return;
        if (!jobs_.front()->done) {
            throwIfInterrupted();
            finished_.wait_for(lock, std::chrono::milliseconds(50));
            continue;
        }
        lock.unlock();
        writeOldest();
    }
}

bool BlockWriter::follows(std::uint32_t number) const {
    return current_->raw.empty() && current_->pieces.empty() && jobs_.empty() &&
           number + 1 == blocks_.size();
}

std::uint32_t BlockWriter::copyBlock(ArchiveFile& from, const Block& block) {
    seal();
    drain();
    if (Protection::instance().active() || block.transforms != 0)
        throw JarError(ExitFatal, "an encrypted block cannot be copied as it is");
    char head[BlockHeaderSize];
    BlockHeader old;
    if (!from.readAt(block.offset, head, BlockHeaderSize) || !decodeBlockHeader(head, old) ||
        old.block.storedSize != block.storedSize || old.block.rawSize != block.rawSize)
        throw JarError(ExitCrc, "a block of \"" + from.path() +
                                    "\" is damaged and cannot be copied; the archive is unchanged");
    addBlock(block, old.payloadCrc);
    sealed_ += block.dataSize();
    if (!from.copy(block.offset + BlockHeaderSize, block.storedSize,
                   [this](const char* data, size_t size) { out_.write(data, size); }))
        throw JarError(ExitCrc, "\"" + from.path() + "\" is cut short; the archive is unchanged");
    offset_ += block.storedSize;
    return static_cast<std::uint32_t>(blocks_.size() - 1);
}

const std::vector<Block>& BlockWriter::finish() {
    seal();
    drain();
    return blocks_;
}

} // namespace brak::jar::v2
