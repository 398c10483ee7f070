#include "run/Runner.h"

#include "base/Assert.h"
#include "core/AdvancedSwitches.h"
#include "core/Commands.h"
#include "core/ExitMessages.h"
#include "core/QuoteCheck.h"

#include <cerrno>
#include <string.h>

namespace brak {

Runner::Runner(MainForm& form, Platform& platform, Dialogs& dialogs, SwitchSets& switchSets,
               Contents& contents, UpdateListHook updateList, SaveConfigHook saveConfig)
    : f_(form), platform_(platform), dialogs_(dialogs), switchSets_(switchSets),
      contents_(contents), updateList_(std::move(updateList)), saveConfig_(std::move(saveConfig)) {}

void Runner::wire() {
    for (RadioButton* command : f_.commandButtons)
        command->onDoubleClick.wire([this] { buGoClick(); });
    f_.LastOutput1.onClick.wire([this] { LastOutput1Click(); });
}

void Runner::buGoClick() {
    MainForm& f = f_;
    BRAK_ASSERT(console_); // the window gives the console before it takes clicks

    // A value that would split the command is refused before anything else
    // happens: no question, no line, no file written.
    if (!checkQuotedValues(dialogs_, JarCommand::fromForm(f).quotedValues()))
        return;
    if (!passwordsGiven())
        return;
    if (!switchSets_.executionCheck())
        return;

    ShowCommandLine(f);
    dialogs_.repaintNow();

    // Jar works in the Selection tab's directory; Brak's own stays as it is.
    const std::string directory = f.Directory.directory();
    if (f.chContentUpdate.checked())
        updateList_();
    if (f.chSaveConfig.checked()) {
        std::string name = f.ConfigName;
        if (!name.empty() && name[0] != PathSeparator && !directory.empty())
            name = joinPath(directory, name);
        saveConfig_(name); // a failure to write is not reported
    }

    // The pieces are taken again for the start, as every time: they are the
    // line just shown.
    const JarCommand command = JarCommand::fromForm(f);
    ProcessRequest request;
    // A typed password reaches Jar only through the descriptor its switch
    // names.
    for (const PasswordInput& password : passwordInputs(f))
        request.inputs.push_back({password.descriptor, password.field->text()});
    start(command, request, directory);
}

void Runner::runCommand(const JarCommand& command) {
    BRAK_ASSERT(console_);
    if (!checkQuotedValues(dialogs_, command.quotedValues()))
        return;
    f_.StatusBar1.setSimplePanel(true);
    f_.StatusBar1.setSimpleText(command.line());
    dialogs_.repaintNow();
    ProcessRequest request;
    start(command, request, f_.Directory.directory());
}

bool Runner::runAsking(const JarCommand& command) {
    BRAK_ASSERT(console_);
    if (!checkQuotedValues(dialogs_, command.quotedValues()))
        return false;
    ProcessRequest request;
    return start(command, request, f_.Directory.directory(), true);
}

bool Runner::start(const JarCommand& command, ProcessRequest& request, const std::string& directory,
                   bool quiet) {
    MainForm& f = f_;
    request.program = command.programFile();
    request.args = command.arguments();
    request.directory = directory;
    // Jar reads the configuration named here; none when the name is empty,
    // even when Brak itself was started with one.
    request.environment = {{"JAR_CFG_FILE", f.ConfigName}};
    // The listings after the run read the same file, wherever they run.
    f.RunConfigName = f.ConfigName.empty() || f.ConfigName[0] == PathSeparator
                          ? f.ConfigName
                          : joinPath(directory, f.ConfigName);

    RunRecord record;
    record.commandLine = command.line();
    record.started = platform_.now();
    const std::int64_t start = platform_.milliseconds();

    BusyCursor busy(dialogs_);
    TerminalStart started = platform_.startOnTerminal(request, console_->size());
    for (ChildInput& input : request.inputs)
        ::explicit_bzero(input.bytes.data(), input.bytes.size());
    if (!started.started()) {
        busy.release();
        record.startError = started.error != 0 ? started.error : ENOENT;
        record.message = startFailureMessage(record.startError);
        record.milliseconds = platform_.milliseconds() - start;
        runLog_.add(record);
        showMessage(dialogs_, record.message, StartFailureCaption, MessageIcon::Error);
        return false;
    }
    // The console stays until the box below is closed, and closes also when
    // an error ends the run or the box.
    struct CloseConsole {
        Console* console;
        ~CloseConsole() { now(); }
        void now() {
            if (console)
                console->close();
            console = nullptr;
        }
    } closeConsole{console_};
    ConsoleRun run = console_->run(std::move(started.process), record.commandLine);
    busy.release();

    record.milliseconds = platform_.milliseconds() - start;
    record.status = run.status;
    record.message = exitStatusMessage(run.status);
    record.output = std::move(run.output);
    const std::string message = record.message;
    const bool success = !run.status.signalled && run.status.code == 0;
    runLog_.add(std::move(record));

    // Over the console, which closes with it.
    if (!(quiet && success))
        showMessage(dialogs_, message, ExitCaption, MessageIcon::Warning);
    closeConsole.now();
    if (success && !quiet)
        contents_.LoadContents();
    return success;
}

bool Runner::passwordsGiven() {
    // Jar would take an empty password for the one to use, which protects
    // nothing.
    for (const PasswordInput& password : passwordInputs(f_)) {
        if (!password.field->text().empty())
            continue;
        const bool isNew = password.field == &f_.edNewPassword;
        showMessage(dialogs_,
                    std::string(isNew ? "\"New Password\"" : "\"Password\"") +
                        " on the Advanced tab is set to Specify, but no password is typed.\n\n"
                        "Type it, or choose Prompt to give it in Jar's console; Jar was not "
                        "started.",
                    PasswordCaption, MessageIcon::Error);
        return false;
    }
    return true;
}

void Runner::LastOutput1Click() {
    BRAK_ASSERT(console_);
    console_->showRunLog(runLog_);
}

} // namespace brak
