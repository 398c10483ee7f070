#pragma once

#include "contents/Contents.h"
#include "form/MainForm.h"
#include "platform/Dialogs.h"
#include "platform/Platform.h"
#include "selection/Selection.h"
#include "startup/Layout.h"

#include <string>

namespace brak {

inline constexpr const char* LogoFileName = "Kyx.BMP";
inline constexpr const char* LogoArchiveName = "BitMap";
inline constexpr const char* FirstTimeCaption = "First Time Execution";

// Thrown when the program must end at once, before its window is shown:
// no close sequence runs and nothing is saved.
struct ProgramEnd {
    int exitCode = 1;
};

// The start of the program: the first run (finding Jar and having it
// extract the logo into the user's directory), the splash, the layout and
// the last state, and the argument the program was started with.
class Startup {
public:
    Startup(MainForm& form, Platform& platform, Dialogs& dialogs, Contents& contents,
            Selection& selection, Layout& layout, ConfigFile& config)
        : f_(form), platform_(platform), dialogs_(dialogs), contents_(contents),
          selection_(selection), layout_(layout), config_(config) {}
    Startup(const Startup&) = delete;
    Startup& operator=(const Startup&) = delete;

    // The window's creation: the start-up steps that run before it is shown.
    // Throws ProgramEnd when the first run finds no Jar.
    void CreateBrak();
    // Makes sure Jar can run; the logo it extracts marks the first run done.
    void FirstTime();
    // The program's arguments joined with one blank: an archive to list, or
    // else a configuration file to load. An error is shown and the program
    // carries on.
    void OpenArgument(const std::string& argument);

    // The logo picture of the splash and about windows.
    std::string logoPicture() const { return platform_.userDirectory() + LogoFileName; }

    // Where the first-run search starts: the whole machine.
    std::string searchRoot = "/";

    // How long the splash window holds the program at start-up.
    static constexpr int SplashMilliseconds = 3000;
    // How long Jar may take to extract the logo before it is given up on.
    static constexpr int ExtractMilliseconds = 60000;

private:
    void extractLogo(const std::string& program);
    void carryOnWithoutLogo(const std::string& reason);

    MainForm& f_;
    Platform& platform_;
    Dialogs& dialogs_;
    Contents& contents_;
    Selection& selection_;
    Layout& layout_;
    ConfigFile& config_;
    // The user already knows there is no logo this time.
    bool logoMissingTold_ = false;
};

} // namespace brak
