#pragma once

#include "platform/Dialogs.h"
#include "run/Console.h"

#include <QPointer>
#include <QWidget>
#include <memory>

namespace brak {

class TFormConsole;

// Jar's console on the screen: each run gets a console window, modal over
// the main window, which keeps painting but takes no input meanwhile.
class QtConsole : public Console {
public:
    QtConsole(Dialogs& dialogs, QWidget* parent = nullptr);
    ~QtConsole() override;

    TerminalSize size() const override { return size_; }
    ConsoleRun run(std::unique_ptr<TerminalProcess> process,
                   const std::string& commandLine) override;
    void close() override;
    void showRunLog(const RunLog& log) override;

    // The console window of the run in progress or just ended, or null.
    TFormConsole* window() const { return window_.get(); }

private:
    Dialogs& dialogs_;
    QPointer<QWidget> parent_;
    std::unique_ptr<TFormConsole> window_;
    // Each console opens at the size the last one had.
    TerminalSize size_;
};

} // namespace brak
