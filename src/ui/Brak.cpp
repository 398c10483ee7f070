#include "ui/Brak.h"

#include "core/Commands.h"
#include "core/SwitchSets.h"

#include <algorithm>
#include <ctime>

namespace brak {

Brak::Brak(Platform& platform, Dialogs& dialogs) : platform_(platform), dialogs_(dialogs) {
    wire();
}

void Brak::wire() {
    MainForm& f = form_;
    for (RadioButton* command : f.commandButtons)
        command->onClick = [this] { CommandClick(); };
    f.edArchive.onChange = [this] { edArchiveChange(); };
    wireContents();
    wireSwitchSets();
    wireMenus();
}

void Brak::CommandClick() {
    brak::CommandClick(form_, dialogs_);
}

void Brak::wireSwitchSets() {
    form_.buClearSwitch.onClick = [this] { buClearSwitchClick(form_, dialogs_); };
    form_.buClearAllSwitch.onClick = [this] { buClearAllSwitchClick(form_, dialogs_); };
}

bool Brak::executionCheck() {
    return brak::executionCheck(form_, dialogs_);
}

void Brak::wireContents() {
    MainForm& f = form_;
    // The archive name's group box holds only the field: leaving it is the
    // field losing the focus.
    f.gbArchive.onExit = [this] { edArchiveChange(); };
    f.edArchive.onKeyPress = [this](char key) { edArchiveKeyPress(key); };
    f.stChapter.onClick = [this] { stChapterClick(); };
    f.stFile.onSelectCell = [this](int column, int row, bool&) { stFileSelectCell(column, row); };
    f.chFileLock.onClick = [this] { chFileLockClick(); };
}

void Brak::edArchiveChange() {
    bool named = !form_.edArchive.text().empty();
    for (RadioButton* command : form_.commandButtons)
        command->setEnabled(named);
}

namespace {

void flipCheck(MainForm& form, const char* name) {
    MenuItem* item = form.OptionMenu.at(static_cast<std::size_t>(OptionIndex(form, name)));
    item->setChecked(!item->checked());
}

DateTime now() {
    std::time_t clock = std::time(nullptr);
    std::tm local{};
    localtime_r(&clock, &local);
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
            local.tm_hour,        local.tm_min,     std::min(local.tm_sec, 59)};
}

} // namespace

void Brak::wireMenus() {
    MainForm& f = form_;
    f.DetectSwitch.onClick = [this] { DetectSwitchClick(); };
    f.AutoLoad.onClick = [this] { AutoLoadClick(); };
    f.AutoSave.onClick = [this] { AutoSaveClick(); };
    f.ShowHints.onClick = [this] { ShowHintsClick(); };
}

void Brak::DetectSwitchClick() {
    flipCheck(form_, "DetectSwitch");
}

void Brak::AutoLoadClick() {
    flipCheck(form_, "AutoLoad");
}

void Brak::AutoSaveClick() {
    flipCheck(form_, "AutoSave");
}

void Brak::ShowHintsClick() {
    // The window's hint display follows the check mark.
    flipCheck(form_, "ShowHint");
}

void Brak::CreateBrak(const std::function<void()>& showSplash) {
    // The first-run check, the layout file and the automatic configuration
    // load take their places around the splash as they are built.
    if (showSplash)
        showSplash();
    WriteGridHeadings();
    DateTime present = now();
    form_.daBefore.SetValue(present);
    form_.daAfter.SetValue(present);
    form_.PageControl1.setActivePage(0);
}

} // namespace brak
