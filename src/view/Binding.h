#pragma once

#include "form/Control.h"
#include "platform/Dialogs.h"

#include <QObject>

class QCheckBox;
class QRadioButton;
class QLineEdit;
class QWidget;

namespace brak {

// Keeps widgets and their model controls in step: a model change is
// mirrored into the widget with its signals blocked, and what the user does
// is forwarded to the model. An error a handler raises ends in the error box.
class Binding : public QObject {
public:
    Binding(Dialogs& dialogs, QObject* parent = nullptr) : QObject(parent), dialogs_(dialogs) {}

    void bind(QCheckBox* widget, CheckBox& control);
    void bind(QRadioButton* widget, RadioButton& control);
    void bind(QLineEdit* widget, Edit& control);
    // Enabled state and hint only, for any other widget.
    void bindCommon(QWidget* widget, Control& control);

    // Runs an action of the user as the event loop runs a handler.
    template <typename Action> void guard(Action&& action);

    Dialogs& dialogs() { return dialogs_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Dialogs& dialogs_;
};

} // namespace brak

#include "ui/ErrorBox.h"

template <typename Action> void brak::Binding::guard(Action&& action) {
    runHandler(dialogs_, std::forward<Action>(action));
}
