#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string_view>

namespace brak::jar {

// From now on the process leaves no core dump, and no other process of the
// user may read its memory: it holds a password or a key.
void forbidCoreDumps();

// A password in memory of its own, locked out of swap and wiped when it goes.
// It never grows, so no copy of it is left behind in freed memory.
class Secret {
public:
    static constexpr std::size_t Capacity = 1024;
    Secret();
    ~Secret();
    Secret(Secret&& other) noexcept;
    Secret& operator=(Secret&& other) noexcept;
    Secret(const Secret&) = delete;
    Secret& operator=(const Secret&) = delete;

    const char* c_str() const { return data_.get(); }
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    // False when the password would not fit.
    bool append(char c);
    bool operator==(const Secret& other) const;

private:
    struct Free {
        void operator()(char* data) const;
    };

    void wipe();
    std::unique_ptr<char[], Free> data_;
    std::size_t size_ = 0;
};

// A second copy, in locked memory of its own.
Secret copyOf(const Secret& secret);

// Asks for a password on the terminal with echo off: standard input when it
// is a terminal, else the controlling terminal. Never waits without one: then
// it says that a password is needed and gives nothing, as it does at the end
// of the input. An interruption unwinds the run.
std::optional<Secret> askPassword(std::string_view prompt);

// From now on every password is the one read from this inherited descriptor
// (up to a line end or its end), and nothing is asked on the terminal.
// Throws a bad-parameter error when it is not open or holds no password.
void takePasswordFrom(int descriptor);

// The password handed over on an inherited descriptor, read as
// takePasswordFrom reads it, without making it the one every question gets.
Secret passwordFrom(int descriptor);
// Asks on the terminal as askPassword does, even when a password was handed over.
std::optional<Secret> askTypedPassword(std::string_view prompt);

// A new password, asked twice; nothing when the two differ or no terminal is there.
std::optional<Secret> askNewPassword(std::string_view what);

} // namespace brak::jar
