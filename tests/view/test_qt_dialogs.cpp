// The Qt dialogs behind the program's Dialogs: message boxes with caption,
// icon, buttons and default; the open dialog's title and filters; the save
// dialog's extension; the colour dialog's sixteen custom colours; the wait.
#include "ViewTest.h"
#include "config/ConfigFile.h"
#include "platform/PosixPlatform.h"
#include "view/QtDialogs.h"

#include <QAbstractButton>
#include <QColorDialog>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

using namespace brak;
using namespace brak::test;

namespace {

class QtDialogsTest : public ::testing::Test {
protected:
    // Runs check on the modal window of type D that the next call opens.
    template <typename D> void whenShown(std::function<void(D*)> check) {
        QTimer::singleShot(0, [check] {
            auto* modal = qobject_cast<D*>(QApplication::activeModalWidget());
            ASSERT_TRUE(modal) << "no dialog came up";
            check(modal);
        });
    }

    BrakApplication& app = application();
    QtDialogs dialogs;
};

} // namespace

TEST(QtFilter, ConvertsTheProgramsFiltersToQtsForm) {
    const std::pair<const char*, const char*> rows[] = {
        {"Archives (*.J)|*.J|All Files (*.*)|*.*", "Archives (*.J *.j);;All Files (*)"},
        {"JAR32.EXE|JAR32.EXE", "JAR32.EXE (JAR32.EXE jar32.exe)"},
        {"Text|*.txt;*.DOC", "Text (*.txt *.DOC *.doc)"},
        {"", ""},
        {"Dangling", ""}, // a description without a pattern is dropped
    };
    for (const auto& [filter, expected] : rows)
        EXPECT_EQ(qtFilter(filter), QString::fromLatin1(expected)) << filter;
}

TEST_F(QtDialogsTest, MessageBoxShowsCaptionIconButtonsAndDefault) {
    struct Row {
        MessageBoxRequest request;
        QMessageBox::Icon icon;
        QMessageBox::StandardButtons buttons;
        QMessageBox::StandardButton defaultButton, click;
        MessageAnswer answer;
    };
    const Row rows[] = {
        {{"Save the switches?", "Save Changes", MessageIcon::Question, MessageButtons::YesNoCancel,
          MessageAnswer::No},
         QMessageBox::Question,
         QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
         QMessageBox::No,
         QMessageBox::Cancel,
         MessageAnswer::Cancel},
        {{"Broken.", "Brak 1.1 Beta 3", MessageIcon::Error},
         QMessageBox::Critical,
         QMessageBox::Ok,
         QMessageBox::Ok,
         QMessageBox::Ok,
         MessageAnswer::Ok},
        {{"Go on?", "Mismatch", MessageIcon::Warning, MessageButtons::YesNo, MessageAnswer::Yes},
         QMessageBox::Warning,
         QMessageBox::Yes | QMessageBox::No,
         QMessageBox::Yes,
         QMessageBox::Yes,
         MessageAnswer::Yes},
    };
    for (const Row& row : rows) {
        whenShown<QMessageBox>([&row](QMessageBox* box) {
            EXPECT_EQ(box->windowTitle(), qs(row.request.caption));
            EXPECT_EQ(box->text(), qs(row.request.text));
            EXPECT_EQ(box->icon(), row.icon);
            EXPECT_EQ(box->standardButtons(), row.buttons);
            EXPECT_EQ(static_cast<QAbstractButton*>(box->defaultButton()),
                      box->button(row.defaultButton));
            box->button(row.click)->click();
        });
        EXPECT_EQ(dialogs.messageBox(row.request), row.answer) << row.request.text;
    }
}

TEST_F(QtDialogsTest, OpenDialogIsTitledAndFilteredAndCancels) {
    whenShown<QFileDialog>([](QFileDialog* dialog) {
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Select a File"));
        EXPECT_EQ(dialog->nameFilters(), (QStringList{QStringLiteral("Comments (*.CMT *.cmt)"),
                                                      QStringLiteral("All Files (*)")}));
        EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFile);
        dialog->reject();
    });
    EXPECT_EQ(dialogs.openFile("Comments (*.CMT)|*.CMT|All Files (*.*)|*.*"), "");

    // The archive picker's dialog takes a name that no file has yet.
    QTemporaryDir temp;
    whenShown<QFileDialog>([&](QFileDialog* dialog) {
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Select a File"));
        EXPECT_EQ(dialog->fileMode(), QFileDialog::AnyFile);
        dialog->setDirectory(temp.path());
        dialog->selectFile(temp.filePath(QStringLiteral("new.j")));
        static_cast<QDialog*>(dialog)->accept();
    });
    EXPECT_EQ(dialogs.nameFile("Archives (*.J)|*.J|All Files (*.*)|*.*"),
              temp.filePath(QStringLiteral("new.j")).toStdString());
}

TEST_F(QtDialogsTest, SaveDialogAddsTheConfigurationExtensionToANameWithout) {
    QTemporaryDir temp;
    const std::string folder = temp.path().toStdString();
    for (const char* name : {"mine", "last.bkf"}) {
        whenShown<QFileDialog>([&](QFileDialog* dialog) {
            EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
            EXPECT_EQ(dialog->nameFilters(),
                      (QStringList{QStringLiteral("Brak Configurations (*.BKF *.bkf)"),
                                   QStringLiteral("JAR Configurations (*.CFG *.cfg)")}));
            dialog->setDirectory(temp.path());
            dialog->selectFile(qs(folder + "/" + name));
            static_cast<QDialog*>(dialog)->accept();
        });
        EXPECT_EQ(dialogs.saveFile(SaveConfigurationFilter),
                  folder + "/" + (name == std::string("mine") ? "mine.CFG" : name));
    }
}

TEST_F(QtDialogsTest, ColourDialogCarriesTheSixteenCustomColours) {
    std::vector<std::uint32_t> custom(16);
    for (std::size_t i = 0; i < custom.size(); ++i)
        custom[i] = std::uint32_t(i) * 0x00101010u;
    custom[4] = 0x00000080; // red, as 0x00BBGGRR
    std::uint32_t colour = 0x00FFFF00;
    whenShown<QColorDialog>([](QColorDialog* dialog) {
        EXPECT_TRUE(dialog->testOption(QColorDialog::DontUseNativeDialog));
        bool chooserShown = false;
        for (QWidget* child : dialog->findChildren<QWidget*>())
            chooserShown |= QByteArray(child->metaObject()->className()).endsWith("QColorPicker") &&
                            child->isVisible();
        EXPECT_TRUE(chooserShown) << "the full chooser, not only the basic colours";
        EXPECT_EQ(QColorDialog::customColor(4), QColor(128, 0, 0));
        EXPECT_EQ(dialog->currentColor(), QColor(0, 255, 255));
        QColorDialog::setCustomColor(5, QColor(0, 0, 255));
        dialog->setCurrentColor(QColor(0, 128, 0));
        dialog->accept();
    });
    EXPECT_TRUE(dialogs.chooseColour(colour, custom));
    EXPECT_EQ(colour, 0x00008000u);
    EXPECT_EQ(custom[5], 0x00FF0000u) << "the user's custom colours come back";

    // A colour of the scheme starts the dialog at what the scheme shows;
    // a cancelled dialog leaves the colour.
    whenShown<QColorDialog>([](QColorDialog* dialog) {
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
