#include "run/PtySession.h"

#include "core/ExitMessages.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QSocketNotifier>
#include <QTimer>

namespace brak {

namespace {

// How much is read in one pass of the event loop before the window gets its
// turn to paint and take keys (and Brak to notice it is told to close).
constexpr std::size_t PassBudget = std::size_t{1} << 20;
// A pass also ends after this time; the screen takes what was read in
// slices, as some sequences cost far more than others.
constexpr qint64 PassMilliseconds = 20;
constexpr std::size_t SliceBytes = 2048;
// What is still read after the end: a descendant that keeps the terminal
// open and writing cannot hold the console.
constexpr std::size_t EndBudget = std::size_t{16} << 20;

} // namespace

PtySession::PtySession(std::unique_ptr<TerminalProcess> process, TerminalSize size,
                       std::string programName)
    : process_(std::move(process)), programName_(std::move(programName)), screen_(size),
      stopTimer_(std::make_unique<QTimer>()), resume_(std::make_unique<QTimer>()) {
    screen_.setLineLog([this](std::string_view line) { scrolled_.appendLine(line); });
    stopTimer_->setSingleShot(true);
    QObject::connect(stopTimer_.get(), &QTimer::timeout, stopTimer_.get(),
                     [this] { nextStopStep(); });
    resume_->setSingleShot(true);
    QObject::connect(resume_.get(), &QTimer::timeout, resume_.get(), [this] {
        if (ending_)
            drainEnd();
        else
            readOutput();
    });
    if (const int fd = process_->terminalFd(); fd >= 0) {
        reader_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
        QObject::connect(reader_.get(), &QSocketNotifier::activated, reader_.get(),
                         [this] { readOutput(); });
        writer_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Write);
        writer_->setEnabled(false);
        QObject::connect(writer_.get(), &QSocketNotifier::activated, writer_.get(),
                         [this] { writePending(); });
    }
    if (const int fd = process_->endFd(); fd >= 0) {
        end_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
        QObject::connect(end_.get(), &QSocketNotifier::activated, end_.get(), [this] { ended(); });
    }
}

PtySession::~PtySession() {
    // The notifiers go before the process closes their descriptors; a
    // program still running is stopped and reaped by its own destructor.
    reader_.reset();
    writer_.reset();
    end_.reset();
    stopTimer_.reset();
    resume_.reset();
    process_.reset();
}

// Reads what the program wrote and feeds it to the screen, until nothing
// more is waiting, the budget is spent or the pass's time is up (false).
bool PtySession::pump(std::size_t& budget) {
    QElapsedTimer clock;
    clock.start();
    char buffer[64 * 1024];
    for (;;) {
        while (fed_ < unfed_.size()) {
            if (clock.elapsed() >= PassMilliseconds)
                return false;
            const std::size_t slice = std::min(SliceBytes, unfed_.size() - fed_);
            screen_.feed(std::string_view(unfed_).substr(fed_, slice));
            fed_ += slice;
        }
        unfed_.clear();
        fed_ = 0;
        if (budget == 0 || endOfOutput_)
            return true;
        const long got = process_->read(buffer, sizeof buffer);
        if (got > 0) {
            unfed_.assign(buffer, static_cast<std::size_t>(got));
            budget -= std::min(budget, static_cast<std::size_t>(got));
            continue;
        }
        if (got < 0 && reader_) {
            // Nobody holds the terminal any more: it would read as ready
            // forever, so it is no longer watched.
            endOfOutput_ = true;
            reader_->setEnabled(false);
            if (!end_ && process_->reap())
                QTimer::singleShot(0, reader_.get(), [this] { ended(); });
        }
        return true;
    }
}

void PtySession::readOutput() {
    std::size_t budget = PassBudget;
    const bool done = pump(budget);
    // Until what was read is in the screen, no more is read; the rest goes
    // on in the event loop's next pass.
    if (reader_ && !endOfOutput_)
        reader_->setEnabled(done);
    if (!done)
        resume_->start(0);
    sendReplies();
    if (screen_.takeChanged() && onChanged)
        onChanged();
}

