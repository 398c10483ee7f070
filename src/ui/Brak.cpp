#include "ui/Brak.h"

#include "core/Commands.h"
#include "core/SwitchSets.h"

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

} // namespace brak
