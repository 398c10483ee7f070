// The panel rules of the Basic, Medium and Advanced tabs, driven as a user
// drives them: boxes, variants, fields, spin buttons and the focus leaving.
#include "Fakes.h"
#include "Typing.h"
#include "core/Commands.h"
#include "ui/Brak.h"
#include "ui/ErrorBox.h"

#include <functional>
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

// Clicks boxes and variants in turn.
template <typename... Controls> void click(Controls&... controls) {
    (controls.click(), ...);
}

// What the user sees of one control: "+" enabled or "-" not; then a box or
// a variant "x" checked or "."; a field or a picker "W" white or "S" silver,
// a field's text in brackets when it has one and its mask character, a
// picker "d" in date mode or "t" in time mode.
std::string look(const Control& control) {
    std::string out(1, control.enabled() ? '+' : '-');
    auto colour = [](Colour c) { return c == clWhite ? 'W' : c == clSilver ? 'S' : '?'; };
    if (auto* box = dynamic_cast<const CheckBox*>(&control))
        out += box->checked() ? 'x' : '.';
    if (auto* radio = dynamic_cast<const RadioButton*>(&control))
        out += radio->checked() ? 'x' : '.';
    if (auto* field = dynamic_cast<const Edit*>(&control)) {
        out += colour(field->colour());
        if (!field->text().empty())
            out += '[' + field->text() + ']';
        if (field->passwordChar() != '\0')
            out += field->passwordChar();
    }
    if (auto* picker = dynamic_cast<const TDTEdit*>(&control))
        out += {colour(picker->colour()), picker->kind() == TDTEdit::Kind::Date ? 'd' : 't'};
    return out;
}

// The looks of several controls, separated by blanks.
std::string seen(const std::vector<const Control*>& controls) {
    std::string out;
    for (const Control* control : controls)
        out += (out.empty() ? "" : " ") + look(*control);
    return out;
}

// One thing the user does, and what the watched controls show after it.
struct Step {
    std::function<void()> act;
    const char* shows;
};

void play(const std::vector<const Control*>& watched, const std::vector<Step>& steps) {
    for (std::size_t i = 0; i < steps.size(); ++i) {
        steps[i].act();
        EXPECT_EQ(seen(watched), steps[i].shows) << "after step " << i + 1;
    }
}

class InterlockTest : public ::testing::Test {
protected:
    test::FakePlatform platform;
    test::FakeDialogs dialogs;
    Brak brak{platform, dialogs};
    MainForm& f = brak.form();
};

} // namespace

TEST_F(InterlockTest, FormDefaultsOfThePanels) {
    for (Control* control : f.controls()) {
        if (!f.taBasic.contains(*control) && !f.taMedium.contains(*control) &&
            !f.taAdvanced.contains(*control))
            continue;
        const std::string state = look(*control);
        // Variants and spin buttons disabled, boxes and variants unchecked,
        // fields silver and disabled but for the volume size.
        const bool variant = dynamic_cast<RadioButton*>(control) != nullptr;
        if (variant || dynamic_cast<SpinButton*>(control)) {
            EXPECT_EQ(state[0], '-') << control->name();
        }
        if (variant || dynamic_cast<CheckBox*>(control)) {
            EXPECT_EQ(state[1], '.') << control->name();
        }
        if (auto* field = dynamic_cast<Edit*>(control); field && field->parent() != &f.gbSwitch) {
            EXPECT_EQ(state.substr(0, 2), field == &f.loVolumeSize ? "+S" : "-S") << field->name();
        }
    }
    EXPECT_EQ(seen({&f.chBit, &f.chSystem, &f.chLong, &f.chOutput, &f.chCommentFile, &f.chAfter,
                    &f.chBefore, &f.chVolume, &f.chChapter, &f.chExclude, &f.chAssume,
                    &f.chPassword, &f.chNewPassword, &f.chInteractive, &f.chHideMarked,
                    &f.chFullPath, &f.chStandardError, &f.chANSIComment, &f.chSaveConfig}),
              "+. +. +. +. +. +. +. +. +. +. +. +. +. +. +. +. +. +. +.");
    EXPECT_EQ(seen({&f.chVolumeTest, &f.chVolumeEcho, &f.chChapterFirst, &f.chAssumeNext,
                    &f.chPasswordVisible, &f.chSelfExtract}),
              "-. -. -. -. -. -.");
    EXPECT_EQ(seen({&f.loChapterFrom, &f.loChapterTo, &f.loBeforeDays, &f.loVolumeSize, &f.daAfter,
                    &f.daBefore, &f.edPassword, &f.edNewPassword}),
              "-S[1] -S[1] -S[0] +S -Sd -Sd -S* -S*");
    for (const auto& [spin, range] : {std::pair(&f.spChapterFrom, std::array{1, 1000, 1}),
                                      std::pair(&f.spChapterTo, std::array{1, 100, 1}),
                                      std::pair(&f.spBeforeDays, std::array{0, 100, 0}),
                                      std::pair(&f.spMemoryFlat, std::array{0, 10240, 4096})})
        EXPECT_EQ((std::array{spin->min(), spin->max(), spin->position()}), range) << spin->name();
}

