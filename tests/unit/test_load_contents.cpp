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

const std::string Unable =
    "Unable to get details for archive.\nArchive is missing or cannot find JAR32.EXE.";

class LoadContentsTest : public test::ListingTest {
protected:
    void expectPlaceholders() {
        EXPECT_EQ(f.stChapter.rowCount(), 2);
        EXPECT_EQ(f.stChapter.cell(0, 1), "No Chapters");
        EXPECT_EQ(f.stFile.rowCount(), 2);
        EXPECT_EQ(f.stFile.cell(0, 1), "No Files");
        EXPECT_EQ(f.stFile.cell(1, 1), "");
        EXPECT_EQ(f.laFileDetail.caption(), "File Details (0 files)");
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

TEST_F(LoadContentsTest, MissingArchiveOrJarShowsTheMessageAndPlaceholders) {
    // A listing first, so that the placeholders visibly replace it.
    ASSERT_EQ(load(three), 0);
    dialogs.waits.clear();
    dump = three;
    f.edArchive.setText("GONE.J"); // no such file
    EXPECT_EQ(brak.contents().LoadContents(), -1);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, Unable);
    EXPECT_EQ(dialogs.boxes[0].caption, "Error");
    EXPECT_EQ(dialogs.boxes[0].icon, MessageIcon::Error);
    EXPECT_EQ(platform.started.size(), 2u) << "Jar was started before the archive was missed";
    expectPlaceholders();
    EXPECT_FALSE(dialogs.busy);
    EXPECT_TRUE(dialogs.waits.empty()) << "no wait for a Jar whose archive is missing";

    startError = ENOENT;
    EXPECT_EQ(load(three), -1);
    ASSERT_EQ(dialogs.boxes.size(), 2u);
    EXPECT_EQ(dialogs.boxes[1].text, Unable);
    expectPlaceholders();

    // A FIFO or a directory named as the archive is no archive: reading one
    // could hold Jar, and Brak with it, for ever.
    startError = 0;
    ASSERT_EQ(::mkfifo(dir.file("PIPE.J").c_str(), 0600), 0);
    std::filesystem::create_directory(dir.file("FOLDER.J"));
    for (const char* name : {"PIPE.J", "FOLDER.J"}) {
        f.edArchive.setText(name);
        EXPECT_EQ(brak.contents().LoadContents(), -1) << name;
        EXPECT_EQ(dialogs.boxes.back().text, Unable) << name;
    }
    EXPECT_TRUE(dialogs.waits.empty());
}

TEST_F(LoadContentsTest, JarListsIntoAPrivateDirectoryFromTheSelectionDirectory) {
    ASSERT_EQ(load(three, "TEST"), -1) << "TEST.J does not exist";
    EXPECT_EQ(f.edArchive.text(), "TEST.J");
    ASSERT_EQ(platform.started.size(), 1u);
    const ProcessRequest& request = platform.started[0];
    EXPECT_EQ(request.program, "JAR32.EXE");
    EXPECT_EQ(request.args,
              (std::vector<std::string>{"JAR32.EXE ", "lt", "\"TEST.J\"", "\"" + dumpName + "\""}));
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

    for (const std::string name : {"TEST.ZIP", "dir.v2/ARC"}) {
        load(three, name);
        EXPECT_EQ(f.edArchive.text(), name) << "a name holding a dot keeps it";
    }
}

TEST_F(LoadContentsTest, NoPrivateDirectoryNoListing) {
    class Full : public test::FakePlatform {
    public:
        std::string makeTemporaryDirectory() override { return {}; }
    };
    Full machine;
    Brak other(machine, dialogs);
    dir.resize("ARC.J", 10);
    other.form().edArchive.setText(dir.file("ARC.J"));
    EXPECT_EQ(other.contents().LoadContents(), -1);
    EXPECT_TRUE(machine.started.empty());
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, "Unable to get details for archive.\nNo temporary folder "
                                     "could be made for the listing.");
    EXPECT_EQ(other.form().stFile.cell(0, 1), "No Files");
}

