#include "contents/RowList.h"

#include "contents/DumpFormat.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <stdexcept>
#include <sys/mman.h>
#include <unistd.h>

namespace brak {

namespace {

// What a text in the table costs beyond its characters: the string, the
// deque slot and the hash node, roughly.
constexpr std::size_t TextOverhead = 96;

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

int twoDigits(std::string_view text, std::size_t at) {
    return (text[at] - '0') * 10 + (text[at + 1] - '0');
}

// Where storage is about to be filled, a million rows would fault in 25,000
// pages one by one, which costs more than reading them. Rows reserved for a
// whole listing ask for large pages, so that only what is used is touched, a
// few at a time; a chunk of names is filled whole and gets its pages at once.
// Only hints: where the system has no such calls nothing happens.
std::pair<std::uintptr_t, std::uintptr_t> wholePages(const void* data, std::size_t bytes) {
    static const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    const auto at = reinterpret_cast<std::uintptr_t>(data);
    return {(at + page - 1) / page * page, (at + bytes) / page * page};
}

void preferLargePages(const void* data, std::size_t bytes) {
#ifdef MADV_HUGEPAGE
    if (const auto [begin, end] = wholePages(data, bytes); end > begin)
        ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
    (void)data;
    (void)bytes;
#endif
}

void populate(const void* data, std::size_t bytes) {
#ifdef MADV_POPULATE_WRITE
    if (const auto [begin, end] = wholePages(data, bytes); end > begin)
        ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE);
#else
    (void)data;
    (void)bytes;
#endif
}

// The storage of a large list that is given up waits here for the next one:
// the View tab is read again after every run, and fresh memory would have its
// pages faulted in and cleared once more, which on a million files costs more
// than reading them. Only a list that asks for as much room takes it back, and
// what waits is bounded.
class SpareStorage {
public:
    static constexpr std::size_t From = std::size_t{1} << 20; // bytes; less is not kept
    static constexpr std::size_t Limit = std::size_t{1} << 30;

    static SpareStorage& instance() {
        static auto* spare = new SpareStorage; // outlives every list, even static ones
        return *spare;
    }

    template <typename T> void give(std::vector<T>& storage) {
        const std::size_t bytes = storage.capacity() * sizeof(T);
        if (bytes < From)
            return;
        storage.clear();
        std::lock_guard<std::mutex> hold(lock_);
        if (bytes_ + bytes <= Limit) {
            bytes_ += bytes;
            pool<T>().push_back(std::move(storage));
        }
        std::vector<T>().swap(storage); // what was not kept goes back now
    }

    void give(std::unique_ptr<char[]>& chunk, std::size_t bytes) {
        std::lock_guard<std::mutex> hold(lock_);
        if (chunk && bytes_ + bytes <= Limit) {
            bytes_ += bytes;
            chunks_.push_back(std::move(chunk));
        }
        chunk.reset();
    }

    // Room for count elements, the elements of storage kept; false when
    // nothing waiting is large enough.
    template <typename T> bool take(std::vector<T>& storage, std::size_t count) {
        if (count * sizeof(T) < From)
            return false;
        std::vector<T> found;
        {
            std::lock_guard<std::mutex> hold(lock_);
            auto& all = pool<T>();
            auto best = all.end();
            for (auto it = all.begin(); it != all.end(); ++it)
                if (it->capacity() >= count &&
                    (best == all.end() || it->capacity() < best->capacity()))
                    best = it;
            if (best == all.end())
                return false;
            found = std::move(*best);
            all.erase(best);
            bytes_ -= found.capacity() * sizeof(T);
        }
        found.insert(found.end(), storage.begin(), storage.end());
        storage.swap(found);
        return true;
    }

    std::unique_ptr<char[]> takeChunk(std::size_t bytes) {
        std::lock_guard<std::mutex> hold(lock_);
        if (chunks_.empty())
            return nullptr;
        std::unique_ptr<char[]> chunk = std::move(chunks_.back());
        chunks_.pop_back();
        bytes_ -= bytes;
        return chunk;
    }

private:
    template <typename T> std::vector<std::vector<T>>& pool() {
        if constexpr (std::is_same_v<T, FileRecord>)
            return records_;
        else
            return groups_;
    }

