#pragma once

#include "form/Grid.h"
#include "form/Lists.h"
#include "form/MainForm.h"
#include "form/Validate.h"
#include "platform/Dialogs.h"

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

class QAction;
class QCheckBox;
class QComboBox;
class QDateTimeEdit;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace brak {

class DirectoryView;
class FileListView;
class GridView;
class SpinWidget;

// Keeps widgets and their model controls in step: a model change is
// mirrored into the widget with its signals blocked, and what the user does
// is forwarded to the model. Widgets keep no state of their own: checked,
// enabled, colours and radio exclusivity all come from the model. Every
// widget gets its control's name as objectName.
//
// The model outlives the view, and a control never forgets an observer, so
// every observer holds a weak reference to this binding and a guarded
// pointer to its widget: once either is gone, the observer does nothing.
class Binding : public QObject {
public:
    // window: the top-level widget whose focus moves run the panel exits.
    Binding(Dialogs& dialogs, QWidget* window);
    ~Binding() override;

    QCheckBox* checkBox(CheckBox& control);
    QRadioButton* radioButton(RadioButton& control);
    // Any one-line field, the integer fields included.
    QLineEdit* edit(Edit& control);
    // A field that opens a picker on a double click, with a small button
    // beside it that does the same; the button follows the field's state.
    QWidget* withPicker(QLineEdit* field, Edit& control);
    QWidget* pickerEdit(Edit& control);
    QLabel* label(Label& control);
    QPushButton* button(Button& control);
    // A panel with a caption becomes a group box, one without a framed panel.
    QGroupBox* groupBox(Panel& control);
    QFrame* panel(Panel& control);
    QDateTimeEdit* picker(TDTEdit& control);
    SpinWidget* spinButton(SpinButton& control);
    GridView* grid(StringGrid& control);
    QComboBox* driveList(DriveList& control);
    DirectoryView* directoryList(DirectoryList& control);
    FileListView* fileList(FileList& control);
    QAction* action(MenuItem& control, QObject* parent);
    // A widget made elsewhere (a tab page, the status bar): name, enabled
    // state and hint.
    void bindCommon(QWidget* widget, Control& control);

    // A window-wide part of the model (caption, status bar, active page):
    // sync runs now and after every change, for as long as the binding lives.
    void follow(Control& control, std::function<void()> sync);

    // Hints appear as tool tips while shown; off, no widget has one.
    void setHintsShown(bool shown);
    bool hintsShown() const { return hintsShown_; }

    // The widget made for a control, or null.
    QWidget* widgetFor(const Control& control) const;

    // Runs an action of the user as the event loop runs a handler: an error
    // it raises ends in the error box and the program carries on.
    template <typename Action> void guard(Action&& action);

    Dialogs& dialogs() { return dialogs_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Registers the widget and calls sync now and after every change of the
    // control, for as long as both the binding and the widget live.
    template <typename W, typename Sync> void observe(Control& control, W* widget, Sync sync);
    void track(QWidget* widget, Control& control);
    // A check box or radio button: mirrors checked and enabled, forwards clicks.
    template <typename W, typename C> W* toggle(C& control);
    void showHint(QWidget* widget, const Control& control) const;
    Control* controlAt(QWidget* widget) const;
    void focusChanged(QWidget* old, QWidget* now);
    void runExits(QWidget* from, QWidget* to);
    void keyRelease(Edit& control, QLineEdit* widget, int key);

    Dialogs& dialogs_;
    QPointer<QWidget> window_;
    std::shared_ptr<int> life_ = std::make_shared<int>(0);
    std::unordered_map<const QObject*, Control*> controls_;
    std::unordered_map<const Control*, QPointer<QWidget>> widgets_;
    bool hintsShown_ = true;
    // The last widget of the window that held the focus: a message box or
    // another window taking the focus for a while moves nothing.
    QPointer<QWidget> lastFocus_;
    // Focus moves that happen while an action runs (a handler disabling the
    // focused widget) run their panel exits once the action is over.
    int running_ = 0;
    QPointer<QWidget> pendingFrom_;
    bool exitPending_ = false;
};

} // namespace brak

#include "ui/ErrorBox.h"

template <typename Action> void brak::Binding::guard(Action&& action) {
    ++running_;
    runHandler(dialogs_, std::forward<Action>(action));
    --running_;
    if (running_ == 0 && exitPending_) {
        exitPending_ = false;
        QPointer<QWidget> from = pendingFrom_;
        pendingFrom_ = nullptr;
        runExits(from, lastFocus_);
    }
}
