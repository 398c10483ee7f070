// Jar's configuration file: what SaveConfig writes, byte for byte, also when
// the disk fails; what LoadConfig reads back; the colour fields and the File
// menu.
#include "Fakes.h"
#include "base/AtomicFile.h"
#include "config/Colours.h"
#include "config/ConfigFile.h"
#include "core/Commands.h"
#include "ui/Brak.h"

#include <QLocale>
#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <random>
#include <sstream>
#include <sys/stat.h>

using namespace brak;
using test::readFile;

namespace {

using Boxes = std::vector<MessageBoxRequest>;

// Lines as Brak writes them: CR LF after each.
std::string crlf(std::initializer_list<std::string> lines) {
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    return text;
}

MessageBoxRequest loadError(const std::string& text) {
    return {text, "Load Configuration", MessageIcon::Error};
}

std::array<Edit*, 5> colourFields(MainForm& f) {
    return {&f.edColourNormal, &f.edColourError, &f.edColourSignal, &f.edColourComment,
            &f.edColourHighlight};
}

std::array<CheckBox*, 8> yesNoBoxes(MainForm& f) {
    return {&f.chMemoryCheck, &f.chColour,      &f.chColourHigh,    &f.chFullPath,
            &f.chHideMarked,  &f.chInteractive, &f.chStandardError, &f.chANSIComment};
}

class ConfigTest : public ::testing::Test {
protected:
    // The header's date and time in a fixed locale, whatever the machine's.
    ConfigTest() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom)); }
    ~ConfigTest() override { QLocale::setDefault(locale_); }

    std::string path(const std::string& name) const { return platform.root.file(name); }
    int load(const std::string& text, const std::string& name = "Test.CFG") {
        platform.root.write(name, text);
        return config.LoadConfig(path(name));
    }
    bool saves(const std::string& line) const {
        return config.configText("x").find("\r\n" + line + "\r\n") != std::string::npos;
    }
    void expectCurrent(const std::string& name) {
        EXPECT_EQ(f.ConfigName, name);
        EXPECT_EQ(f.Caption1.text(), name.empty() ? "Brak" : "Brak [" + name + "]");
    }

    QLocale locale_;
    test::FakePlatform platform;
    test::FakeDialogs dialogs;
    Brak brak{platform, dialogs};
    MainForm& f = brak.form();
    ConfigFile& config = brak.config();
};

} // namespace

// The recorded files begin with the bare name they were saved under.
TEST_F(ConfigTest, SavedFilesMatchTheHandWrittenOnesByteForByte) {
    auto expectSaved = [&](const std::string& name, const std::string& recorded) {
        ASSERT_EQ(config.SaveConfig(path(name)), 0);
        const std::string expected = readFile(BRAK_TEST_DATA "/config/" + recorded);
        EXPECT_EQ(readFile(path(name)), "; " + path(name) + expected.substr(expected.find('\r')));
        expectCurrent(path(name));
    };
    expectSaved("Brak.BKF", "saved-defaults.CFG");

    f.edArchive.setText("/home/ann/Archives/Backup 2026.J");
    f.Directory.setDirectory("/home/ann/Documents");
    f.edContentMask.setText("*.TXT *.odt");
    f.loMemoryFlat.setValue(8192);
    f.chMemoryCheck.setChecked(false);
    f.edSwap.setText("/var/tmp/Jar Swap");
    for (CheckBox* box : {&f.chFullPath, &f.chInteractive, &f.chANSIComment, &f.chColourHigh})
        box->setChecked(true);
    f.raDefaultGost.click();
    f.edColourNormal.setColour(0x00FFFFFF);
    f.edColourSignal.setColour(0x0000FFFF);
    f.edColourComment.setColour(0x00F08040); // picked outside the palette: cyan
    f.edColourHighlight.setColour(0x00808080);
    f.SwitchSets[0] = "-r -m4 -o\"/home/ann/Out Dir\" ";
    f.SwitchSets[6] = "-y -jf ";
    f.SwitchSets[19] = "-hg1 ";
    expectSaved("Backup Settings.CFG", "saved-settings.CFG");
}

