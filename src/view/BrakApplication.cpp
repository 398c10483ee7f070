#include "view/BrakApplication.h"

#include "ui/ErrorBox.h"
#include "view/BrakIcon.h"

namespace brak {

BrakApplication::BrakApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QString::fromLatin1(ApplicationTitle));
    // Every window of the program, the splash and about windows included.
    setWindowIcon(brakIcon());
}

bool BrakApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        if (dialogs_)
            showErrorBox(*dialogs_, error);
    }
    return false;
}

} // namespace brak
