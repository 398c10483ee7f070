#include "contents/FileFilter.h"

#include <algorithm>
#include <array>

namespace brak {

namespace {

constexpr std::array<unsigned char, 256> UpperTable = [] {
    std::array<unsigned char, 256> table{};
    for (int c = 0; c < 256; ++c)
        table[static_cast<std::size_t>(c)] =
            static_cast<unsigned char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    return table;
}();

bool isAscii(std::string_view text) {
    unsigned char any = 0;
    for (char c : text)
        any |= static_cast<unsigned char>(c);
    return any < 0x80;
}

} // namespace

FileFilter::FileFilter(std::string_view text) : empty_(text.empty()) {
    if (empty_)
        return;
    if (text.find_first_of("*?") != std::string_view::npos) {
        masks_.emplace(text);
        return;
    }
    ascii_ = isAscii(text);
    if (ascii_)
        for (char c : text)
            upper_ += static_cast<char>(UpperTable[static_cast<unsigned char>(c)]);
    foldName(text, folded_);
    foldsBeyondAscii_ =
        std::any_of(folded_.begin(), folded_.end(), [](char32_t c) { return c >= 0x80; });
}

bool FileFilter::matches(std::string_view name) const {
    if (empty_)
        return true;
    return masks_ ? masks_->matches(name) : contains(name);
}

bool FileFilter::contains(std::string_view name) const {
    if (ascii_) {
        // Byte by byte while the name is ASCII; a name with other
        // characters is folded whole, since some of them fold to ASCII
        // letters (the Kelvin sign to K).
        const std::size_t n = upper_.size();
        const auto first = static_cast<unsigned char>(upper_[0]);
        const auto* at = reinterpret_cast<const unsigned char*>(name.data());
        bool plain = true;
        for (std::size_t i = 0; i < name.size(); ++i) {
            plain = plain && at[i] < 0x80;
            if (UpperTable[at[i]] != first || i + n > name.size())
                continue;
            std::size_t k = 1;
            while (k < n && UpperTable[at[i + k]] == static_cast<unsigned char>(upper_[k]))
                ++k;
            if (k == n)
                return true;
        }
        if (plain)
            return false;
    } else if (foldsBeyondAscii_ && isAscii(name)) {
        return false; // an ASCII name folds to ASCII only
    }
    thread_local std::u32string folded;
    foldName(name, folded);
    return folded.find(folded_) != std::u32string::npos;
}

std::vector<std::uint32_t> FileFilter::narrow(const RowList& list,
                                              const std::vector<std::uint32_t>& records) const {
    if (empty_)
        return records;
    std::vector<std::uint32_t> passed;
    for (std::uint32_t record : records)
        if (matches(list.name(list.record(record))))
            passed.push_back(record);
    return passed;
}

} // namespace brak
