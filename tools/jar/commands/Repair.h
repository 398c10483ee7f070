#pragma once

#include "Archive.h"
#include "cli/Options.h"

#include <optional>

namespace brak::jar {

// For a command about to read the archive at `file`: with t, -hx, -jr or rh
// it checks every sector against the recovery records and reports the
// damage by block; -hx and rh read the archive repaired in memory, -jr
// repairs the file through a temporary copy and reopens it.
void useRecoveryRecords(const Options& options, std::optional<ArchiveFile>& file);

// The exit code the records added in this run (1 repaired, 3 damage left),
// cleared as it is taken; `report` says again what they found.
int finishRecovery(bool report);

} // namespace brak::jar
