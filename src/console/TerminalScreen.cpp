#include "console/TerminalScreen.h"

#include "base/Text.h"

#include <algorithm>
#include <string>
#include <vterm.h>

namespace brak {

namespace {

// A wide character's second cell, as libvterm marks it.
constexpr std::uint32_t WideContinuation = 0xFFFFFFFFu;

// libvterm 0.1.4 keeps 16 parameters of a control sequence and writes past
// them; its counts are summed into ints. What reaches it stays well inside.
constexpr std::size_t MaxParameters = 15;
constexpr std::size_t MaxDigits = 4;
constexpr std::size_t MaxSequence = 256;
constexpr int MaxIntermediates = 2;
constexpr std::size_t MaxEscapeIntermediates = 8;
// Cancels an escape sequence libvterm is in the middle of.
constexpr char Cancel = 0x18;
// What a byte that is no part of a valid character shows.
constexpr std::string_view Replacement = "\xEF\xBF\xBD";
// A wide character must fit on a line: libvterm 0.1.4 writes its second
// cell past the end of a one-column line.
constexpr int MinColumns = 2;

bool isControl(unsigned char byte) {
    return byte < 0x20 && byte != 0x1B;
}

// Digits and the separators of a control sequence's parameters.
bool isParameter(char c) {
    return c >= '0' && c <= ';';
}

// Jar's colour numbers give blue in bit 0 and red in bit 2; a terminal's
// colour index the other way round.
int jarColourNumber(int index) {
    return ((index & 1) ? 4 : 0) | (index & 2) | ((index & 4) ? 1 : 0) | (index & 8);
}

Rgb jarColour(int number) {
    if (number == 7)
        return 0xC0C0C0;
    if (number == 8)
        return 0x808080;
    const Rgb level = (number & 8) ? 0xFF : 0x80;
    return ((number & 4) ? level << 16 : 0) | ((number & 2) ? level << 8 : 0) |
           ((number & 1) ? level : 0);
}

VTermColor vtermColour(Rgb rgb) {
    VTermColor colour;
    vterm_color_rgb(&colour, static_cast<std::uint8_t>(rgb >> 16),
                    static_cast<std::uint8_t>(rgb >> 8), static_cast<std::uint8_t>(rgb));
    return colour;
}

bool isBlank(const ScreenCell& cell) {
    return (cell.ch == 0 || cell.ch == U' ') && cell.width == 1 &&
           cell.bg == TerminalScreen::DefaultBackground &&
           (cell.attributes & (ScreenCell::Underline | ScreenCell::Strike)) == 0;
}

void appendCells(std::string& out, const std::vector<ScreenCell>& cells) {
    std::size_t end = cells.size();
    while (end > 0 && (cells[end - 1].ch == 0 || cells[end - 1].ch == U' '))
        --end;
    for (std::size_t i = 0; i < end; ++i) {
        if (cells[i].width == 0)
            continue;
        appendUtf8(out, cells[i].ch == 0 ? U' ' : cells[i].ch);
    }
}

} // namespace

void appendUtf8(std::string& out, char32_t c) {
    if (c == 0)
        return;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x110000) {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

Rgb TerminalScreen::paletteColour(int index) {
    return jarColour(jarColourNumber(index & 15));
}

// libvterm's callbacks, with the screen as their user data.
struct ScreenCallbacks {
    static TerminalScreen& self(void* user) { return *static_cast<TerminalScreen*>(user); }

    static int damage(VTermRect, void* user) {
        self(user).changed_ = true;
        return 1;
    }
    static int moveCursor(VTermPos, VTermPos, int visible, void* user) {
        self(user).cursorVisible_ = visible != 0;
        self(user).changed_ = true;
        return 1;
    }
    static int setProperty(VTermProp property, VTermValue* value, void* user) {
        if (property == VTERM_PROP_CURSORVISIBLE) {
            self(user).cursorVisible_ = value->boolean != 0;
            self(user).changed_ = true;
        }
        return 1;
    }
    static int pushLine(int columns, const VTermScreenCell* cells, void* user) {
        TerminalScreen& screen = self(user);
        // Trailing blanks are not kept.
        int end = columns;
        while (end > 0 && isBlank(screen.convert(&cells[end - 1])))
            --end;
        // At the limit the oldest line goes, and its room is used again.
        std::vector<ScreenCell> line;
        if (screen.scrollback_.size() >=
            static_cast<std::size_t>(TerminalScreen::ScrollbackLimit)) {
            line = std::move(screen.scrollback_.front());
            screen.scrollback_.pop_front();
            line.clear();
        }
        line.reserve(static_cast<std::size_t>(end));
        for (int c = 0; c < end; ++c)
            line.push_back(screen.convert(&cells[c]));
        if (screen.lineLog_) {
            // A row written up to its last column goes on in the next one:
            // the log keeps the line as the program wrote it.
            std::string& text = screen.logPending_;
            appendCells(text, line);
            if (columns == 0 || isBlank(screen.convert(&cells[columns - 1]))) {
                screen.lineLog_(text);
                text.clear();
            }
        }
        screen.scrollback_.push_back(std::move(line));
        screen.changed_ = true;
        return 1;
    }
    static int popLine(int columns, VTermScreenCell* cells, void* user) {
        TerminalScreen& screen = self(user);
        if (screen.scrollback_.empty())
            return 0;
        const std::vector<ScreenCell> line = std::move(screen.scrollback_.back());
        screen.scrollback_.pop_back();
        for (int c = 0; c < columns; ++c) {
            const ScreenCell cell = static_cast<std::size_t>(c) < line.size()
                                        ? line[static_cast<std::size_t>(c)]
                                        : ScreenCell{0, TerminalScreen::DefaultForeground,
                                                     TerminalScreen::DefaultBackground, 1, 0};
            VTermScreenCell& out = cells[c];
            out = VTermScreenCell{};
            // A wide character goes back whole or not at all: libvterm 0.1.4
            // corrupts its heap with half of one at the last column.
            const bool half =
                (cell.width == 2 && c + 1 >= columns) ||
                (cell.width == 0 && (c == 0 || static_cast<std::size_t>(c) > line.size() ||
                                     line[static_cast<std::size_t>(c) - 1].width != 2));
            if (half) {
                out.chars[0] = 0;
                out.width = 1;
            } else {
                out.chars[0] = cell.width == 0 ? WideContinuation : cell.ch;
                out.width = static_cast<char>(cell.width == 0 ? 1 : cell.width);
            }
            out.attrs.bold = (cell.attributes & ScreenCell::Bold) != 0;
            out.attrs.underline = (cell.attributes & ScreenCell::Underline) != 0;
            out.attrs.italic = (cell.attributes & ScreenCell::Italic) != 0;
            out.attrs.strike = (cell.attributes & ScreenCell::Strike) != 0;
            out.fg = vtermColour(cell.fg);
            out.bg = vtermColour(cell.bg);
        }
        screen.changed_ = true;
        return 1;
    }
    static void output(const char* bytes, std::size_t length, void* user) {
        TerminalScreen& screen = self(user);
        // A program that asks and never reads must not fill the memory.
        if (screen.output_.size() + length > TerminalScreen::ReplyLimit) {
            screen.droppedReplies_ += length;
            return;
        }
        screen.output_.append(bytes, length);
    }
};

namespace {

const VTermScreenCallbacks screenCallbacks = {
    ScreenCallbacks::damage,
    nullptr,
    ScreenCallbacks::moveCursor,
    ScreenCallbacks::setProperty,
    nullptr,
    nullptr,
    ScreenCallbacks::pushLine,
    ScreenCallbacks::popLine,
};

} // namespace

TerminalScreen::TerminalScreen(TerminalSize size)
    : vt_(vterm_new(std::max(size.rows, 1), std::max(size.columns, MinColumns))),
      size_{std::max(size.rows, 1), std::max(size.columns, MinColumns)} {
    vterm_set_utf8(vt_, 1);
    vterm_output_set_callback(vt_, &ScreenCallbacks::output, this);
    state_ = vterm_obtain_state(vt_);
    const VTermColor foreground = vtermColour(DefaultForeground);
    const VTermColor background = vtermColour(DefaultBackground);
    vterm_state_set_default_colors(state_, &foreground, &background);
    for (int index = 0; index < 16; ++index) {
        const VTermColor colour = vtermColour(paletteColour(index));
        vterm_state_set_palette_color(state_, index, &colour);
    }
    // Bold text in one of the eight colours shows in its bright form, as a
    // text console shows it.
    vterm_state_set_bold_highbright(state_, 1);
    screen_ = vterm_obtain_screen(vt_);
    vterm_screen_set_callbacks(screen_, &screenCallbacks, this);
    vterm_screen_set_damage_merge(screen_, VTERM_DAMAGE_SCROLL);
    vterm_screen_enable_altscreen(screen_, 1);
    vterm_screen_reset(screen_, 1);
}

TerminalScreen::~TerminalScreen() {
    vterm_free(vt_);
}

void TerminalScreen::feed(std::string_view bytes) {
    if (bytes.empty())
        return;
    std::string safe;
    safe.reserve(bytes.size() + 16);
    filter(bytes, safe);
    write(safe);
    vterm_screen_flush_damage(screen_);
}

void TerminalScreen::write(std::string_view bytes) {
    if (!bytes.empty())
        vterm_input_write(vt_, bytes.data(), bytes.size());
}

// The filter in front of libvterm. Every control sequence (ESC [, wherever
// it stands, even inside a string libvterm may be reading) is held until it
// is whole and passed on rebuilt within libvterm's limits, or dropped; a
// repeat (CSI b) is done here, as libvterm's spins forever without a
// previous character. Other bytes pass as they are, so that libvterm and
// the filter agree on where a sequence starts.
void TerminalScreen::filter(std::string_view bytes, std::string& out) {
    for (std::size_t at = 0; at < bytes.size(); ++at) {
        const auto byte = static_cast<unsigned char>(bytes[at]);
        switch (filter_) {
        case Filter::Text:
            if (!character_.empty()) {
                if (byte >= 0x80 && byte < 0xC0) {
                    character_ += static_cast<char>(byte);
                    if (character_.size() == characterLength_)
                        endCharacter(out);
                    break;
                }
                out += Replacement; // broken off
                character_.clear();
            }
            if (byte >= 0xC2 && byte <= 0xF4) {
                character_.assign(1, static_cast<char>(byte));
                characterLength_ = byte < 0xE0 ? 2 : byte < 0xF0 ? 3 : 4;
            } else if (byte >= 0x80) {
                out += Replacement;
            } else if (byte == 0x1B) {
                filter_ = Filter::Escape;
            } else {
                out += static_cast<char>(byte);
                if (byte >= 0x20 && byte < 0x7F)
                    lastCharacter_.assign(1, static_cast<char>(byte));
            }
            break;
        case Filter::Escape: // the ESC is held
            if (byte == 0x1B)
                break;
            if (byte == 0x18 || byte == 0x1A) {
                out += static_cast<char>(byte);
                filter_ = Filter::Text;
            } else if (isControl(byte)) {
                out += static_cast<char>(byte);
            } else if (byte == '[') {
                sequence_.clear();
                sequenceIntermediates_ = 0;
                sequenceDropped_ = false;
                filter_ = Filter::Csi;
            } else if (byte >= 0x20 && byte < 0x7F) {
                out += '\x1b';
                out += static_cast<char>(byte);
                sequence_.clear();
                filter_ = byte < 0x30 ? Filter::EscapeMore : Filter::Text;
                if (byte < 0x30)
                    sequence_ += static_cast<char>(byte);
                if (byte == '8') { // the saved cursor back
                    write(out);
                    out.clear();
                    keepCursorOnScreen();
                }
            } else {
                filter_ = Filter::Text; // the ESC goes
                --at;
            }
            break;
        case Filter::EscapeMore: // libvterm holds an ESC and intermediates
            if (isControl(byte)) {
                out += static_cast<char>(byte);
                if (byte == 0x18 || byte == 0x1A)
                    filter_ = Filter::Text;
            } else if (byte == '[') {
                // libvterm starts a control sequence here too: it is held
                // and rebuilt whole, after the escape is cancelled.
                out += Cancel;
                sequence_.clear();
                sequenceIntermediates_ = 0;
                sequenceDropped_ = false;
                filter_ = Filter::Csi;
            } else if (byte >= 0x20 && byte < 0x30 && sequence_.size() < MaxEscapeIntermediates) {
                out += static_cast<char>(byte);
                sequence_ += static_cast<char>(byte);
            } else if (byte >= 0x30 && byte < 0x7F) {
                out += static_cast<char>(byte);
                filter_ = Filter::Text;
            } else {
                out += Cancel;
                filter_ = Filter::Text;
                --at;
            }
            break;
        case Filter::Csi: // ESC [ and sequence_ are held
            if (byte == 0x18 || byte == 0x1A) {
                out += static_cast<char>(byte);
                filter_ = Filter::Text;
            } else if (byte == 0x1B) {
                filter_ = Filter::Escape;
            } else if (isControl(byte)) {
                out += static_cast<char>(byte); // done in the middle, as a terminal does
            } else if (byte >= 0x30 && byte < 0x40 && sequenceIntermediates_ == 0) {
                if (sequence_.size() < MaxSequence)
                    sequence_ += static_cast<char>(byte);
                else
                    sequenceDropped_ = true;
            } else if (byte >= 0x20 && byte < 0x30) {
                if (++sequenceIntermediates_ <= MaxIntermediates)
                    sequence_ += static_cast<char>(byte);
                else
                    sequenceDropped_ = true;
            } else if (byte >= 0x40 && byte < 0x7F) {
                sequence_ += static_cast<char>(byte);
                endSequence(out);
                filter_ = Filter::Text;
            } else {
                filter_ = Filter::Text; // a sequence broken off is dropped
                --at;
            }
            break;
        }
    }
}

// A whole control sequence, ESC [ and sequence_ (its last byte the final).
void TerminalScreen::endSequence(std::string& out) {
    if (sequenceDropped_)
        return;
    const char final = sequence_.back();
    const std::string_view body(sequence_.data(), sequence_.size() - 1);
    std::size_t at = 0;
    while (at < body.size() && at < 2 && body[at] >= 0x3C && body[at] <= 0x3F)
        ++at;
    std::string rebuilt = "\x1b[";
    rebuilt.append(body.substr(0, at));
    const std::size_t leader = at;
    std::size_t parameters = 1, digits = 0;
    for (; at < body.size() && isParameter(body[at]); ++at) {
        const char c = body[at];
        if (c == ';' || c == ':') {
            if (++parameters > MaxParameters)
                break;
            digits = 0;
            rebuilt += c;
        } else if (digits == 0 && c == '0') {
            // Leading zeros count for nothing; a lone 0 is kept.
            if (at + 1 == body.size() || body[at + 1] < '0' || body[at + 1] > '9')
                rebuilt += c;
        } else if (digits < MaxDigits) {
            rebuilt += c;
            ++digits;
        } else {
            // Larger than any size: the largest number kept.
            rebuilt.replace(rebuilt.size() - MaxDigits, MaxDigits, MaxDigits, '9');
        }
    }
    // Skip the parameters past the limit; a leader byte after the numbers is
    // something no terminal knows.
    while (at < body.size() && isParameter(body[at]))
        ++at;
    if (at < body.size() && body[at] >= 0x30)
        return;
    const std::string_view intermediates = body.substr(at);
    if (final == 'b' && leader == 0 && intermediates.empty()) {
        // Repeat the previous character, never past the line's end.
        if (lastCharacter_.empty())
            return;
        int count = 0;
        for (char c : rebuilt.substr(2)) {
            if (c < '0' || c > '9')
                break;
            count = count * 10 + (c - '0');
        }
        write(out);
        out.clear();
        VTermPos cursor;
        vterm_state_get_cursorpos(state_, &cursor);
        count = std::clamp(count, 1, std::max(size_.columns - cursor.col, 1));
        for (int n = 0; n < count; ++n)
            out += lastCharacter_;
        return;
    }
    rebuilt.append(intermediates);
    rebuilt += final;
    out += rebuilt;
}

// A cursor off the screen moves to the nearest cell: libvterm 0.1.4 can put
// it there (a resize, or ESC 8 back to a place saved before the screen
// shrank), and writing there corrupts its memory.
void TerminalScreen::keepCursorOnScreen() {
    VTermPos cursor;
    vterm_state_get_cursorpos(state_, &cursor);
    if (cursor.row >= 0 && cursor.row < size_.rows && cursor.col >= 0 && cursor.col < size_.columns)
        return;
    write("\x1b[" + std::to_string(std::clamp(cursor.row, 0, size_.rows - 1) + 1) + ";" +
          std::to_string(std::clamp(cursor.col, 0, size_.columns - 1) + 1) + "H");
}

// A character's bytes go to libvterm together (0.1.4 loses one whose bytes
// come in two writes), and only a valid one: it reads a stray or overlong
// byte as a C1 control, and a C1 control as a character moves its cursor
// back, past the line's start.
void TerminalScreen::endCharacter(std::string& out) {
    char32_t code = 0;
    if (decodeUtf8(character_, 0, code) != character_.size()) {
        out += Replacement;
    } else if (code >= 0xA0) {
        out += character_;
        lastCharacter_ = character_;
    }
    character_.clear();
}

std::string TerminalScreen::takeReplies() {
    std::string replies;
    replies.swap(output_);
    return replies;
}

bool TerminalScreen::takeChanged() {
    const bool changed = changed_;
    changed_ = false;
    return changed;
}

void TerminalScreen::resize(TerminalSize size) {
    size.rows = std::max(size.rows, 1);
    size.columns = std::max(size.columns, MinColumns);
    if (size == size_)
        return;
    size_ = size;
    // libvterm 0.1.4 keeps the scrolling margins across a change of size,
    // past the new edges: they go back to the whole screen, the cursor
    // staying where it was.
    VTermPos cursor;
    vterm_state_get_cursorpos(state_, &cursor);
    if (filter_ == Filter::EscapeMore)
        filter_ = Filter::Text; // the ESC below ends that sequence
    write("\x1b[r\x1b[?69h\x1b[s\x1b[?69l\x1b[" + std::to_string(cursor.row + 1) + ";" +
          std::to_string(cursor.col + 1) + "H");
    vterm_set_size(vt_, size.rows, size.columns);
    // Fewer rows push lines above the cursor off the top, and libvterm 0.1.4
    // moves the cursor up with them, past the top: it goes to the first row,
    // as writing there would corrupt the heap.
    keepCursorOnScreen();
    vterm_screen_flush_damage(screen_);
    changed_ = true;
}

ScreenCell TerminalScreen::convert(const void* raw) const {
    const auto& in = *static_cast<const VTermScreenCell*>(raw);
    ScreenCell cell;
    if (in.chars[0] == WideContinuation) {
        cell.width = 0;
    } else {
        cell.ch = in.chars[0];
        cell.width = static_cast<std::uint8_t>(in.width == 2 ? 2 : 1);
    }
    auto resolve = [this](VTermColor colour, Rgb fallback) {
        if ((colour.type & (VTERM_COLOR_DEFAULT_FG | VTERM_COLOR_DEFAULT_BG)) != 0)
            return fallback;
        if (VTERM_COLOR_IS_INDEXED(&colour)) {
            if (colour.indexed.idx < 16)
                return paletteColour(colour.indexed.idx);
            vterm_screen_convert_color_to_rgb(screen_, &colour);
        }
        return (Rgb{colour.rgb.red} << 16) | (Rgb{colour.rgb.green} << 8) | colour.rgb.blue;
    };
    // Bold text in the default colour is bright too, like the eight colours.
    cell.fg = resolve(in.fg, in.attrs.bold ? paletteColour(15) : DefaultForeground);
    cell.bg = resolve(in.bg, DefaultBackground);
    if (in.attrs.reverse)
        std::swap(cell.fg, cell.bg);
    cell.attributes = static_cast<std::uint8_t>(
        (in.attrs.bold ? ScreenCell::Bold : 0) | (in.attrs.underline ? ScreenCell::Underline : 0) |
        (in.attrs.italic ? ScreenCell::Italic : 0) | (in.attrs.strike ? ScreenCell::Strike : 0));
    return cell;
}

ScreenCell TerminalScreen::cell(int line, int column) const {
    const ScreenCell blank{0, DefaultForeground, DefaultBackground, 1, 0};
    if (line < 0 || column < 0 || line >= lineCount())
        return blank;
    if (line < scrollbackLines()) {
        const auto& stored = scrollback_[static_cast<std::size_t>(line)];
        return static_cast<std::size_t>(column) < stored.size()
                   ? stored[static_cast<std::size_t>(column)]
                   : blank;
    }
    if (column >= size_.columns)
        return blank;
    VTermScreenCell raw;
    vterm_screen_get_cell(screen_, VTermPos{line - scrollbackLines(), column}, &raw);
    return convert(&raw);
}

void TerminalScreen::lineCells(int line, std::vector<ScreenCell>& cells) const {
    cells.clear();
    if (line < 0 || line >= lineCount())
        return;
    if (line < scrollbackLines()) {
        cells = scrollback_[static_cast<std::size_t>(line)];
        return;
    }
    cells.reserve(static_cast<std::size_t>(size_.columns));
    for (int column = 0; column < size_.columns; ++column)
        cells.push_back(cell(line, column));
}

std::string TerminalScreen::lineText(int line) const {
    std::vector<ScreenCell> cells;
    lineCells(line, cells);
    std::string text;
    appendCells(text, cells);
    return text;
}

std::string TerminalScreen::text(TerminalPoint from, TerminalPoint to) const {
    if (to < from)
        std::swap(from, to);
    std::string text;
    std::vector<ScreenCell> cells;
    for (int line = std::max(from.line, 0); line <= to.line && line < lineCount(); ++line) {
        lineCells(line, cells);
        const std::size_t first =
            line == from.line ? std::min<std::size_t>(std::max(from.column, 0), cells.size()) : 0;
        const std::size_t last = line == to.line
                                     ? std::min<std::size_t>(std::max(to.column, 0), cells.size())
                                     : cells.size();
        if (line > from.line)
            text += '\n';
        if (first < last)
            appendCells(text, std::vector<ScreenCell>(cells.begin() + static_cast<long>(first),
                                                      cells.begin() + static_cast<long>(last)));
    }
    return text;
}

std::string TerminalScreen::screenText() const {
    std::vector<std::string> lines;
    for (int row = 0; row < size_.rows; ++row)
        lines.push_back(lineText(scrollbackLines() + row));
    while (!lines.empty() && lines.back().empty())
        lines.pop_back();
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    return text;
}

std::string TerminalScreen::loggedScreenText() const {
    std::vector<std::string> lines;
    std::string line = logPending_;
    std::vector<ScreenCell> cells;
    for (int row = 0; row < size_.rows; ++row) {
        lineCells(scrollbackLines() + row, cells);
        appendCells(line, cells);
        if (row + 1 < size_.rows && !isBlank(cells.back()))
            continue;
        lines.push_back(std::move(line));
        line.clear();
    }
    while (!lines.empty() && lines.back().empty())
        lines.pop_back();
    std::string text;
    for (const std::string& each : lines)
        text += each + "\n";
    return text;
}

TerminalPoint TerminalScreen::cursor() const {
    VTermPos position;
    vterm_state_get_cursorpos(state_, &position);
    return {scrollbackLines() + position.row, position.col};
}

std::string TerminalScreen::keys(const std::function<void()>& press) {
    // Replies to the program may be waiting in the same buffer: keep them.
    std::string waiting;
    waiting.swap(output_);
    press();
    std::string bytes;
    bytes.swap(output_);
    output_.swap(waiting);
    return bytes;
}

std::string TerminalScreen::keyText(char32_t character, unsigned modifiers) {
    return keys(
        [&] { vterm_keyboard_unichar(vt_, character, static_cast<VTermModifier>(modifiers & 7)); });
}

std::string TerminalScreen::key(TerminalKey key, unsigned modifiers) {
    VTermKey code = VTERM_KEY_NONE;
    switch (key) {
    case TerminalKey::Enter:
        code = VTERM_KEY_ENTER;
        break;
    case TerminalKey::Tab:
        code = VTERM_KEY_TAB;
        break;
    case TerminalKey::Backspace:
        code = VTERM_KEY_BACKSPACE;
        break;
    case TerminalKey::Escape:
        code = VTERM_KEY_ESCAPE;
        break;
    case TerminalKey::Up:
        code = VTERM_KEY_UP;
        break;
    case TerminalKey::Down:
        code = VTERM_KEY_DOWN;
        break;
    case TerminalKey::Left:
        code = VTERM_KEY_LEFT;
        break;
    case TerminalKey::Right:
        code = VTERM_KEY_RIGHT;
        break;
    case TerminalKey::Insert:
        code = VTERM_KEY_INS;
        break;
    case TerminalKey::Delete:
        code = VTERM_KEY_DEL;
        break;
    case TerminalKey::Home:
        code = VTERM_KEY_HOME;
        break;
    case TerminalKey::End:
        code = VTERM_KEY_END;
        break;
    case TerminalKey::PageUp:
        code = VTERM_KEY_PAGEUP;
        break;
    case TerminalKey::PageDown:
        code = VTERM_KEY_PAGEDOWN;
        break;
    default:
        code = static_cast<VTermKey>(
            VTERM_KEY_FUNCTION(1 + static_cast<int>(key) - static_cast<int>(TerminalKey::F1)));
        break;
    }
    return keys([&] { vterm_keyboard_key(vt_, code, static_cast<VTermModifier>(modifiers & 7)); });
}

} // namespace brak