TEST_F(LoadContentsTest, ListingFillsDetailsAndGrids) {
    ASSERT_EQ(load(three), 0);
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_EQ(f.edArchiveFlag.text(), "A.S..");
    EXPECT_EQ(f.edArchiveCreateDate.text(), "1998/09/14");
    EXPECT_EQ(f.edArchiveCreateTime.text(), "06:30:00");
    EXPECT_EQ(f.edArchiveModifyDate.text(), "1998/09/15");
    EXPECT_EQ(f.edArchiveModifyTime.text(), "07:45:00");
    EXPECT_EQ(f.edArchiveCreate.text(), "0102");
    EXPECT_EQ(f.edArchiveUpdate.text(), "0050");
    EXPECT_EQ(f.edArchiveExtract.text(), "0050");
    EXPECT_EQ(f.edArchiveList.text(), "0050");
    EXPECT_EQ(f.edArchiveOldSize.text(), "3,275");
    EXPECT_EQ(f.edArchiveNewSize.text(), "1,000");
    EXPECT_EQ(f.edArchiveRatio.text(), "1:3.275");

    ASSERT_EQ(f.stChapter.rowCount(), 4);
    EXPECT_EQ(f.stChapter.row(), 3) << "the last chapter is selected";
    EXPECT_EQ(headings(f.stChapter)[0], "Chapter");
    EXPECT_EQ(f.stChapter.cell(0, 3), "3");
    EXPECT_EQ(f.stChapter.cell(2, 3), "1998/09/16");
    EXPECT_EQ(f.stChapter.cell(3, 3), "07:00:00");

    EXPECT_EQ(fileColumn(), (std::vector<std::string>{"a.txt", "b.txt"})) << "the last chapter";
    EXPECT_EQ(fileColumn(9), (std::vector<std::string>{"3", "3"}));
    EXPECT_EQ(f.laFileDetail.caption(), "File Details (2 files)");
    EXPECT_FALSE(dialogs.busy);
    EXPECT_EQ(platform.cwd, platform.root.path()) << "the current directory stays";
}

TEST_F(LoadContentsTest, TheWaitWatchesJarUnderTheHourglassAndCanBeGivenUp) {
    pollsUntilEnd = 1; // Jar still runs when the wait begins
    ASSERT_EQ(load(three), 0);
    ASSERT_EQ(dialogs.waits.size(), 1u);
    EXPECT_EQ(dialogs.waits[0],
              (std::pair<std::string, std::string>{"Reading the archive\u2026", "ARC.J"}));
    EXPECT_TRUE(dialogs.busyWhileWaiting);
    EXPECT_FALSE(dialogs.busy);
    EXPECT_EQ(platform.slept, 0) << "nothing sleeps: the wait watches Jar";

    // Cancel: Jar is stopped, the placeholders show, and only the status
    // bar says why.
    // The child is gone once the listing gives up, so it reports its
    // stopping into the test's own flag.
    struct StoppedChild : test::FakeChild {
        explicit StoppedChild(bool& stopped) : FakeChild(0, true), stopped_(stopped) {}
        void terminate() override {
            FakeChild::terminate();
            stopped_ = true;
        }
        bool& stopped_;
    };
    bool started = false;
    bool stopped = false;
    platform.onStart = [&](const ProcessRequest&) {
        started = true;
        StartResult result;
        result.child = std::make_unique<StoppedChild>(stopped);
        return result;
    };
    dialogs.cancelWaits = true;
    EXPECT_EQ(brak.contents().LoadContents(), 1);
    ASSERT_TRUE(started);
    EXPECT_TRUE(stopped);
    expectPlaceholders();
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_EQ(f.StatusBar1.simpleText(), "Reading the archive ARC.J was cancelled.");
    EXPECT_FALSE(dialogs.busy);
}

TEST_F(LoadContentsTest, JarEndingWithoutTheDumpEndsTheWaitWithAMessage) {
    ASSERT_EQ(load(three), 0);
    writeDump = false;
    jarExitCode = 9;
    pollsUntilEnd = 2;
    EXPECT_EQ(load(three), 1);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text,
              "Unable to get details for archive.\nJAR32.EXE ended without writing its "
              "listing: Not a Jar archive (exit code 9).");
    EXPECT_EQ(dialogs.boxes[0].caption, "Error");
    EXPECT_EQ(dialogs.boxes[0].icon, MessageIcon::Error);
    expectPlaceholders();
    EXPECT_FALSE(dialogs.busy);
}

