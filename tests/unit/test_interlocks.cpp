// The panel rules of the Basic, Medium and Advanced tabs, driven as a user
// drives them: boxes, variants, fields, spin buttons and the focus leaving.
#include "Fakes.h"
#include "Typing.h"
#include "core/Commands.h"
#include "ui/Brak.h"
#include "ui/ErrorBox.h"

#include <gtest/gtest.h>

using namespace brak;
using test::errorOf;
using test::type;

namespace {
// Selects the whole text and types over it.
void retype(Edit& field, const std::string& text) {
    field.setText(text);
    field.setSelStart(static_cast<int>(text.size()));
    field.keyUp(0);
}

class InterlockTest : public ::testing::Test {
protected:
    test::FakePlatform platform;
    test::FakeDialogs dialogs;
    Brak brak{platform, dialogs};
    MainForm& f = brak.form();

    // A field that takes input, or one that is switched off.
    static void expectOn(const Edit& field, const std::string& text = "") {
        EXPECT_TRUE(field.enabled()) << field.name();
        EXPECT_EQ(field.colour(), clWhite) << field.name();
        EXPECT_EQ(field.text(), text) << field.name();
    }
    static void expectOff(const Edit& field, bool enabled = false) {
        EXPECT_EQ(field.enabled(), enabled) << field.name();
        EXPECT_EQ(field.colour(), clSilver) << field.name();
        EXPECT_EQ(field.text(), "") << field.name();
    }
    static void expectRadio(const RadioButton& radio, bool enabled, bool checked) {
        EXPECT_EQ(radio.enabled(), enabled) << radio.name();
        EXPECT_EQ(radio.checked(), checked) << radio.name();
    }
    static void expectBox(const CheckBox& box, bool enabled, bool checked) {
        EXPECT_EQ(box.enabled(), enabled) << box.name();
        EXPECT_EQ(box.checked(), checked) << box.name();
    }
};

struct PlainPanel {
    CheckBox* box;
    std::vector<RadioButton*> variants;
    RadioButton* defaultVariant;
};

} // namespace

TEST_F(InterlockTest, FormDefaultsOfThePanels) {
    for (Control* control : f.controls()) {
        const bool inSwitchTab = f.taBasic.contains(*control) || f.taMedium.contains(*control) ||
                                 f.taAdvanced.contains(*control);
        if (!inSwitchTab)
            continue;
        if (auto* radio = dynamic_cast<RadioButton*>(control))
            expectRadio(*radio, false, false);
        if (auto* box = dynamic_cast<CheckBox*>(control)) {
            EXPECT_FALSE(box->checked()) << box->name();
        }
        if (auto* field = dynamic_cast<Edit*>(control); field && field->parent() != &f.gbSwitch) {
            EXPECT_EQ(field->colour(), clSilver) << field->name();
            EXPECT_EQ(field->enabled(), field == &f.loVolumeSize) << field->name();
        }
        if (auto* spin = dynamic_cast<SpinButton*>(control)) {
            EXPECT_FALSE(spin->enabled()) << spin->name();
        }
    }
    for (CheckBox* box :
         {&f.chBit, &f.chSystem, &f.chLong, &f.chOutput, &f.chCommentFile, &f.chAfter, &f.chBefore,
          &f.chVolume, &f.chChapter, &f.chExclude, &f.chAssume, &f.chPassword, &f.chNewPassword})
        EXPECT_TRUE(box->enabled()) << box->name();
    for (CheckBox* dependent : {&f.chVolumeTest, &f.chVolumeEcho, &f.chChapterFirst,
                                &f.chAssumeNext, &f.chPasswordVisible, &f.chSelfExtract})
        EXPECT_FALSE(dependent->enabled()) << dependent->name();
    EXPECT_EQ(f.loChapterFrom.text(), "1");
    EXPECT_EQ(f.loChapterTo.text(), "1");
    EXPECT_EQ(f.loBeforeDays.text(), "0");
    EXPECT_EQ(f.loVolumeSize.text(), "");
    for (TDTEdit* picker : {&f.daAfter, &f.daBefore}) {
        EXPECT_FALSE(picker->enabled());
        EXPECT_EQ(picker->colour(), clSilver);
    }
    EXPECT_EQ(f.edPassword.passwordChar(), '*');
    EXPECT_EQ(f.edNewPassword.passwordChar(), '*');
    const std::tuple<SpinButton*, int, int, int> spins[] = {{&f.spChapterFrom, 1, 1000, 1},
                                                            {&f.spChapterTo, 1, 100, 1},
                                                            {&f.spBeforeDays, 0, 100, 0},
                                                            {&f.spMemoryFlat, 0, 10240, 4096}};
    for (const auto& [spin, min, max, position] : spins) {
        EXPECT_EQ(spin->min(), min) << spin->name();
        EXPECT_EQ(spin->max(), max) << spin->name();
        EXPECT_EQ(spin->position(), position) << spin->name();
    }
    for (CheckBox* toggle : {&f.chInteractive, &f.chHideMarked, &f.chFullPath, &f.chStandardError,
                             &f.chANSIComment, &f.chSaveConfig})
        expectBox(*toggle, true, false);
}

