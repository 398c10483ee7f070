#pragma once

#include "platform/Dialogs.h"
#include "view/KyxLogo.h"

#include <QWidget>
#include <memory>

namespace brak {

// The splash window: the logo picture over the whole screen, the maker's
// logo and tagline in gold, shown while the program starts.
class TFormSplash : public QWidget {
public:
    TFormSplash(const std::string& picture, Dialogs& dialogs, QWidget* parent = nullptr);

    // Makes the splash, shows it and paints it at once: the program then
    // holds still for the pause, handling nothing, not even a repaint.
    static std::unique_ptr<TFormSplash> showNow(const std::string& picture, Dialogs& dialogs);

    const KyxLogo& logo() const { return logo_; }

private:
    KyxLogo logo_;
};

} // namespace brak
