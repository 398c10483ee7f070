#pragma once

#include "platform/Dialogs.h"
#include "run/PtySession.h"
#include "view/TerminalView.h"

#include <QDialog>
#include <memory>
#include <string>

class QLabel;
class QPushButton;

namespace brak {

// Jar's console: a window of Brak's own in which Jar runs on its terminal.
// The user closing it while Jar runs is asked whether to stop Jar.
class TFormConsole : public QDialog {
public:
    TFormConsole(Dialogs& dialogs, TerminalSize size, QWidget* parent = nullptr);
    ~TFormConsole() override;

    // Shows the process in the window and runs the event loop until the
    // process has ended; the window stays open.
    ExitStatus run(std::unique_ptr<TerminalProcess> process, const std::string& commandLine);

    TerminalView* view() const { return view_; }
    PtySession* session() const { return session_.get(); }
    // The terminal's size now.
    TerminalSize terminalSize() const;
    // Where Jar's text is, on the screen: the terminal's rows from its top
    // down to the cursor's.
    QRect textRect() const;

    // The question asked when the window is closed while Jar runs.
    static constexpr const char* StopQuestion =
        "JAR32.EXE is still running.\nStop it?\n\nIt is asked to stop (Ctrl-C), and ended "
        "if it has not stopped a few seconds later.";
    static constexpr const char* StopCaption = "Jar's Console";

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void askToStop();
    void showState();

    Dialogs& dialogs_;
    TerminalSize size_;
    TerminalView* view_;
    QLabel* state_;
    QPushButton* stop_;
    std::unique_ptr<PtySession> session_;
    std::unique_ptr<TerminalScreen> blank_;
};

} // namespace brak
