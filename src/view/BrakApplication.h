#pragma once

#include "platform/Dialogs.h"

#include <QApplication>

namespace brak {

// The application object. Every action of the user already runs inside
// the binding's guard; this is the last resort for an error that escapes
// some other event handler: it is shown in the error box and the program
// carries on.
class BrakApplication : public QApplication {
public:
    BrakApplication(int& argc, char** argv);

    // Where the error box goes; none: the error is only swallowed.
    void setDialogs(Dialogs* dialogs) { dialogs_ = dialogs; }
    Dialogs* dialogs() const { return dialogs_; }

    bool notify(QObject* receiver, QEvent* event) override;

private:
    Dialogs* dialogs_ = nullptr;
};

} // namespace brak
