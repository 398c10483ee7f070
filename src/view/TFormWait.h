#pragma once

#include <QDialog>

class QLabel;

namespace brak {

// The small window shown while Brak waits for Jar longer than a moment:
// what it waits for, a busy bar, and Cancel.
class TFormWait : public QDialog {
public:
    TFormWait(const QString& title, const QString& detail, QWidget* parent = nullptr);
};

} // namespace brak
