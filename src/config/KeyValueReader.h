#pragma once

#include "base/Error.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace brak {

// What a key/value file may hold before Brak stops reading it. Brak's own
// files are a few kilobytes, their longest lines switch sets with a few
// quoted paths; the limits keep a damaged or hostile file from exhausting
// memory or holding the window up.
struct KeyValueLimits {
    std::size_t maxLineLength = std::size_t{64} << 10;
    std::uint64_t maxBytes = std::uint64_t{1} << 20;
};

// A line that stops the reading: too long, past the size limit, or holding
// a value its reader cannot use. Everything before that line stays applied.
class KeyValueError : public Error {
public:
    KeyValueError(std::uint64_t line, const std::string& message);
    // The line's number, counted from 1.
    std::uint64_t line() const { return line_; }

private:
    std::uint64_t line_;
};

// One line that holds a "=". The views point into the reader and are valid
// only during the handler's call.
struct KeyValueLine {
    std::uint64_t number = 0;    // counted from 1, every line counts
    std::string_view text;       // as read, without its line end
    std::string_view key;        // upper case: the text before the first "=", not trimmed
    std::string_view value;      // upper case: the text after it, blanks trimmed
    std::string_view exactValue; // the same as read, its case kept

    // Keys are found by containment anywhere in the key.
    bool keyHas(std::string_view word) const { return key.find(word) != std::string_view::npos; }
    // A boolean value is true when it holds "YES" anywhere.
    bool yes() const { return value.find("YES") != std::string_view::npos; }
};

// Reads a file of key=value lines, as Brak's own files and Jar's
// configuration are written. It is fed the file's text in pieces of any
// size or whole lines, takes lines ending in LF or CR LF, skips lines
// without "=", and hands each other line to the handler. It touches neither
// files nor controls. A line that breaks a limit raises KeyValueError; so
// may the handler, to stop the reading at its line.
class KeyValueReader {
public:
    using Handler = std::function<void(const KeyValueLine&)>;
    explicit KeyValueReader(Handler handler, KeyValueLimits limits = {});

    // A piece of the file as it comes.
    void feed(std::string_view data);
    // One whole line, without its line end.
    void feedLine(std::string_view line);
    // The end of the file: a last line without a line end is read.
    void finish();

    // The lines read so far.
    std::uint64_t lineCount() const { return lines_; }

private:
    [[noreturn]] void lineTooLong(std::uint64_t line) const;

    Handler handler_;
    KeyValueLimits limits_;
    std::string pending_; // a line not yet ended
    std::string upper_;   // the upper-case copy of the current line
    std::uint64_t bytes_ = 0;
    std::uint64_t lines_ = 0;
};

} // namespace brak
