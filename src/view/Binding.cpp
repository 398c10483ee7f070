#include "view/Binding.h"

#include "base/QtText.h"
#include "view/SchemeColour.h"
#include "view/Widgets.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDragEnterEvent>
#include <QEvent>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMimeData>
#include <QPalette>
#include <QProxyStyle>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QToolButton>
#include <algorithm>

namespace brak {

namespace {

QString qs(const std::string& text) {
    return fileNameToQString(text);
}

// A one-line field that tells typing from the rest: a paste (by keys,
// menu or mouse), a drop or an input method puts its text in whole.
class FieldEdit : public QLineEdit {
public:
    bool typing() const { return typing_; }
    // Where the caret stood before the event that changes the text.
    int caretBefore() const { return caretBefore_; }

protected:
    bool event(QEvent* event) override {
        caretBefore_ = cursorPosition();
        return QLineEdit::event(event);
    }
    void keyPressEvent(QKeyEvent* event) override {
        typing_ = !event->matches(QKeySequence::Paste);
        QLineEdit::keyPressEvent(event);
        typing_ = false;
    }
    // A file dragged over a field is for the window, which opens it.
    void dragEnterEvent(QDragEnterEvent* event) override {
        if (event->mimeData()->hasUrls())
            event->ignore();
        else
            QLineEdit::dragEnterEvent(event);
    }

private:
    bool typing_ = false;
    int caretBefore_ = 0;
};

// Where the field's caret stands, counted in the model's bytes.
int caretBytes(const QLineEdit* widget) {
    return utf16OffsetToBytes(widget->text(), widget->cursorPosition());
}

void paintBase(QWidget* widget, Colour colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Base, toQColor(colour));
    // Greyed text that still reads on a silver field.
    palette.setColor(QPalette::Disabled, QPalette::Text, QColor(109, 109, 109));
    widget->setPalette(palette);
}

// Shows a masked field's characters as the model's mask character, not as
// the style's own bullets.
class MaskStyle : public QProxyStyle {
public:
    explicit MaskStyle(QChar mask) : mask_(mask) {}
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* data) const override {
        if (hint == SH_LineEdit_PasswordCharacter)
            return mask_.unicode();
        return QProxyStyle::styleHint(hint, option, widget, data);
    }

private:
    QChar mask_;
};

// One style per mask character, living as long as the application, since a
// widget may outlive any binding that set it.
QStyle* maskStyle(char mask) {
    static std::unordered_map<char, QStyle*> styles;
    QStyle*& style = styles[mask];
    if (!style) {
        style = new MaskStyle(QLatin1Char(mask));
        style->setParent(qApp);
    }
    return style;
}

QDateTime toQDateTime(const DateTime& value) {
    return QDateTime(QDate(value.year, value.month, value.day),
                     QTime(value.hour, value.minute, value.second));
}

DateTime fromQDateTime(const QDateTime& value) {
    QDate date = value.date();
    QTime time = value.time();
    return {date.year(), date.month(), date.day(), time.hour(), time.minute(), time.second()};
}

} // namespace

Binding::Binding(Dialogs& dialogs, QWidget* window)
    : QObject(window), dialogs_(dialogs), window_(window) {
    connect(qApp, &QApplication::focusChanged, this,
            [this](QWidget* old, QWidget* now) { focusChanged(old, now); });
}

Binding::~Binding() = default;

template <typename W, typename Sync> void Binding::observe(Control& control, W* widget, Sync sync) {
    QPointer<W> guarded(widget);
    std::weak_ptr<int> life = life_;
    auto refresh = [guarded, life, sync] {
        if (life.expired() || !guarded)
            return;
        sync(guarded.data());
    };
    refresh();
    control.addObserver([refresh](const Control&) { refresh(); });
}

void Binding::follow(Control& control, std::function<void()> sync) {
    std::weak_ptr<int> life = life_;
    sync();
    control.addObserver([life, sync](const Control&) {
        if (!life.expired())
            sync();
    });
}

void Binding::track(QWidget* widget, Control& control) {
    widget->setObjectName(qs(control.name()));
    controls_[widget] = &control;
    widgets_[&control] = widget;
    connect(widget, &QObject::destroyed, this, [this, widget, &control] {
        controls_.erase(widget);
        auto it = widgets_.find(&control);
        if (it != widgets_.end() && !it->second)
            widgets_.erase(it);
    });
    showHint(widget, control);
}

void Binding::showHint(QWidget* widget, const Control& control) const {
    widget->setToolTip(hintsShown_ ? qs(control.hint()) : QString());
}

void Binding::setHintsShown(bool shown) {
    hintsShown_ = shown;
    for (const auto& [control, widget] : widgets_)
        if (widget)
            showHint(widget, *control);
}