TEST_F(InterlockTest, PlainPanelsOfferTheirDefaultAndTakeEverythingBack) {
    const std::vector<PlainPanel> panels = {
        {&f.chBit, {&f.raBitSet, &f.raBitReset}, &f.raBitSet},
        {&f.chFreshen, {&f.raFreshenOlder, &f.raFreshenDifferent}, &f.raFreshenOlder},
        {&f.chUpdate, {&f.raUpdateOlder, &f.raUpdateDifferent}, &f.raUpdateOlder},
        {&f.chAccess, {&f.raAccessAuthenticate, &f.raAccessEncrypt}, &f.raAccessAuthenticate},
        {&f.chTest, {&f.raTestCRC, &f.raTestCompare}, &f.raTestCRC},
        {&f.chArchive, {&f.raArchiveSet, &f.raArchiveClear}, &f.raArchiveSet},
        {&f.chDirectory, {&f.raDirectorySet, &f.raDirectoryClear}, &f.raDirectorySet},
        {&f.chHidden, {&f.raHiddenSet, &f.raHiddenClear}, &f.raHiddenSet},
        {&f.chRead, {&f.raReadSet, &f.raReadClear}, &f.raReadSet},
        {&f.chSystem, {&f.raSystemSet, &f.raSystemClear}, &f.raSystemClear},
        {&f.chStamp, {&f.raStampNew, &f.raStampOriginal}, &f.raStampNew},
        {&f.chSort, {&f.raSortNone, &f.raSortName, &f.raSortExtension}, &f.raSortNone},
        {&f.chCompress,
         {&f.raCompressAll, &f.raCompressCreate, &f.raCompressModify},
         &f.raCompressAll},
        {&f.chLock, {&f.raLockAll, &f.raLockExist, &f.raLockAuto}, &f.raLockAll},
        {&f.chCompression,
         {&f.raCompressionFast, &f.raCompressionNormal, &f.raCompressionBetter,
          &f.raCompressionBest},
         &f.raCompressionNormal},
        {&f.chLong,
         {&f.raLongLong, &f.raLongBoth, &f.raLongShort, &f.raLongToShort, &f.raLongToStandard},
         &f.raLongLong},
    };
    for (const PlainPanel& panel : panels) {
        SCOPED_TRACE(panel.box->name());
        panel.box->click();
        for (RadioButton* variant : panel.variants)
            expectRadio(*variant, true, variant == panel.defaultVariant);
        // Choose the last variant that is not the default, then switch off.
        RadioButton* other = panel.variants.back() == panel.defaultVariant ? panel.variants.front()
                                                                           : panel.variants.back();
        other->click();
        EXPECT_FALSE(panel.defaultVariant->checked());
        panel.box->click();
        for (RadioButton* variant : panel.variants)
            expectRadio(*variant, false, false);
        // Checking again returns to the default, not to the last choice.
        panel.box->click();
        EXPECT_TRUE(panel.defaultVariant->checked());
        EXPECT_FALSE(other->checked());
    }
    EXPECT_EQ(GetSwitch(f), "-hba1d1h1r1s0 -f1 -b1 -u1 -hg0 -ht0 -s -ju- -js- -jl -m2 -hf- ");
}

