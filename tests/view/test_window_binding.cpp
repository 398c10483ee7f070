// What the user does in the main window reaches the model, and what the
// model does shows in the widgets: clicks, typing, keys, focus leaving a
// panel, spin buttons, menus, hints and the error box.
#include "FakeConsole.h"
#include "ViewTest.h"
#include "core/Commands.h"
#include "core/SwitchReader.h"
#include "view/Binding.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTabWidget>
#include <QToolButton>

using namespace brak;
using namespace brak::test;

namespace {

class WindowBinding : public WindowTest {
protected:
    WindowBinding() { show(); }

    void type(const Control& field, const QString& text) {
        QWidget* w = widget(field);
        ASSERT_TRUE(w && w->isVisible()) << field.name();
        w->setFocus();
        QTest::keyClicks(w, text);
    }
    QLineEdit* edit(const Control& field) { return widget<QLineEdit>(field); }
    bool checked(const Control& control) {
        if (auto* box = widget<QCheckBox>(control))
            return box->isChecked();
        return widget<QRadioButton>(control)->isChecked();
    }
    bool enabled(const Control& control) { return widget(control)->isEnabled(); }
    QAction* action(const MenuItem& item) { return window->findChild<QAction*>(qs(item.name())); }
    void focus(QWidget* w) {
        w->setFocus();
        QApplication::processEvents();
    }
};

} // namespace

TEST_F(WindowBinding, TickingCompressionChecksAndEnablesItsVariants) {
    showPage(4);
    const std::vector<RadioButton*> variants = {&f.raCompressionFast, &f.raCompressionNormal,
                                                &f.raCompressionBetter, &f.raCompressionBest};
    click(f.chCompression);
    EXPECT_TRUE(f.chCompression.checked() && checked(f.chCompression));
    for (RadioButton* variant : variants)
        EXPECT_TRUE(enabled(*variant)) << variant->name();
    EXPECT_TRUE(checked(f.raCompressionNormal));
    click(f.raCompressionBest);
    EXPECT_TRUE(f.raCompressionBest.checked());
    EXPECT_FALSE(checked(f.raCompressionNormal)) << "the model unchecked the sibling";
    // Clicking the checked button leaves it checked, as its group requires.
    click(f.raCompressionBest);
    EXPECT_TRUE(checked(f.raCompressionBest) && f.raCompressionBest.checked());
    EXPECT_EQ(window->statusText()->text(), QStringLiteral("JAR32.EXE a \"\"  -m4 "));

    click(f.chCompression);
    EXPECT_FALSE(checked(f.chCompression));
    for (RadioButton* variant : variants)
        EXPECT_FALSE(enabled(*variant) || checked(*variant)) << variant->name();
}

TEST_F(WindowBinding, UntickingPasswordMasksAndEmptiesItsField) {
    showPage(5);
    click(f.chPassword);
    ASSERT_TRUE(enabled(f.edPassword));
    type(f.edPassword, QStringLiteral("secret"));
    EXPECT_EQ(f.edPassword.text(), "secret");
    EXPECT_EQ(edit(f.edPassword)->displayText(), QStringLiteral("******"));
    click(f.chPasswordVisible);
    EXPECT_EQ(edit(f.edPassword)->echoMode(), QLineEdit::Normal);

    click(f.chPassword);
    EXPECT_EQ(edit(f.edPassword)->text(), QString());
    EXPECT_EQ(edit(f.edPassword)->echoMode(), QLineEdit::Password);
    EXPECT_FALSE(enabled(f.edPassword) || checked(f.chPasswordVisible));
}

TEST_F(WindowBinding, SelectingACommandShowsItsCommandLine) {
    showPage(0);
    type(f.edArchive, QStringLiteral("/tmp/saved.j"));
    EXPECT_EQ(f.edArchive.text(), "/tmp/saved.j");
    for (RadioButton* command : f.commandButtons)
        EXPECT_TRUE(enabled(*command)) << command->name();
    click(f.raCommandExtract);
    EXPECT_EQ(CommandIndex(f), 6);
    EXPECT_EQ(window->statusText()->text(), QStringLiteral("JAR32.EXE e \"/tmp/saved.j\"  "));

    // Emptying the name greys the commands out again.
    edit(f.edArchive)->selectAll();
    QTest::keyClick(edit(f.edArchive), Qt::Key_Delete);
    EXPECT_EQ(f.edArchive.text(), "");
    EXPECT_FALSE(enabled(f.raCommandExtract));
}