QWidget* Binding::widgetFor(const Control& control) const {
    auto it = widgets_.find(&control);
    return it == widgets_.end() ? nullptr : it->second.data();
}

void Binding::bindCommon(QWidget* widget, Control& control) {
    track(widget, control);
    observe(control, widget, [&control](QWidget* w) { w->setEnabled(control.enabled()); });
}

template <typename W, typename C> W* Binding::toggle(C& control) {
    auto* widget = new W(qs(control.caption()));
    track(widget, control);
    auto sync = [&control](W* w) {
        QSignalBlocker block(w);
        w->setChecked(control.checked());
        w->setEnabled(control.enabled());
    };
    observe(control, widget, sync);
    connect(widget, &QAbstractButton::clicked, this,
            [this, guarded = QPointer<W>(widget), &control, sync] {
                guard([&] { control.click(); });
                if (guarded)
                    sync(guarded.data());
            });
    return widget;
}

QCheckBox* Binding::checkBox(CheckBox& control) {
    return toggle<QCheckBox>(control);
}

QRadioButton* Binding::radioButton(RadioButton& control) {
    auto* widget = toggle<QRadioButton>(control);
    // The model keeps each group exclusive, not the widget.
    widget->setAutoExclusive(false);
    widget->installEventFilter(this);
    return widget;
}

QLineEdit* Binding::edit(Edit& control) {
    auto* widget = new FieldEdit;
    track(widget, control);
    auto focusRequests = std::make_shared<int>(control.focusRequests());
    observe(control, widget, [&control, focusRequests](QLineEdit* w) {
        QSignalBlocker block(w);
        QString text = qs(control.text());
        if (w->text() != text) {
            w->setText(text);
            w->setCursorPosition(byteOffsetToUtf16(control.text(), control.selStart()));
        }
        w->setEnabled(control.enabled());
        w->setReadOnly(control.readOnly());
        if (control.passwordChar() && w->style() != maskStyle(control.passwordChar()))
            w->setStyle(maskStyle(control.passwordChar()));
        w->setEchoMode(control.passwordChar() ? QLineEdit::Password : QLineEdit::Normal);
        paintBase(w, control.colour());
        // A field asked for the focus gets it when the user can see it.
        if (control.focusRequests() != *focusRequests) {
            *focusRequests = control.focusRequests();
            if (w->isVisible() && w->isEnabled())
                w->setFocus(Qt::OtherFocusReason);
        }
    });
    connect(widget, &QLineEdit::textEdited, this, [this, widget, &control](const QString& text) {
        if (!widget->typing()) {
            // Whole: a checked field may refuse it, and then shows its
            // text and caret of before again.
            guard([&] {
                control.setSelStart(utf16OffsetToBytes(qs(control.text()), widget->caretBefore()));
                control.paste(fileNameFromQString(text), caretBytes(widget));
            });
            return;
        }
        guard([&] {
            control.setSelStart(caretBytes(widget));
            control.setText(fileNameFromQString(text));
            control.setSelStart(caretBytes(widget));
        });
    });
    widget->installEventFilter(this);
    return widget;
}

QWidget* Binding::withPicker(QLineEdit* field, Edit& control) {
    auto* holder = new QWidget;
    auto* layout = new QHBoxLayout(holder);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(field, 1);
    auto* button = new QToolButton;
    button->setText(QStringLiteral("\u2026"));
    button->setObjectName(field->objectName() + QStringLiteral("Picker"));
    button->setFixedSize(std::max(22, field->sizeHint().height()), field->sizeHint().height());
    button->setFocusPolicy(Qt::TabFocus);
    layout->addWidget(button);
    // The button belongs to its field: moving the focus between them
    // leaves no panel.
    controls_[button] = &control;
    connect(button, &QObject::destroyed, this, [this, button] { controls_.erase(button); });
    observe(control, button, [&control](QToolButton* b) { b->setEnabled(control.enabled()); });
    // The same event as a double click in the field.
    connect(button, &QToolButton::clicked, this,
            [this, &control] { guard([&] { control.doubleClick(); }); });
    return holder;
}

QWidget* Binding::pickerEdit(Edit& control) {
    return withPicker(edit(control), control);
}

QLabel* Binding::label(Label& control) {
    auto* widget = new QLabel;
    track(widget, control);
    observe(control, widget, [&control](QLabel* w) {
        w->setText(qs(control.caption()));
        w->setEnabled(control.enabled());
    });
    return widget;
}

QPushButton* Binding::button(Button& control) {
    auto* widget = new QPushButton(qs(control.caption()));
    track(widget, control);
    observe(control, widget, [&control](QPushButton* w) { w->setEnabled(control.enabled()); });
    connect(widget, &QPushButton::clicked, this,
            [this, &control] { guard([&] { control.click(); }); });
    return widget;
}

