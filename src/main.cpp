#include "platform/ErrorBox.h"
#include "platform/PosixPlatform.h"
#include "ui/Brak.h"
#include "view/BrakApplication.h"
#include "view/QtDialogs.h"
#include "view/SignalClose.h"
#include "view/TFormMain.h"

#include <QTimer>
#include <exception>
#include <string>

int main(int argc, char* argv[]) {
    // Before anything else: a request to end that comes early must not kill
    // the program halfway, but close it as the user would.
    brak::SignalClose::catchSignals();
    brak::BrakApplication app(argc, argv);
    // What follows the program's name, as one text: the arguments (Qt's own
    // options taken out) joined with one blank.
    std::string argument;
    for (int i = 1; i < argc; ++i)
        argument += (i > 1 ? " " : "") + std::string(argv[i]);

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
        brak.startup().CreateBrak();
        brak.startup().OpenArgument(argument);
        window.show();
        QTimer::singleShot(0, &signalClose, [&signalClose] { signalClose.running(); });
        result = app.exec();
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
