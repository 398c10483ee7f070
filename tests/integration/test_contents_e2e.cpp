// Listing a real archive: the stand-in archiver builds one with three
// chapters, and Brak lists it through the real machine.
#include "Children.h"
#include "Fakes.h"
#include "TempDir.h"
#include "contents/DumpFormat.h"
#include "platform/PosixPlatform.h"
#include "ui/Brak.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace brak;

namespace {

const std::string JarProgram = std::string(BRAK_BIN_DIR) + "/JAR32.EXE";

// The real machine, with the program's directory in a temporary place.
class TestPlatform : public PosixPlatform {
public:
    explicit TestPlatform(std::string directory) : directory_(std::move(directory)) {}
    std::string programDirectory() const override { return directory_; }

private:
    std::string directory_;
};

class ContentsEndToEnd : public ::testing::Test {
protected:
    ContentsEndToEnd() {
        char buffer[4096];
        if (::getcwd(buffer, sizeof buffer))
            cwd_ = buffer;
        platform.setEnvironment("JAR_CFG_FILE", "");
    }
    ~ContentsEndToEnd() override {
        if (!cwd_.empty())
            (void)::chdir(cwd_.c_str());
    }

    // Runs the stand-in in the work directory as Brak runs a command.
    void jar(const std::string& command, const std::string& files) {
        ProcessRequest request;
        request.program = JarProgram;
        request.args = {JarProgram + " ", command + " ", "\"" + archive() + "\" " + files + " ",
                        ""};
        request.directory = work.path();
        const StartResult result = platform.runAndWait(request);
        ASSERT_TRUE(result.started()) << JarProgram;
        ASSERT_EQ(result.exitCode, 0) << command << " " << files;
    }

    std::string archive() const { return work.file("three.J"); }

    test::TempDir work;    // the files and the archive
    test::TempDir program; // Brak's own directory, where the dump goes
    TestPlatform platform{program.path() + "/"};
    test::FakeDialogs dialogs;

private:
    std::string cwd_;
};

std::vector<std::string> column(const StringGrid& grid, int col) {
    std::vector<std::string> texts;
    for (int row = 1; row < grid.rowCount(); ++row)
        texts.push_back(grid.cell(col, row));
    return texts;
}

} // namespace

TEST_F(ContentsEndToEnd, ThreeChaptersAreListedAndShown) {
    work.write("alpha.txt", std::string(1000, 'a'));
    work.write("beta.txt", std::string(2000, 'b'));
    jar("a", "alpha.txt beta.txt");
    work.write("gamma.txt", std::string(300, 'c'));
    jar("ac", "gamma.txt");
    work.write("delta.txt", "d");
    jar("ac", "delta.txt");

    Brak brak(platform, dialogs);
    MainForm& f = brak.form();
    WriteGridHeadings(brak.form().stChapter, brak.form().stFile);
    f.edPath.setText(BRAK_BIN_DIR);
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
    EXPECT_EQ(column(f.stChapter, 0), (std::vector<std::string>{"1", "2", "3"}));
    EXPECT_EQ(column(f.stChapter, 1)[2], "......");
    EXPECT_EQ(f.stChapter.row(), 3);

    EXPECT_EQ(column(f.stFile, 0),
              (std::vector<std::string>{"alpha.txt", "beta.txt", "gamma.txt", "delta.txt"}));
    EXPECT_EQ(f.laFileDetail.caption(), "File Details (4 files)");

    f.stChapter.selectCell(0, 1);
    f.stChapter.click();
    EXPECT_EQ(column(f.stFile, 0), (std::vector<std::string>{"alpha.txt", "beta.txt"}));
    EXPECT_EQ(column(f.stFile, 1), (std::vector<std::string>{"1000", "2000"}));
    EXPECT_EQ(column(f.stFile, 9), (std::vector<std::string>{"1", "1"}));

    f.stFile.selectCell(1, 1);
    f.raDescending.click();
    f.stFile.selectCell(1, 1);
    EXPECT_EQ(column(f.stFile, 0), (std::vector<std::string>{"beta.txt", "alpha.txt"}));

    // A relative name is the archive in the Selection tab's directory.
    f.Directory.setDirectory(work.path());
    f.edArchive.setText("three");
    ASSERT_EQ(brak.contents().LoadContents(), 0);
    EXPECT_EQ(f.stChapter.rowCount(), 4);
    EXPECT_EQ(f.edArchiveNewSize.text(), FormatThousands(platform.fileSize(archive())));
}

TEST_F(ContentsEndToEnd, AFileThatIsNoArchiveEndsTheWaitWithAMessage) {
    work.write("three.J", "this is no archive");
    Brak brak(platform, dialogs);
    brak.form().edPath.setText(BRAK_BIN_DIR);
    brak.form().edArchive.setText(archive());
    EXPECT_EQ(brak.contents().LoadContents(), 1);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_NE(dialogs.boxes[0].text.find("without writing its listing: Not a Jar archive "
                                         "(exit code 9)."),
              std::string::npos)
        << dialogs.boxes[0].text;
    EXPECT_EQ(brak.form().stFile.cell(0, 1), "No Files");
}

TEST_F(ContentsEndToEnd, NoListingLeavesAProcessBehind) {
    work.write("alpha.txt", "a");
    jar("a", "alpha.txt");
    ASSERT_EQ(::mkfifo(work.file("pipe.J").c_str(), 0600), 0);
    Brak brak(platform, dialogs);
    MainForm& f = brak.form();
    f.edPath.setText(BRAK_BIN_DIR);
    struct Case {
        const char* what;
        std::string archive;
        bool cancel;
        int result;
    };
    const Case cases[] = {
        {"a listing", archive(), false, 0},
        {"a listing given up", archive(), true, 1},
        {"a FIFO named as the archive", work.file("pipe.J"), false, -1},
        {"no such archive", work.file("gone.J"), false, -1},
    };
    for (const Case& c : cases) {
        dialogs.cancelWaits = c.cancel;
        f.edArchive.setText(c.archive);
        EXPECT_EQ(brak.contents().LoadContents(), c.result) << c.what;
        EXPECT_TRUE(test::childrenGone()) << c.what << ": no Jar runs on, no zombie stays";
    }
}
