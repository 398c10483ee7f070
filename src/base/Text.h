#pragma once

#include <string>
#include <string_view>

namespace brak {

// Blanks are spaces and control characters; they go from both ends.
inline std::string_view trimBlanks(std::string_view text) {
    auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    std::size_t begin = 0, end = text.size();
    while (begin < end && blank(text[begin]))
        ++begin;
    while (end > begin && blank(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

// Letters a to z in upper case; keys and names are compared that way.
inline char upperChar(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

inline std::string upperCase(std::string_view text) {
    std::string result(text);
    for (char& c : result)
        c = upperChar(c);
    return result;
}

// Where the character that ends at byte offset `end` begins: texts are
// UTF-8, and a character is removed or stepped over whole. A byte that is
// not part of a valid sequence counts as a character of its own.
inline std::size_t characterStart(std::string_view text, std::size_t end) {
    if (end == 0 || end > text.size())
        return end == 0 ? 0 : text.size();
    std::size_t start = end - 1;
    auto continuation = [&](std::size_t i) {
        return (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80;
    };
    while (start > 0 && end - start < 4 && continuation(start))
        --start;
    const auto lead = static_cast<unsigned char>(text[start]);
    const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    return start + length == end ? start : end - 1;
}

} // namespace brak