TEST_F(InterlockTest, AssumePanelOffersItsSevenBoxesUnchecked) {
    const std::vector<CheckBox*> boxes = {&f.chAssumeCreate,        &f.chAssumeDelete,
                                          &f.chAssumeSpace,         &f.chAssumeNew,
                                          &f.chAssumeOverwriteFile, &f.chAssumeOverwriteDirectory,
                                          &f.chAssumeNext};
    f.chAssume.click();
    for (CheckBox* box : boxes)
        expectBox(*box, true, false);
    f.chAssumeSpace.click();
    f.chAssumeNext.click();
    f.chAssume.click();
    for (CheckBox* box : boxes)
        expectBox(*box, false, false);
    f.chAssume.click();
    for (CheckBox* box : boxes)
        expectBox(*box, true, false);
}

TEST_F(InterlockTest, SingleFieldPanelsOpenTheFieldAndEmptyItWhenOff) {
    const std::pair<CheckBox*, Edit*> panels[] = {
        {&f.chOutput, &f.edOutput}, {&f.chWork, &f.edWork}, {&f.chList, &f.edList}};
    for (const auto& [box, field] : panels) {
        SCOPED_TRACE(box->name());
        box->click();
        expectOn(*field);
        type(*field, "/tmp/x y");
        box->click();
        expectOff(*field);
        box->click();
        expectOn(*field);
    }
}

TEST_F(InterlockTest, StripOrFilePanelsFollowTheirVariant) {
    struct Strip {
        CheckBox* box;
        RadioButton* strip;
        RadioButton* name;
        Edit* field;
    };
    const Strip panels[] = {
        {&f.chFile, &f.raFileStrip, &f.raFileName, &f.edFile},
        {&f.chComment, &f.raCommentStrip, &f.raCommentFilename, &f.edComment},
        {&f.chCommentFile, &f.raCommentFileStrip, &f.raCommentFileFilename, &f.edCommentFile}};
    for (const Strip& p : panels) {
        SCOPED_TRACE(p.box->name());
        p.box->click();
        expectRadio(*p.strip, true, false);
        expectRadio(*p.name, true, true);
        expectOn(*p.field);
        type(*p.field, "notes.txt");
        p.strip->click();
        expectOff(*p.field);
        p.name->click();
        expectOn(*p.field);
        type(*p.field, "again.txt");
        // Off after use: emptied and silver, but the field stays enabled.
        p.box->click();
        expectRadio(*p.strip, false, false);
        expectRadio(*p.name, false, false);
        expectOff(*p.field, true);
        p.box->click();
        expectOn(*p.field);
        // Off while Strip was chosen: the field was disabled and stays so.
        p.strip->click();
        p.box->click();
        expectOff(*p.field, false);
    }
}

TEST_F(InterlockTest, PasswordPanelsMaskUnlessVisible) {
    f.chPassword.click();
    expectRadio(f.raPasswordSpecify, true, true);
    expectRadio(f.raPasswordPrompt, true, false);
    expectBox(f.chPasswordVisible, true, false);
    expectOn(f.edPassword);
    EXPECT_EQ(f.edPassword.passwordChar(), '*');

    type(f.edPassword, "s3cret");
    f.chPasswordVisible.click();
    EXPECT_EQ(f.edPassword.passwordChar(), '\0');
    // Prompt takes Visible away and masks the field again.
    f.raPasswordPrompt.click();
    expectBox(f.chPasswordVisible, false, false);
    EXPECT_EQ(f.edPassword.passwordChar(), '*');
    expectOff(f.edPassword);
    f.raPasswordSpecify.click();
    expectBox(f.chPasswordVisible, true, false);
    expectOn(f.edPassword);

    // Switching the panel off while visible masks as well.
    type(f.edPassword, "x");
    f.chPasswordVisible.click();
    f.chPassword.click();
    expectBox(f.chPasswordVisible, false, false);
    EXPECT_EQ(f.edPassword.passwordChar(), '*');
    expectRadio(f.raPasswordSpecify, false, false);
    expectRadio(f.raPasswordPrompt, false, false);
    expectOff(f.edPassword);

    f.chNewPassword.click();
    expectRadio(f.raNewPasswordRemove, true, false);
    expectRadio(f.raNewPasswordPrompt, true, false);
    expectRadio(f.raNewPasswordSpecify, true, true);
    expectOn(f.edNewPassword);
    f.chNewPasswordVisible.click();
    EXPECT_EQ(f.edNewPassword.passwordChar(), '\0');
    f.raNewPasswordRemove.click();
    expectBox(f.chNewPasswordVisible, false, false);
    EXPECT_EQ(f.edNewPassword.passwordChar(), '*');
    expectOff(f.edNewPassword);
    f.chNewPassword.click();
    expectRadio(f.raNewPasswordRemove, false, false);
    expectOff(f.edNewPassword);
}