TEST_F(InterlockTest, PlainPanelsOfferTheirDefaultAndTakeEverythingBack) {
    struct PlainPanel {
        CheckBox* box;
        std::vector<RadioButton*> variants;
        const char* offered; // the default checked, every variant enabled
    };
    const PlainPanel panels[] = {
        {&f.chBit, {&f.raBitSet, &f.raBitReset}, "+x +."},
        {&f.chFreshen, {&f.raFreshenOlder, &f.raFreshenDifferent}, "+x +."},
        {&f.chUpdate, {&f.raUpdateOlder, &f.raUpdateDifferent}, "+x +."},
        {&f.chAccess, {&f.raAccessAuthenticate, &f.raAccessEncrypt}, "+x +."},
        {&f.chTest, {&f.raTestCRC, &f.raTestCompare}, "+x +."},
        {&f.chArchive, {&f.raArchiveSet, &f.raArchiveClear}, "+x +."},
        {&f.chDirectory, {&f.raDirectorySet, &f.raDirectoryClear}, "+x +."},
        {&f.chHidden, {&f.raHiddenSet, &f.raHiddenClear}, "+x +."},
        {&f.chRead, {&f.raReadSet, &f.raReadClear}, "+x +."},
        {&f.chSystem, {&f.raSystemSet, &f.raSystemClear}, "+. +x"},
        {&f.chStamp, {&f.raStampNew, &f.raStampOriginal}, "+x +."},
        {&f.chSort, {&f.raSortNone, &f.raSortName, &f.raSortExtension}, "+x +. +."},
        {&f.chCompress, {&f.raCompressAll, &f.raCompressCreate, &f.raCompressModify}, "+x +. +."},
        {&f.chLock, {&f.raLockAll, &f.raLockExist, &f.raLockAuto}, "+x +. +."},
        {&f.chCompression,
         {&f.raCompressionFast, &f.raCompressionNormal, &f.raCompressionBetter,
          &f.raCompressionBest},
         "+. +x +. +."},
        {&f.chLong,
         {&f.raLongLong, &f.raLongBoth, &f.raLongShort, &f.raLongToShort, &f.raLongToStandard},
         "+x +. +. +. +."},
    };
    for (const PlainPanel& p : panels) {
        SCOPED_TRACE(p.box->name());
        std::string off;
        for (std::size_t i = 0; i < p.variants.size(); ++i)
            off += i ? " -." : "-.";
        // Checking the box again returns to the default, not to the last choice.
        RadioButton& other = p.offered[1] == 'x' ? *p.variants.back() : *p.variants.front();
        play({p.variants.begin(), p.variants.end()}, {{[&] { click(*p.box); }, p.offered},
                                                      {[&] { click(other, *p.box); }, off.c_str()},
                                                      {[&] { click(*p.box); }, p.offered}});
    }
    EXPECT_EQ(GetSwitch(f), "-hba1d1h1r1s0 -f1 -b1 -u1 -hg0 -ht0 -s -ju- -js- -jl -m2 -hf- ");
}

