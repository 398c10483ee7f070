// The first-run search window, the main window's place on the screen, and
// closing on a signal, with real widgets on the offscreen platform.
#include "ViewTest.h"
#include "startup/Layout.h"
#include "view/QtDialogs.h"
#include "view/SignalClose.h"
#include "view/TFormSearch.h"

#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <csignal>
#include <sys/stat.h>

using namespace brak;
using namespace brak::test;

namespace {

// A machine with a directory tree that never ends: every directory holds a
// hundred more.
class EndlessMachine : public FakePlatform {
public:
    std::vector<DirectoryEntry> listDirectory(const std::string&, int& error) const override {
        error = 0;
        std::vector<DirectoryEntry> entries(100);
        for (std::size_t i = 0; i < entries.size(); ++i) {
            entries[i].name = "d" + std::to_string(i);
            entries[i].kind = DirectoryEntry::Kind::Directory;
        }
        return entries;
    }
};

} // namespace

TEST(SearchWindowView, LooksAsDesignedAndFindsJar) {
    application();
    FakePlatform machine;
    machine.root.write("machine/opt/JAR32.EXE", "#!/bin/sh\n");
    ::chmod(machine.root.file("machine/opt/JAR32.EXE").c_str(), 0755);
    SearchWindow model(machine, machine.root.file("machine"));
    TFormSearch window(model);
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Brak - First Time Execution"));
    EXPECT_EQ(window.size(), QSize(640, 193));
    const QString intro = window.findChild<QLabel*>(QStringLiteral("Label1"))->text();
    EXPECT_TRUE(intro.startsWith(QStringLiteral("Brak requires JAR32.EXE to execute.  It will")));
    EXPECT_EQ(window.buSearch()->text(), QStringLiteral("&Search"));
    EXPECT_TRUE(window.buSearch()->isDefault());
    EXPECT_FALSE(window.buContinue()->isEnabled());
    EXPECT_EQ(window.laSearch()->text(), QString());

    window.show();
    QTest::mouseClick(window.buSearch(), Qt::LeftButton);
    ASSERT_TRUE(until([&] { return !model.searching(); }));
    EXPECT_EQ(model.FoundPath(), machine.root.file("machine/opt/JAR32.EXE"));
    EXPECT_FALSE(window.buSearch()->isEnabled());
    EXPECT_EQ(window.buContinue()->text(), QStringLiteral("&Continue"));
    EXPECT_TRUE(window.buContinue()->isDefault());
    QTest::mouseClick(window.buContinue(), Qt::LeftButton);
    EXPECT_EQ(window.result(), QDialog::Accepted);
    EXPECT_TRUE(model.closed());
}

TEST(SearchWindowView, ALongSearchStaysResponsiveAndStops) {
    application();
    EndlessMachine machine;
    SearchWindow model(machine);
    TFormSearch window(model);
    window.show();
    QTest::mouseClick(window.buSearch(), Qt::LeftButton);
    EXPECT_EQ(window.buContinue()->text(), QStringLiteral("S&top"));
    QElapsedTimer clock;
    clock.start();
    QTest::qWait(600);
    EXPECT_TRUE(model.searching());
    EXPECT_FALSE(window.laSearch()->text().isEmpty()) << "the progress shows";
    EXPECT_LE(window.progressShown(), 1 + clock.elapsed() / TFormSearch::ProgressMilliseconds)
        << "at most twenty times a second";
    EXPECT_GE(window.progressShown(), 3);

    QTest::mouseClick(window.buContinue(), Qt::LeftButton);
    EXPECT_FALSE(model.searching());
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.buContinue()->text(), QStringLiteral("&Manual Search"));
    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_FALSE(window.isVisible());
}

class WindowBounds : public WindowTest {};

TEST_F(WindowBounds, TheModelMovesTheWindowAndTheUserMovesTheModel) {
    show();
    f.Window.setBounds({120, 80, 900, 650});
    EXPECT_EQ(window->pos(), QPoint(120, 80));
    EXPECT_EQ(window->size(), QSize(900, 650));

    window->move(200, 150);
    window->resize(820, 600);
    until([&] { return f.Window.bounds().width == 820; }, 1000);
    EXPECT_EQ(f.Window.bounds(), (FormWindow::Bounds{200, 150, 820, 600}));

    window->showMaximized();
    QApplication::processEvents();
    EXPECT_EQ(f.Window.bounds(), (FormWindow::Bounds{200, 150, 820, 600}))
        << "a maximised window keeps the bounds it returns to";
}

TEST_F(WindowBounds, ALayoutPlaceOffEveryScreenComesToThePrimaryOne) {
    QtDialogs qtDialogs;
    ASSERT_FALSE(qtDialogs.screens().empty()) << "the offscreen platform has a screen";
    const ScreenArea primary = qtDialogs.screens().front();
    platform.makeUserDirectory();
    writeFile(platform.userDir + "Brak.CFG", "FormLeft=-5000\r\nFormTop=-5000\r\n");
    Layout layout(f, platform, qtDialogs, brak.config());
    ASSERT_EQ(layout.LoadBrak(), 0);
    show();
    EXPECT_TRUE(QRect(primary.left, primary.top, primary.width, primary.height)
                    .contains(window->geometry().topLeft()));
}

TEST_F(WindowBounds, ASignalClosesBoxesAndThenTheWindowAsTheUserWould) {
    SignalClose::catchSignals();
    SignalClose closer;
    closer.setWindow(window.get());
    show();
    QMessageBox* box = new QMessageBox(QMessageBox::Information, QStringLiteral("Brak"),
                                       QStringLiteral("Open"), QMessageBox::Ok, window.get());
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
    ::raise(SIGTERM);
    EXPECT_TRUE(until([] { return !QApplication::activeModalWidget(); }, 2000)) << "box closed";
    EXPECT_FALSE(f.Window.closed()) << "the program is not running its loop yet";

    closer.running();
    EXPECT_TRUE(until([&] { return f.Window.closed(); }, 2000)) << "through the close sequence";
    EXPECT_FALSE(window->isVisible());
}
