#include "core/SwitchSets.h"

#include "core/Commands.h"
#include "core/SwitchReader.h"

namespace brak {

namespace {

const char* caption(int index) {
    if (index < 0 || index >= static_cast<int>(CommandCatalogue.size()))
        return "";
    return CommandCatalogue[static_cast<std::size_t>(index)].caption;
}

bool detectSwitchMismatch(const MainForm& form) {
    const int item = OptionIndex(form, "DetectSwitch");
    return item >= 0 && form.OptionMenu[static_cast<std::size_t>(item)]->checked();
}

} // namespace

void SwitchSets::wire() {
    for (RadioButton* command : f_.commandButtons)
        command->onClick.wire([this] { CommandClick(); });
    f_.buClearSwitch.onClick.wire([this] { buClearSwitchClick(); });
    f_.buClearAllSwitch.onClick.wire([this] { buClearAllSwitchClick(); });
    followCommandLine();
}

void SwitchSets::followCommandLine() {
    // Everything the line is made of: the commands, the switch tabs, the
    // Advanced tab, the path to Jar, the archive name and the file selection.
    MainForm& f = f_;
    auto feedsTheLine = [&f](const Control& control) {
        for (const Panel* source :
             {&f.grCommand, &f.taBasic, &f.taMedium, &f.taAdvanced, &f.grContent})
            if (source->contains(control))
                return true;
        return &control == &f.edPath || &control == &f.edArchive;
    };
    for (Control* control : f.controls())
        if (feedsTheLine(*control))
            control->addObserver([this](const Control&) { ShowCommandLine(f_); });
    ShowCommandLine(f);
}

void SwitchSets::CommandClick() {
    MainForm& f = f_;
    f.PreviousCommand = f.CurrentCommand;
    f.CurrentCommand = CommandIndex(f);
    // The controls still show the switches of the command being left.
    const std::string shown = GetSwitch(f);
    if (f.PreviousCommand >= 0) {
        std::string& stored = f.SwitchSets[static_cast<std::size_t>(f.PreviousCommand)];
        if (shown != stored) {
            f.SwitchSetsModified = true;
            stored = shown;
            f.LastAlteredCommand = f.PreviousCommand;
        }
    }
    if (f.CurrentCommand >= 0)
        SetSwitch(f, dialogs_, f.SwitchSets[static_cast<std::size_t>(f.CurrentCommand)]);
    ShowCommandLine(f);
}

std::string SwitchSets::mismatchQuestion(int lastAltered, int current) {
    return std::string("Brak uses a separate set of switches for each command.") +
           "\nUncheck 'Options|Detect Switch Mismatch' to disable this trap." +
           "\n\nThe last command altered was '" + caption(lastAltered) +
           "'\nYou have now chosen to execute '" + caption(current) +
           "'\n\nWas that your intention?";
}

bool SwitchSets::executionCheck() {
    MainForm& f = f_;
    const int index = CommandIndex(f);
    if (index >= 0) {
        const std::string shown = GetSwitch(f);
        std::string& stored = f.SwitchSets[static_cast<std::size_t>(index)];
        if (shown != stored) {
            stored = shown;
            f.LastAlteredCommand = index;
        }
    }
    if (f.LastAlteredCommand >= 0 && f.LastAlteredCommand != f.CurrentCommand &&
        detectSwitchMismatch(f)) {
        MessageAnswer answer = dialogs_.messageBox(
            {mismatchQuestion(f.LastAlteredCommand, f.CurrentCommand), "Confirmation",
             MessageIcon::Question, MessageButtons::YesNo, MessageAnswer::No});
        return answer == MessageAnswer::Yes;
    }
    return true;
}

void SwitchSets::buClearSwitchClick() {
    MainForm& f = f_;
    SetSwitch(f, dialogs_, "");
    for (CheckBox* toggle : {&f.chInteractive, &f.chHideMarked, &f.chANSIComment,
                             &f.chStandardError, &f.chFullPath, &f.chSaveConfig})
        toggle->setChecked(false);
}

void SwitchSets::buClearAllSwitchClick() {
    for (std::string& stored : f_.SwitchSets)
        stored.clear();
    buClearSwitchClick();
}

} // namespace brak
