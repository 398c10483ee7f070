#include "platform/PosixPlatform.h"
#include "ui/Brak.h"
#include "ui/ErrorBox.h"
#include "view/QtDialogs.h"
#include "view/TFormMain.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(brak::ApplicationTitle));

    brak::PosixPlatform platform;
    brak::QtDialogs dialogs;
    brak::Brak brak(platform, dialogs);
    brak::TFormMain window(brak);
    dialogs.setParent(&window);
    window.show();
    return app.exec();
}
