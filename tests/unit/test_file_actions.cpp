// The file grid's actions on its selected rows, driven through the model: the
// command each composes, the list file in Brak's private folder, the question
// before a delete, and the Selection tab untouched.
#include "FakeConsole.h"
#include "ListingFixture.h"
#include "TempDir.h"
#include "core/Commands.h"
#include "run/FileActions.h"

#include <fstream>
#include <gtest/gtest.h>

using namespace brak;

namespace {

class FileActionsTest : public test::ListingTest {
protected:
    FileActionsTest() {
        brak.runner().setConsole(&console);
        f.edContentMask.setText("*.txt");
        f.raCommandAddFile.click();
        EXPECT_EQ(load(test::mixedListing()), 0);
        brak.contents().SelectChapter(3); // the last: Delete works there only
        f.edFilter.setText("t");          // narrows the rows shown
    }

    // Selects the shown rows first..last.
    void select(int first, int last) {
        f.stFile.setRow(first);
        f.stFile.selectRangeTo(last);
    }
    std::vector<std::string> shown(int first, int last) const {
        std::vector<std::string> names;
        for (int row = first; row <= last; ++row)
            names.push_back(f.stFile.cell(ColName, row));
        return names;
    }
    static std::string replaced(std::string text, const std::string& from, const std::string& to) {
        if (const auto at = text.find(from); at != std::string::npos)
            text.replace(at, from.size(), to);
        return text;
    }

    std::vector<std::string> events;
    test::FakeConsole console{events};
    FileActions& actions = brak.fileActions();
};

TEST_F(FileActionsTest, EachActionComposesItsCommandAndRunsIt) {
    std::ifstream table(std::string(BRAK_TEST_DATA) + "/file_actions/commands.txt");
    ASSERT_TRUE(table);
    const std::string folder = dir.file("out");
    std::string row;
    int cases = 0;
    while (std::getline(table, row)) {
        if (row.empty() || row[0] == '#')
            continue;
        const std::string name = row.substr(0, row.find('|'));
        ASSERT_GT(f.stFile.rowCount(), 4);
        select(3, 2); // a range picked upwards
        const auto names = shown(2, 3);
        const std::string mask = f.edContentMask.text();
        const int command = CommandIndex(f);
        const std::string switches = JarCommand::fromForm(f).line();
        dialogs.folderAnswers.push_back(folder);
        dialogs.answers.push_back(MessageAnswer::Yes);
        platform.terminalStarts.clear();
        dialogs.boxes.clear();

        if (name == "ExtractTo")
            actions.extractTo();
        else if (name == "Test")
            actions.test();
        else
            actions.remove();

        std::string line = row.substr(row.find('|') + 1);
        line = replaced(replaced(line, "{LIST}", actions.listFileName()), "{FOLDER}", folder);
        ASSERT_EQ(platform.terminalStarts.size(), 1u) << name;
        EXPECT_EQ(console.lines.back(), line) << name;
        EXPECT_EQ(f.StatusBar1.simpleText(), line) << name;
        EXPECT_EQ(platform.terminalStarts[0].directory, dir.path());
        // The list file sits in Brak's private folder, never the user's.
        EXPECT_EQ(actions.listFileName().rfind(platform.root.file("tmp/brak-"), 0), 0u);
        EXPECT_EQ(test::readFile(actions.listFileName()), names[0] + "\n" + names[1] + "\n");
        EXPECT_EQ(f.edContentMask.text(), mask) << "the masks stay";
        EXPECT_EQ(CommandIndex(f), command) << "the checked command stays";
        EXPECT_EQ(JarCommand::fromForm(f).line(), switches) << "and its switches";
        EXPECT_EQ(dialogs.boxes.size(), name == "Delete" ? 2u : 1u) << "the exit box";
        dialogs.answers.clear();
        dialogs.folderAnswers.clear();
        f.edFilter.setText("t"); // the listing after the run emptied the filter
        ++cases;
    }
    EXPECT_EQ(cases, 3);
}

TEST_F(FileActionsTest, DeleteAsksFirstAndNoRunsNothing) {
    select(1, 3);
    dialogs.answers.push_back(MessageAnswer::No);
    actions.remove();
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0],
              (MessageBoxRequest{"Delete 3 files from chapter 3 of \"ARC.J\"?", "Delete Files",
                                 MessageIcon::Question, MessageButtons::YesNo, MessageAnswer::No}));
    EXPECT_TRUE(platform.terminalStarts.empty());

    // Jar deletes from the last chapter only: an earlier one's rows are
    // refused, unasked.
    brak.contents().SelectChapter(2);
    select(1, 2);
    actions.remove();
    ASSERT_EQ(dialogs.boxes.size(), 2u);
    EXPECT_EQ(dialogs.boxes[1].icon, MessageIcon::Information) << dialogs.boxes[1].text;
    EXPECT_TRUE(platform.terminalStarts.empty());

    // A cancelled folder picker runs nothing either.
    actions.extractTo();
    EXPECT_TRUE(platform.terminalStarts.empty());
}

TEST_F(FileActionsTest, SelectAllTakesEveryShownRowAndOnlyThose) {
    actions.selectAll();
    const int rows = f.stFile.rowCount() - 1;
    EXPECT_EQ(actions.selectedNames(), shown(1, rows));
    for (const std::string& name : actions.selectedNames())
        EXPECT_NE(name.find_first_of("tT"), std::string::npos) << name << " passed the filter";

    // Nothing listed: nothing to act on.
    f.edFilter.setText("no such name");
    actions.selectAll();
    EXPECT_TRUE(actions.selectedNames().empty());
    actions.test();
    EXPECT_TRUE(platform.terminalStarts.empty());
}

} // namespace
