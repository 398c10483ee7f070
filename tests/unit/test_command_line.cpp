// The switch string and the four pieces of the Jar command line.
#include "Fakes.h"
#include "core/Commands.h"
#include "ui/Brak.h"

#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <sstream>

using namespace brak;

namespace brak {
void PrintTo(const QuotedValue& value, std::ostream* out) {
    *out << value.field << "=" << value.text;
}
} // namespace brak

namespace {

class CommandLineTest : public ::testing::Test {
protected:
    test::FakePlatform platform;
    test::FakeDialogs dialogs;
    Brak brak{platform, dialogs};
    MainForm& f = brak.form();
};

} // namespace

TEST_F(CommandLineTest, EverySwitchWritesItsOwnTextInTableOrder) {
    EXPECT_EQ(GetSwitch(f), "") << "the form defaults write nothing";
    // Each box and button of the recorded table alone, then every box at once.
    const std::string recorded = test::readFile(BRAK_TEST_DATA "/messages/switch_texts.txt");
    std::istringstream lines(recorded);
    std::string table, boxes;
    std::vector<CheckBox*> checked;
    for (std::string line; std::getline(lines, line);) {
        const std::string name = line.substr(0, line.find(':'));
        const auto control = std::find_if(f.controls().begin(), f.controls().end(),
                                          [&](Control* c) { return c->name() == name; });
        ASSERT_NE(control, f.controls().end()) << name;
        if (auto* box = dynamic_cast<CheckBox*>(*control)) {
            box->setChecked(true);
            table += name + ": " + GetSwitch(f) + "\n";
            boxes += GetSwitch(f);
            box->setChecked(false);
            checked.insert(checked.begin(), box);
        } else if (auto* radio = dynamic_cast<RadioButton*>(*control)) {
            radio->setChecked(true);
            table += name + ": " + GetSwitch(f) + "\n";
            radio->setChecked(false);
        }
    }
    EXPECT_EQ(table, recorded);
    // Checked in reverse order, the text keeps the table's order.
    for (CheckBox* box : checked)
        box->setChecked(true);
    EXPECT_EQ(GetSwitch(f), boxes);
    f.chSelfExtract.setChecked(true);
    EXPECT_EQ(GetSwitch(f), boxes) << "the self-extractor box never writes";
    for (CheckBox* box : checked)
        box->setChecked(false);
    // Several panels at once keep the table's order.
    f.raLongBoth.setChecked(true);
    f.raFreshenDifferent.setChecked(true);
    f.raStampNew.setChecked(true);
    EXPECT_EQ(GetSwitch(f), "-f2 -s -hf ");
}

TEST_F(CommandLineTest, AttributesMakeOneItemWithPairsInOrder) {
    for (CheckBox* box : {&f.chSystem, &f.chArchive, &f.chRead, &f.chDirectory, &f.chHidden})
        box->setChecked(true);
    for (RadioButton* r :
         {&f.raSystemClear, &f.raArchiveSet, &f.raReadClear, &f.raDirectoryClear, &f.raHiddenSet})
        r->setChecked(true);
    f.chRecurse.setChecked(true);
    f.raBitSet.setChecked(true);
    EXPECT_EQ(GetSwitch(f), "-r -hba1d0h1r0s0 -b1 ");
    f.raArchiveClear.setChecked(true);
    f.raSystemSet.setChecked(true);
    EXPECT_EQ(GetSwitch(f), "-r -hba0d0h1r0s1 -b1 ");
    // A box without a variant still opens the item.
    for (RadioButton* r :
         {&f.raArchiveClear, &f.raDirectoryClear, &f.raHiddenSet, &f.raReadClear, &f.raSystemSet})
        r->setChecked(false);
    EXPECT_EQ(GetSwitch(f), "-r -hb -b1 ");
}

TEST_F(CommandLineTest, ValueItemsQuoteTheFieldAsTypedOrWriteStrip) {
    f.chOutput.setChecked(true);
    EXPECT_EQ(GetSwitch(f), "-o\"\" ") << "an empty value keeps its quotes";
    f.edOutput.setText("/tmp/OUT DIR");
    f.chWork.setChecked(true);
    f.edWork.setText(" w ");
    f.chList.setChecked(true);
    f.edList.setText("files.lst");
    EXPECT_EQ(GetSwitch(f), "-o\"/tmp/OUT DIR\" -w\" w \" -l\"files.lst\" ");
    for (CheckBox* box : {&f.chOutput, &f.chWork, &f.chList})
        box->setChecked(false);

    f.chFile.setChecked(true);
    f.raFileStrip.setChecked(true);
    f.edFile.setText("ignored.cmt");
    f.chComment.setChecked(true);
    f.raCommentFilename.setChecked(true);
    f.edComment.setText("chapter.cmt");
    f.chCommentFile.setChecked(true);
    f.raCommentFileStrip.setChecked(true);
    EXPECT_EQ(GetSwitch(f), "-zNUL -hz\"chapter.cmt\" -jzNUL ");
    f.raFileName.setChecked(true);
    f.raCommentStrip.setChecked(true);
    f.raCommentFileFilename.setChecked(true);
    f.edCommentFile.setText("");
    EXPECT_EQ(GetSwitch(f), "-z\"ignored.cmt\" -hzNUL -jz\"\" ");
    // Without its box a variant writes nothing.
    f.chFile.setChecked(false);
    EXPECT_EQ(GetSwitch(f), "-hzNUL -jz\"\" ");
}

