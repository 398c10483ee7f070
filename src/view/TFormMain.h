#pragma once

#include "ui/Brak.h"
#include "view/Binding.h"

#include <QMainWindow>

class QStatusBar;
class QTabWidget;

namespace brak {

// The main window: a skin over the window's model.
class TFormMain : public QMainWindow {
public:
    TFormMain(Brak& brak, QWidget* parent = nullptr);

    Binding& binding() { return *binding_; }

private:
    QWidget* buildCommandGroup();

    Brak& brak_;
    Binding* binding_;
    QTabWidget* pages_ = nullptr;
};

} // namespace brak
