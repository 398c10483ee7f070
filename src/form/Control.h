#pragma once

#include "base/Assert.h"
#include "base/Error.h"

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

namespace brak {

// Colours are kept as the window system writes them: 0x00BBGGRR.
using Colour = std::uint32_t;
inline constexpr Colour clWhite = 0x00FFFFFF;
inline constexpr Colour clSilver = 0x00C0C0C0;
inline constexpr Colour clBlack = 0x00000000;
// A colour of the user's colour scheme rather than a fixed one: its index
// with the high byte set, as the window system writes it. The view paints
// it with the scheme's colour of that role.
inline constexpr Colour SystemColour = 0x80000000;
inline constexpr Colour clWindow = SystemColour | 5; // the background of fields and lists
inline constexpr bool isSystemColour(Colour colour) {
    return (colour & 0xFF000000) == SystemColour;
}

// The one handler of a control's event. The composition root wires each
// event once; wiring it again would silently drop the first handler, so it
// is a programming error and stops the program at once.
template <typename... Args> class Event {
public:
    using Function = std::function<void(Args...)>;
    void wire(Function handler) {
        BRAK_ASSERT(handler && !handler_);
        handler_ = std::move(handler);
    }
    explicit operator bool() const { return static_cast<bool>(handler_); }
    void operator()(Args... args) const {
        if (handler_)
            handler_(args...);
    }

private:
    Function handler_;
};

using Handler = Event<>;

class Control;
class Panel;
class RadioButton;

// Owns nothing; knows every control of a window by name, in creation order.
class Form {
public:
    Form() = default;
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    Control* find(const std::string& name) const;
    const std::vector<Control*>& controls() const { return controls_; }

private:
    friend class Control;
    void add(Control* control);

    std::vector<Control*> controls_;
    std::unordered_map<std::string, Control*> byName_;
};

// The state every control shares. A state change is told to the observers
// (the view) after it has been made and before any handler runs.
class Control {
public:
    Control(Form* form, std::string name, Panel* parent = nullptr);
    virtual ~Control() = default;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    const std::string& name() const { return name_; }
    Panel* parent() const { return parent_; }

    bool enabled() const { return enabled_; }
    void setEnabled(bool enabled);

    const std::string& hint() const { return hint_; }
    void setHint(std::string hint) { hint_ = std::move(hint); }

    // Asks for the keyboard focus; the view gives it when the control is on
    // the screen. Counted, so an observer sees every request.
    void setFocus() {
        ++focusRequests_;
        notify();
    }
    int focusRequests() const { return focusRequests_; }

    using Observer = std::function<void(const Control&)>;
    void addObserver(Observer observer) { observers_.push_back(std::move(observer)); }

protected:
    void notify();

private:
    std::string name_;
    Panel* parent_;
    bool enabled_ = true;
    std::string hint_;
    int focusRequests_ = 0;
    std::vector<Observer> observers_;
};

// A panel or group box. Radio buttons with the same parent panel exclude
// each other; nested panels are separate groups. onExit runs when the focus
// moves from a control inside the panel to one outside it.
class Panel : public Control {
public:
    Panel(Form* form, std::string name, std::string caption = {}, Panel* parent = nullptr);

    const std::string& caption() const { return caption_; }
    bool contains(const Control& control) const;

    // The radio buttons whose parent is this panel: one exclusive group.
    const std::vector<RadioButton*>& radioButtons() const { return radioButtons_; }

    Handler onExit;
    void exit() {
        if (onExit)
            onExit();
    }

private:
    friend class RadioButton;
    std::string caption_;
    std::vector<RadioButton*> radioButtons_;
};

class Label : public Control {
public:
    Label(Form* form, std::string name, std::string caption, Panel* parent = nullptr);
    const std::string& caption() const { return caption_; }
    void setCaption(std::string caption);

private:
    std::string caption_;
};

class Button : public Control {
public:
    Button(Form* form, std::string name, std::string caption, Panel* parent = nullptr);
    const std::string& caption() const { return caption_; }
    Handler onClick;
    void click() {
        if (onClick)
            onClick();
    }

private:
    std::string caption_;
};

// Runs onClick whenever its checked state changes, by the user or by the
// program; setting the state it already has runs nothing.
class CheckBox : public Control {
public:
    CheckBox(Form* form, std::string name, std::string caption, Panel* parent = nullptr);

    const std::string& caption() const { return caption_; }
    bool checked() const { return checked_; }
    void setChecked(bool checked);
    // What a click of the user does.
    void click() { setChecked(!checked_); }

    Handler onClick;

private:
    std::string caption_;
    bool checked_ = false;
};

// Runs onClick when it becomes checked, never when it becomes unchecked.
// Becoming checked unchecks the other buttons of its parent panel first,
// without running their handlers.
class RadioButton : public Control {
public:
    RadioButton(Form* form, std::string name, std::string caption, Panel* parent);

    const std::string& caption() const { return caption_; }
    bool checked() const { return checked_; }
    void setChecked(bool checked);
    void click() { setChecked(true); }
    void doubleClick() {
        if (onDoubleClick)
            onDoubleClick();
    }

    Handler onClick;
    Handler onDoubleClick;

private:
    std::string caption_;
    bool checked_ = false;
};

// A one-line text field. onChange runs whenever the text changes.
class Edit : public Control {
public:
    Edit(Form* form, std::string name, Panel* parent = nullptr);

    const std::string& text() const { return text_; }
    void setText(const std::string& text);

    Colour colour() const { return colour_; }
    void setColour(Colour colour);

    // '\0' shows the text as typed; another character masks every character.
    char passwordChar() const { return passwordChar_; }
    void setPasswordChar(char c);

    bool readOnly() const { return readOnly_; }
    void setReadOnly(bool readOnly);

    // Caret position: the number of characters before the caret.
    int selStart() const { return selStart_; }
    void setSelStart(int position);

    // A key was released in the field (key codes are the view's; 0 when unknown).
    virtual void keyUp(int key);
    // Text put in otherwise than by typing (a paste, by keys, menu or
    // mouse), with the caret after it. A checked field takes it whole or
    // not at all.
    virtual void paste(const std::string& text, int caret);
    // A character was typed; Enter arrives as '\r'.
    void keyPress(char c) {
        if (onKeyPress)
            onKeyPress(c);
    }
    void doubleClick() {
        if (onDoubleClick)
            onDoubleClick();
    }

    Handler onChange;
    Event<int> onKeyUp;     // the key code
    Event<char> onKeyPress; // the typed character
    Handler onDoubleClick;

private:
    std::string text_;
    Colour colour_ = clWhite;
    char passwordChar_ = '\0';
    bool readOnly_ = false;
    int selStart_ = 0;
};

class MenuItem : public Control {
public:
    MenuItem(Form* form, std::string name, std::string caption, bool checkable = false);

    const std::string& caption() const { return caption_; }
    bool checkable() const { return checkable_; }
    bool checked() const { return checked_; }
    void setChecked(bool checked);
    void click() {
        if (onClick)
            onClick();
    }

    Handler onClick;

private:
    std::string caption_;
    bool checkable_;
    bool checked_ = false;
};

class StatusBar : public Control {
public:
    StatusBar(Form* form, std::string name);

    bool simplePanel() const { return simplePanel_; }
    void setSimplePanel(bool simple);
    const std::string& simpleText() const { return simpleText_; }
    void setSimpleText(const std::string& text);

private:
    bool simplePanel_ = false;
    std::string simpleText_;
};

} // namespace brak