TEST_F(InterlockTest, AssumePanelOffersItsSevenBoxesUnchecked) {
    play({&f.chAssumeCreate, &f.chAssumeDelete, &f.chAssumeSpace, &f.chAssumeNew,
          &f.chAssumeOverwriteFile, &f.chAssumeOverwriteDirectory, &f.chAssumeNext},
         {{[&] { click(f.chAssume); }, "+. +. +. +. +. +. +."},
          {[&] { click(f.chAssumeSpace, f.chAssumeNext); }, "+. +. +x +. +. +. +x"},
          {[&] { click(f.chAssume); }, "-. -. -. -. -. -. -."},
          {[&] { click(f.chAssume); }, "+. +. +. +. +. +. +."}});
}

TEST_F(InterlockTest, SingleFieldPanelsOpenTheFieldAndEmptyItWhenOff) {
    for (const auto& panel : {std::pair(&f.chOutput, &f.edOutput), std::pair(&f.chWork, &f.edWork),
                              std::pair(&f.chList, &f.edList)}) {
        CheckBox& box = *panel.first;
        Edit& field = *panel.second;
        SCOPED_TRACE(box.name());
        play({&field}, {{[&] { click(box); }, "+W"},
                        {[&] { type(field, "/tmp/x"); }, "+W[/tmp/x]"},
                        {[&] { click(box); }, "-S"},
                        {[&] { click(box); }, "+W"}});
    }
}

TEST_F(InterlockTest, StripOrFilePanelsFollowTheirVariant) {
    struct Strip {
        CheckBox* box;
        RadioButton* strip;
        RadioButton* name;
        Edit* field;
    };
    for (const Strip& p :
         {Strip{&f.chFile, &f.raFileStrip, &f.raFileName, &f.edFile},
          Strip{&f.chComment, &f.raCommentStrip, &f.raCommentFilename, &f.edComment},
          Strip{&f.chCommentFile, &f.raCommentFileStrip, &f.raCommentFileFilename,
                &f.edCommentFile}}) {
        SCOPED_TRACE(p.box->name());
        play({p.strip, p.name, p.field},
             {{[&] { click(*p.box); }, "+. +x +W"},
              {[&] { type(*p.field, "a.txt"); }, "+. +x +W[a.txt]"},
              {[&] { click(*p.strip); }, "+x +. -S"},
              {[&] { click(*p.name); }, "+. +x +W"},
              // Off after use: emptied and silver, but the field stays enabled.
              {[&] { type(*p.field, "b.txt"), click(*p.box); }, "-. -. +S"},
              {[&] { click(*p.box); }, "+. +x +W"},
              // Off while Strip was chosen: the field was disabled and stays so.
              {[&] { click(*p.strip, *p.box); }, "-. -. -S"}});
    }
}

