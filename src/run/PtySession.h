#pragma once

#include "console/TerminalScreen.h"
#include "platform/Pty.h"
#include "run/RunLog.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

class QEventLoop;
class QSocketNotifier;
class QTimer;

namespace brak {

// A program on its terminal, watched by the event loop: what it writes goes
// into the screen as soon as it arrives, keys go to it, and its end is
// noticed without any polling (a notifier on the terminal and one on the
// process). The console's window shows it; tests drive it without one.
class PtySession {
public:
    PtySession(std::unique_ptr<TerminalProcess> process, TerminalSize size,
               std::string programName = "JAR32.EXE");
    ~PtySession();
    PtySession(const PtySession&) = delete;
    PtySession& operator=(const PtySession&) = delete;

    TerminalScreen& screen() { return screen_; }
    const TerminalScreen& screen() const { return screen_; }
    bool running() const { return !status_.has_value(); }
    const std::optional<ExitStatus>& status() const { return status_; }
    int processId() const { return process_->processId(); }

    // Bytes for the program, as they are (typed text, a paste).
    void sendBytes(std::string_view bytes);
    // A key or a character with modifiers, as a terminal sends it (Ctrl-C
    // is the terminal's interrupt character, so the program gets SIGINT).
    void sendKey(TerminalKey key, unsigned modifiers = NoModifier);
    void sendCharacter(char32_t character, unsigned modifiers = NoModifier);
    void resize(TerminalSize size);

    // Stops the program: SIGINT, then SIGTERM and SIGKILL when it has not
    // ended a step later. Returns at once.
    void stop();
    bool stopping() const { return stopStep_ >= 0; }
    void setStopStep(int milliseconds) { stepMilliseconds_ = milliseconds; }

    // Runs the event loop until the program has ended.
    ExitStatus waitForEnd();

    // The console's text once the program has ended: every line that
    // scrolled away (capped), then the screen as the program left it.
    const std::string& output() const { return output_; }

    // The screen changed; the program ended (after its last output).
    std::function<void()> onChanged;
    std::function<void()> onEnded;

    // Answers to the program's queries it never read, dropped at the limit.
    static constexpr std::size_t PendingLimit = std::size_t{64} << 10;
    std::size_t droppedReplies() const { return droppedReplies_ + screen_.droppedReplies(); }

private:
    bool pump(std::size_t& budget);
    void readOutput();
    void sendReplies();
    void writePending();
    void ended();
    void drainEnd();
    void finish();
    void nextStopStep();

    std::unique_ptr<TerminalProcess> process_;
    std::string programName_;
    TerminalScreen screen_;
    CappedText scrolled_{RunLog::OutputLimit};
    std::unique_ptr<QSocketNotifier> reader_;
    std::unique_ptr<QSocketNotifier> writer_;
    std::unique_ptr<QSocketNotifier> end_;
    std::unique_ptr<QTimer> stopTimer_;
    std::unique_ptr<QTimer> resume_;
    std::string unfed_; // read, not yet in the screen
    std::size_t fed_ = 0;
    bool endOfOutput_ = false;
    bool ending_ = false;
    std::size_t endBudget_ = 0;
    std::string pending_;
    std::size_t droppedReplies_ = 0;
    std::optional<ExitStatus> status_;
    std::string output_;
    int stopStep_ = -1;
    int stepMilliseconds_ = StopStepMilliseconds;
    QEventLoop* waiting_ = nullptr;
};

} // namespace brak
