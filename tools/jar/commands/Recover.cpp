#include "Console.h"
#include "Files.h"
#include "commands/Commands.h"
#include "commands/Repair.h"
#include "commands/Support.h"
#include "commands/Volumes.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace brak::jar {

// rh: rebuilds the index from what the archive's data still tells. The
// damaged file is kept beside it under a new name, since what could not be
// recovered now might be later; the rebuilt archive takes its place through
// a temporary file.
int recoverHeader(const Options& options) {
    Console& console = Console::instance();
    requireNoMasks(options);
    const Comments comments = loadComments(options);
    // Rebuilt from its first volume alone, a split archive would lose the rest.
    const std::string volume = volumeName(options.archive, 1);
    if (volume != options.archive && pathExists(volume))
        throw JarError(ExitBadParameters,
                       "\"" + options.archive + "\" has volumes beside it (\"" + volume +
                           "\"); rh rebuilds one file: join them first, as cat " + options.archive +
                           " " + volume + " ... > whole.j, and run rh on that");
    std::optional<ArchiveFile> opened;
    opened.emplace(options.archive);
    // What the recovery records can repair is repaired first, in memory.
    useRecoveryRecords(options, opened);
    ArchiveFile& file = *opened;
    Outcome outcome;
    Archive archive = recoverArchive(file, outcome);
    applyComments(archive, comments, archive.lastChapter());
    const std::string target = writeTarget(options.archive);
    std::string kept;
    for (int n = 0; n < 100 && kept.empty(); ++n) {
        const std::string name = target + ".damaged" + (n > 0 ? "." + std::to_string(n) : "");
        if (::link(target.c_str(), name.c_str()) == 0)
            kept = name;
        else if (errno != EEXIST)
            throw JarError(ExitWrite, "cannot keep the damaged archive as \"" + name +
                                          "\": " + std::strerror(errno) + "; nothing was changed");
    }
    if (kept.empty())
        throw JarError(ExitWrite, "too many kept copies of the damaged archive beside \"" + target +
                                      "\"; nothing was changed");
    try {
        saveArchive(options, archive, &file, target);
    } catch (...) {
        ::unlink(kept.c_str());
        throw;
    }
    console.out() << "Index rebuilt: " << archive.entries.size() << " file version(s) in "
                  << archive.lastChapter() << " chapter(s); the damaged archive is kept as "
                  << highlighted(kept);
    return outcome.code();
}

} // namespace brak::jar
