#include "view/TFormConsole.h"

#include "base/QtText.h"
#include "core/ExitMessages.h"
#include "run/Runner.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

namespace brak {

TFormConsole::TFormConsole(Dialogs& dialogs, TerminalSize size, QWidget* parent)
    : QDialog(parent), dialogs_(dialogs), size_(size), view_(new TerminalView(this)),
      state_(new QLabel(this)), stop_(new QPushButton(QStringLiteral("&Stop Jar"), this)),
      blank_(std::make_unique<TerminalScreen>(size)) {
    setObjectName(QStringLiteral("TFormConsole"));
    setWindowTitle(QStringLiteral("JAR32.EXE - Jar's Console"));
    setSizeGripEnabled(true);
    state_->setObjectName(QStringLiteral("ConsoleState"));
    stop_->setObjectName(QStringLiteral("ConsoleStop"));
    // The keyboard belongs to Jar: the button is for the mouse only.
    stop_->setFocusPolicy(Qt::NoFocus);
    stop_->setAutoDefault(false);
    connect(stop_, &QPushButton::clicked, this, [this] { askToStop(); });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(4);
    layout->addWidget(view_, 1);
    auto* bottom = new QHBoxLayout;
    auto* hint = new QLabel(
        QStringLiteral("Ctrl+Shift+C copies the selection, Shift+PgUp scrolls back"), this);
    hint->setEnabled(false);
    bottom->addWidget(state_, 1);
    bottom->addWidget(hint);
    bottom->addWidget(stop_);
    layout->addLayout(bottom);

    view_->setScreen(blank_.get());
    view_->setMinimumSize(view_->sizeFor({4, 20}));
    view_->resize(view_->sizeFor(size));
    resize(sizeHint());
    view_->setFocus();
    showState();
}

TFormConsole::~TFormConsole() {
    view_->setScreen(nullptr);
}

TerminalSize TFormConsole::terminalSize() const {
    return session_ ? session_->screen().size() : size_;
}

QRect TFormConsole::textRect() const {
    const TerminalScreen& screen = session_ ? session_->screen() : *blank_;
    const QWidget* viewport = view_->viewport();
    const int bottom =
        std::clamp(view_->cellRect(screen.cursor().line, 0).bottom(), 0, viewport->height() - 1);
    return {viewport->mapToGlobal(QPoint(0, 0)),
            viewport->mapToGlobal(QPoint(viewport->width() - 1, bottom))};
}

ExitStatus TFormConsole::run(std::unique_ptr<TerminalProcess> process,
                             const std::string& commandLine) {
    setWindowTitle(fileNameToQString(commandLine) + QStringLiteral(" - Jar's Console"));
    session_ = std::make_unique<PtySession>(std::move(process), size_, Runner::ProgramTitle);
    session_->onChanged = [this] { view_->screenChanged(); };
    session_->onEnded = [this] {
        view_->refresh();
        showState();
    };
    view_->setScreen(&session_->screen(), session_.get());
    view_->onResize = [this](TerminalSize fitting) {
        if (session_)
            session_->resize(fitting);
    };
    // The window may have been given another size than asked for.
    session_->resize(view_->fittingSize());
    showState();
    view_->setFocus();
    return session_->waitForEnd();
}

void TFormConsole::showState() {
    if (!session_) {
        state_->clear();
        stop_->setEnabled(false);
        return;
    }
    if (session_->running()) {
        state_->setText(session_->stopping() ? QStringLiteral("Stopping JAR32.EXE...")
                                             : QStringLiteral("JAR32.EXE is running"));
        stop_->setEnabled(!session_->stopping());
        return;
    }
    state_->setText(QString::fromStdString(endLine(Runner::ProgramTitle, *session_->status())));
    stop_->setEnabled(false);
}

void TFormConsole::askToStop() {
    if (!session_ || !session_->running() || session_->stopping())
        return;
    const MessageAnswer answer =
        dialogs_.messageBox({StopQuestion, StopCaption, MessageIcon::Question,
                             MessageButtons::YesNo, MessageAnswer::No});
    if (answer == MessageAnswer::Yes && session_->running())
        session_->stop();
    showState();
}

void TFormConsole::closeEvent(QCloseEvent* event) {
    // The window stays while Jar runs; once Jar has ended, whoever ran it
    // closes it.
    if (session_ && session_->running()) {
        event->ignore();
        // The user closing the window is asked; the program closing it (Brak
        // told to end) stops Jar, as nobody is there to answer.
        if (event->spontaneous())
            askToStop();
        else
            session_->stop();
        showState();
        return;
    }
    event->accept();
}

void TFormConsole::reject() {
    if (session_ && session_->running())
        askToStop();
    else
        close();
}

} // namespace brak
