// The Qt dialogs behind the program's Dialogs: message boxes with caption,
// icon, buttons and default; the open dialog's title and filters; the save
// dialog's extension; the colour dialog's sixteen custom colours.
#include "ViewTest.h"
#include "config/ConfigFile.h"
#include "platform/PosixPlatform.h"
#include "view/QtDialogs.h"

#include <QAbstractButton>
#include <QColorDialog>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>

using namespace brak;
using namespace brak::test;

namespace {

class QtDialogsTest : public ::testing::Test {
protected:
    // Runs check on the modal window that the next call opens.
    void whenShown(std::function<void(QWidget*)> check) {
        QTimer::singleShot(0, [check] {
            QWidget* modal = QApplication::activeModalWidget();
            ASSERT_TRUE(modal) << "no dialog came up";
            check(modal);
        });
    }

    BrakApplication& app = application();
    QtDialogs dialogs;
};

} // namespace

TEST(QtFilter, ConvertsTheProgramsFiltersToQtsForm) {
    EXPECT_EQ(qtFilter("Archives (*.J)|*.J|All Files (*.*)|*.*"),
              QStringLiteral("Archives (*.J *.j);;All Files (*)"));
    EXPECT_EQ(qtFilter("Lists (*.LST)|*.LST|All Files (*.*)|*.*"),
              QStringLiteral("Lists (*.LST *.lst);;All Files (*)"));
    EXPECT_EQ(qtFilter("JAR32.EXE|JAR32.EXE"), QStringLiteral("JAR32.EXE (JAR32.EXE jar32.exe)"));
    EXPECT_EQ(qtFilter("Jar Executable (JAR*.EXE)|JAR*.EXE|All Files (*.*)|*.*"),
              QStringLiteral("Jar Executable (JAR*.EXE jar*.exe);;All Files (*)"));
    EXPECT_EQ(qtFilter("Text|*.txt;*.DOC"), QStringLiteral("Text (*.txt *.DOC *.doc)"));
    EXPECT_EQ(qtFilter(""), QString());
    EXPECT_EQ(qtFilter("Dangling"), QString()) << "a description without a pattern is dropped";
}

TEST_F(QtDialogsTest, MessageBoxShowsCaptionIconButtonsAndDefault) {
    whenShown([](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_TRUE(box);
        EXPECT_EQ(box->windowTitle(), QStringLiteral("Save Changes"));
        EXPECT_EQ(box->text(), QStringLiteral("Save the switches?"));
        EXPECT_EQ(box->icon(), QMessageBox::Question);
        EXPECT_EQ(box->standardButtons(), QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        EXPECT_EQ(static_cast<QAbstractButton*>(box->defaultButton()),
                  box->button(QMessageBox::No));
        box->button(QMessageBox::Cancel)->click();
    });
    MessageAnswer answer =
        dialogs.messageBox({"Save the switches?", "Save Changes", MessageIcon::Question,
                            MessageButtons::YesNoCancel, MessageAnswer::No});
    EXPECT_EQ(answer, MessageAnswer::Cancel);

    whenShown([](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_TRUE(box);
        EXPECT_EQ(box->icon(), QMessageBox::Critical) << "the error box's stop icon";
        EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
        box->button(QMessageBox::Ok)->click();
    });
    EXPECT_EQ(showMessage(dialogs, "Broken.", "Brak 1.1 Beta 3", MessageIcon::Error),
              MessageAnswer::Ok);

    whenShown([](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_TRUE(box);
        EXPECT_EQ(box->icon(), QMessageBox::Warning);
        box->button(QMessageBox::Yes)->click();
    });
    EXPECT_EQ(dialogs.messageBox({"Go on?", "Mismatch", MessageIcon::Warning, MessageButtons::YesNo,
                                  MessageAnswer::Yes}),
              MessageAnswer::Yes);
}

TEST_F(QtDialogsTest, OpenDialogIsTitledAndFilteredAndCancels) {
    whenShown([](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_TRUE(dialog);
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Select a File"));
        EXPECT_EQ(dialog->nameFilters(), (QStringList{QStringLiteral("Comments (*.CMT *.cmt)"),
                                                      QStringLiteral("All Files (*)")}));
        EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFile);
        dialog->reject();
    });
    EXPECT_EQ(dialogs.openFile("Comments (*.CMT)|*.CMT|All Files (*.*)|*.*"), "");
}

TEST_F(QtDialogsTest, SaveDialogAddsTheConfigurationExtension) {
    QTemporaryDir temp;
    QString folder = temp.path();
    whenShown([folder](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_TRUE(dialog);
        EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
        EXPECT_EQ(dialog->defaultSuffix(), QStringLiteral("CFG"));
        dialog->setDirectory(folder);
        dialog->selectFile(folder + QStringLiteral("/mine"));
        static_cast<QDialog*>(dialog)->accept();
    });
    EXPECT_EQ(dialogs.saveFile("Configuration (*.CFG)|*.CFG"),
              (folder + QStringLiteral("/mine.CFG")).toStdString());

    whenShown([folder](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_TRUE(dialog);
        EXPECT_EQ(dialog->nameFilters(),
                  (QStringList{QStringLiteral("Brak Configurations (*.BKF *.bkf)"),
                               QStringLiteral("JAR Configurations (*.CFG *.cfg)")}));
        dialog->setDirectory(folder);
        dialog->selectFile(folder + QStringLiteral("/last.bkf"));
        static_cast<QDialog*>(dialog)->accept();
    });
    EXPECT_EQ(dialogs.saveFile(SaveConfigurationFilter),
              (folder + QStringLiteral("/last.bkf")).toStdString())
        << "a name with an extension keeps it";
}

