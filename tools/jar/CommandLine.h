#pragma once

#include "Config.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brak::jar {

// Which files an adding command takes: all of them, new and changed ones
// (update), or only changed ones already in the archive (freshen).
enum class AddMode { All, Update, Freshen };

struct Options {
    std::string command;               // in lower case
    std::string archive;               // as written, quotes removed
    std::vector<std::string> names;    // masks and list-file names, or the dump file of "lt"
    bool recurse = false;              // -r
    bool yes = false;                  // -y
    bool query = false;                // -q
    bool queryDelete = false;          // -d
    bool newOnly = false;              // -n
    std::optional<std::string> output; // -o
    AddMode addMode = AddMode::All;
    bool different = false; // -u2 / -f2: a different time counts, not only a newer one
};

// Splits a command line as a Windows program does: blanks separate, double
// quotes group and are removed. Backslashes are ordinary characters, so a
// quoted directory ending in one stays whole.
std::vector<std::string> tokenize(std::string_view line);

bool isImplementedCommand(const std::string& command);
// A command of the catalogue that this stand-in does not provide.
bool isKnownCommand(const std::string& command);

// Applies one switch; throws a bad-parameter error for text that is no switch.
void applySwitch(Options& options, const std::string& token);

// Reads the command line after the program name: command, switches anywhere,
// then the archive and the other names. The configuration's predefined
// switches for the command come first. Throws on bad parameters.
Options parseCommandLine(const std::vector<std::string>& tokens,
                         const Configuration& configuration);

// Replaces every "!listfile" name by the names the list file holds.
std::vector<std::string> expandListFiles(const std::vector<std::string>& names);

} // namespace brak::jar
