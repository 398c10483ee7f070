// A switch set per command: selecting, the execution check and clearing.
#include "Fakes.h"
#include "core/Commands.h"
#include "core/SwitchSets.h"
#include "ui/Brak.h"

#include <functional>
#include <gtest/gtest.h>

using namespace brak;

namespace {

const std::string addVersusExtract =
    "Brak uses a separate set of switches for each command.\n"
    "Uncheck 'Options|Detect Switch Mismatch' to disable this trap.\n\n"
    "The last command altered was 'Add Files'\n"
    "You have now chosen to execute 'Extract Files'\n\n"
    "Was that your intention?";

class SwitchSetTest : public ::testing::Test {
protected:
    SwitchSetTest() {
        f.edArchive.setText("/arc/TEST.J");
        f.edContentMask.setText("*.*");
    }

    test::FakePlatform platform;
    test::FakeDialogs dialogs;
    Brak brak{platform, dialogs};
    MainForm& f = brak.form();

    // The sets stored by command number, the last altered command and
    // whether the sets are marked as changed.
    std::string stored() const {
        std::string out;
        for (std::size_t i = 0; i < f.SwitchSets.size(); ++i)
            if (!f.SwitchSets[i].empty())
                out += std::to_string(i) + ":" + f.SwitchSets[i] + "| ";
        return out + "last " + std::to_string(f.LastAlteredCommand) +
               (f.SwitchSetsModified ? " marked" : "");
    }
    bool executionCheck() { return brak.switchSets().executionCheck(); }
};

} // namespace

TEST_F(SwitchSetTest, TheStatusBarFollowsEverythingTheLineIsMadeOf) {
    struct Step {
        std::function<void()> change;
        std::string line;
    };
    const std::vector<Step> steps = {
        {[&] { f.chRecurse.click(); }, "JAR32.EXE a \"/arc/TEST.J\" *.* -r "},
        {[&] { f.chCompression.click(); }, "JAR32.EXE a \"/arc/TEST.J\" *.* -r -m2 "},
        {[&] { f.raCompressionBest.click(); }, "JAR32.EXE a \"/arc/TEST.J\" *.* -r -m4 "},
        {[&] { f.edArchive.setText("/arc/OTHER.J"); }, "JAR32.EXE a \"/arc/OTHER.J\" *.* -r -m4 "},
        {[&] { f.edContentMask.setText("*.c"); }, "JAR32.EXE a \"/arc/OTHER.J\" *.c -r -m4 "},
        {[&] { f.raContentList.click(); }, "JAR32.EXE a \"/arc/OTHER.J\" !\"BRAK.LST\" -r -m4 "},
        {[&] { f.edContentList.setText("my.LST"); },
         "JAR32.EXE a \"/arc/OTHER.J\" !\"my.LST\" -r -m4 "},
        {[&] { f.edPath.setText("/opt/jar"); },
         "/opt/jar/JAR32.EXE a \"/arc/OTHER.J\" !\"my.LST\" -r -m4 "},
        {[&] { f.raCommandExtract.click(); }, "/opt/jar/JAR32.EXE e \"/arc/OTHER.J\" !\"my.LST\" "},
    };
    for (const Step& step : steps) {
        step.change();
        EXPECT_TRUE(f.StatusBar1.simplePanel());
        EXPECT_EQ(f.StatusBar1.simpleText(), step.line);
    }
}

TEST_F(SwitchSetTest, ASelectionStoresTheSwitchesLeftOnlyWhenTheyChanged) {
    EXPECT_EQ(f.CurrentCommand, 0);
    f.raCommandExtract.click();
    f.raCommandAddFile.click();
    EXPECT_EQ(f.PreviousCommand, 6);
    EXPECT_EQ(stored(), "last -1");

    f.chRecurse.click();
    f.chCompression.click();
    f.raCommandExtract.click();
    EXPECT_EQ(f.CurrentCommand, 6);
    EXPECT_EQ(stored(), "0:-r -m2 | last 0 marked");
    EXPECT_FALSE(f.chRecurse.checked()) << "Extract Files has switches of its own";
    EXPECT_FALSE(f.raCompressionNormal.enabled());
    EXPECT_EQ(f.StatusBar1.simpleText(), "JAR32.EXE e \"/arc/TEST.J\" *.* ");

    f.raCommandAddFile.click();
    EXPECT_TRUE(f.chRecurse.checked() && f.raCompressionNormal.checked());
    EXPECT_EQ(f.StatusBar1.simpleText(), "JAR32.EXE a \"/arc/TEST.J\" *.* -r -m2 ");
    EXPECT_EQ(stored(), "0:-r -m2 | last 0 marked") << "nothing changed under Extract Files";
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(SwitchSetTest, ExecutingAnotherCommandThanTheLastAlteredAsks) {
    f.chRecurse.click();
    f.raCommandExtract.click();
    f.raCommandDeleteAll.click();
    f.raCommandExtract.click();
    const std::string line = f.StatusBar1.simpleText();

    dialogs.answers = {MessageAnswer::No};
    EXPECT_FALSE(executionCheck());
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0],
              (MessageBoxRequest{addVersusExtract, "Confirmation", MessageIcon::Question,
                                 MessageButtons::YesNo, MessageAnswer::No}));
    EXPECT_EQ(f.StatusBar1.simpleText(), line) << "No leaves the status bar alone";
    EXPECT_TRUE(platform.started.empty());

    dialogs.answers = {MessageAnswer::Yes};
    EXPECT_TRUE(executionCheck());
    // Nothing resets the trap: the next run of Extract Files asks again.
    EXPECT_FALSE(executionCheck()) << "the default answer is No";
    EXPECT_EQ(dialogs.boxes.size(), 3u);
    EXPECT_EQ(dialogs.boxes[2].text, addVersusExtract);
    EXPECT_EQ(stored(), "0:-r | last 0 marked");

    f.DetectSwitch.setChecked(false);
    EXPECT_TRUE(executionCheck()) << "no question while mismatch detection is off";
    EXPECT_EQ(dialogs.boxes.size(), 3u);
}

