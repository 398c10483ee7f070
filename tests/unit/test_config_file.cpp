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

const std::string LoadCaption = "Load Configuration";

// Lines as Brak writes them: CR LF after each.
std::string crlf(std::initializer_list<std::string> lines) {
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    return text;
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
    std::vector<std::string> boxTexts() const {
        std::vector<std::string> texts;
        for (const MessageBoxRequest& box : dialogs.boxes)
            texts.push_back(box.text);
        return texts;
    }

    QLocale locale_;
    test::FakePlatform platform;
    test::FakeDialogs dialogs;
    Brak brak{platform, dialogs};
    MainForm& f = brak.form();
    ConfigFile& config = brak.config();
};

// Saves under a bare name in the test's directory, so that the file's first
// line is the same wherever the test runs.
class InDirectory {
public:
    explicit InDirectory(const std::string& directory)
        : previous_(std::filesystem::current_path()) {
        std::filesystem::current_path(directory);
    }
    ~InDirectory() { std::filesystem::current_path(previous_); }

private:
    std::filesystem::path previous_;
};

} // namespace

TEST_F(ConfigTest, SavedFilesMatchTheHandWrittenOnesByteForByte) {
    InDirectory here(platform.root.path());
    ASSERT_EQ(config.SaveConfig("Brak.BKF"), 0);
    EXPECT_EQ(readFile("Brak.BKF"), readFile(BRAK_TEST_DATA "/config/saved-defaults.CFG"));

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
    ASSERT_EQ(config.SaveConfig("Backup Settings.CFG"), 0);
    EXPECT_EQ(readFile("Backup Settings.CFG"),
              readFile(BRAK_TEST_DATA "/config/saved-settings.CFG"));
    EXPECT_EQ(f.ConfigName, "Backup Settings.CFG");
    EXPECT_EQ(f.Caption1.text(), "Brak [Backup Settings.CFG]");
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
    EXPECT_NE(config.configText("x").find("\r\n32MemoryLimit=4097\r\n"), std::string::npos);
    f.loMemoryFlat.setText("abc");
    EXPECT_NE(config.configText("x").find("\r\n32MemoryLimit=4096\r\n"), std::string::npos)
        << "unreadable text: the number last taken";
}

TEST_F(ConfigTest, ALineEndInsideAValueCannotStartALineOfItsOwn) {
    f.Directory.setDirectory("/tmp/odd\nOptionsForCommand a=-d");
    ASSERT_EQ(config.SaveConfig(path("Odd.CFG")), 0);
    EXPECT_NE(readFile(path("Odd.CFG")).find(";[Brak]Source=/tmp/odd OptionsForCommand a=-d\r\n"),
              std::string::npos);
    ASSERT_EQ(config.LoadConfig(path("Odd.CFG")), 0);
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
    EXPECT_EQ(f.ConfigName, path("Other.CFG"));
    EXPECT_EQ(f.Caption1.text(), "Brak [" + path("Other.CFG") + "]");

    EXPECT_EQ(config.SaveConfig(path("gone/Brak.BKF")), 1) << "a directory that is not there";
    EXPECT_EQ(config.SaveConfig(""), 1);
    EXPECT_EQ(f.ConfigName, path("Other.CFG"));
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(platform.root.path()))
        files.push_back(entry.path().filename().string());
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{"Brak.BKF", "Other.CFG", "bin"}))
        << "no temporary file stays behind";

    ASSERT_EQ(config.SaveConfig(name), 0);
    EXPECT_EQ(readFile(name), next);
}

TEST_F(ConfigTest, BooleansAreYesWhenTheValueHoldsYes) {
    struct Case {
        const char* value;
        bool checked;
    };
    for (const Case& c : {Case{"yes", true}, Case{"YES", true}, Case{"Yessir", true},
                          Case{"No", false}, Case{"True", false}, Case{"1", false}}) {
        f.chMemoryCheck.setChecked(!c.checked);
        ASSERT_EQ(load(crlf({std::string("CheckAvailableMemory=") + c.value})), 0);
        EXPECT_EQ(f.chMemoryCheck.checked(), c.checked) << c.value;
    }
}

