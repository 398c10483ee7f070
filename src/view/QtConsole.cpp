#include "view/QtConsole.h"

#include "view/TFormConsole.h"
#include "view/TFormLastOutput.h"

namespace brak {

QtConsole::QtConsole(Dialogs& dialogs, QWidget* parent) : dialogs_(dialogs), parent_(parent) {}

QtConsole::~QtConsole() = default;

ConsoleRun QtConsole::run(std::unique_ptr<TerminalProcess> process,
                          const std::string& commandLine) {
    window_ = std::make_unique<TFormConsole>(dialogs_, size_, parent_);
    window_->setWindowModality(Qt::ApplicationModal);
    window_->show();
    // Brak waits, but the console is where the user works: no hourglass there.
    dialogs_.setBusy(false);
    ConsoleRun run;
    run.status = window_->run(std::move(process), commandLine);
    run.output = window_->session()->output();
    size_ = window_->terminalSize();
    return run;
}

void QtConsole::close() {
    window_.reset();
}

void QtConsole::showRunLog(const RunLog& log) {
    TFormLastOutput viewer(log, parent_);
    viewer.exec();
}

} // namespace brak