TEST_F(CommandLineTest, CatalogueLookups) {
    EXPECT_EQ(CommandIndex(f), 0);
    f.raCommandCopy.setChecked(true);
    EXPECT_EQ(CommandIndex(f), 19);
    EXPECT_EQ(GetCommand(f), "y ");
    f.raCommandDeleteChapter.setChecked(true);
    EXPECT_EQ(GetCommand(f), "dc ");
    f.raCommandDeleteChapter.setChecked(false);
    EXPECT_EQ(CommandIndex(f), -1);
    EXPECT_EQ(GetCommand(f), " ");
    for (const CommandInfo& c : CommandCatalogue)
        EXPECT_EQ(f.commandButtons[std::size_t(c.index)]->name(), c.radioButton);

    EXPECT_EQ(OptionIndex(f, "DetectSwitch"), 0);
    EXPECT_EQ(OptionIndex(f, "AutoSave"), 2);
    EXPECT_EQ(OptionIndex(f, "ShowHint"), 3);
    EXPECT_EQ(OptionIndex(f, "Auto"), 1) << "the first of several in menu order";
    EXPECT_EQ(OptionIndex(f, "Help"), -1);
}

// Each row changes the form further; the path to Jar is taken as typed,
// neither quoted nor with a separator dropped.
TEST_F(CommandLineTest, ACommandGivesItsPiecesItsLineAndItsQuotedValues) {
    struct Row {
        const char* what;
        std::function<void()> set;
        std::array<std::string, 4> pieces;
        std::string programFile;
        std::vector<QuotedValue> quoted;
    };
    const std::vector<Row> rows = {
        {"form defaults: an empty mask leaves two spaces",
         [] {},
         {"JAR32.EXE ", "a ", "\"\"  ", ""},
         "JAR32.EXE",
         {{"edArchive", ""}}},
        {"path, masks and two switches",
         [&] {
             f.edPath.setText("/opt/my jar");
             f.edArchive.setText("/arc/my test.J");
             f.edContentMask.setText("*.txt *.c");
             f.chYes.setChecked(true);
             f.chRecurse.setChecked(true);
         },
         {"/opt/my jar/JAR32.EXE ", "a ", "\"/arc/my test.J\" *.txt *.c ", "-y -r "},
         "/opt/my jar/JAR32.EXE",
         {{"edArchive", "/arc/my test.J"}}},
        {"a path ending in its separator keeps it; list-file mode offers its name",
         [&] {
             f.edPath.setText("/opt/jar/");
             f.raContentList.setChecked(true);
         },
         {"/opt/jar//JAR32.EXE ", "a ", "\"/arc/my test.J\" !\"BRAK.LST\" ", "-y -r "},
         "/opt/jar//JAR32.EXE",
         {{"edArchive", "/arc/my test.J"}, {"edContentList", "BRAK.LST"}}},
        {"a list file and value switches",
         [&] {
             f.raCommandDeleteChapter.click(); // its own switches: none yet
             f.chYes.setChecked(true);
             f.chRecurse.setChecked(true);
             f.edContentList.setText("my list.LST");
             f.chOutput.setChecked(true);
             f.edOutput.setText("/out dir");
             f.chComment.setChecked(true);
             f.raCommentFilename.setChecked(true);
             f.edComment.setText("c.CMT");
         },
         {"/opt/jar//JAR32.EXE ", "dc ", "\"/arc/my test.J\" !\"my list.LST\" ",
          "-y -r -o\"/out dir\" -hz\"c.CMT\" "},
         "/opt/jar//JAR32.EXE",
         {{"edArchive", "/arc/my test.J"},
          {"edContentList", "my list.LST"},
          {"edOutput", "/out dir"},
          {"edComment", "c.CMT"}}},
    };
    for (const Row& row : rows) {
        row.set();
        const JarCommand command = JarCommand::fromForm(f);
        EXPECT_EQ(command.pieces(), row.pieces) << row.what;
        EXPECT_EQ(command.line(), row.pieces[0] + row.pieces[1] + row.pieces[2] + row.pieces[3])
            << row.what;
        EXPECT_EQ(command.programFile(), row.programFile) << row.what;
        EXPECT_EQ(command.quotedValues(), row.quoted) << row.what;
        EXPECT_EQ(GetProgram(f) + GetCommand(f) + GetArchive(f) + GetSwitch(f), command.line());
    }
}

TEST_F(CommandLineTest, CommandsAreOfferedExactlyWhileAnArchiveIsNamed) {
    EXPECT_TRUE(f.raCommandAddFile.checked());
    for (RadioButton* command : f.commandButtons)
        EXPECT_FALSE(command->enabled());
    f.edArchive.setText(" ");
    for (RadioButton* command : f.commandButtons)
        EXPECT_TRUE(command->enabled()) << "blanks count as text";
    f.edArchive.setText("");
    EXPECT_FALSE(f.raCommandCopy.enabled());
}
