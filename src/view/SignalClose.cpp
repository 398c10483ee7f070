#include "view/SignalClose.h"

#include <QApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace brak {

namespace {

// The handler only writes to a pipe; the event loop reads it.
int pipeEnds[2] = {-1, -1};

extern "C" void noteSignal(int) {
    const int saved = errno;
    const char byte = 1;
    (void)!::write(pipeEnds[1], &byte, 1);
    errno = saved;
}

} // namespace

void SignalClose::catchSignals() {
    if (pipeEnds[0] >= 0 || ::pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    struct sigaction action {};
    action.sa_handler = noteSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGHUP, SIGINT})
        ::sigaction(signal, &action, nullptr);
}

SignalClose::SignalClose(QObject* parent)
    : QObject(parent), notifier_(nullptr), closing_(new QTimer(this)) {
    closing_->setInterval(100);
    connect(closing_, &QTimer::timeout, this, &SignalClose::closeSomething);
    if (pipeEnds[0] < 0)
        return;
    notifier_ = new QSocketNotifier(pipeEnds[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &SignalClose::received);
}

void SignalClose::running() {
    running_ = true;
    if (asked_)
        closeSomething();
}

void SignalClose::received() {
    char bytes[64];
    while (::read(pipeEnds[0], bytes, sizeof bytes) > 0) {
    }
    asked_ = true;
    closeSomething();
    closing_->start();
}

void SignalClose::closeSomething() {
    // A modal box or dialog first, whenever one is open: the program may be
    // starting, or in the middle of the close sequence.
    if (QWidget* modal = QApplication::activeModalWidget()) {
        modal->close();
        return;
    }
    if (!running_)
        return;
    closing_->stop();
    if (window_)
        window_->close();
}

} // namespace brak
