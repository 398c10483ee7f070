// Brak's layout file, the window kept on the screen and the close sequence.
#include "Fakes.h"
#include "config/ConfigFile.h"
#include "contents/Contents.h"
#include "core/Commands.h"
#include "startup/Layout.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace brak;

namespace {

using Bounds = FormWindow::Bounds;

LayoutValues read(const std::string& text, std::uint64_t* stoppedAt = nullptr) {
    LayoutReader reader;
    reader.feed(text);
    reader.finish();
    if (stoppedAt)
        *stoppedAt = reader.stoppedAt();
    return reader.values();
}

class LayoutTest : public ::testing::Test {
protected:
    std::string layoutOnDisk() const { return test::readFile(platform.userDir + "Brak.CFG"); }
    void writeLayout(const std::string& text) {
        platform.makeUserDirectory();
        test::writeFile(platform.userDir + "Brak.CFG", text);
    }
    std::string bkf() const { return platform.userDir + "Brak.BKF"; }
    static bool holdsRecurse(const std::string& file) {
        return test::readFile(file).find("\r\nOptionsForCommand a=-r ") != std::string::npos;
    }

    test::FakePlatform platform;
    test::FakeDialogs dialogs;
    MainForm f;
    Contents contents{f, platform, dialogs};
    ConfigFile config{f, platform, dialogs, contents};
    Layout layout{f, platform, dialogs, config};
};

const MessageBoxRequest SaveQuestion{"Save Configuration", "Confirmation", MessageIcon::Question,
                                     MessageButtons::YesNo, MessageAnswer::Yes};

} // namespace

TEST(LayoutReader, LinesAsTheyCome) {
    LayoutValues v = read("AutoSave=No\r\n");
    EXPECT_EQ(v.autoSave, false);
    EXPECT_FALSE(v.detectSwitch || v.autoLoad || v.showHint) << "the others stay as they are";
    EXPECT_EQ(read("ShowHint=yes please").showHint, true);
    EXPECT_EQ(read("ShowHint=True").showHint, false);
    EXPECT_EQ(read("xxAutoLoadyy = YES\n").autoLoad, true) << "a key is found anywhere, any case";
    EXPECT_EQ(read("FileWidth3=120").fileWidths[3], 120);
    v = read("ChapterWidth12=50");
    EXPECT_EQ(v.chapterWidths[1], 50) << "one character is the index";
    EXPECT_FALSE(v.chapterWidths[2]);
    EXPECT_EQ(read("PathToJar=  /Opt/My Jar \t\r\n").pathToJar, "/Opt/My Jar")
        << "trimmed, and a path keeps its case";
    v = read("; ----- Brak Layout -----\n\nFormLeft=-20\nFormTop=$10\nFormWidth=900\n"
             "FormHeight=700");
    EXPECT_EQ((Bounds{*v.left, *v.top, *v.width, *v.height}), (Bounds{-20, 16, 900, 700}))
        << "the last line needs no line end";
    const char binary[] = "\0\xff=\x01\r\r\n=\n\xc3(AUTOLOAD\0=\0YES";
    EXPECT_EQ(read(std::string(binary, sizeof binary - 1)).autoLoad, true) << "binary bytes";
}

TEST(LayoutReader, ANumberThatDoesNotConvertStopsTheReadingThere) {
    for (const char* bad : {"FileWidth3=wide", "FileWidthX=5", "ChapterWidth=5",
                            "FormTop=", "ChapterWidth9=5", "ChapterWidth6=5"}) {
        // An index past the columns is ignored.
        const bool ignored = std::string(bad).starts_with("ChapterWidth") && bad[12] != '=';
        std::uint64_t stoppedAt = 0;
        const LayoutValues v =
            read(std::string("AutoLoad=No\r\n") + bad + "\r\nAutoSave=No\r\n", &stoppedAt);
        EXPECT_EQ(v.autoLoad, false) << bad;
        EXPECT_EQ(stoppedAt, ignored ? 0u : 2u) << bad;
        EXPECT_EQ(v.autoSave, ignored ? std::optional(false) : std::nullopt)
            << bad << ": nothing after it is read";
    }
}

