#include "view/SchemeColour.h"

#include <QGuiApplication>
#include <QPalette>

namespace brak {

namespace {

// The window system's colour indices and the palette roles that play them.
QPalette::ColorRole roleOf(Colour index, QPalette::ColorGroup& group) {
    group = QPalette::Active;
    switch (index) {
    case 5: // window
        return QPalette::Base;
    case 7: // menu text
    case 8: // window text
        return QPalette::Text;
    case 13: // highlight
        return QPalette::Highlight;
    case 14: // highlighted text
        return QPalette::HighlightedText;
    case 15: // button face
        return QPalette::Button;
    case 16: // button shadow
        return QPalette::Mid;
    case 17: // grey text
        group = QPalette::Disabled;
        return QPalette::Text;
    case 18: // button text
        return QPalette::ButtonText;
    case 20: // button highlight
        return QPalette::Light;
    case 23: // tool tip text
        return QPalette::ToolTipText;
    case 24: // tool tip background
        return QPalette::ToolTipBase;
    default:
        return QPalette::Window;
    }
}

} // namespace

QColor toQColor(Colour colour) {
    if (isSystemColour(colour)) {
        QPalette::ColorGroup group;
        const QPalette::ColorRole role = roleOf(colour & 0x00FFFFFF, group);
        return QGuiApplication::palette().color(group, role);
    }
    return QColor(int(colour & 0xFF), int((colour >> 8) & 0xFF), int((colour >> 16) & 0xFF));
}

Colour fromQColor(const QColor& colour) {
    return Colour(colour.red()) | (Colour(colour.green()) << 8) | (Colour(colour.blue()) << 16);
}

} // namespace brak
