// The minus-sign guard of the fields that reach Jar's command line, and the
// double-click pickers that fill a field from the open dialog.
#include "Fakes.h"
#include "Typing.h"
#include "ui/Brak.h"
#include "ui/FieldChecks.h"

#include <gtest/gtest.h>

using namespace brak;
using namespace brak::test;

namespace {

class FieldChecksTest : public ::testing::Test {
protected:
    MessageBoxRequest refused(const std::string& caption) const {
        return {"'-' is not valid.", caption, MessageIcon::Error};
    }

    FakePlatform platform;
    FakeDialogs dialogs;
    Brak brak{platform, dialogs};
    MainForm& f = brak.form();
};

} // namespace

TEST_F(FieldChecksTest, EveryCheckedFieldRefusesALeadingMinusUnderItsOwnCaption) {
    const std::pair<Edit*, const char*> fields[] = {
        {&f.edContentMask, "Mask Error"},
        {&f.edContentList, "List Error"},
        {&f.edArchive, "Archive Name Error"},
        {&f.edOutput, "Output Path Error"},
        {&f.edWork, "Working Directory Error"},
        {&f.edList, "List Filename Error"},
        {&f.edFile, "Comment Filename Error"},
        {&f.edComment, "Comment Filename Error"},
        {&f.edCommentFile, "Comment Filename Error"},
        {&f.edPassword, "Password Error"},
        {&f.edNewPassword, "Password Error"},
        {&f.edExcludeList, "Exclude Filename Error"},
        {&f.edExcludeMask, "Exclude Mask Error"},
        {&f.loVolumeSize, "Volume Size Error"},
    };
    for (const auto& [field, caption] : fields) {
        dialogs.boxes.clear();
        field->setText("");
        type(*field, "-");
        EXPECT_EQ(field->text(), "") << field->name();
        EXPECT_EQ(dialogs.boxes, std::vector<MessageBoxRequest>{refused(caption)}) << field->name();
    }
    dialogs.boxes.clear();
    type(f.edSwap, "-");
    EXPECT_EQ(f.edSwap.text(), "-") << "a field that never reaches Jar's command line";
    EXPECT_TRUE(dialogs.boxes.empty());
}

// Text put there without a key (pasted, or set by the program) is checked
// when a key is released with the caret at the given byte.
TEST_F(FieldChecksTest, TheOffendingMinusGoesAndTheCaretStaysWhereItStood) {
    struct Case {
        const char* text;
        int caret;
        const char* left;
        int caretAfter;
    };
    const Case cases[] = {
        {"-", 1, "", 0},
        {"a -", 3, "a ", 2},                // after a blank
        {"\"-x", 2, "\"x", 1},              // after a double quote
        {"-abc", 0, "abc", 0},              // at the start, caret before it
        {"x -b -c", 4, "x b -c", 3},        // the nearest one before the caret
        {"x b -c", 3, "x b c", 3},          // else the first one after it
        {"\xc3\xa4 -", 4, "\xc3\xa4 ", 3},  // bytes: a two-byte letter stays whole
        {"my -file.j", 10, "my file.j", 9}, // not the character before the caret
        {"abc", 3, "abc", 3},               // no minus at all
        {"a-b", 0, "a-b", 0},               // after any other character it stays
        {"a.-", 0, "a.-", 0},
        {"9-", 0, "9-", 0},
        {"dir/-x", 0, "dir/-x", 0},
        {"x\t-y", 0, "x\t-y", 0},
        {"", 0, "", 0},
    };
    for (const Case& c : cases) {
        dialogs.boxes.clear();
        f.edArchive.setText(c.text);
        f.edArchive.setSelStart(c.caret);
        EXPECT_EQ(f.edArchive.text(), c.text) << "nothing happens before the key";
        f.edArchive.keyUp(0);
        EXPECT_EQ(f.edArchive.text(), c.left) << c.text;
        EXPECT_EQ(f.edArchive.selStart(), c.caretAfter) << c.text;
        EXPECT_EQ(dialogs.boxes.size(), std::string(c.text) == c.left ? 0u : 1u) << c.text;
    }
}

TEST_F(FieldChecksTest, ThePickersFillTheirFieldsOnAChoiceAndLeaveThemOnCancel) {
    // Each picker's filter and what a choice puts in its field, as recorded.
    std::string table;
    for (Control* control : f.controls()) {
        auto* field = dynamic_cast<Edit*>(control);
        if (!field || !field->onDoubleClick || field == &f.edArchive)
            continue;
        field->setEnabled(true);
        field->setText("typed");
        dialogs.filters.clear();
        dialogs.fileAnswers = {"/data/some dir/pick.ext"};
        field->doubleClick();
        if (dialogs.filters.empty())
            continue; // a colour field
        table += field->name() + ": " + dialogs.filters[0] + " -> " + field->text() + "\n";
        const std::string chosen = field->text();
        field->doubleClick(); // cancelled
        EXPECT_EQ(field->text(), chosen) << field->name() << " keeps what it held";
    }
    EXPECT_EQ(table, test::readFile(BRAK_TEST_DATA "/messages/pickers.txt"));
    dialogs.fileAnswers = {"/JAR32.EXE"};
    f.edPath.doubleClick();
    EXPECT_EQ(f.edPath.text(), "/") << "a file in the root lies in the root";

    f.edOutput.setText("kept");
    f.edOutput.setEnabled(false);
    dialogs.filters.clear();
    f.edOutput.doubleClick();
    EXPECT_TRUE(dialogs.filters.empty()) << "a disabled field opens no dialog";
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(FieldChecksTest, TheArchivePickerLoadsTheChosenArchiveAndNothingOnCancel) {
    f.edArchive.setText("old.j");
    f.edArchive.doubleClick();
    EXPECT_EQ(f.edArchive.text(), "old.j");
    EXPECT_TRUE(platform.started.empty());
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_EQ(dialogs.filters, std::vector<std::string>{ArchiveFilter});
    EXPECT_EQ(std::string(ArchiveFilter).rfind("Archives (*.J)|*.J|", 0), 0u)
        << "Jar's own archives come first";

    platform.programs["JAR32.EXE"] = platform.programDir + "JAR32.EXE";
    const std::string chosen = platform.root.file("chosen.j");
    platform.root.write("chosen.j", "x");
    dialogs.fileAnswers = {chosen};
    f.edArchive.doubleClick();
    EXPECT_EQ(f.edArchive.text(), chosen);
    ASSERT_EQ(platform.started.size(), 1u) << "the chosen archive is listed";
    const std::vector<std::string>& args = platform.started[0].args;
    EXPECT_NE(std::find(args.begin(), args.end(), "\"" + chosen + "\""), args.end());
}
