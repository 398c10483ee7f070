#pragma once

#include "base/MaskMatcher.h"
#include "contents/RowList.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brak {

// What the filter field above the file grid lets through: names that hold
// its text anywhere, ignoring case, or, when the text holds "*" or "?",
// names that its masks match as the Selection tab's masks do. An empty
// text lets everything through.
class FileFilter {
public:
    explicit FileFilter(std::string_view text);

    bool empty() const { return empty_; }
    bool matches(std::string_view name) const;
    // The records whose names pass, in the order given.
    std::vector<std::uint32_t> narrow(const RowList& list,
                                      const std::vector<std::uint32_t>& records) const;

private:
    bool contains(std::string_view name) const;

    bool empty_ = true;
    std::optional<MaskMatcher> masks_;
    // The text to look for, folded as the masks fold names, and in upper
    // case when it is plain ASCII, as most are, to search ASCII names for
    // it byte by byte.
    std::u32string folded_;
    bool foldsBeyondAscii_ = false;
    bool ascii_ = true;
    std::string upper_;
};

} // namespace brak