TEST_F(InterlockTest, ExcludePanelOpensTheFieldOfItsVariant) {
    f.chExclude.click();
    expectRadio(f.raExcludeList, true, false);
    expectRadio(f.raExcludeMask, true, true);
    expectOn(f.edExcludeMask);
    expectOff(f.edExcludeList);
    type(f.edExcludeMask, "*.bak");
    f.raExcludeList.click();
    expectOn(f.edExcludeList);
    expectOff(f.edExcludeMask);
    type(f.edExcludeList, "skip.lst");
    f.chExclude.click();
    expectRadio(f.raExcludeList, false, false);
    expectRadio(f.raExcludeMask, false, false);
    expectOff(f.edExcludeList);
    expectOff(f.edExcludeMask);
}

TEST_F(InterlockTest, AfterDatePanelOffersThePickerOnlyForSpecify) {
    const DateTime when{2024, 2, 29, 13, 5, 0};
    f.daAfter.SetValue(when);
    f.chAfter.click();
    expectRadio(f.raAfterToday, true, true);
    expectRadio(f.raAfterSpecify, true, false);
    EXPECT_FALSE(f.daAfter.enabled());
    EXPECT_EQ(f.daAfter.colour(), clSilver);
    expectRadio(f.raAfterDate, false, false);

    f.raAfterSpecify.click();
    EXPECT_TRUE(f.daAfter.enabled());
    EXPECT_EQ(f.daAfter.colour(), clWhite);
    expectRadio(f.raAfterDate, true, true);
    expectRadio(f.raAfterTime, true, false);
    EXPECT_EQ(f.daAfter.kind(), TDTEdit::Kind::Date);
    f.raAfterTime.click();
    EXPECT_EQ(f.daAfter.kind(), TDTEdit::Kind::Time);
    f.raAfterDate.click();
    EXPECT_EQ(f.daAfter.kind(), TDTEdit::Kind::Date);
    EXPECT_EQ(f.daAfter.GetValue(), when) << "the mode never changes the value";

    f.raAfterToday.click();
    EXPECT_FALSE(f.daAfter.enabled());
    EXPECT_EQ(f.daAfter.colour(), clSilver);
    expectRadio(f.raAfterDate, false, false);
    expectRadio(f.raAfterTime, false, false);

    f.raAfterSpecify.click();
    f.chAfter.click();
    expectRadio(f.raAfterToday, false, false);
    expectRadio(f.raAfterSpecify, false, false);
    expectRadio(f.raAfterDate, false, false);
    EXPECT_FALSE(f.daAfter.enabled());
    EXPECT_EQ(f.daAfter.colour(), clSilver);
}

