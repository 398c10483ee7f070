#pragma once

#include "form/MainForm.h"
#include "platform/Dialogs.h"
#include "startup/Layout.h"
#include "startup/Startup.h"

namespace brak {

// The frame of the main window: its closing, Exit, About and files dropped on it.
class Shell {
public:
    Shell(MainForm& form, Dialogs& dialogs, Layout& layout, Startup& startup)
        : f_(form), dialogs_(dialogs), layout_(layout), startup_(startup) {}
    Shell(const Shell&) = delete;
    Shell& operator=(const Shell&) = delete;

    void wire();

    // "Exit": closes the main window, through its close sequence.
    void Exit1Click();
    // "About...": the about window, modal, until it closes.
    void About3Click();

private:
    MainForm& f_;
    Dialogs& dialogs_;
    Layout& layout_;
    Startup& startup_;
};

} // namespace brak
