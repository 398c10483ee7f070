#pragma once

#include "platform/Pty.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

struct VTerm;
struct VTermScreen;
struct VTermState;

namespace brak {

// Colours are 0xRRGGBB here.
using Rgb = std::uint32_t;

// One character cell, its colours resolved (reverse video already applied).
struct ScreenCell {
    enum : std::uint8_t { Bold = 1, Underline = 2, Italic = 4, Strike = 8 };
    char32_t ch = 0; // 0: blank
    Rgb fg = 0;
    Rgb bg = 0;
    std::uint8_t width = 1; // 2 for a wide character; 0 for the cell it covers
    std::uint8_t attributes = 0;
    bool operator==(const ScreenCell&) const = default;
};

// A place on the terminal: line counts from the oldest line kept in the
// scrollback (screen row r is line scrollbackLines() + r).
struct TerminalPoint {
    int line = 0;
    int column = 0;
    auto operator<=>(const TerminalPoint&) const = default;
};

enum class TerminalKey {
    Enter,
    Tab,
    Backspace,
    Escape,
    Up,
    Down,
    Left,
    Right,
    Insert,
    Delete,
    Home,
    End,
    PageUp,
    PageDown,
    F1,
    F2,
    F3,
    F4,
    F5,
    F6,
    F7,
    F8,
    F9,
    F10,
    F11,
    F12
};

// Modifier keys, as a bit set.
enum KeyModifier : unsigned { NoModifier = 0, ShiftKey = 1, AltKey = 2, ControlKey = 4 };

// A terminal screen: what a program wrote, interpreted by libvterm (cursor
// moves, carriage returns, erasing, colour sequences), as coloured cells,
// with the lines that scrolled off the top kept below a limit. It also
// turns keys into the bytes a terminal sends. No Qt, no window: the
// console's widget paints it, tests and benchmarks read it.
//
// Any byte stream and any sequence of sizes is safe: libvterm 0.1.4 is
// handed only what it handles safely (see TerminalScreen.cpp).
class TerminalScreen {
public:
    static constexpr int ScrollbackLimit = 10000;
    // Answers owed to the program beyond this are dropped (and counted).
    static constexpr std::size_t ReplyLimit = std::size_t{64} << 10;
    static constexpr Rgb DefaultForeground = 0xC0C0C0;
    static constexpr Rgb DefaultBackground = 0x000000;

    explicit TerminalScreen(TerminalSize size = {});
    ~TerminalScreen();
    TerminalScreen(const TerminalScreen&) = delete;
    TerminalScreen& operator=(const TerminalScreen&) = delete;

    // What the program wrote, in pieces of any size.
    void feed(std::string_view bytes);
    // Bytes the terminal owes the program (answers to its queries).
    std::string takeReplies();
    // How many bytes of answers were dropped at ReplyLimit, since the start.
    std::size_t droppedReplies() const { return droppedReplies_; }
    // True once after anything shown changed.
    bool takeChanged();
    // Called with the text of every line that scrolls off the top (rows
    // written up to their last column joined to the next, as one line).
    void setLineLog(std::function<void(std::string_view)> log) { lineLog_ = std::move(log); }

    TerminalSize size() const { return size_; }
    void resize(TerminalSize size);

    int scrollbackLines() const { return static_cast<int>(scrollback_.size()); }
    int lineCount() const { return scrollbackLines() + size_.rows; }
    // Blank beyond the end of a line or outside the terminal.
    ScreenCell cell(int line, int column) const;
    // A line's cells: a screen row has one per column, a scrollback line may
    // be shorter (its trailing blanks are not kept).
    void lineCells(int line, std::vector<ScreenCell>& cells) const;
    // A line's text as UTF-8, trailing blanks left out.
    std::string lineText(int line) const;
    // The text from one place up to (not including) another, lines joined by
    // "\n", each without its trailing blanks.
    std::string text(TerminalPoint from, TerminalPoint to) const;
    // The screen's lines, without the empty ones at its end.
    std::string screenText() const;
    // The same for the log: a row written up to its last column joined to
    // the next, after the start of such a line that scrolled away.
    std::string loggedScreenText() const;

    TerminalPoint cursor() const;
    bool cursorVisible() const { return cursorVisible_; }

    // The bytes a key sends.
    std::string keyText(char32_t character, unsigned modifiers = NoModifier);
    std::string key(TerminalKey key, unsigned modifiers = NoModifier);

    // The console's sixteen colours by terminal colour index: Jar's palette.
    static Rgb paletteColour(int index);

private:
    friend struct ScreenCallbacks;
    ScreenCell convert(const void* cell) const;
    std::string keys(const std::function<void()>& press);
    void filter(std::string_view bytes, std::string& out);
    void endSequence(std::string& out);
    void endCharacter(std::string& out);
    void keepCursorOnScreen();
    void write(std::string_view bytes);

    // Where the filter in front of libvterm stands in the byte stream.
    enum class Filter : std::uint8_t { Text, Escape, EscapeMore, Csi };

    VTerm* vt_;
    VTermScreen* screen_;
    VTermState* state_;
    TerminalSize size_;
    std::deque<std::vector<ScreenCell>> scrollback_;
    std::function<void(std::string_view)> lineLog_;
    std::string logPending_; // rows that went on in the next one
    std::string output_;
    std::size_t droppedReplies_ = 0;
    Filter filter_ = Filter::Text;
    std::string sequence_; // a control sequence's parameters and intermediates
    int sequenceIntermediates_ = 0;
    bool sequenceDropped_ = false;
    std::string lastCharacter_; // UTF-8, for a repeat
    std::string character_;     // a character's first bytes, held
    std::size_t characterLength_ = 0;
    bool changed_ = true;
    bool cursorVisible_ = true;
};

// A cell's character as UTF-8 (nothing for 0).
void appendUtf8(std::string& out, char32_t character);

} // namespace brak
