// Jar's console on the screen: the terminal painted in Jar's colours, keys
// and Ctrl-C reaching a real program, closing while it runs, selection and
// copy, the exit box over the console, and the window of the last runs.
#include "Children.h"
#include "ViewTest.h"
#include "core/ExitMessages.h"
#include "platform/PosixPlatform.h"
#include "view/QtConsole.h"
#include "view/QtDialogs.h"
#include "view/TFormConsole.h"
#include "view/TFormLastOutput.h"
#include "view/TerminalView.h"

#include <QClipboard>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <functional>

namespace brak::test {
namespace {

const std::string JarProgram = std::string(BRAK_BIN_DIR) + "/JAR32.EXE";

bool shows(const TFormConsole& console, const std::string& text) {
    return console.session() &&
           console.session()->screen().screenText().find(text) != std::string::npos;
}

// How many pixels of the rectangle have this colour, give or take a little.
int pixelsLike(const QImage& image, const QRect& box, const QColor& colour) {
    int count = 0;
    for (int y = box.top(); y <= box.bottom(); ++y)
        for (int x = box.left(); x <= box.right(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            count += std::abs(pixel.red() - colour.red()) < 40 &&
                     std::abs(pixel.green() - colour.green()) < 40 &&
                     std::abs(pixel.blue() - colour.blue()) < 40;
        }
    return count;
}

class ConsoleView : public ::testing::Test {
protected:
    ConsoleView() { app.setDialogs(&dialogs); }
    ~ConsoleView() override { app.setDialogs(nullptr); }

    // Runs the program in the console; the script acts once it is up.
    ConsoleRun run(const ProcessRequest& request, std::function<void(TFormConsole&)> script = {}) {
        TerminalStart started = platform.startOnTerminal(request, console.size());
        EXPECT_TRUE(started.started()) << started.error;
        if (script)
            QTimer::singleShot(0, &parent, [this, script] { script(*console.window()); });
        return console.run(std::move(started.process), "the command line ");
    }

    BrakApplication& app = application();
    PosixPlatform platform;
    FakeDialogs dialogs;
    QWidget parent;
    QtConsole console{dialogs, &parent};
    TempDir temp;
};

} // namespace

TEST_F(ConsoleView, TheTerminalIsPaintedInJarsColoursAndItsTextCopied) {
    TerminalScreen screen({5, 30});
    screen.feed("\x1b[44m  \x1b[0m\x1b[1;31mRRRR\x1b[0m plain\r\nsecond line");
    TerminalView view;
    view.setScreen(&screen);
    view.resize(view.sizeFor(screen.size()));
    view.show();
    EXPECT_EQ(view.fittingSize(), screen.size());
    const QImage image = view.grab().toImage();
    EXPECT_EQ(image.pixelColor(view.cellRect(0, 0).center()), QColor(0, 0, 128))
        << "the cell's background";
    const QRect red = view.cellRect(0, 2).united(view.cellRect(0, 5));
    EXPECT_GT(pixelsLike(image, red, QColor(255, 0, 0)), 20) << "bold red letters are bright";
    EXPECT_EQ(pixelsLike(image, red, QColor(0, 0, 128)), 0);
    EXPECT_EQ(image.pixelColor(view.cellRect(3, 10).center()), QColor(0, 0, 0));
    const QRect plain = view.cellRect(0, 7).united(view.cellRect(0, 11));
    EXPECT_GT(pixelsLike(image, plain, QColor(192, 192, 192)), 20);

    // A drag selects, Ctrl+Shift+C copies, a double click takes a word.
    QWidget* area = view.viewport();
    auto at = [&](int line, int column) { return view.cellRect(line, column).topLeft(); };
    QTest::mousePress(area, Qt::LeftButton, {}, at(0, 7));
    QMouseEvent drag(QEvent::MouseMove, at(1, 6), area->mapToGlobal(at(1, 6)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(area, &drag);
    QTest::mouseRelease(area, Qt::LeftButton, {}, at(1, 6));
    EXPECT_EQ(view.selectedText(), QStringLiteral("plain\nsecond"));
    QTest::keyClick(&view, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("plain\nsecond"));
    QTest::mouseDClick(area, Qt::LeftButton, {}, view.cellRect(1, 8).center());
    EXPECT_EQ(view.selectedText(), QStringLiteral("line"));
    view.selectAll();
    EXPECT_EQ(view.selectedText(), QStringLiteral("  RRRR plain\nsecond line\n\n\n"));
}

TEST_F(ConsoleView, AProgramRunsInTheConsoleWhichTellsHowItEnded) {
    dialogs.setBusy(true);
    const ConsoleRun ran =
        run({"/usr/bin/printf", {"printf", "\\033[42mgreen\\033[0m and plain\\n"}, ""});
    EXPECT_EQ(ran.status, ExitStatus::exited(0));
    EXPECT_EQ(ran.output, "green and plain\n");
    EXPECT_TRUE(childrenGone()) << "the program is reaped before its end is told";
    EXPECT_FALSE(dialogs.busy) << "no hourglass over the console";
    TFormConsole* window = console.window();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible()) << "open until its box is closed";
    EXPECT_TRUE(window->isModal());
    EXPECT_EQ(window->findChild<QLabel*>(QStringLiteral("ConsoleState"))->text(),
              QStringLiteral("JAR32.EXE ended with exit code 0"));
    EXPECT_TRUE(shows(*window, "JAR32.EXE ended with exit code 0"));
    EXPECT_TRUE(window->windowTitle().startsWith(QStringLiteral("the command line")));
    console.close();
    EXPECT_EQ(console.window(), nullptr);
}

TEST_F(ConsoleView, KeysAndCtrlCReachTheProgram) {
    const ConsoleRun ran = run({"/bin/cat", {"cat"}, ""}, [](TFormConsole& window) {
        TerminalView* view = window.view();
        QTest::keyClicks(view, QStringLiteral("hello"));
        QTest::keyClick(view, Qt::Key_Backspace);
        QTest::keyClick(view, Qt::Key_Return);
        // The terminal echoes the line, then cat writes it back.
        ASSERT_TRUE(until([&] { return window.session()->screen().lineText(1) == "hell"; }))
            << window.session()->screen().screenText();
        EXPECT_EQ(window.session()->screen().lineText(0), "hell");
        QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier);
    });
    EXPECT_EQ(ran.status, ExitStatus::killed(SIGINT));
    EXPECT_EQ(exitStatusMessage(ran.status), "User termination - Ctrl-C");
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(ConsoleView, TheTerminalsOwnKeysReachTheProgramAsATerminalSendsThem) {
    const char* script = "stty -icanon -echo; echo ready; head -c 39 | cat -vT; echo";
    const ConsoleRun ran = run({"/bin/sh", {"sh", "-c", script}, ""}, [&](TFormConsole& window) {
        ASSERT_TRUE(until([&] { return shows(window, "ready"); }));
        for (Qt::Key key : {Qt::Key_Up, Qt::Key_Down, Qt::Key_Left, Qt::Key_Right, Qt::Key_Home,
                            Qt::Key_End, Qt::Key_Insert, Qt::Key_Delete, Qt::Key_PageUp,
                            Qt::Key_PageDown, Qt::Key_Escape, Qt::Key_Tab, Qt::Key_F2})
            QTest::keyClick(window.view(), key);
    });
    EXPECT_EQ(ran.output, "ready\n^[[A^[[B^[[D^[[C^[[H^[[F^[[2~^[[3~^[[5~^[[6~^[^I^[OQ\n");
}

TEST_F(ConsoleView, StoppingTheProgramIsAskedFirst) {
    dialogs.answers = {MessageAnswer::No, MessageAnswer::Yes};
    const ConsoleRun ran = run({"/bin/cat", {"cat"}, ""}, [](TFormConsole& window) {
        auto* stop = window.findChild<QPushButton*>(QStringLiteral("ConsoleStop"));
        QTest::mouseClick(stop, Qt::LeftButton);
        EXPECT_TRUE(window.session()->running()) << "No keeps it running";
        QTest::mouseClick(stop, Qt::LeftButton);
        EXPECT_TRUE(window.session()->stopping());
        EXPECT_FALSE(stop->isEnabled());
    });
    EXPECT_EQ(ran.status, ExitStatus::killed(SIGINT));
    ASSERT_EQ(dialogs.boxes.size(), 2u);
    EXPECT_EQ(dialogs.boxes[0],
              (MessageBoxRequest{TFormConsole::StopQuestion, TFormConsole::StopCaption,
                                 MessageIcon::Question, MessageButtons::YesNo, MessageAnswer::No}));
    // Once it has ended, the window closes without a question.
    console.window()->close();
    EXPECT_FALSE(console.window()->isVisible());
    EXPECT_EQ(dialogs.boxes.size(), 2u);

    // Brak closing the window (told to end) stops the program unasked.
    const ConsoleRun closed =
        run({"/bin/cat", {"cat"}, ""}, [](TFormConsole& window) { window.close(); });
    EXPECT_EQ(closed.status, ExitStatus::killed(SIGINT));
    EXPECT_EQ(dialogs.boxes.size(), 2u);
    EXPECT_TRUE(childrenGone()) << "no program runs on, no zombie stays";
}

TEST_F(ConsoleView, TheExitBoxAppearsOverTheConsole) {
    QtDialogs real(&parent);
    QtConsole onScreen(real, &parent);
    TerminalStart started = platform.startOnTerminal({"/usr/bin/seq", {"seq", "1", "12"}, ""}, {});
    ASSERT_TRUE(started.started());
    onScreen.run(std::move(started.process), "seq 1 12");
    QWidget* boxParent = nullptr;
    QTimer::singleShot(0, &parent, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        boxParent = box->parentWidget();
        // Its caption shows whole (beside a title bar's icon and buttons),
        // and Jar's last lines stay readable.
        EXPECT_GT(box->width(), box->fontMetrics().horizontalAdvance(box->windowTitle()) + 100);
        EXPECT_FALSE(QRect(box->pos(), box->size()).intersects(onScreen.window()->textRect()));
        box->accept();
    });
    real.messageBox({"Success", "Jar execution terminated", MessageIcon::Warning,
                     MessageButtons::Ok, MessageAnswer::Ok});
    EXPECT_EQ(boxParent, onScreen.window());
    onScreen.close();
}

TEST_F(ConsoleView, TheLastRunsAreShownNewestFirst) {
    RunLog log;
    log.add({"JAR32.EXE a \"old.j\" *.* ", DateTime{2026, 12, 6, 9, 0, 0}, 50, 0,
             ExitStatus::exited(1), "Warning", "old output\n"});
    log.add({"JAR32.EXE t \"new.j\" ", DateTime{2026, 12, 6, 10, 0, 0}, 1500, 0,
             ExitStatus::exited(0), "Success", "new output\n"});
    TFormLastOutput viewer(log);
    ASSERT_EQ(viewer.runs()->count(), 2);
    EXPECT_TRUE(viewer.runs()->item(0)->text().contains(QStringLiteral("new.j")));
    const QString text = viewer.text()->toPlainText();
    EXPECT_TRUE(text.startsWith(QStringLiteral("Command line: JAR32.EXE t \"new.j\" \n")));
    EXPECT_TRUE(text.contains(QStringLiteral("Duration:     1.500 s")));
    EXPECT_TRUE(text.endsWith(QStringLiteral("new output\n")));
    viewer.runs()->setCurrentRow(1);
    EXPECT_TRUE(viewer.text()->toPlainText().contains(QStringLiteral("Exit code:    1 (Warning)")));

    RunLog empty;
    TFormLastOutput none(empty);
    EXPECT_EQ(none.runs()->count(), 0);
    EXPECT_EQ(none.text()->toPlainText(), QStringLiteral("Jar has not been run yet."));
}

// With BRAK_SCREENSHOTS set (and a real display), a picture of the console
// over the main window while the stand-in asks whether to overwrite a file.
TEST_F(ConsoleView, Screenshot) {
    const char* directory = std::getenv("BRAK_SCREENSHOTS");
    if (!directory || QGuiApplication::platformName() == QLatin1String("offscreen"))
        GTEST_SKIP() << "for the screenshot script";
    FakePlatform fake;
    Brak brak(fake, dialogs);
    TFormMain window(brak);
    brak.form().edArchive.setText(temp.file("src/arc.j"));
    brak.form().raCommandExtract.click();
    window.show();
    QtConsole overMain(dialogs, &window);
    temp.write("src/report.txt", "the archived report\n");
    temp.write("src/notes.txt", "notes\n");
    StartResult made = platform.start(
        {JarProgram, {"JAR32.EXE ", "a ", "\"arc.j\" *.txt ", ""}, temp.file("src")});
    ASSERT_TRUE(made.started());
    made.child->wait();
    temp.write("dest/report.txt", "my own report\n");
    TerminalStart started = platform.startOnTerminal(
        {JarProgram,
         {"JAR32.EXE ", "e ", "\"" + temp.file("src/arc.j") + "\" *.* ", ""},
         temp.file("dest")},
        overMain.size());
    ASSERT_TRUE(started.started());
    QTimer::singleShot(0, &window, [&] {
        TFormConsole& console = *overMain.window();
        ASSERT_TRUE(until([&] { return shows(console, "verwrite"); }));
        QTest::qWait(500); // the window paints
        QGuiApplication::primaryScreen()->grabWindow(0).save(
            QString::fromStdString(std::string(directory) + "/console-question.png"));
        QTest::keyClick(console.view(), Qt::Key_Y);
        QTest::keyClick(console.view(), Qt::Key_Return);
    });
    EXPECT_EQ(overMain.run(std::move(started.process), brak.form().StatusBar1.simpleText()).status,
              ExitStatus::exited(0));
    EXPECT_EQ(temp.read("dest/report.txt"), "the archived report\n");
    overMain.close();
}

} // namespace brak::test
