#pragma once

#include "core/JarCommand.h"
#include "form/MainForm.h"

#include <array>
#include <string>

namespace brak {

struct CommandInfo {
    int index;
    const char* radioButton;
    const char* caption;
    const char* letter;
};

// The twenty Jar commands in catalogue order: the order of the command
// buttons, of the switch sets and of the captions used in messages.
extern const std::array<CommandInfo, 20> CommandCatalogue;

// Index of the first checked command button, or -1.
int CommandIndex(const MainForm& form);
// Position of the first Options item whose component name contains name, or -1.
int OptionIndex(const MainForm& form, const std::string& name);

// The switch string of the Basic and Medium tabs: each switch followed by
// one space, value switches with their value in double quotes. Those values
// are also added to quoted, with the field each came from.
std::string GetSwitch(const MainForm& form, std::vector<QuotedValue>* quoted = nullptr);

// The pieces of the Jar command line as the controls give them now; each
// ends in exactly one space (JarCommand has them all at once).
std::string GetProgram(const MainForm& form);
std::string GetCommand(const MainForm& form);
std::string GetArchive(const MainForm& form);

// Puts the command line into the status bar's single text.
void ShowCommandLine(MainForm& form);

} // namespace brak
