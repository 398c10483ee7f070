#include "run/PtySession.h"

#include "core/ExitMessages.h"

#include <QEventLoop>
#include <QSocketNotifier>
#include <QTimer>

namespace brak {

namespace {

// How much is read in one pass of the event loop before the window gets its
// turn to paint and take keys.
constexpr std::size_t PassBudget = std::size_t{1} << 20;
// What is still read after the end: a descendant that keeps the terminal
// open and writing cannot hold the console.
constexpr std::size_t EndBudget = std::size_t{16} << 20;

} // namespace

PtySession::PtySession(std::unique_ptr<TerminalProcess> process, TerminalSize size,
                       std::string programName)
    : process_(std::move(process)), programName_(std::move(programName)), screen_(size),
      stopTimer_(std::make_unique<QTimer>()) {
    screen_.setLineLog([this](std::string_view line) { scrolled_.appendLine(line); });
    stopTimer_->setSingleShot(true);
    QObject::connect(stopTimer_.get(), &QTimer::timeout, stopTimer_.get(),
                     [this] { nextStopStep(); });
    if (const int fd = process_->terminalFd(); fd >= 0) {
        reader_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
        QObject::connect(reader_.get(), &QSocketNotifier::activated, reader_.get(),
                         [this] { readOutput(PassBudget); });
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
    process_.reset();
}

void PtySession::readOutput(std::size_t budget) {
    char buffer[64 * 1024];
    while (budget > 0) {
        const long got = process_->read(buffer, sizeof buffer);
        if (got > 0) {
            screen_.feed(std::string_view(buffer, static_cast<std::size_t>(got)));
            budget -= std::min(budget, static_cast<std::size_t>(got));
            continue;
        }
        if (got < 0 && reader_) {
            // Nobody holds the terminal any more: it would read as ready
            // forever, so it is no longer watched.
            reader_->setEnabled(false);
            if (!end_ && process_->reap())
                QTimer::singleShot(0, reader_.get(), [this] { ended(); });
        }
        break;
    }
    if (const std::string replies = screen_.takeReplies(); !replies.empty())
        sendBytes(replies);
    if (screen_.takeChanged() && onChanged)
        onChanged();
}

void PtySession::sendBytes(std::string_view bytes) {
    if (!running() || bytes.empty())
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
    if (running())
        process_->resize(screen_.size());
    if (screen_.takeChanged() && onChanged)
        onChanged();
}

void PtySession::stop() {
    if (!running() || stopping())
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
    if (status_ || !process_->reap())
        return;
    if (end_)
        end_->setEnabled(false);
    // What the program wrote last is still in the terminal.
    if (reader_ && reader_->isEnabled()) {
        readOutput(EndBudget);
        reader_->setEnabled(false);
    }
    if (writer_)
        writer_->setEnabled(false);
    stopTimer_->stop();
    pending_.clear();
    status_ = process_->status();

    output_ = scrolled_.text() + screen_.screenText();
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