TEST_F(InterlockTest, BeforeDatePanelOffersDaysOrThePicker) {
    f.chBefore.click();
    expectRadio(f.raBeforeToday, true, true);
    expectRadio(f.raBeforeSpecify, true, false);
    expectRadio(f.raBeforeDays, true, false);
    EXPECT_FALSE(f.loBeforeDays.enabled());
    EXPECT_FALSE(f.spBeforeDays.enabled());
    EXPECT_FALSE(f.daBefore.enabled());

    f.raBeforeDays.click();
    expectOn(f.loBeforeDays, "0");
    EXPECT_TRUE(f.spBeforeDays.enabled());
    f.spBeforeDays.clickUp();
    f.spBeforeDays.clickUp();
    EXPECT_EQ(f.loBeforeDays.text(), "2");
    retype(f.loBeforeDays, "14");
    EXPECT_EQ(f.loBeforeDays.Value(), 14);

    f.raBeforeSpecify.click();
    EXPECT_EQ(f.loBeforeDays.text(), "0");
    EXPECT_EQ(f.loBeforeDays.Value(), 0);
    EXPECT_EQ(f.loBeforeDays.colour(), clSilver);
    EXPECT_FALSE(f.loBeforeDays.enabled());
    EXPECT_FALSE(f.spBeforeDays.enabled());
    EXPECT_TRUE(f.daBefore.enabled());
    EXPECT_EQ(f.daBefore.colour(), clWhite);
    expectRadio(f.raBeforeDate, true, true);
    f.raBeforeTime.click();
    EXPECT_EQ(f.daBefore.kind(), TDTEdit::Kind::Time);

    f.raBeforeDays.click();
    retype(f.loBeforeDays, "30");
    f.chBefore.click();
    for (RadioButton* r :
         {&f.raBeforeToday, &f.raBeforeSpecify, &f.raBeforeDays, &f.raBeforeDate, &f.raBeforeTime})
        expectRadio(*r, false, false);
    EXPECT_EQ(f.loBeforeDays.text(), "0");
    EXPECT_EQ(f.loBeforeDays.colour(), clSilver);
    EXPECT_FALSE(f.loBeforeDays.enabled());
    EXPECT_FALSE(f.daBefore.enabled());
    EXPECT_EQ(f.daBefore.colour(), clSilver);
}

TEST_F(InterlockTest, ChapterPanelOffersFirstAndLast) {
    f.chChapter.click();
    expectBox(f.chChapterFirst, true, true);
    expectBox(f.chChapterLast, true, true);
    for (TLEdit* number : {&f.loChapterFrom, &f.loChapterTo}) {
        EXPECT_EQ(number->text(), "1");
        EXPECT_FALSE(number->enabled());
        EXPECT_EQ(number->colour(), clSilver);
    }
    EXPECT_FALSE(f.spChapterFrom.enabled());
    EXPECT_FALSE(f.spChapterTo.enabled());

    f.chChapterFirst.click();
    expectOn(f.loChapterFrom, "1");
    EXPECT_TRUE(f.spChapterFrom.enabled());
    retype(f.loChapterFrom, "4");
    f.chChapterLast.click();
    expectOn(f.loChapterTo, "4");
    EXPECT_TRUE(f.spChapterTo.enabled());

    // Last again copies From; First again puts From back to 1.
    retype(f.loChapterTo, "9");
    f.chChapterLast.click();
    EXPECT_EQ(f.loChapterTo.text(), "4");
    EXPECT_EQ(f.loChapterTo.colour(), clSilver);
    EXPECT_FALSE(f.loChapterTo.enabled());
    f.chChapterFirst.click();
    EXPECT_EQ(f.loChapterFrom.text(), "1");
    EXPECT_EQ(f.loChapterFrom.colour(), clSilver);

    f.chChapterFirst.click();
    f.chChapterLast.click();
    retype(f.loChapterTo, "7");
    f.chChapter.click();
    expectBox(f.chChapterFirst, false, false);
    expectBox(f.chChapterLast, false, false);
    for (TLEdit* number : {&f.loChapterFrom, &f.loChapterTo}) {
        EXPECT_EQ(number->text(), "1");
        EXPECT_FALSE(number->enabled());
        EXPECT_EQ(number->colour(), clSilver);
    }
    EXPECT_FALSE(f.spChapterFrom.enabled());
    EXPECT_FALSE(f.spChapterTo.enabled());
}

