// Listing an archive: starting Jar, waiting for its dump, and what the
// window shows afterwards, with a fake machine.
#include "ListingFixture.h"
#include "contents/Contents.h"

#include <cerrno>
#include <filesystem>
#include <sys/stat.h>

using namespace brak;
using brak::test::DumpText;

namespace {

using Texts = std::vector<std::string>;

const MessageBoxRequest Unable{
    "Unable to get details for archive.\nArchive is missing or cannot find JAR32.EXE.", "Error",
    MessageIcon::Error};

class LoadContentsTest : public test::ListingTest {
protected:
    void expectPlaceholders() {
        EXPECT_EQ(f.stChapter.rowCount(), 2);
        EXPECT_EQ(f.stChapter.cell(0, 1), "No Chapters");
        EXPECT_EQ(f.stFile.rowCount(), 2);
        EXPECT_EQ(fileColumn(), Texts{"No Files"});
        EXPECT_EQ(fileColumn(1), Texts{""});
        EXPECT_EQ(f.laFileDetail.caption(), "File Details (0 files)");
        EXPECT_FALSE(dialogs.busy);
    }
    // The View tab's archive fields: flag, created, modified, versions, then
    // the sizes and the ratio.
    static Texts details(MainForm& form) {
        Texts texts;
        for (const Edit* field :
             {&form.edArchiveFlag, &form.edArchiveCreateDate, &form.edArchiveCreateTime,
              &form.edArchiveModifyDate, &form.edArchiveModifyTime, &form.edArchiveCreate,
              &form.edArchiveUpdate, &form.edArchiveExtract, &form.edArchiveList,
              &form.edArchiveOldSize, &form.edArchiveNewSize, &form.edArchiveRatio})
            texts.push_back(field->text());
        return texts;
    }
    // A machine of the test's own, listing ARC.J in dir with a Brak of its own.
    int loadOn(test::FakePlatform& machine, std::unique_ptr<Brak>& other) {
        other = std::make_unique<Brak>(machine, dialogs);
        other->form().Directory.setDirectory(dir.path());
        other->form().edArchive.setText("ARC.J");
        return other->contents().LoadContents();
    }

    const std::string three = DumpText()
                                  .archive(3, 5)
                                  .chapter(1)
                                  .chapter(2)
                                  .chapter(3, "1998/09/16")
                                  .file("a.txt", "1000", "1998/09/14 06:30:00", "1-3")
                                  .file("b.txt", "2000", "1998/09/14 06:30:00", "3-3")
                                  .file("c.txt", "275", "1998/09/14 06:30:00", "1-1")
                                  .str();
};

} // namespace

TEST_F(LoadContentsTest, ListingFillsDetailsAndGrids) {
    ASSERT_EQ(load(three), 0);
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_EQ(details(f), (Texts{"A.S..", "1998/09/14", "06:30:00", "1998/09/15", "07:45:00",
                                 "0102", "0050", "0050", "0050", "3,275", "1,000", "1:3.275"}));
    ASSERT_EQ(f.stChapter.rowCount(), 4);
    EXPECT_EQ(f.stChapter.row(), 3) << "the last chapter is selected";
    EXPECT_EQ(f.stChapter.cell(0, 3), "3");
    EXPECT_EQ(f.stChapter.cell(2, 3), "1998/09/16");
    EXPECT_EQ(f.stChapter.cell(3, 3), "07:00:00");
    EXPECT_EQ(fileColumn(), (Texts{"a.txt", "b.txt"})) << "the last chapter";
    EXPECT_EQ(fileColumn(9), (Texts{"3", "3"}));
    EXPECT_EQ(f.laFileDetail.caption(), "File Details (2 files)");
    EXPECT_FALSE(dialogs.busy);

    // The chapter grid is overwritten, not emptied.
    ASSERT_EQ(load(DumpText().archive(3).line("CHAPTER=1").str()), 0);
    EXPECT_EQ(f.stChapter.cell(0, 1), "1");
    EXPECT_EQ(f.stChapter.cell(2, 3), "1998/09/16") << "chapter 3 keeps the older texts";
    EXPECT_EQ(fileColumn(), Texts{"No Files"});
    ASSERT_EQ(load(DumpText().archive(0).file("x", "1").str()), 0);
    expectPlaceholders();
}

