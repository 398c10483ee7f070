#pragma once

#include "platform/Dialogs.h"
#include "view/KyxLogo.h"

#include <QDialog>

namespace brak {

// The about window: the splash window's picture, logo and tagline on
// silver, with the program's name, version and the maker's line. Any key
// that types a character closes it; a mouse click does not.
class TFormAbout : public QDialog {
public:
    TFormAbout(const std::string& picture, Dialogs& dialogs, QWidget* parent = nullptr);

    const KyxLogo& logo() const { return logo_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    KyxLogo logo_;
};

} // namespace brak
