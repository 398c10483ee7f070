// The Advanced tab's fifth piece of the command line: the table of panel
// settings and pieces, Jar's arguments with and without it, a typed
// password that reaches Jar only through its descriptor, and the panels
// saved in the configuration and read back.
#include "FakeConsole.h"
#include "Fakes.h"
#include "TempDir.h"
#include "core/AdvancedSwitches.h"
#include "core/Commands.h"
#include "form/Validate.h"
#include "ui/Brak.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <sstream>

using namespace brak;

namespace {

struct Window {
    test::FakePlatform platform;
    test::FakeDialogs dialogs;
    Brak brak{platform, dialogs};
    MainForm& f = brak.form();
    std::vector<std::string> events;
    test::FakeConsole console{events};
    Window() {
        f.edArchive.setText("arc.j");
        f.edContentMask.setText("*.*");
        brak.runner().setConsole(&console);
    }
};

// Splits at blanks outside double quotes, which are removed.
std::vector<std::string> words(const std::string& text) {
    std::vector<std::string> out;
    std::string word;
    bool quoted = false, any = false;
    for (char c : text) {
        if (c == '"') {
            quoted = !quoted;
            any = true;
        } else if (c == ' ' && !quoted) {
            if (any)
                out.push_back(word);
            word.clear();
            any = false;
        } else {
            word += c;
            any = true;
        }
    }
    if (any)
        out.push_back(word);
    return out;
}

// Sets the controls as the user would: a click, an uncheck, typed text.
void apply(MainForm& f, const std::string& action) {
    const bool off = action[0] == '-';
    const std::size_t equals = action.find('=');
    const std::string name = action.substr(off ? 1 : 0, equals - (off ? 1 : 0));
    Control* control = f.find(name);
    ASSERT_NE(control, nullptr) << name;
    if (auto* box = dynamic_cast<CheckBox*>(control))
        box->setChecked(!off);
    else if (auto* radio = dynamic_cast<RadioButton*>(control))
        radio->setChecked(true);
    else if (auto* date = dynamic_cast<TDTEdit*>(control)) {
        DateTime t;
        std::sscanf(action.c_str() + equals + 1, "%4d%2d%2d%2d%2d%2d", &t.year, &t.month, &t.day,
                    &t.hour, &t.minute, &t.second);
        date->SetValue(t);
    } else if (auto* field = dynamic_cast<Edit*>(control))
        field->setText(action.substr(equals + 1));
}

struct Case {
    std::string settings, piece;
};

std::vector<Case> cases() {
    std::istringstream table(test::readFile(BRAK_TEST_DATA "/advanced/pieces.txt"));
    std::vector<Case> rows;
    for (std::string line; std::getline(table, line);) {
        if (line.empty() || line[0] == '#')
            continue;
        const std::size_t arrow = line.find("=> [");
        rows.push_back({line.substr(0, arrow), line.substr(arrow + 4, line.size() - arrow - 5)});
    }
    return rows;
}

void set(MainForm& f, const std::string& settings) {
    for (const std::string& action : words(settings))
        apply(f, action);
}

} // namespace

TEST(AdvancedPiece, EachPanelWritesItsSwitchesInTheAgreedOrder) {
    const auto rows = cases();
    ASSERT_GT(rows.size(), 30u);
    for (const Case& row : rows) {
        Window w;
        set(w.f, row.settings);
        EXPECT_EQ(GetAdvanced(w.f), row.piece) << row.settings;
        // Every command shows it after its own switches; the switch sets
        // never hold it.
        w.f.chRecurse.setChecked(true);
        w.f.raCommandListContent.click();
        EXPECT_EQ(w.f.StatusBar1.simpleText(), "JAR32.EXE l \"arc.j\" *.* " + row.piece)
            << row.settings;
        EXPECT_EQ(w.f.SwitchSets[0], "-r ");
    }
}

TEST(AdvancedPiece, JarGetsItAsAFifthArgumentOnlyWhenThereIsOne) {
    Window plain;
    plain.brak.runner().buGoClick();
    ASSERT_EQ(plain.platform.terminalStarts.size(), 1u);
    EXPECT_EQ(plain.platform.terminalStarts[0].args,
              (std::vector<std::string>{"JAR32.EXE ", "a ", "\"arc.j\" *.* ", ""}));
    EXPECT_TRUE(plain.platform.terminalStarts[0].inputs.empty());

    Window advanced;
    set(advanced.f, "chExclude edExcludeMask=*.bak chVolume");
    advanced.brak.runner().buGoClick();
    ASSERT_EQ(advanced.platform.terminalStarts.size(), 1u);
    EXPECT_EQ(
        advanced.platform.terminalStarts[0].args,
        (std::vector<std::string>{"JAR32.EXE ", "a ", "\"arc.j\" *.* ", "", "-x\"*.bak\" -va "}));
    // The listing after the run has no part of it.
    ASSERT_FALSE(advanced.platform.started.empty());
    for (const ProcessRequest& listing : advanced.platform.started) {
        EXPECT_EQ(listing.args.size(), 4u);
        for (const std::string& arg : listing.args)
            EXPECT_EQ(arg.find("*.bak"), std::string::npos) << arg;
    }
}

