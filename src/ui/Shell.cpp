#include "ui/Shell.h"

#include "contents/FileGrid.h"
#include "core/Commands.h"

namespace brak {

void Shell::wire() {
    MainForm& f = f_;
    f.Window.onClose.wire([this] { FormClose(); });
    f.Exit1.onClick.wire([this] { Exit1Click(); });
    f.About3.onClick.wire([this] { About3Click(); });
    f.DetectSwitch.onClick.wire([this] { DetectSwitchClick(); });
    f.AutoLoad.onClick.wire([this] { AutoLoadClick(); });
    f.AutoSave.onClick.wire([this] { AutoSaveClick(); });
    f.ShowHints.onClick.wire([this] { ShowHintsClick(); });
}

void Shell::CreateBrak() {
    // The first-run check, the layout file and the automatic configuration
    // load take their places around the splash as they are built.
    {
        // The splash holds the whole program for its pause.
        const auto splash = dialogs_.showSplash(logoPicture());
        platform_.sleep(SplashMilliseconds);
    }
    // The Selection tab starts in the directory Brak was started in; a
    // configuration loaded after it may move it elsewhere.
    selection_.ShowStartDirectory();
    WriteGridHeadings(f_.stChapter, f_.stFile);
    const DateTime present = platform_.now();
    f_.daBefore.SetValue(present);
    f_.daAfter.SetValue(present);
    f_.PageControl1.setActivePage(0);
}

void Shell::FormClose() {
    // The close sequence takes its place here as it is built.
}

void Shell::Exit1Click() {
    f_.Window.close();
}

void Shell::About3Click() {
    dialogs_.showAbout(logoPicture());
}

void Shell::flipCheck(const char* name) {
    MenuItem* item = f_.OptionMenu.at(static_cast<std::size_t>(OptionIndex(f_, name)));
    item->setChecked(!item->checked());
}

void Shell::DetectSwitchClick() {
    flipCheck("DetectSwitch");
}

void Shell::AutoLoadClick() {
    flipCheck("AutoLoad");
}

void Shell::AutoSaveClick() {
    flipCheck("AutoSave");
}

void Shell::ShowHintsClick() {
    // The window's hint display follows the check mark.
    flipCheck("ShowHint");
}

std::string Shell::logoPicture() const {
    return platform_.programDirectory() + "Kyx.BMP";
}

} // namespace brak
