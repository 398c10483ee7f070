#include "Console.h"
#include "Files.h"
#include "commands/Commands.h"
#include "commands/Support.h"
#include "commands/Volumes.h"
#include "format/Protection.h"

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <sys/stat.h>

namespace brak::jar {

namespace fs = std::filesystem;

// lt: the technical listing, written whole through a temporary file so that a
// reader never sees half of it. It is put together by hand, as it may
// describe hundreds of thousands of files. Of an archive whose contents are
// hidden, without its password, it gives only what needs no key: no chapter,
// no file.
int writeDump(const Options& options) {
    OpenArchive opened(options);
    // Not copied: it may hold a million files.
    static const Archive none;
    const Archive* read = &none;
    try {
        read = &opened.read();
    } catch (const v2::PasswordMissing&) {
    }
    const bool hidden = read == &none;
    const Archive& archive = *read;
    const std::string& dumpName = options.names.front();
    struct stat archiveInfo {};
    struct stat dumpInfo {};
    if (::stat(options.archive.c_str(), &archiveInfo) == 0 &&
        ::stat(dumpName.c_str(), &dumpInfo) == 0 && archiveInfo.st_dev == dumpInfo.st_dev &&
        archiveInfo.st_ino == dumpInfo.st_ino)
        throw JarError(ExitBadParameters, "the dump file would overwrite the archive");

    TempFile dump(writeTarget(dumpName));
    std::string text;
    constexpr size_t Piece = 1024 * 1024;
    auto number = [&text](std::uint64_t value) {
        char digits[24];
        text.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
    };
    auto line = [&text](std::string_view key) {
        text += "\r\n";
        text += key;
        text += '=';
    };
    char version[16];
    std::snprintf(version, sizeof version, "%04u", archive.versionUsed);
    char needed[16];
    std::snprintf(needed, sizeof needed, "%04u", StandInVersion);
    // The archive's own name may hold anything; the names inside are checked.
    text += "ARCHIVE=" + visible(fs::absolute(options.archive).lexically_normal().string());
    if (hidden) {
        for (const char* key : {"  VERSIONTOUPDATE", "  VERSIONTOEXTRACT", "  VERSIONTOLIST"}) {
            line(key);
            text += needed;
        }
        line("  MAXCHAPTER");
        text += "0\r\n";
        dump.write(text);
        dump.commit(defaultFileMode(), false);
        Console::instance().out() << "The contents of " << highlighted(options.archive)
                                  << " are hidden; listing them needs its password.";
        return ExitWarning;
    }
    line("  FLAGS");
    number(archive.flags);
    line("  CREATED");
    appendTime(text, archive.created);
    line("  MODIFIED");
    appendTime(text, archive.modified);
    line("  VERSIONUSED");
    text += version;
    for (const char* key : {"  VERSIONTOUPDATE", "  VERSIONTOEXTRACT", "  VERSIONTOLIST"}) {
        line(key);
        text += needed;
    }
    line("  MAXCHAPTER");
    number(archive.lastChapter());
    for (size_t i = 0; i < archive.chapters.size(); ++i) {
        const Chapter& chapter = archive.chapters[i];
        line("CHAPTER");
        number(i + 1);
        line("  CREATED");
        appendTime(text, chapter.created);
        line("  MODIFIED");
        appendTime(text, chapter.modified);
        line("  FLAGS");
        number(chapter.flags);
    }
    for (const Entry& entry : archive.entries) {
        line("FILE");
        text += entry.name;
        line("  CREATED");
        appendTime(text, entry.times.created);
        line("  MODIFIED");
        appendTime(text, entry.times.modified);
        line("  LASTACCESS");
        appendTime(text, entry.times.accessed);
        line("  SIZE");
        number(entry.size);
        line("  CHAPTERSRANGE");
        number(entry.firstChapter);
        text += '-';
        number(entry.lastChapter);
        line("  ATTRIBUTES");
        number(entry.attributes);
        if (text.size() >= Piece) {
            dump.write(text);
            text.clear();
        }
    }
    text += "\r\n";
    dump.write(text);
    // A listing is made afresh whenever it is wanted: no need to wait for the disk.
    dump.commit(defaultFileMode(), false);
    Console::instance().out() << "Technical listing written to " << highlighted(dumpName);
    return ExitSuccess;
}

} // namespace brak::jar