TEST(KeepOnScreen, AWindowNobodyCouldReachComesToThePrimaryScreen) {
    const std::vector<ScreenArea> screens{{0, 0, 1280, 1024}, {1280, 0, 1920, 1080}};
    const Bounds centred{240, 212, 800, 600};
    const std::pair<Bounds, Bounds> cases[] = {
        {{100, 50, 785, 581}, {100, 50, 785, 581}},
        {{2000, 100, 800, 600}, {2000, 100, 800, 600}}, // on the second screen
        {{-700, 10, 785, 581}, {-700, 10, 785, 581}},   // its right part shows
        {{5000, 100, 800, 600}, centred},
        {{100, -500, 800, 600}, centred}, // its title bar is above every screen
        {{100, 1010, 800, 600}, centred},
        {{9000, 9000, 3000, 2000}, {0, 0, 1280, 1024}},
        {{100, 50, 0, -4}, {100, 50, 785, 581}}};
    for (const auto& [from, to] : cases)
        EXPECT_EQ(keepOnScreen(from, screens), to) << from.left << "," << from.top;
    EXPECT_EQ(keepOnScreen({5000, 5000, 10, 10}, {}), (Bounds{5000, 5000, 10, 10})) << "no screens";
}

TEST_F(LayoutTest, LoadingKeepsWhatWasReadAndTheWindowOnAScreen) {
    const int designedWidth = f.stFile.colWidth(3);
    writeLayout("AutoSave=No\r\nChapterWidth1=-5\r\nFormLeft=4000\r\nFormTop=3000\r\n"
                "FileWidth3=oops\r\nDetectSwitch=No\r\n");
    EXPECT_EQ(layout.LoadBrak(), 0);
    EXPECT_FALSE(f.AutoSave.checked());
    EXPECT_TRUE(f.DetectSwitch.checked()) << "read no further than the bad line";
    EXPECT_EQ(f.stFile.colWidth(3), designedWidth);
    EXPECT_EQ(f.stChapter.colWidth(1), 0) << "a negative width is none";
    EXPECT_EQ(f.Window.bounds(), (Bounds{247, 221, 785, 581})) << "centred on the primary screen";
}

TEST_F(LayoutTest, RecordedFiles) {
    const std::string data = std::string(BRAK_TEST_DATA) + "/layout/";
    const std::string saved = test::readFile(data + "saved_by_brak.cfg");
    writeLayout(saved);
    ASSERT_EQ(layout.LoadBrak(), 0);
    ASSERT_EQ(layout.SaveBrak(), 0);
    // Every value in it differs from the window's own: all were read.
    EXPECT_EQ(layoutOnDisk(), saved) << "read and written again, not a byte changes";

    MainForm g;
    Layout hand(g, platform, dialogs, config);
    writeLayout(test::readFile(data + "hand_edited.cfg"));
    ASSERT_EQ(hand.LoadBrak(), 0);
    EXPECT_TRUE(g.ShowHints.checked());
    EXPECT_FALSE(g.AutoLoad.checked());
    EXPECT_EQ(g.stChapter.colWidth(1), 50);
    EXPECT_EQ(g.stFile.colWidth(3), 0x78);
    EXPECT_TRUE(g.stFile.colWidthSet(3)) << "a listing's fit leaves it as it is";
    EXPECT_EQ(g.edPath.text(), "/home/me/bin");
    EXPECT_EQ(g.Window.bounds(), (Bounds{247, 221, 785, 581}));
}

