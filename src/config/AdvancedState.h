#pragma once

#include "config/KeyValueReader.h"
#include "form/MainForm.h"

#include <functional>
#include <string>
#include <string_view>

namespace brak {

// The Advanced tab's controls as ";[Brak]" comment lines of the
// configuration file, one a control, keyed by its name ("chAfter=Yes"), in
// an order that restores each panel through its controls: the box first,
// then the variant, then the fields, so the interlocks run as after clicks.
// Only checked panels are written: a file read back leaves the others as
// they are, as it does every control it has no line for. The typed
// passwords are never written.
void writeAdvancedState(const MainForm& form,
                        const std::function<void(std::string_view, std::string_view)>& value);

// Applies one ";[Brak]" line whose key, the marker removed, is an Advanced
// control's name; false when it names none. A bad date or number is passed
// over: the control keeps what it shows.
bool applyAdvancedState(MainForm& form, std::string_view key, const KeyValueLine& line);

} // namespace brak
