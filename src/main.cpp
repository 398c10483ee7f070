#include "platform/PosixPlatform.h"
#include "ui/Brak.h"
#include "ui/ErrorBox.h"
#include "ui/ProgramArguments.h"
#include "view/BrakApplication.h"
#include "view/QtDialogs.h"
#include "view/TFormMain.h"

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
    brak::BrakApplication app(argc, argv);
    brak::PosixPlatform platform;
    brak::QtDialogs dialogs;
    app.setDialogs(&dialogs);
    // The model comes first and outlives the window.
    brak::Brak brak(platform, dialogs);
    int result = 1;
    try {
        brak::TFormMain window(brak);
        dialogs.setParent(&window);
        brak.shell().CreateBrak();
        window.show();
        result = app.exec();
        dialogs.setParent(nullptr);
    } catch (const std::exception& error) {
        // An error during start-up ends the program without the window.
        dialogs.setParent(nullptr);
        brak::showErrorBox(dialogs, error);
    }
    app.setDialogs(nullptr);
    return result;
}
