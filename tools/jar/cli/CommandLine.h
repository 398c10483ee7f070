#pragma once

#include "Config.h"
#include "cli/Options.h"
#include "cli/Tokenizer.h"

#include <cstddef>
#include <string>
#include <vector>

namespace brak::jar {

// Reads the command line after the program name: command, switches anywhere,
// then the archive and the other names. The configuration's predefined
// switches for the command come first, through the same switch table.
// Throws on bad parameters, before anything is done.
Options parseCommandLine(const std::vector<Token>& tokens, const Configuration& configuration);

// Limits of a list file: it is a list of names, not a stream of data.
inline constexpr std::size_t MaxListFileSize = 64 * 1024 * 1024;
inline constexpr std::size_t MaxListLine = 8192;

// The names a list file holds, one a line (blank lines skipped, a name may be
// quoted). Only a regular file is read, within the limits above; anything
// else is a bad parameter. An interruption ends the read. Literal: each line
// is a name as it is, blanks and quotes included.
std::vector<std::string> readListFile(const std::string& path, bool literal = false);

// The masks of the command line followed by the names of its list files
// (with -jn, each marked as a literal name).
std::vector<std::string> masksOf(const Options& options);

} // namespace brak::jar