TEST_F(InterlockTest, PasswordPanelsMaskUnlessVisible) {
    play(
        {&f.raPasswordSpecify, &f.raPasswordPrompt, &f.chPasswordVisible, &f.edPassword},
        {{[&] { click(f.chPassword); }, "+x +. +. +W*"},
         {[&] { type(f.edPassword, "s3cret"), click(f.chPasswordVisible); }, "+x +. +x +W[s3cret]"},
         // Prompt takes Visible away and masks the field again.
         {[&] { click(f.raPasswordPrompt); }, "+. +x -. -S*"},
         {[&] { click(f.raPasswordSpecify); }, "+x +. +. +W*"},
         // Switching the panel off while visible masks as well.
         {[&] { click(f.chPasswordVisible); }, "+x +. +x +W"},
         {[&] { click(f.chPassword); }, "-. -. -. -S*"}});
    play({&f.raNewPasswordRemove, &f.raNewPasswordPrompt, &f.raNewPasswordSpecify,
          &f.chNewPasswordVisible, &f.edNewPassword},
         {{[&] { click(f.chNewPassword); }, "+. +. +x +. +W*"},
          {[&] { click(f.chNewPasswordVisible); }, "+. +. +x +x +W"},
          {[&] { click(f.raNewPasswordRemove); }, "+x +. +. -. -S*"},
          {[&] { click(f.chNewPassword); }, "-. -. -. -. -S*"}});
}

TEST_F(InterlockTest, ExcludePanelOpensTheFieldOfItsVariant) {
    play({&f.raExcludeList, &f.raExcludeMask, &f.edExcludeList, &f.edExcludeMask},
         {{[&] { click(f.chExclude); }, "+. +x -S +W"},
          {[&] { type(f.edExcludeMask, "*.bak"), click(f.raExcludeList); }, "+x +. +W -S"},
          {[&] { type(f.edExcludeList, "skip.lst"), click(f.chExclude); }, "-. -. -S -S"}});
}

TEST_F(InterlockTest, AfterDatePanelOffersThePickerOnlyForSpecify) {
    const DateTime when{2024, 2, 29, 13, 5, 0};
    f.daAfter.SetValue(when);
    play({&f.raAfterToday, &f.raAfterSpecify, &f.daAfter, &f.raAfterDate, &f.raAfterTime},
         {{[&] { click(f.chAfter); }, "+x +. -Sd -. -."},
          {[&] { click(f.raAfterSpecify); }, "+. +x +Wd +x +."},
          {[&] { click(f.raAfterTime); }, "+. +x +Wt +. +x"},
          {[&] { click(f.raAfterDate); }, "+. +x +Wd +x +."},
          {[&] { click(f.raAfterToday); }, "+x +. -Sd -. -."},
          {[&] { click(f.raAfterSpecify, f.chAfter); }, "-. -. -Sd -. -."}});
    EXPECT_EQ(f.daAfter.GetValue(), when) << "the mode never changes the value";
}

TEST_F(InterlockTest, BeforeDatePanelOffersDaysOrThePicker) {
    const std::vector<const Control*> panel = {
        &f.raBeforeToday, &f.raBeforeSpecify, &f.daBefore,     &f.raBeforeDate,
        &f.raBeforeTime,  &f.raBeforeDays,    &f.loBeforeDays, &f.spBeforeDays};
    play(panel, {{[&] { click(f.chBefore); }, "+x +. -Sd -. -. +. -S[0] -"},
                 {[&] { click(f.raBeforeDays); }, "+. +. -Sd -. -. +x +W[0] +"},
                 {[&] { f.spBeforeDays.clickUp(), f.spBeforeDays.clickUp(); },
                  "+. +. -Sd -. -. +x +W[2] +"},
                 {[&] { retype(f.loBeforeDays, "14"); }, "+. +. -Sd -. -. +x +W[14] +"},
                 {[&] { click(f.raBeforeSpecify); }, "+. +x +Wd +x +. +. -S[0] -"}});
    EXPECT_EQ(f.loBeforeDays.Value(), 0) << "the number of days goes back to 0";
    play(panel, {{[&] { click(f.raBeforeTime); }, "+. +x +Wt +. +x +. -S[0] -"},
                 {[&] { click(f.raBeforeDays), retype(f.loBeforeDays, "30"); },
                  "+. +. -St -. -. +x +W[30] +"},
                 {[&] { click(f.chBefore); }, "-. -. -St -. -. -. -S[0] -"}});
}

