#pragma once

#include "Fakes.h"
#include "TempDir.h"
#include "ui/Brak.h"
#include "view/BrakApplication.h"
#include "view/TFormMain.h"
#include "view/Widgets.h"

#include <QElapsedTimer>
#include <QTest>
#include <cstdio>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

// Test failures show a QString as its text.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

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

// Runs the event loop until done() holds or the time is up; returns done().
inline bool until(const std::function<bool()>& done, int milliseconds = 10000) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < milliseconds)
        QTest::qWait(10);
    return done();
}

// The texts a grid view shows in one column, top to bottom.
inline std::vector<std::string> shownColumn(const QTableView* view, int col) {
    std::vector<std::string> texts;
    for (int row = 0; row < view->model()->rowCount(); ++row)
        texts.push_back(view->model()->index(row, col).data().toString().toStdString());
    return texts;
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
    GridView* grid(const StringGrid& control) const { return widget<GridView>(control); }

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
    // Clicks a check box or radio button on its box, where a user clicks.
    void click(const Control& control) {
        QWidget* w = widget(control);
        ASSERT_TRUE(w && w->isVisible()) << control.name();
        QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(8, w->height() / 2));
    }
    // From now on Jar lists the archive by writing `dump` where it is asked to.
    void jarListsDump() {
        platform.onStart = [this](const ProcessRequest& request) {
            const std::string& quoted = request.args.at(3);
            writeFile(quoted.substr(1, quoted.size() - 2), dump);
            StartResult started;
            started.child = std::make_unique<FakeChild>(0);
            return started;
        };
    }

    BrakApplication& app = application();
    FakePlatform platform;
    FakeDialogs dialogs;
    Brak brak{platform, dialogs};
    MainForm& f = brak.form();
    std::unique_ptr<TFormMain> window = std::make_unique<TFormMain>(brak);
    std::string dump;
};

} // namespace brak::test
