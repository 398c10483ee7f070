#pragma once

#include <array>
#include <csignal>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace brak {

struct ProcessRequest;

// A terminal's size in character cells.
struct TerminalSize {
    int rows = 25;
    int columns = 80;
    bool operator==(const TerminalSize&) const = default;
};

// How a program ended: its exit code, or the signal that killed it.
struct ExitStatus {
    bool signalled = false;
    int code = 0;   // when it exited
    int signal = 0; // when a signal killed it
    bool operator==(const ExitStatus&) const = default;
    static ExitStatus exited(int code) { return {false, code, 0}; }
    static ExitStatus killed(int signal) { return {true, 0, signal}; }
};

// How a program on a terminal is stopped when the user asks: each signal in
// turn, the next one when the program has not ended this long after.
inline constexpr std::array<int, 3> StopLadder{SIGINT, SIGTERM, SIGKILL};
inline constexpr int StopStepMilliseconds = 2000;

// A program running on a pseudo-terminal of its own: its own session, with
// the terminal as its controlling terminal and as its standard streams.
// What the program writes is read from the master side, and keys are
// written there. Destroying a process that still runs stops it by the stop
// ladder (blocking) and reaps it: no zombie is left.
class TerminalProcess {
public:
    virtual ~TerminalProcess() = default;

    // The master side, non-blocking; -1 when there is none.
    virtual int terminalFd() const = 0;
    // Becomes readable once the program has ended; -1 when there is none.
    virtual int endFd() const = 0;
    virtual int processId() const = 0;

    // What the program wrote: the number of bytes read; 0 when nothing
    // waits now; -1 once nothing more can come (the terminal was closed).
    virtual long read(char* buffer, std::size_t size) = 0;
    // Writes keys: the number of bytes taken (fewer when the terminal's
    // input is full); -1 when the terminal is gone.
    virtual long write(std::string_view bytes) = 0;
    // Tells the program its terminal's new size (it gets SIGWINCH).
    virtual void resize(TerminalSize size) = 0;
    // Sends a signal to the program's process group. Nothing once it ended.
    virtual void signal(int number) = 0;
    // True once the program has ended and been reaped; status() is then set.
    virtual bool reap() = 0;
    virtual std::optional<ExitStatus> status() const = 0;
};

// Result of starting a program on a terminal: error is the errno of a
// failed start (the program missing, not executable, no program at all...).
struct TerminalStart {
    int error = 0;
    std::unique_ptr<TerminalProcess> process;
    bool started() const { return error == 0 && process != nullptr; }
};

// Starts the request's program, as found by findProgram from
// programDirectory and PATH, on a new pseudo-terminal of the given size,
// with the request's arguments, directory and environment changes and
// TERM=xterm-256color. Never through a shell. A failure to start, the
// program's own exec included, reports its real errno.
TerminalStart startOnPty(const ProcessRequest& request, TerminalSize size,
                         const std::string& programDirectory);

} // namespace brak
