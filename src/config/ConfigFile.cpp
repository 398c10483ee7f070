#include "config/ConfigFile.h"

#include "base/AtomicFile.h"
#include "base/Convert.h"
#include "base/Text.h"
#include "config/AdvancedState.h"
#include "config/Colours.h"
#include "config/TextFile.h"
#include "contents/DumpFormat.h"
#include "core/Commands.h"
#include "core/SwitchReader.h"

#include <QDate>
#include <QLocale>
#include <QTime>
#include <optional>

namespace brak {

namespace {

constexpr const char* SaveCaption = "Save Configuration";
constexpr const char* LoadCaption = "Load Configuration";
constexpr const char* OpenCaption = "Open";

// A value never ends its line early: a line end inside it (a directory
// name may hold one) is written as a blank.
std::string oneLine(std::string_view text) {
    std::string line(text);
    for (char& c : line)
        if (c == '\r' || c == '\n')
            c = ' ';
    return line;
}

const char* yesNo(const CheckBox& box) {
    return box.checked() ? "Yes" : "No";
}

// Switch letters read in any case, but a quoted value is a name whose
// case matters here: only the text outside double quotes is lower-cased.
std::string lowerOutsideQuotes(std::string_view text) {
    std::string result(text);
    bool quoted = false;
    for (char& c : result) {
        if (c == '"')
            quoted = !quoted;
        else if (!quoted && c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return result;
}

// The time format without its time zone, which a file's header has no use for.
QString withoutTimeZone(const QString& format) {
    QString result;
    bool quoted = false;
    for (QChar c : format) {
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        if (quoted || c != QLatin1Char('t'))
            result += c;
    }
    return result.trimmed();
}

bool contains(std::string_view text, std::string_view word) {
    return text.find(word) != std::string_view::npos;
}

// The keys of a configuration file, Brak's own and Jar's, as they are found.
constexpr const char* ConfigurationKeys[] = {";[BRAK]",
                                             "XMSLIMIT",
                                             "EMSLIMIT",
                                             "32MEMORYLIMIT",
                                             "CHECKAVAILABLEMEMORY",
                                             "COLOREDOUTPUT",
                                             "SWAPFILEDIRECTORY",
                                             "FULLPATH",
                                             "HIDEMARKEDFILES",
                                             "INTERACTIVECRITICALERRORHANDLER",
                                             "ERRORSTOSTDOUT",
                                             "EMULATEANSICOMMENTS",
                                             "DEFAULTACCESSPROTECTION",
                                             "DEFAULTCOLOR",
                                             "ERRORCOLOR",
                                             "SIGNALCOLOR",
                                             "COMMENTCOLOR",
                                             "HIGHLIGHTCOLOR",
                                             "HIGHINTENSITYCOLORS",
                                             "OPTIONSFORCOMMAND"};

} // namespace

bool holdsConfiguration(std::string_view text) {
    bool found = false;
    KeyValueReader reader([&found](const KeyValueLine& line) {
        for (const char* key : ConfigurationKeys)
            found = found || line.keyHas(key);
    });
    try {
        reader.feed(text);
        reader.finish();
    } catch (const KeyValueError&) {
        // What was read before the line that stopped it decides.
    }
    return found;
}

std::string headerDateTime(const DateTime& moment) {
    const QLocale locale;
    const QDate date(moment.year, moment.month, moment.day);
    const QTime time(moment.hour, moment.minute, moment.second);
    return (locale.toString(date, locale.dateFormat(QLocale::ShortFormat)) + QLatin1Char(' ') +
            locale.toString(time, withoutTimeZone(locale.timeFormat(QLocale::LongFormat))))
        .toStdString();
}

void ConfigFile::wire() {
    MainForm& f = f_;
    f.edColourNormal.onDoubleClick.wire([this] { edColourNormalDblClick(); });
    f.edColourError.onDoubleClick.wire([this] { edColourErrorDblClick(); });
    f.edColourSignal.onDoubleClick.wire([this] { edColourSignalDblClick(); });
    f.edColourComment.onDoubleClick.wire([this] { edColourCommentDblClick(); });
    f.edColourHighlight.onDoubleClick.wire([this] { edColourHighlightDblClick(); });
    f.chColour.onClick.wire([this] { chColourClick(); });
    f.SaveConfiguration1.onClick.wire([this] { SaveConfiguration1Click(); });
    f.LoadConfiguration1.onClick.wire([this] { LoadConfiguration1Click(); });
}

std::string ConfigFile::configText(const std::string& name) const {
    const MainForm& f = f_;
    std::string out;
    out.reserve(2048);
    auto line = [&out](std::string_view text) {
        out.append(text);
        out.append("\r\n");
    };
    auto value = [&line](std::string_view key, std::string_view text) {
        line(std::string(key) + "=" + oneLine(text));
    };

    line("; " + oneLine(name));
    line(std::string("; Configuration file created by Brak ") + ConfigVersion);
    line("; " + headerDateTime(platform_.now()));
    line("");
    line("; ----- Brak Section -----");
    line("");
    value(";[Brak]Archive", f.edArchive.text());
    value(";[Brak]Source", f.Directory.directory());
    value(";[Brak]MaskSelect", f.edContentMask.text());
    value(";[Brak]ListSelect", f.edContentList.text());
    writeAdvancedState(f, value);
    line("");
    line("; ----- Default Section -----");
    line("");
    line("; Memory Usage Settings");
    line("");
    line("XmsLimit=4096");
    line("EmsLimit=1024");
    // The number the field shows: a spin click changes the text alone.
    const std::int32_t memory = tryStrToInt(f.loMemoryFlat.text()).value_or(f.loMemoryFlat.Value());
    value("32MemoryLimit", std::to_string(memory));
    value("CheckAvailableMemory", yesNo(f.chMemoryCheck));
    line("");
    line("; Other:");
    line("");
    value("ColoredOutput", yesNo(f.chColour));
    value("SwapFileDirectory", f.edSwap.text());
    value("FullPath", yesNo(f.chFullPath));
    value("HideMarkedFiles", yesNo(f.chHideMarked));
    value("DOS InteractiveCriticalErrorHandler", yesNo(f.chInteractive));
    value("ErrorsToStdout", yesNo(f.chStandardError));
    value("EmulateANSIComments", yesNo(f.chANSIComment));
    value("DefaultAccessProtection", f.raDefaultGost.checked() ? "GOST v1.01" : "Authenticate");
    line("");
    line("; Colours:");
    line("");
    for (const char* legend :
         {"; BLACK   (0)    GREY          (8)", "; BLUE    (1)    LIGHT BLUE    (9)",
          "; GREEN   (2)    LIGHT GREEN   (10)", "; CYAN    (3)    LIGHT CYAN    (11)",
          "; RED     (4)    LIGHT RED     (12)", "; MAGENTA (5)    LIGHT MAGENTA (13)",
          "; BROWN   (6)    YELLOW        (14)", "; WHITE   (7)    LIGHT WHITE   (15)"})
        line(legend);
    line("");
    const std::pair<const char*, const Edit*> colours[] = {
        {"DefaultColor", &f.edColourNormal},
        {"ErrorColor", &f.edColourError},
        {"SignalColor", &f.edColourSignal},
        {"CommentColor", &f.edColourComment},
        {"HighlightColor", &f.edColourHighlight}};
    for (const auto& [key, field] : colours)
        value(key, std::to_string(NumberFromColour(field->colour())));
    value("HighIntensityColors", yesNo(f.chColourHigh));
    line("");
    line("; Predefined switches for commands:");
    line("");
    line("; OptionsForCommand <command>=<switches>");
    line("");
    for (const CommandInfo& command : CommandCatalogue) {
        const std::string& stored = f.SwitchSets[static_cast<std::size_t>(command.index)];
        // An empty set is written commented, so that Jar keeps its own default.
        const std::string key = std::string("OptionsForCommand ") + command.letter;
        value(stored.empty() ? "; " + key : key, stored);
    }
    line("");
    line("; Uncomment the following 5 lines to not store directories by default:");
    for (const char* letter : {"a", "ac", "f", "m", "u"})
        line(std::string("; OptionsForCommand ") + letter + "=-hbd0");
    line("");
    line("; ------- Special sections override previous settings -------");
    line("; Use environment variable \"SET JAR_CFG_SECTION=<section>\" to specify section");
    line("");
    line("; Examples:");
    line("");
    line("; [Win32]");
    line("; OptionsForCommand a=-hf");
    line("");
    out.append("; ------- End of configuration file -------");
    return out;
}

int ConfigFile::SaveConfig(const std::string& name) {
    if (name.empty())
        return 1;
    // A file of the user's that is no configuration is not lost without a word.
    std::string old;
    const TextFileResult read = readTextFile(name, KeyValueLimits{}.maxBytes, old);
    if ((read == TextFileResult::TooLarge ||
         (read == TextFileResult::Read && !old.empty() && !holdsConfiguration(old))) &&
        dialogs_.messageBox({"The file\n" + name +
                                 "\nis not a Jar configuration file. Replace it with the "
                                 "configuration?",
                             SaveCaption, MessageIcon::Question, MessageButtons::YesNo,
                             MessageAnswer::No}) != MessageAnswer::Yes)
        return 2;
    if (writeFileAtomically(name, configText(name)) != 0)
        return 1;
    f_.Caption1.setText("Brak [" + name + "]");
    f_.ConfigName = name;
    return 0;
}

int ConfigFile::LoadConfig(const std::string& name) {
    return loadTold(name) == Loaded::Whole ? 0 : 1;
}

ConfigFile::Loaded ConfigFile::loadTold(const std::string& name) {
    const Loaded loaded = load(name);
    if (loaded == Loaded::NotConfiguration)
        showMessage(dialogs_,
                    "The file\n" + name +
                        "\nholds no setting of a Jar configuration file and was not loaded.",
                    LoadCaption, MessageIcon::Error);
    return loaded;
}

int ConfigFile::OpenConfig(const std::string& name) {
    const Loaded loaded = load(name);
    if (loaded == Loaded::NotConfiguration)
        showMessage(dialogs_,
                    "The file\n" + name +
                        "\nis neither a Jar archive nor a configuration file, and was not opened.",
                    OpenCaption, MessageIcon::Error);
    if (loaded == Loaded::CannotOpen)
        showMessage(dialogs_, "The file\n" + name + "\ncannot be opened.", OpenCaption,
                    MessageIcon::Error);
    return loaded == Loaded::Whole ? 0 : 1;
}

int ConfigFile::loadText(const std::string& name, std::string_view text) {
    return loadLines(name, text) == Loaded::Whole ? 0 : 1;
}

ConfigFile::Loaded ConfigFile::load(const std::string& name) {
    // The whole file is read before anything is applied: a file that cannot
    // be read changes nothing.
    std::string text;
    // A configuration is a few kilobytes; the reader's limits fit it.
    const KeyValueLimits limits;
    switch (readTextFile(name, limits.maxBytes, text)) {
    case TextFileResult::Read:
        // A file that holds no setting (a text, a picture) does not become
        // the configuration, which a later save would write over.
        if (!holdsConfiguration(text))
            return Loaded::NotConfiguration;
        return loadLines(name, text);
    case TextFileResult::TooLarge:
        showMessage(dialogs_,
                    "The configuration file\n" + name + "\nis larger than " +
                        FormatThousands(static_cast<std::int64_t>(limits.maxBytes)) +
                        " bytes and was not loaded.",
                    LoadCaption, MessageIcon::Error);
        return Loaded::Refused;
    case TextFileResult::CannotOpen:
    case TextFileResult::NotAFile:
    case TextFileResult::ReadFailed:
        break;
    }
    return Loaded::CannotOpen;
}

ConfigFile::Loaded ConfigFile::loadLines(const std::string& name, std::string_view text) {
    MainForm& f = f_;
    std::optional<KeyValueError> stop;
    {
        KeyValueReader reader([this](const KeyValueLine& line) { applyLine(line); });
        try {
            reader.feed(text);
            reader.finish();
        } catch (const KeyValueError& error) {
            stop = error;
        }
    }
    if (stop) {
        // A file read in part does not become the current one: a later save
        // into it would drop the lines that were never read.
        showMessage(dialogs_,
                    "Line " + std::to_string(stop->line()) + " of the configuration file\n" + name +
                        "\nstopped the reading: " + stop->what() +
                        ".\nThe lines before it were loaded, the lines after it were not.",
                    LoadCaption, MessageIcon::Error);
    } else {
        f.Caption1.setText("Brak [" + name + "]");
        f.ConfigName = name;
    }
    // The controls show the current command's switches as loaded, so that
    // selecting another command does not store the old ones over them.
    if (const int current = CommandIndex(f); current >= 0)
        SetSwitch(f, dialogs_, f.SwitchSets[static_cast<std::size_t>(current)]);
    return stop ? Loaded::Stopped : Loaded::Whole;
}

void ConfigFile::applyLine(const KeyValueLine& line) {
    MainForm& f = f_;
    std::string_view key = line.key;
    const std::string exact(line.exactValue);

    if (contains(key, ";[BRAK]")) {
        key.remove_prefix(std::min<std::size_t>(7, key.size()));
        // Names, paths and masks keep their case: they name files here.
        if (contains(key, "ARCHIVE")) {
            f.edArchive.setText(exact);
            if (!f.edArchive.text().empty())
                contents_.LoadContents();
        }
        if (contains(key, "SOURCE") && !line.value.empty()) {
            f.Drive.setDrive(f.Drive.driveHolding(exact));
            f.Directory.setDirectory(exact);
        }
        if (contains(key, "MASKSELECT") && !line.value.empty()) {
            f.raContentMask.setChecked(true);
            f.edContentMask.setText(exact);
        }
        if (contains(key, "LISTSELECT") && !line.value.empty()) {
            f.raContentList.setChecked(true);
            f.edContentList.setText(exact);
        }
        applyAdvancedState(f, trimBlanks(key), line);
    }
    if (line.value.empty() || line.value.front() == ';')
        return;

    auto number = [&line, &exact] {
        const std::optional<std::int32_t> n = tryStrToInt(line.value);
        if (!n)
            throw KeyValueError(line.number, integerConversionMessage(exact));
        return *n;
    };
    if (contains(key, "32MEMORYLIMIT")) {
        const std::int32_t n = number();
        f.loMemoryFlat.setValue(n);
        f.spMemoryFlat.setPosition(n);
    }
    const std::pair<const char*, CheckBox*> boxes[] = {
        {"CHECKAVAILABLEMEMORY", &f.chMemoryCheck},
        {"COLOREDOUTPUT", &f.chColour},
        {"FULLPATH", &f.chFullPath},
        {"HIDEMARKEDFILES", &f.chHideMarked},
        {"DOS INTERACTIVECRITICALERRORHANDLER", &f.chInteractive},
        {"ERRORSTOSTDOUT", &f.chStandardError},
        {"EMULATEANSICOMMENTS", &f.chANSIComment},
        {"HIGHINTENSITYCOLORS", &f.chColourHigh}};
    for (const auto& [word, box] : boxes)
        if (contains(key, word))
            box->setChecked(line.yes());
    if (contains(key, "SWAPFILEDIRECTORY"))
        f.edSwap.setText(exact);
    if (contains(key, "DEFAULTACCESSPROTECTION")) {
        f.raDefaultGost.setChecked(contains(line.value, "GOST V1.01"));
        f.raDefaultAuthenticate.setChecked(contains(line.value, "AUTHENTICATE"));
    }
    const std::pair<const char*, Edit*> colours[] = {{"DEFAULTCOLOR", &f.edColourNormal},
                                                     {"ERRORCOLOR", &f.edColourError},
                                                     {"SIGNALCOLOR", &f.edColourSignal},
                                                     {"COMMENTCOLOR", &f.edColourComment},
                                                     {"HIGHLIGHTCOLOR", &f.edColourHighlight}};
    for (const auto& [word, field] : colours)
        if (contains(key, word))
            field->setColour(ColourFromNumber(number()));
    if (contains(key, "OPTIONSFORCOMMAND")) {
        // What follows the word's length is the command's letter; in a
        // commented line ("; OptionsForCommand a") it is not.
        std::string letter(trimBlanks(key.substr(std::string_view("OPTIONSFORCOMMAND").size())));
        for (char& c : letter)
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        for (const CommandInfo& command : CommandCatalogue) {
            if (letter != command.letter)
                continue;
            // Every switch ends in a blank, as the switch writer leaves them,
            // so a set read back equals the one that was saved.
            std::string switches = lowerOutsideQuotes(exact);
            switches += ' ';
            f.SwitchSets[static_cast<std::size_t>(command.index)] = std::move(switches);
            break;
        }
    }
}

Colour ConfigFile::GetColour(Colour colour) {
    std::vector<std::uint32_t> custom(ColourPalette.begin(), ColourPalette.end());
    Colour chosen = colour;
    if (!dialogs_.chooseColour(chosen, custom))
        return colour;
    return chosen;
}

void ConfigFile::pickColour(Edit& field) {
    field.setColour(GetColour(field.colour()));
}

void ConfigFile::edColourNormalDblClick() {
    pickColour(f_.edColourNormal);
}

void ConfigFile::edColourErrorDblClick() {
    pickColour(f_.edColourError);
}

void ConfigFile::edColourSignalDblClick() {
    pickColour(f_.edColourSignal);
}

void ConfigFile::edColourCommentDblClick() {
    pickColour(f_.edColourComment);
}

void ConfigFile::edColourHighlightDblClick() {
    pickColour(f_.edColourHighlight);
}

void ConfigFile::chColourClick() {
    MainForm& f = f_;
    const bool coloured = f.chColour.checked();
    f.chColourHigh.setEnabled(coloured);
    f.chColourHigh.setChecked(coloured);
    for (Edit* field : {&f.edColourNormal, &f.edColourError, &f.edColourSignal, &f.edColourComment,
                        &f.edColourHighlight})
        field->setEnabled(coloured);
}

void ConfigFile::SaveConfiguration1Click() {
    const std::string name = dialogs_.saveFile(SaveConfigurationFilter);
    if (name.empty())
        return;
    // A save that failed keeps the mark, so that closing still offers to save.
    const int saved = SaveConfig(name);
    if (saved == 0)
        f_.SwitchSetsModified = false;
    if (saved != 1)
        return;
    showMessage(dialogs_, "The configuration could not be saved as\n" + name + ".", SaveCaption,
                MessageIcon::Error);
}

void ConfigFile::LoadConfiguration1Click() {
    const std::string name = dialogs_.openFile(LoadConfigurationFilter);
    if (name.empty())
        return;
    if (loadTold(name) == Loaded::CannotOpen)
        showMessage(dialogs_, "The configuration file\n" + name + "\ncannot be opened.",
                    LoadCaption, MessageIcon::Error);
}

} // namespace brak
