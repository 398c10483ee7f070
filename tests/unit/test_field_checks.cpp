// The minus-sign guard of the fields that reach Jar's command line, and the
// double-click pickers that fill a field from the open dialog.
#include "Fakes.h"
#include "Typing.h"
#include "ui/Brak.h"

#include <gtest/gtest.h>

using namespace brak;
using namespace brak::test;

namespace {

class FieldChecksTest : public ::testing::Test {
protected:
    // The field holds text put there without a key release; then one key
    // is released with the caret at the given byte.
    void release(Edit& field, const std::string& text, int caret) {
        field.setText(text);
        field.setSelStart(caret);
        field.keyUp(0);
    }
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
        ASSERT_EQ(dialogs.boxes.size(), 1u) << field->name();
        EXPECT_EQ(dialogs.boxes[0], refused(caption));
    }
    dialogs.boxes.clear();
    type(f.edSwap, "-");
    EXPECT_EQ(f.edSwap.text(), "-") << "a field that never reaches Jar's command line";
    EXPECT_TRUE(dialogs.boxes.empty());
}

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
    };
    for (const Case& c : cases) {
        dialogs.boxes.clear();
        release(f.edArchive, c.text, c.caret);
        EXPECT_EQ(f.edArchive.text(), c.left) << c.text;
        EXPECT_EQ(f.edArchive.selStart(), c.caretAfter) << c.text;
        EXPECT_EQ(dialogs.boxes.size(), 1u) << c.text;
    }
}

TEST_F(FieldChecksTest, AMinusAfterAnyOtherCharacterStays) {
    for (const char* text : {"a-b", "a.-", "9-", "dir/-x", "x\t-y", ""}) {
        release(f.edExcludeMask, text, 0);
        EXPECT_EQ(f.edExcludeMask.text(), text);
    }
    type(f.edExcludeMask, "a-b -");
    EXPECT_EQ(f.edExcludeMask.text(), "a-b ");
    EXPECT_EQ(dialogs.boxes, std::vector<MessageBoxRequest>{refused("Exclude Mask Error")});
}

TEST_F(FieldChecksTest, ALeadingMinusIsTakenOutOnceAndTheMessageShowsOnce) {
    release(f.edArchive, "-abc", 0);
    f.edArchive.keyUp(0);
    f.edArchive.keyUp(0);
    EXPECT_EQ(f.edArchive.text(), "abc");
    EXPECT_EQ(dialogs.boxes.size(), 1u);
}

TEST_F(FieldChecksTest, TextPutThereWithoutAKeyIsCheckedAtTheNextKey) {
    f.edOutput.setText("-o");
    EXPECT_EQ(f.edOutput.text(), "-o");
    f.edOutput.setSelStart(2);
    f.edOutput.keyUp(0);
    EXPECT_EQ(f.edOutput.text(), "o");
    EXPECT_EQ(f.edOutput.selStart(), 1);
}

TEST_F(FieldChecksTest, ThePickersFillTheirFieldsOnAChoiceAndLeaveThemOnCancel) {
    enum Kind { File, Path };
    struct Case {
        Edit* field;
        const char* filter;
        Kind kind;
    };
    const char* lists = "Lists (*.LST)|*.LST|All Files (*.*)|*.*";
    const char* comments = "Comments (*.CMT)|*.CMT|All Files (*.*)|*.*";
    const char* any = "All Files (*.*)|*.*";
    const Case cases[] = {
        {&f.edContentList, lists, File},
        {&f.edList, lists, File},
        {&f.edExcludeList, lists, File},
        {&f.edFile, comments, File},
        {&f.edComment, comments, File},
        {&f.edCommentFile, comments, File},
        {&f.edOutput, any, Path},
        {&f.edWork, any, Path},
        {&f.edSwap, any, Path},
        {&f.edPath, "Jar Executable (JAR*.EXE)|JAR*.EXE|All Files (*.*)|*.*", Path},
    };
    for (const Case& c : cases) {
        c.field->setEnabled(true);
        c.field->setText("typed");
        dialogs.filters.clear();
        dialogs.fileAnswers = {"/data/some dir/pick.ext"};
        c.field->doubleClick();
        EXPECT_EQ(c.field->text(), c.kind == File ? "/data/some dir/pick.ext" : "/data/some dir")
            << c.field->name();
        EXPECT_EQ(dialogs.filters, std::vector<std::string>{c.filter}) << c.field->name();
        c.field->doubleClick(); // cancelled
        EXPECT_EQ(c.field->text(), c.kind == File ? "/data/some dir/pick.ext" : "/data/some dir")
            << c.field->name() << " keeps what it held";
    }
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
    EXPECT_EQ(dialogs.filters, std::vector<std::string>{"Archives (*.J)|*.J|All Files (*.*)|*.*"});

    platform.programs["JAR32.EXE"] = platform.programDir + "JAR32.EXE";
    dialogs.fileAnswers = {"/data/new.j"};
    f.edArchive.doubleClick();
    EXPECT_EQ(f.edArchive.text(), "/data/new.j");
    ASSERT_EQ(platform.started.size(), 1u) << "the chosen archive is listed";
    EXPECT_NE(std::find(platform.started[0].args.begin(), platform.started[0].args.end(),
                        "\"/data/new.j\""),
              platform.started[0].args.end());
}