    std::mutex lock_;
    std::vector<std::vector<FileRecord>> records_;
    std::vector<std::vector<RowList::Group>> groups_;
    std::vector<std::unique_ptr<char[]>> chunks_;
    std::size_t bytes_ = 0;
};

void putDigits(char* out, std::uint32_t value, int count) {
    for (int i = count - 1; i >= 0; --i) {
        out[i] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
}

} // namespace

TextTable::TextTable() {
    intern({});
}

std::uint32_t TextTable::intern(std::string_view text) {
    if (auto it = ids_.find(text); it != ids_.end())
        return it->second;
    const auto id = static_cast<std::uint32_t>(texts_.size());
    const std::string& stored = texts_.emplace_back(text);
    ids_.emplace(std::string_view(stored), id);
    bytes_ += stored.size() + TextOverhead;
    return id;
}

std::uint32_t RowList::addDate(std::string_view date) {
    if (date.size() == 10 && date[4] == '/' && date[7] == '/' && isDigit(date[0]) &&
        isDigit(date[1]) && isDigit(date[2]) && isDigit(date[3]) && isDigit(date[5]) &&
        isDigit(date[6]) && isDigit(date[8]) && isDigit(date[9])) {
        const auto year = static_cast<std::uint32_t>(twoDigits(date, 0) * 100 + twoDigits(date, 2));
        const auto value = (year * 100 + static_cast<std::uint32_t>(twoDigits(date, 5))) * 100 +
                           static_cast<std::uint32_t>(twoDigits(date, 8));
        return CodedDate | value;
    }
    return texts_.intern(date);
}

std::uint32_t RowList::addTime(std::string_view time) {
    if (time.size() == 8 && time[2] == ':' && time[5] == ':' && isDigit(time[0]) &&
        isDigit(time[1]) && isDigit(time[3]) && isDigit(time[4]) && isDigit(time[6]) &&
        isDigit(time[7])) {
        const auto value = static_cast<std::uint32_t>(
            (twoDigits(time, 0) * 100 + twoDigits(time, 3)) * 100 + twoDigits(time, 6));
        return CodedTime | value;
    }
    return texts_.intern(time);
}

std::string RowList::timeText(std::uint32_t id) const {
    if ((id & CodedTime) == CodedTime) {
        char text[8] = {0, 0, ':', 0, 0, ':', 0, 0};
        const std::uint32_t value = id & CodeMask;
        putDigits(text, value / 10000, 2);
        putDigits(text + 3, value / 100 % 100, 2);
        putDigits(text + 6, value % 100, 2);
        return std::string(text, 8);
    }
    if (id & CodedDate) {
        char text[10] = {0, 0, 0, 0, '/', 0, 0, '/', 0, 0};
        const std::uint32_t value = id & CodeMask;
        putDigits(text, value / 10000, 4);
        putDigits(text + 5, value / 100 % 100, 2);
        putDigits(text + 8, value % 100, 2);
        return std::string(text, 10);
    }
    return std::string(texts_.text(id));
}

std::string_view RowList::name(const Record& record) const {
    if (record.nameLength == 0)
        return {};
    const std::size_t chunk = record.nameOffset / ChunkSize;
    const std::size_t place = record.nameOffset % ChunkSize;
    return {chunks_[chunk].get() + place, record.nameLength};
}

std::string RowList::sizeText(const Record& record) const {
    if (record.sizeText == DecimalSize)
        return std::to_string(record.size);
    return std::string(texts_.text(record.sizeText));
}

std::string RowList::cell(const Record& record, int column, std::uint32_t chapter) const {
    switch (column) {
    case ColName:
        return std::string(name(record));
    case ColSize:
        return sizeText(record);
    case ColFlags:
        return std::string(fileAttributeLettersView(record.attributes));
    case ColModifyDate:
    case ColModifyTime:
    case ColCreateDate:
    case ColCreateTime:
    case ColAccessDate:
    case ColAccessTime:
        return timeText(record.times[static_cast<std::size_t>(column - 3)]);
    case ColChapter:
        return std::to_string(chapter);
    default:
        return {};
    }
}

std::vector<std::array<std::string, FileColumnCount>> RowList::expand() const {
    std::vector<std::array<std::string, FileColumnCount>> rows;
    for (const Group& group : groups_)
        for (std::uint64_t c = group.first; c <= group.last; ++c) {
            std::array<std::string, FileColumnCount> row;
            for (int col = 0; col < FileColumnCount; ++col)
                row[static_cast<std::size_t>(col)] =
                    cell(record(group.record), col, static_cast<std::uint32_t>(c));
            rows.push_back(std::move(row));
        }
    return rows;
}

std::pair<std::uint32_t, std::uint32_t> RowList::addName(std::string_view name) {
    if (name.size() > MaxNameLength)
        throw std::length_error("file name too long for the row list");
    if (name.empty())
        return {0, 0};
    if (ChunkSize - chunkUsed_ < name.size()) {
        // A later piece's names start at its own chunks, and stay within them.
        if (piece_ > 0) {
            if (chunks_.size() >= (piece_ + 1) * PieceChunks)
                throw std::length_error("too many names for a piece of the row list");
            chunks_.resize(std::max(chunks_.size(), piece_ * PieceChunks));
        }
        // Most listings are small: the first chunk gets its pages as names
        // come, and only a listing that fills it has the next ones at once.
        const bool growing = chunks_.size() > piece_ * PieceChunks;
        std::unique_ptr<char[]> chunk;
        if (growing)
            chunk = SpareStorage::instance().takeChunk(ChunkSize);
        if (!chunk) {
            chunk.reset(new char[ChunkSize]);
            if (growing)
                populate(chunk.get(), ChunkSize);
        }
        chunks_.push_back(std::move(chunk));
        chunkUsed_ = 0;
    }
    const std::size_t offset = (chunks_.size() - 1) * ChunkSize + chunkUsed_;
    if (offset > 0xFFFFFFFFu)
        throw std::length_error("too many names for the row list");
    std::memcpy(chunks_.back().get() + chunkUsed_, name.data(), name.size());
    chunkUsed_ += name.size();
    nameBytes_ += name.size();
    return {static_cast<std::uint32_t>(offset), static_cast<std::uint32_t>(name.size())};
}

std::uint32_t RowList::addRecord(const Record& record) {
    if (own().size() > PieceMask)
        throw std::length_error("too many records for the row list");
    own().push_back(record);
    return lastRecord();
}

void RowList::reserve(std::size_t records, std::size_t groups) {
    SpareStorage& spare = SpareStorage::instance();
    if (own().capacity() < records && !spare.take(own(), records)) {
        own().reserve(records);
        preferLargePages(own().data() + own().size(),
                         (own().capacity() - own().size()) * sizeof(Record));
    }
    if (groups_.capacity() < groups && !spare.take(groups_, groups)) {
        groups_.reserve(groups);
        preferLargePages(groups_.data() + groups_.size(),
                         (groups_.capacity() - groups_.size()) * sizeof(Group));
    }
}

std::size_t RowList::textBytesWith(const RowList& other) const {
    std::size_t bytes = textBytes() + other.nameBytes_;
    for (std::uint32_t id = 1; id < other.texts_.count(); ++id)
        if (!texts_.contains(other.texts_.text(id)))
            bytes += other.texts_.text(id).size() + TextOverhead;
    return bytes;
}

RowList::RowList(unsigned piece) : piece_(std::min(piece, MaxPieces - 1)) {}

RowList::~RowList() {
    SpareStorage& spare = SpareStorage::instance();
    for (auto& records : records_)
        spare.give(records);
    spare.give(groups_);
    // A small list's one chunk is not worth keeping.
    if (chunks_.size() > 1)
        for (auto& chunk : chunks_)
            spare.give(chunk, ChunkSize);
}

std::size_t RowList::recordCount() const {
    std::size_t count = 0;
    for (const auto& records : records_)
        count += records.size();
    return count;
}

bool RowList::canAppend(const RowList& other) const {
    return other.piece_ > piece_ && chunks_.size() <= other.piece_ * PieceChunks;
}

void RowList::append(RowList& other, Record* record) {
    // The other list's texts get this list's ids, in the order they came in
    // there: a list that read both pieces would have met them in that order.
    std::vector<std::uint32_t> ids(other.texts_.count());
    bool sameIds = true;
    for (std::uint32_t id = 1; id < ids.size(); ++id) {
        ids[id] = texts_.intern(other.texts_.text(id));
        sameIds = sameIds && ids[id] == id;
    }
    auto adopt = [&ids](Record& r) {
        if (r.sizeText != DecimalSize)
            r.sizeText = ids[r.sizeText];
        for (std::uint32_t& id : r.times)
            if (!(id & CodedDate))
                id = ids[id];
    };
    if (!sameIds) {
        for (Record& r : other.own())
            adopt(r);
        if (record)
            adopt(*record);
    }
    records_[other.piece_] = std::move(other.own());
    piece_ = other.piece_;
    groups_.insert(groups_.end(), other.groups_.begin(), other.groups_.end());
    rowCount_ += other.rowCount_;
    if (chunks_.size() < other.chunks_.size())
        chunks_.resize(other.chunks_.size());
    for (std::size_t c = other.piece_ * PieceChunks; c < other.chunks_.size(); ++c)
        chunks_[c] = std::move(other.chunks_[c]);
    if (other.chunks_.size() > other.piece_ * PieceChunks)
        chunkUsed_ = other.chunkUsed_;
    nameBytes_ += other.nameBytes_;
    other.own() = {};
    other.chunks_.clear();
    other.chunkUsed_ = ChunkSize;
    other.nameBytes_ = 0;
    std::vector<Group>().swap(other.groups_); // its memory back, not kept as spare
    other.rowCount_ = 0;
}

void RowList::addGroup(std::uint32_t record, std::uint32_t first, std::uint32_t last) {
    groups_.push_back({record, first, last});
    rowCount_ += static_cast<std::uint64_t>(last) - first + 1;
}

} // namespace brak
