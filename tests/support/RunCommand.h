#pragma once

#include <string>
#include <vector>

namespace brak::test {

struct CommandResult {
    int exitCode = -1;  // -1: it could not be started or did not end normally
    std::string output; // standard output and standard error together
};

// Runs a program (looked up along PATH) with its arguments in the given
// directory (empty: this one), reading nothing, and waits for it.
CommandResult runCommand(const std::vector<std::string>& argv, const std::string& directory = {});

// Whether a program of that name is on PATH.
bool haveCommand(const std::string& name);

} // namespace brak::test