TEST_F(ConfigTest, TheHeaderUsesTheLocalesShortDateAndLongTime) {
    const DateTime moment{2026, 3, 4, 9, 5, 7};
    EXPECT_EQ(headerDateTime(moment), "04/03/2026 09:05:07");
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    const std::string american = headerDateTime(moment);
    EXPECT_TRUE(american.starts_with("3/4/26 9:05:07")) << american;
    EXPECT_TRUE(american.ends_with("AM")) << "no time zone: " << american;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(headerDateTime(moment), "04.03.26 09:05:07");
}

TEST_F(ConfigTest, SavingTakesTheNumberTheMemoryFieldShows) {
    f.spMemoryFlat.clickUp(); // changes the text alone
    EXPECT_TRUE(saves("32MemoryLimit=4097"));
    f.loMemoryFlat.setText("abc");
    EXPECT_TRUE(saves("32MemoryLimit=4096")) << "unreadable text: the number last taken";
}

TEST_F(ConfigTest, ALineEndInsideAValueCannotStartALineOfItsOwn) {
    f.Directory.setDirectory("/tmp/odd\nOptionsForCommand a=-d");
    EXPECT_TRUE(saves(";[Brak]Source=/tmp/odd OptionsForCommand a=-d"));
    ASSERT_EQ(load(config.configText("x")), 0);
    EXPECT_EQ(f.SwitchSets[0], "");
}

TEST_F(ConfigTest, AWriteThatFailsAtAnyByteKeepsThePreviousFile) {
    const std::string name = path("Brak.BKF");
    ASSERT_EQ(config.SaveConfig(name), 0);
    const std::string previous = readFile(name);
    ASSERT_EQ(config.SaveConfig(path("Other.CFG")), 0);

    f.edArchive.setText("/changed.J");
    f.SwitchSets[3] = "-r ";
    const std::string next = config.configText(name);
    ASSERT_NE(next, previous);
    for (std::size_t offset = 0; offset < next.size(); ++offset) {
        ScopedWriteFault fault(offset);
        ASSERT_EQ(config.SaveConfig(name), 1) << offset;
        ASSERT_EQ(readFile(name), previous) << offset;
    }
    EXPECT_EQ(config.SaveConfig(path("gone/Brak.BKF")), 1) << "a directory that is not there";
    EXPECT_EQ(config.SaveConfig(""), 1);
    expectCurrent(path("Other.CFG"));
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(platform.root.path()))
        files.push_back(entry.path().filename().string());
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{"Brak.BKF", "Other.CFG", "bin"}))
        << "no temporary file stays behind";

    ASSERT_EQ(config.SaveConfig(name), 0);
    EXPECT_EQ(readFile(name), next);
}

TEST_F(ConfigTest, SwitchSetsAreFiledByCommandLetter) {
    f.SwitchSets[2] = "-y ";
    f.SwitchSets[0] = "-n ";
    f.SwitchSetsModified = true;
    // Either line end, and none after the last line.
    ASSERT_EQ(load("OptionsForCommand a=-R -M4 -O\"/Home/Ann/Out Dir\"\nOptionsForCommand  LT = -Jf"
                   "\r\n; OptionsForCommand a=-hbd0\n; OptionsForCommand ac=-hbd0\r\n"
                   "; OptionsForCommand e=\nOptionsForCommand "
                   "q=-r\nOptionsForCommandx=-y\nOptionsForCommand y=-r"),
              0);
    EXPECT_EQ(f.SwitchSets[0], "-r -m4 -o\"/Home/Ann/Out Dir\" ")
        << "lower case outside the quotes, and a blank after the last switch";
    EXPECT_EQ(f.SwitchSets[11], "-jf ");
    EXPECT_EQ(f.SwitchSets[18], "-y ");
    EXPECT_EQ(f.SwitchSets[19], "-r ");
    EXPECT_EQ(f.SwitchSets[1], "") << "a commented line changes nothing";
    EXPECT_EQ(f.SwitchSets[2], "-y ") << "a command without a line keeps its set";
    EXPECT_TRUE(f.SwitchSetsModified) << "loading leaves the mark alone";

    // The current command's set is on the controls, exactly as stored.
    EXPECT_TRUE(f.chRecurse.checked());
    EXPECT_TRUE(f.raCompressionBest.checked());
    EXPECT_EQ(f.edOutput.text(), "/Home/Ann/Out Dir");
    EXPECT_TRUE(dialogs.boxes.empty());
    f.SwitchSetsModified = false;
    f.raCommandExtract.click();
    EXPECT_FALSE(f.SwitchSetsModified) << "the shown switches are the stored ones";
    EXPECT_EQ(f.LastAlteredCommand, -1);
}

