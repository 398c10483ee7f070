// Start-up: the first run finding Jar and having it extract the logo, the
// order of the start, and the argument the program was started with.
#include "Fakes.h"
#include "config/ConfigFile.h"
#include "contents/Contents.h"
#include "core/QuoteCheck.h"
#include "startup/SearchWindow.h"
#include "startup/Startup.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace brak;

namespace {

using Boxes = std::vector<MessageBoxRequest>;
using Texts = std::vector<std::string>;

const MessageBoxRequest NotFound{"JAR32.EXE was not found\nat the specified location.\nBrak will "
                                 "terminate.\nPlease install Jar and try again.",
                                 "First Time Execution", MessageIcon::Error};

// Brak's start-up parts on a fake machine.
struct Parts {
    Parts(test::FakePlatform& platform, test::FakeDialogs& dialogs)
        : contents(f, platform, dialogs), selection(f, platform, dialogs),
          config(f, platform, dialogs, contents), layout(f, platform, dialogs, config),
          startup(f, platform, dialogs, contents, selection, layout, config) {}
    MainForm f;
    Contents contents;
    Selection selection;
    ConfigFile config;
    Layout layout;
    Startup startup;
};

class StartupTest : public ::testing::Test {
protected:
    StartupTest() {
        platform.programs["JAR32.EXE"] = platform.programDir + "JAR32.EXE";
        test::writeFile(platform.programDir + "BitMap", "archive");
        startup.searchRoot = platform.root.file("machine");
        // Jar extracts the logo into the directory it runs in, and ends.
        platform.onStart = [this](const ProcessRequest& request) {
            if (request.args.at(1) == "e" && extracts)
                test::writeFile(request.directory + "/Kyx.BMP", "BM");
            StartResult started;
            started.child = std::make_unique<test::FakeChild>(jarExitCode, jarKeepsRunning);
            return started;
        };
    }

    // A program file on the searched machine, or elsewhere.
    std::string plant(const std::string& name, mode_t mode = 0755) {
        const std::string path = name.starts_with("/") ? name : startup.searchRoot + "/" + name;
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        test::writeFile(path, "#!/bin/sh\n");
        ::chmod(path.c_str(), mode);
        return path;
    }
    void searchTheMachine() {
        platform.programs.clear();
        std::filesystem::create_directories(startup.searchRoot);
        dialogs.onSearch = [this](SearchWindow& window) {
            window.buSearchClick();
            while (window.searchOn(10)) {
            }
            continueCaption = window.continueCaption();
            window.buContinueClick();
        };
    }
    bool logoThere() const { return platform.fileExists(platform.userDir + "Kyx.BMP"); }

    test::FakePlatform platform;
    test::FakeDialogs dialogs;
    Parts parts{platform, dialogs};
    MainForm& f = parts.f;
    Layout& layout = parts.layout;
    Startup& startup = parts.startup;
    bool extracts = true;
    int jarExitCode = 0;
    bool jarKeepsRunning = false;
    std::string continueCaption;
};

} // namespace

TEST_F(StartupTest, AFinishedFirstRunAsksNothing) {
    platform.markFirstRunDone();
    platform.programs.clear(); // Jar nowhere
    startup.FirstTime();
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_TRUE(platform.started.empty());
    EXPECT_EQ(dialogs.searches, 0);
}

TEST_F(StartupTest, JarFoundHasTheLogoExtractedIntoTheUsersDirectory) {
    startup.FirstTime();
    EXPECT_EQ(dialogs.boxes,
              (Boxes{{"JAR32.EXE has been located beside Brak:\n" + platform.programDir +
                          "JAR32.EXE\nPreparing Brak to run for the first time...",
                      "First Time Execution", MessageIcon::Warning}}));
    ASSERT_EQ(platform.started.size(), 1u);
    const ProcessRequest& request = platform.started[0];
    EXPECT_EQ(request.program, "JAR32.EXE") << "the same lookup finds it again";
    EXPECT_EQ(request.args, (Texts{"JAR32.EXE", "e", "\"" + platform.programDir + "BitMap\""}));
    EXPECT_EQ(request.directory + "/", platform.userDir);
    EXPECT_TRUE(logoThere());
    EXPECT_EQ(f.edPath.text(), "");
    EXPECT_FALSE(dialogs.busy);
    EXPECT_EQ(dialogs.busyChanges, 2);
}

TEST_F(StartupTest, BitMapComesFromTheFirstDataDirectoryHoldingIt) {
    const std::string installed = platform.root.file("share/brak/");
    std::filesystem::remove(platform.programDir + "BitMap");
    std::filesystem::create_directories(installed);
    test::writeFile(installed + "BitMap", "archive");
    platform.dataDirs = {platform.programDir, installed};
    startup.FirstTime();
    ASSERT_EQ(platform.started.size(), 1u);
    EXPECT_EQ(platform.started[0].args.at(2), "\"" + installed + "BitMap\"");
}

