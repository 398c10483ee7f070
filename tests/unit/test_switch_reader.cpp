// Reading a switch string back into the Basic and Medium tabs.
#include "Fakes.h"
#include "core/Commands.h"
#include "core/SwitchReader.h"
#include "ui/Brak.h"

#include <gtest/gtest.h>
#include <memory>
#include <random>
#include <sstream>

using namespace brak;

namespace {

class SwitchReaderTest : public ::testing::Test {
protected:
    test::FakePlatform platform;
    test::FakeDialogs dialogs;
    Brak brak{platform, dialogs};
    MainForm& f = brak.form();

    void read(const std::string& text) { SetSwitch(f, dialogs, text); }

    // The one box the reader may show, or "" when it showed none.
    std::string message() {
        if (dialogs.boxes.empty())
            return "";
        EXPECT_EQ(dialogs.boxes.size(), 1u);
        const MessageBoxRequest& box = dialogs.boxes.back();
        EXPECT_EQ(box.caption, "Error Setting Controls");
        EXPECT_EQ(box.icon, MessageIcon::Error);
        EXPECT_EQ(box.buttons, MessageButtons::Ok);
        return box.text;
    }
};

// Every control of the Basic and Medium tabs with the state a user sees.
// Read over an earlier state, a comment field keeps the enabled state it
// had when its panel goes off, and a Strip that was already chosen keeps
// the NUL just read: `carried` leaves those two out.
std::string snapshot(MainForm& f, bool carried = false) {
    std::ostringstream out;
    struct Strip {
        CheckBox* box;
        RadioButton* strip;
        Edit* field;
    };
    const Strip strips[] = {{&f.chFile, &f.raFileStrip, &f.edFile},
                            {&f.chComment, &f.raCommentStrip, &f.edComment},
                            {&f.chCommentFile, &f.raCommentFileStrip, &f.edCommentFile}};
    for (Control* control : f.controls()) {
        if (!f.taBasic.contains(*control) && !f.taMedium.contains(*control))
            continue;
        out << control->name() << ':';
        if (auto* box = dynamic_cast<CheckBox*>(control)) {
            out << box->checked() << box->enabled();
        } else if (auto* radio = dynamic_cast<RadioButton*>(control)) {
            out << radio->checked() << radio->enabled();
        } else if (auto* field = dynamic_cast<Edit*>(control)) {
            bool showText = true, showEnabled = true;
            for (const Strip& s : strips)
                if (carried && s.field == field) {
                    showText = !s.strip->checked();
                    showEnabled = s.box->checked();
                }
            if (showText)
                out << '[' << field->text() << ']';
            if (showEnabled)
                out << field->enabled();
            out << field->colour();
        }
        out << ' ';
    }
    return out.str();
}

} // namespace

TEST_F(SwitchReaderTest, TheEmptyTextPutsEverySwitchBackToItsDefault) {
    for (CheckBox* box : {&f.chEnvelope, &f.chRecurse, &f.chTestTemporary, &f.chArchive,
                          &f.chSystem, &f.chFreshen, &f.chLong, &f.chCompression, &f.chOutput,
                          &f.chWork, &f.chList, &f.chFile, &f.chComment, &f.chCommentFile})
        box->click();
    f.edOutput.setText("/out");
    f.edFile.setText("f.txt");
    f.raCommentStrip.click();
    ASSERT_NE(GetSwitch(f), "");

    read("");
    EXPECT_EQ(message(), "");
    EXPECT_EQ(GetSwitch(f), "");
    for (Control* control : f.controls()) {
        if (!f.taBasic.contains(*control) && !f.taMedium.contains(*control))
            continue;
        if (auto* box = dynamic_cast<CheckBox*>(control)) {
            EXPECT_FALSE(box->checked()) << box->name();
        } else if (auto* radio = dynamic_cast<RadioButton*>(control)) {
            EXPECT_FALSE(radio->checked()) << radio->name();
            EXPECT_FALSE(radio->enabled()) << radio->name();
        } else if (auto* field = dynamic_cast<Edit*>(control)) {
            EXPECT_EQ(field->text(), "") << field->name();
            EXPECT_EQ(field->colour(), clSilver) << field->name();
        }
    }
}