TEST_F(LoadContentsTest, ArchiveLengthAndRatio) {
    // A name with a dot in a directory is measured as it is; a name without
    // one was extended; another extension is measured under its own name.
    for (const char* name : {"MY.JUNK/ARC", "TEST.ZIP"}) {
        ASSERT_EQ(load(three, name, 3000), 0) << name;
        EXPECT_EQ(f.edArchiveNewSize.text(), "3,000") << name;
        EXPECT_EQ(f.edArchiveRatio.text(), "1:1.0916666666") << "cut to 14 characters";
    }
    ASSERT_EQ(load(three, "BIG.J", 5'000'000'000LL), 0);
    EXPECT_EQ(f.edArchiveNewSize.text(), "5,000,000,000");

    ASSERT_EQ(load(three, "EMPTY.J", 0), 0);
    EXPECT_EQ(f.edArchiveNewSize.text(), "0");
    EXPECT_EQ(f.edArchiveRatio.text(), "") << "no division by zero";
    EXPECT_EQ(f.edArchiveOldSize.text(), "3,275");
}

TEST_F(LoadContentsTest, UnreadableArchiveGivesNoLengthAndNoRatio) {
    class Unreadable : public test::FakePlatform {
    public:
        std::int64_t fileSize(const std::string&) const override { return -1; }
    };
    Unreadable machine;
    dir.resize("ARC.J", 1);
    machine.onStart = [&](const ProcessRequest& request) {
        test::writeFile(unquoted(request.args.at(3)), three);
        return StartResult{};
    };
    Brak other(machine, dialogs);
    other.form().Directory.setDirectory(dir.path());
    other.form().edArchive.setText("ARC.J");
    ASSERT_EQ(other.contents().LoadContents(), 0);
    EXPECT_EQ(other.form().edArchiveNewSize.text(), "");
    EXPECT_EQ(other.form().edArchiveRatio.text(), "");
    EXPECT_EQ(other.form().edArchiveOldSize.text(), "3,275");
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
    EXPECT_EQ(f.edArchiveNewSize.text(), "1,000");
    EXPECT_EQ(f.edArchiveOldSize.text(), "") << "the end of the listing was never reached";
    EXPECT_EQ(f.edArchiveRatio.text(), "");
    EXPECT_EQ(f.stChapter.rowCount(), 3);
    EXPECT_EQ(fileColumn(), (std::vector<std::string>{"a.txt", "b.txt"}))
        << "the file grid still shows what it showed";
    EXPECT_FALSE(dialogs.busy);
    brak.contents().SelectChapter(1);
    EXPECT_EQ(fileColumn(), std::vector<std::string>{"first.txt"});
}

TEST_F(LoadContentsTest, ListingBeyondALimitShowsWhatWasReadAndSaysWhy) {
    const std::string text = DumpText()
                                 .archive(1)
                                 .chapter(1)
                                 .file("kept.txt", "5")
                                 .line("FILE=" + std::string(70000, 'n'))
                                 .file("lost.txt", "6")
                                 .str();
    ASSERT_EQ(load(text), 0);
    EXPECT_EQ(fileColumn(), std::vector<std::string>{"kept.txt"});
    EXPECT_EQ(f.edArchiveOldSize.text(), "5");
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text,
              "Line 21 of the archive listing is longer than 65,536 characters.");
    EXPECT_EQ(dialogs.boxes[0].caption, "Archive Listing");
    EXPECT_EQ(dialogs.boxes[0].icon, MessageIcon::Warning);
}

TEST_F(LoadContentsTest, UnreadableDumpReturnsOneSilently) {
    ASSERT_EQ(load(three), 0);
    // Jar says it wrote the dump, but there is no file to open.
    class Vanishing : public test::FakePlatform {
    public:
        bool fileExists(const std::string& name) const override {
            return name.ends_with("Brak.DMP") || test::FakePlatform::fileExists(name);
        }
    };
    Vanishing machine;
    Brak other(machine, dialogs);
    other.form().Directory.setDirectory(dir.path());
    other.form().edArchive.setText("ARC.J");
    EXPECT_EQ(other.contents().LoadContents(), 1);
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_EQ(other.form().edArchiveFlag.text(), "");
    EXPECT_EQ(other.form().edArchiveNewSize.text(), "1,000");
}

TEST_F(LoadContentsTest, ChapterGridIsOverwrittenNotEmptied) {
    ASSERT_EQ(load(three), 0);
    ASSERT_EQ(load(DumpText().archive(3).line("CHAPTER=1").str()), 0);
    EXPECT_EQ(f.stChapter.cell(0, 1), "1");
    EXPECT_EQ(f.stChapter.cell(2, 3), "1998/09/16") << "chapter 3 keeps the older texts";
    EXPECT_EQ(fileColumn(), std::vector<std::string>{"No Files"});

    ASSERT_EQ(load(DumpText().archive(0).file("x", "1").str()), 0);
    EXPECT_EQ(f.stChapter.rowCount(), 2);
    EXPECT_EQ(f.stChapter.cell(0, 1), "No Chapters");
    EXPECT_EQ(fileColumn(), std::vector<std::string>{"No Files"});
    EXPECT_EQ(f.laFileDetail.caption(), "File Details (0 files)");
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
    EXPECT_EQ(fileColumn(), (std::vector<std::string>{"a.txt", "b.txt"}));
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
    EXPECT_EQ(fileColumn(), (std::vector<std::string>{"a.txt", "b.txt"}));
}
