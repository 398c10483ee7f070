#include "platform/Dialogs.h"

#include <ostream>

namespace brak {

namespace {

const char* iconName(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::None:
        return "no icon";
    case MessageIcon::Information:
        return "information";
    case MessageIcon::Warning:
        return "warning";
    case MessageIcon::Error:
        return "error";
    case MessageIcon::Question:
        return "question";
    }
    return "?";
}

const char* buttonsName(MessageButtons buttons) {
    switch (buttons) {
    case MessageButtons::Ok:
        return "OK";
    case MessageButtons::YesNo:
        return "Yes/No";
    case MessageButtons::YesNoCancel:
        return "Yes/No/Cancel";
    case MessageButtons::OkCancel:
        return "OK/Cancel";
    }
    return "?";
}

const char* answerName(MessageAnswer answer) {
    switch (answer) {
    case MessageAnswer::Ok:
        return "OK";
    case MessageAnswer::Yes:
        return "Yes";
    case MessageAnswer::No:
        return "No";
    case MessageAnswer::Cancel:
        return "Cancel";
    }
    return "?";
}

} // namespace

std::ostream& operator<<(std::ostream& out, const MessageBoxRequest& box) {
    return out << "[" << box.caption << "] \"" << box.text << "\" (" << iconName(box.icon) << ", "
               << buttonsName(box.buttons) << ", default " << answerName(box.defaultButton) << ")";
}

} // namespace brak