TEST_F(InterlockTest, ChapterRangeKeepsFromAtOrBelowTo) {
    f.chChapter.click();
    f.chChapterFirst.click();
    f.chChapterLast.click();
    retype(f.loChapterFrom, "5");
    EXPECT_EQ(f.loChapterTo.text(), "5") << "raising From raises To";
    retype(f.loChapterTo, "8");
    EXPECT_EQ(f.loChapterFrom.text(), "5");
    retype(f.loChapterTo, "3");
    EXPECT_EQ(f.loChapterFrom.text(), "3") << "lowering To lowers From";
    EXPECT_EQ(f.loChapterTo.text(), "3");

    retype(f.loChapterFrom, "2");
    retype(f.loChapterTo, "2");
    for (int i = 0; i < 5; ++i)
        f.spChapterFrom.clickUp();
    EXPECT_EQ(f.loChapterFrom.text(), "7");
    EXPECT_EQ(f.loChapterTo.text(), "7");
    f.spChapterTo.clickDown();
    EXPECT_EQ(f.loChapterTo.text(), "6");
    EXPECT_EQ(f.loChapterFrom.text(), "6");
    f.spChapterFrom.clickDown();
    EXPECT_EQ(f.loChapterFrom.text(), "5");
    EXPECT_EQ(f.loChapterTo.text(), "6") << "nothing to do while From is below To";
}

TEST_F(InterlockTest, SpinningFromToAThousandRaisesToWithoutAnError) {
    f.chChapter.click();
    f.chChapterFirst.click();
    f.chChapterLast.click();
    retype(f.loChapterFrom, "999");
    runHandler(dialogs, [&] { f.spChapterFrom.clickUp(); });
    EXPECT_TRUE(dialogs.boxes.empty()) << dialogs.boxes[0].text;
    EXPECT_EQ(f.loChapterFrom.text(), "1000");
    EXPECT_EQ(f.loChapterTo.text(), "1000");
    runHandler(dialogs, [&] { f.spChapterFrom.clickUp(); });
    EXPECT_EQ(f.loChapterFrom.text(), "1000") << "the top of the range";
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(InterlockTest, ChapterRangeReportsAnUnreadableNumber) {
    f.chChapter.click();
    f.chChapterFirst.click();
    f.chChapterLast.click();
    retype(f.loChapterFrom, "4");
    runHandler(dialogs, [&] { f.loChapterTo.setText(""); });
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, "'' is not a valid integer value.");
    EXPECT_EQ(dialogs.boxes[0].caption, "Brak 1.1 Beta 3");
    EXPECT_EQ(dialogs.boxes[0].icon, MessageIcon::Error);
    EXPECT_EQ(f.loChapterFrom.text(), "4");
    EXPECT_EQ(f.loChapterTo.text(), "");
    EXPECT_EQ(errorOf([&] { f.spChapterFrom.clickUp(); }), "'' is not a valid integer value");
    retype(f.loChapterTo, "9");
    EXPECT_EQ(errorOf([&] { f.loChapterFrom.setText("1,000"); }),
              "'1,000' is not a valid integer value");
}

TEST_F(InterlockTest, SwitchingTheChapterPanelIsNotStoppedByAnEmptyNumber) {
    f.chChapter.click();
    f.chChapterFirst.click();
    f.chChapterLast.click();
    retype(f.loChapterFrom, "4");
    runHandler(dialogs, [&] { f.loChapterTo.setText(""); });
    dialogs.boxes.clear();
    runHandler(dialogs, [&] { f.chChapter.click(); });
    EXPECT_TRUE(dialogs.boxes.empty());
    for (TLEdit* number : {&f.loChapterFrom, &f.loChapterTo}) {
        EXPECT_EQ(number->text(), "1");
        EXPECT_FALSE(number->enabled());
        EXPECT_EQ(number->colour(), clSilver);
    }
    // The same when First is checked again by the user.
    f.chChapter.click();
    f.chChapterFirst.click();
    f.chChapterLast.click();
    retype(f.loChapterFrom, "3");
    runHandler(dialogs, [&] { f.loChapterTo.setText(""); });
    dialogs.boxes.clear();
    runHandler(dialogs, [&] { f.chChapterFirst.click(); });
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_EQ(f.loChapterFrom.text(), "1");
    EXPECT_EQ(f.loChapterFrom.colour(), clSilver);
}

