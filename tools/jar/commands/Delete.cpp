#include "Console.h"
#include "Files.h"
#include "cli/CommandLine.h"
#include "commands/Commands.h"
#include "commands/Support.h"
#include "commands/Volumes.h"

#include <charconv>

namespace brak::jar {

namespace {

// A chapter range given as "n" or "a-b"; nothing when the text is not one.
std::optional<std::pair<std::uint32_t, std::uint32_t>> chapterRange(const std::string& text) {
    std::uint32_t first = 0;
    std::uint32_t last = 0;
    const char* end = text.data() + text.size();
    auto [at, error] = std::from_chars(text.data(), end, first);
    if (error != std::errc() || at == text.data())
        return std::nullopt;
    last = first;
    if (at != end) {
        if (*at != '-')
            return std::nullopt;
        const char* second = at + 1;
        const auto result = std::from_chars(second, end, last);
        if (result.ec != std::errc() || result.ptr != end || result.ptr == second)
            return std::nullopt;
    }
    return std::make_pair(first, last);
}

} // namespace

// d: the files leave the last chapter; versions kept by earlier chapters
// stay. da: every file leaves it.
int deleteFiles(const Options& options) {
    Console& console = Console::instance();
    if (options.command == "da")
        requireNoMasks(options);
    const Comments comments = loadComments(options);
    OpenArchive opened(options);
    Archive archive = opened.read();
    const Selector selector(options);
    MaskUse masks(options.command == "da" ? std::vector<std::string>() : masksOf(options));
    const std::uint32_t chapter = archive.lastChapter();
    refuseLockedChange(options, archive, chapter, chapter);
    Prompt query(assumes(options, 'd'));
    FileList fileList(options);
    Outcome outcome;
    std::vector<Entry> kept;
    size_t matched = 0;
    size_t deleted = 0;
    for (Entry& entry : archive.entries) {
        const bool matches = entry.lastChapter == chapter && selector.takes(entry) &&
                             masks.matches(entry.name) &&
                             options.attributes.accepts(entry.attributes);
        matched += matches ? 1 : 0;
        if (matches && (!(options.query || options.queryDelete) ||
                        query.ask("Delete " + entry.name + "?") == Answer::Yes)) {
            console.out() << "Deleting  " << highlighted(entry.name);
            fileList.add(entry.name);
            ++deleted;
            if (entry.firstChapter == chapter)
                continue;
            entry.lastChapter = chapter - 1;
        }
        kept.push_back(std::move(entry));
    }
    masks.report(options.warnUnused, outcome);
    const bool commented = applyComments(archive, comments, chapter);
    if (matched == 0) {
        console.out() << "No file of the last chapter matches.";
        outcome.raise(options.command == "da" ? ExitSuccess : ExitWarning);
    }
    if (deleted == 0 && !commented) {
        console.out() << "The archive is unchanged.";
        fileList.write();
        return outcome.code();
    }
    archive.entries = std::move(kept);
    touchChapter(archive);
    saveArchive(options, archive, &opened.file(), options.archive, opened.volumes());
    fileList.write();
    console.out() << deleted << " file(s) deleted from chapter " << chapter;
    return outcome.code();
}

// dc: deletes a range of chapters ("3" or "2-4", or the range of -jc), the
// last chapter when none is named. The chapters after the range take their numbers; a file version
// that belonged only to deleted chapters goes.
int deleteChapters(const Options& options) {
    Console& console = Console::instance();
    if (!options.listFiles.empty() || options.names.size() > 1)
        throw JarError(ExitBadParameters, "dc takes at most one chapter range, as 2 or 2-4");
    const Comments comments = loadComments(options);
    OpenArchive opened(options);
    Archive archive = opened.read();
    const std::uint32_t chapters = archive.lastChapter();
    std::uint32_t first = chapters;
    std::uint32_t last = chapters;
    const bool named =
        !options.names.empty() && options.names[0] != "*.*" && options.names[0] != "*";
    if (named && options.selection.chapters)
        throw JarError(ExitBadParameters, "dc takes its chapters from -jc or from a range after "
                                          "the archive, not from both");
    if (options.selection.chapters) {
        const ChapterRange range = chapterRange(options, archive);
        first = range.first;
        last = range.last;
    } else if (named) {
        const auto range = chapterRange(options.names[0]);
        if (!range || range->first < 1 || range->first > range->second)
            throw JarError(ExitBadParameters,
                           "\"" + options.names[0] + "\" is no chapter range (as 2 or 2-4)");
        std::tie(first, last) = *range;
        if (last > chapters)
            throw JarError(ExitBadParameters, "the archive has " + std::to_string(chapters) +
                                                  " chapter(s); there is no chapter " +
                                                  std::to_string(last));
    }
    refuseLockedChange(options, archive, first, last);
    const std::uint32_t count = last - first + 1;
    if (count >= chapters)
        throw JarError(ExitBadParameters, "an archive keeps at least one chapter: delete the "
                                          "archive file itself to remove them all");
    std::vector<Entry> kept;
    kept.reserve(archive.entries.size());
    size_t dropped = 0;
    for (Entry& entry : archive.entries) {
        const std::uint32_t from = entry.firstChapter < first
                                       ? entry.firstChapter
                                       : std::max(entry.firstChapter, last + 1) - count;
        const std::uint32_t to = entry.lastChapter > last ? entry.lastChapter - count
                                                          : std::min(entry.lastChapter, first - 1);
        if (entry.lastChapter >= first && entry.firstChapter <= last &&
            (entry.firstChapter >= first && entry.lastChapter <= last)) {
            ++dropped;
            continue;
        }
        entry.firstChapter = from;
        entry.lastChapter = to;
        kept.push_back(std::move(entry));
    }
    archive.entries = std::move(kept);
    archive.chapters.erase(archive.chapters.begin() + (first - 1), archive.chapters.begin() + last);
    applyComments(archive, comments, archive.lastChapter());
    archive.modified = now();
    saveArchive(options, archive, &opened.file(), options.archive, opened.volumes());
    console.out() << "Chapter(s) " << first << (count > 1 ? "-" + std::to_string(last) : "")
                  << " deleted, " << dropped << " file version(s) with them; "
                  << archive.lastChapter() << " chapter(s) left";
    return ExitSuccess;
}

} // namespace brak::jar
