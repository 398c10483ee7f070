#pragma once

#include "platform/Dialogs.h"
#include "platform/Platform.h"
#include "view/KyxLogo.h"

#include <QWidget>

namespace brak {

// The splash window: the logo picture over the whole screen, the maker's
// logo and tagline in gold, shown while the program starts.
class TFormSplash : public QWidget {
public:
    TFormSplash(const std::string& programDirectory, Dialogs& dialogs, QWidget* parent = nullptr);

    // Shows the splash, paints it and holds the whole program for the
    // pause: nothing is handled meanwhile, not even a repaint.
    static void showFor(Platform& platform, Dialogs& dialogs, int milliseconds = 3000);

    const KyxLogo& logo() const { return logo_; }

private:
    KyxLogo logo_;
};

} // namespace brak
