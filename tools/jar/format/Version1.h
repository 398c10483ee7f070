#pragma once

#include "Archive.h"

namespace brak::jar::v1 {

// Reads the index of a version 1 archive (files stored one after another,
// their data at file offsets). Such an archive is only read: the next
// change writes it as version 2.
Archive readIndex(ArchiveFile& file);

} // namespace brak::jar::v1
