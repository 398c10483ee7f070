#pragma once

#include "contents/Contents.h"
#include "form/MainForm.h"
#include "platform/Dialogs.h"
#include "platform/Platform.h"
#include "ui/Interlocks.h"

#include <functional>

namespace brak {

// The composition root: owns the model of the main window and wires every
// control's handler to the logic that runs it, once.
class Brak {
public:
    Brak(Platform& platform, Dialogs& dialogs);
    Brak(const Brak&) = delete;
    Brak& operator=(const Brak&) = delete;

    MainForm& form() { return form_; }
    Platform& platform() { return platform_; }
    Dialogs& dialogs() { return dialogs_; }

    // Selecting a command: its switches and its command line.
    void CommandClick();
    // The text of the archive name changed: commands are offered exactly
    // while it holds text.
    void edArchiveChange();
    // The first steps of running the selected command: stores its switches
    // and asks about a switch mismatch. Returns whether to go on.
    bool executionCheck();

    // The View tab's contents: the archive listing and its grids.
    int LoadContents() { return contents_.LoadContents(); }
    void SelectChapter(int c) { contents_.SelectChapter(c); }
    void stChapterClick() { contents_.stChapterClick(); }
    void stFileSelectCell(int column, int row) { contents_.stFileSelectCell(column, row); }
    void chFileLockClick() { contents_.chFileLockClick(); }
    void edArchiveKeyPress(char key) { contents_.edArchiveKeyPress(key); }
    // The grid headings, written at start-up.
    void WriteGridHeadings() { brak::WriteGridHeadings(form_.stChapter, form_.stFile); }
    Contents& contents() { return contents_; }

    // Options menu: each item flips its own check mark; the window shows
    // hints while "Show Hints" is checked.
    void DetectSwitchClick();
    void AutoLoadClick();
    void AutoSaveClick();
    void ShowHintsClick();
    // The window's creation: the start-up steps that run before it is shown.
    // showSplash shows the splash window for its pause.
    void CreateBrak(const std::function<void()>& showSplash);

private:
    void wire();
    void wireContents();
    void wireSwitchSets();
    void wireMenus();

    Platform& platform_;
    Dialogs& dialogs_;
    MainForm form_;
    Contents contents_{form_, platform_, dialogs_};
    Interlocks interlocks_{form_};
};

} // namespace brak
