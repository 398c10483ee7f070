#pragma once

#include <string>
#include <vector>

namespace brak {

// What the command line asks for. "--help" and "--version" are answered
// without a window; everything else is the start-up argument: all the
// arguments joined with one blank, as one text (an archive or a
// configuration file to open).
struct ProgramArguments {
    enum class Action { Run, Help, Version };
    Action action = Action::Run;
    std::string startArgument;
    std::string output; // what Help and Version print
};

// args: the program's arguments without its own name.
ProgramArguments parseProgramArguments(const std::vector<std::string>& args);

} // namespace brak
