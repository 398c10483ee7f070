#include "core/ExitMessages.h"

#include <array>
#include <cerrno>
#include <cstring>

namespace brak {

std::string exitCodeMessage(int code) {
    static constexpr std::array<const char*, 12> messages{
        "Success",
        "Warning",
        "Fatal error",
        "CRC error",
        "Unclassified.", // 4 has no text of its own
        "Disk full or write error",
        "Cannot open archive",
        "User error - bad parameters",
        "Not enough memory",
        "Not a Jar archive",
        "Internal error",
        "User termination - Ctrl-C"};
    const auto index = static_cast<unsigned>(code);
    return index < messages.size() ? messages[index] : "Unclassified.";
}

std::string exitCodeText(int code) {
    std::string meaning = exitCodeMessage(code);
    if (meaning.ends_with('.'))
        meaning.pop_back();
    return meaning + " (exit code " + std::to_string(code) + ")";
}

std::string startFailureMessage(int error) {
    switch (error) {
    case ENOENT:
        return "Path or file not found.";
    case ENOMEM:
        return "Not enough memory.";
    case EINVAL:
        return "Invalid argument.";
    case E2BIG:
        return "Argument list too long.";
    case ENOEXEC:
        return "Exec format error.";
    default:
        return "Unclassified.";
    }
}

std::string exitStatusMessage(const ExitStatus& status) {
    if (!status.signalled)
        return exitCodeMessage(status.code);
    return status.signal == SIGINT ? exitCodeMessage(11) : "Unclassified.";
}

std::string signalName(int signal) {
    const char* name = sigabbrev_np(signal);
    return name ? "SIG" + std::string(name) : std::to_string(signal);
}

std::string endLine(const std::string& program, const ExitStatus& status) {
    if (!status.signalled)
        return program + " ended with exit code " + std::to_string(status.code);
    return program + " was ended by signal " + signalName(status.signal);
}

} // namespace brak
