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

// The length of the valid UTF-8 sequence at text[at], and its code point;
// 0 when the bytes there are not one (overlong forms and surrogates
// included).
inline std::size_t decodeUtf8(std::string_view text, std::size_t at, char32_t& codePoint) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    if (lead < 0x80) {
        codePoint = lead;
        return 1;
    }
    std::size_t length;
    char32_t minimum;
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2, minimum = 0x80, codePoint = lead & 0x1F;
    else if (lead >= 0xE0 && lead <= 0xEF)
        length = 3, minimum = 0x800, codePoint = lead & 0x0F;
    else if (lead >= 0xF0 && lead <= 0xF4)
        length = 4, minimum = 0x10000, codePoint = lead & 0x07;
    else
        return 0;
    if (at + length > text.size())
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80)
            return 0;
        codePoint = (codePoint << 6) | (byte(at + i) & 0x3F);
    }
    if (codePoint < minimum || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
        return 0;
    return length;
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
