// Extracting two selected rows of a real archive's earlier chapter with the
// command the file grid's Extract To composes.
#include "Fakes.h"
#include "TempDir.h"
#include "platform/PosixPlatform.h"
#include "run/FileActions.h"
#include "ui/Brak.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace brak;

namespace {

const std::string JarProgram = std::string(BRAK_BIN_DIR) + "/JAR32.EXE";

class TestPlatform : public PosixPlatform {
public:
    explicit TestPlatform(std::string directory) : directory_(std::move(directory)) {}
    std::string programDirectory() const override { return directory_; }

private:
    std::string directory_;
};

TEST(FileActionsEndToEnd, ExtractsTwoSelectedFilesOfTheChapterShown) {
    test::TempDir work, program, out;
    TestPlatform platform{program.path() + "/"};
    platform.setEnvironment("JAR_CFG_FILE", "");
    test::FakeDialogs dialogs;
    std::string listFolder;
    {
        Brak brak{platform, dialogs};
        MainForm& f = brak.form();
        f.edPath.setText(BRAK_BIN_DIR);
        f.Directory.setDirectory(work.path());
        const auto jar = [&](const std::string& command, const std::string& files) {
            const StartResult result = platform.runAndWait(
                {JarProgram,
                 {JarProgram + " ", command + " ", "\"two.j\" " + files + " ", ""},
                 work.path()});
            ASSERT_TRUE(result.started());
            ASSERT_EQ(result.exitCode, 0) << command;
        };
        work.write("alpha.txt", "first alpha");
        work.write("beta.txt", "first beta");
        work.write("gamma.txt", "first gamma");
        jar("a", "alpha.txt beta.txt gamma.txt");
        work.write("alpha.txt", "second alpha, longer");
        jar("ac", "alpha.txt");

        WriteGridHeadings(f.stChapter, f.stFile);
        f.edArchive.setText(work.file("two.j"));
        ASSERT_EQ(brak.contents().LoadContents(), 0);
        brak.contents().SelectChapter(1);
        std::vector<std::string> names;
        for (int row = 1; row < f.stFile.rowCount(); ++row)
            names.push_back(f.stFile.cell(ColName, row));
        ASSERT_EQ(names.size(), 3u);
        f.stFile.setRow(1);
        f.stFile.selectRangeTo(2);

        FileActions& actions = brak.fileActions();
        const JarCommand command = actions.compose(FileActions::Action::ExtractTo, out.path());
        listFolder = directoryOf(actions.listFileName());
        const StartResult result =
            platform.runAndWait({command.programFile(), command.arguments(), work.path()});
        ASSERT_TRUE(result.started());
        EXPECT_EQ(result.exitCode, 0) << command.line();

        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(std::filesystem::exists(out.file(names[std::size_t(i)])), i < 2)
                << names[std::size_t(i)];
        ASSERT_EQ(names[0], "alpha.txt") << "the listing's order";
        EXPECT_EQ(out.read("alpha.txt"), "first alpha") << "chapter 1's copy, not the last";
        EXPECT_EQ(out.read("beta.txt"), "first beta");
        EXPECT_TRUE(std::filesystem::exists(listFolder));

        // Opening a row hands the desktop a read-only copy of that file.
        const std::string opened = actions.open(3);
        ASSERT_EQ(dialogs.opened, (std::vector<std::string>{opened})) << dialogs.boxes.size();
        EXPECT_EQ(opened.rfind(listFolder + "/", 0), 0u) << opened;
        EXPECT_EQ(test::readFile(opened), "first " + names[2].substr(0, names[2].find('.')));
        EXPECT_EQ(std::filesystem::status(opened).permissions() &
                      std::filesystem::perms::owner_write,
                  std::filesystem::perms::none);
    }
    EXPECT_FALSE(std::filesystem::exists(listFolder)) << "the private folder goes with Brak";
}

} // namespace
