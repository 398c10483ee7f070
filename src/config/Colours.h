#pragma once

#include "form/Control.h"

#include <array>
#include <cstdint>

namespace brak {

// Jar's sixteen text colours by number, as window colours (0x00BBGGRR).
inline constexpr std::array<Colour, 16> ColourPalette = {
    0x00000000, 0x00800000, 0x00008000, 0x00808000, 0x00000080, 0x00800080, 0x00008080, 0x00C0C0C0,
    0x00808080, 0x00FF0000, 0x0000FF00, 0x00FFFF00, 0x000000FF, 0x00FF00FF, 0x0000FFFF, 0x00FFFFFF};

// The window colour of a Jar colour number. Only the low four bits count:
// bits 0 to 2 pick blue, green and red, bit 3 brightens them.
Colour ColourFromNumber(std::int32_t number);

// The Jar colour number nearest to a window colour; its low 24 bits count,
// so a colour of the window system's scheme gives 0.
std::int32_t NumberFromColour(Colour colour);

} // namespace brak
