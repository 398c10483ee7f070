#include "Console.h"
#include "Files.h"
#include "cli/CommandLine.h"
#include "commands/Commands.h"
#include "commands/Support.h"
#include "commands/Volumes.h"

#include <cstdio>

namespace brak::jar {

namespace {

// A comment line by line, each under the same indentation.
void showComment(const std::string& indent, const std::string& comment) {
    Console& console = Console::instance();
    for (size_t start = 0; start <= comment.size() && !comment.empty();) {
        const size_t end = std::min(comment.find('\n', start), comment.size());
        console.out(Tone::Comment)
            << indent << std::string_view(comment).substr(start, end - start);
        start = end + 1;
    }
}

std::string chapterFlags(std::uint32_t flags) {
    std::string letters = "LARSHE";
    for (size_t i = 0; i < letters.size(); ++i) {
        if ((flags & (1u << i)) == 0)
            letters[i] = '.';
    }
    return letters;
}

} // namespace

// l lists the last chapter; v lists every stored version with its chapters;
// ls gives the last chapter's names alone. With -jc, l and v list the
// versions of those chapters.
int listArchive(const Options& options) {
    Console& console = Console::instance();
    OpenArchive opened(options);
    const Archive archive = opened.read();
    const Selector selector(options);
    const ChapterRange range = options.selection.chapters || options.command != "v"
                                   ? chapterRange(options, archive)
                                   : ChapterRange{1, archive.lastChapter()};
    MaskUse masks(masksOf(options));
    FileList fileList(options);
    Outcome outcome;
    const bool verbose = options.command == "v";
    const bool names = options.command == "ls";
    if (!names) {
        console.out() << "Archive " << highlighted(options.archive) << ", " << archive.lastChapter()
                      << " chapter(s)";
        showComment("Comment: ", archive.comment);
        if (!verbose)
            showComment("Chapter " + std::to_string(archive.lastChapter()) + ": ",
                        archive.chapters.back().comment);
        console.out() << (verbose ? "       Size Modified            Attr  Chapters  CRC      Name"
                                  : "       Size Modified            Attr  Name");
    }
    std::uint64_t total = 0;
    size_t count = 0;
    std::string columns;
    for (const Entry& entry : archive.entries) {
        if (!range.holds(entry) || !selector.takes(entry) || !masks.matches(entry.name) ||
            !options.attributes.accepts(entry.attributes))
            continue;
        ++count;
        total += entry.size;
        fileList.add(entry.name);
        if (names) {
            console.out() << highlighted(entry.name);
            continue;
        }
        columns = padLeft(std::to_string(entry.size), 11) + ' ';
        appendTime(columns, entry.times.modified);
        columns += ' ' + attributeLetters(entry.attributes) + ' ';
        if (verbose) {
            char crc[9];
            std::snprintf(crc, sizeof crc, "%08X", entry.crc);
            const std::string range =
                std::to_string(entry.firstChapter) + '-' + std::to_string(entry.lastChapter);
            columns +=
                ' ' + range + std::string(range.size() < 9 ? 9 - range.size() : 1, ' ') + crc + ' ';
        }
        console.out() << columns << ' ' << highlighted(entry.name);
        showComment(std::string(13, ' ') + "Comment: ", entry.comment);
    }
    if (verbose) {
        for (size_t i = 0; i < archive.chapters.size(); ++i)
            showComment("Chapter " + std::to_string(i + 1) + ": ", archive.chapters[i].comment);
    }
    masks.report(options.warnUnused, outcome);
    fileList.write();
    if (!names)
        console.out() << padLeft(std::to_string(total), 11) << " bytes in " << count << " file(s)";
    return outcome.code();
}

// lc: one line per chapter with its times, flags and files, then its comment.
int listChapters(const Options& options) {
    Console& console = Console::instance();
    requireNoMasks(options);
    OpenArchive opened(options);
    const Archive archive = opened.read();
    std::vector<size_t> files(archive.chapters.size() + 1, 0);
    for (const Entry& entry : archive.entries) {
        for (std::uint32_t c = entry.firstChapter; c <= entry.lastChapter; ++c)
            ++files[c];
    }
    console.out() << "Archive " << highlighted(options.archive) << ", " << archive.lastChapter()
                  << " chapter(s)";
    showComment("Comment: ", archive.comment);
    console.out() << "Chapter Created             Modified            Flags   Files";
    for (size_t i = 0; i < archive.chapters.size(); ++i) {
        const Chapter& chapter = archive.chapters[i];
        std::string line = padLeft(std::to_string(i + 1), 7) + ' ';
        appendTime(line, chapter.created);
        line += ' ';
        appendTime(line, chapter.modified);
        line += ' ' + chapterFlags(chapter.flags) + ' ' + padLeft(std::to_string(files[i + 1]), 7);
        console.out() << line;
        showComment("        Comment: ", chapter.comment);
    }
    return ExitSuccess;
}

// t: every stored version, of every chapter (of those of -jc).
int testArchive(const Options& options) {
    Console& console = Console::instance();
    OpenArchive opened(options);
    ArchiveFile& file = opened.file();
    const Archive archive = opened.read();
    const Selector selector(options);
    const ChapterRange range = options.selection.chapters ? chapterRange(options, archive)
                                                          : ChapterRange{1, archive.lastChapter()};
    MaskUse masks(masksOf(options));
    FileList fileList(options);
    Outcome outcome;
    size_t tested = 0;
    size_t failed = 0;
    for (const Entry& entry : archive.entries) {
        if (!range.holds(entry) || !selector.takes(entry) || !masks.matches(entry.name) ||
            !options.attributes.accepts(entry.attributes))
            continue;
        ++tested;
        const std::string chapters = " (chapters " + std::to_string(entry.firstChapter) + '-' +
                                     std::to_string(entry.lastChapter) + ")";
        console.beginItem(
            {{Tone::Normal, "Testing "}, highlighted(entry.name), {Tone::Normal, chapters}});
        std::uint64_t done = 0;
        const bool good = readEntryData(file, entry, [&](const char*, size_t size) {
            done += size;
            console.itemProgress(done, entry.size);
        });
        console.endItem(good ? " OK" : " CRC error", good ? Tone::Normal : Tone::Error);
        fileList.add(entry.name);
        if (!good) {
            ++failed;
            outcome.raise(ExitCrc);
        }
    }
    masks.report(options.warnUnused, outcome);
    if (tested == 0) {
        console.out() << "No file matches.";
        outcome.raise(ExitWarning);
    }
    fileList.write();
    console.out() << tested << " file(s) tested, " << failed << " with errors";
    return outcome.code();
}

} // namespace brak::jar
