#pragma once

#include <string>
#include <utility>
#include <vector>

namespace brak::test {

struct CommandResult {
    int exitCode = -1;  // -1: it could not be started or did not end normally
    std::string output; // standard output and standard error together
};

// Runs a program (looked up along PATH) with its arguments in the given
// directory (empty: this one), reading nothing, and waits for it.
CommandResult runCommand(const std::vector<std::string>& argv, const std::string& directory = {});

// This build's JAR32.EXE with the arguments of one shell line, in `directory`,
// with no terminal (in a session of its own); a password goes on descriptor
// 3 and a new one on 4, as Brak hands them over.
CommandResult runJarLine(const std::string& directory, const std::string& arguments,
                         const std::string& password = "", const std::string& newPassword = "");

// This build's JAR32.EXE with `args` in `directory` on a pseudo-terminal,
// typing each answer once its prompt (first) has shown; without answers it
// has no terminal at all. The output is what the terminal showed.
CommandResult runJarOnTerminal(const std::string& directory, const std::vector<std::string>& args,
                               const std::vector<std::pair<std::string, std::string>>& answers);

// Whether a program of that name is on PATH.
bool haveCommand(const std::string& name);

} // namespace brak::test
