#include "platform/ErrorBox.h"
#include "platform/PosixPlatform.h"
#include "ui/Brak.h"
#include "ui/ProgramArguments.h"
#include "view/BrakApplication.h"
#include "view/QtConsole.h"
#include "view/QtDialogs.h"
#include "view/SignalClose.h"
#include "view/TFormMain.h"

#include <QTimer>
#include <csignal>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

int main(int argc, char* argv[]) {
    // --help and --version are answered before any window exists.
    const brak::ProgramArguments arguments =
        brak::parseProgramArguments(std::vector<std::string>(argv + 1, argv + argc));
    if (arguments.action != brak::ProgramArguments::Action::Run) {
        std::fputs(arguments.output.c_str(), stdout);
        return 0;
    }
    // A request to end that comes early must not kill the program halfway,
    // but close it as the user would.
    brak::SignalClose::catchSignals();
    // Past a file size limit a write fails with an error, as on a full disk,
    // instead of killing the program half way through a save.
    std::signal(SIGXFSZ, SIG_IGN);
    brak::BrakApplication app(argc, argv);
    // The start-up argument, without the options Qt took for itself.
    const std::string startArgument =
        brak::parseProgramArguments(std::vector<std::string>(argv + 1, argv + argc)).startArgument;

    brak::PosixPlatform platform;
    brak::QtDialogs dialogs;
    app.setDialogs(&dialogs);
    brak::SignalClose signalClose;
    // The model comes first and outlives the window.
    brak::Brak brak(platform, dialogs);
    int result = 1;
    try {
        brak::TFormMain window(brak);
        dialogs.setParent(&window);
        signalClose.setWindow(&window);
        brak::QtConsole console(dialogs, &window);
        brak.runner().setConsole(&console);
        brak.startup().CreateBrak();
        brak.startup().OpenArgument(startArgument);
        window.show();
        QTimer::singleShot(0, &signalClose, [&signalClose] { signalClose.running(); });
        result = app.exec();
        brak.runner().setConsole(nullptr);
        dialogs.setParent(nullptr);
    } catch (const brak::ProgramEnd& end) {
        // The first run found no Jar and said so: nothing is saved.
        dialogs.setParent(nullptr);
        result = end.exitCode;
    } catch (const std::exception& error) {
        // An error during start-up ends the program without the window.
        dialogs.setParent(nullptr);
        brak::showErrorBox(dialogs, error);
    }
    app.setDialogs(nullptr);
    return result;
}
