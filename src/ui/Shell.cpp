#include "ui/Shell.h"

namespace brak {

void Shell::wire() {
    MainForm& f = f_;
    // The window's own close control and Exit both end in the close sequence.
    f.Window.onClose.wire([this] { layout_.FormClose(); });
    f.Exit1.onClick.wire([this] { Exit1Click(); });
    f.About3.onClick.wire([this] { About3Click(); });
    // A file dropped on the window opens as the program's argument does.
    f.Window.onDropFile.wire([this](const std::string& name) { startup_.OpenArgument(name); });
}

void Shell::Exit1Click() {
    f_.Window.close();
}

void Shell::About3Click() {
    dialogs_.showAbout(startup_.logoPicture());
}

} // namespace brak