TEST_F(ConfigTest, DefaultAccessFollowsTheWordsItHolds) {
    ASSERT_EQ(load(crlf({"DefaultAccessProtection=none"})), 0);
    EXPECT_FALSE(f.raDefaultGost.checked());
    EXPECT_FALSE(f.raDefaultAuthenticate.checked());
    EXPECT_NE(config.configText("x").find("\r\nDefaultAccessProtection=Authenticate\r\n"),
              std::string::npos);
    ASSERT_EQ(load(crlf({"DefaultAccessProtection=GOST v1.01 or Authenticate"})), 0);
    EXPECT_TRUE(f.raDefaultAuthenticate.checked()) << "the later test wins";
    EXPECT_FALSE(f.raDefaultGost.checked());
}

TEST_F(ConfigTest, ColouredOutputRunsItsRuleBeforeHighIntensityIsRead) {
    ASSERT_EQ(load(crlf({"ColoredOutput=No", "HighIntensityColors=Yes"})), 0);
    EXPECT_FALSE(f.chColour.checked());
    EXPECT_TRUE(f.chColourHigh.checked());
    EXPECT_FALSE(f.chColourHigh.enabled());
    EXPECT_FALSE(f.edColourSignal.enabled());
    ASSERT_EQ(load(crlf({"HighIntensityColors=No", "ColoredOutput=Yes"})), 0);
    EXPECT_TRUE(f.chColourHigh.checked()) << "switching colours on sets High Intensity";
    EXPECT_TRUE(f.chColourHigh.enabled());
    EXPECT_TRUE(f.edColourSignal.enabled());
}

TEST_F(ConfigTest, SwitchSetsAreFiledByCommandLetter) {
    f.SwitchSets[2] = "-y ";
    f.SwitchSets[0] = "-n ";
    f.SwitchSetsModified = true;
    ASSERT_EQ(load(crlf({"OptionsForCommand a=-R -M4 -O\"/Home/Ann/Out Dir\"",
                         "OptionsForCommand  LT = -Jf", "; OptionsForCommand a=-hbd0",
                         "; OptionsForCommand ac=-hbd0", "; OptionsForCommand e=",
                         "OptionsForCommand q=-r", "OptionsForCommandx=-y"})),
              0);
    EXPECT_EQ(f.SwitchSets[0], "-r -m4 -o\"/Home/Ann/Out Dir\" ")
        << "lower case outside the quotes, and a blank after the last switch";
    EXPECT_EQ(f.SwitchSets[11], "-jf ");
    EXPECT_EQ(f.SwitchSets[18], "-y ");
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
    EXPECT_EQ(f.Caption1.text(), "Brak [" + path("Test.CFG") + "]");
    EXPECT_EQ(f.ConfigName, path("Test.CFG"));

    dialogs.boxes.clear();
    ASSERT_EQ(load(crlf({";[Brak]Archive=", ";[Brak]Source=", ";[Brak]MaskSelect=*.doc",
                         ";[Brak]ListSelect=Picked.LST"})),
              0);
    EXPECT_EQ(f.edArchive.text(), "") << "an empty archive line empties the field";
    EXPECT_EQ(platform.started.size(), 1u) << "and lists nothing";
    EXPECT_EQ(f.Directory.directory(), "/media/Usb Stick/Photos 2026");
    EXPECT_TRUE(f.raContentList.checked()) << "the later line wins";
    EXPECT_FALSE(f.raContentMask.checked());
    EXPECT_EQ(f.edContentList.text(), "Picked.LST");
}

TEST_F(ConfigTest, WholeLinesWithEitherLineEnd) {
    const std::string swap = "/srv/" + std::string(400, 'S');
    ASSERT_EQ(load("FullPath=Yes\n32MemoryLimit=100\r\nSwapFileDirectory=" + swap +
                   "\nOptionsForCommand y=-r"),
              0);
    EXPECT_TRUE(f.chFullPath.checked());
    EXPECT_EQ(f.loMemoryFlat.Value(), 100);
    EXPECT_EQ(f.edSwap.text(), swap) << "a long line is read whole";
    EXPECT_EQ(f.SwitchSets[19], "-r ") << "the last line needs no line end";
}

