#include "platform/ErrorBox.h"

namespace brak {

std::string errorBoxText(const std::string& message) {
    if (!message.empty() && static_cast<unsigned char>(message.back()) <= '.')
        return message;
    return message + ".";
}

void showErrorBox(Dialogs& dialogs, const std::exception& error) {
    showMessage(dialogs, errorBoxText(error.what()), ApplicationTitle, MessageIcon::Error);
}

} // namespace brak