TEST_F(SwitchReaderTest, ItemsInAnyOrderAndWithoutSpacesSetTheSameControls) {
    read("-y -r ");
    EXPECT_TRUE(f.chYes.checked());
    EXPECT_TRUE(f.chRecurse.checked());
    read("-r -y ");
    EXPECT_TRUE(f.chYes.checked());
    EXPECT_TRUE(f.chRecurse.checked());
    EXPECT_EQ(GetSwitch(f), "-y -r ");
    read("-r-y");
    EXPECT_EQ(GetSwitch(f), "-y -r ");
    read("   -m4-hba1   -jl1-r");
    EXPECT_EQ(GetSwitch(f), "-r -hba1 -jl1 -m4 ");
    EXPECT_EQ(message(), "");

    read("-jzNUL -hf3 -w\"/tmp/w\" -hbs0d1 -s1 -ht1 -jx -hy");
    EXPECT_EQ(GetSwitch(f), "-hy -jx -hbd1s0 -ht1 -s1 -hf3 -w\"/tmp/w\" -jzNUL ");
    EXPECT_TRUE(f.raSystemClear.checked());
    EXPECT_TRUE(f.raDirectorySet.checked());
    EXPECT_TRUE(f.raCommentFileStrip.checked());
    EXPECT_EQ(f.edWork.text(), "/tmp/w");
    EXPECT_EQ(message(), "");
}

TEST_F(SwitchReaderTest, BareVariantsAreTheShortestForms) {
    read("-s -jl -hf ");
    EXPECT_TRUE(f.raStampNew.checked());
    EXPECT_TRUE(f.raLockAll.checked());
    EXPECT_TRUE(f.raLongBoth.checked());
    read("-s1 -jl2 -hf- ");
    EXPECT_TRUE(f.raStampOriginal.checked());
    EXPECT_FALSE(f.raStampNew.checked());
    EXPECT_TRUE(f.raLockAuto.checked());
    EXPECT_TRUE(f.raLongLong.checked());
    EXPECT_FALSE(f.raLongBoth.checked());
    read("-b0 -u2 -hg1 -ju1 -js0 -m1 -f2 ");
    EXPECT_EQ(GetSwitch(f), "-f2 -b0 -u2 -hg1 -ju1 -js0 -m1 ");
    EXPECT_EQ(message(), "");
}

TEST_F(SwitchReaderTest, AttributePairsReadTheFirstDigitAfterTheirLetter) {
    read("-hba ");
    EXPECT_TRUE(f.chArchive.checked());
    EXPECT_TRUE(f.raArchiveSet.checked()) << "no digit means Set";
    read("-hbr0a1 ");
    EXPECT_TRUE(f.raReadClear.checked());
    EXPECT_TRUE(f.raArchiveSet.checked());
    EXPECT_FALSE(f.chSystem.checked());
    read("-hbar0 ");
    EXPECT_TRUE(f.raArchiveClear.checked()) << "both letters read the one digit";
    EXPECT_TRUE(f.raReadClear.checked());
    read("-hbs ");
    EXPECT_TRUE(f.raSystemSet.checked()) << "a lone s is Set, unlike the panel's default";
    // Whatever else the item holds goes with it, unreported.
    read("-hbh0-m4 ");
    EXPECT_TRUE(f.raHiddenClear.checked());
    EXPECT_FALSE(f.chCompression.checked());
    read("-hb ");
    EXPECT_EQ(GetSwitch(f), "");
    EXPECT_EQ(message(), "");
}

TEST_F(SwitchReaderTest, UnrecognisedTextIsReportedOnceAfterTheRest) {
    read("-r -r ");
    EXPECT_TRUE(f.chRecurse.checked());
    EXPECT_EQ(message(), "Failed to interpret switches: -r");

    dialogs.boxes.clear();
    read("-y -x*.BAK -m3 ");
    EXPECT_TRUE(f.chYes.checked());
    EXPECT_TRUE(f.raCompressionBetter.checked());
    EXPECT_EQ(message(), "Failed to interpret switches: -x*.BAK");

    dialogs.boxes.clear();
    read("-f ");
    EXPECT_TRUE(f.chFreshen.checked()) << "a bare panel prefix checks its box";
    EXPECT_FALSE(f.raFreshenOlder.checked());
    EXPECT_FALSE(f.raFreshenDifferent.checked());
    EXPECT_EQ(message(), "Failed to interpret switches: -f");

    dialogs.boxes.clear();
    read("-R -Y -q -M2");
    EXPECT_FALSE(f.chRecurse.checked()) << "tokens are lower case";
    EXPECT_TRUE(f.chQuery.checked());
    EXPECT_EQ(message(), "Failed to interpret switches: -R -Y  -M2");

    dialogs.boxes.clear();
    read("\t-hg \r\n");
    EXPECT_TRUE(f.chAccess.checked());
    EXPECT_EQ(message(), "Failed to interpret switches: -hg") << "blanks trimmed";
}

