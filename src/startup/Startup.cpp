#include "startup/Startup.h"

#include "base/ArchiveTypes.h"
#include "base/Text.h"
#include "contents/FileGrid.h"
#include "core/ExitMessages.h"
#include "core/JarCommand.h"
#include "platform/ErrorBox.h"
#include "startup/SearchWindow.h"

#include <cstring>

namespace brak {

namespace {

std::string withoutSeparator(std::string directory) {
    if (directory.size() > 1 && directory.back() == PathSeparator)
        directory.pop_back();
    return directory;
}

} // namespace

void Startup::CreateBrak() {
    // What a Brak that was killed left behind goes before this one makes its own.
    platform_.removeStaleTemporaryDirectories();
    FirstTime();
    {
        // The splash holds the whole program for its pause. Without a logo
        // it shows its captions alone: the user has already been told why.
        const auto splash = dialogs_.showSplash(logoMissingTold_ ? std::string() : logoPicture());
        platform_.sleep(SplashMilliseconds);
    }
    // The Selection tab starts in the directory Brak was started in; the
    // last state loaded after it may move it elsewhere.
    selection_.ShowStartDirectory();
    layout_.LoadBrak();
    if (f_.AutoLoad.checked()) {
        // A damaged last state must not stop every start from now on: what
        // could not be read is shown and the start goes on.
        runHandler(dialogs_, [&] { config_.LoadConfig(layout_.stateFile()); });
    }
    WriteGridHeadings(f_.stChapter, f_.stFile);
    const DateTime present = platform_.now();
    f_.daBefore.SetValue(present);
    f_.daAfter.SetValue(present);
    f_.PageControl1.setActivePage(0);
}

void Startup::FirstTime() {
    if (platform_.fileExists(logoPicture()))
        return;
    if (!platform_.makeUserDirectory()) {
        carryOnWithoutLogo("Brak cannot make its folder\n" + platform_.userDirectory() +
                           "\nIt runs without its logo and cannot keep its layout or last state.");
        return;
    }
    // Jar beside Brak, else along PATH; a directory of that name is no Jar.
    int error = 0;
    if (const std::string located = platform_.locateProgram(JarProgramName, error);
        !located.empty()) {
        const bool beside = joinPath(directoryOf(located), "") == platform_.programDirectory();
        showMessage(dialogs_,
                    std::string("JAR32.EXE has been located ") +
                        (beside ? "beside Brak" : "on the path") + ":\n" + located +
                        "\nPreparing Brak to run for the first time...",
                    FirstTimeCaption, MessageIcon::Warning);
        extractLogo(JarProgramName);
        return;
    }
    if (!f_.edPath.text().empty())
        return;

    {
        SearchWindow window(platform_, searchRoot);
        dialogs_.showSearch(window);
        f_.FoundPath = window.FoundPath();
    }
    f_.edPath.setText(directoryOf(f_.FoundPath));
    auto jarThere = [&] {
        return !f_.edPath.text().empty() &&
               platform_.fileExists(JarCommand::fromForm(f_).programFile());
    };
    // A match by another name (an old copy, another spelling) cannot run as
    // JAR32.EXE in its directory: the user picks the program instead.
    if (!jarThere())
        f_.edPath.setText("");
    // Brak runs the program found from now on: the user learns which one.
    if (!f_.edPath.text().empty())
        showMessage(dialogs_,
                    "JAR32.EXE has been found at:\n" + JarCommand::fromForm(f_).programFile() +
                        "\nBrak runs it from now on (Path to Jar, on the Config tab).\n"
                        "Preparing Brak to run for the first time...",
                    FirstTimeCaption, MessageIcon::Warning);
    if (f_.edPath.text().empty()) {
        f_.edPath.setText(GetPath(dialogs_, "JAR32.EXE|JAR32.EXE"));
        if (!jarThere()) {
            showMessage(dialogs_,
                        "JAR32.EXE was not found\nat the specified location.\nBrak will "
                        "terminate.\nPlease install Jar and try again.",
                        FirstTimeCaption, MessageIcon::Error);
            throw ProgramEnd{1};
        }
    }
    extractLogo(JarCommand::fromForm(f_).programFile());
}

void Startup::extractLogo(const std::string& program) {
    std::string archive;
    for (const std::string& directory : platform_.dataDirectories())
        if (platform_.fileExists(directory + LogoArchiveName)) {
            archive = directory + LogoArchiveName;
            break;
        }
    if (archive.empty()) {
        carryOnWithoutLogo("The logo archive BitMap is missing: it is neither beside Brak nor in "
                           "its data folder.\nBrak runs without its logo.");
        return;
    }

    // Jar extracts into the directory it runs in: the user's own.
    ProcessRequest request;
    request.program = program;
    request.args = {program, "e", "\"" + archive + "\""};
    request.directory = withoutSeparator(platform_.userDirectory());
    BusyCursor busy(dialogs_);
    StartResult started = platform_.start(request);
    if (!started.started() || !started.child) {
        busy.release();
        carryOnWithoutLogo(program + " could not be started: " + std::strerror(started.error) +
                           ".\nBrak runs without its logo.");
        return;
    }
    dialogs_.repaintNow();
    if (WaitForFile(platform_, *started.child, logoPicture(), ExtractMilliseconds))
        return;
    busy.release();
    if (!started.child->hasEnded()) {
        started.child->terminate();
        carryOnWithoutLogo("JAR32.EXE did not extract Kyx.BMP from\n" + archive +
                           "\nwithin a minute and was stopped.\nBrak runs without its logo.");
        return;
    }
    carryOnWithoutLogo("JAR32.EXE ended without extracting Kyx.BMP from\n" + archive + "\n" +
                       exitCodeText(started.child->exitCode()) +
                       ". The archive may be damaged. Brak runs without its logo.");
}

void Startup::carryOnWithoutLogo(const std::string& reason) {
    showMessage(dialogs_, reason, FirstTimeCaption, MessageIcon::Warning);
    logoMissingTold_ = true;
}

void Startup::OpenArgument(const std::string& argument) {
    if (argument.empty() || upperCase(argument) == upperCase(f_.edArchive.text()))
        return;
    // A name relative to where Brak was started means that file, whatever
    // folder the last state shows on the Selection tab.
    std::string name = argument;
    if (name[0] != PathSeparator &&
        platform_.fileExists(joinPath(platform_.currentDirectory(), name)))
        name = joinPath(platform_.currentDirectory(), name);
    runHandler(dialogs_, [&] {
        if (isArchiveFile(name)) {
            f_.edArchive.setText(name);
            contents_.LoadContents();
        } else {
            config_.OpenConfig(name);
        }
    });
}

} // namespace brak