TEST_F(StartupTest, NoLogoMeansAClearMessageAndAStartWithoutIt) {
    struct Case {
        const char* what;
        bool bitMap, homeFails, extracts, keepsRunning;
        int exitCode;
        std::string says;
    };
    const Case cases[] = {
        {"no BitMap", false, false, true, false, 0, "The logo archive BitMap is missing"},
        {"Jar ends without it", true, false, false, false, 9,
         "JAR32.EXE ended without extracting Kyx.BMP from\n" + platform.programDir +
             "BitMap\nNot a Jar archive (exit code 9). The archive may be damaged."},
        {"Jar never ends", true, false, false, true, 0, "JAR32.EXE did not extract Kyx.BMP from"},
        {"a home that cannot be written", true, true, true, false, 0,
         "Brak cannot make its folder\n" + platform.userDir}};
    for (const Case& c : cases) {
        dialogs = {};
        platform.slept = 0;
        if (!c.bitMap)
            std::filesystem::remove(platform.programDir + "BitMap");
        platform.userDirectoryFails = c.homeFails;
        extracts = c.extracts;
        jarKeepsRunning = c.keepsRunning;
        jarExitCode = c.exitCode;
        startup.CreateBrak();
        ASSERT_FALSE(dialogs.boxes.empty()) << c.what;
        const MessageBoxRequest& told = dialogs.boxes.back();
        EXPECT_EQ(told.text.find(c.says), 0u) << c.what << ": " << told.text;
        EXPECT_EQ(told.caption, "First Time Execution");
        EXPECT_EQ(told.icon, MessageIcon::Warning);
        EXPECT_EQ(dialogs.splashes, Texts{""}) << c.what << ": the splash does not complain again";
        EXPECT_FALSE(dialogs.busy);
        EXPECT_FALSE(logoThere());
        EXPECT_LE(platform.slept, Startup::SplashMilliseconds) << "the wait watches Jar";
        test::writeFile(platform.programDir + "BitMap", "archive");
    }
}

TEST_F(StartupTest, TheSearchFindsJarAndFillsThePath) {
    searchTheMachine();
    plant("usr/JAR32.EXE.OLD/readme");
    plant("opt/old/jar32.exe.bak", 0644);
    const std::string jar = plant("opt/tools/JAR32.EXE");
    startup.FirstTime();
    EXPECT_EQ(dialogs.searches, 1);
    EXPECT_EQ(continueCaption, "&Continue");
    EXPECT_EQ(f.FoundPath, jar);
    EXPECT_EQ(f.edPath.text(), startup.searchRoot + "/opt/tools");
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_NE(dialogs.boxes[0].text.find("found at:\n" + jar + "\n"), std::string::npos)
        << "the program Brak adopts is named";
    ASSERT_EQ(platform.started.size(), 1u);
    EXPECT_EQ(platform.started[0].program, jar);
    EXPECT_TRUE(logoThere());
}

TEST_F(StartupTest, TheSearchPassesOverProgramsOthersCouldReplace) {
    searchTheMachine();
    plant("tmp/JAR32.EXE");
    ::chmod(startup.searchRoot.c_str(), 0755);
    ::chmod((startup.searchRoot + "/tmp").c_str(), 01777);
    plant("shared/JAR32.EXE", 0775);
    if (::getuid() == 0) { // only root can give a file away
        ASSERT_EQ(::chown(plant("theirs/JAR32.EXE").c_str(), 4321, 4321), 0);
    }
    EXPECT_THROW(startup.FirstTime(), ProgramEnd) << "nothing adopted, no pick";
    EXPECT_EQ(f.FoundPath, "");
}

TEST_F(StartupTest, NothingFoundLeadsToThePick) {
    searchTheMachine();
    const std::string other = plant("opt/OLDJAR32.EXE"); // found, but no JAR32.EXE beside it
    const std::string picked = plant(platform.root.file("home/me/jar/JAR32.EXE"));
    dialogs.fileAnswers = {picked};
    startup.FirstTime();
    EXPECT_EQ(f.FoundPath, other);
    EXPECT_EQ(dialogs.filters, Texts{"JAR32.EXE|JAR32.EXE"});
    EXPECT_EQ(f.edPath.text(), platform.root.file("home/me/jar"));
    ASSERT_EQ(platform.started.size(), 1u);
    EXPECT_EQ(platform.started[0].program, picked);
}

TEST_F(StartupTest, NoJarAnywhereEndsTheProgramAtOnce) {
    platform.programs.clear();
    for (const std::string& pick : {std::string(), platform.root.file("elsewhere/JAR32.EXE")}) {
        dialogs = {};
        dialogs.fileAnswers = {pick};
        try {
            startup.CreateBrak();
            FAIL() << "the program goes on";
        } catch (const ProgramEnd& end) {
            EXPECT_EQ(end.exitCode, 1);
        }
        EXPECT_EQ(dialogs.boxes, Boxes{NotFound}) << pick;
        EXPECT_TRUE(dialogs.splashes.empty());
        EXPECT_TRUE(platform.started.empty());
        EXPECT_FALSE(std::filesystem::exists(layout.layoutFile())) << "nothing is saved";
    }
}

