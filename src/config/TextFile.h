#pragma once

#include <cstdint>
#include <string>

namespace brak {

// How reading a small text file went.
enum class TextFileResult {
    Read,       // contents holds the whole file
    CannotOpen, // missing, not readable
    NotAFile,   // a directory, a FIFO, a device: nothing a file name of ours may name
    TooLarge,   // longer than the limit: nothing was read
    ReadFailed, // an error while reading
};

// Reads a whole regular file of at most maxBytes bytes. It never blocks on
// a FIFO or a device named in its place, and never reads more than the
// limit, even from a file that grows while it is read.
TextFileResult readTextFile(const std::string& name, std::uint64_t maxBytes, std::string& contents);

} // namespace brak
