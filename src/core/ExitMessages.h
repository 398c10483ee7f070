#pragma once

#include "platform/Pty.h"

#include <string>

namespace brak {

inline constexpr const char* ExitCaption = "Jar execution terminated";
inline constexpr const char* StartFailureCaption = "Error executing Jar";

// What Jar's exit code means. Codes are compared as unsigned numbers, so a
// negative one is as unknown as one past 11.
std::string exitCodeMessage(int code);
// An exit code as a user reads it: its meaning, then its number, as in
// "Not a Jar archive (exit code 9)".
std::string exitCodeText(int code);
// Why Jar could not be started, by the errno of the attempt.
std::string startFailureMessage(int error);
// How a Jar that ended reads: by its exit code; a Jar killed by a signal
// has none, and reads as interrupted for SIGINT, unknown for any other.
std::string exitStatusMessage(const ExitStatus& status);
// A signal by its name ("SIGINT"), or its number when it has none.
std::string signalName(int signal);
// The console's last line once the program has ended.
std::string endLine(const std::string& program, const ExitStatus& status);

} // namespace brak
