#include "Console.h"
#include "Files.h"
#include "cli/CommandLine.h"
#include "commands/Commands.h"
#include "commands/Support.h"
#include "commands/Volumes.h"

namespace brak::jar {

// c: sets or removes the comments -z (archive), -hz (last chapter) and -jz
// (the files of the last chapter the masks name) give.
int commentArchive(const Options& options) {
    Console& console = Console::instance();
    if (!options.archiveComment.given && !options.chapterComment.given &&
        !options.fileComment.given)
        throw JarError(ExitBadParameters, "c needs the comment to set: -z<file> for the "
                                          "archive, -hz<file> for the last chapter, -jz<file> "
                                          "for files (NUL instead of a file removes it)");
    if (!options.fileComment.given)
        requireNoMasks(options);
    const Comments comments = loadComments(options);
    OpenArchive opened(options);
    Archive archive = opened.read();
    const Selector selector(options);
    const std::uint32_t chapter = archive.lastChapter();
    refuseLockedChange(options, archive, chapter, chapter);
    bool changed = applyComments(archive, comments, chapter);
    size_t commented = 0;
    if (comments.file) {
        MaskUse masks(masksOf(options));
        for (Entry& entry : archive.entries) {
            if (entry.lastChapter != chapter || !selector.takes(entry) ||
                !masks.matches(entry.name))
                continue;
            ++commented;
            changed |= entry.comment != *comments.file;
            entry.comment = *comments.file;
        }
        if (commented == 0)
            console.out() << "No file of the last chapter matches.";
    }
    if (!changed) {
        console.out() << "The comments are as asked already; the archive is unchanged.";
        return comments.file && commented == 0 ? ExitWarning : ExitSuccess;
    }
    archive.modified = now();
    saveArchive(options, archive, &opened.file(), options.archive, opened.volumes());
    console.out() << "Comments of " << highlighted(options.archive) << " set"
                  << (comments.file ? " (" + std::to_string(commented) + " file(s))" : "");
    return comments.file && commented == 0 ? ExitWarning : ExitSuccess;
}

} // namespace brak::jar