TEST_F(QtDialogsTest, ColourDialogCarriesTheSixteenCustomColours) {
    std::vector<std::uint32_t> custom(16);
    for (std::size_t i = 0; i < custom.size(); ++i)
        custom[i] = std::uint32_t(i) * 0x00101010u;
    custom[4] = 0x00000080; // red, as 0x00BBGGRR
    std::uint32_t colour = 0x00FFFF00;
    whenShown([](QWidget* modal) {
        auto* dialog = qobject_cast<QColorDialog*>(modal);
        ASSERT_TRUE(dialog);
        EXPECT_TRUE(dialog->testOption(QColorDialog::DontUseNativeDialog));
        bool chooserShown = false;
        for (QWidget* child : dialog->findChildren<QWidget*>())
            chooserShown |= QByteArray(child->metaObject()->className()).endsWith("QColorPicker") &&
                            child->isVisible();
        EXPECT_TRUE(chooserShown) << "the full chooser, not only the basic colours";
        EXPECT_EQ(QColorDialog::customCount(), 16);
        EXPECT_EQ(QColorDialog::customColor(4), QColor(128, 0, 0));
        EXPECT_EQ(dialog->currentColor(), QColor(0, 255, 255));
        QColorDialog::setCustomColor(5, QColor(0, 0, 255));
        dialog->setCurrentColor(QColor(0, 128, 0));
        dialog->accept();
    });
    EXPECT_TRUE(dialogs.chooseColour(colour, custom));
    EXPECT_EQ(colour, 0x00008000u);
    EXPECT_EQ(custom[5], 0x00FF0000u) << "the user's custom colours come back";

    whenShown([](QWidget* modal) { static_cast<QDialog*>(modal)->reject(); });
    std::uint32_t kept = 0x00123456;
    EXPECT_FALSE(dialogs.chooseColour(kept, custom));
    EXPECT_EQ(kept, 0x00123456u);

    // A colour of the scheme starts the dialog at what the scheme shows.
    whenShown([](QWidget* modal) {
        auto* dialog = qobject_cast<QColorDialog*>(modal);
        ASSERT_TRUE(dialog);
        EXPECT_EQ(dialog->currentColor(), QApplication::palette().color(QPalette::Base));
        dialog->reject();
    });
    std::uint32_t window = clWindow;
    EXPECT_FALSE(dialogs.chooseColour(window, custom));
    EXPECT_EQ(window, clWindow);
}

TEST_F(QtDialogsTest, TheHourglassIsSetOnceAndTakenAwayOnce) {
    dialogs.setBusy(true);
    dialogs.setBusy(true);
    ASSERT_TRUE(QApplication::overrideCursor());
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    dialogs.setBusy(false);
    EXPECT_FALSE(QApplication::overrideCursor());
    dialogs.setBusy(false);
    EXPECT_FALSE(QApplication::overrideCursor());
}

TEST_F(QtDialogsTest, AWaitEndsTheMomentTheChildEndsAndALongOneCanBeCancelled) {
    PosixPlatform platform;
    using Outcome = Dialogs::WaitOutcome;
    auto start = [&](const char* seconds) {
        StartResult started = platform.start({"/bin/sleep", {"sleep", seconds}, ""});
        EXPECT_TRUE(started.started());
        return std::move(started.child);
    };
    auto waitWindowShown = [] {
        for (QWidget* top : QApplication::topLevelWidgets())
            if (top->objectName() == QLatin1String("TFormWait") && top->isVisible())
                return true;
        return false;
    };

    // A short run: no window, and the wait ends as the child does (a wait
    // that looked again every so often would take longer).
    auto child = start("0.3");
    QElapsedTimer clock;
    clock.start();
    bool windowSeen = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout,
                     [&] { windowSeen = windowSeen || waitWindowShown(); });
    watch.start(50);
    EXPECT_EQ(dialogs.waitForChild(*child, "Reading the archive\u2026", "/arc/SHORT.J"),
              Outcome::Ended);
    EXPECT_GE(clock.elapsed(), 290);
    EXPECT_LT(clock.elapsed(), 450);
    EXPECT_FALSE(windowSeen);

    // A run that ends while the window shows closes the window by itself.
    child = start("1.4");
    EXPECT_EQ(dialogs.waitForChild(*child, "Reading the archive\u2026", "/arc/MEDIUM.J"),
              Outcome::Ended);
    EXPECT_TRUE(windowSeen) << "after a second the window came up";
    EXPECT_FALSE(waitWindowShown());

    // A long run: Cancel in the window gives up the wait; the child still runs.
    child = start("30");
    QTimer cancel;
    QObject::connect(&cancel, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal->objectName() != QLatin1String("TFormWait"))
            return;
        EXPECT_EQ(modal->findChild<QLabel*>(QStringLiteral("laWaitDetail"))->text(),
                  QStringLiteral("/arc/LONG.J"));
        modal->findChild<QPushButton*>(QStringLiteral("buWaitCancel"))->click();
    });
    cancel.start(100);
    clock.restart();
    EXPECT_EQ(dialogs.waitForChild(*child, "Reading the archive\u2026", "/arc/LONG.J"),
              Outcome::Cancelled);
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_FALSE(child->hasEnded());
    child->terminate();
    EXPECT_TRUE(child->hasEnded());
}