TEST_F(WindowBinding, DoubleClickingACommandRunsItAfterSelectingIt) {
    f.edArchive.setText("a.j");
    std::vector<std::string> seen, events;
    FakeConsole console(events);
    brak.runner().setConsole(&console);
    platform.onTerminalStart = [&](const ProcessRequest&, TerminalSize) {
        seen.push_back(window->statusText()->text().toStdString());
        return TerminalStart{0, std::make_unique<FakeTerminalProcess>()};
    };
    QWidget* copy = widget(f.raCommandCopy);
    QTest::mouseClick(copy, Qt::LeftButton, {}, QPoint(8, copy->height() / 2));
    QTest::mouseDClick(copy, Qt::LeftButton, {}, QPoint(8, copy->height() / 2));
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_NE(seen[0].find(" y "), std::string::npos) << "the click showed its command line first";
    EXPECT_TRUE(checked(f.raCommandCopy));
    ASSERT_FALSE(events.empty());
    EXPECT_TRUE(events[0].starts_with("console JAR32.EXE y \"a.j\"")) << events[0];
    brak.runner().setConsole(nullptr);
}

TEST_F(WindowBinding, ChangesByTheProgramShowInTheWidgets) {
    showPage(4);
    SetSwitch(f, dialogs, "-r -m4 -o\"/tmp/out\" ");
    EXPECT_TRUE(dialogs.boxes.empty());
    const std::vector<const Control*> ticked = {&f.chRecurse, &f.chCompression,
                                                &f.raCompressionBest, &f.chOutput};
    for (const Control* on : ticked)
        EXPECT_TRUE(checked(*on)) << on->name();
    EXPECT_FALSE(checked(f.raCompressionNormal));
    EXPECT_EQ(edit(f.edOutput)->text(), QStringLiteral("/tmp/out"));
    EXPECT_TRUE(enabled(f.edOutput));

    f.Caption1.setText("Brak [/tmp/my.cfg]");
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Brak [/tmp/my.cfg]"));
    f.laFileDetail.setCaption("File Details (3 files)");
    EXPECT_EQ(widget<QLabel>(f.laFileDetail)->text(), QStringLiteral("File Details (3 files)"));
    f.StatusBar1.setSimpleText("JAR32.EXE x");
    EXPECT_EQ(window->statusText()->text(), QStringLiteral("JAR32.EXE x"));
    f.edColourNormal.setColour(0x00FF0000);
    EXPECT_EQ(widget(f.edColourNormal)->palette().color(QPalette::Base), QColor(0, 0, 255));

    // The pages follow the model and the user.
    auto* pages = widget<QTabWidget>("PageControl");
    f.PageControl1.setActivePage(5);
    EXPECT_EQ(pages->currentIndex(), 5);
    pages->setCurrentIndex(2);
    EXPECT_EQ(f.PageControl1.activePage(), 2);
    platform.markFirstRunDone();
    brak.startup().CreateBrak();
    EXPECT_EQ(pages->currentIndex(), 0) << "start-up shows the View page";
}

namespace {

class Throwing : public QObject {
protected:
    bool event(QEvent*) override { throw Error("Nobody caught this"); }
};

} // namespace

TEST_F(WindowBinding, AnErrorShowsTheErrorBoxAndTheWindowCarriesOn) {
    showPage(3);
    f.chRecurse.onClick.wire([] { throw Error("Something went wrong"); });
    click(f.chRecurse);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0], (MessageBoxRequest{"Something went wrong.", "Brak 1.1 Beta 3",
                                                   MessageIcon::Error, MessageButtons::Ok}));
    // The state the error left is what shows, and the window goes on.
    EXPECT_EQ(checked(f.chRecurse), f.chRecurse.checked());
    click(f.chYes);
    EXPECT_TRUE(f.chYes.checked());
    EXPECT_EQ(dialogs.boxes.size(), 1u);

    // What no handler caught, the application catches.
    Throwing object;
    QEvent event(QEvent::User);
    EXPECT_FALSE(QApplication::sendEvent(&object, &event));
    ASSERT_EQ(dialogs.boxes.size(), 2u);
    EXPECT_EQ(dialogs.boxes[1], (MessageBoxRequest{"Nobody caught this.", "Brak 1.1 Beta 3",
                                                   MessageIcon::Error, MessageButtons::Ok}));
}

namespace {

// Fields of their own, in a window of their own, bound as the main window
// binds its fields; the tests wire their events.
class LoneFields : public ::testing::Test {
protected:
    LoneFields() {
        app.setDialogs(&dialogs);
        holder.resize(400, 100);
    }
    ~LoneFields() override { app.setDialogs(nullptr); }

