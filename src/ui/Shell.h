#pragma once

#include "form/MainForm.h"
#include "platform/Dialogs.h"
#include "platform/Platform.h"
#include "selection/Selection.h"

#include <string>

namespace brak {

// The frame of the main window: its creation and closing, the Options
// toggles, Exit and About.
class Shell {
public:
    Shell(MainForm& form, Platform& platform, Dialogs& dialogs, Selection& selection)
        : f_(form), platform_(platform), dialogs_(dialogs), selection_(selection) {}
    Shell(const Shell&) = delete;
    Shell& operator=(const Shell&) = delete;

    void wire();

    // The window's creation: the start-up steps that run before it is shown.
    void CreateBrak();
    // The window closes (the window's own close control, or Exit).
    void FormClose();
    // "Exit": closes the main window, through its close sequence.
    void Exit1Click();
    // "About...": the about window, modal, until it closes.
    void About3Click();
    // Options menu: each item flips its own check mark; the window shows
    // hints while "Show Hints" is checked.
    void DetectSwitchClick();
    void AutoLoadClick();
    void AutoSaveClick();
    void ShowHintsClick();

    // The logo picture of the splash and about windows.
    std::string logoPicture() const;

    // How long the splash window holds the program at start-up.
    static constexpr int SplashMilliseconds = 3000;

private:
    void flipCheck(const char* name);

    MainForm& f_;
    Platform& platform_;
    Dialogs& dialogs_;
    Selection& selection_;
};

} // namespace brak