TEST_F(InterlockTest, ChapterPanelOffersFirstAndLast) {
    play({&f.chChapterFirst, &f.chChapterLast, &f.loChapterFrom, &f.spChapterFrom, &f.loChapterTo,
          &f.spChapterTo},
         {{[&] { click(f.chChapter); }, "+x +x -S[1] - -S[1] -"},
          {[&] { click(f.chChapterFirst); }, "+. +x +W[1] + -S[1] -"},
          {[&] { retype(f.loChapterFrom, "4"); }, "+. +x +W[4] + -S[4] -"},
          {[&] { click(f.chChapterLast); }, "+. +. +W[4] + +W[4] +"},
          // Last again copies From; First again puts From back to 1.
          {[&] { retype(f.loChapterTo, "9"), click(f.chChapterLast); }, "+. +x +W[4] + -S[4] -"},
          {[&] { click(f.chChapterFirst); }, "+x +x -S[1] - -S[4] -"},
          {[&] { click(f.chChapterFirst, f.chChapterLast); }, "+. +. +W[1] + +W[1] +"},
          {[&] { retype(f.loChapterTo, "7"), click(f.chChapter); }, "-. -. -S[1] - -S[1] -"}});
}

// From never stays above To, however either changes; the spin buttons stop
// at the top of their range, and a thousand is read back without an error.
TEST_F(InterlockTest, ChapterRangeKeepsFromAtOrBelowTo) {
    click(f.chChapter, f.chChapterFirst, f.chChapterLast);
    play({&f.loChapterFrom, &f.loChapterTo},
         {{[&] { retype(f.loChapterFrom, "5"); }, "+W[5] +W[5]"},
          {[&] { retype(f.loChapterTo, "8"); }, "+W[5] +W[8]"},
          {[&] { retype(f.loChapterTo, "3"); }, "+W[3] +W[3]"},
          {[&] { retype(f.loChapterFrom, "2"), retype(f.loChapterTo, "2"); }, "+W[2] +W[2]"},
          {[&] { f.spChapterFrom.clickUp(), f.spChapterFrom.clickUp(); }, "+W[4] +W[4]"},
          {[&] { f.spChapterTo.clickDown(); }, "+W[3] +W[3]"},
          {[&] { f.spChapterFrom.clickDown(); }, "+W[2] +W[3]"},
          {[&] { retype(f.loChapterFrom, "999"); }, "+W[999] +W[999]"},
          {[&] { runHandler(dialogs, [&] { f.spChapterFrom.clickUp(); }); }, "+W[1000] +W[1000]"},
          {[&] { runHandler(dialogs, [&] { f.spChapterFrom.clickUp(); }); }, "+W[1000] +W[1000]"}});
    EXPECT_TRUE(dialogs.boxes.empty()) << dialogs.boxes[0].text;
}

TEST_F(InterlockTest, ChapterRangeReportsAnUnreadableNumber) {
    click(f.chChapter, f.chChapterFirst, f.chChapterLast);
    retype(f.loChapterFrom, "4");
    runHandler(dialogs, [&] { f.loChapterTo.setText(""); });
    EXPECT_EQ(dialogs.boxes,
              (std::vector<MessageBoxRequest>{
                  {"'' is not a valid integer value.", "Brak 1.1 Beta 3", MessageIcon::Error}}));
    EXPECT_EQ(seen({&f.loChapterFrom, &f.loChapterTo}), "+W[4] +W");
    EXPECT_EQ(errorOf([&] { f.spChapterFrom.clickUp(); }), "'' is not a valid integer value");
    retype(f.loChapterTo, "9");
    EXPECT_EQ(errorOf([&] { f.loChapterFrom.setText("1,000"); }),
              "'1,000' is not a valid integer value");
}

