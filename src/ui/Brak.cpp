#include "ui/Brak.h"

#include "core/Commands.h"

namespace brak {

Brak::Brak(Platform& platform, Dialogs& dialogs) : platform_(platform), dialogs_(dialogs) {
    wire();
}

void Brak::wire() {
    MainForm& f = form_;
    for (RadioButton* command : f.commandButtons)
        command->onClick = [this] { CommandClick(); };
    f.edArchive.onChange = [this] { edArchiveChange(); };
}

void Brak::CommandClick() {
    MainForm& f = form_;
    f.PreviousCommand = f.CurrentCommand;
    f.CurrentCommand = CommandIndex(f);
    ShowCommandLine(f);
}

void Brak::edArchiveChange() {
    bool named = !form_.edArchive.text().empty();
    for (RadioButton* command : form_.commandButtons)
        command->setEnabled(named);
}

} // namespace brak
