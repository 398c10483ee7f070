#pragma once

#include "config/KeyValueReader.h"
#include "contents/Contents.h"
#include "form/MainForm.h"
#include "platform/Dialogs.h"
#include "platform/Platform.h"

#include <string>
#include <string_view>

namespace brak {

inline constexpr const char* ConfigVersion = "1.0.14";
inline constexpr const char* SaveConfigurationFilter =
    "Brak Configurations (*.BKF)|*.BKF|JAR Configurations (*.CFG)|*.CFG";
inline constexpr const char* LoadConfigurationFilter =
    "Brak Configurations (*.BKF)|*.BKF|JAR Configurations (*.CFG)|*.CFG|All Files (*.*)|*.*";

// The local date and time as the configuration file's header writes it: the
// short date and the long time of the user's locale, without a time zone.
std::string headerDateTime(const DateTime& moment);

// True when the text holds a key that a configuration file has.
bool holdsConfiguration(std::string_view text);

// Jar's configuration file: the Config tab's settings, the switch sets of the
// twenty commands, and Brak's own working settings on ";[Brak]" comment
// lines; the colour fields, and the File menu's save and load.
class ConfigFile {
public:
    ConfigFile(MainForm& form, Platform& platform, Dialogs& dialogs, Contents& contents)
        : f_(form), platform_(platform), dialogs_(dialogs), contents_(contents) {}
    ConfigFile(const ConfigFile&) = delete;
    ConfigFile& operator=(const ConfigFile&) = delete;

    // The colour fields, "Coloured Output" and the File menu's two items.
    void wire();

    // Writes the file anew; an old file stays as it was until the new one is
    // complete. 0 on success; 1 when it cannot be written (an empty name
    // included), 2 when the user would not have a file that is no
    // configuration replaced; then ConfigName and the caption stay as they were.
    int SaveConfig(const std::string& name);
    // Reads the file into the window. 0 when it was read to its end; 1 when
    // it cannot be opened or is not a file (nothing changes) or is too large
    // (nothing changes, the user is told), and 1 when a line stopped the
    // reading (the lines before it stay applied, the user is told).
    // A file that holds no setting of a configuration file is not read: 1,
    // and the user is told.
    int LoadConfig(const std::string& name);
    // As LoadConfig, for a file opened with the program or dropped on it:
    // one that cannot be opened or is no configuration is named as such.
    int OpenConfig(const std::string& name);
    // What LoadConfig does with the file's text once it has read it.
    int loadText(const std::string& name, std::string_view text);
    // The text SaveConfig writes.
    std::string configText(const std::string& name) const;

    // The colour dialog, starting at the given colour, with Jar's sixteen
    // colours as its custom colours; the given colour again on cancel.
    Colour GetColour(Colour colour);
    void edColourNormalDblClick();
    void edColourErrorDblClick();
    void edColourSignalDblClick();
    void edColourCommentDblClick();
    void edColourHighlightDblClick();
    void chColourClick();

    void SaveConfiguration1Click();
    void LoadConfiguration1Click();

private:
    enum class Loaded { Whole, CannotOpen, Refused, NotConfiguration, Stopped };
    Loaded load(const std::string& name);
    // load, saying so of a file that is no configuration.
    Loaded loadTold(const std::string& name);
    Loaded loadLines(const std::string& name, std::string_view text);
    void applyLine(const KeyValueLine& line);
    void pickColour(Edit& field);

    MainForm& f_;
    Platform& platform_;
    Dialogs& dialogs_;
    Contents& contents_;
};

} // namespace brak