TEST_F(ConfigTest, BrakLinesRestoreTheWorkingSettings) {
    f.Drive.setDrives({"/", "/media/Usb Stick"});
    ASSERT_EQ(load(crlf({";[Brak]Archive= /Data/My Backup.J ",
                         ";[Brak]Source=/media/Usb Stick/Photos 2026",
                         ";[Brak]MaskSelect=*.JPG *.raw", ";[Brak]ListSelect="})),
              0);
    EXPECT_EQ(f.edArchive.text(), "/Data/My Backup.J");
    ASSERT_EQ(platform.started.size(), 1u) << "the archive is listed";
    EXPECT_EQ(platform.started[0].args[1], "lt");
    EXPECT_EQ(f.Drive.drive(), "/media/Usb Stick");
    EXPECT_EQ(f.Directory.directory(), "/media/Usb Stick/Photos 2026");
    EXPECT_TRUE(f.raContentMask.checked());
    EXPECT_EQ(f.edContentMask.text(), "*.JPG *.raw") << "masks keep their case";
    expectCurrent(path("Test.CFG"));

    ASSERT_EQ(load(crlf({";[Brak]Archive=", ";[Brak]Source=", ";[Brak]MaskSelect=*.doc",
                         ";[Brak]ListSelect=Picked.LST"})),
              0);
    EXPECT_EQ(f.edArchive.text(), "") << "an empty archive line empties the field";
    EXPECT_EQ(platform.started.size(), 1u) << "and lists nothing";
    EXPECT_EQ(f.Directory.directory(), "/media/Usb Stick/Photos 2026");
    EXPECT_TRUE(f.raContentList.checked() && !f.raContentMask.checked()) << "the later line wins";
    EXPECT_EQ(f.edContentList.text(), "Picked.LST");
}

TEST_F(ConfigTest, AFileEditedByHandReadsUpToItsFirstBadNumber) {
    ASSERT_EQ(config.SaveConfig(path("Before.CFG")), 0);
    const std::string name = BRAK_TEST_DATA "/config/hand-edited.CFG";
    f.chColour.setChecked(false);
    f.chMemoryCheck.setChecked(false);
    EXPECT_EQ(config.LoadConfig(name), 1);
    EXPECT_EQ(f.edArchive.text(), "/srv/Backups/Weekly.J");
    EXPECT_EQ(f.Directory.directory(), "/srv/Backups/Staging Area");
    EXPECT_TRUE(f.raContentList.checked());
    EXPECT_EQ(f.edContentMask.text(), "") << "the list file's line came later";
    EXPECT_EQ(f.edContentList.text(), "Chosen Files.LST");
    EXPECT_EQ(f.loMemoryFlat.Value(), 6000);
    EXPECT_TRUE(f.chMemoryCheck.checked()) << "yes when the value holds it";
    EXPECT_TRUE(f.chColour.checked()) << "a key is found inside a longer one";
    EXPECT_FALSE(f.chColourHigh.checked()) << "True is not yes";
    EXPECT_EQ(f.edSwap.text(), "/Var/Tmp/Jar Swap");
    EXPECT_FALSE(f.raDefaultAuthenticate.checked() || f.raDefaultGost.checked()) << "none";
    EXPECT_TRUE(saves("DefaultAccessProtection=Authenticate"));
    EXPECT_EQ(f.edColourNormal.colour(), 0x00FF0000u);
    EXPECT_EQ(f.edColourError.colour(), 0x00808080u);
    EXPECT_EQ(f.SwitchSets[0], "-r -o\"/srv/Out Dir/Mixed Case\" -m4 ");
    EXPECT_TRUE(f.chRecurse.checked()) << "the controls show what was loaded";
    EXPECT_EQ(f.SwitchSets[6], "")
        << "indented, the command's letter is not where it is looked for";
    EXPECT_EQ(f.edColourComment.colour(), 0x00FFFF00u);
    EXPECT_FALSE(f.chFullPath.checked()) << "after the bad number nothing is read";
    ASSERT_EQ(dialogs.boxes.size(), 3u)
        << "the archive is missing, so is the directory, and the bad number";
    EXPECT_EQ(dialogs.boxes[2],
              loadError("Line 20 of the configuration file\n" + name +
                        "\nstopped the reading: 'bright' is not a valid integer value.\nThe lines "
                        "before it were loaded, the lines after it were not."));
    expectCurrent(path("Before.CFG")); // a file read in part is not taken over

    ASSERT_EQ(load(crlf({"DefaultAccessProtection=GOST v1.01 or Authenticate", "FullPath=Yes", "",
                         "32MemoryLimit=12ab", "HideMarkedFiles=Yes"})),
              1);
    EXPECT_TRUE(f.raDefaultAuthenticate.checked() && !f.raDefaultGost.checked())
        << "the later test wins";
    EXPECT_TRUE(f.chFullPath.checked() && !f.chHideMarked.checked());
    EXPECT_EQ(f.loMemoryFlat.Value(), 6000);
    EXPECT_EQ(dialogs.boxes.back().text.substr(0, 7), "Line 4 ");
    EXPECT_NE(dialogs.boxes.back().text.find("'12ab' is not"), std::string::npos);
}

