#include "form/Control.h"

namespace brak {

Control* Form::find(const std::string& name) const {
    auto it = byName_.find(name);
    return it == byName_.end() ? nullptr : it->second;
}

void Form::add(Control* control) {
    BRAK_ASSERT(!byName_.count(control->name())); // names are unique within a form
    controls_.push_back(control);
    byName_.emplace(control->name(), control);
}

Control::Control(Form* form, std::string name, Panel* parent)
    : name_(std::move(name)), parent_(parent) {
    if (form)
        form->add(this);
}

void Control::setEnabled(bool enabled) {
    if (enabled_ == enabled)
        return;
    enabled_ = enabled;
    notify();
}

void Control::notify() {
    for (const auto& observer : observers_)
        observer(*this);
}

Panel::Panel(Form* form, std::string name, std::string caption, Panel* parent)
    : Control(form, std::move(name), parent), caption_(std::move(caption)) {}

bool Panel::contains(const Control& control) const {
    for (Panel* p = control.parent(); p; p = p->parent())
        if (p == this)
            return true;
    return false;
}

Label::Label(Form* form, std::string name, std::string caption, Panel* parent)
    : Control(form, std::move(name), parent), caption_(std::move(caption)) {}

void Label::setCaption(std::string caption) {
    if (caption_ == caption)
        return;
    caption_ = std::move(caption);
    notify();
}

Button::Button(Form* form, std::string name, std::string caption, Panel* parent)
    : Control(form, std::move(name), parent), caption_(std::move(caption)) {}

CheckBox::CheckBox(Form* form, std::string name, std::string caption, Panel* parent)
    : Control(form, std::move(name), parent), caption_(std::move(caption)) {}

void CheckBox::setChecked(bool checked) {
    if (checked_ == checked)
        return;
    checked_ = checked;
    notify();
    if (onClick)
        onClick();
}

RadioButton::RadioButton(Form* form, std::string name, std::string caption, Panel* parent)
    : Control(form, std::move(name), parent), caption_(std::move(caption)) {
    BRAK_ASSERT(parent); // a radio button belongs to a panel
    parent->radioButtons_.push_back(this);
}

void RadioButton::setChecked(bool checked) {
    if (checked_ == checked)
        return;
    if (checked) {
        // Only direct siblings: a nested panel is a group of its own.
        for (RadioButton* sibling : parent()->radioButtons())
            if (sibling != this && sibling->checked_) {
                sibling->checked_ = false;
                sibling->notify();
            }
    }
    checked_ = checked;
    notify();
    if (checked && onClick)
        onClick();
}

Edit::Edit(Form* form, std::string name, Panel* parent) : Control(form, std::move(name), parent) {}

void Edit::setText(const std::string& text) {
    if (text_ == text)
        return;
    text_ = text;
    if (selStart_ > static_cast<int>(text_.size()))
        selStart_ = static_cast<int>(text_.size());
    notify();
    if (onChange)
        onChange();
}

void Edit::setColour(Colour colour) {
    if (colour_ == colour)
        return;
    colour_ = colour;
    notify();
}

void Edit::setPasswordChar(char c) {
    if (passwordChar_ == c)
        return;
    passwordChar_ = c;
    notify();
}

void Edit::setReadOnly(bool readOnly) {
    if (readOnly_ == readOnly)
        return;
    readOnly_ = readOnly;
    notify();
}

void Edit::setSelStart(int position) {
    if (position < 0)
        position = 0;
    if (position > static_cast<int>(text_.size()))
        position = static_cast<int>(text_.size());
    selStart_ = position;
}

void Edit::paste(const std::string& text, int caret) {
    setText(text);
    setSelStart(caret);
}

void Edit::keyUp(int key) {
    if (onKeyUp)
        onKeyUp(key);
}

MenuItem::MenuItem(Form* form, std::string name, std::string caption, bool checkable)
    : Control(form, std::move(name)), caption_(std::move(caption)), checkable_(checkable) {}

void MenuItem::setChecked(bool checked) {
    if (checked_ == checked)
        return;
    checked_ = checked;
    notify();
}

StatusBar::StatusBar(Form* form, std::string name) : Control(form, std::move(name)) {}

void StatusBar::setSimplePanel(bool simple) {
    if (simplePanel_ == simple)
        return;
    simplePanel_ = simple;
    notify();
}

void StatusBar::setSimpleText(const std::string& text) {
    if (simpleText_ == text)
        return;
    simpleText_ = text;
    notify();
}

} // namespace brak
