#include "Console.h"

#include <cerrno>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace brak::jar {

namespace {

constexpr auto DrawInterval = std::chrono::milliseconds(50);
constexpr std::size_t FlushSize = 64 * 1024;
constexpr std::string_view Reset = "\x1b[0m";
constexpr std::string_view EraseToEnd = "\x1b[K";

bool isControl(unsigned char c) {
    return c < 0x20 || c == 0x7F;
}

// The length of the well-formed UTF-8 sequence at `at`; 0 when it is none.
std::size_t sequenceLength(std::string_view text, std::size_t at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    const std::size_t length = lead < 0xC2   ? 0
                               : lead < 0xE0 ? 2
                               : lead < 0xF0 ? 3
                               : lead < 0xF5 ? 4
                                             : 0;
    if (length == 0 || at + length > text.size())
        return 0;
    const auto second = static_cast<unsigned char>(text[at + 1]);
    const unsigned char low = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
    const unsigned char high = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
    if (second < low || second > high)
        return 0;
    for (std::size_t i = 2; i < length; ++i) {
        if ((static_cast<unsigned char>(text[at + i]) & 0xC0) != 0x80)
            return 0;
    }
    return length;
}

// Characters that a terminal may act on, or that turn the text around the
// name: U+0080..U+009F (0x9B is a CSI on some terminals) and the
// bidirectional embeddings, overrides and isolates.
bool isHiddenControl(std::string_view sequence) {
    const auto b = [&](std::size_t i) { return static_cast<unsigned char>(sequence[i]); };
    if (sequence.size() == 2)
        return b(0) == 0xC2 && b(1) <= 0x9F;
    return sequence.size() == 3 && b(0) == 0xE2 &&
           ((b(1) == 0x80 && b(2) >= 0xAA && b(2) <= 0xAE) ||
            (b(1) == 0x81 && b(2) >= 0xA6 && b(2) <= 0xA9));
}

void appendVisible(std::string& out, std::string_view text) {
    static constexpr char Hex[] = "0123456789abcdef";
    std::size_t plain = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c < 0x7F)
            continue;
        std::size_t length = 1;
        unsigned code = c;
        if (c >= 0x80) {
            length = sequenceLength(text, i);
            if (length == 0) {
                // A stray byte: only those a terminal could read as C1 are escaped.
                if (c > 0x9F)
                    continue;
                length = 1;
            } else if (!isHiddenControl(text.substr(i, length))) {
                i += length - 1;
                continue;
            } else {
                code = length == 2 ? static_cast<unsigned>(text[i + 1] & 0x3F) | 0x80
                                   : 0x2000u | (static_cast<unsigned>(text[i + 1] & 0x3F) << 6) |
                                         static_cast<unsigned>(text[i + 2] & 0x3F);
            }
        }
        out.append(text.substr(plain, i - plain));
        if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else if (c == '\t')
            out += "\\t";
        else if (length == 1) {
            out += "\\x";
            out += Hex[code >> 4];
            out += Hex[code & 15];
        } else {
            out += "\\u";
            for (int shift = 12; shift >= 0; shift -= 4)
                out += Hex[(code >> shift) & 15];
        }
        i += length - 1;
        plain = i + 1;
    }
    out.append(text.substr(plain));
}

// Terminal columns the text takes, counting one per character.
std::size_t columns(std::string_view text) {
    std::size_t count = 0;
    for (char c : text)
        count += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
    return count;
}

// The text cut to at most `limit` characters, never inside one.
std::string_view cutToColumns(std::string_view text, std::size_t limit) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80 && count++ == limit)
            return text.substr(0, i);
    }
    return text;
}

} // namespace

int ansiColour(int number, bool highIntensity) {
    number &= 15;
    if (highIntensity)
        number |= 8;
    // Black is drawn in the terminal's own text colour: on a dark console
    // black text would vanish, and 0 is also what a configuration holds
    // when no palette colour was chosen.
    if (number == 0)
        return 39;
    const int ansi = ((number & 1) << 2) | (number & 2) | ((number & 4) >> 2);
    return ((number & 8) ? 90 : 30) + ansi;
}

std::string visible(std::string_view text) {
    std::string result;
    appendVisible(result, text);
    return result;
}