TEST_F(SwitchReaderTest, ValuesQuotedOrNot) {
    read("-o\"/tmp/OUT DIR\" -w\"\" -lfiles.lst ");
    EXPECT_TRUE(f.chOutput.checked());
    EXPECT_EQ(f.edOutput.text(), "/tmp/OUT DIR");
    EXPECT_TRUE(f.chWork.checked());
    EXPECT_EQ(f.edWork.text(), "");
    EXPECT_EQ(f.edList.text(), "files.lst ") << "an unquoted value keeps its blank";
    EXPECT_EQ(f.edOutput.colour(), clWhite);
    read("-oC:\\OUT ");
    EXPECT_EQ(f.edOutput.text(), "C:\\OUT ");
    EXPECT_FALSE(f.chWork.checked());
    EXPECT_EQ(f.edWork.text(), "");
    EXPECT_EQ(f.edWork.colour(), clSilver);
    EXPECT_EQ(message(), "");
}

TEST_F(SwitchReaderTest, StripOrFileFromTheValue) {
    read("-znul ");
    EXPECT_TRUE(f.chFile.checked());
    EXPECT_TRUE(f.raFileStrip.checked());
    EXPECT_EQ(f.edFile.text(), "");
    EXPECT_FALSE(f.edFile.enabled());
    read("-z\"NUL\" ");
    EXPECT_TRUE(f.raFileName.checked()) << "a file named NUL";
    EXPECT_EQ(f.edFile.text(), "NUL");
    EXPECT_TRUE(f.edFile.enabled());
    EXPECT_EQ(f.edFile.colour(), clWhite);
    read("-hz\"/docs/annual nul report.txt\" -jz\"NUL \" ");
    EXPECT_TRUE(f.raCommentFilename.checked()) << "a quoted value is always a file";
    EXPECT_EQ(f.edComment.text(), "/docs/annual nul report.txt");
    EXPECT_TRUE(f.raCommentFileFilename.checked());
    EXPECT_EQ(f.edCommentFile.text(), "NUL ");
    EXPECT_FALSE(f.chFile.checked()) << "not in the text";
    EXPECT_EQ(GetSwitch(f), "-hz\"/docs/annual nul report.txt\" -jz\"NUL \" ");
    EXPECT_EQ(message(), "");
}

TEST_F(SwitchReaderTest, AStripAlreadyChosenKeepsTheNulJustRead) {
    f.chFile.click();
    f.raFileStrip.click();
    read("-zNUL ");
    EXPECT_TRUE(f.raFileStrip.checked());
    EXPECT_EQ(f.edFile.text(), "NUL ");
    EXPECT_FALSE(f.edFile.enabled());
    EXPECT_EQ(GetSwitch(f), "-zNUL ");
}

TEST_F(SwitchReaderTest, ABoxTurnedOnByTheReaderRunsItsPanelRuleFirst) {
    std::vector<std::string> seen;
    for (RadioButton* radio : {&f.raFileStrip, &f.raFileName})
        radio->addObserver([&seen](const Control& c) {
            if (static_cast<const RadioButton&>(c).checked())
                seen.push_back(c.name());
        });
    std::string shown;
    f.edFile.addObserver([&seen, &shown](const Control& c) {
        const std::string& text = static_cast<const Edit&>(c).text();
        if (text != shown)
            seen.push_back("[" + text + "]");
        shown = text;
    });
    read("-zNUL ");
    const std::vector<std::string> expected = {"raFileName", "[NUL ]", "raFileStrip", "[]"};
    EXPECT_EQ(seen, expected);
}

TEST_F(SwitchReaderTest, QuotedTextIsNeverTakenForASwitch) {
    read("-o\"/home/me/my-dir -r\" -d -z\"/x/-hb-s -y\" ");
    EXPECT_EQ(f.edOutput.text(), "/home/me/my-dir -r");
    EXPECT_TRUE(f.chDelete.checked());
    EXPECT_FALSE(f.chRecurse.checked());
    EXPECT_FALSE(f.chYes.checked());
    EXPECT_FALSE(f.chStamp.checked());
    EXPECT_FALSE(f.chArchive.checked());
    EXPECT_EQ(f.edFile.text(), "/x/-hb-s -y");
    EXPECT_EQ(message(), "");
}