TEST_F(LoadContentsTest, AListingOfHiddenContentsSaysSoInTheStatusBar) {
    f.StatusBar1.setSimpleText("a x.j");
    ASSERT_EQ(load(DumpText().archive(0).str()), 0);
    expectPlaceholders();
    EXPECT_EQ(f.StatusBar1.simpleText() + "\n",
              test::readFile(BRAK_TEST_DATA "/messages/hidden_contents.txt"));
    // An empty archive still has its chapter.
    f.StatusBar1.setSimpleText("a x.j");
    ASSERT_EQ(load(DumpText().archive(1).chapter(1).str()), 0);
    EXPECT_EQ(f.StatusBar1.simpleText(), "a x.j");
}

TEST_F(LoadContentsTest, MissingArchiveOrJarShowsTheMessageAndPlaceholders) {
    // A listing first, so that the placeholders visibly replace it.
    ASSERT_EQ(load(three), 0);
    dialogs.waits.clear();
    f.edArchive.setText("GONE.J"); // no such file
    EXPECT_EQ(brak.contents().LoadContents(), -1);
    EXPECT_EQ(dialogs.boxes, std::vector<MessageBoxRequest>{Unable});
    EXPECT_EQ(platform.started.size(), 2u) << "Jar was started before the archive was missed";
    expectPlaceholders();

    startError = ENOENT;
    EXPECT_EQ(load(three), -1);
    EXPECT_EQ(dialogs.boxes.size(), 2u);
    expectPlaceholders();

    // A FIFO or a directory named as the archive is no archive: reading one
    // could hold Jar, and Brak with it, for ever.
    startError = 0;
    ASSERT_EQ(::mkfifo(dir.file("PIPE.J").c_str(), 0600), 0);
    std::filesystem::create_directory(dir.file("FOLDER.J"));
    for (const char* name : {"PIPE.J", "FOLDER.J"}) {
        f.edArchive.setText(name);
        EXPECT_EQ(brak.contents().LoadContents(), -1) << name;
        EXPECT_EQ(dialogs.boxes.back(), Unable) << name;
    }
    EXPECT_TRUE(dialogs.waits.empty()) << "no wait for a Jar whose archive is missing";
}

TEST_F(LoadContentsTest, JarListsIntoAPrivateDirectoryFromTheSelectionDirectory) {
    ASSERT_EQ(load(three, "TEST"), -1) << "TEST.J does not exist";
    EXPECT_EQ(f.edArchive.text(), "TEST.J");
    ASSERT_EQ(platform.started.size(), 1u);
    const ProcessRequest& request = platform.started[0];
    EXPECT_EQ(request.program, "JAR32.EXE");
    EXPECT_EQ(request.args, (Texts{"JAR32.EXE ", "lt", "\"TEST.J\"", "\"" + dumpName + "\""}));
    EXPECT_TRUE(dumpName.starts_with(platform.root.file("tmp/brak-"))) << dumpName;
    EXPECT_TRUE(dumpName.ends_with("/Brak.DMP")) << dumpName;
    EXPECT_EQ(request.directory, dir.path()) << "Jar runs in the Selection tab's directory";
    EXPECT_EQ(platform.cwd, platform.root.path()) << "Brak's own directory stays";

    // A relative name means a file in the Selection tab's directory, for the
    // listing and for the length alike; each listing has a directory of its
    // own, gone afterwards.
    const std::string first = dumpName;
    ASSERT_EQ(load(three, "sub/ARC.J", 4000), 0);
    EXPECT_EQ(f.edArchiveNewSize.text(), "4,000");
    EXPECT_NE(dumpName, first);
    EXPECT_TRUE(std::filesystem::is_empty(platform.root.file("tmp"))) << "no listing is left";

    // No Selection directory yet: the current one.
    f.Directory.setDirectory("");
    platform.cwd = dir.path();
    ASSERT_EQ(load(three), 0);
    EXPECT_EQ(platform.started.back().directory, dir.path());

    f.edPath.setText("/opt/jar");
    load(three, "  spaced ");
    EXPECT_EQ(f.edArchive.text(), "spaced.J") << "trimmed, then extended";
    EXPECT_EQ(platform.started.back().program, "/opt/jar/JAR32.EXE");
    EXPECT_EQ(platform.started.back().args[0], "/opt/jar/JAR32.EXE ");
}