TEST_F(ConfigTest, AFileEditedByHandReadsUpToItsFirstBadNumber) {
    const std::string name = BRAK_TEST_DATA "/config/hand-edited.CFG";
    f.chColour.setChecked(false);
    EXPECT_EQ(config.LoadConfig(name), 1);
    EXPECT_EQ(f.edArchive.text(), "/srv/Backups/Weekly.J");
    EXPECT_EQ(f.Directory.directory(), "/srv/Backups/Staging Area");
    EXPECT_TRUE(f.raContentList.checked());
    EXPECT_EQ(f.edContentMask.text(), "") << "the list file's line came later";
    EXPECT_EQ(f.edContentList.text(), "Chosen Files.LST");
    EXPECT_EQ(f.loMemoryFlat.Value(), 6000);
    EXPECT_TRUE(f.chMemoryCheck.checked());
    EXPECT_TRUE(f.chColour.checked()) << "a key is found inside a longer one";
    EXPECT_FALSE(f.chColourHigh.checked()) << "True is not yes";
    EXPECT_EQ(f.edSwap.text(), "/Var/Tmp/Jar Swap");
    EXPECT_FALSE(f.raDefaultAuthenticate.checked());
    EXPECT_FALSE(f.raDefaultGost.checked());
    EXPECT_EQ(f.edColourNormal.colour(), 0x00FF0000u);
    EXPECT_EQ(f.edColourError.colour(), 0x00808080u);
    EXPECT_EQ(f.SwitchSets[0], "-r -o\"/srv/Out Dir/Mixed Case\" -m4 ");
    EXPECT_EQ(f.SwitchSets[6], "")
        << "indented, the command's letter is not where it is looked for";
    EXPECT_EQ(f.edColourComment.colour(), 0x00FFFF00u);
    EXPECT_FALSE(f.chFullPath.checked()) << "after the bad number nothing is read";
    ASSERT_EQ(dialogs.boxes.size(), 3u)
        << "the archive is missing, so is the directory, and the bad number";
    EXPECT_EQ(dialogs.boxes[2].text, "Line 20 of the configuration file\n" + name +
                                         "\nstopped the reading: 'bright' is not a valid integer "
                                         "value.\nThe lines before it were loaded, the lines "
                                         "after it were not.");
}

TEST_F(ConfigTest, ANumberThatDoesNotConvertStopsTheReadingThere) {
    ASSERT_EQ(config.SaveConfig(path("Before.CFG")), 0);
    const std::string name = path("Bad.CFG");
    EXPECT_EQ(load(crlf({"FullPath=Yes", "", "32MemoryLimit=12ab", "HideMarkedFiles=Yes",
                         "OptionsForCommand a=-r"}),
                   "Bad.CFG"),
              1);
    EXPECT_TRUE(f.chFullPath.checked()) << "the lines before it stay applied";
    EXPECT_EQ(f.loMemoryFlat.Value(), 4096);
    EXPECT_FALSE(f.chHideMarked.checked());
    EXPECT_EQ(f.SwitchSets[0], "");
    EXPECT_EQ(boxTexts(), (std::vector<std::string>{
                              "Line 3 of the configuration file\n" + name +
                              "\nstopped the reading: '12ab' is not a valid integer value.\n"
                              "The lines before it were loaded, the lines after it were not."}));
    EXPECT_EQ(dialogs.boxes[0].caption, LoadCaption);
    EXPECT_EQ(dialogs.boxes[0].icon, MessageIcon::Error);
    EXPECT_EQ(f.ConfigName, path("Before.CFG")) << "a file read in part is not taken over";
    EXPECT_EQ(f.Caption1.text(), "Brak [" + path("Before.CFG") + "]");

    dialogs.boxes.clear();
    EXPECT_EQ(load(crlf({"OptionsForCommand a=-y", "ErrorColor=red"})), 1);
    EXPECT_EQ(f.SwitchSets[0], "-y ");
    EXPECT_TRUE(f.chYes.checked()) << "the controls show what was loaded";
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_NE(dialogs.boxes[0].text.find("Line 2 "), std::string::npos);
    EXPECT_NE(dialogs.boxes[0].text.find("'red' is not a valid integer value"), std::string::npos);
}

