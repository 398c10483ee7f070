#pragma once

#include "Fakes.h"
#include "ui/Brak.h"
#include "view/BrakApplication.h"
#include "view/TFormMain.h"

#include <QTest>
#include <cstdio>
#include <gtest/gtest.h>
#include <memory>

namespace brak::test {

// The one application object of a test program; it lives until the end.
inline BrakApplication& application() {
    static int argc = 1;
    static char name[] = "brak_view_test";
    static char* argv[] = {name, nullptr};
    static auto* app = [] {
        // The offscreen platform tells of every minimum size it cannot pass on.
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& message) {
            if (!message.contains(QLatin1String("propagateSizeHints")))
                fprintf(stderr, "%s\n", qPrintable(message));
        });
        return new BrakApplication(argc, argv);
    }();
    return *app;
}

inline QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

// A model and its own window. The model is made first, so it outlives the
// window, as in the program.
class WindowTest : public ::testing::Test {
protected:
    WindowTest() { app.setDialogs(&dialogs); }
    ~WindowTest() override { app.setDialogs(nullptr); }

    template <typename W = QWidget> W* widget(const Control& control) const {
        return window->findChild<W*>(qs(control.name()));
    }
    template <typename W = QWidget> W* widget(const char* name) const {
        return window->findChild<W*>(QString::fromLatin1(name));
    }

    void show() {
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
    // Brings the page holding the control to the front.
    void showPage(int page) {
        f.PageControl1.setActivePage(page);
        QApplication::processEvents();
    }

    BrakApplication& app = application();
    FakePlatform platform;
    FakeDialogs dialogs;
    Brak brak{platform, dialogs};
    MainForm& f = brak.form();
    std::unique_ptr<TFormMain> window = std::make_unique<TFormMain>(brak);
};

} // namespace brak::test