TEST_F(LoadContentsTest, NoPrivateDirectoryNoListing) {
    struct Full : test::FakePlatform {
        std::string makeTemporaryDirectory() override { return {}; }
    } machine;
    std::unique_ptr<Brak> other;
    dir.resize("ARC.J", 10);
    EXPECT_EQ(loadOn(machine, other), -1);
    EXPECT_TRUE(machine.started.empty());
    EXPECT_EQ(dialogs.boxes, (std::vector<MessageBoxRequest>{
                                 {"Unable to get details for archive.\nNo temporary folder could "
                                  "be made for the listing.",
                                  "Error", MessageIcon::Error}}));
    EXPECT_EQ(other->form().stFile.cell(0, 1), "No Files");
}

TEST_F(LoadContentsTest, TheWaitWatchesJarUnderTheHourglassAndCanBeGivenUp) {
    pollsUntilEnd = 1; // Jar still runs when the wait begins
    ASSERT_EQ(load(three), 0);
    EXPECT_EQ(dialogs.waits, (std::vector<std::pair<std::string, std::string>>{
                                 {"Reading the archive\u2026", "ARC.J"}}));
    EXPECT_TRUE(dialogs.busyWhileWaiting);
    EXPECT_FALSE(dialogs.busy);
    EXPECT_EQ(platform.slept, 0) << "nothing sleeps: the wait watches Jar";

    // Cancel: Jar is stopped, the placeholders show, and only the status bar
    // says why. The child is gone once the listing gives up, so it reports
    // its stopping into the test's own flag.
    struct StoppedChild : test::FakeChild {
        explicit StoppedChild(bool& stopped) : FakeChild(0, true), stopped_(stopped) {}
        void terminate() override {
            FakeChild::terminate();
            stopped_ = true;
        }
        bool& stopped_;
    };
    bool stopped = false;
    platform.onStart = [&](const ProcessRequest&) {
        StartResult result;
        result.child = std::make_unique<StoppedChild>(stopped);
        return result;
    };
    dialogs.cancelWaits = true;
    EXPECT_EQ(brak.contents().LoadContents(), 1);
    EXPECT_TRUE(stopped);
    expectPlaceholders();
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_EQ(f.StatusBar1.simpleText(), "Reading the archive ARC.J was cancelled.");
}

TEST_F(LoadContentsTest, JarEndingWithoutTheDumpEndsTheWaitWithAMessage) {
    ASSERT_EQ(load(three), 0);
    writeDump = false;
    jarExitCode = 9;
    pollsUntilEnd = 2;
    EXPECT_EQ(load(three), 1);
    EXPECT_EQ(dialogs.boxes, (std::vector<MessageBoxRequest>{
                                 {"Unable to get details for archive.\nJAR32.EXE ended without "
                                  "writing its listing: Not a Jar archive (exit code 9).",
                                  "Error", MessageIcon::Error}}));
    expectPlaceholders();
}