QGroupBox* Binding::groupBox(Panel& control) {
    auto* widget = new QGroupBox(qs(control.caption()));
    bindCommon(widget, control);
    return widget;
}

QFrame* Binding::panel(Panel& control) {
    auto* widget = new QFrame;
    widget->setFrameStyle(QFrame::StyledPanel | QFrame::Raised);
    bindCommon(widget, control);
    return widget;
}

QDateTimeEdit* Binding::picker(TDTEdit& control) {
    auto* widget = new QDateTimeEdit;
    track(widget, control);
    observe(control, widget, [&control](QDateTimeEdit* w) {
        QSignalBlocker block(w);
        QLocale locale;
        bool date = control.kind() == TDTEdit::Kind::Date;
        w->setDisplayFormat(
            date ? locale.dateFormat(QLocale::ShortFormat)
                 : locale.timeFormat(QLocale::LongFormat).remove(QLatin1Char('t')).trimmed());
        w->setCalendarPopup(date);
        QDateTime value = toQDateTime(control.GetValue());
        if (w->dateTime() != value)
            w->setDateTime(value);
        w->setEnabled(control.enabled());
        paintBase(w, control.colour());
    });
    connect(widget, &QDateTimeEdit::dateTimeChanged, this,
            [this, &control](const QDateTime& value) {
                guard([&] { control.SetValue(fromQDateTime(value)); });
            });
    widget->installEventFilter(this);
    return widget;
}

SpinWidget* Binding::spinButton(SpinButton& control) {
    auto* widget = new SpinWidget;
    track(widget, control);
    observe(control, widget, [&control](SpinWidget* w) { w->setEnabled(control.enabled()); });
    connect(widget->up(), &QToolButton::clicked, this,
            [this, &control] { guard([&] { control.clickUp(); }); });
    connect(widget->down(), &QToolButton::clicked, this,
            [this, &control] { guard([&] { control.clickDown(); }); });
    return widget;
}

GridView* Binding::grid(StringGrid& control) {
    auto* widget = new GridView(control);
    track(widget, control);
    observe(control, widget, [&control](GridView* w) {
        w->sync();
        w->setEnabled(control.enabled());
    });
    widget->onSelectCell = [this, &control](int col, int row) {
        guard([&] { control.selectCell(col, row); });
    };
    widget->onClick = [this, &control] { guard([&] { control.click(); }); };
    widget->onSelectRangeTo = [this, &control](int row) {
        guard([&] { control.selectRangeTo(row); });
    };
    widget->onHeadingClick = [this, &control](int col) {
        guard([&] { control.headingClick(col); });
    };
    widget->onColumnsResized = [this, widget, &control](const std::vector<int>& cols) {
        guard([&] {
            GridUpdate update(control);
            for (int c : cols)
                control.setColWidth(c, widget->columnWidth(c));
        });
    };
    widget->onColumnsFitted = [this, &control](const std::vector<int>& widths) {
        guard([&] {
            GridUpdate update(control);
            for (std::size_t c = 0; c < widths.size(); ++c)
                control.fitColWidth(static_cast<int>(c), widths[c]);
        });
    };
    return widget;
}

QComboBox* Binding::driveList(DriveList& control) {
    auto* widget = new DriveBox;
    track(widget, control);
    observe(control, widget, [&control](QComboBox* w) {
        QSignalBlocker block(w);
        QStringList drives;
        for (const std::string& drive : control.drives())
            drives << qs(drive);
        QStringList shown;
        for (int i = 0; i < w->count(); ++i)
            shown << w->itemText(i);
        if (shown != drives) {
            w->clear();
            w->addItems(drives);
        }
        w->setCurrentIndex(w->findText(qs(control.drive())));
        w->setEnabled(control.enabled());
    });
    connect(widget, &QComboBox::activated, this, [this, widget, &control](int index) {
        guard([&] { control.setDrive(fileNameFromQString(widget->itemText(index))); });
    });
    widget->onDropDown = [this, &control] { guard([&] { control.dropDown(); }); };
    return widget;
}

DirectoryView* Binding::directoryList(DirectoryList& control) {
    auto* widget = new DirectoryView(control);
    track(widget, control);
    observe(control, widget, [&control](DirectoryView* w) {
        w->sync();
        w->setEnabled(control.enabled());
    });
    widget->onChoose = [this, &control](const std::string& directory) {
        guard([&] { control.setDirectory(directory); });
    };
    return widget;
}

