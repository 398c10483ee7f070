// The window system's event rules, as the control model keeps them.
#include "form/Control.h"
#include "form/Lists.h"

#include <gtest/gtest.h>

using namespace brak;

namespace {

struct Window : Form {
    Panel outer{this, "outer"};
    Panel inner{this, "inner", "", &outer};
    RadioButton a{this, "a", "A", &outer};
    RadioButton b{this, "b", "B", &outer};
    RadioButton nested{this, "nested", "N", &inner};
    CheckBox box{this, "box", "Box", &outer};
    CheckBox other{this, "other", "Other", &outer};
    Edit field{this, "field", &outer};
};

} // namespace

TEST(CheckBoxEvents, RunsItsHandlerOnlyWhenTheStateChanges) {
    Window w;
    int clicks = 0;
    w.box.onClick.wire([&] { ++clicks; });
    w.box.setChecked(false);
    EXPECT_EQ(clicks, 0);
    w.box.setChecked(true);
    w.box.setChecked(true);
    EXPECT_EQ(clicks, 1);
    w.box.click();
    EXPECT_FALSE(w.box.checked());
    EXPECT_EQ(clicks, 2);
}

TEST(RadioButtonEvents, RunsOnlyWhenBecomingCheckedAndExcludesItsSiblings) {
    Window w;
    std::vector<std::string> ran;
    w.a.onClick.wire([&] { ran.push_back("a"); });
    w.b.onClick.wire([&] { ran.push_back("b"); });
    w.nested.onClick.wire([&] { ran.push_back("nested"); });

    w.a.setChecked(true);
    w.nested.setChecked(true);
    EXPECT_TRUE(w.a.checked()) << "a nested panel is a group of its own";
    w.b.click();
    EXPECT_FALSE(w.a.checked());
    EXPECT_TRUE(w.b.checked());
    EXPECT_TRUE(w.nested.checked());
    w.b.click(); // already checked: nothing runs
    w.b.setChecked(false);
    EXPECT_FALSE(w.b.checked());
    EXPECT_EQ(ran, (std::vector<std::string>{"a", "nested", "b"}))
        << "unchecking, directly or by a sibling, runs nothing";
}

TEST(ControlEvents, NestedHandlersRunInsideTheirCaller) {
    Window w;
    std::vector<std::string> order;
    w.box.onClick.wire([&] {
        order.push_back("box begins");
        w.other.setChecked(true);
        w.field.setText("set by box");
        order.push_back("box ends");
    });
    w.other.onClick.wire([&] { order.push_back("other"); });
    w.field.onChange.wire([&] { order.push_back("field " + w.field.text()); });
    w.box.click();
    EXPECT_EQ(order,
              (std::vector<std::string>{"box begins", "other", "field set by box", "box ends"}));
}

TEST(ControlEvents, AnErrorUnwindsTheHandlersThatRanIt) {
    Window w;
    bool outerFinished = false;
    w.box.onClick.wire([&] {
        w.other.setChecked(true);
        outerFinished = true;
    });
    w.other.onClick.wire([] { throw Error("boom"); });
    EXPECT_THROW(w.box.click(), Error);
    EXPECT_FALSE(outerFinished);
    EXPECT_TRUE(w.box.checked()) << "the state change stays, as on the window";
    EXPECT_TRUE(w.other.checked());
}

TEST(ControlEvents, ObserversHearOfEveryChangeBeforeTheHandler) {
    Window w;
    std::vector<std::string> heard;
    w.field.addObserver([&](const Control& c) { heard.push_back("observer " + c.name()); });
    w.field.onChange.wire([&] { heard.push_back("handler"); });
    w.field.setText("x");
    w.field.setText("x");
    w.field.setEnabled(false);
    w.field.setColour(clSilver);
    EXPECT_EQ(heard, (std::vector<std::string>{"observer field", "handler", "observer field",
                                               "observer field"}));
}

TEST(Form, FindsControlsByName) {
    Window w;
    EXPECT_EQ(w.find("nested"), &w.nested);
    EXPECT_EQ(w.find("missing"), nullptr);
    EXPECT_TRUE(w.outer.contains(w.nested));
    EXPECT_FALSE(w.inner.contains(w.a));
}

TEST(DriveList, APathIsHeldByTheDriveMountedDeepestOnItsWay) {
    Form form;
    DriveList drives(&form, "Drive");
    drives.setDrives({"/", "/home", "/media/usb", "/media/usb/inner"});
    struct Case {
        const char* path;
        const char* drive;
    };
    for (const Case& c :
         {Case{"/home/ann/a.j", "/home"}, Case{"/home", "/home"}, Case{"/homework/a.j", "/"},
          Case{"/media/usb/inner/x", "/media/usb/inner"}, Case{"/media/usb/x", "/media/usb"},
          Case{"relative/a.j", "/"}, Case{"", "/"}})
        EXPECT_EQ(drives.driveHolding(c.path), c.drive) << c.path;
}

TEST(FileList, ASelectionOfAnyLengthIsToldOnce) {
    Form form;
    FileList list(&form, "FileList");
    int told = 0, changes = 0;
    list.addObserver([&](const Control&) { ++told; });
    list.onChange.wire([&] { ++changes; });
    list.setItems(std::vector<std::string>(100'000, "name"));
    const auto itemsVersion = list.itemsVersion();
    std::vector<bool> everyOther(100'000);
    for (std::size_t i = 0; i < everyOther.size(); i += 2)
        everyOther[i] = true;
    list.setSelection(everyOther);
    list.setSelection(everyOther);
    EXPECT_EQ(told, 2) << "the entries, then the selection; the same selection again is no change";
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(list.selectedCount(), 50'000u);
    EXPECT_EQ(list.itemsVersion(), itemsVersion);
    list.setSelection({true});
    EXPECT_EQ(list.selectedCount(), 1u) << "a short selection leaves the rest unselected";
    const auto top = list.topIndexVersion();
    list.setTopIndex(0);
    EXPECT_NE(list.topIndexVersion(), top) << "scrolling to the top again scrolls again";
}