TEST_F(LayoutTest, NoReadableLayoutChangesNothing) {
    EXPECT_EQ(layout.LoadBrak(), 1) << "no file";
    std::filesystem::create_directories(platform.userDir + "Brak.CFG");
    EXPECT_EQ(layout.LoadBrak(), 1) << "a directory";
    EXPECT_EQ(layout.SaveBrak(), 1);
    EXPECT_TRUE(f.AutoSave.checked());
    EXPECT_EQ(f.Window.bounds(), Bounds{});
    platform.userDirectoryFails = true;
    EXPECT_EQ(layout.SaveBrak(), 1) << "no folder for it";
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(LayoutTest, CloseWithNothingChangedAsksNothing) {
    layout.FormClose();
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_TRUE(platform.fileExists(bkf()));
    EXPECT_FALSE(layoutOnDisk().empty());

    std::filesystem::remove(bkf());
    f.AutoSave.setChecked(false);
    layout.FormClose();
    EXPECT_FALSE(platform.fileExists(bkf())) << "no automatic save";
    EXPECT_NE(layoutOnDisk().find("AutoSave=No"), std::string::npos);
}

TEST_F(LayoutTest, AFileThatCannotBeSavedAtCloseIsNamedOnce) {
    std::filesystem::create_directories(platform.userDir + "Brak.CFG"); // a folder in its place
    layout.FormClose();
    EXPECT_TRUE(platform.fileExists(bkf()));
    EXPECT_EQ(dialogs.boxes, (std::vector<MessageBoxRequest>{
                                 {"Brak could not save\n" + platform.userDir +
                                      "Brak.CFG\nWhat was saved there before is kept as it was.",
                                  "Closing Brak", MessageIcon::Warning}}));
}

TEST_F(LayoutTest, CloseAfterAChangeAsksToSave) {
    f.chRecurse.setChecked(true);
    const std::string shown = GetSwitch(f);

    // No: the automatic save still runs, without the change.
    dialogs.answers = {MessageAnswer::No};
    layout.FormClose();
    EXPECT_EQ(dialogs.boxes, std::vector<MessageBoxRequest>{SaveQuestion});
    EXPECT_TRUE(platform.fileExists(bkf()));
    EXPECT_FALSE(holdsRecurse(bkf()));
    EXPECT_EQ(f.SwitchSets[0], "");
    EXPECT_TRUE(f.SwitchSetsModified);

    // Yes, then the dialog is cancelled: nothing is saved by name.
    dialogs.answers = {MessageAnswer::Yes};
    layout.FormClose();
    EXPECT_EQ(dialogs.filters, std::vector<std::string>{"Brak Configurations (*.BKF)|*.BKF|JAR "
                                                        "Configurations (*.CFG)|*.CFG"});
    EXPECT_EQ(f.SwitchSets[0], "");
    EXPECT_FALSE(holdsRecurse(bkf()));

    // Yes and a name: the shown switches are stored, then saved there and in
    // the last state.
    const std::string named = platform.root.file("mine.BKF");
    dialogs.answers = {MessageAnswer::Yes};
    dialogs.fileAnswers = {named};
    layout.FormClose();
    EXPECT_TRUE(holdsRecurse(named) && holdsRecurse(bkf()));
    EXPECT_EQ(f.SwitchSets[0], shown);
    EXPECT_FALSE(f.SwitchSetsModified);
}

TEST_F(LayoutTest, ANamedSaveThatFailsOffersAnotherName) {
    f.SwitchSetsModified = true;
    const std::string nowhere = platform.root.file("missing/a.BKF");
    const std::string there = platform.root.file("b.BKF");
    dialogs.answers = {MessageAnswer::Yes, MessageAnswer::Yes};
    dialogs.fileAnswers = {nowhere, there};
    layout.FormClose();
    ASSERT_EQ(dialogs.boxes.size(), 2u);
    EXPECT_EQ(dialogs.boxes[1].text,
              "The configuration could not be saved in\n" + nowhere + "\nChoose another name?");
    EXPECT_EQ(dialogs.boxes[1].icon, MessageIcon::Warning);
    EXPECT_TRUE(platform.fileExists(there));
    EXPECT_FALSE(f.SwitchSetsModified);

    dialogs = {};
    f.SwitchSetsModified = true;
    dialogs.answers = {MessageAnswer::Yes, MessageAnswer::No};
    dialogs.fileAnswers = {nowhere};
    layout.FormClose();
    EXPECT_EQ(dialogs.boxes.size(), 2u) << "No gives up";
    EXPECT_TRUE(f.SwitchSetsModified);
    EXPECT_FALSE(layoutOnDisk().empty()) << "the layout is written all the same";
}

TEST_F(LayoutTest, AnErrorOnTheWayStillSavesTheRest) {
    struct Failing : test::FakeDialogs {
        std::string saveFile(const std::string&) override { throw Error("No dialog today"); }
    } failing;
    failing.answers = {MessageAnswer::Yes};
    Layout closing(f, platform, failing, config);
    f.SwitchSetsModified = true;
    EXPECT_THROW(closing.FormClose(), Error);
    EXPECT_TRUE(platform.fileExists(bkf()));
    EXPECT_FALSE(layoutOnDisk().empty());
}
