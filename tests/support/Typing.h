#pragma once

#include "form/Control.h"

#include <functional>
#include <string>

namespace brak::test {

// Types at the caret as the user would: for each character the text
// changes, the caret follows and the key is released.
inline void type(Edit& field, const std::string& text) {
    for (char c : text) {
        std::string t = field.text();
        t.insert(static_cast<std::size_t>(field.selStart()), 1, c);
        int caret = field.selStart() + 1;
        field.setText(t);
        field.setSelStart(caret);
        field.keyUp(0);
    }
}

// The message of the Error an action raises, or "(no error)".
inline std::string errorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const Error& e) {
        return e.what();
    }
    return "(no error)";
}

} // namespace brak::test
