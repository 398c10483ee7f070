#include "Common.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace brak::jar {

namespace {

volatile std::sig_atomic_t interruptSignal = 0;
int wakeUp[2] = {-1, -1};

void onInterrupt(int signal) {
    interruptSignal = signal;
    const int saved = errno;
    if (wakeUp[1] >= 0) [[maybe_unused]]
        const auto written = ::write(wakeUp[1], "!", 1);
    errno = saved;
}

} // namespace

// No SA_RESTART: a prompt waiting for input, or a write to a stalled
// terminal, returns at once on Ctrl-C.
void installSignalHandlers() {
    if (::pipe2(wakeUp, O_CLOEXEC | O_NONBLOCK) != 0)
        wakeUp[0] = wakeUp[1] = -1;
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal, &action, nullptr);
    // A closed output pipe or a file size limit becomes a write error to report.
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
}

int interruptDescriptor() {
    return wakeUp[0];
}

bool interrupted() {
    return interruptSignal != 0;
}

void throwIfInterrupted() {
    if (interrupted())
        throw JarError(ExitInterrupted, "interrupted; nothing was changed by the unfinished step");
}

} // namespace brak::jar
