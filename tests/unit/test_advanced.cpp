// The Advanced tab's piece of the command line, Jar's arguments, typed
// passwords, and the panels saved and read back.
#include "FakeConsole.h"
#include "Fakes.h"
#include "TempDir.h"
#include "core/AdvancedSwitches.h"
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
    // Actions as the table writes them, separated by ", ".
    void set(const std::string& actions) {
        for (std::size_t at = 0; at < actions.size();) {
            const std::size_t end = std::min(actions.find(", ", at), actions.size());
            const std::string action = actions.substr(at, end - at);
            at = end + 2;
            const bool off = action[0] == '-';
            const std::size_t equals = action.find('=');
            Control* control = f.find(action.substr(off, equals - off));
            ASSERT_NE(control, nullptr) << action;
            const std::string text = equals == std::string::npos ? "" : action.substr(equals + 1);
            if (auto* box = dynamic_cast<CheckBox*>(control))
                box->setChecked(!off);
            else if (auto* radio = dynamic_cast<RadioButton*>(control))
                radio->setChecked(true);
            else if (auto* field = dynamic_cast<Edit*>(control))
                field->setText(text);
            else if (auto* date = dynamic_cast<TDTEdit*>(control)) {
                DateTime t;
                std::sscanf(text.c_str(), "%4d%2d%2d%2d%2d%2d", &t.year, &t.month, &t.day, &t.hour,
                            &t.minute, &t.second);
                date->SetValue(t);
            }
        }
    }
};

} // namespace

TEST(AdvancedPiece, EachPanelWritesItsSwitchesInTheAgreedOrder) {
    std::istringstream table(test::readFile(BRAK_TEST_DATA "/advanced/pieces.txt"));
    int rows = 0;
    for (std::string line; std::getline(table, line);) {
        if (line.empty() || line[0] == '#')
            continue;
        const std::size_t arrow = line.find("=> [");
        const std::string settings = line.substr(0, arrow == 0 ? 0 : arrow - 1);
        const std::string piece = line.substr(arrow + 4, line.size() - arrow - 5);
        Window w;
        w.set(settings);
        EXPECT_EQ(GetAdvanced(w.f), piece) << settings;
        // Every command shows it after its own switches; no switch set holds it.
        w.f.chRecurse.setChecked(true);
        w.f.raCommandListContent.click();
        EXPECT_EQ(w.f.StatusBar1.simpleText(), "JAR32.EXE l \"arc.j\" *.* " + piece) << settings;
        EXPECT_EQ(w.f.SwitchSets[0], "-r ");
        ++rows;
    }
    EXPECT_EQ(rows, 31) << "every row read";
}

TEST(AdvancedPiece, JarGetsAFifthArgumentOnlyWhenThereIsOneAndPasswordsOnDescriptors) {
    Window plain;
    plain.brak.runner().buGoClick();
    EXPECT_EQ(plain.platform.terminalStarts.at(0).args,
              (std::vector<std::string>{"JAR32.EXE ", "a ", "\"arc.j\" *.* ", ""}));

    Window w;
    w.set("chExclude, edExcludeMask=*.bak, chPassword, edPassword=Pa55-word, chNewPassword, "
          "edNewPassword=N3w-one");
    w.brak.runner().buGoClick();
    ASSERT_EQ(w.platform.terminalStarts.size(), 1u);
    const ProcessRequest& request = w.platform.terminalStarts[0];
    EXPECT_EQ(request.args, (std::vector<std::string>{"JAR32.EXE ", "a ", "\"arc.j\" *.* ", "",
                                                      "-x\"*.bak\" -pfd3 -npfd4 "}));
    EXPECT_EQ(request.inputs, (std::vector<ChildInput>{{3, "Pa55-word"}, {4, "N3w-one"}}));
    ASSERT_FALSE(w.platform.started.empty());
    EXPECT_EQ(w.platform.started[0].args.size(), 4u) << "not for the listing";

    std::string seen = w.f.StatusBar1.simpleText() +
                       w.brak.runner().runLog().runs()[0].commandLine +
                       request.environment[0].second + w.brak.config().configText("Brak.BKF");
    EXPECT_EQ(seen.find("Pa55"), std::string::npos);
    EXPECT_EQ(seen.find("N3w"), std::string::npos);

    // Specify with nothing typed would protect nothing: Jar is not started.
    Window empty;
    empty.set("chPassword");
    empty.brak.runner().buGoClick();
    EXPECT_TRUE(empty.platform.terminalStarts.empty());
    ASSERT_EQ(empty.dialogs.boxes.size(), 1u);
    EXPECT_EQ(empty.dialogs.boxes[0].caption, "Password");
}

TEST(AdvancedPiece, ThePanelsComeBackFromTheSavedStateThroughTheirControls) {
    Window saved;
    EXPECT_EQ(saved.brak.config().configText("x").find("chAfter"), std::string::npos)
        << "panels that are off write nothing";
    saved.set("chAfter, raAfterSpecify, raAfterTime, daAfter=20260102030405, chBefore, "
              "raBeforeDays, loBeforeDays=12, chChapter, -chChapterLast, loChapterTo=3, "
              "chExclude, raExcludeList, edExcludeList=My List.lst, chAssume, chAssumeNext, "
              "chVolume, raVolumeSpecify, raVolumeOther, loVolumeSize=700, chVolumePrompt, "
              "chVolumeEcho, edVolumeCommand=Echo Next, chPassword, edPassword=secret1, "
              "chPasswordVisible, chNewPassword, raNewPasswordRemove");
    const std::string file = saved.platform.root.file("Brak.BKF");
    ASSERT_EQ(saved.brak.config().SaveConfig(file), 0);
    EXPECT_EQ(test::readFile(file).find("secret1"), std::string::npos);

    Window restored;
    ASSERT_EQ(restored.brak.config().LoadConfig(file), 0);
    EXPECT_EQ(GetAdvanced(restored.f), GetAdvanced(saved.f));
    EXPECT_EQ(restored.brak.config().configText("x"), saved.brak.config().configText("x"));
    EXPECT_TRUE(restored.f.edPassword.enabled());
    EXPECT_EQ(restored.f.edPassword.text(), "") << "typed again";
}
