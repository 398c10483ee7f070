#pragma once

#include "platform/Dialogs.h"

#include <QColor>
#include <QFont>
#include <QString>
#include <string>

class QLabel;
class QWidget;

namespace brak {

// The window-text colour of the logo windows' captions: gold.
inline const QColor LogoGold{246, 209, 40};

// The maker's texts: ours, not anybody else's.
inline constexpr const char* MakerLogo = "Ky";
inline constexpr const char* MakerTagline = "Kyx Tools: careful software for careful archivists";
inline constexpr const char* MakerCopyright = "Copyright (C) the Brak developers";

// What the Symbol font shows for Latin letters: the Greek letters at the
// same places (b is a beta, y a psi). Writing the Greek letters themselves
// shows them with any font that has them.
QString symbolText(const std::string& latin);
// The serif face the Greek letters are shown in, as the Symbol font draws them.
QFont symbolFont();

// A caption and, beneath it, its shadow: the same text in the window-text
// colour, a few pixels down and to the right.
struct ShadowedCaption {
    QLabel* caption = nullptr;
    QLabel* shadow = nullptr;
    void setFont(const QFont& font);
    // Places the caption at (x, y) and its shadow offset from it.
    void place(int x, int y, int shadowOffset);
};

// Makes a caption pair in window, named name and name + "Shadow".
ShadowedCaption makeCaption(QWidget* window, const QString& name, const QString& text);

// The picture, logo and tagline that the splash and about windows share,
// with the rules that lay them out over the whole screen.
class KyxLogo {
public:
    // Loads the picture file. When it cannot be loaded the picture control
    // is removed and the user told; an empty name means no picture, silently.
    KyxLogo(QWidget* window, const QString& prefix, const std::string& picture, Dialogs& dialogs);

    // Covers the screen (width x height) with the window and the picture,
    // and places the gold logo and tagline by their centring rules.
    void arrange(int width, int height);

    QLabel* picture() const { return picture_; }
    const ShadowedCaption& logo() const { return logo_; }
    const ShadowedCaption& info() const { return info_; }

private:
    QWidget* window_;
    QLabel* picture_;
    ShadowedCaption logo_;
    ShadowedCaption info_;
};

// The screen's size, for the full-screen logo windows.
QSize screenSize();

} // namespace brak
