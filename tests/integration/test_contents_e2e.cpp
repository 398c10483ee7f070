// Listing a real archive: the stand-in archiver builds one with three
// chapters, and Brak lists it through the real machine.
#include "Children.h"
#include "DirectoryPlatform.h"
#include "Fakes.h"
#include "TempDir.h"
#include "contents/DumpFormat.h"
#include "platform/PosixPlatform.h"
#include "ui/Brak.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace brak;
using Strings = std::vector<std::string>;

namespace {

const std::string JarProgram = std::string(BRAK_BIN_DIR) + "/JAR32.EXE";

using TestPlatform = brak::test::DirectoryPlatform;

class ContentsEndToEnd : public ::testing::Test {
protected:
    ContentsEndToEnd() {
        platform.setEnvironment("JAR_CFG_FILE", "");
        f.edPath.setText(BRAK_BIN_DIR);
    }
    ~ContentsEndToEnd() override { platform.setCurrentDirectory(cwd_); }

    // Runs the stand-in in the work directory as Brak runs a command.
    void jar(const std::string& command, const std::string& files) {
        const StartResult result = platform.runAndWait(
            {JarProgram,
             {JarProgram + " ", command + " ", "\"" + archive() + "\" " + files + " ", ""},
             work.path()});
        ASSERT_TRUE(result.started()) << JarProgram;
        ASSERT_EQ(result.exitCode, 0) << command << " " << files;
    }
    std::string archive() const { return work.file("three.J"); }
    static Strings column(const StringGrid& grid, int col) {
        Strings texts;
        for (int row = 1; row < grid.rowCount(); ++row)
            texts.push_back(grid.cell(col, row));
        return texts;
    }

    test::TempDir work;    // the files and the archive
    test::TempDir program; // Brak's own directory, where the dump goes
    TestPlatform platform{program.path() + "/"};
    const std::string cwd_ = platform.currentDirectory();
    test::FakeDialogs dialogs;
    Brak brak{platform, dialogs};
    MainForm& f = brak.form();
};

} // namespace

TEST_F(ContentsEndToEnd, ThreeChaptersAreListedAndShown) {
    work.write("alpha.txt", std::string(1000, 'a'));
    work.write("beta.txt", std::string(2000, 'b'));
    jar("a", "alpha.txt beta.txt");
    work.write("gamma.txt", std::string(300, 'c'));
    jar("ac", "gamma.txt");
    work.write("delta.txt", "d");
    jar("ac", "delta.txt");

    WriteGridHeadings(f.stChapter, f.stFile);
    f.edArchive.setText(work.file("three"));
    f.edArchive.keyPress('\r');
    ASSERT_TRUE(dialogs.boxes.empty()) << dialogs.boxes[0].text;
    EXPECT_EQ(f.edArchive.text(), archive());
    EXPECT_EQ(f.edArchiveFlag.text(), ".....");
    EXPECT_EQ(f.edArchiveCreateDate.text().size(), 10u);
    EXPECT_EQ(f.edArchiveCreateTime.text().size(), 8u);
    EXPECT_FALSE(f.edArchiveCreate.text().empty());
    EXPECT_EQ(f.edArchiveOldSize.text(), "3,301") << "each file counted once";
    EXPECT_EQ(f.edArchiveNewSize.text(), FormatThousands(platform.fileSize(archive())));
    EXPECT_EQ(f.edArchiveRatio.text().substr(0, 2), "1:");
    EXPECT_FALSE(platform.fileExists(program.file("Brak.DMP"))) << "nothing beside Brak";

    ASSERT_EQ(f.stChapter.rowCount(), 4);
    EXPECT_EQ(column(f.stChapter, 0), (Strings{"1", "2", "3"}));
    EXPECT_EQ(column(f.stChapter, 1)[2], "......");
    EXPECT_EQ(f.stChapter.row(), 3);
    EXPECT_EQ(column(f.stFile, 0), (Strings{"alpha.txt", "beta.txt", "gamma.txt", "delta.txt"}));
    EXPECT_EQ(f.laFileDetail.caption(), "File Details (4 files)");

    f.stChapter.selectCell(0, 1);
    f.stChapter.click();
    EXPECT_EQ(column(f.stFile, 0), (Strings{"alpha.txt", "beta.txt"}));
    EXPECT_EQ(column(f.stFile, 1), (Strings{"1000", "2000"}));
    EXPECT_EQ(column(f.stFile, 9), (Strings{"1", "1"}));
    f.stFile.selectCell(1, 1);
    f.raDescending.click();
    f.stFile.selectCell(1, 1);
    EXPECT_EQ(column(f.stFile, 0), (Strings{"beta.txt", "alpha.txt"}));

    // A relative name is the archive in the Selection tab's directory.
    f.Directory.setDirectory(work.path());
    f.edArchive.setText("three");
    ASSERT_EQ(brak.contents().LoadContents(), 0);
    EXPECT_EQ(f.stChapter.rowCount(), 4);
    EXPECT_EQ(f.edArchiveNewSize.text(), FormatThousands(platform.fileSize(archive())));
}

TEST_F(ContentsEndToEnd, NoListingLeavesAProcessBehind) {
    work.write("alpha.txt", "a");
    jar("a", "alpha.txt");
    work.write("text.J", "this is no archive");
    ASSERT_EQ(::mkfifo(work.file("pipe.J").c_str(), 0600), 0);
    const struct {
        const char* what;
        std::string archive;
        bool cancel;
        int result;
    } rows[] = {{"a listing", archive(), false, 0},
                {"a listing given up", archive(), true, 1},
                {"a FIFO named as the archive", work.file("pipe.J"), false, -1},
                {"no such archive", work.file("gone.J"), false, -1},
                {"no archive", work.file("text.J"), false, 1}};
    for (const auto& row : rows) {
        dialogs.cancelWaits = row.cancel;
        f.edArchive.setText(row.archive);
        EXPECT_EQ(brak.contents().LoadContents(), row.result) << row.what;
        EXPECT_TRUE(test::childrenGone()) << row.what << ": no Jar runs on, no zombie stays";
    }
    // Jar's own word on a file that is no archive ends the wait.
    EXPECT_NE(dialogs.boxes.back().text.find(
                  "without writing its listing: Not a Jar archive (exit code 9)."),
              std::string::npos)
        << dialogs.boxes.back().text;
    EXPECT_EQ(f.stFile.cell(0, 1), "No Files");
}