TEST_F(InterlockTest, VolumePanelSizesAndPrompt) {
    const std::vector<RadioButton*> sizes = {&f.raVolume360, &f.raVolume720, &f.raVolume1200,
                                             &f.raVolume1440, &f.raVolumeOther};
    f.chVolume.click();
    expectRadio(f.raVolumeAuto, true, true);
    expectRadio(f.raVolumeSpecify, true, false);
    for (RadioButton* size : sizes)
        expectRadio(*size, false, false);
    for (CheckBox* box : {&f.chVolumeTest, &f.chVolumeBeep, &f.chVolumePrompt})
        expectBox(*box, true, false);
    expectBox(f.chVolumeEcho, false, false);
    expectOff(f.edVolumeCommand);

    f.raVolumeSpecify.click();
    for (RadioButton* size : sizes)
        expectRadio(*size, true, size == &f.raVolume1440);
    expectOff(f.loVolumeSize);
    f.raVolumeOther.click();
    expectOn(f.loVolumeSize);
    type(f.loVolumeSize, "2000");
    f.raVolume720.click();
    expectOff(f.loVolumeSize);
    f.raVolumeOther.click();
    type(f.loVolumeSize, "2000");
    // Auto takes the sizes back and empties the field; unchecking Other ran
    // nothing, so the field keeps its state and colour.
    f.raVolumeAuto.click();
    for (RadioButton* size : sizes)
        expectRadio(*size, false, false);
    expectOn(f.loVolumeSize);
    f.chVolume.click();
    expectOff(f.loVolumeSize, true);
    expectRadio(f.raVolumeAuto, false, false);

    f.chVolume.click();
    f.chVolumePrompt.click();
    expectBox(f.chVolumeEcho, true, false);
    expectOn(f.edVolumeCommand);
    f.chVolumeEcho.click();
    type(f.edVolumeCommand, "mount /mnt/floppy");
    f.chVolumeTest.click();
    f.chVolumePrompt.click();
    expectBox(f.chVolumeEcho, false, false);
    expectOff(f.edVolumeCommand);
    f.chVolumePrompt.click();
    f.chVolumeEcho.click();
    f.chVolume.click();
    for (CheckBox* box : {&f.chVolumeTest, &f.chVolumeBeep, &f.chVolumePrompt, &f.chVolumeEcho})
        expectBox(*box, false, false);
    expectOff(f.edVolumeCommand);
}

TEST_F(InterlockTest, LeavingAFieldPanelEmptySwitchesItOff) {
    f.chOutput.click();
    f.paOutput.exit();
    EXPECT_FALSE(f.chOutput.checked());
    expectOff(f.edOutput);
    f.chOutput.click();
    type(f.edOutput, " ");
    f.paOutput.exit();
    EXPECT_TRUE(f.chOutput.checked()) << "a blank is not empty";

    f.chWork.click();
    f.paWork.exit();
    EXPECT_FALSE(f.chWork.checked());
    expectOff(f.edWork);
    f.chList.click();
    f.paList.exit();
    EXPECT_FALSE(f.chList.checked());
    expectOff(f.edList);
    f.chList.click();
    type(f.edList, "a.lst");
    f.paList.exit();
    EXPECT_TRUE(f.chList.checked());
}

TEST_F(InterlockTest, LeavingACommentPanelSwitchesItOffOnlyForAnEmptyFilename) {
    f.chFile.click();
    f.raFileStrip.click();
    f.paFile.exit();
    EXPECT_TRUE(f.chFile.checked()) << "Strip needs no file";
    f.raFileName.click();
    f.paFile.exit();
    EXPECT_FALSE(f.chFile.checked());
    expectRadio(f.raFileName, false, false);

    f.chComment.click();
    f.raCommentStrip.click();
    f.paComment.exit();
    EXPECT_TRUE(f.chComment.checked());
    f.raCommentFilename.click();
    type(f.edComment, "c.txt");
    f.paComment.exit();
    EXPECT_TRUE(f.chComment.checked());
    f.edComment.setText("");
    f.paComment.exit();
    EXPECT_FALSE(f.chComment.checked());

    f.chCommentFile.click();
    f.raCommentFileStrip.click();
    f.paCommentFiles.exit();
    EXPECT_TRUE(f.chCommentFile.checked());
    f.raCommentFileFilename.click();
    f.paCommentFiles.exit();
    EXPECT_FALSE(f.chCommentFile.checked());
    expectRadio(f.raCommentFileStrip, false, false);
    expectRadio(f.raCommentFileFilename, false, false);
    expectOff(f.edCommentFile, true);
    EXPECT_EQ(GetSwitch(f), "");
}

