// The Advanced tab worked as a user works it: clicks and typing in the real
// main window, the command run by a double click in the real console, and
// the real JAR32.EXE doing what the panels ask. BRAK_SCREENSHOTS names a
// folder for pictures of the tab and its status bar.
#include "DirectoryPlatform.h"
#include "RunCommand.h"
#include "ViewTest.h"
#include "platform/PosixPlatform.h"
#include "view/QtConsole.h"

#include <QLabel>
#include <QLineEdit>
#include <filesystem>

using namespace brak;
using namespace brak::test;

namespace {

namespace fs = std::filesystem;

class AdvancedWindow : public ::testing::Test {
protected:
    AdvancedWindow() {
        app.setDialogs(&dialogs);
        platform.setEnvironment("JAR_CFG_FILE", "");
        brak.runner().setConsole(&console);
        f.Directory.setDirectory(work.path());
        window->resize(1000, 700);
        window->show();
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        f.edArchive.setText(work.file("arc.j"));
        f.edContentMask.setText("*.*"); // as the program starts
        f.PageControl1.setActivePage(5);
        QApplication::processEvents();
    }
    ~AdvancedWindow() override {
        brak.runner().setConsole(nullptr);
        app.setDialogs(nullptr);
    }

    QWidget* widget(const Control& control) const {
        return window->findChild<QWidget*>(qs(control.name()));
    }
    void click(const Control& control) {
        QWidget* w = widget(control);
        ASSERT_TRUE(w && w->isVisible() && w->isEnabled()) << control.name();
        QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(8, w->height() / 2));
    }
    void type(const Control& field, const std::string& text) {
        auto* line = window->findChild<QLineEdit*>(qs(field.name()));
        ASSERT_TRUE(line) << field.name();
        line->setFocus();
        line->selectAll();
        QTest::keyClick(line, Qt::Key_Delete);
        QTest::keyClicks(line, qs(text));
    }
    // Runs the command by a double click on it, as the user does; the box
    // that tells how Jar ended is the last one shown. The Advanced tab stays.
    std::string run(const Control& command) {
        click(command);
        QWidget* w = widget(command);
        const size_t boxes = dialogs.boxes.size();
        QTest::mouseDClick(w, Qt::LeftButton, {}, QPoint(8, w->height() / 2));
        return dialogs.boxes.size() > boxes ? dialogs.boxes.back().text : "no box";
    }
    std::string statusLine() const { return window->statusText()->text().toStdString(); }
    void shot(const std::string& name) {
        const char* folder = std::getenv("BRAK_SCREENSHOTS");
        if (folder != nullptr)
            window->grab().save(qs(std::string(folder) + "/advanced-" + name + ".png"));
    }
    // Jar run directly, to see what the window made; a password goes on
    // descriptor 3, and there is no terminal to ask on.
    CommandResult jar(const std::string& args, const std::string& password = "") {
        return runJarLine(work.path(), args, password);
    }

    BrakApplication& app = application();
    DirectoryPlatform platform;
    FakeDialogs dialogs;
    Brak brak{platform, dialogs};
    MainForm& f = brak.form();
    std::unique_ptr<TFormMain> window = std::make_unique<TFormMain>(brak);
    QtConsole console{dialogs, window.get()};
    TempDir work;
};

const std::string Success = "Success";

TEST_F(AdvancedWindow, ExcludeLeavesOutAndChaptersOneToOneExtractsTheFirstVersions) {
    work.write("keep.txt", "first version");
    work.write("drop.bak", "a backup");
    click(f.chExclude);
    type(f.edExcludeMask, "*.bak");
    EXPECT_EQ(run(f.raCommandAddFile), Success);
    shot("exclude");
    EXPECT_NE(statusLine().find("-x\"*.bak\" "), std::string::npos) << statusLine();
    EXPECT_EQ(jar("ls arc.j").output, "keep.txt\n");

    click(f.chExclude);
    work.write("keep.txt", "second version, longer");
    EXPECT_EQ(run(f.raCommandAddChapter), Success);
    click(f.chChapter);
    click(f.chChapterLast);
    fs::create_directory(work.file("out"));
    f.Directory.setDirectory(work.file("out"));
    EXPECT_EQ(run(f.raCommandFull), Success);
    shot("chapters");
    EXPECT_NE(statusLine().find(" -jc-1 "), std::string::npos) << statusLine();
    EXPECT_EQ(work.read("out/keep.txt"), "first version");
}

TEST_F(AdvancedWindow, SevenHundredKilobyteVolumesExtractWhole) {
    const std::string noise = randomBytes(3 * 1024 * 1024, 700);
    work.write("big.bin", noise);
    click(f.chVolume);
    click(f.raVolumeSpecify);
    click(f.raVolumeOther);
    type(f.loVolumeSize, "700");
    EXPECT_EQ(run(f.raCommandAddFile), Success);
    shot("volumes");
    EXPECT_NE(statusLine().find(" -v700 "), std::string::npos) << statusLine();
    EXPECT_EQ(fs::file_size(work.file("arc.j")), 700u * 1024);
    EXPECT_TRUE(work.exists("arc.004") && !work.exists("arc.005"));
    fs::create_directory(work.file("out"));
    f.Directory.setDirectory(work.file("out"));
    EXPECT_EQ(run(f.raCommandExtract), Success);
    EXPECT_TRUE(work.read("out/big.bin") == noise);
}

TEST_F(AdvancedWindow, PasswordSpecifyEncryptsAndNewPasswordSpecifyChangesIt) {
    const std::string secret = "only the archive knows this line";
    work.write("secret.txt", secret);
    click(f.chPassword);
    type(f.edPassword, "s3cret");
    EXPECT_EQ(run(f.raCommandAddFile), Success);
    EXPECT_EQ(work.read("arc.j").find(secret), std::string::npos);
    EXPECT_EQ(statusLine().find("s3cret"), std::string::npos);
    const CommandResult asked = jar("t arc.j");
    EXPECT_EQ(asked.exitCode, 7);
    EXPECT_NE(asked.output.find("needs a password"), std::string::npos) << asked.output;
    EXPECT_EQ(jar("t arc.j", "wrong").exitCode, 3);
    EXPECT_EQ(jar("t arc.j", "s3cret").exitCode, 0);

    click(f.chNewPassword);
    type(f.edNewPassword, "n3w-one");
    EXPECT_EQ(run(f.raCommandCopy), Success);
    shot("passwords");
    EXPECT_NE(statusLine().find(" -pfd3 -npfd4 "), std::string::npos) << statusLine();
    EXPECT_EQ(jar("t arc.j", "s3cret").exitCode, 3);
    EXPECT_EQ(jar("x arc.j -oout", "n3w-one").exitCode, 0);
    EXPECT_EQ(work.read("out/secret.txt"), secret);
}

} // namespace
