// Every control of the main window has its widget, named after it, with its
// caption, hint and form default; the menus, tabs and command group are in
// their order.
#include "ViewTest.h"
#include "core/Commands.h"
#include "view/SchemeColour.h"

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
#include <set>

using namespace brak;
using namespace brak::test;

namespace {

QColor base(QWidget* widget) {
    return widget->palette().color(QPalette::Base);
}

class WindowControls : public WindowTest {
protected:
    // Checks one control's widget against the control's state.
    void checkControl(Control& control) {
        const std::string& name = control.name();
        SCOPED_TRACE(name);
        if (dynamic_cast<Caption*>(&control) || dynamic_cast<FormWindow*>(&control))
            return; // the window's title and size
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
        EXPECT_EQ(w->isEnabled(), control.enabled());
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
            EXPECT_EQ(base(edit), toQColor(field->colour()));
        } else if (auto* label = dynamic_cast<Label*>(&control)) {
            ASSERT_TRUE(qobject_cast<QLabel*>(w));
            EXPECT_EQ(qobject_cast<QLabel*>(w)->text(), qs(label->caption()));
        } else if (auto* button = dynamic_cast<Button*>(&control)) {
            ASSERT_TRUE(qobject_cast<QPushButton*>(w));
            EXPECT_EQ(qobject_cast<QPushButton*>(w)->text(), qs(button->caption()));
        } else if (auto* picker = dynamic_cast<TDTEdit*>(&control)) {
            auto* edit = qobject_cast<QDateTimeEdit*>(w);
            ASSERT_TRUE(edit);
            EXPECT_EQ(base(edit), toQColor(picker->colour()));
            const DateTime value = picker->GetValue();
            EXPECT_EQ(edit->date(), QDate(value.year, value.month, value.day));
        } else if (auto* grid = dynamic_cast<StringGrid*>(&control)) {
            auto* view = dynamic_cast<GridView*>(w);
            ASSERT_TRUE(view);
            EXPECT_EQ(view->model()->columnCount(), grid->colCount());
            EXPECT_EQ(view->model()->rowCount(), grid->rowCount() - grid->fixedRows());
        } else if (auto* panel = dynamic_cast<Panel*>(&control)) {
            auto* pages = widget<QTabWidget>("PageControl");
            if (auto* group = qobject_cast<QGroupBox*>(w))
                EXPECT_EQ(group->title(), qs(panel->caption()));
            else if (!panel->parent())
                EXPECT_EQ(pages->tabText(pages->indexOf(w)), qs(panel->caption()))
                    << "a panel without a parent panel is a tab page";
            else
                EXPECT_TRUE(panel->caption().empty()) << "a panel with a caption is a group box";
        } else {
            const bool known =
                (dynamic_cast<SpinButton*>(&control) && dynamic_cast<SpinWidget*>(w)) ||
                (dynamic_cast<StatusBar*>(&control) && w == window->statusBar()) ||
                (dynamic_cast<PageControl*>(&control) && qobject_cast<QTabWidget*>(w)) ||
                (dynamic_cast<DriveList*>(&control) && qobject_cast<QComboBox*>(w)) ||
                (dynamic_cast<DirectoryList*>(&control) && dynamic_cast<DirectoryView*>(w)) ||
                (dynamic_cast<FileList*>(&control) && dynamic_cast<FileListView*>(w));
            EXPECT_TRUE(known)
                << "a widget of the wrong kind, or a kind of control the test does not know";
        }
        // Every control sits in the window, in its panel's widget.
        if (Panel* parent = control.parent()) {
            ASSERT_TRUE(widget(*parent));
            EXPECT_TRUE(widget(*parent)->isAncestorOf(w)) << "outside " << parent->name();
        }
    }
};

} // namespace