TEST(AdvancedPiece, ATypedPasswordReachesJarOnlyThroughItsDescriptor) {
    Window w;
    set(w.f, "chPassword edPassword=Pa55-word chNewPassword edNewPassword=N3w-one");
    w.brak.runner().buGoClick();
    ASSERT_EQ(w.platform.terminalStarts.size(), 1u);
    const ProcessRequest& request = w.platform.terminalStarts[0];
    EXPECT_EQ(request.inputs, (std::vector<ChildInput>{{3, "Pa55-word"}, {4, "N3w-one"}}));
    EXPECT_EQ(request.args.back(), "-pfd3 -npfd4 ");
    EXPECT_EQ(w.f.StatusBar1.simpleText(), "JAR32.EXE a \"arc.j\" *.* -pfd3 -npfd4 ");

    std::string seen = w.f.StatusBar1.simpleText() + w.brak.runner().runLog().runs()[0].commandLine;
    for (const std::string& arg : request.args)
        seen += arg;
    for (const auto& [name, value] : request.environment)
        seen += name + value;
    ASSERT_EQ(w.brak.config().SaveConfig(w.platform.root.file("Brak.BKF")), 0);
    seen += test::readFile(w.platform.root.file("Brak.BKF"));
    for (const char* secret : {"Pa55", "N3w"})
        EXPECT_EQ(seen.find(secret), std::string::npos) << secret;

    // Specify with nothing typed would protect nothing: Jar is not started.
    Window empty;
    set(empty.f, "chPassword");
    empty.brak.runner().buGoClick();
    EXPECT_TRUE(empty.platform.terminalStarts.empty());
    ASSERT_EQ(empty.dialogs.boxes.size(), 1u);
    EXPECT_EQ(empty.dialogs.boxes[0].caption, "Password");
}

TEST(AdvancedPiece, ThePanelsComeBackFromTheSavedStateThroughTheirControls) {
    const std::string settings =
        "chAfter raAfterSpecify raAfterTime daAfter=20260102030405 chBefore raBeforeDays "
        "loBeforeDays=12 chChapter -chChapterLast loChapterTo=3 chExclude raExcludeList "
        "edExcludeList=\"My List.lst\" chAssume chAssumeNew chAssumeNext chVolume raVolumeSpecify "
        "raVolumeOther loVolumeSize=700 chVolumePrompt chVolumeEcho edVolumeCommand=\"Echo Next\" "
        "chPassword edPassword=secret1 chPasswordVisible chNewPassword raNewPasswordRemove";
    Window saved;
    set(saved.f, settings);
    const std::string file = saved.platform.root.file("Brak.BKF");
    ASSERT_EQ(saved.brak.config().SaveConfig(file), 0);
    const std::string text = test::readFile(file);
    EXPECT_NE(text.find("\r\n;[Brak]edVolumeCommand=Echo Next\r\n"), std::string::npos);
    EXPECT_EQ(text.find("secret1"), std::string::npos);

    Window restored;
    ASSERT_EQ(restored.brak.config().LoadConfig(file), 0);
    EXPECT_EQ(GetAdvanced(restored.f), GetAdvanced(saved.f));
    // Every control of the tab as it was, enabled state and all, but the
    // password, which has to be typed again.
    for (const Control* control : saved.f.controls()) {
        if (!saved.f.taAdvanced.contains(*control) || control == &saved.f.edPassword)
            continue;
        const Control* other = restored.f.find(control->name());
        EXPECT_EQ(other->enabled(), control->enabled()) << control->name();
        if (auto* box = dynamic_cast<const CheckBox*>(control)) {
            EXPECT_EQ(dynamic_cast<const CheckBox*>(other)->checked(), box->checked())
                << control->name();
        }
        if (auto* radio = dynamic_cast<const RadioButton*>(control)) {
            EXPECT_EQ(dynamic_cast<const RadioButton*>(other)->checked(), radio->checked())
                << control->name();
        }
        if (auto* field = dynamic_cast<const Edit*>(control)) {
            EXPECT_EQ(dynamic_cast<const Edit*>(other)->text(), field->text()) << control->name();
        }
        if (auto* date = dynamic_cast<const TDTEdit*>(control)) {
            EXPECT_EQ(dynamic_cast<const TDTEdit*>(other)->GetValue(), date->GetValue())
                << control->name();
        }
    }
    EXPECT_TRUE(restored.f.raPasswordSpecify.checked());
    EXPECT_EQ(restored.f.edPassword.text(), "");
}
