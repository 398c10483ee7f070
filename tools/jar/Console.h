#pragma once

#include "Common.h"

#include <array>
#include <chrono>
#include <concepts>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace brak::jar {

// The kinds of text the configuration file gives colours to.
enum class Tone { Normal, Error, Signal, Comment, Highlight };

// Colours by Tone, numbered as in the configuration file: the PC text
// palette 0..15, where bit 0 is blue, bit 2 red and bit 3 bright.
struct Colours {
    bool enabled = false;
    bool highIntensity = false;
    std::array<int, 5> numbers = {7, 12, 14, 11, 2};
};

// The SGR parameter that draws a palette colour in a terminal.
int ansiColour(int number, bool highIntensity);

// Control characters written as escapes (\n, \x1b), so that text from
// outside can neither move the cursor nor fake a line of its own.
std::string visible(std::string_view text);
bool hasControlCharacter(std::string_view text);

struct Piece {
    Tone tone;
    std::string_view text;
};
inline Piece highlighted(std::string_view name) {
    return {Tone::Highlight, name};
}

class Console;

// One line of output, built with <<. Every piece is shown escaped; the line
// end is added when the message goes.
class Message {
public:
    Message(Console& console, int stream, Tone tone);
    ~Message();
    Message(const Message&) = delete;
    Message& operator=(const Message&) = delete;

    Message& operator<<(std::string_view text);
    Message& operator<<(const char* text) { return *this << std::string_view(text); }
    Message& operator<<(const std::string& text) { return *this << std::string_view(text); }
    Message& operator<<(char c) { return *this << std::string_view(&c, 1); }
    Message& operator<<(Piece piece);
    template <std::integral T> Message& operator<<(T number) {
        return *this << std::to_string(number);
    }

private:
    Console& console_;
    int stream_;
    Tone tone_;
};

// Standard output and error, buffered and written straight to their
// descriptors. On a terminal it colours the text (when the configuration
// asks for it) and keeps a progress line that is rewritten in place.
class Console {
public:
    static constexpr int Out = 0;
    static constexpr int Err = 1;

    static Console& instance();

    void setColours(const Colours& colours);
    // Descriptors to write to instead of 1 and 2, never treated as terminals.
    void setDescriptors(int out, int error);
    bool isTerminal() const { return streams_[Out].terminal; }

    Message out(Tone tone = Tone::Normal) { return Message(*this, Out, tone); }
    Message error() { return Message(*this, Err, Tone::Error); }

    // A line about one file. On a terminal it shows how far the work on the
    // file has come, rewritten in place at most every 50 ms.
    void beginItem(std::initializer_list<Piece> pieces);
    void itemProgress(std::uint64_t done, std::uint64_t total);
    void endItem(std::string_view suffix = {}, Tone tone = Tone::Normal);

    // A line about a long step, on a terminal only. Callers ask statusDue
    // first, so that the text is made only when it will be shown.
    bool statusDue();
    void status(std::string_view text);
    // Shows the last state and ends the line, if a status was shown.
    void endStatus(std::string_view text);

    // Writes the question and reads one line of standard input; nothing at
    // the end of the input or on an interruption.
    std::optional<std::string> ask(std::string_view question, std::string_view choices);

    // Ends an open line, writes what is buffered and resets the colours.
    void finish();

private:
    friend class Message;
    using Clock = std::chrono::steady_clock;
    struct Stream {
        int fd = -1;
        bool terminal = false;
        bool colour = false;
        bool coloured = false; // a colour was written since the last reset at the end
        int open = -1;         // the colour in force, until the next reset
        bool broken = false;
        std::string buffer;
    };

    Console();
    // Before regular output: the open line ends, and standard output goes
    // out before anything on standard error.
    void prepare(int stream);
    void append(int stream, Tone tone, std::string_view text);
    // Our own control sequences and line ends, never coloured.
    void raw(int stream, std::string_view text);
    void lineEnd(int stream);
    void flush(int stream);
    void flushSoon();
    bool drawDue();
    std::size_t width() const;
    std::optional<std::string> readLine();

    std::array<Stream, 2> streams_;
    Colours colours_;
    bool itemOpen_ = false;
    bool itemRedrawn_ = false;
    std::size_t itemColumns_ = 0;
    std::vector<std::pair<Tone, std::string>> item_;
    bool statusShown_ = false;
    std::string input_; // read from standard input, not yet answered
    bool inputEnded_ = false;
    Clock::time_point lastDraw_;
    Clock::time_point lastFlush_;
};

enum class Answer { No, Yes, Quit };

// A question to the user on standard input. "All" answers the later questions
// of this prompt too; the end of the input answers "no".
class Prompt {
public:
    explicit Prompt(bool assumeYes, bool offerQuit = false)
        : all_(assumeYes), offerQuit_(offerQuit) {}
    Answer ask(const std::string& question);

private:
    bool all_;
    bool offerQuit_;
};

} // namespace brak::jar
