#include "Common.h"

#include <csignal>

namespace brak::jar {

namespace {

volatile std::sig_atomic_t interruptSignal = 0;

void onInterrupt(int signal) {
    interruptSignal = signal;
}

} // namespace

// No SA_RESTART: a prompt waiting for input, or a write to a stalled
// terminal, returns at once on Ctrl-C.
void installSignalHandlers() {
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal, &action, nullptr);
    // A closed output pipe or a file size limit becomes a write error to report.
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
}

bool interrupted() {
    return interruptSignal != 0;
}

void throwIfInterrupted() {
    if (interrupted())
        throw JarError(ExitInterrupted, "interrupted; nothing was changed by the unfinished step");
}

} // namespace brak::jar