// A number the user left unreadable must not stop a chapter box from
// putting the numbers back: the panel's own box, or First.
TEST_F(InterlockTest, SwitchingTheChapterPanelIsNotStoppedByAnEmptyNumber) {
    for (CheckBox* box : {&f.chChapter, &f.chChapterFirst}) {
        click(f.chChapter, f.chChapterFirst, f.chChapterLast);
        retype(f.loChapterFrom, "4");
        runHandler(dialogs, [&] { f.loChapterTo.setText(""); });
        dialogs.boxes.clear();
        runHandler(dialogs, [&] { box->click(); });
        EXPECT_TRUE(dialogs.boxes.empty()) << box->name();
        EXPECT_EQ(seen({&f.loChapterFrom, &f.loChapterTo}),
                  box == &f.chChapter ? "-S[1] -S[1]" : "-S[1] +W")
            << box->name();
        f.chChapter.setChecked(false);
    }
}

TEST_F(InterlockTest, VolumePanelSizesAndPrompt) {
    play({&f.raVolumeAuto, &f.raVolumeSpecify, &f.raVolume360, &f.raVolume720, &f.raVolume1200,
          &f.raVolume1440, &f.raVolumeOther, &f.loVolumeSize},
         {{[&] { click(f.chVolume); }, "+x +. -. -. -. -. -. +S"},
          {[&] { click(f.raVolumeSpecify); }, "+. +x +. +. +. +x +. -S"},
          {[&] { click(f.raVolumeOther), type(f.loVolumeSize, "20"); },
           "+. +x +. +. +. +. +x +W[20]"},
          {[&] { click(f.raVolume720); }, "+. +x +. +x +. +. +. -S"},
          // Auto takes the sizes back and empties the field; unchecking Other
          // ran nothing, so the field keeps its state and colour.
          {[&] { click(f.raVolumeOther), type(f.loVolumeSize, "20"), click(f.raVolumeAuto); },
           "+x +. -. -. -. -. -. +W"},
          {[&] { click(f.chVolume); }, "-. -. -. -. -. -. -. +S"}});
    play({&f.chVolumeTest, &f.chVolumeBeep, &f.chVolumePrompt, &f.chVolumeEcho, &f.edVolumeCommand},
         {{[&] { click(f.chVolume); }, "+. +. +. -. -S"},
          {[&] { click(f.chVolumePrompt); }, "+. +. +x +. +W"},
          {[&] { click(f.chVolumeEcho, f.chVolumeTest); }, "+x +. +x +x +W"},
          {[&] { type(f.edVolumeCommand, "mount"), click(f.chVolumePrompt); }, "+x +. +. -. -S"},
          {[&] { click(f.chVolumePrompt, f.chVolumeEcho, f.chVolume); }, "-. -. -. -. -S"}});
}

