#include "view/BrakApplication.h"

#include "ui/ErrorBox.h"

namespace brak {

BrakApplication::BrakApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QString::fromLatin1(ApplicationTitle));
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
