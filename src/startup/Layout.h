#pragma once

#include "config/ConfigFile.h"
#include "form/MainForm.h"
#include "platform/Dialogs.h"
#include "platform/Platform.h"
#include "startup/LayoutReader.h"

#include <string>
#include <vector>

namespace brak {

inline constexpr const char* LayoutFileName = "Brak.CFG";
inline constexpr const char* StateFileName = "Brak.BKF";

// Where a window from the layout file goes: where it was, unless no screen
// shows the strip along its top by which it is moved; then it is centred on
// the primary screen, no larger than that screen. A size that is no size
// becomes the window's designed one.
FormWindow::Bounds keepOnScreen(FormWindow::Bounds bounds, const std::vector<ScreenArea>& screens);

// The layout file's text for the window as it is now.
std::string layoutText(const MainForm& form);

// Brak's own layout file (the Options toggles, the path to Jar, the grids'
// column widths and the window's place), the Options menu, and the close
// sequence of the main window. Brak's files live in the user's directory.
class Layout {
public:
    Layout(MainForm& form, Platform& platform, Dialogs& dialogs, ConfigFile& config)
        : f_(form), platform_(platform), dialogs_(dialogs), config_(config) {}
    Layout(const Layout&) = delete;
    Layout& operator=(const Layout&) = delete;

    // The Options menu.
    void wire();

    // Writes the layout file: 1 when it cannot be written, else 0.
    int SaveBrak();
    // Reads the layout file: 1 when it cannot be opened, else 0.
    int LoadBrak();
    // The window closes: offers to save the configuration when the switch
    // sets changed, saves the last state when asked to, and writes the
    // layout. Nothing here cancels the close.
    void FormClose();

    // Options menu: each item flips its own check mark; the window shows
    // hints while "Show Hints" is checked.
    void DetectSwitchClick();
    void AutoLoadClick();
    void AutoSaveClick();
    void ShowHintsClick();

    std::string layoutFile() const { return platform_.userDirectory() + LayoutFileName; }
    std::string stateFile() const { return platform_.userDirectory() + StateFileName; }

    // Puts what a layout file set into the window.
    void apply(const LayoutValues& values);

private:
    MenuItem& option(const char* name);
    void flipCheck(const char* name);
    void offerToSave(const std::string& shown);

    MainForm& f_;
    Platform& platform_;
    Dialogs& dialogs_;
    ConfigFile& config_;
};

} // namespace brak
