#pragma once

#include "form/MainForm.h"
#include "platform/Dialogs.h"

#include <string>

namespace brak {

// Every command keeps its own switches: the controls always show those of
// the selected command, and MainForm::SwitchSets holds the rest.
class SwitchSets {
public:
    SwitchSets(MainForm& form, Dialogs& dialogs) : f_(form), dialogs_(dialogs) {}
    SwitchSets(const SwitchSets&) = delete;
    SwitchSets& operator=(const SwitchSets&) = delete;

    // A click on a command, and the two Clear buttons. The status bar
    // shows the selected command's line from now on, following every
    // change of what it is made of.
    void wire();

    // A command became selected: stores what the controls show under the
    // command being left, loads the new command's switches and shows its line.
    void CommandClick();
    // The first steps of running the selected command: stores its shown
    // switches and, when the switches last altered belong to another
    // command, asks whether that is really meant. Returns whether to go on.
    bool executionCheck();
    // Puts the switches of the current command back to the form defaults
    // and unchecks the Config tab's switch toggles; the stored set follows
    // at the next synchronisation.
    void buClearSwitchClick();
    // Empties every command's stored switches, then clears as above.
    void buClearAllSwitchClick();

    // The question asked when the switches last altered belong to another command.
    static std::string mismatchQuestion(int lastAltered, int current);

private:
    void followCommandLine();

    MainForm& f_;
    Dialogs& dialogs_;
};

} // namespace brak
