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

} // namespace brak
