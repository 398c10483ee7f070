#pragma once

#include "form/MainForm.h"

#include <array>
#include <string>
#include <vector>

namespace brak {

inline constexpr const char* JarProgramName = "JAR32.EXE";

// A value that reaches Jar between double quotes, and the field it came from.
struct QuotedValue {
    std::string field; // the control's name: "edArchive", "edOutput"...
    std::string text;
    bool operator==(const QuotedValue&) const = default;
};

// One Jar command as data, taken from the window's controls at one moment:
// the program, the command letter, the archive with the masks or the list
// file, the switches and the Advanced tab's switches. It gives the pieces of
// the command line, each ending in exactly one space, which are also Jar's
// argument vector: four, and a fifth while an Advanced panel is checked.
struct JarCommand {
    std::string path;                      // the directory of Jar as typed; empty: a bare JAR32.EXE
    std::string letter;                    // empty when no command is selected
    std::string archive;                   // the archive name as typed
    bool listFile = false;                 // the files come from a list file, not from masks
    std::string masks;                     // as typed, several separated by blanks
    std::string list;                      // the list file's name
    std::string switches;                  // the switch string: each switch followed by a space
    std::vector<QuotedValue> switchValues; // the quoted values inside switches
    std::string advanced;                  // the Advanced tab's switches, or empty
    std::vector<QuotedValue> advancedValues;

    static JarCommand fromForm(const MainForm& form);

    // The program file to start: the program piece without its space.
    std::string programFile() const;
    std::string programPiece() const;
    std::string commandPiece() const;
    std::string archivePiece() const;
    const std::string& switchPiece() const { return switches; }
    // The first four pieces, the fifth coming only with the arguments.
    std::array<std::string, 4> pieces() const;
    // Jar's argument vector: the four pieces, and the Advanced piece when
    // there is one.
    std::vector<std::string> arguments() const;
    // The pieces joined: the line the status bar shows.
    std::string line() const;
    // Every value Jar gets between double quotes, with its field.
    std::vector<QuotedValue> quotedValues() const;
};

} // namespace brak
