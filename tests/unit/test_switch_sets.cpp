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

    bool allStoredEmpty() const {
        for (const std::string& stored : f.SwitchSets)
            if (!stored.empty())
                return false;
        return true;
    }
};

} // namespace

TEST_F(SwitchSetTest, SelectingWithoutChangesStoresNothing) {
    EXPECT_EQ(f.CurrentCommand, 0);
    EXPECT_EQ(f.LastAlteredCommand, -1);
    f.raCommandExtract.click();
    EXPECT_EQ(f.CurrentCommand, 6);
    EXPECT_EQ(f.PreviousCommand, 0);
    EXPECT_TRUE(allStoredEmpty());
    EXPECT_FALSE(f.SwitchSetsModified);
    EXPECT_EQ(f.LastAlteredCommand, -1);
    EXPECT_EQ(f.StatusBar1.simpleText(), "JAR32.EXE e \"/arc/TEST.J\" *.* ");
    EXPECT_TRUE(dialogs.boxes.empty());
}

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

TEST_F(SwitchSetTest, AChangeThenASelectionStoresAndMarks) {
    f.chRecurse.click();
    f.chCompression.click();
    f.raCommandExtract.click();
    EXPECT_EQ(f.SwitchSets[0], "-r -m2 ");
    EXPECT_EQ(f.LastAlteredCommand, 0);
    EXPECT_TRUE(f.SwitchSetsModified);
    EXPECT_FALSE(f.chRecurse.checked()) << "Extract Files has switches of its own";
    EXPECT_FALSE(f.raCompressionNormal.enabled());
    EXPECT_EQ(f.StatusBar1.simpleText(), "JAR32.EXE e \"/arc/TEST.J\" *.* ");

    f.raCommandAddFile.click();
    EXPECT_TRUE(f.chRecurse.checked());
    EXPECT_TRUE(f.raCompressionNormal.checked());
    EXPECT_EQ(f.StatusBar1.simpleText(), "JAR32.EXE a \"/arc/TEST.J\" *.* -r -m2 ");
    EXPECT_EQ(f.SwitchSets[6], "") << "nothing changed under Extract Files";
    EXPECT_EQ(f.LastAlteredCommand, 0);
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(SwitchSetTest, ExecutingAnotherCommandThanTheLastAlteredAsks) {
    f.chRecurse.click();
    f.raCommandExtract.click();
    f.raCommandDeleteAll.click();
    f.raCommandExtract.click();
    const std::string line = f.StatusBar1.simpleText();

    dialogs.answers = {MessageAnswer::No};
    EXPECT_FALSE(brak.switchSets().executionCheck());
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    const MessageBoxRequest& box = dialogs.boxes[0];
    EXPECT_EQ(box.text, addVersusExtract);
    EXPECT_EQ(box.caption, "Confirmation");
    EXPECT_EQ(box.icon, MessageIcon::Question);
    EXPECT_EQ(box.buttons, MessageButtons::YesNo);
    EXPECT_EQ(box.defaultButton, MessageAnswer::No);
    EXPECT_EQ(f.StatusBar1.simpleText(), line) << "No leaves the status bar alone";
    EXPECT_TRUE(platform.started.empty());

    dialogs.answers = {MessageAnswer::Yes};
    EXPECT_TRUE(brak.switchSets().executionCheck());
    EXPECT_EQ(dialogs.boxes.size(), 2u);
    // Nothing resets the trap: the next run of Extract Files asks again.
    EXPECT_FALSE(brak.switchSets().executionCheck()) << "the default answer is No";
    EXPECT_EQ(dialogs.boxes.size(), 3u);
    EXPECT_EQ(dialogs.boxes[2].text, addVersusExtract);
    EXPECT_EQ(f.LastAlteredCommand, 0);
}

TEST_F(SwitchSetTest, NoQuestionWhileMismatchDetectionIsOff) {
    f.chRecurse.click();
    f.raCommandExtract.click();
    f.DetectSwitch.setChecked(false);
    EXPECT_TRUE(brak.switchSets().executionCheck());
    EXPECT_TRUE(dialogs.boxes.empty());
    f.DetectSwitch.setChecked(true);
    EXPECT_FALSE(brak.switchSets().executionCheck());
    EXPECT_EQ(dialogs.boxes.size(), 1u);
}

TEST_F(SwitchSetTest, ExecutingTheCommandJustChangedAsksNothing) {
    f.chRecurse.click();
    f.raCommandExtract.click();
    f.SwitchSetsModified = false;
    f.chYes.click();
    EXPECT_TRUE(brak.switchSets().executionCheck());
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_EQ(f.SwitchSets[6], "-y ");
    EXPECT_EQ(f.LastAlteredCommand, 6);
    EXPECT_FALSE(f.SwitchSetsModified) << "an execution does not mark the sets";
    EXPECT_EQ(f.SwitchSets[0], "-r ");
}

TEST_F(SwitchSetTest, AStoredStringInAnotherFormIsRewrittenAtTheNextSynchronisation) {
    f.SwitchSets[6] = "-r    -y";
    f.raCommandExtract.click();
    EXPECT_TRUE(f.chRecurse.checked());
    EXPECT_TRUE(f.chYes.checked());
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_EQ(f.LastAlteredCommand, -1);
    f.raCommandAddFile.click();
    EXPECT_EQ(f.SwitchSets[6], "-y -r ");
    EXPECT_EQ(f.LastAlteredCommand, 6);
    EXPECT_TRUE(f.SwitchSetsModified);

    f.raCommandAddChapter.click();
    f.SwitchSets[0] = "-hbs -y";
    f.raCommandAddFile.click();
    EXPECT_TRUE(f.raSystemSet.checked());
    EXPECT_TRUE(brak.switchSets().executionCheck())
        << "the executed command is the last altered one";
    EXPECT_EQ(f.SwitchSets[0], "-y -hbs1 ");
    EXPECT_EQ(f.LastAlteredCommand, 0);
}

TEST_F(SwitchSetTest, AStoredStringWithUnknownTextIsReportedAndTheSelectionGoesOn) {
    f.SwitchSets[6] = "-r -x*.BAK ";
    f.raCommandExtract.click();
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, "Failed to interpret switches: -x*.BAK");
    EXPECT_EQ(dialogs.boxes[0].caption, "Error Setting Controls");
    EXPECT_EQ(f.CurrentCommand, 6);
    EXPECT_TRUE(f.chRecurse.checked());
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
    ASSERT_EQ(f.SwitchSets[0], "-r -z\"c.txt\" ");
    f.LastAlteredCommand = 3;

    f.buClearSwitch.click();
    EXPECT_EQ(GetSwitch(f), "");
    EXPECT_EQ(f.edFile.text(), "");
    const std::vector<std::string> order = {"chInteractive",   "chHideMarked", "chANSIComment",
                                            "chStandardError", "chFullPath",   "chSaveConfig"};
    EXPECT_EQ(unchecked, order);
    EXPECT_TRUE(f.chVolume.checked()) << "the Advanced tab is left alone";
    EXPECT_TRUE(f.chChapter.checked());
    EXPECT_EQ(f.edContentMask.text(), "*.*") << "so is the Selection tab";
    EXPECT_EQ(f.SwitchSets[0], "-r -z\"c.txt\" ") << "stored at the next synchronisation";
    EXPECT_TRUE(dialogs.boxes.empty());

    f.raCommandExtract.click();
    EXPECT_EQ(f.SwitchSets[0], "");
    EXPECT_EQ(f.LastAlteredCommand, 0);
}

TEST_F(SwitchSetTest, ClearAllSwitchesEmptiesEverySetWithoutMarking) {
    for (std::string& stored : f.SwitchSets)
        stored = "-y ";
    f.chRecurse.click();
    f.chInteractive.click();
    f.chVolume.click();
    f.buClearAllSwitch.click();
    EXPECT_TRUE(allStoredEmpty());
    EXPECT_EQ(GetSwitch(f), "");
    EXPECT_FALSE(f.chInteractive.checked());
    EXPECT_TRUE(f.chVolume.checked());
    EXPECT_FALSE(f.SwitchSetsModified);
    EXPECT_EQ(f.LastAlteredCommand, -1);
    f.raCommandExtract.click();
    EXPECT_FALSE(f.SwitchSetsModified) << "the shown and the stored switches agree";
}
