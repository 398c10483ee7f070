#pragma once

#include "contents/Contents.h"
#include "core/JarCommand.h"
#include "core/SwitchSets.h"
#include "form/MainForm.h"
#include "platform/Dialogs.h"
#include "platform/Platform.h"
#include "run/Console.h"
#include "run/RunLog.h"

#include <functional>
#include <string>

namespace brak {

// Runs the selected command: a double click on a command button runs Jar in
// its console in the Selection tab's directory, reports how it ended and,
// after a success, lists the archive again. Keeps the last runs' output.
class Runner {
public:
    // Rewrites the list file; 0 when written.
    using UpdateListHook = std::function<int()>;
    // Writes the configuration file of that name (and makes it the current
    // one); 0 when written.
    using SaveConfigHook = std::function<int(const std::string&)>;

    Runner(MainForm& form, Platform& platform, Dialogs& dialogs, SwitchSets& switchSets,
           Contents& contents, UpdateListHook updateList, SaveConfigHook saveConfig);
    Runner(const Runner&) = delete;
    Runner& operator=(const Runner&) = delete;

    // The console Jar runs in; the window sets it once it exists.
    void setConsole(Console* console) { console_ = console; }

    // The command buttons' double click, and "Last Jar Output...".
    void wire();

    void buGoClick();
    // Runs a command Brak composed itself exactly as the double click runs
    // the checked one: the line in the status bar, Jar in its console in the
    // Selection tab's directory, the exit box, the listing after a success.
    void runCommand(const JarCommand& command);
    // Runs a command Brak needs done, in the console so that Jar can ask
    // what it must (a password): a failure is reported as any run's, a
    // success quietly and without a new listing. True on success.
    bool runAsking(const JarCommand& command);
    void LastOutput1Click();

    const RunLog& runLog() const { return runLog_; }

    // The program Jar's console and messages name.
    static constexpr const char* ProgramTitle = "JAR32.EXE";
    static constexpr const char* PasswordCaption = "Password";

private:
    bool start(const JarCommand& command, ProcessRequest& request, const std::string& directory,
               bool quiet = false);
    // False, with a message, when a password to hand over is empty.
    bool passwordsGiven();

    MainForm& f_;
    Platform& platform_;
    Dialogs& dialogs_;
    SwitchSets& switchSets_;
    Contents& contents_;
    UpdateListHook updateList_;
    SaveConfigHook saveConfig_;
    Console* console_ = nullptr;
    RunLog runLog_;
};

} // namespace brak