TEST_F(ConfigTest, AHostileFileCannotHurt) {
    f.chFullPath.setChecked(true);
    platform.root.resize("Huge.CFG", std::int64_t{1} << 30);
    EXPECT_EQ(config.LoadConfig(path("Huge.CFG")), 1);
    EXPECT_EQ(dialogs.boxes, Boxes{loadError("The configuration file\n" + path("Huge.CFG") +
                                             "\nis larger than 1,048,576 bytes and "
                                             "was not loaded.")});
    EXPECT_EQ(load(crlf({"FullPath=No", "x" + std::string(100'000, '=')}), "Long.CFG"), 1);
    EXPECT_EQ(dialogs.boxes.back(),
              loadError("Line 2 of the configuration file\n" + path("Long.CFG") +
                        "\nstopped the reading: the line is longer than 65,536 characters.\n"
                        "The lines before it were loaded, the lines after it were not."));

    // Whatever garbage holds, reading it comes to an end.
    std::mt19937 random(7);
    std::string garbage(1 << 16, '\0');
    for (char& c : garbage)
        c = static_cast<char>(random() % 4 == 0 ? "=\r\n;"[random() % 4] : random() % 256);
    load(garbage, "Garbage.CFG");
    f.ConfigName.clear();
    f.Caption1.setText("Brak");

    dialogs.boxes.clear();
    f.chFullPath.setChecked(true);
    ASSERT_EQ(::mkfifo(path("Fifo.CFG").c_str(), 0600), 0);
    EXPECT_EQ(config.LoadConfig(path("Fifo.CFG")), 1) << "without waiting for a writer";
    EXPECT_EQ(config.LoadConfig(platform.root.path()), 1) << "a directory";
    EXPECT_EQ(config.LoadConfig(path("Missing.CFG")), 1);
    EXPECT_TRUE(dialogs.boxes.empty()) << "what cannot be opened is passed over quietly";
    EXPECT_TRUE(f.chFullPath.checked());
    expectCurrent("");
}

TEST_F(ConfigTest, ColourFieldsOpenTheDialogWithJarsColours) {
    const Colour starts[] = {0x00C0C0C0, 0x000000FF, clWindow, 0x00FFFF00, 0x00008000};
    for (std::size_t i = 0; i < 5; ++i) {
        dialogs.colourAnswers = {0x00123456u + static_cast<Colour>(i)};
        colourFields(f)[i]->doubleClick();
        EXPECT_EQ(colourFields(f)[i]->colour(), 0x00123456u + i);
        EXPECT_EQ(dialogs.colourStarts.back(), starts[i]);
        EXPECT_EQ(dialogs.customColours,
                  std::vector<std::uint32_t>(ColourPalette.begin(), ColourPalette.end()));
    }
    dialogs.customColours.assign(16, 0);
    f.edColourError.doubleClick(); // cancelled
    EXPECT_EQ(f.edColourError.colour(), 0x00123457u);
    EXPECT_EQ(dialogs.customColours[12], 0x000000FFu) << "refilled for every dialog";
    EXPECT_EQ(dialogs.colourStarts.size(), 6u);
}

TEST_F(ConfigTest, ColouredOutputSwitchesHighIntensityAndTheFieldsAlsoWhenLoaded) {
    f.chColour.click();
    EXPECT_FALSE(f.chColourHigh.enabled() || f.chColourHigh.checked());
    for (Edit* field : colourFields(f))
        EXPECT_FALSE(field->enabled()) << field->name();
    f.chColour.click();
    EXPECT_TRUE(f.chColourHigh.enabled() && f.chColourHigh.checked());
    EXPECT_TRUE(f.edColourHighlight.enabled());

    // Each line's rule runs as it is read: a later line has the last word.
    ASSERT_EQ(load(crlf({"ColoredOutput=No", "HighIntensityColors=Yes"})), 0);
    EXPECT_TRUE(f.chColourHigh.checked());
    EXPECT_FALSE(f.chColour.checked() || f.chColourHigh.enabled() || f.edColourSignal.enabled());
    ASSERT_EQ(load(crlf({"HighIntensityColors=No", "ColoredOutput=Yes"})), 0);
    EXPECT_TRUE(f.chColourHigh.checked()) << "switching colours on sets High Intensity";
    EXPECT_TRUE(f.chColourHigh.enabled() && f.edColourSignal.enabled());
}

TEST_F(ConfigTest, TheFileMenuSavesAndLoads) {
    f.SwitchSetsModified = true;
    f.SaveConfiguration1.click(); // cancelled
    EXPECT_EQ(dialogs.filters,
              (std::vector<std::string>{
                  "Brak Configurations (*.BKF)|*.BKF|JAR Configurations (*.CFG)|*.CFG"}));
    EXPECT_TRUE(f.SwitchSetsModified);
    expectCurrent("");

    const std::string name = path("Mine.CFG");
    f.chRecurse.click(); // shown, not yet stored: the file carries the sets as stored
    dialogs.fileAnswers = {name};
    f.SaveConfiguration1.click();
    EXPECT_FALSE(f.SwitchSetsModified);
    expectCurrent(name);
    EXPECT_NE(readFile(name).find("\r\n; OptionsForCommand a=\r\n"), std::string::npos);

    f.SwitchSetsModified = true;
    dialogs.fileAnswers = {path("gone/Mine.CFG")};
    f.SaveConfiguration1.click();
    EXPECT_TRUE(f.SwitchSetsModified) << "a failed save keeps the mark";
    EXPECT_EQ(f.ConfigName, name);
    EXPECT_EQ(dialogs.boxes,
              (Boxes{{"The configuration could not be saved as\n" + path("gone/Mine.CFG") + ".",
                      "Save Configuration", MessageIcon::Error}}));

    dialogs.boxes.clear();
    platform.root.write("Other.CFG", crlf({"HideMarkedFiles=Yes"}));
    dialogs.fileAnswers = {path("Other.CFG")};
    f.LoadConfiguration1.click();
    EXPECT_EQ(dialogs.filters.back(), "Brak Configurations (*.BKF)|*.BKF|JAR Configurations "
                                      "(*.CFG)|*.CFG|All Files (*.*)|*.*");
    EXPECT_TRUE(f.chHideMarked.checked());
    EXPECT_EQ(f.ConfigName, path("Other.CFG"));
    EXPECT_TRUE(dialogs.boxes.empty());

    dialogs.fileAnswers = {path("Missing.CFG")};
    f.LoadConfiguration1.click();
    f.LoadConfiguration1.click(); // cancelled
    EXPECT_EQ(dialogs.boxes, Boxes{loadError("The configuration file\n" + path("Missing.CFG") +
                                             "\ncannot be opened.")});

    // A file that is no configuration is neither loaded nor replaced unasked.
    const std::string notes = path("notes.txt");
    platform.root.write("notes.txt", "Shopping=bread\r\n");
    dialogs = {};
    dialogs.fileAnswers = {notes, notes, notes};
    dialogs.answers = {MessageAnswer::Ok, MessageAnswer::No, MessageAnswer::Yes};
    f.LoadConfiguration1.click();
    f.SaveConfiguration1.click();
    EXPECT_EQ(readFile(notes), "Shopping=bread\r\n");
    expectCurrent(path("Other.CFG"));
    ASSERT_EQ(dialogs.boxes.size(), 2u);
    EXPECT_EQ(dialogs.boxes[0], loadError("The file\n" + notes +
                                          "\nholds no setting of a Jar configuration file and "
                                          "was not loaded."));
    EXPECT_EQ(dialogs.boxes[1].buttons, MessageButtons::YesNo);
    f.SaveConfiguration1.click();
    expectCurrent(notes);
}

namespace {

// Everything the file carries, and the controls that follow from it.
std::string configState(Brak& brak) {
    MainForm& f = brak.form();
    std::ostringstream out;
    out << brak.config().configText("x") << f.loMemoryFlat.Value() << f.spMemoryFlat.position()
        << f.raDefaultGost.checked() << f.raDefaultAuthenticate.checked()
        << f.raContentMask.checked() << f.raContentList.checked() << f.chColourHigh.enabled()
        << f.Drive.drive();
    for (const Edit* field : colourFields(f))
        out << " " << field->colour() << field->enabled();
    return out.str();
}

} // namespace

TEST_F(ConfigTest, GeneratedStatesSurviveASaveAndALoad) {
    std::mt19937 random(20261206);
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    auto chance = [&](int percent) { return pick(100) < percent; };
    // A name with blanks, case, quotes, "=" and a UTF-8 letter, never
    // starting with ";" (a comment's value) nor blank at either end.
    auto text = [&](int length) {
        static const std::string inner = "aBcDxYz09 ._-=\"/;*";
        std::string result = "/";
        for (int i = 0; i < length; ++i)
            result += chance(3) ? std::string("\xc3\xa9") : std::string(1, inner[pick(18)]);
        return result + "Q";
    };
    // A switch set as the writer leaves it, in the file's spelling, and as it
    // comes back: switch letters in lower case, quoted values as they were.
    auto switchSet = [&](std::string& written, std::string& expected) {
        for (const char* token : {"-r ", "-y ", "-hy ", "-jf ", "-m4 ", "-hg1 ", "-js- "}) {
            if (!chance(30))
                continue;
            expected += token;
            for (const char* c = token; *c; ++c)
                written += chance(50) ? static_cast<char>(std::toupper(*c)) : *c;
        }
        if (chance(30)) {
            std::string name = text(pick(12));
            std::replace(name.begin(), name.end(), '"', '\'');
            written += (chance(50) ? "-O\"" : "-o\"") + name + "\" ";
            expected += "-o\"" + name + "\" ";
        }
    };
    const std::vector<std::string> drives = {"/", "/media/Usb Stick"};
    const std::string name = path("Round.CFG");
    for (int round = 0; round < 200; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        Brak original(platform, dialogs);
        MainForm& a = original.form();
        a.Drive.setDrives(drives);
        a.loMemoryFlat.setValue(pick(10241));
        a.spMemoryFlat.setPosition(a.loMemoryFlat.Value());
        for (CheckBox* box : yesNoBoxes(a))
            box->setChecked(chance(50));
        for (Edit* field : colourFields(a)) {
            const int kind = pick(3);
            field->setColour(kind == 0   ? ColourPalette[static_cast<std::size_t>(pick(16))]
                             : kind == 1 ? static_cast<Colour>(random() & 0xFFFFFF)
                                         : clWindow);
        }
        (chance(50) ? a.raDefaultGost : a.raDefaultAuthenticate).click();
        a.edSwap.setText(chance(20) ? "" : text(pick(30)));
        a.edArchive.setText(chance(20) ? "" : text(pick(20)) + (chance(50) ? ".J" : ".j"));
        a.Directory.setDirectory(drives[static_cast<std::size_t>(pick(2))] + text(pick(20)));
        a.Drive.setDrive(a.Drive.driveHolding(a.Directory.directory()));
        if (chance(50)) {
            a.raContentList.click();
            a.edContentList.setText(text(pick(10)));
        } else {
            a.edContentMask.setText(chance(10) ? "" : text(pick(10)));
        }
        std::array<std::string, 20> expectedSets{};
        for (std::size_t i = 0; i < 20; ++i)
            if (chance(60))
                switchSet(a.SwitchSets[i], expectedSets[i]);

        ASSERT_EQ(original.config().SaveConfig(name), 0);
        a.SwitchSets = expectedSets;
        for (Edit* field : colourFields(a))
            field->setColour(ColourFromNumber(NumberFromColour(field->colour())));
        Brak fresh(platform, dialogs);
        fresh.form().Drive.setDrives(drives);
        ASSERT_EQ(fresh.config().LoadConfig(name), 0);
        ASSERT_EQ(configState(fresh), configState(original));
        EXPECT_EQ(fresh.form().ConfigName, name);
    }
}
