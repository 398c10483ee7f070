#pragma once

#include <cstdint>
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
    // Save dialog with the default extension "CFG"; empty on cancel.
    virtual std::string saveFile(const std::string& filter) = 0;
    // Colour dialog; colours are 0x00BBGGRR. Returns false on cancel.
    virtual bool chooseColour(std::uint32_t& colour, std::vector<std::uint32_t>& customColours) = 0;

    // Hourglass cursor on or off.
    virtual void setBusy(bool busy) = 0;
    // Repaints the main window (or just its status bar) at once, before a wait.
    virtual void repaintNow() = 0;
};

// Convenience for the common one-button box.
inline MessageAnswer showMessage(Dialogs& dialogs, const std::string& text,
                                 const std::string& caption, MessageIcon icon) {
    return dialogs.messageBox({text, caption, icon, MessageButtons::Ok, MessageAnswer::Ok});
}

} // namespace brak