TEST_F(SwitchSetTest, ExecutingTheCommandJustChangedAsksNothing) {
    f.chRecurse.click();
    f.raCommandExtract.click();
    f.SwitchSetsModified = false;
    f.chYes.click();
    EXPECT_TRUE(executionCheck());
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_EQ(stored(), "0:-r | 6:-y | last 6") << "an execution does not mark the sets";
}

TEST_F(SwitchSetTest, AStoredStringInAnotherFormIsRewrittenAtTheNextSynchronisation) {
    f.SwitchSets[6] = "-r    -y";
    f.raCommandExtract.click();
    EXPECT_TRUE(f.chRecurse.checked() && f.chYes.checked());
    EXPECT_EQ(stored(), "6:-r    -y| last -1");
    f.raCommandAddFile.click();
    EXPECT_EQ(stored(), "6:-y -r | last 6 marked");

    f.raCommandAddChapter.click();
    f.SwitchSets[0] = "-hbs -y";
    f.raCommandAddFile.click();
    EXPECT_TRUE(f.raSystemSet.checked());
    EXPECT_TRUE(executionCheck()) << "the executed command is the last altered one";
    EXPECT_EQ(stored(), "0:-y -hbs1 | 6:-y -r | last 0 marked");
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(SwitchSetTest, AStoredStringWithUnknownTextIsReportedAndTheSelectionGoesOn) {
    f.SwitchSets[6] = "-r -x*.BAK ";
    f.raCommandExtract.click();
    EXPECT_EQ(dialogs.boxes,
              (std::vector<MessageBoxRequest>{{"Failed to interpret switches: -x*.BAK",
                                               "Error Setting Controls", MessageIcon::Error}}));
    EXPECT_EQ(f.CurrentCommand, 6);
    EXPECT_EQ(f.StatusBar1.simpleText(), "JAR32.EXE e \"/arc/TEST.J\" *.* -r ");
}

TEST_F(SwitchSetTest, ClearSwitchesResetsTheShownSwitchesAndTheToggles) {
    std::vector<std::string> unchecked;
    for (CheckBox* toggle : {&f.chInteractive, &f.chHideMarked, &f.chFullPath, &f.chStandardError,
                             &f.chANSIComment, &f.chSaveConfig}) {
        toggle->click();
        toggle->addObserver([&unchecked](const Control& c) { unchecked.push_back(c.name()); });
    }
    f.chRecurse.click();
    f.chFile.click();
    f.edFile.setText("c.txt");
    f.chVolume.click();
    f.chChapter.click();
    f.raCommandExtract.click();
    f.raCommandAddFile.click();
    f.LastAlteredCommand = 3;

    f.buClearSwitch.click();
    EXPECT_EQ(GetSwitch(f), "");
    EXPECT_EQ(f.edFile.text(), "");
    const std::vector<std::string> order = {"chInteractive",   "chHideMarked", "chANSIComment",
                                            "chStandardError", "chFullPath",   "chSaveConfig"};
    EXPECT_EQ(unchecked, order);
    EXPECT_TRUE(f.chVolume.checked() && f.chChapter.checked()) << "the Advanced tab is left alone";
    EXPECT_EQ(f.edContentMask.text(), "*.*") << "so is the Selection tab";
    EXPECT_EQ(stored(), "0:-r -z\"c.txt\" | last 3 marked") << "stored at the next synchronisation";
    EXPECT_TRUE(dialogs.boxes.empty());

    f.raCommandExtract.click();
    EXPECT_EQ(stored(), "last 0 marked");
}

TEST_F(SwitchSetTest, ClearAllSwitchesEmptiesEverySetWithoutMarking) {
    for (std::string& set : f.SwitchSets)
        set = "-y ";
    f.chRecurse.click();
    f.chInteractive.click();
    f.chVolume.click();
    f.buClearAllSwitch.click();
    EXPECT_EQ(stored(), "last -1");
    EXPECT_EQ(GetSwitch(f), "");
    EXPECT_FALSE(f.chInteractive.checked());
    EXPECT_TRUE(f.chVolume.checked());
    f.raCommandExtract.click();
    EXPECT_EQ(stored(), "last -1") << "the shown and the stored switches agree";
}
