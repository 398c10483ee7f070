#pragma once

#include "run/RunLog.h"

#include <QDialog>

class QListWidget;
class QPlainTextEdit;

namespace brak {

// "Last Jar Output": the runs of Jar kept in memory, newest first, each
// with what ran, when, how long, how it ended, and the console's text.
class TFormLastOutput : public QDialog {
public:
    explicit TFormLastOutput(const RunLog& log, QWidget* parent = nullptr);

    QListWidget* runs() const { return runs_; }
    QPlainTextEdit* text() const { return text_; }

private:
    void show(int run);

    const RunLog& log_;
    QListWidget* runs_;
    QPlainTextEdit* text_;
};

} // namespace brak
