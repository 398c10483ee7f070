#pragma once

#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace brak {

// File-name masks, as typed on the Selection tab (the file list's preview)
// and into the file grid's filter. The text holds masks separated by blanks or ";"; a name is
// selected when one of them matches it whole, ignoring case: "*" stands for any run of characters,
// "?" for one character (not one byte: names are UTF-8, and a byte that is not part of a valid
// sequence counts as a character of its own). A mask ending in ".*" also matches the name without
// the dot, as the masks of the window system do, so "*.*" matches every name and "README.*" matches
// "readme". A text without masks matches nothing.
class MaskMatcher {
public:
    explicit MaskMatcher(std::string_view masks);

    bool matches(std::string_view name) const;
    bool empty() const { return !all_ && literals_.empty() && patterns_.empty(); }

private:
    // One mask with wildcards, in folded characters, cut at its first and
    // last star: the head and the tail match a name's ends in place, one
    // character each, so most names are turned down at their first or
    // last character; only the parts between stars need a search, each
    // for its first place after the one before.
    struct Pattern {
        std::u32string text;
        std::size_t minimumLength = 0;
        bool star = false;
        std::u32string head, tail;
        std::vector<std::u32string> between;
    };
    void add(std::u32string mask);
    static bool wildMatch(const Pattern& pattern, std::u32string_view name);

    bool all_ = false;
    std::unordered_set<std::u32string> literals_;
    std::vector<Pattern> patterns_;
};

// Characters as the masks compare them: decoded from UTF-8 and folded to one
// case; a byte outside a valid sequence becomes a character of its own that
// no letter folds to.
void foldName(std::string_view name, std::u32string& out);

} // namespace brak