TEST_F(WindowControls, EveryControlHasItsWidgetWithCaptionAndDefaultState) {
    ASSERT_GT(f.controls().size(), 300u);
    for (Control* control : f.controls())
        checkControl(*control);
    // What the window itself adds to the controls.
    EXPECT_EQ(QApplication::applicationName(), QStringLiteral("Brak 1.1 Beta 3"));
    EXPECT_EQ(window->statusText()->text(), QStringLiteral("JAR32.EXE a \"\"  "))
        << "the selected command's line from the start";
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Brak"));
    EXPECT_EQ(window->size(), QSize(785, 581));
    EXPECT_EQ(window->size(), QSize(f.Window.bounds().width, f.Window.bounds().height));
    EXPECT_EQ(widget(f.edColourError)->focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(base(widget(f.edColourError)), QColor(255, 0, 0));
    EXPECT_EQ(base(widget(f.edColourSignal)), QApplication::palette().color(QPalette::Base))
        << "the Signal field starts in the scheme's colour of fields";
    EXPECT_EQ(base(widget(f.loVolumeSize)), QColor(192, 192, 192));
    EXPECT_TRUE(widget<QLabel>(f.laFileDetail)->font().bold());
    EXPECT_FALSE(widget(f.stFile)->toolTip().isEmpty());
}

TEST_F(WindowControls, PagesCommandsAndMenusAreInTheirOrder) {
    show();
    auto* pages = widget<QTabWidget>("PageControl");
    const char* tabs[] = {"View", "Selection", "Config", "Basic", "Medium", "Advanced"};
    ASSERT_EQ(pages->count(), 6);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(pages->tabText(i), QString::fromLatin1(tabs[i]));

    // The twenty commands top to bottom in catalogue order, beside the pages.
    auto* group = widget<QGroupBox>(f.grCommand);
    EXPECT_FALSE(pages->isAncestorOf(group));
    ASSERT_EQ(group->findChildren<QRadioButton*>().size(), 20);
    for (std::size_t i = 0; i < 20; ++i) {
        QWidget* button = widget(*f.commandButtons[i]);
        EXPECT_EQ(button->objectName(), QString::fromLatin1(CommandCatalogue[i].radioButton));
        if (i > 0) {
            EXPECT_GT(button->y(), widget(*f.commandButtons[i - 1])->y()) << i;
        }
    }

    QList<QAction*> menus = window->menuBar()->actions();
    const std::vector<std::string> expected[] = {
        {"&File", "LoadConfiguration1", "SaveConfiguration1", "LastOutput1", "Exit1"},
        {"&Options", "DetectSwitch", "AutoLoad", "AutoSave", "ShowHints"},
        {"&Help", "Contents3", "SearchforHelpOn2", "HowtoUseHelp2", "About3"}};
    ASSERT_EQ(menus.size(), 3);
    for (int i = 0; i < 3; ++i) {
        std::vector<std::string> shown = {menus[i]->text().toStdString()};
        for (QAction* action : menus[i]->menu()->actions())
            if (!action->isSeparator())
                shown.push_back(action->objectName().toStdString());
        EXPECT_EQ(shown, expected[i]);
    }
    EXPECT_EQ(menus[1]->menu()->objectName(), QStringLiteral("OptionMenu"));
}

// Each colour index of the user's scheme is painted with a role of its own
// from the application's palette, and follows it when it changes.
TEST_F(WindowControls, SchemeColoursFollowThePalette) {
    const QPalette before = QGuiApplication::palette();
    QPalette palette;
    for (int role = 0; role < QPalette::NColorRoles; ++role)
        for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Disabled})
            palette.setColor(group, QPalette::ColorRole(role), QColor(role * 9, group * 99, 7));
    QGuiApplication::setPalette(palette);
    std::set<QRgb> colours;
    for (Colour index : {5, 7, 13, 14, 15, 16, 17, 18, 20, 23, 24, 30})
        colours.insert(toQColor(SystemColour | index).rgb());
    QGuiApplication::setPalette(before);
    EXPECT_EQ(colours.size(), 12u);
    EXPECT_EQ(toQColor(SystemColour | 8), before.color(QPalette::Active, QPalette::Text));
    EXPECT_EQ(fromQColor(toQColor(0x00336699)), 0x00336699u);
}
