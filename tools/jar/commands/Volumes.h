#pragma once

#include "Archive.h"
#include "cli/Options.h"

#include <cstddef>
#include <optional>
#include <string>

// Volumes are made above the archive format: the archive is written whole,
// then cut into pieces; a reader joins the pieces into one unnamed temporary
// file first. A volume holds plain bytes, so `cat` joins them too.
namespace brak::jar {

// The name of volume `index` (1: the second) of an archive: its last
// extension replaced by .001, .002, ...; appended when it has none.
std::string volumeName(const std::string& archive, std::size_t index);

// An archive opened for reading across its volumes. With volumes beside it
// that the first one alone does not make whole, they are joined in order
// until the archive reads; a volume missing then is "cannot open" (6),
// naming it.
class OpenArchive {
public:
    explicit OpenArchive(const Options& options);
    ArchiveFile& file() { return *file_; }
    // The archive's index, read once; it lives as long as this.
    const Archive& read();
    std::size_t volumes() const { return volumes_; }

private:
    std::string path_;
    std::optional<ArchiveFile> file_;
    std::optional<Archive> archive_;
    std::size_t volumes_ = 1;
};

// Splits the archive just written at `file` (named `name` by the user) into
// the volumes -v or -va ask for, running -vt, -vb, -vc and -ve before each new
// one. Volumes left from an earlier form of the archive (its first
// `oldVolumes` - 1) that are no longer part of it are removed. A stop or a
// failure leaves the archive whole in one file.
void splitVolumes(const Options& options, const std::string& file, const std::string& name,
                  std::size_t oldVolumes);

} // namespace brak::jar
