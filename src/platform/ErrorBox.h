#pragma once

#include "platform/Dialogs.h"

#include <exception>
#include <string>

namespace brak {

inline constexpr const char* ApplicationTitle = "Brak 1.1 Beta 3";

// The text of the error box: the message with a full stop added, unless it
// already ends in one or in a character that sorts before it.
std::string errorBoxText(const std::string& message);

// Shows an error that no handler caught, as the event loop does.
void showErrorBox(Dialogs& dialogs, const std::exception& error);

// Runs an action the way the event loop runs a handler: an error that
// escapes it is shown in the error box and the program carries on.
template <typename Action> void runHandler(Dialogs& dialogs, Action&& action) {
    try {
        action();
    } catch (const std::exception& error) {
        showErrorBox(dialogs, error);
    }
}

} // namespace brak
