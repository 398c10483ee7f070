#pragma once

#include "cli/CommandLine.h"

namespace brak::jar {

// Runs one parsed command and returns its exit code; fatal errors are thrown
// as JarError.
int runCommand(const Options& options);

} // namespace brak::jar