    QLineEdit* show(Edit& field) {
        QLineEdit* widget = binding.edit(field);
        widget->setParent(&holder);
        holder.show();
        holder.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&holder));
        widget->setFocus();
        return widget;
    }

    // Any character, as a keyboard of that language types it.
    static void typeCharacter(QWidget* widget, const QString& character) {
        QTest::sendKeyEvent(QTest::Press, widget, Qt::Key_unknown, character, Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Release, widget, Qt::Key_unknown, character, Qt::NoModifier);
    }

    BrakApplication& app = application();
    FakeDialogs dialogs;
    Form form;
    QWidget holder;
    Binding binding{dialogs, &holder};
};

} // namespace

TEST_F(LoneFields, KeysReachTheModelWithTheTextAndCaretInBytes) {
    Edit field(&form, "edLone");
    QLineEdit* widget = show(field);
    std::string typed;
    field.onKeyPress.wire([&](char c) { typed += c; });
    std::vector<std::pair<std::string, int>> released;
    bool takeMinus = false;
    field.onKeyUp.wire([&](int) {
        released.emplace_back(field.text(), field.selStart());
        // A key-release rule that takes a character out puts the caret back.
        if (takeMinus && field.text().find('-') != std::string::npos) {
            const int at = field.selStart();
            std::string text = field.text();
            text.erase(std::size_t(at - 1), 1);
            field.setText(text);
            field.setSelStart(at - 1);
        }
    });
    for (const QString& character : {QStringLiteral("a"), QStringLiteral("ä"), QStringLiteral("€")})
        typeCharacter(widget, character);
    QTest::keyClick(widget, Qt::Key_Left);
    QTest::keyClick(widget, Qt::Key_Return);
    EXPECT_EQ(typed, "a\xc3\xa4\xe2\x82\xac\r") << "typed characters, Enter as a carriage return";
    ASSERT_EQ(released.size(), 5u);
    EXPECT_EQ(released[1], (std::pair<std::string, int>{"a\xc3\xa4", 3}));
    EXPECT_EQ(released[2], (std::pair<std::string, int>{"a\xc3\xa4\xe2\x82\xac", 6}));
    EXPECT_EQ(released[3], (std::pair<std::string, int>{"a\xc3\xa4\xe2\x82\xac", 3}))
        << "the caret moved left over one character of three bytes";

    takeMinus = true;
    QTest::keyClick(widget, Qt::Key_Minus);
    EXPECT_EQ(widget->text(), QStringLiteral("aä€"));
    EXPECT_EQ(widget->cursorPosition(), 2) << "back between the two characters";
}

TEST_F(LoneFields, AnIntegerFieldRefusesALetterAndRemovesWholeCharacters) {
    TLEdit field(&form, "loLone");
    QLineEdit* widget = show(field);
    QTest::keyClicks(widget, QStringLiteral("12x"));
    EXPECT_EQ(widget->text(), QStringLiteral("12"));
    EXPECT_EQ(widget->cursorPosition(), 2);
    EXPECT_EQ(field.Value(), 12);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0], (MessageBoxRequest{"'12x' is not a valid integer value.",
                                                   "Brak 1.1 Beta 3", MessageIcon::Error}));

    field.setText("4096\xc3\xa4"); // put there without a key release
    widget->setCursorPosition(5);
    QTest::keyClick(widget, Qt::Key_X);
    EXPECT_EQ(field.text(), "4096\xc3\xa4") << "the x goes, the a-umlaut stays whole";
    EXPECT_EQ(widget->text(), QStringLiteral("4096ä"));
    EXPECT_EQ(widget->cursorPosition(), 5);
    ASSERT_EQ(dialogs.boxes.size(), 2u);
    EXPECT_EQ(dialogs.boxes[1].text, "'4096\xc3\xa4' is not a valid integer value.");
    QTest::keyClick(widget, Qt::Key_Backspace);
    EXPECT_EQ(field.text(), "4096");
    EXPECT_EQ(field.Value(), 4096);
}

TEST_F(LoneFields, ANameThatIsNotUtf8SurvivesEditing) {
    Edit field(&form, "edLone");
    QLineEdit* widget = show(field);
    field.setText("/arc/caf\xe9.j"); // Latin-1, as an old disk may hold it
    widget->end(false);
    QTest::keyClick(widget, Qt::Key_X);
    EXPECT_EQ(field.text(), "/arc/caf\xe9.jx");
    EXPECT_EQ(field.selStart(), 12);
}

