#include "contents/RowList.h"

#include "contents/DumpFormat.h"

#include <cstring>
#include <stdexcept>

namespace brak {

namespace {

// What a text in the table costs beyond its characters: the string, the
// deque slot and the hash node, roughly.
constexpr std::size_t TextOverhead = 96;

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
        return std::string(texts_.text(record.times[static_cast<std::size_t>(column - 3)]));
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
                    cell(records_[group.record], col, static_cast<std::uint32_t>(c));
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
        chunks_.push_back(std::make_unique<char[]>(ChunkSize));
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
    records_.push_back(record);
    return static_cast<std::uint32_t>(records_.size() - 1);
}

void RowList::addGroup(std::uint32_t record, std::uint32_t first, std::uint32_t last) {
    groups_.push_back({record, first, last});
    rowCount_ += static_cast<std::uint64_t>(last) - first + 1;
}

} // namespace brak