// Each row sets a panel up and then the focus leaves it. The panel goes off
// when the value it needs is missing: an empty field (a blank is not empty),
// a file name while Filename is chosen (Strip needs none), a password while
// Specify is (Prompt and Remove need none), the chosen exclude field, and the
// number of days while Days is chosen (Today needs none).
TEST_F(InterlockTest, LeavingAPanelSwitchesItOffOnlyWithoutTheValueItNeeds) {
    struct Row {
        std::function<void()> set;
        Panel& panel;
        CheckBox& box;
        bool stays;
    };
    const Row rows[] = {
        {[&] { click(f.chOutput); }, f.paOutput, f.chOutput, false},
        {[&] { click(f.chOutput), type(f.edOutput, " "); }, f.paOutput, f.chOutput, true},
        {[&] { click(f.chWork); }, f.paWork, f.chWork, false},
        {[&] { click(f.chList); }, f.paList, f.chList, false},
        {[&] { click(f.chList), type(f.edList, "a"); }, f.paList, f.chList, true},
        {[&] { click(f.chFile, f.raFileStrip); }, f.paFile, f.chFile, true},
        {[&] { click(f.raFileName); }, f.paFile, f.chFile, false},
        {[&] { click(f.chComment, f.raCommentStrip); }, f.paComment, f.chComment, true},
        {[&] { click(f.raCommentFilename), type(f.edComment, "c"); }, f.paComment, f.chComment,
         true},
        {[&] { f.edComment.setText(""); }, f.paComment, f.chComment, false},
        {[&] { click(f.chCommentFile, f.raCommentFileStrip); }, f.paCommentFiles, f.chCommentFile,
         true},
        {[&] { click(f.raCommentFileFilename); }, f.paCommentFiles, f.chCommentFile, false},
        {[&] { click(f.chPassword); }, f.paPassword, f.chPassword, false},
        {[&] { click(f.chPassword, f.raPasswordPrompt); }, f.paPassword, f.chPassword, true},
        {[&] { click(f.chNewPassword, f.raNewPasswordRemove); }, f.paNewPassword, f.chNewPassword,
         true},
        {[&] { click(f.raNewPasswordSpecify), type(f.edNewPassword, "p"); }, f.paNewPassword,
         f.chNewPassword, true},
        {[&] { f.edNewPassword.setText(""); }, f.paNewPassword, f.chNewPassword, false},
        {[&] { click(f.chExclude); }, f.paExclude, f.chExclude, false},
        {[&] { click(f.chExclude, f.raExcludeList); }, f.paExclude, f.chExclude, false},
        {[&] { click(f.chExclude), type(f.edExcludeMask, "*.o"); }, f.paExclude, f.chExclude, true},
        {[&] { click(f.chBefore); }, f.paAfter, f.chBefore, true},
        {[&] { click(f.raBeforeDays), retype(f.loBeforeDays, "12"); }, f.paAfter, f.chBefore, true},
        {[&] { retype(f.loBeforeDays, ""); }, f.paAfter, f.chBefore, false},
    };
    for (const Row& row : rows) {
        row.set();
        row.panel.exit();
        EXPECT_EQ(row.box.checked(), row.stays) << "row " << &row - rows + 1;
    }
    // What the panels switched off show.
    EXPECT_EQ(seen({&f.edWork, &f.raFileName, &f.raCommentFileStrip, &f.raCommentFileFilename,
                    &f.edCommentFile, &f.edNewPassword, &f.edExcludeList, &f.raBeforeDays,
                    &f.loBeforeDays}),
              "-S -. -. -. +S -S* -S -. -S[0]");
}

TEST_F(InterlockTest, LeavingTheSizeGroupWithoutASizeFallsBackToAuto) {
    click(f.chVolume);
    play({&f.raVolumeAuto, &f.raVolumeSpecify, &f.raVolume1440, &f.raVolumeOther, &f.loVolumeSize},
         {{[&] { click(f.raVolumeSpecify), f.paVolumeSpecify.exit(); }, "+. +x +x +. -S"},
          {[&] { click(f.raVolumeOther), type(f.loVolumeSize, "8"), f.paVolumeSpecify.exit(); },
           "+. +x +. +x +W[8]"},
          {[&] { retype(f.loVolumeSize, ""), f.paVolumeSpecify.exit(); }, "+x +. -. -. +W"}});
}

TEST_F(InterlockTest, LeavingPanelsThatAreOffChangesNothing) {
    for (Panel* panel :
         {&f.paOutput, &f.paWork, &f.paList, &f.paFile, &f.paComment, &f.paCommentFiles,
          &f.paPassword, &f.paNewPassword, &f.paExclude, &f.paAfter, &f.paVolumeSpecify})
        panel->exit();
    EXPECT_EQ(seen({&f.chOutput, &f.chWork, &f.chList, &f.chFile, &f.chComment, &f.chCommentFile,
                    &f.chPassword, &f.chNewPassword, &f.chExclude, &f.chBefore, &f.chVolume}),
              "+. +. +. +. +. +. +. +. +. +. +.");
    EXPECT_EQ(seen({&f.edWork, &f.edCommentFile, &f.loBeforeDays, &f.loVolumeSize}),
              "-S -S -S[0] +S")
        << "the size field keeps its form state";
}