TEST_F(InterlockTest, LeavingAdvancedPanelsEmptySwitchesThemOff) {
    f.chPassword.click();
    f.paPassword.exit();
    EXPECT_FALSE(f.chPassword.checked());
    f.chPassword.click();
    f.raPasswordPrompt.click();
    f.paPassword.exit();
    EXPECT_TRUE(f.chPassword.checked()) << "Prompt needs no text";

    f.chNewPassword.click();
    f.raNewPasswordRemove.click();
    f.paNewPassword.exit();
    EXPECT_TRUE(f.chNewPassword.checked());
    f.raNewPasswordSpecify.click();
    type(f.edNewPassword, "pw");
    f.paNewPassword.exit();
    EXPECT_TRUE(f.chNewPassword.checked());
    f.edNewPassword.setText("");
    f.paNewPassword.exit();
    EXPECT_FALSE(f.chNewPassword.checked());
    expectOff(f.edNewPassword);

    f.chExclude.click();
    f.paExclude.exit();
    EXPECT_FALSE(f.chExclude.checked());
    expectOff(f.edExcludeList);
    expectOff(f.edExcludeMask);
    f.chExclude.click();
    f.raExcludeList.click();
    f.paExclude.exit();
    EXPECT_FALSE(f.chExclude.checked());
    f.chExclude.click();
    type(f.edExcludeMask, "*.o");
    f.paExclude.exit();
    EXPECT_TRUE(f.chExclude.checked());
}

TEST_F(InterlockTest, LeavingTheBeforeDaysEmptySwitchesTheDatePanelOff) {
    f.chBefore.click();
    f.paAfter.exit();
    EXPECT_TRUE(f.chBefore.checked()) << "Today needs no number";
    f.raBeforeDays.click();
    retype(f.loBeforeDays, "12");
    f.paAfter.exit();
    EXPECT_TRUE(f.chBefore.checked());
    retype(f.loBeforeDays, "");
    f.paAfter.exit();
    EXPECT_FALSE(f.chBefore.checked());
    expectRadio(f.raBeforeDays, false, false);
    EXPECT_EQ(f.loBeforeDays.text(), "0");
    EXPECT_EQ(f.loBeforeDays.colour(), clSilver);
    EXPECT_FALSE(f.loBeforeDays.enabled());
}

TEST_F(InterlockTest, LeavingTheSizeGroupWithoutASizeFallsBackToAuto) {
    f.chVolume.click();
    f.raVolumeSpecify.click();
    f.paVolumeSpecify.exit();
    EXPECT_TRUE(f.raVolume1440.checked());
    f.raVolumeOther.click();
    type(f.loVolumeSize, "800");
    f.paVolumeSpecify.exit();
    EXPECT_TRUE(f.raVolumeOther.checked());
    retype(f.loVolumeSize, "");
    f.paVolumeSpecify.exit();
    expectRadio(f.raVolumeAuto, true, true);
    expectRadio(f.raVolumeSpecify, true, false);
    expectRadio(f.raVolumeOther, false, false);
    expectRadio(f.raVolume1440, false, false);
    EXPECT_EQ(f.loVolumeSize.text(), "");
}

TEST_F(InterlockTest, LeavingPanelsThatAreOffChangesNothing) {
    for (Panel* panel :
         {&f.paOutput, &f.paWork, &f.paList, &f.paFile, &f.paComment, &f.paCommentFiles,
          &f.paPassword, &f.paNewPassword, &f.paExclude, &f.paAfter, &f.paVolumeSpecify})
        panel->exit();
    for (CheckBox* box :
         {&f.chOutput, &f.chWork, &f.chList, &f.chFile, &f.chComment, &f.chCommentFile,
          &f.chPassword, &f.chNewPassword, &f.chExclude, &f.chBefore, &f.chVolume})
        expectBox(*box, true, false);
    expectOff(f.edWork);
    expectOff(f.edCommentFile);
    EXPECT_EQ(f.loBeforeDays.text(), "0");
    EXPECT_TRUE(f.loVolumeSize.enabled()) << "the size field keeps its form state";
    EXPECT_EQ(f.loVolumeSize.colour(), clSilver);
}