TEST_F(SwitchReaderTest, AMissingClosingQuoteRunsTheValueToTheEnd) {
    read("-y -o\"/tmp/out -r");
    EXPECT_TRUE(f.chYes.checked());
    EXPECT_TRUE(f.chOutput.checked());
    EXPECT_EQ(f.edOutput.text(), "/tmp/out -r");
    EXPECT_FALSE(f.chRecurse.checked());
    EXPECT_EQ(message(), "");
}

TEST_F(SwitchReaderTest, OnlyTheBasicAndMediumTabsAreTouched) {
    f.chVolume.click();
    f.chInteractive.click();
    f.raCommandExtract.click();
    f.edContentMask.setText("*.c");
    read("-r -x");
    read("");
    EXPECT_TRUE(f.chVolume.checked());
    EXPECT_TRUE(f.raVolumeAuto.checked());
    EXPECT_TRUE(f.chInteractive.checked());
    EXPECT_TRUE(f.raCommandExtract.checked());
    EXPECT_EQ(f.edContentMask.text(), "*.c");
}

TEST(ExtractSwitchValue, CutsTheItemAndReturnsItsValue) {
    std::string work = "-y -o\"a b\" -r ";
    EXPECT_EQ(ExtractSwitchValue(work, "-o"), "a b");
    EXPECT_EQ(work, "-y  -r ") << "the blank after the closing quote stays";

    work = "-oC:\\OUT -y ";
    EXPECT_EQ(ExtractSwitchValue(work, "-o"), "C:\\OUT ");
    EXPECT_EQ(work, "-y ");

    work = "-y ";
    EXPECT_EQ(ExtractSwitchValue(work, "-o"), "");
    EXPECT_EQ(work, "-y ") << "nothing cut when absent";

    work = "-o\"abc ";
    EXPECT_EQ(ExtractSwitchValue(work, "-o"), "abc")
        << "the last character stands in for the quote";
    EXPECT_EQ(work, "");

    work = "-o ";
    EXPECT_EQ(ExtractSwitchValue(work, "-o"), " ");
    EXPECT_EQ(work, "");

    work = "-l\"x -o\" -o\"y\" ";
    EXPECT_EQ(ExtractSwitchValue(work, "-o"), "y") << "the prefix is found outside quotes";
    EXPECT_EQ(work, "-l\"x -o\"  ");
}

TEST(ExtractSwitchValue, FindsTokensOnlyOutsideQuotes) {
    EXPECT_EQ(findSwitch("-o\"-r\" -r ", "-r"), 7u);
    EXPECT_EQ(findSwitch("-o\"-r -r ", "-r"), std::string::npos);
    EXPECT_EQ(findSwitch("ab-r", "-r"), 2u);
    EXPECT_EQ(findSwitch("", "-r"), std::string::npos);
}