TEST_F(WindowBinding, FocusLeavingAPanelRunsItsExitRule) {
    showPage(4);
    click(f.chOutput);
    focus(edit(f.edOutput));
    focus(widget(f.chOutput));
    EXPECT_TRUE(f.chOutput.checked()) << "within the panel nothing happens";
    // Another window taking the focus leaves no panel, nor does coming back.
    QWidget other;
    other.setFocusPolicy(Qt::StrongFocus);
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    focus(&other);
    other.close();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    focus(edit(f.edOutput));
    EXPECT_TRUE(f.chOutput.checked());
    // Leaving it with the field empty switches the panel off.
    focus(widget(f.chSort));
    EXPECT_FALSE(f.chOutput.checked() || checked(f.chOutput));

    // With a path typed, leaving keeps it on.
    click(f.chOutput);
    type(f.edOutput, QStringLiteral("/tmp"));
    focus(widget(f.chSort));
    EXPECT_TRUE(f.chOutput.checked());
}

TEST_F(WindowBinding, SpinButtonsStepTheField) {
    showPage(2);
    auto* spin = widget<SpinWidget>(f.spMemoryFlat);
    QTest::mouseClick(spin->up(), Qt::LeftButton);
    EXPECT_EQ(f.loMemoryFlat.text(), "4097");
    EXPECT_EQ(edit(f.loMemoryFlat)->text(), QStringLiteral("4097"));
    QTest::mouseClick(spin->down(), Qt::LeftButton);
    QTest::mouseClick(spin->down(), Qt::LeftButton);
    EXPECT_EQ(edit(f.loMemoryFlat)->text(), QStringLiteral("4095"));
}

TEST_F(WindowBinding, OptionsItemsFlipTheirOwnCheck) {
    for (MenuItem* item : f.OptionMenu) {
        action(*item)->trigger();
        EXPECT_FALSE(item->checked() || action(*item)->isChecked()) << item->name();
    }
    action(f.AutoSave)->trigger();
    EXPECT_TRUE(f.AutoSave.checked());
    EXPECT_FALSE(f.AutoLoad.checked()) << "each item flips only its own check";
}

TEST_F(WindowBinding, ShowHintsTurnsEveryHintOffAndOn) {
    std::vector<const Control*> hinted = {&f.edArchive, &f.raCommandAddFile, &f.stFile,
                                          &f.buFollow,  &f.edColourComment,  &f.edExcludeList};
    action(f.ShowHints)->trigger();
    EXPECT_FALSE(f.ShowHints.checked() || window->binding().hintsShown());
    for (const Control* control : hinted)
        EXPECT_TRUE(widget(*control)->toolTip().isEmpty()) << control->name();
    action(f.ShowHints)->trigger();
    for (const Control* control : hinted)
        EXPECT_EQ(widget(*control)->toolTip(), qs(control->hint())) << control->name();
}

TEST_F(WindowBinding, TheStatusBarNeverShowsAHint) {
    f.StatusBar1.setSimpleText("JAR32.EXE a");
    QStatusTipEvent tip(QStringLiteral("a hint"));
    QApplication::sendEvent(window.get(), &tip);
    QStatusTipEvent empty{QString()};
    QApplication::sendEvent(widget(f.edArchive), &empty);
    EXPECT_EQ(window->statusText()->text(), QStringLiteral("JAR32.EXE a"));
    EXPECT_TRUE(window->statusBar()->currentMessage().isEmpty());
    EXPECT_TRUE(window->statusText()->isVisible());
}

TEST_F(WindowBinding, AClosedViewIsNeverCalledBack) {
    window.reset();
    // The model lives on and keeps changing.
    f.chRecurse.setChecked(true);
    f.edArchive.setText("left.j");
    f.StatusBar1.setSimpleText("JAR32.EXE a");
    f.ShowHints.setChecked(false);
    f.stFile.setCell(0, 1, "x");
    f.FileList1.setItems({"a", "b"});
    f.PageControl1.setActivePage(3);
    // A new window shows the model as it is now.
    window = std::make_unique<TFormMain>(brak);
    EXPECT_TRUE(widget<QCheckBox>(f.chRecurse)->isChecked());
    EXPECT_EQ(widget<QLineEdit>(f.edArchive)->text(), QStringLiteral("left.j"));
    EXPECT_EQ(window->statusText()->text(), QStringLiteral("JAR32.EXE a"));
    EXPECT_TRUE(widget(f.edArchive)->toolTip().isEmpty());
    EXPECT_EQ(widget<QTabWidget>("PageControl")->currentIndex(), 3);
}
