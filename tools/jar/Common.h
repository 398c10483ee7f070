#pragma once

#include <algorithm>
#include <stdexcept>
#include <string>
#include <string_view>

// The stand-in archiver: a small, real archiver that keeps data safe and
// answers the front-end with the exit codes it interprets.
namespace brak::jar {

inline constexpr int ExitSuccess = 0;
inline constexpr int ExitWarning = 1;
inline constexpr int ExitFatal = 2;
inline constexpr int ExitCrc = 3;
inline constexpr int ExitWrite = 5;
inline constexpr int ExitCannotOpen = 6;
inline constexpr int ExitBadParameters = 7;
inline constexpr int ExitNoMemory = 8;
inline constexpr int ExitNotArchive = 9;
inline constexpr int ExitInterrupted = 11;

// Ends the run: the message goes to standard error, the code is the exit code.
class JarError : public std::runtime_error {
public:
    JarError(int code, const std::string& message) : std::runtime_error(message), code_(code) {}
    int code() const { return code_; }

private:
    int code_;
};

// The worst thing that happened in a run that carried on after it.
class Outcome {
public:
    void raise(int code) { code_ = std::max(code_, code); }
    int code() const { return code_; }

private:
    int code_ = ExitSuccess;
};

// Ctrl-C, SIGTERM and SIGHUP only set a flag: long loops call
// throwIfInterrupted, so the run unwinds and temporary files are removed.
void installSignalHandlers();
bool interrupted();
void throwIfInterrupted();
// Readable once an interruption came, so that a wait for input can end
// however close to it the signal arrived; -1 before the handlers are set.
int interruptDescriptor();

std::string toLower(std::string text);

// Blanks around configuration values and list-file lines.
inline bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

inline std::string trim(std::string_view text) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return std::string(text.substr(begin, end - begin));
}

} // namespace brak::jar