// Writes, reads and writes again for many switch states reached through the
// controls: the text and every control of the two tabs come out the same.
TEST(SwitchRoundTrip, ReadingTheWritersOutputRestoresTheState) {
    std::mt19937 random(20240229u);
    auto chance = [&](int percent) {
        return std::uniform_int_distribution<int>(0, 99)(random) < percent;
    };
    auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); };
    const std::vector<std::string> pieces = {"a",    "Z",  "/",    "\\",   ".",  " ",    "-d", "-r",
                                             "-hb",  "-o", "nul ", "NUL",  "-z", "x-s ", "C:", "_",
                                             "-jl ", "~",  "-y",   "-hf ", "!",  "\t",   "'",  "=",
                                             "*?",   ";",  "-hz",  "-jz",  "é"};
    // Any text that can reach Jar: every byte but the double quote (which
    // is refused before a run) and NUL (which no argument can hold).
    auto value = [&] {
        std::string text;
        for (int n = pick(6); n > 0; --n) {
            if (chance(15)) {
                const char byte = static_cast<char>(1 + pick(255));
                text += byte == '"' ? '_' : byte;
            } else {
                text += pieces[static_cast<std::size_t>(pick(static_cast<int>(pieces.size())))];
            }
        }
        return text;
    };

    test::FakePlatform platform;
    test::FakeDialogs dialogs;
    auto previous = std::make_unique<Brak>(platform, dialogs);
    int withText = 0;
    for (int round = 0; round < 1500; ++round) {
        auto original = std::make_unique<Brak>(platform, dialogs);
        MainForm& a = original->form();
        for (CheckBox* box : {&a.chEnvelope, &a.chSkip, &a.chYes, &a.chRecurse, &a.chQuery,
                              &a.chDelete, &a.chNew, &a.chIgnore, &a.chWarn, &a.chFull, &a.chBroken,
                              &a.chAdd, &a.chUse, &a.chHide, &a.chTranslate, &a.chTestTemporary})
            if (chance(30))
                box->click();
        const std::vector<std::pair<CheckBox*, std::vector<RadioButton*>>> panels = {
            {&a.chBit, {&a.raBitSet, &a.raBitReset}},
            {&a.chFreshen, {&a.raFreshenOlder, &a.raFreshenDifferent}},
            {&a.chUpdate, {&a.raUpdateOlder, &a.raUpdateDifferent}},
            {&a.chAccess, {&a.raAccessAuthenticate, &a.raAccessEncrypt}},
            {&a.chTest, {&a.raTestCRC, &a.raTestCompare}},
            {&a.chArchive, {&a.raArchiveSet, &a.raArchiveClear}},
            {&a.chDirectory, {&a.raDirectorySet, &a.raDirectoryClear}},
            {&a.chHidden, {&a.raHiddenSet, &a.raHiddenClear}},
            {&a.chRead, {&a.raReadSet, &a.raReadClear}},
            {&a.chSystem, {&a.raSystemSet, &a.raSystemClear}},
            {&a.chStamp, {&a.raStampNew, &a.raStampOriginal}},
            {&a.chSort, {&a.raSortNone, &a.raSortName, &a.raSortExtension}},
            {&a.chCompress, {&a.raCompressAll, &a.raCompressCreate, &a.raCompressModify}},
            {&a.chLock, {&a.raLockAll, &a.raLockExist, &a.raLockAuto}},
            {&a.chCompression,
             {&a.raCompressionFast, &a.raCompressionNormal, &a.raCompressionBetter,
              &a.raCompressionBest}},
            {&a.chLong,
             {&a.raLongLong, &a.raLongBoth, &a.raLongShort, &a.raLongToShort, &a.raLongToStandard}},
        };
        for (const auto& [box, variants] : panels) {
            int choice = pick(static_cast<int>(variants.size()) + 1) - 1;
            if (choice < 0)
                continue;
            box->click();
            variants[static_cast<std::size_t>(choice)]->click();
        }
        for (const auto& [box, field] : std::vector<std::pair<CheckBox*, Edit*>>{
                 {&a.chOutput, &a.edOutput}, {&a.chWork, &a.edWork}, {&a.chList, &a.edList}})
            if (chance(40)) {
                box->click();
                field->setText(value());
            }
        struct Strip {
            CheckBox* box;
            RadioButton* strip;
            RadioButton* name;
            Edit* field;
        };
        for (const Strip& s :
             {Strip{&a.chFile, &a.raFileStrip, &a.raFileName, &a.edFile},
              Strip{&a.chComment, &a.raCommentStrip, &a.raCommentFilename, &a.edComment},
              Strip{&a.chCommentFile, &a.raCommentFileStrip, &a.raCommentFileFilename,
                    &a.edCommentFile}}) {
            int choice = pick(3);
            if (choice == 0)
                continue;
            s.box->click();
            s.field->setText(value());
            if (choice == 1)
                s.strip->click();
        }
        const std::string text = GetSwitch(a);
        withText += text.find('"') != std::string::npos;
        SCOPED_TRACE("round " + std::to_string(round) + ": " + text);

        // Into a window that shows the form defaults.
        Brak fresh(platform, dialogs);
        MainForm& b = fresh.form();
        SetSwitch(b, dialogs, text);
        ASSERT_TRUE(dialogs.boxes.empty()) << dialogs.boxes[0].text;
        ASSERT_EQ(GetSwitch(b), text);
        ASSERT_EQ(snapshot(b), snapshot(a));

        // Over whatever the previous round left, as selecting a command does.
        MainForm& c = previous->form();
        SetSwitch(c, dialogs, text);
        ASSERT_TRUE(dialogs.boxes.empty()) << dialogs.boxes[0].text;
        ASSERT_EQ(GetSwitch(c), text);
        ASSERT_EQ(snapshot(c, true), snapshot(a, true));
        previous = std::move(original);
    }
    EXPECT_GT(withText, 500) << "the values were exercised";
}
