#include "view/Binding.h"

#include <QCheckBox>
#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPalette>
#include <QRadioButton>

namespace brak {

namespace {

QColor toQColor(Colour bgr) {
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

const char* const RadioProperty = "brakRadio";

} // namespace

void Binding::bindCommon(QWidget* widget, Control& control) {
    widget->setObjectName(QString::fromStdString(control.name()));
    auto sync = [widget, &control] {
        widget->setEnabled(control.enabled());
        widget->setToolTip(QString::fromStdString(control.hint()));
    };
    sync();
    control.addObserver([sync](const Control&) { sync(); });
}

void Binding::bind(QCheckBox* widget, CheckBox& control) {
    bindCommon(widget, control);
    widget->setText(QString::fromStdString(control.caption()));
    auto sync = [widget, &control] {
        QSignalBlocker block(widget);
        widget->setChecked(control.checked());
        widget->setEnabled(control.enabled());
    };
    sync();
    control.addObserver([sync](const Control&) { sync(); });
    connect(widget, &QCheckBox::clicked, this, [this, &control, sync](bool) {
        guard([&] { control.click(); });
        sync();
    });
}

void Binding::bind(QRadioButton* widget, RadioButton& control) {
    bindCommon(widget, control);
    widget->setText(QString::fromStdString(control.caption()));
    // The model keeps the group exclusive, not the widget.
    widget->setAutoExclusive(false);
    auto sync = [widget, &control] {
        QSignalBlocker block(widget);
        widget->setChecked(control.checked());
        widget->setEnabled(control.enabled());
    };
    sync();
    control.addObserver([sync](const Control&) { sync(); });
    connect(widget, &QRadioButton::clicked, this, [this, &control, sync](bool) {
        guard([&] { control.click(); });
        sync();
    });
    widget->setProperty(RadioProperty, QVariant::fromValue<void*>(&control));
    widget->installEventFilter(this);
}

void Binding::bind(QLineEdit* widget, Edit& control) {
    bindCommon(widget, control);
    auto sync = [widget, &control] {
        QSignalBlocker block(widget);
        QString text = QString::fromStdString(control.text());
        if (widget->text() != text)
            widget->setText(text);
        widget->setEnabled(control.enabled());
        widget->setReadOnly(control.readOnly());
        widget->setEchoMode(control.passwordChar() ? QLineEdit::Password : QLineEdit::Normal);
        QPalette palette = widget->palette();
        palette.setColor(QPalette::Base, toQColor(control.colour()));
        widget->setPalette(palette);
    };
    sync();
    control.addObserver([sync](const Control&) { sync(); });
    connect(widget, &QLineEdit::textEdited, this, [this, widget, &control](const QString& text) {
        guard([&] {
            control.setSelStart(widget->cursorPosition());
            control.setText(text.toStdString());
            control.setSelStart(widget->cursorPosition());
        });
    });
}

bool Binding::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonDblClick) {
        QVariant radio = watched->property(RadioProperty);
        if (radio.isValid()) {
            auto* control = static_cast<RadioButton*>(radio.value<void*>());
            guard([&] { control->doubleClick(); });
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace brak
