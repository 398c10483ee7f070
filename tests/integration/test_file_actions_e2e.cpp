// Extracting two selected rows of a real archive's earlier chapter with the
// command the file grid's Extract To composes.
#include "DirectoryPlatform.h"
#include "Fakes.h"
#include "RunCommand.h"
#include "TempDir.h"
#include "platform/PosixPlatform.h"
#include "run/Console.h"
#include "run/FileActions.h"
#include "ui/Brak.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace brak;

namespace {

const std::string JarProgram = std::string(BRAK_BIN_DIR) + "/JAR32.EXE";

using TestPlatform = brak::test::DirectoryPlatform;

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

// Jar's console with a user who types the password when asked.
struct TypingConsole : Console {
    TerminalSize size() const override { return {24, 80}; }
    ConsoleRun run(std::unique_ptr<TerminalProcess> process, const std::string&) override {
        for (std::string screen(4096, ' '); !process->reap(); ::usleep(20'000))
            if (process->read(screen.data(), screen.size()) > 0 && asked == 0 &&
                screen.find("Password") == 0)
                asked += process->write("pw\r") == 3;
        return {*process->status(), {}};
    }
    void close() override {}
    void showRunLog(const RunLog&) override {}
    int asked = 0;
};

TEST(FileActionsEndToEnd, NamesAreWholeAndAProtectedArchiveAsksInTheConsole) {
    test::TempDir work, program;
    TestPlatform platform{program.path() + "/"};
    platform.setEnvironment("JAR_CFG_FILE", "");
    test::FakeDialogs dialogs;
    TypingConsole console;
    Brak brak{platform, dialogs};
    brak.runner().setConsole(&console);
    MainForm& f = brak.form();
    f.edPath.setText(BRAK_BIN_DIR);
    f.Directory.setDirectory(work.path());
    WriteGridHeadings(f.stChapter, f.stFile);
    const std::vector<std::string> all = {"a*.txt", "ab.txt", "sub/ab.txt"};
    for (const std::string& name : all)
        work.write(name, name);
    work.write("pw", "pw\n");
    for (const char* archive : {"plain.j", "enc.j -hg1 -pfd3 3<pw"}) {
        const std::string add = JarProgram + " a " + archive + " 'a*.txt' ab.txt sub/ab.txt";
        ASSERT_EQ(test::runCommand({"sh", "-c", add}, work.path()).exitCode, 0);
    }
    const auto list = [&](const char* archive) {
        f.edArchive.setText(work.file(archive));
        EXPECT_EQ(brak.contents().LoadContents(), 0);
        std::vector<std::string> names;
        for (int row = 1; row < f.stFile.rowCount(); ++row)
            names.push_back(f.stFile.cell(ColName, row));
        f.stFile.setRow(1);
        f.stFile.selectRangeTo(2);
        return names;
    };
    // A drag carries copies of "a*.txt" and "ab.txt"; a delete takes those two only.
    ASSERT_EQ(list("plain.j"), all);
    const auto dragged = brak.fileActions().dragOut();
    ASSERT_EQ(dragged.size(), 2u);
    EXPECT_EQ(test::readFile(dragged[0]) + test::readFile(dragged[1]), "a*.txtab.txt");
    dialogs.answers = {MessageAnswer::Yes, MessageAnswer::Ok};
    brak.fileActions().remove();
    EXPECT_EQ(list("plain.j"), std::vector<std::string>{all[2]});

    // Unseen, Jar cannot ask for the password; in the console the user types it.
    ASSERT_EQ(list("enc.j"), all);
    EXPECT_EQ(test::readFile(brak.fileActions().open(2)), "ab.txt");
    EXPECT_EQ(console.asked, 1);
}

} // namespace
