#pragma once

#include "cli/Options.h"

#include <optional>
#include <string>
#include <vector>

namespace brak::jar {

// Runs the command when its archive is one of another program's formats: an
// existing file that libarchive reads (told by its content), or a new archive
// named .zip, .7z, .tar, .tar.gz, .tgz, .tar.xz, .tar.zst or .tar.bz2. Nothing
// when the archive is Jar's own, so that Jar's commands take it.
std::optional<int> runForeignCommand(const Options& options);

} // namespace brak::jar
