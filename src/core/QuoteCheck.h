#pragma once

#include "core/JarCommand.h"
#include "platform/Dialogs.h"

#include <string>
#include <vector>

namespace brak {

inline constexpr const char* QuoteCheckCaption = "Double Quote in a Value";

// The field a quoted value comes from as the user knows it: its caption and
// its tab ("Output" on the Medium tab).
std::string fieldTitle(const std::string& field);

// Jar reads a double quote inside a quoted value as the end of the value,
// so the rest would reach it as further names or switches. A value that
// holds one is refused with a message naming its field: false then, and
// nothing may be started; true when every value is safe.
bool checkQuotedValues(Dialogs& dialogs, const std::vector<QuotedValue>& values);

} // namespace brak
