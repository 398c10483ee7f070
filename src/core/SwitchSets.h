#pragma once

#include "form/MainForm.h"
#include "platform/Dialogs.h"

#include <string>

namespace brak {

// Every command keeps its own switches: the controls always show those of
// the selected command, and SwitchSets holds the rest.

// A command became selected: stores what the controls show under the
// command being left, loads the new command's switches and shows its line.
void CommandClick(MainForm& form, Dialogs& dialogs);

// The first steps of running the selected command: stores its shown
// switches and, when the switches last altered belong to another command,
// asks whether that is really meant. Returns whether to go on.
bool executionCheck(MainForm& form, Dialogs& dialogs);

// The question asked when the switches last altered belong to another command.
std::string mismatchQuestion(int lastAltered, int current);

// Puts the switches of the current command back to the form defaults and
// unchecks the Config tab's switch toggles; the stored set follows at the
// next synchronisation.
void buClearSwitchClick(MainForm& form, Dialogs& dialogs);
// Empties every command's stored switches, then clears as above.
void buClearAllSwitchClick(MainForm& form, Dialogs& dialogs);

} // namespace brak
