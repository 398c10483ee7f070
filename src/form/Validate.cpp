#include "form/Validate.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace brak {

std::string integerConversionMessage(const std::string& text) {
    return "'" + text + "' is not a valid integer value";
}

std::string floatConversionMessage(const std::string& text) {
    return "'" + text + "' is not a valid floating point value";
}

namespace {

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

bool tryStrToInt64(std::string_view text, std::int64_t& value) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    std::uint64_t magnitude = 0;
    std::size_t hexStart = std::string_view::npos;
    if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X'))
        hexStart = i + 1;
    else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X'))
        hexStart = i + 2;
    if (hexStart != std::string_view::npos) {
        if (hexStart >= text.size())
            return false;
        for (std::size_t k = hexStart; k < text.size(); ++k) {
            const int d = hexDigit(text[k]);
            if (d < 0 || magnitude > (static_cast<std::uint64_t>(INT64_MAX) >> 4))
                return false;
            magnitude = magnitude * 16 + static_cast<std::uint64_t>(d);
        }
        if (magnitude > static_cast<std::uint64_t>(INT64_MAX))
            return false;
        value = static_cast<std::int64_t>(magnitude);
        return true;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i >= text.size())
        return false;
    const std::uint64_t limit = static_cast<std::uint64_t>(INT64_MAX) + (negative ? 1 : 0);
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9')
            return false;
        const auto d = static_cast<std::uint64_t>(c - '0');
        if (magnitude > (limit - d) / 10)
            return false;
        magnitude = magnitude * 10 + d;
    }
    value =
        negative ? static_cast<std::int64_t>(~magnitude + 1) : static_cast<std::int64_t>(magnitude);
    return true;
}

std::int64_t StrToInt64(std::string_view text) {
    std::int64_t value = 0;
    if (!tryStrToInt64(text, value))
        throw Error(integerConversionMessage(std::string(text)));
    return value;
}

std::optional<std::int32_t> tryStrToInt(std::string_view text) {
    std::int64_t value = 0;
    if (!tryStrToInt64(text, value) || value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::int32_t>::max())
        return std::nullopt;
    return static_cast<std::int32_t>(value);
}

std::int32_t StrToInt(std::string_view text) {
    if (auto value = tryStrToInt(text))
        return *value;
    throw Error(integerConversionMessage(std::string(text)));
}

std::optional<double> tryStrToFloat(const std::string& text) {
    std::size_t begin = 0, end = text.size();
    while (begin < end && text[begin] == ' ')
        ++begin;
    while (end > begin && text[end - 1] == ' ')
        --end;
    std::size_t i = begin;
    if (i < end && (text[i] == '+' || text[i] == '-'))
        ++i;
    int digits = 0;
    while (i < end && isDigit(text[i]))
        ++i, ++digits;
    if (i < end && text[i] == '.') {
        ++i;
        while (i < end && isDigit(text[i]))
            ++i, ++digits;
    }
    if (digits == 0)
        return std::nullopt;
    if (i < end && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < end && (text[i] == '+' || text[i] == '-'))
            ++i;
        int exponentDigits = 0;
        while (i < end && isDigit(text[i]))
            ++i, ++exponentDigits;
        if (exponentDigits == 0)
            return std::nullopt;
    }
    if (i != end)
        return std::nullopt;
    std::string number = text.substr(begin, end - begin);
    errno = 0;
    double value = std::strtod(number.c_str(), nullptr);
    if (!std::isfinite(value))
        return std::nullopt;
    return value;
}

double StrToFloat(const std::string& text) {
    if (auto value = tryStrToFloat(text))
        return *value;
    throw Error(floatConversionMessage(text));
}

std::string FloatToStr(double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.15G", value);
    return buffer;
}

namespace {

// Removes the character just before the caret, which is where a rejected
// key press put its character.
void removeBeforeCaret(Edit& field) {
    int p = field.selStart();
    if (p == 0)
        return;
    std::string text = field.text();
    text.erase(static_cast<std::size_t>(p - 1), 1);
    field.setText(text);
    field.setSelStart(p - 1);
}

} // namespace

void TLEdit::SetText(std::int32_t value) {
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

void TCEdit::SetText(double value) {
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

bool DateTime::isValid() const {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1)
        return false;
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    int last = days[month - 1] + (month == 2 && leap ? 1 : 0);
    return day <= last && hour >= 0 && hour < 24 && minute >= 0 && minute < 60 && second >= 0 &&
           second < 60;
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
