#pragma once

#include "ui/Brak.h"
#include "view/Binding.h"

#include <QMainWindow>

class QLabel;
class QMenu;
class QTabWidget;

namespace brak {

// The main window: a skin over the window's model. It builds a widget for
// every control, lays them out, and leaves all behaviour to the model.
class TFormMain : public QMainWindow {
public:
    explicit TFormMain(Brak& brak, QWidget* parent = nullptr);
    ~TFormMain() override;

    Binding& binding() { return *binding_; }
    Brak& brak() { return brak_; }

    // The status bar's single text.
    QLabel* statusText() const { return statusText_; }

protected:
    // The status bar shows the command line only, never a hint.
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // A file dropped on the window opens as the program's argument does:
    // an archive is listed, a configuration file loaded.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    // Enter on a command button.
    bool eventFilter(QObject* watched, QEvent* event) override;
    // The user moving or sizing the window moves the model's bounds.
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildMenus();
    QWidget* buildCommandGroup();
    QWidget* buildViewPage();
    QWidget* buildSelectionPage();
    QWidget* buildConfigPage();
    QWidget* buildBasicPage();
    QWidget* buildMediumPage();
    QWidget* buildAdvancedPage();
    void showBounds();
    // Enter on the command group, or F9: the checked command runs.
    void runCheckedCommand();
    void takeBounds();

    Brak& brak_;
    Binding* binding_;
    QTabWidget* pages_ = nullptr;
    QLabel* statusText_ = nullptr;
    bool showingBounds_ = false;
};

} // namespace brak
