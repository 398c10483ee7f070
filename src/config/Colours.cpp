#include "config/Colours.h"

namespace brak {

Colour ColourFromNumber(std::int32_t number) {
    const auto n = static_cast<std::uint32_t>(number);
    if (n == 7)
        return 0x00C0C0C0;
    if (n == 8)
        return 0x00808080;
    const Colour level = (n & 8u) ? 0xFF : 0x80;
    Colour colour = 0;
    if (n & 1u)
        colour |= level << 16; // blue
    if (n & 2u)
        colour |= level << 8; // green
    if (n & 4u)
        colour |= level; // red
    return colour;
}

std::int32_t NumberFromColour(Colour colour) {
    if ((colour & 0x00FFFFFF) == 0x00808080)
        return 8;
    bool intense = false;
    // 0 to 126 is off, 127 to 253 on, 254 and 255 on and bright.
    auto component = [&](int shift) {
        const std::uint32_t level = ((colour >> shift) & 0xFF) / 127;
        if (level == 2)
            intense = true;
        return static_cast<std::int32_t>(level != 0);
    };
    const std::int32_t blue = component(16);
    const std::int32_t green = component(8);
    const std::int32_t red = component(0);
    return (intense ? 8 : 0) + 4 * red + 2 * green + blue;
}

} // namespace brak
