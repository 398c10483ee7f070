#pragma once

#include "platform/Pty.h"
#include "run/RunLog.h"

#include <memory>
#include <string>

namespace brak {

// How a run in the console went: how the program ended, and the console's
// text (the lines that scrolled away, then the screen).
struct ConsoleRun {
    ExitStatus status;
    std::string output;
};

// Jar's console: a window of Brak's own in which Jar runs on its terminal
// while Brak waits. The view implements it; tests fake it.
class Console {
public:
    virtual ~Console() = default;

    // The size of the terminal Jar is started with.
    virtual TerminalSize size() const = 0;
    // Shows the console, modal, with the program running in it, until the
    // program has ended; the user may stop it in between. The console stays
    // on the screen, its last line telling how the program ended, until
    // close(), so that what follows appears over it.
    virtual ConsoleRun run(std::unique_ptr<TerminalProcess> process,
                           const std::string& commandLine) = 0;
    virtual void close() = 0;

    // The window showing the last runs, modal, until it closes.
    virtual void showRunLog(const RunLog& log) = 0;
};

} // namespace brak