FileListView* Binding::fileList(FileList& control) {
    auto* widget = new FileListView(control);
    track(widget, control);
    observe(control, widget, [&control](FileListView* w) {
        w->sync();
        w->setEnabled(control.enabled());
    });
    widget->onSelect = [this, &control](std::vector<bool> selected) {
        guard([&] {
            control.setSelection(std::move(selected));
            control.click();
        });
    };
    return widget;
}

QAction* Binding::action(MenuItem& control, QObject* parent) {
    auto* widget = new QAction(qs(control.caption()), parent);
    widget->setObjectName(qs(control.name()));
    widget->setCheckable(control.checkable());
    controls_[widget] = &control;
    auto sync = [&control](QAction* a) {
        QSignalBlocker block(a);
        a->setChecked(control.checked());
        a->setEnabled(control.enabled());
    };
    QPointer<QAction> guarded(widget);
    std::weak_ptr<int> life = life_;
    auto refresh = [guarded, life, sync] {
        if (!life.expired() && guarded)
            sync(guarded.data());
    };
    refresh();
    control.addObserver([refresh](const Control&) { refresh(); });
    // A checkable action ticks itself; the item's own handler decides.
    connect(widget, &QAction::triggered, this, [this, &control, refresh] {
        guard([&] { control.click(); });
        refresh();
    });
    return widget;
}

Control* Binding::controlAt(QWidget* widget) const {
    for (QWidget* w = widget; w; w = w->parentWidget()) {
        auto it = controls_.find(w);
        if (it != controls_.end())
            return it->second;
    }
    return nullptr;
}

void Binding::focusChanged(QWidget*, QWidget* now) {
    if (!now || !window_ || now->window() != window_)
        return;
    QPointer<QWidget> from = lastFocus_;
    lastFocus_ = now;
    if (running_ > 0) {
        if (!exitPending_) {
            exitPending_ = true;
            pendingFrom_ = from;
        }
        return;
    }
    runExits(from, now);
}

void Binding::runExits(QWidget* from, QWidget* to) {
    if (!from || from == to)
        return;
    Control* left = controlAt(from);
    if (!left)
        return;
    Control* entered = to ? controlAt(to) : nullptr;
    auto* start = dynamic_cast<Panel*>(left);
    if (!start)
        start = left->parent();
    // Innermost panel first, as the focus leaves them one after the other.
    std::vector<Panel*> exits;
    for (Panel* p = start; p; p = p->parent()) {
        bool inside = entered && (entered == p || p->contains(*entered));
        if (!inside && p->onExit)
            exits.push_back(p);
    }
    for (Panel* p : exits)
        guard([p] { p->exit(); });
}

void Binding::keyRelease(Edit& control, QLineEdit* widget, int key) {
    QPointer<QLineEdit> guarded(widget);
    guard([&] {
        std::string text = fileNameFromQString(widget->text());
        if (control.text() != text)
            control.setText(text);
        control.setSelStart(caretBytes(widget));
        control.keyUp(key);
    });
    // A rule that removed a character puts the caret where it stood.
    if (guarded && guarded->text() == qs(control.text())) {
        const int caret = byteOffsetToUtf16(control.text(), control.selStart());
        if (guarded->cursorPosition() != caret)
            guarded->setCursorPosition(caret);
    }
}

bool Binding::eventFilter(QObject* watched, QEvent* event) {
    auto found = controls_.find(watched);
    if (found == controls_.end())
        return QObject::eventFilter(watched, event);
    Control* control = found->second;
    switch (event->type()) {
    case QEvent::MouseButtonDblClick:
        if (auto* radio = dynamic_cast<RadioButton*>(control)) {
            guard([&] { radio->doubleClick(); });
            return true;
        }
        if (auto* field = dynamic_cast<Edit*>(control); field && field->onDoubleClick) {
            guard([&] { field->doubleClick(); });
            return true;
        }
        break;
    case QEvent::KeyPress: {
        auto* key = static_cast<QKeyEvent*>(event);
        // Every typed character, Enter as '\r', before the field takes it.
        std::string typed = key->text().toStdString();
        typed.erase(std::remove(typed.begin(), typed.end(), '\x7f'), typed.end());
        if (typed.empty())
            break;
        if (auto* field = dynamic_cast<Edit*>(control)) {
            for (char c : typed)
                guard([&] { field->keyPress(c); });
        } else if (auto* picker = dynamic_cast<TDTEdit*>(control)) {
            for (char c : typed)
                guard([&] { picker->KeyPress(c); });
        }
        break;
    }
    case QEvent::KeyRelease: {
        auto* key = static_cast<QKeyEvent*>(event);
        auto* field = dynamic_cast<Edit*>(control);
        auto* widget = qobject_cast<QLineEdit*>(watched);
        // The window system tells a held key's release once, at the end.
        if (field && widget && !key->isAutoRepeat())
            keyRelease(*field, widget, key->key());
        break;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace brak