TEST_F(ConfigTest, AHostileFileCannotHurt) {
    f.chFullPath.setChecked(true);
    auto unchanged = [&] {
        EXPECT_TRUE(f.chFullPath.checked());
        EXPECT_EQ(f.ConfigName, "");
        EXPECT_EQ(f.Caption1.text(), "Brak");
    };

    platform.root.resize("Huge.CFG", std::int64_t{1} << 30);
    EXPECT_EQ(config.LoadConfig(path("Huge.CFG")), 1);
    EXPECT_EQ(boxTexts(), (std::vector<std::string>{"The configuration file\n" + path("Huge.CFG") +
                                                    "\nis larger than 1,048,576 bytes and "
                                                    "was not loaded."}));
    unchanged();

    dialogs.boxes.clear();
    EXPECT_EQ(load(crlf({"FullPath=No", "x" + std::string(100'000, '=')}), "Long.CFG"), 1);
    EXPECT_EQ(boxTexts(), (std::vector<std::string>{
                              "Line 2 of the configuration file\n" + path("Long.CFG") +
                              "\nstopped the reading: the line is longer than 65,536 characters.\n"
                              "The lines before it were loaded, the lines after it were not."}));
    f.chFullPath.setChecked(true);

    // Whatever garbage holds, reading it comes to an end.
    std::mt19937 random(7);
    std::string garbage(1 << 16, '\0');
    for (char& c : garbage)
        c = static_cast<char>(random() % 4 == 0 ? "=\r\n;"[random() % 4] : random() % 256);
    platform.root.write("Garbage.CFG", garbage);
    config.LoadConfig(path("Garbage.CFG"));

    dialogs.boxes.clear();
    f.chFullPath.setChecked(true);
    f.ConfigName.clear();
    f.Caption1.setText("Brak");
    ASSERT_EQ(::mkfifo(path("Fifo.CFG").c_str(), 0600), 0);
    EXPECT_EQ(config.LoadConfig(path("Fifo.CFG")), 1) << "without waiting for a writer";
    EXPECT_EQ(config.LoadConfig(platform.root.path()), 1) << "a directory";
    EXPECT_EQ(config.LoadConfig(path("Missing.CFG")), 1);
    EXPECT_TRUE(dialogs.boxes.empty()) << "what cannot be opened is passed over quietly";
    unchanged();
}

TEST_F(ConfigTest, ColourFieldsOpenTheDialogWithJarsColours) {
    Edit* fields[] = {&f.edColourNormal, &f.edColourError, &f.edColourSignal, &f.edColourComment,
                      &f.edColourHighlight};
    const Colour starts[] = {0x00C0C0C0, 0x000000FF, clWindow, 0x00FFFF00, 0x00008000};
    for (std::size_t i = 0; i < 5; ++i) {
        dialogs.colourAnswers = {0x00123456u + static_cast<Colour>(i)};
        fields[i]->doubleClick();
        EXPECT_EQ(fields[i]->colour(), 0x00123456u + i);
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

TEST_F(ConfigTest, ColouredOutputSwitchesHighIntensityAndTheFields) {
    f.chColour.click();
    EXPECT_FALSE(f.chColourHigh.enabled());
    EXPECT_FALSE(f.chColourHigh.checked());
    for (Edit* field : {&f.edColourNormal, &f.edColourError, &f.edColourSignal, &f.edColourComment,
                        &f.edColourHighlight})
        EXPECT_FALSE(field->enabled()) << field->name();
    f.chColour.click();
    EXPECT_TRUE(f.chColourHigh.enabled());
    EXPECT_TRUE(f.chColourHigh.checked());
    EXPECT_TRUE(f.edColourHighlight.enabled());
}

TEST_F(ConfigTest, TheFileMenuSavesAndLoads) {
    f.SwitchSetsModified = true;
    f.SaveConfiguration1.click(); // cancelled
    EXPECT_EQ(dialogs.filters,
              (std::vector<std::string>{
                  "Brak Configurations (*.BKF)|*.BKF|JAR Configurations (*.CFG)|*.CFG"}));
    EXPECT_TRUE(f.SwitchSetsModified);
    EXPECT_EQ(f.ConfigName, "");

    const std::string name = path("Mine.CFG");
    f.chRecurse.click(); // shown, not yet stored: the file carries the sets as stored
    dialogs.fileAnswers = {name};
    f.SaveConfiguration1.click();
    EXPECT_FALSE(f.SwitchSetsModified);
    EXPECT_EQ(f.ConfigName, name);
    EXPECT_NE(readFile(name).find("\r\n; OptionsForCommand a=\r\n"), std::string::npos);

    f.SwitchSetsModified = true;
    dialogs.fileAnswers = {path("gone/Mine.CFG")};
    f.SaveConfiguration1.click();
    EXPECT_TRUE(f.SwitchSetsModified) << "a failed save keeps the mark";
    EXPECT_EQ(f.ConfigName, name);
    EXPECT_EQ(boxTexts(), (std::vector<std::string>{"The configuration could not be saved as\n" +
                                                    path("gone/Mine.CFG") + "."}));

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
    EXPECT_EQ(boxTexts(), (std::vector<std::string>{"The configuration file\n" +
                                                    path("Missing.CFG") + "\ncannot be opened."}));
    f.LoadConfiguration1.click(); // cancelled
    EXPECT_EQ(dialogs.boxes.size(), 1u);
}

namespace {

// Everything the file carries, as one comparable text.
std::string configState(const MainForm& f) {
    std::ostringstream out;
    out << "memory " << f.loMemoryFlat.Value() << " spin " << f.spMemoryFlat.position() << "\n";
    for (const CheckBox* box :
         {&f.chMemoryCheck, &f.chColour, &f.chColourHigh, &f.chFullPath, &f.chHideMarked,
          &f.chInteractive, &f.chStandardError, &f.chANSIComment})
        out << box->name() << " " << box->checked() << box->enabled() << "\n";
    for (const Edit* field : {&f.edColourNormal, &f.edColourError, &f.edColourSignal,
                              &f.edColourComment, &f.edColourHighlight})
        out << field->name() << " " << std::hex << field->colour() << std::dec << " "
            << field->enabled() << "\n";
    out << "gost " << f.raDefaultGost.checked() << " authenticate "
        << f.raDefaultAuthenticate.checked() << "\n";
    for (const Edit* field : {&f.edSwap, &f.edArchive, &f.edContentMask, &f.edContentList})
        out << field->name() << " [" << field->text() << "]\n";
    out << "masks " << f.raContentMask.checked() << " list " << f.raContentList.checked() << "\n";
    out << "drive [" << f.Drive.drive() << "] directory [" << f.Directory.directory() << "]\n";
    for (std::size_t i = 0; i < f.SwitchSets.size(); ++i)
        out << "set " << i << " [" << f.SwitchSets[i] << "]\n";
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
        static const char* tokens[] = {"-r ", "-y ", "-hy ", "-jf ", "-m4 ", "-hg1 ", "-js- "};
        for (const char* token : tokens) {
            if (!chance(30))
                continue;
            expected += token;
            for (const char* c = token; *c; ++c)
                written += chance(50) ? static_cast<char>(std::toupper(*c)) : *c;
        }
        if (chance(30)) {
            std::string name = text(pick(12));
            std::replace(name.begin(), name.end(), '"', '\'');
            const std::string value = "-o\"" + name + "\" ";
            written += chance(50) ? "-O" + value.substr(2) : value;
            expected += value;
        }
    };
    const std::vector<std::string> drives = {"/", "/media/Usb Stick"};
    for (int round = 0; round < 200; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        Brak original(platform, dialogs);
        MainForm& a = original.form();
        a.Drive.setDrives(drives);
        std::array<std::string, 20> expectedSets{};
        a.loMemoryFlat.setValue(pick(10241));
        a.spMemoryFlat.setPosition(a.loMemoryFlat.Value());
        for (CheckBox* box :
             {&a.chMemoryCheck, &a.chColour, &a.chColourHigh, &a.chFullPath, &a.chHideMarked,
              &a.chInteractive, &a.chStandardError, &a.chANSIComment})
            box->setChecked(chance(50));
        for (Edit* field : {&a.edColourNormal, &a.edColourError, &a.edColourSignal,
                            &a.edColourComment, &a.edColourHighlight}) {
            const int kind = pick(3);
            const Colour colour = kind == 0   ? ColourPalette[static_cast<std::size_t>(pick(16))]
                                  : kind == 1 ? static_cast<Colour>(random() & 0xFFFFFF)
                                              : clWindow;
            field->setColour(colour);
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
        for (std::size_t i = 0; i < 20; ++i)
            if (chance(60))
                switchSet(a.SwitchSets[i], expectedSets[i]);

        const std::string name = path("Round.CFG");
        ASSERT_EQ(original.config().SaveConfig(name), 0);
        for (std::size_t i = 0; i < 20; ++i)
            a.SwitchSets[i] = expectedSets[i];
        for (Edit* field : {&a.edColourNormal, &a.edColourError, &a.edColourSignal,
                            &a.edColourComment, &a.edColourHighlight})
            field->setColour(ColourFromNumber(NumberFromColour(field->colour())));
        const std::string expected = configState(a);

        Brak fresh(platform, dialogs);
        fresh.form().Drive.setDrives(drives);
        ASSERT_EQ(fresh.config().LoadConfig(name), 0);
        ASSERT_EQ(configState(fresh.form()), expected);
        EXPECT_EQ(fresh.form().ConfigName, name);
    }
}