bool hasControlCharacter(std::string_view text) {
    // No early exit: the loop compiles to vector code, and names are short.
    bool found = false;
    for (char c : text)
        found |= isControl(static_cast<unsigned char>(c));
    return found;
}

Message::Message(Console& console, int stream, Tone tone)
    : console_(console), stream_(stream), tone_(tone) {
    console_.prepare(stream_);
}

Message::~Message() {
    console_.lineEnd(stream_);
}

Message& Message::operator<<(std::string_view text) {
    console_.append(stream_, tone_, text);
    return *this;
}

Message& Message::operator<<(Piece piece) {
    console_.append(stream_, piece.tone, piece.text);
    return *this;
}

Console& Console::instance() {
    static Console console;
    return console;
}

Console::Console() : lastDraw_(Clock::now()), lastFlush_(lastDraw_) {
    streams_[Out].fd = STDOUT_FILENO;
    streams_[Err].fd = STDERR_FILENO;
    for (Stream& stream : streams_)
        stream.terminal = ::isatty(stream.fd) == 1;
}

void Console::setColours(const Colours& colours) {
    colours_ = colours;
    for (Stream& stream : streams_)
        stream.colour = colours.enabled && stream.terminal;
}

void Console::setDescriptors(int out, int error) {
    finish();
    streams_[Out] = Stream();
    streams_[Out].fd = out;
    streams_[Err] = Stream();
    streams_[Err].fd = error;
}

void Console::prepare(int stream) {
    if (itemOpen_)
        endItem();
    if (statusShown_) {
        raw(Out, "\n");
        statusShown_ = false;
    }
    if (stream == Err)
        flush(Out);
}

void Console::append(int stream, Tone tone, std::string_view text) {
    Stream& s = streams_[stream];
    if (text.empty())
        return;
    if (!s.colour) {
        appendVisible(s.buffer, text);
        return;
    }
    // A run of text in one colour is coloured once, and reset where it ends.
    const int colour = ansiColour(colours_.numbers[static_cast<int>(tone)], colours_.highIntensity);
    if (s.open != colour) {
        if (s.open >= 0)
            s.buffer += Reset;
        s.buffer += "\x1b[" + std::to_string(colour) + 'm';
        s.open = colour;
        s.coloured = true;
    }
    appendVisible(s.buffer, text);
}

void Console::raw(int stream, std::string_view text) {
    Stream& s = streams_[stream];
    if (s.open >= 0) {
        s.buffer += Reset;
        s.open = -1;
    }
    s.buffer += text;
}

void Console::lineEnd(int stream) {
    raw(stream, "\n");
    if (stream == Err)
        flush(Err);
    else
        flushSoon();
}

void Console::flush(int stream) {
    raw(stream, {});
    Stream& s = streams_[stream];
    std::size_t done = 0;
    while (!s.broken && done < s.buffer.size()) {
        const ssize_t written = ::write(s.fd, s.buffer.data() + done, s.buffer.size() - done);
        if (written > 0) {
            done += static_cast<std::size_t>(written);
        } else if (written < 0 && errno == EINTR && !interrupted()) {
            continue;
        } else {
            // Interrupted while the reader stalls, or nobody reads: the text
            // is dropped rather than holding the run up.
            if (written < 0 && errno != EINTR)
                s.broken = true;
            break;
        }
    }
    s.buffer.clear();
    if (stream == Out)
        lastFlush_ = Clock::now();
}

void Console::flushSoon() {
    if (streams_[Out].buffer.size() >= FlushSize || Clock::now() - lastFlush_ >= DrawInterval)
        flush(Out);
}

bool Console::drawDue() {
    if (!streams_[Out].terminal)
        return false;
    const auto now = Clock::now();
    if (now - lastDraw_ < DrawInterval)
        return false;
    lastDraw_ = now;
    return true;
}

