// Every control of the main window has its widget, named after it, with its
// caption, hint and form default; the menus, tabs and command group are in
// their order.
#include "ViewTest.h"
#include "core/Commands.h"
#include "view/SchemeColour.h"
#include "view/Widgets.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTabWidget>

using namespace brak;
using namespace brak::test;

namespace {

Colour baseColour(QWidget* widget) {
    QColor c = widget->palette().color(QPalette::Base);
    return Colour(c.red()) | Colour(c.green()) << 8 | Colour(c.blue()) << 16;
}

class WindowControls : public WindowTest {
protected:
    // Checks one control's widget against the control; returns what it found.
    void checkControl(Control& control) {
        const std::string& name = control.name();
        SCOPED_TRACE(name);
        if (dynamic_cast<Caption*>(&control)) {
            EXPECT_EQ(window->windowTitle(), QStringLiteral("Brak"));
            return;
        }
        if (auto* self = dynamic_cast<FormWindow*>(&control)) {
            EXPECT_EQ(window->size(), QSize(self->bounds().width, self->bounds().height));
            return;
        }
        if (auto* item = dynamic_cast<MenuItem*>(&control)) {
            auto* action = window->findChild<QAction*>(qs(name));
            ASSERT_TRUE(action);
            EXPECT_EQ(action->text(), qs(item->caption()));
            EXPECT_EQ(action->isCheckable(), item->checkable());
            EXPECT_EQ(action->isChecked(), item->checked());
            EXPECT_EQ(action->isEnabled(), item->enabled());
            EXPECT_TRUE(action->statusTip().isEmpty());
            return;
        }
        QWidget* w = widget(control);
        ASSERT_TRUE(w) << "no widget named " << name;
        EXPECT_EQ(window->binding().widgetFor(control), w);
        EXPECT_EQ(w->toolTip(), qs(control.hint()));
        if (auto* box = dynamic_cast<CheckBox*>(&control)) {
            auto* check = qobject_cast<QCheckBox*>(w);
            ASSERT_TRUE(check);
            EXPECT_EQ(check->text(), qs(box->caption()));
            EXPECT_EQ(check->isChecked(), box->checked());
        } else if (auto* radio = dynamic_cast<RadioButton*>(&control)) {
            auto* button = qobject_cast<QRadioButton*>(w);
            ASSERT_TRUE(button);
            EXPECT_EQ(button->text(), qs(radio->caption()));
            EXPECT_EQ(button->isChecked(), radio->checked());
            EXPECT_FALSE(button->autoExclusive()) << "the model keeps the group exclusive";
        } else if (auto* field = dynamic_cast<Edit*>(&control)) {
            auto* edit = qobject_cast<QLineEdit*>(w);
            ASSERT_TRUE(edit);
            EXPECT_EQ(edit->text(), qs(field->text()));
            EXPECT_EQ(edit->isReadOnly(), field->readOnly());
            EXPECT_EQ(edit->echoMode() == QLineEdit::Password, field->passwordChar() != '\0');
            // A colour of the scheme is painted as the scheme has it.
            EXPECT_EQ(edit->palette().color(QPalette::Base), toQColor(field->colour()));
        } else if (auto* label = dynamic_cast<Label*>(&control)) {
            auto* text = qobject_cast<QLabel*>(w);
            ASSERT_TRUE(text);
            EXPECT_EQ(text->text(), qs(label->caption()));
        } else if (auto* button = dynamic_cast<Button*>(&control)) {
            auto* push = qobject_cast<QPushButton*>(w);
            ASSERT_TRUE(push);
            EXPECT_EQ(push->text(), qs(button->caption()));
        } else if (auto* picker = dynamic_cast<TDTEdit*>(&control)) {
            auto* edit = qobject_cast<QDateTimeEdit*>(w);
            ASSERT_TRUE(edit);
            EXPECT_EQ(baseColour(edit), picker->colour());
            EXPECT_EQ(edit->date(), QDate(picker->GetValue().year, picker->GetValue().month,
                                          picker->GetValue().day));
        } else if (auto* grid = dynamic_cast<StringGrid*>(&control)) {
            auto* view = dynamic_cast<GridView*>(w);
            ASSERT_TRUE(view);
            EXPECT_EQ(view->model()->columnCount(), grid->colCount());
            EXPECT_EQ(view->model()->rowCount(), grid->rowCount() - grid->fixedRows());
        } else if (dynamic_cast<SpinButton*>(&control)) {
            EXPECT_TRUE(dynamic_cast<SpinWidget*>(w));
        } else if (auto* panel = dynamic_cast<Panel*>(&control)) {
            if (auto* group = qobject_cast<QGroupBox*>(w))
                EXPECT_EQ(group->title(), qs(panel->caption()));
            else if (!panel->parent()) {
                auto* pages = widget<QTabWidget>("PageControl");
                int index = pages->indexOf(w);
                ASSERT_GE(index, 0) << "a page without a parent panel is a tab page";
                EXPECT_EQ(pages->tabText(index), qs(panel->caption()));
            } else {
                EXPECT_TRUE(panel->caption().empty()) << "a panel with a caption is a group box";
            }
        } else if (dynamic_cast<StatusBar*>(&control)) {
            EXPECT_EQ(w, window->statusBar());
        } else if (dynamic_cast<PageControl*>(&control)) {
            EXPECT_TRUE(qobject_cast<QTabWidget*>(w));
        } else if (dynamic_cast<DriveList*>(&control)) {
            EXPECT_TRUE(qobject_cast<QComboBox*>(w));
        } else if (dynamic_cast<DirectoryList*>(&control)) {
            EXPECT_TRUE(dynamic_cast<DirectoryView*>(w));
        } else if (dynamic_cast<FileList*>(&control)) {
            EXPECT_TRUE(dynamic_cast<FileListView*>(w));
        } else {
            ADD_FAILURE() << "a kind of control the test does not know";
        }
        EXPECT_EQ(w->isEnabled(), control.enabled());
        // Every control sits in the window, in its panel's widget.
        if (Panel* parent = control.parent()) {
            QWidget* panelWidget = widget(*parent);
            ASSERT_TRUE(panelWidget);
            EXPECT_TRUE(panelWidget->isAncestorOf(w)) << "outside " << parent->name();
        }
    }
};

} // namespace

