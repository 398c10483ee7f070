#include "Console.h"
#include "Files.h"
#include "commands/Commands.h"
#include "commands/Support.h"
#include "commands/Volumes.h"

#include <sys/stat.h>

namespace brak::jar {

// y: writes the archive again with the switches given (level, comments, time
// stamp), to the name given after it or in place. A mask in the name's place
// (the front-end passes "*.*") means in place.
int copyArchive(const Options& options) {
    Console& console = Console::instance();
    if (!options.listFiles.empty())
        throw JarError(ExitBadParameters, "y takes no list file");
    std::string target = options.archive;
    for (const std::string& name : options.names) {
        if (name.find_first_of("*?") != std::string::npos)
            continue;
        if (target != options.archive)
            throw JarError(ExitBadParameters, "y takes one name to copy the archive to");
        target = name;
    }
    const Comments comments = loadComments(options);
    OpenArchive opened(options);
    Archive archive = opened.read();
    struct stat from {};
    struct stat to {};
    const bool inPlace =
        target == options.archive ||
        (::stat(options.archive.c_str(), &from) == 0 && ::stat(target.c_str(), &to) == 0 &&
         from.st_dev == to.st_dev && from.st_ino == to.st_ino);
    // In place, only a new chapter comment touches a chapter.
    if (inPlace)
        refuseLockedChange(options, archive, archive.lastChapter(),
                           options.chapterComment.given ? archive.lastChapter() : 0);
    if (!inPlace && pathExists(target)) {
        struct stat info {};
        if (::stat(target.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
            throw JarError(ExitBadParameters, "\"" + target + "\" is a directory");
        if (Prompt(assumes(options, 'o')).ask(target + " exists. Replace it?") != Answer::Yes) {
            console.out() << "Nothing copied.";
            return ExitWarning;
        }
    }
    applyComments(archive, comments, archive.lastChapter());
    saveArchive(options, archive, &opened.file(), target, inPlace ? opened.volumes() : 1);
    if (inPlace)
        console.out() << "Archive " << highlighted(options.archive) << " written again";
    else
        console.out() << "Archive " << highlighted(options.archive) << " copied to "
                      << highlighted(target);
    return ExitSuccess;
}

} // namespace brak::jar
