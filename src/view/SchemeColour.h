#pragma once

#include "form/Control.h"

#include <QColor>

namespace brak {

// A model colour as Qt paints it: a fixed colour as it is, a colour of the
// user's scheme as the application's palette has it now.
QColor toQColor(Colour colour);
// A fixed colour, 0x00BBGGRR.
Colour fromQColor(const QColor& colour);

} // namespace brak
