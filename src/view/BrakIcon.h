#pragma once

#include <QIcon>
#include <QImage>

namespace brak {

// Brak's program icon: a gold jar with three chapter bands on a blue tile,
// drawn at any size by the same code at build time (the installed PNGs)
// and at run time (the windows' icon), so the two never differ.
QImage drawBrakIcon(int size);
// The icon at the sizes the desktop asks for.
QIcon brakIcon();

} // namespace brak
