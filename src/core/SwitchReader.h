#pragma once

#include "form/MainForm.h"
#include "platform/Dialogs.h"

#include <string>

namespace brak {

inline constexpr const char* SwitchReaderCaption = "Error Setting Controls";
inline constexpr const char* SwitchReaderMessage = "Failed to interpret switches: ";

// Sets every switch control of the Basic and Medium tabs from a switch
// string, the way a user would (so the panel rules run), and reports once
// whatever text it did not recognise. Text between double quotes is never
// taken for a switch.
void SetSwitch(MainForm& form, Dialogs& dialogs, const std::string& text);

// Cuts the first value item with this prefix out of the work text and
// returns its value: the text between the quotes, or up to and including
// the next blank when unquoted. Empty, and nothing cut, when it is absent.
std::string ExtractSwitchValue(std::string& work, const std::string& prefix);

// Position of the first occurrence of token outside double quotes, or npos.
std::size_t findSwitch(const std::string& work, const std::string& token);

} // namespace brak