TEST_F(WindowControls, EveryControlHasItsWidgetWithCaptionAndDefaultState) {
    ASSERT_GT(f.controls().size(), 300u);
    for (Control* control : f.controls())
        checkControl(*control);
}

TEST_F(WindowControls, SomeDefaultsThatMatter) {
    // Spot checks of the form defaults as the user sees them.
    EXPECT_TRUE(widget<QRadioButton>(f.raCommandAddFile)->isChecked());
    EXPECT_FALSE(widget(f.raCommandAddFile)->isEnabled()) << "no archive name yet";
    EXPECT_TRUE(widget<QRadioButton>(f.raAscending)->isChecked());
    EXPECT_TRUE(widget<QRadioButton>(f.raContentMask)->isChecked());
    EXPECT_TRUE(widget<QCheckBox>(f.chContentDynamic)->isChecked());
    EXPECT_FALSE(widget(f.chContentUpdate)->isEnabled());
    EXPECT_EQ(baseColour(widget(f.edContentList)), clSilver);
    EXPECT_EQ(widget<QLineEdit>(f.loMemoryFlat)->text(), QStringLiteral("4096"));
    EXPECT_EQ(widget<QLineEdit>(f.loChapterFrom)->text(), QStringLiteral("1"));
    EXPECT_EQ(widget<QLineEdit>(f.loBeforeDays)->text(), QStringLiteral("0"));
    EXPECT_FALSE(widget(f.chSelfExtract)->isEnabled());
    EXPECT_TRUE(widget(f.loVolumeSize)->isEnabled());
    EXPECT_EQ(baseColour(widget(f.loVolumeSize)), clSilver);
    EXPECT_EQ(widget<QLineEdit>(f.edPassword)->echoMode(), QLineEdit::Password);
    EXPECT_EQ(baseColour(widget(f.edColourError)), 0x000000FFu);
    EXPECT_EQ(widget(f.edColourError)->focusPolicy(), Qt::NoFocus);
    EXPECT_TRUE(widget<QLineEdit>(f.edColourSignal)->isReadOnly());
    EXPECT_EQ(widget(f.edColourSignal)->palette().color(QPalette::Base),
              QApplication::palette().color(QPalette::Base))
        << "the Signal field starts in the scheme's colour of fields";
    EXPECT_TRUE(widget<QLineEdit>(f.edArchiveRatio)->isReadOnly());
    EXPECT_EQ(widget<QLineEdit>(f.edArchiveRatio)->text(), QStringLiteral("1:1"));
    EXPECT_EQ(widget<QLabel>(f.laFileDetail)->text(), QStringLiteral("File Details (0 files)"));
    EXPECT_TRUE(widget<QLabel>(f.laFileDetail)->font().bold());
    EXPECT_EQ(widget(f.stFile)->toolTip(), qs(f.stFile.hint()));
    EXPECT_FALSE(widget(f.stFile)->toolTip().isEmpty());
}