std::size_t Console::width() const {
    struct winsize size {};
    if (::ioctl(streams_[Out].fd, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
    return 80;
}

void Console::beginItem(std::initializer_list<Piece> pieces) {
    prepare(Out);
    const bool terminal = streams_[Out].terminal;
    item_.clear();
    itemColumns_ = 0;
    for (const Piece& piece : pieces) {
        append(Out, piece.tone, piece.text);
        if (terminal) {
            item_.emplace_back(piece.tone, visible(piece.text));
            itemColumns_ += columns(item_.back().second);
        }
    }
    itemOpen_ = true;
    itemRedrawn_ = false;
    flushSoon();
}

void Console::itemProgress(std::uint64_t done, std::uint64_t total) {
    // The line is rewritten from its start, so it must not wrap.
    if (!itemOpen_ || total == 0 || !drawDue() || itemColumns_ + 6 > width())
        return;
    raw(Out, "\r");
    for (const auto& [tone, text] : item_)
        append(Out, tone, text);
    append(Out, Tone::Comment, " " + std::to_string(done * 100 / total) + "%");
    raw(Out, EraseToEnd);
    flush(Out);
    itemRedrawn_ = true;
}

void Console::endItem(std::string_view suffix, Tone tone) {
    if (!itemOpen_)
        return;
    itemOpen_ = false;
    if (itemRedrawn_) {
        raw(Out, "\r");
        for (const auto& [itemTone, text] : item_)
            append(Out, itemTone, text);
    }
    append(Out, tone, suffix);
    if (itemRedrawn_)
        raw(Out, EraseToEnd);
    lineEnd(Out);
}

bool Console::statusDue() {
    return !itemOpen_ && drawDue();
}

void Console::status(std::string_view text) {
    raw(Out, "\r");
    append(Out, Tone::Comment, cutToColumns(visible(text), width() - 1));
    raw(Out, EraseToEnd);
    flush(Out);
    statusShown_ = true;
}

void Console::endStatus(std::string_view text) {
    if (!statusShown_)
        return;
    status(text);
    statusShown_ = false;
    lineEnd(Out);
}

std::optional<std::string> Console::ask(std::string_view question, std::string_view choices) {
    prepare(Out);
    append(Out, Tone::Signal, std::string(question) + " (" + std::string(choices) + ")");
    raw(Out, " ");
    flush(Out);
    return readLine();
}

std::optional<std::string> Console::readLine() {
    for (;;) {
        const size_t end = input_.find('\n');
        if (end != std::string::npos || (inputEnded_ && !input_.empty())) {
            std::string line = input_.substr(0, end);
            input_.erase(0, end == std::string::npos ? end : end + 1);
            return line;
        }
        if (inputEnded_ || interrupted())
            return std::nullopt;
        // Waiting on the interruption's descriptor too: a signal that comes
        // just before the wait still ends it.
        struct pollfd ready[2] = {{STDIN_FILENO, POLLIN, 0}, {interruptDescriptor(), POLLIN, 0}};
        if (::poll(ready, ready[1].fd >= 0 ? 2 : 1, -1) < 0 && errno != EINTR)
            inputEnded_ = true;
        if (interrupted() || (ready[0].revents & (POLLIN | POLLHUP | POLLERR | POLLNVAL)) == 0)
            continue;
        char buffer[4096];
        const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (got > 0)
            input_.append(buffer, static_cast<size_t>(got));
        else if (got == 0 || errno != EINTR)
            inputEnded_ = true;
    }
}

void Console::finish() {
    prepare(Out);
    // Each run of colour ends in a reset already; this one is for a run
    // that an interruption may have cut.
    for (int stream : {Out, Err}) {
        if (streams_[stream].coloured)
            raw(stream, Reset);
        streams_[stream].coloured = false;
        flush(stream);
    }
}

Answer Prompt::ask(const std::string& question) {
    if (all_)
        return Answer::Yes;
    Console& console = Console::instance();
    for (;;) {
        const auto line = console.ask(question, offerQuit_ ? "Yes/No/All/Quit" : "Yes/No/All");
        if (!line) {
            throwIfInterrupted();
            console.out() << "no";
            return Answer::No;
        }
        const auto first = line->find_first_not_of(" \t\r");
        const char answer = first == std::string::npos ? '\0' : toLower(line->substr(first, 1))[0];
        if (answer == 'y')
            return Answer::Yes;
        if (answer == 'n')
            return Answer::No;
        if (answer == 'a') {
            all_ = true;
            return Answer::Yes;
        }
        if (answer == 'q' && offerQuit_)
            return Answer::Quit;
    }
}

} // namespace brak::jar
