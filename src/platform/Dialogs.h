#pragma once

#include "platform/Platform.h"

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

namespace brak {

enum class MessageIcon { None, Information, Warning, Error, Question };

// The buttons a box offers, and the answer it gives.
enum class MessageButtons { Ok, YesNo, YesNoCancel, OkCancel };
enum class MessageAnswer { Ok, Yes, No, Cancel };

struct MessageBoxRequest {
    std::string text;
    std::string caption;
    MessageIcon icon = MessageIcon::None;
    MessageButtons buttons = MessageButtons::Ok;
    MessageAnswer defaultButton = MessageAnswer::Ok;
    bool operator==(const MessageBoxRequest&) const = default;
};

// For test failures: the box as one readable line.
std::ostream& operator<<(std::ostream& out, const MessageBoxRequest& box);

// A screen's area that windows may take, in pixels.
struct ScreenArea {
    int left = 0, top = 0, width = 0, height = 0;
    bool operator==(const ScreenArea&) const = default;
};

class SearchWindow; // the first-run search window's model (startup/SearchWindow.h)

// A window on the screen for as long as this handle lives.
class ShownWindow {
public:
    virtual ~ShownWindow() = default;
};

// Everything that talks to the user in a modal way. The core never shows a
// window itself: it asks this object, which tests replace with a script.
class Dialogs {
public:
    virtual ~Dialogs() = default;

    virtual MessageAnswer messageBox(const MessageBoxRequest& request) = 0;

    // Open dialog titled "Select a File". The filter is "Description|pattern|..."
    // as the program writes it. Returns the chosen file, or empty on cancel.
    virtual std::string openFile(const std::string& filter) = 0;
    // The same dialog, taking also a name no file has yet (an archive that
    // a command is to create); empty on cancel.
    virtual std::string nameFile(const std::string& filter) = 0;
    // Save dialog with the default extension "CFG"; empty on cancel.
    virtual std::string saveFile(const std::string& filter) = 0;
    // A folder picker with the given title; the chosen folder, or empty on
    // cancel (and where no picker can be shown).
    virtual std::string chooseFolder(const std::string& title) {
        (void)title;
        return {};
    }
    // Opens a file with the desktop's default application; false when none
    // took it.
    virtual bool openWithDesktop(const std::string& file) {
        (void)file;
        return false;
    }
    // Colour dialog; colours are 0x00BBGGRR. Returns false on cancel.
    virtual bool chooseColour(std::uint32_t& colour, std::vector<std::uint32_t>& customColours) = 0;

    // Hourglass cursor on or off.
    virtual void setBusy(bool busy) = 0;
    // Repaints the main window (or just its status bar) at once, before a wait.
    virtual void repaintNow() = 0;

    // The splash window with the given picture, shown and painted at once;
    // it stays on the screen for as long as the handle lives.
    virtual std::unique_ptr<ShownWindow> showSplash(const std::string& picture) = 0;
    // The about window with the given picture, modal, until it closes.
    virtual void showAbout(const std::string& picture) = 0;
    // The first-run search window, modal, until it closes; the user's
    // clicks reach the model, and its search runs in slices meanwhile.
    virtual void showSearch(SearchWindow& window) = 0;

    // The screens' areas for windows, the primary screen first; none when
    // there is no screen to ask.
    virtual std::vector<ScreenArea> screens() const = 0;

    // Waits for a child to end, watching it rather than looking again and
    // again: the window keeps painting and takes no input. When the child
    // runs longer than about a second, a small window shows the title, the
    // detail and a Cancel button. Cancelled: the user pressed it, and the
    // child still runs.
    enum class WaitOutcome { Ended, Cancelled };
    virtual WaitOutcome waitForChild(ChildProcess& child, const std::string& title,
                                     const std::string& detail) = 0;
};

// The hourglass for as long as it lives, also when an error ends the work.
class BusyCursor {
public:
    explicit BusyCursor(Dialogs& dialogs) : dialogs_(dialogs) { dialogs_.setBusy(true); }
    ~BusyCursor() { release(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
    // The normal cursor again before the end of the scope.
    void release() {
        if (busy_)
            dialogs_.setBusy(false);
        busy_ = false;
    }

private:
    Dialogs& dialogs_;
    bool busy_ = true;
};

// The open dialog's choice: the chosen file's full name, or empty on cancel.
inline std::string GetFile(Dialogs& dialogs, const std::string& filter) {
    return dialogs.openFile(filter);
}

// The chosen file's directory without its trailing separator ("/" for a
// file in the root), or empty on cancel.
inline std::string GetPath(Dialogs& dialogs, const std::string& filter) {
    return directoryOf(GetFile(dialogs, filter));
}

// Convenience for the common one-button box.
inline MessageAnswer showMessage(Dialogs& dialogs, const std::string& text,
                                 const std::string& caption, MessageIcon icon) {
    return dialogs.messageBox({text, caption, icon, MessageButtons::Ok, MessageAnswer::Ok});
}

} // namespace brak