TEST_F(StartupTest, TheStartRunsInItsOrder) {
    // The last state holds a swap directory.
    platform.makeUserDirectory();
    test::writeFile(layout.stateFile(), "SwapFileDirectory=/var/Swap\r\n");
    std::vector<std::string> events;
    platform.onStart = [&](const ProcessRequest& request) {
        events.push_back(dialogs.splashes.empty() ? "jar before the splash" : "jar after it");
        test::writeFile(request.directory + "/Kyx.BMP", "BM");
        return StartResult{};
    };
    f.PageControl1.setActivePage(4);
    startup.CreateBrak();
    EXPECT_EQ(events, Texts{"jar before the splash"});
    EXPECT_EQ(dialogs.splashes, Texts{platform.userDir + "Kyx.BMP"});
    EXPECT_EQ(platform.slept, 3000);
    EXPECT_FALSE(dialogs.splashShown);
    EXPECT_EQ(f.ConfigName, layout.stateFile());
    EXPECT_EQ(f.edSwap.text(), "/var/Swap");
    EXPECT_EQ(f.stChapter.cell(0, 0), "Chapter");
    EXPECT_EQ(f.stFile.cell(9, 0), "Chapter");
    EXPECT_EQ(f.daBefore.GetValue(), platform.clock);
    EXPECT_EQ(f.daAfter.GetValue(), platform.clock);
    EXPECT_EQ(f.PageControl1.activePage(), 0);
    EXPECT_EQ(f.Directory.directory(), platform.cwd) << "the Selection tab starts where Brak did";

    // The layout, read first, says no automatic load: none.
    Parts second(platform, dialogs);
    test::writeFile(layout.layoutFile(), "AutoLoad=No\r\n");
    second.startup.CreateBrak();
    EXPECT_FALSE(second.f.AutoLoad.checked());
    EXPECT_EQ(second.f.ConfigName, "");
    EXPECT_EQ(second.f.Caption1.text(), "Brak");
    EXPECT_EQ(second.f.edSwap.text(), "");
}

TEST_F(StartupTest, ADamagedLastStateIsShownAndTheStartGoesOn) {
    platform.markFirstRunDone();
    test::writeFile(layout.stateFile(), "SwapFileDirectory=/kept\r\n32MemoryLimit=lots\r\n");
    startup.CreateBrak();
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text.find("Line 2 of the configuration file"), 0u)
        << dialogs.boxes[0].text;
    EXPECT_EQ(f.edSwap.text(), "/kept");
    EXPECT_EQ(f.PageControl1.activePage(), 0) << "the start was finished";
}

TEST_F(StartupTest, TheArgumentNamesAnArchiveOrAConfiguration) {
    const std::string root = platform.root.path();
    struct Case {
        std::string argument;
        std::string shown;    // edArchive before
        const char* expected; // "", "list", "load", "refused" or "neither"
    };
    const Case cases[] = {
        {"", "", ""},
        {"ARC.J", "arc.j", ""}, // already shown: not again
        {"/data/arc.j", "", "list"},
        {"\"/data/my arc.J\"", "", "refused"}, // a quote would split Jar's argument
        {"/data/tape.jar", "", "list"},
        {root + "/.jdk/settings.cfg", "", "load"},
        {root + "/srv/.jobs/brak", "", "load"},
        {root + "/backup.BKF", "", "load"},
        {root + "/readme.txt", "", "neither"}, // never the configuration a save overwrites
    };
    platform.onStart = nullptr;
    for (const Case& c : cases) {
        const std::string what = c.expected;
        if (what == "load") {
            std::filesystem::create_directories(std::filesystem::path(c.argument).parent_path());
            test::writeFile(c.argument, "SwapFileDirectory=" + c.argument + "\r\n");
        }
        if (what == "neither")
            test::writeFile(c.argument, "Notes=nothing Jar reads\r\n");
        f.edArchive.setText(c.shown);
        f.edSwap.setText("");
        platform.started.clear();
        dialogs.boxes.clear();
        startup.OpenArgument(c.argument);
        EXPECT_EQ(f.edArchive.text(), what == "list" || what == "refused" ? c.argument : c.shown);
        EXPECT_EQ(platform.started.size(), what == "list" ? 1u : 0u) << c.argument;
        if (what == "list") {
            EXPECT_EQ(platform.started.at(0).args.at(1), "lt");
        }
        if (what == "refused") {
            EXPECT_EQ(dialogs.boxes.at(0).caption, QuoteCheckCaption);
        }
        EXPECT_EQ(f.edSwap.text(), what == "load" ? c.argument : "") << c.argument;
        if (what == "neither") {
            ASSERT_EQ(dialogs.boxes.size(), 1u);
            EXPECT_EQ(dialogs.boxes[0].text, "The file\n" + c.argument +
                                                 "\nis neither a Jar archive nor a configuration "
                                                 "file, and was not opened.");
            EXPECT_EQ(f.ConfigName, root + "/backup.BKF") << "the one before stays";
            EXPECT_EQ(f.Caption1.text(), "Brak [" + root + "/backup.BKF]");
        }
    }
}
