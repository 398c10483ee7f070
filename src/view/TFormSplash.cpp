#include "view/TFormSplash.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QWindow>

namespace brak {

TFormSplash::TFormSplash(const std::string& picture, Dialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint),
      logo_(this, QStringLiteral("Splash"), picture, dialogs) {
    setObjectName(QStringLiteral("TFormSplash"));
    QPalette grey = palette();
    grey.setColor(QPalette::Window, QColor(128, 128, 128));
    setPalette(grey);
    setAutoFillBackground(true);
    QSize screen = screenSize();
    logo_.arrange(screen.width(), screen.height());
}

std::unique_ptr<TFormSplash> TFormSplash::showNow(const std::string& picture, Dialogs& dialogs) {
    auto splash = std::make_unique<TFormSplash>(picture, dialogs);
    splash->show();
    // The window system has to map the window before anything painted
    // shows; that takes a moment, bounded here so start-up cannot hang.
    QElapsedTimer mapping;
    mapping.start();
    while (splash->windowHandle() && !splash->windowHandle()->isExposed() &&
           mapping.elapsed() < 1000)
        QApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 50);
    splash->repaint();
    QApplication::sync();
    return splash;
}

} // namespace brak
