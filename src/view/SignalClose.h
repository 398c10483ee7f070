#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

class QSocketNotifier;
class QTimer;

namespace brak {

// Ends the program as the window's own close control does when the system
// asks it to (SIGTERM, SIGHUP, SIGINT): a box or dialog open at the time
// closes with its safe answer, and the main window then closes through its
// close sequence, so the layout and the last state are saved as usual.
class SignalClose : public QObject {
public:
    // Catches the signals from now on; call it first thing, before anything
    // can take long. Until a SignalClose exists they wait.
    static void catchSignals();

    explicit SignalClose(QObject* parent = nullptr);

    void setWindow(QWidget* window) { window_ = window; }
    // The event loop runs: a close asked for earlier happens now.
    void running();

private:
    void received();
    void closeSomething();

    QPointer<QWidget> window_;
    QSocketNotifier* notifier_;
    QTimer* closing_;
    bool running_ = false;
    bool asked_ = false;
};

} // namespace brak
