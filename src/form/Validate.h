#pragma once

#include "base/Convert.h"
#include "base/DateTime.h"
#include "form/Control.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace brak {

// The common base of the validated fields: a one-line field whose key release
// runs the form's own key-release handler.
class TValidate : public Edit {
public:
    using Edit::Edit;
    void keyUp(int key) override { Edit::keyUp(key); }

    // Settings the fields carry for the form; no operation reads them.
    bool UnSigned = false;
    Colour NegativeColor = clBlack;
    bool IsNil = false;
    bool ThousandSep = false;
    std::int16_t Decimals = 0;
};

// A whole-number field: Value is the number last taken from the text, by a
// key release, or given by setValue, which also writes it as the text.
// Other text changes leave it as it was.
class TLEdit : public TValidate {
public:
    using TValidate::TValidate;

    std::int32_t Value() const { return value_; }
    void setValue(std::int32_t value);
    // Validates the whole text; a rejected character is removed again and
    // the conversion error raised.
    void keyUp(int key) override;
    // A paste that leaves no number is refused whole, with one conversion
    // error; the field keeps what it held. Value follows the next key
    // release, as after any text change.
    void paste(const std::string& text, int caret) override;

    bool AllowNil = false;

private:
    std::int32_t value_ = 0;
};

// A real-number field; built with the family, no window of ours uses it.
class TCEdit : public TValidate {
public:
    using TValidate::TValidate;

    double Value() const { return value_; }
    void setValue(double value);
    void keyUp(int key) override;
    void paste(const std::string& text, int caret) override;

private:
    double value_ = 0;
};

// A date-and-time picker. It picks a date or, in time mode, a time of day;
// the value it holds is the same either way.
class TDTEdit : public Control {
public:
    enum class Kind { Date, Time };
    TDTEdit(Form* form, std::string name, Panel* parent = nullptr);

    DateTime GetValue() const { return value_; }
    // The picker takes only a real date and time; anything else is ignored.
    void SetValue(const DateTime& value);
    Kind kind() const { return kind_; }
    void setKind(Kind kind);
    Colour colour() const { return colour_; }
    void setColour(Colour colour);
    void KeyPress(char c) {
        if (onKeyPress)
            onKeyPress(c);
    }

    Event<char> onKeyPress;
    bool UnSigned = false;
    Colour NegativeColor = clBlack;
    bool IsNil = false;
    bool ThousandSep = false;
    std::int16_t Decimals = 0;
    bool AllowNil = false;

private:
    DateTime value_;
    Kind kind_ = Kind::Date;
    Colour colour_ = clWhite;
};

// An up-down button bound to a number field. A click starts from the number
// the field shows, steps within the range and writes plain digits back.
class SpinButton : public Control {
public:
    SpinButton(Form* form, std::string name, TLEdit* associate, int min, int max, int position,
               Panel* parent = nullptr);

    int min() const { return min_; }
    int max() const { return max_; }
    int position() const { return position_; }
    void setPosition(int position);
    TLEdit* associate() const { return associate_; }

    void clickUp() { step(+1); }
    void clickDown() { step(-1); }

    Handler onClick;

private:
    void step(int delta);

    TLEdit* associate_;
    int min_, max_, position_;
};

} // namespace brak
