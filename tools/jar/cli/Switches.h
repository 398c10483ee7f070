#pragma once

#include "cli/Options.h"
#include "cli/Tokenizer.h"

#include <string>
#include <string_view>
#include <vector>

namespace brak::jar {

// Whether `command` is one of the twenty commands.
bool isCommand(std::string_view command);

// What the archiver does with a switch of the catalogue.
enum class Treatment {
    Acted,  // does what it says
    Mapped, // does what it means on Linux, which the help text says
    Refused // exit code 7 and a message; nothing is done
};

struct SwitchHelp {
    std::string name; // as written: "-m1", "-hb<letter><0|1>...", "-o<directory>"
    Treatment treatment;
    std::string commands; // the commands it applies to, or "all"
    std::string meaning;  // for a refused one: why
};

// Every switch of the catalogue, for --help.
std::vector<SwitchHelp> switchHelp();

// Applies one switch for the command in `options`. A switch the archiver
// does not know, does not provide, or that means nothing for this command
// is a bad parameter: it throws, and nothing is done.
void applySwitch(Options& options, const Token& token);

} // namespace brak::jar
