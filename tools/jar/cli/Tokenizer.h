#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace brak::jar {

// One piece of the command line, remembering which of its characters stood
// between double quotes: a quoted "-name" is a name, never a switch.
struct Token {
    std::string text;
    std::vector<bool> quoted; // one per character of text
    bool emptyQuotes = false; // "" alone: an empty name

    Token() = default;
    explicit Token(std::string plain) : text(std::move(plain)), quoted(text.size(), false) {}

    // The first character was typed outside quotes and is `c`.
    bool startsWith(char c) const { return !text.empty() && text[0] == c && !quoted[0]; }
    bool isSwitch() const { return startsWith('-') && text.size() >= 2; }
    bool isListReference() const { return startsWith('!'); }
    // Whether any character from `from` on was quoted.
    bool quotedFrom(size_t from) const;
};

// Splits a command line as a Windows program does: blanks separate, double
// quotes group and are removed. Backslashes are ordinary characters, so a
// quoted directory ending in one stays whole.
std::vector<Token> tokenize(std::string_view line);

} // namespace brak::jar