TEST_F(LoadContentsTest, ArchiveLengthAndRatio) {
    // A name with a dot in a directory is measured as it is; a name without
    // one was extended; another extension is measured under its own name.
    for (const char* name : {"MY.JUNK/ARC", "TEST.ZIP", "dir.v2/ARC"}) {
        ASSERT_EQ(load(three, name, 3000), 0) << name;
        EXPECT_EQ(f.edArchive.text(), name) << "a name holding a dot keeps it";
        EXPECT_EQ(f.edArchiveNewSize.text(), "3,000") << name;
        EXPECT_EQ(f.edArchiveRatio.text(), "1:1.0916666666") << "cut to 14 characters";
    }
    ASSERT_EQ(load(three, "BIG.J", 5'000'000'000LL), 0);
    EXPECT_EQ(f.edArchiveNewSize.text(), "5,000,000,000");
    ASSERT_EQ(load(three, "EMPTY.J", 0), 0);
    EXPECT_EQ(details(f).back(), "") << "no division by zero";

    struct Unreadable : test::FakePlatform {
        std::int64_t fileSize(const std::string&) const override { return -1; }
    } machine;
    machine.onStart = [&](const ProcessRequest& request) {
        test::writeFile(unquoted(request.args.at(3)), three);
        return StartResult{};
    };
    std::unique_ptr<Brak> other;
    dir.resize("ARC.J", 1);
    ASSERT_EQ(loadOn(machine, other), 0);
    const Texts shown = details(other->form());
    EXPECT_EQ(Texts(shown.end() - 3, shown.end()), (Texts{"3,275", "", ""}))
        << "no length and no ratio for an archive that cannot be read";
}

TEST_F(LoadContentsTest, BadValueStopsReadingAndKeepsWhatWasFilled) {
    ASSERT_EQ(load(three), 0);
    const std::string bad = DumpText()
                                .archive(2, 2)
                                .chapter(1)
                                .file("first.txt", "5")
                                .file("second.txt", "12x")
                                .file("third.txt", "3")
                                .str();
    try {
        load(bad);
        FAIL() << "the conversion error reaches the error box";
    } catch (const Error& error) {
        EXPECT_STREQ(error.what(), "'12X' is not a valid integer value");
    }
    EXPECT_EQ(f.edArchiveFlag.text(), ".H...");
    const Texts shown = details(f);
    EXPECT_EQ(Texts(shown.end() - 3, shown.end()), (Texts{"", "1,000", ""}))
        << "the end of the listing was never reached";
    EXPECT_EQ(f.stChapter.rowCount(), 3);
    EXPECT_EQ(fileColumn(), (Texts{"a.txt", "b.txt"}))
        << "the file grid still shows what it showed";
    EXPECT_FALSE(dialogs.busy);
    brak.contents().SelectChapter(1);
    EXPECT_EQ(fileColumn(), Texts{"first.txt"});
}

TEST_F(LoadContentsTest, ListingBeyondALimitShowsWhatWasReadAndSaysWhy) {
    ASSERT_EQ(load(DumpText()
                       .archive(1)
                       .chapter(1)
                       .file("kept.txt", "5")
                       .line("FILE=" + std::string(70000, 'n'))
                       .file("lost.txt", "6")
                       .str()),
              0);
    EXPECT_EQ(fileColumn(), Texts{"kept.txt"});
    EXPECT_EQ(f.edArchiveOldSize.text(), "5");
    EXPECT_EQ(dialogs.boxes,
              (std::vector<MessageBoxRequest>{
                  {"Line 21 of the archive listing is longer than 65,536 characters.",
                   "Archive Listing", MessageIcon::Warning}}));
}

TEST_F(LoadContentsTest, UnreadableDumpReturnsOneSilently) {
    // Jar says it wrote the dump, but there is no file to open.
    struct Vanishing : test::FakePlatform {
        bool fileExists(const std::string& name) const override {
            return name.ends_with("Brak.DMP") || test::FakePlatform::fileExists(name);
        }
    } machine;
    std::unique_ptr<Brak> other;
    dir.resize("ARC.J", 1000);
    EXPECT_EQ(loadOn(machine, other), 1);
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_EQ(details(other->form()), (Texts{"", "", "", "", "", "", "", "", "", "", "1,000", ""}));
}

TEST_F(LoadContentsTest, EnterInTheArchiveField) {
    dump = three;
    dir.resize("ARC.J", 1000);
    f.edArchive.setText("   ");
    f.edArchive.keyPress('\r');
    EXPECT_TRUE(platform.started.empty()) << "blanks only: nothing happens";
    f.edArchive.setText("ARC.J");
    f.edArchive.keyPress('a');
    EXPECT_TRUE(platform.started.empty());
    f.edArchive.keyPress('\r');
    EXPECT_EQ(platform.started.size(), 1u);
    EXPECT_EQ(fileColumn(), (Texts{"a.txt", "b.txt"}));
}

TEST_F(LoadContentsTest, AnArchiveNameHoldingADoubleQuoteIsNeverListed) {
    ASSERT_EQ(load(three), 0);
    dir.write("Brak.DMP", "the last listing's dump");
    platform.started.clear();
    const std::string cwd = platform.cwd;
    // Jar would read the archive a.j and two switches of the name's own.
    f.edArchive.setText("a.j\" -y -o\"x");
    EXPECT_EQ(brak.contents().LoadContents(), -1);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].caption, "Double Quote in a Value");
    EXPECT_NE(dialogs.boxes[0].text.find("\"Archive Name\" on the View tab"), std::string::npos);
    EXPECT_TRUE(platform.started.empty());
    EXPECT_EQ(dir.read("Brak.DMP"), "the last listing's dump") << "nothing removed";
    EXPECT_EQ(platform.cwd, cwd);
    EXPECT_EQ(f.edArchiveOldSize.text(), "3,275") << "the View tab keeps the last listing";
    EXPECT_EQ(fileColumn(), (Texts{"a.txt", "b.txt"}));
}