void PtySession::sendReplies() {
    const std::string replies = screen_.takeReplies();
    if (replies.empty())
        return;
    // A program that asks and never reads its answers does not fill the
    // memory with them.
    if (pending_.size() + replies.size() > PendingLimit) {
        droppedReplies_ += replies.size();
        return;
    }
    sendBytes(replies);
}

void PtySession::sendBytes(std::string_view bytes) {
    if (!running() || ending_ || bytes.empty())
        return;
    pending_.append(bytes);
    writePending();
}

void PtySession::writePending() {
    while (!pending_.empty()) {
        const long put = process_->write(pending_);
        if (put < 0) {
            pending_.clear();
            break;
        }
        if (put == 0)
            break;
        pending_.erase(0, static_cast<std::size_t>(put));
    }
    // The terminal's input was full: the rest goes when there is room.
    if (writer_)
        writer_->setEnabled(!pending_.empty() && running());
}

void PtySession::sendKey(TerminalKey key, unsigned modifiers) {
    sendBytes(screen_.key(key, modifiers));
}

void PtySession::sendCharacter(char32_t character, unsigned modifiers) {
    sendBytes(screen_.keyText(character, modifiers));
}

void PtySession::resize(TerminalSize size) {
    if (size == screen_.size())
        return;
    screen_.resize(size);
    if (running() && !ending_)
        process_->resize(screen_.size());
    if (screen_.takeChanged() && onChanged)
        onChanged();
}

void PtySession::stop() {
    if (!running() || ending_ || stopping())
        return;
    stopStep_ = 0;
    process_->signal(StopLadder[0]);
    stopTimer_->start(stepMilliseconds_);
}

void PtySession::nextStopStep() {
    if (!running())
        return;
    ++stopStep_;
    if (static_cast<std::size_t>(stopStep_) >= StopLadder.size())
        return;
    process_->signal(StopLadder[static_cast<std::size_t>(stopStep_)]);
    if (static_cast<std::size_t>(stopStep_) + 1 < StopLadder.size())
        stopTimer_->start(stepMilliseconds_);
}

void PtySession::ended() {
    if (status_ || ending_ || !process_->reap())
        return;
    if (end_)
        end_->setEnabled(false);
    if (reader_)
        reader_->setEnabled(false);
    if (writer_)
        writer_->setEnabled(false);
    stopTimer_->stop();
    // What the program wrote last is still in the terminal.
    ending_ = true;
    endBudget_ = reader_ ? EndBudget : 0;
    drainEnd();
}

void PtySession::drainEnd() {
    if (!pump(endBudget_)) {
        resume_->start(0);
        if (screen_.takeChanged() && onChanged)
            onChanged();
        return;
    }
    finish();
}

void PtySession::finish() {
    ending_ = false;
    pending_.clear();
    status_ = process_->status();

    output_ = scrolled_.text() + screen_.loggedScreenText();
    if (const std::size_t dropped = droppedReplies(); dropped > 0)
        output_ += "[Brak dropped " + std::to_string(dropped) + " bytes of answers to " +
                   programName_ + "'s terminal queries: it did not read them]\n";
    // Said on the console's own last line, in its own colours.
    std::string last = "\x1b[0m";
    if (screen_.cursor().column != 0)
        last += "\r\n";
    screen_.feed(last + "\x1b[1;37m" + endLine(programName_, *status_) + "\x1b[0m");
    screen_.takeReplies();
    if (screen_.takeChanged() && onChanged)
        onChanged();
    if (onEnded)
        onEnded();
    if (waiting_)
        waiting_->quit();
}

ExitStatus PtySession::waitForEnd() {
    if (running()) {
        QEventLoop loop;
        waiting_ = &loop;
        loop.exec();
        waiting_ = nullptr;
    }
    return *status_;
}

} // namespace brak
