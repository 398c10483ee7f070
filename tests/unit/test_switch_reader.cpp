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

bool inSwitchTabs(MainForm& f, const Control& control) {
    return f.taBasic.contains(control) || f.taMedium.contains(control);
}

class SwitchReaderTest : public ::testing::Test {
protected:
    test::FakePlatform platform;
    test::FakeDialogs dialogs;
    Brak brak{platform, dialogs};
    MainForm& f = brak.form();

    void read(const std::string& text) {
        dialogs.boxes.clear();
        SetSwitch(f, dialogs, text);
    }

    // What the one box the reader may show could not interpret, or "" when
    // it showed none.
    std::string leftover() {
        if (dialogs.boxes.empty())
            return "";
        EXPECT_EQ(dialogs.boxes.size(), 1u);
        const MessageBoxRequest& box = dialogs.boxes.back();
        const std::string lead = "Failed to interpret switches: ";
        EXPECT_EQ(box, (MessageBoxRequest{box.text, "Error Setting Controls", MessageIcon::Error}));
        EXPECT_EQ(box.text.substr(0, lead.size()), lead);
        return box.text.substr(lead.size());
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
        if (!inSwitchTabs(f, *control))
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

// Each text is read over what the one before left. The controls then write
// the text in its own form; what was not understood is reported once, after
// the rest was read.
TEST_F(SwitchReaderTest, ReadsTheItemsInAnyFormAndReportsTheRest) {
    struct Row {
        const char* text;
        const char* written;
        const char* leftover;
        const char* what;
    };
    const Row rows[] = {
        {"-y -r ", "-y -r ", "", "the table's order"},
        {"-r -y ", "-y -r ", "", "any order"},
        {"-r-y", "-y -r ", "", "no blanks between items"},
        {"   -m4-hba1   -jl1-r", "-r -hba1 -jl1 -m4 ", "", "blanks around them"},
        {"-jzNUL -hf3 -w\"/tmp/w\" -hbs0d1 -s1 -ht1 -jx -hy",
         "-hy -jx -hbd1s0 -ht1 -s1 -hf3 -w\"/tmp/w\" -jzNUL ", "", "reordered"},
        {"-hba ", "-hba1 ", "", "an attribute without a digit is Set"},
        {"-hbr0a1 ", "-hba1r0 ", "", "attribute pairs in any order"},
        {"-hbar0 ", "-hba0r0 ", "", "both letters read the one digit after them"},
        {"-hbs ", "-hbs1 ", "", "a lone s is Set, unlike the panel's default"},
        {"-hbh0-m4 ", "-hbh0 ", "", "whatever else the item holds goes with it, unreported"},
        {"-hb ", "", "", "no attribute"},
        {"-r -r ", "-r ", "-r", "a repeat"},
        {"-y -x*.BAK -m3 ", "-y -m3 ", "-x*.BAK", "an unknown item"},
        {"-R -Y -q -M2", "-q ", "-R -Y  -M2", "tokens are lower case"},
        {"-o\"/tmp/OUT DIR\" -w\"\" -lfiles.lst ", "-o\"/tmp/OUT DIR\" -w\"\" -l\"files.lst \" ",
         "", "an unquoted value keeps its blank"},
        {"-oC:\\OUT ", "-o\"C:\\OUT \" ", "", "a value box not in the text goes off"},
        {"-znul ", "-zNUL ", "", "NUL in any case is Strip"},
        {"-z\"NUL\" ", "-z\"NUL\" ", "", "a file named NUL"},
        {"-hz\"/docs/annual nul report.txt\" -jz\"NUL \" ",
         "-hz\"/docs/annual nul report.txt\" -jz\"NUL \" ", "", "a quoted value is always a file"},
        {"-o\"/home/me/my-dir -r\" -d -z\"/x/-hb-s -y\" ",
         "-d -o\"/home/me/my-dir -r\" -z\"/x/-hb-s -y\" ", "", "quoted text is never a switch"},
        {"-y -o\"/tmp/out -r", "-y -o\"/tmp/out -r\" ", "",
         "a missing closing quote runs the value to the end"},
    };
    for (const Row& row : rows) {
        read(row.text);
        EXPECT_EQ(GetSwitch(f), row.written) << row.what;
        EXPECT_EQ(leftover(), row.leftover) << row.what;
    }
}

TEST_F(SwitchReaderTest, ABarePanelPrefixChecksItsBoxAndNoVariant) {
    read("-f ");
    EXPECT_TRUE(f.chFreshen.checked());
    EXPECT_FALSE(f.raFreshenOlder.checked() || f.raFreshenDifferent.checked());
    EXPECT_EQ(leftover(), "-f");
    read("\t-hg \r\n");
    EXPECT_TRUE(f.chAccess.checked());
    EXPECT_EQ(leftover(), "-hg") << "blanks trimmed";
}

TEST_F(SwitchReaderTest, StripEmptiesTheFieldUnlessItWasChosenAlready) {
    read("-znul ");
    EXPECT_EQ(f.edFile.text(), "");
    EXPECT_FALSE(f.edFile.enabled());
    // Strip already chosen runs no rule: the field keeps the NUL just read.
    read("-zNUL ");
    EXPECT_EQ(f.edFile.text(), "NUL ");
    EXPECT_FALSE(f.edFile.enabled());
    EXPECT_EQ(GetSwitch(f), "-zNUL ");
    read("-z\"NUL\" ");
    EXPECT_EQ(f.edFile.text(), "NUL");
    EXPECT_TRUE(f.edFile.enabled() && f.edFile.colour() == clWhite);
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

TEST_F(SwitchReaderTest, OnlyTheBasicAndMediumTabsAreTouched) {
    f.chVolume.click();
    f.chInteractive.click();
    f.raCommandExtract.click();
    f.edContentMask.setText("*.c");
    read("-r -x");
    read("");
    EXPECT_TRUE(f.chVolume.checked() && f.raVolumeAuto.checked());
    EXPECT_TRUE(f.chInteractive.checked());
    EXPECT_TRUE(f.raCommandExtract.checked());
    EXPECT_EQ(f.edContentMask.text(), "*.c");
}

TEST(ExtractSwitchValue, CutsTheItemAndReturnsItsValue) {
    struct Row {
        std::string work;
        const char* value;
        const char* rest;
        const char* what;
    };
    const Row rows[] = {
        {"-y -o\"a b\" -r ", "a b", "-y  -r ", "the blank after the closing quote stays"},
        {"-oC:\\OUT -y ", "C:\\OUT ", "-y ", "an unquoted value takes its blank"},
        {"-y ", "", "-y ", "nothing cut when absent"},
        {"-o\"abc ", "abc", "", "the last character stands in for the quote"},
        {"-o ", " ", "", "a blank alone"},
        {"-y -o", "", "-y ", "the prefix at the very end"},
        {"-o\"", "", "", "a lone quote"},
        {"-l\"x -o\" -o\"y\" ", "y", "-l\"x -o\"  ", "the prefix is found outside quotes"},
    };
    for (Row row : rows) {
        EXPECT_EQ(ExtractSwitchValue(row.work, "-o"), row.value) << row.what;
        EXPECT_EQ(row.work, row.rest) << row.what;
    }
    EXPECT_EQ(findSwitch("-o\"-r\" -r ", "-r"), 7u);
    EXPECT_EQ(findSwitch("-o\"-r -r ", "-r"), std::string::npos);
    EXPECT_EQ(findSwitch("ab-r", "-r"), 2u);
    EXPECT_EQ(findSwitch("", "-r"), std::string::npos);
}

// Writes, reads and writes again for many switch states reached through the
// controls: the text and every control of the two tabs come out the same.
TEST(SwitchRoundTrip, ReadingTheWritersOutputRestoresTheState) {
    std::mt19937 random(20240229u);
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
            if (pick(100) < 15) {
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
        // A panel's box comes before its variants and its field: each box,
        // variant and field on offer is clicked or filled at random.
        for (Control* control : a.controls()) {
            if (!inSwitchTabs(a, *control) || !control->enabled() || pick(100) >= 40)
                continue;
            if (auto* box = dynamic_cast<CheckBox*>(control))
                box->click();
            if (auto* radio = dynamic_cast<RadioButton*>(control))
                radio->click();
            if (auto* field = dynamic_cast<Edit*>(control))
                field->setText(value());
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
