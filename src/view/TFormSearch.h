#pragma once

#include "startup/SearchWindow.h"

#include <QDialog>
#include <QElapsedTimer>

class QLabel;
class QPushButton;
class QTimer;

namespace brak {

// The first-run search window: a skin over its model. The search runs in
// short slices between the window's events, so the window repaints and the
// user can stop it; the directory shown changes at most 20 times a second,
// so showing the progress costs the search next to nothing.
class TFormSearch : public QDialog {
public:
    TFormSearch(SearchWindow& model, QWidget* parent = nullptr);

    QLabel* laSearch() const { return laSearch_; }
    QPushButton* buSearch() const { return buSearch_; }
    QPushButton* buContinue() const { return buContinue_; }
    // How often the directory shown has changed.
    int progressShown() const { return progressShown_; }

    // How long one slice of the search may take, and the shortest time
    // between two progress updates.
    static constexpr int SliceMilliseconds = 20;
    static constexpr int ProgressMilliseconds = 50;

protected:
    // Esc or the window system's close: a search stops, the window closes.
    void reject() override;

private:
    void sync();
    void showProgress();
    void searchSlice();

    SearchWindow& model_;
    QLabel* laSearch_;
    QPushButton* buSearch_;
    QPushButton* buContinue_;
    QTimer* slices_;
    QElapsedTimer sinceProgress_;
    int progressShown_ = 0;
};

} // namespace brak
