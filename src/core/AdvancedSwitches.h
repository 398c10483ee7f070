#pragma once

#include "core/JarCommand.h"
#include "form/MainForm.h"

#include <string>
#include <vector>

namespace brak {

// The descriptors on which Jar reads a typed password and a typed new
// password: pipes Brak writes them to, never an argument or a file.
inline constexpr int PasswordDescriptor = 3;
inline constexpr int NewPasswordDescriptor = 4;

// The Advanced tab's switches, one more piece of the command line after the
// switch string: each switch followed by one space, values in double quotes
// (those are also added to quoted, with their field). Shared by every
// command, like the masks; empty while no Advanced panel is checked. A
// typed password shows only as the descriptor Jar reads it from.
std::string GetAdvanced(const MainForm& form, std::vector<QuotedValue>* quoted = nullptr);

// A typed password and the descriptor it reaches Jar on.
struct PasswordInput {
    int descriptor;
    const Edit* field; // edPassword or edNewPassword
};

// The passwords the piece names a descriptor for, in descriptor order.
std::vector<PasswordInput> passwordInputs(const MainForm& form);

} // namespace brak