TEST_F(WindowControls, WindowTitleSizeAndApplicationName) {
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Brak"));
    EXPECT_EQ(window->size(), QSize(785, 581));
    EXPECT_EQ(QApplication::applicationName(), QStringLiteral("Brak 1.1 Beta 3"));
    EXPECT_EQ(window->statusText()->text(), QStringLiteral("JAR32.EXE a \"\"  "))
        << "the selected command's line from the start";
}

TEST_F(WindowControls, SixPagesInOrder) {
    auto* pages = widget<QTabWidget>("PageControl");
    ASSERT_TRUE(pages);
    const QStringList captions = {QStringLiteral("View"),   QStringLiteral("Selection"),
                                  QStringLiteral("Config"), QStringLiteral("Basic"),
                                  QStringLiteral("Medium"), QStringLiteral("Advanced")};
    const char* names[] = {"taView", "taSelect", "taConfig", "taBasic", "taMedium", "taAdvanced"};
    ASSERT_EQ(pages->count(), 6);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(pages->tabText(i), captions[i]);
        EXPECT_EQ(pages->widget(i)->objectName(), QString::fromLatin1(names[i]));
        EXPECT_TRUE(pages->isTabEnabled(i));
    }
}

TEST_F(WindowControls, CommandGroupHoldsTheTwentyCommandsInCatalogueOrder) {
    show();
    auto* group = widget<QGroupBox>(f.grCommand);
    ASSERT_TRUE(group);
    EXPECT_EQ(group->title(), QStringLiteral("Command"));
    EXPECT_FALSE(widget<QTabWidget>("PageControl")->isAncestorOf(group));
    QList<QRadioButton*> buttons = group->findChildren<QRadioButton*>();
    ASSERT_EQ(buttons.size(), 20);
    // Top to bottom in catalogue order.
    for (int i = 0; i < 20; ++i) {
        QWidget* button = widget(*f.commandButtons[std::size_t(i)]);
        EXPECT_EQ(button->objectName(),
                  QString::fromLatin1(CommandCatalogue[std::size_t(i)].radioButton));
        if (i > 0) {
            EXPECT_GT(button->y(), widget(*f.commandButtons[std::size_t(i - 1)])->y());
        }
        EXPECT_EQ(button->toolTip(),
                  QStringLiteral("Single click to view command line, Double click to execute"));
    }
}

TEST_F(WindowControls, MenusInOrderWithTheirStates) {
    QList<QAction*> menus = window->menuBar()->actions();
    ASSERT_EQ(menus.size(), 3);
    EXPECT_EQ(menus[0]->text(), QStringLiteral("&File"));
    EXPECT_EQ(menus[1]->text(), QStringLiteral("&Options"));
    EXPECT_EQ(menus[2]->text(), QStringLiteral("&Help"));
    auto items = [](QAction* menu) {
        QStringList names;
        for (QAction* action : menu->menu()->actions())
            if (!action->isSeparator())
                names << action->objectName();
        return names;
    };
    EXPECT_EQ(items(menus[0]),
              (QStringList{QStringLiteral("LoadConfiguration1"),
                           QStringLiteral("SaveConfiguration1"), QStringLiteral("Exit1")}));
    EXPECT_EQ(items(menus[1]),
              (QStringList{QStringLiteral("DetectSwitch"), QStringLiteral("AutoLoad"),
                           QStringLiteral("AutoSave"), QStringLiteral("ShowHints")}));
    EXPECT_EQ(items(menus[2]),
              (QStringList{QStringLiteral("Contents3"), QStringLiteral("SearchforHelpOn2"),
                           QStringLiteral("HowtoUseHelp2"), QStringLiteral("About3")}));
    EXPECT_EQ(menus[1]->menu()->objectName(), QStringLiteral("OptionMenu"));
    for (QAction* option : menus[1]->menu()->actions()) {
        EXPECT_TRUE(option->isCheckable());
        EXPECT_TRUE(option->isChecked());
    }
    for (const char* help : {"Contents3", "SearchforHelpOn2", "HowtoUseHelp2"})
        EXPECT_FALSE(window->findChild<QAction*>(QString::fromLatin1(help))->isEnabled());
    EXPECT_TRUE(window->findChild<QAction*>(QStringLiteral("About3"))->isEnabled());
    EXPECT_EQ(window->findChild<QAction*>(QStringLiteral("ShowHints"))->text(),
              QStringLiteral("Show &Hints"));
}
