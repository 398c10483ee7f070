#include "form/Validate.h"

#include "base/Text.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace brak {

namespace {

// Removes the character just before the caret, which is where a rejected
// key press put its character: the whole character, however many bytes it
// takes.
void removeBeforeCaret(Edit& field) {
    const auto end = static_cast<std::size_t>(field.selStart());
    if (end == 0)
        return;
    std::string text = field.text();
    const std::size_t start = characterStart(text, end);
    text.erase(start, end - start);
    field.setText(text);
    field.setSelStart(static_cast<int>(start));
}

} // namespace

void TLEdit::setValue(std::int32_t value) {
    value_ = value;
    setText(std::to_string(value));
}

void TLEdit::keyUp(int key) {
    TValidate::keyUp(key);
    const std::string text = this->text();
    if (text.empty() || text == "-")
        return;
    if (auto value = tryStrToInt(text)) {
        value_ = *value;
        return;
    }
    removeBeforeCaret(*this);
    value_ = StrToInt(this->text());
    throw Error(integerConversionMessage(text));
}

void TLEdit::paste(const std::string& text, int caret) {
    if (!text.empty() && text != "-" && !tryStrToInt(text)) {
        notify(); // the view shows the text the field keeps
        throw Error(integerConversionMessage(text));
    }
    TValidate::paste(text, caret);
}

void TCEdit::setValue(double value) {
    value_ = value;
    setText(FloatToStr(value));
}

void TCEdit::keyUp(int key) {
    TValidate::keyUp(key);
    const std::string text = this->text();
    if (text.empty())
        return;
    if (auto value = tryStrToFloat(text)) {
        value_ = *value;
        return;
    }
    removeBeforeCaret(*this);
    value_ = StrToFloat(this->text());
    throw Error(floatConversionMessage(text));
}

void TCEdit::paste(const std::string& text, int caret) {
    if (!text.empty() && !tryStrToFloat(text)) {
        notify();
        throw Error(floatConversionMessage(text));
    }
    TValidate::paste(text, caret);
}

TDTEdit::TDTEdit(Form* form, std::string name, Panel* parent)
    : Control(form, std::move(name), parent) {}

void TDTEdit::SetValue(const DateTime& value) {
    if (!value.isValid() || value == value_)
        return;
    value_ = value;
    notify();
}

void TDTEdit::setKind(Kind kind) {
    if (kind_ == kind)
        return;
    kind_ = kind;
    notify();
}

void TDTEdit::setColour(Colour colour) {
    if (colour_ == colour)
        return;
    colour_ = colour;
    notify();
}

SpinButton::SpinButton(Form* form, std::string name, TLEdit* associate, int min, int max,
                       int position, Panel* parent)
    : Control(form, std::move(name), parent), associate_(associate), min_(min), max_(max),
      position_(position) {}

void SpinButton::setPosition(int position) {
    position = std::max(min_, std::min(max_, position));
    if (position_ == position)
        return;
    position_ = position;
    notify();
}

void SpinButton::step(int delta) {
    // Like the window system's up-down control, the step starts from what
    // the field shows when that is a number.
    if (associate_)
        if (auto shown = tryStrToInt(associate_->text()))
            position_ = std::max(min_, std::min(max_, *shown));
    setPosition(position_ + delta);
    // Plain digits: a thousands separator here would make the number
    // unreadable for every rule that reads the field back.
    if (associate_)
        associate_->setText(std::to_string(position_));
    if (onClick)
        onClick();
}

} // namespace brak
