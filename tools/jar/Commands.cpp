#include "Commands.h"

#include "Archive.h"
#include "Console.h"
#include "foreign/ForeignCommands.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>
#include <unordered_set>

namespace brak::jar {

namespace fs = std::filesystem;

namespace {

std::int64_t now() {
    return static_cast<std::int64_t>(std::time(nullptr));
}

bool pathExists(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

// Writing through a symbolic link replaces the file it points to, not the link.
std::string writeTarget(const std::string& path) {
    std::error_code error;
    const fs::path resolved = fs::canonical(path, error);
    return error ? path : resolved.string();
}

std::string attributeLetters(std::uint32_t attributes) {
    std::string letters = "AHSRD";
    for (size_t i = 0; i < letters.size(); ++i) {
        if ((attributes & (1u << i)) == 0)
            letters[i] = '.';
    }
    return letters;
}

std::string padLeft(const std::string& text, size_t width) {
    return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

void touchChapter(Archive& archive) {
    const std::int64_t time = now();
    archive.chapters.back().modified = time;
    archive.modified = time;
}
bool isWanted(const Options& options, const Entry* current, const FileTimes& times) {
    if (options.newOnly && current != nullptr)
        return false;
    if (options.addMode == AddMode::All)
        return true;
    if (current == nullptr)
        return options.addMode == AddMode::Update;
    return options.different ? times.modified != current->times.modified
                             : times.modified > current->times.modified;
}

// a, ac, u, f and m: every file goes into the last chapter; a version that
// also belongs to earlier chapters stays there and only leaves the last one.
int addFiles(const Options& options) {
    Console& console = Console::instance();
    Outcome outcome;
    const bool exists = pathExists(options.archive);
    std::optional<ArchiveFile> file;
    Archive archive;
    if (exists) {
        file.emplace(options.archive);
        archive = readArchive(*file);
    } else {
        archive.created = archive.modified = now();
        archive.chapters.push_back({archive.created, archive.created, 0});
    }
    bool changed = false;
    if (options.command == "ac" && exists) {
        const std::uint32_t previous = archive.lastChapter();
        archive.chapters.push_back({now(), now(), 0});
        for (Entry& entry : archive.entries) {
            if (entry.lastChapter == previous)
                entry.lastChapter = previous + 1;
        }
        changed = true;
    }
    const std::uint32_t chapter = archive.lastChapter();
    // The version of each name in the last chapter, found by name.
    std::unordered_map<std::string, size_t> current;
    current.reserve(archive.entries.size());
    for (size_t i = 0; i < archive.entries.size(); ++i) {
        if (archive.entries[i].lastChapter == chapter)
            current[archive.entries[i].name] = i;
    }

    const auto sources =
        collectSources(expandListFiles(options.names), options.recurse, options.archive, outcome);
    Prompt query(options.yes);
    std::vector<std::string> stored;
    for (const SourceFile& source : sources) {
        throwIfInterrupted();
        // Found as a regular file; whether it can be read is asked cheaply here,
        // and the write opens it with every check.
        if (::faccessat(AT_FDCWD, source.path.c_str(), R_OK, AT_EACCESS) != 0) {
            console.error() << "Cannot read \"" << source.path << "\": " << std::strerror(errno)
                            << "; skipped";
            outcome.raise(ExitWarning);
            continue;
        }
        const auto found = current.find(source.storedName);
        Entry* version = found == current.end() ? nullptr : &archive.entries[found->second];
        if (!isWanted(options, version, source.times) ||
            (options.query && query.ask("Add " + source.storedName + "?") != Answer::Yes))
            continue;
        Entry fresh;
        fresh.name = source.storedName;
        fresh.firstChapter = fresh.lastChapter = chapter;
        fresh.times = source.times;
        fresh.attributes = source.attributes;
        fresh.size = source.size; // for the progress shown; what is read counts
        fresh.source = source.path;
        console.out() << (version ? "Replacing " : "Adding    ") << highlighted(source.storedName);
        if (version != nullptr && version->firstChapter == chapter) {
            *version = std::move(fresh);
        } else {
            if (version != nullptr)
                version->lastChapter = chapter - 1;
            current[source.storedName] = archive.entries.size();
            archive.entries.push_back(std::move(fresh));
        }
        stored.push_back(source.path);
        changed = true;
    }

    if (!changed) {
        if (!exists) {
            console.out() << "Nothing to add; no archive was created.";
            outcome.raise(ExitWarning);
        } else {
            console.out() << "Nothing to add; the archive is unchanged.";
        }
        return outcome.code();
    }
    touchChapter(archive);
    writeArchive(writeTarget(options.archive), archive, file ? &*file : nullptr);
    console.out() << stored.size() << " file(s) stored in chapter " << chapter << " of "
                  << highlighted(options.archive);

    if (options.command == "m") {
        // Sources go only now that the new archive is safely in place.
        Prompt deletion(options.yes || !options.queryDelete);
        for (const std::string& path : stored) {
            throwIfInterrupted();
            if (deletion.ask("Delete " + path + "?") != Answer::Yes)
                continue;
            if (::unlink(path.c_str()) != 0) {
                console.error() << "Cannot delete \"" << path << "\": " << std::strerror(errno);
                outcome.raise(ExitWarning);
            }
        }
    }
    return outcome.code();
}

// d: the files leave the last chapter; versions kept by earlier chapters stay.
int deleteFiles(const Options& options) {
    Console& console = Console::instance();
    ArchiveFile file(options.archive);
    Archive archive = readArchive(file);
    const auto masks = expandListFiles(options.names);
    const std::uint32_t chapter = archive.lastChapter();
    Prompt query(options.yes);
    std::vector<Entry> kept;
    size_t matched = 0;
    size_t deleted = 0;
    for (Entry& entry : archive.entries) {
        const bool matches = entry.lastChapter == chapter && matchesMember(entry.name, masks);
        matched += matches ? 1 : 0;
        if (matches && (!options.query || query.ask("Delete " + entry.name + "?") == Answer::Yes)) {
            console.out() << "Deleting  " << highlighted(entry.name);
            ++deleted;
            if (entry.firstChapter == chapter)
                continue;
            entry.lastChapter = chapter - 1;
        }
        kept.push_back(std::move(entry));
    }
    if (matched == 0) {
        console.out() << "No file of the last chapter matches; the archive is unchanged.";
        return ExitWarning;
    }
    if (deleted == 0)
        return ExitSuccess;
    archive.entries = std::move(kept);
    touchChapter(archive);
    writeArchive(writeTarget(options.archive), archive, &file);
    console.out() << deleted << " file(s) deleted from chapter " << chapter;
    return ExitSuccess;
}

// Creates the directories of a stored name below the target directory, never
// passing through a symbolic link, so nothing is written outside it. The
// directories made or checked in this run are not looked at again.
void makeParents(const std::string& base, const std::string& name,
                 std::unordered_set<std::string>& known) {
    std::string path = base;
    size_t start = 0;
    for (size_t slash = name.find('/'); slash != std::string::npos;
         start = slash + 1, slash = name.find('/', start)) {
        path = joinPath(path, name.substr(start, slash - start));
        if (known.count(path) != 0)
            continue;
        struct stat info {};
        if (::lstat(path.c_str(), &info) == 0) {
            if (!S_ISDIR(info.st_mode))
                throw JarError(ExitWrite, "\"" + path + "\" is in the way: not a directory");
        } else if (::mkdir(path.c_str(), 0777) != 0 && errno != EEXIST) {
            throw JarError(ExitWrite,
                           "cannot create the directory \"" + path + "\": " + std::strerror(errno));
        }
        known.insert(path);
    }
}

// A file that replaces one of the user's reaches the disk before the rename,
// so that a crash leaves the old one or the new one; a new file need not.
void extractOne(ArchiveFile& file, const Entry& entry, const std::string& target, bool replacing) {
    Console& console = Console::instance();
    TempFile temp(target);
    std::uint64_t done = 0;
    if (!readEntryData(file, entry, [&](const char* data, size_t size) {
            temp.write(data, size);
            done += size;
            console.itemProgress(done, entry.size);
        }))
        throw JarError(ExitCrc, "CRC error in \"" + entry.name + "\"; it was not extracted");
    temp.setTimes(entry.times);
    mode_t mode = defaultFileMode();
    if (entry.attributes & AttributeReadOnly)
        mode &= ~mode_t{0222};
    temp.commit(mode, replacing);
}

// e and x: the files of the last chapter, into -o or the current directory.
int extractFiles(const Options& options) {
    Console& console = Console::instance();
    ArchiveFile file(options.archive);
    const Archive archive = readArchive(file);
    const auto masks = expandListFiles(options.names);
    const std::string base = options.output.value_or("");
    if (!base.empty()) {
        std::error_code error;
        fs::create_directories(base, error);
        if (error)
            throw JarError(ExitWrite,
                           "cannot create the directory \"" + base + "\": " + error.message());
    }
    Outcome outcome;
    Prompt query(options.yes);
    Prompt overwrite(options.yes, true);
    std::unordered_set<std::string> directories;
    size_t matched = 0;
    size_t extracted = 0;
    bool stopped = false;
    for (const Entry& entry : archive.entries) {
        throwIfInterrupted();
        if (entry.lastChapter != archive.lastChapter() || !matchesMember(entry.name, masks))
            continue;
        ++matched;
        const bool withPath = options.command == "x";
        const std::string target = joinPath(base, withPath ? entry.name : baseName(entry.name));
        if (options.query && query.ask("Extract " + entry.name + "?") != Answer::Yes)
            continue;
        try {
            if (withPath)
                makeParents(base, entry.name, directories);
            struct stat info {};
            const bool exists = ::lstat(target.c_str(), &info) == 0;
            if (exists) {
                if (S_ISDIR(info.st_mode))
                    throw JarError(ExitWrite, "\"" + target + "\" is a directory");
                const Answer answer =
                    options.newOnly ? Answer::No : overwrite.ask(target + " exists. Overwrite it?");
                if (answer == Answer::Quit) {
                    stopped = true;
                    break;
                }
                if (answer == Answer::No) {
                    console.out() << "Skipping  " << highlighted(target)
                                  << (options.newOnly ? " (it exists)" : "");
                    continue;
                }
            }
            console.beginItem({{Tone::Normal, "Extracting "}, highlighted(entry.name)});
            extractOne(file, entry, target, exists);
            console.endItem();
            ++extracted;
        } catch (const JarError& error) {
            if (error.code() == ExitInterrupted)
                throw;
            console.error() << error.what();
            outcome.raise(error.code());
        }
    }
    if (stopped) {
        console.error() << "Stopped by the user.";
        outcome.raise(ExitWarning);
    } else if (matched == 0) {
        console.out() << "No file of the last chapter matches.";
        outcome.raise(ExitWarning);
    }
    console.out() << extracted << " file(s) extracted";
    return outcome.code();
}

// t: every stored version, of every chapter.
int testArchive(const Options& options) {
    Console& console = Console::instance();
    ArchiveFile file(options.archive);
    const Archive archive = readArchive(file);
    const auto masks = expandListFiles(options.names);
    Outcome outcome;
    size_t tested = 0;
    size_t failed = 0;
    for (const Entry& entry : archive.entries) {
        if (!matchesMember(entry.name, masks))
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
        if (!good) {
            ++failed;
            outcome.raise(ExitCrc);
        }
    }
    if (tested == 0) {
        console.out() << "No file matches.";
        outcome.raise(ExitWarning);
    }
    console.out() << tested << " file(s) tested, " << failed << " with errors";
    return outcome.code();
}

// l lists the last chapter; v lists every stored version with its chapters.
int listArchive(const Options& options) {
    Console& console = Console::instance();
    ArchiveFile file(options.archive);
    const Archive archive = readArchive(file);
    const auto masks = expandListFiles(options.names);
    const bool verbose = options.command == "v";
    console.out() << "Archive " << highlighted(options.archive) << ", " << archive.lastChapter()
                  << " chapter(s)";
    console.out() << (verbose ? "       Size Modified            Attr  Chapters  CRC      Name"
                              : "       Size Modified            Attr  Name");
    std::uint64_t total = 0;
    size_t count = 0;
    std::string columns;
    for (const Entry& entry : archive.entries) {
        if ((!verbose && entry.lastChapter != archive.lastChapter()) ||
            !matchesMember(entry.name, masks))
            continue;
        ++count;
        total += entry.size;
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
    }
    console.out() << padLeft(std::to_string(total), 11) << " bytes in " << count << " file(s)";
    return ExitSuccess;
}

// lt: the technical listing, written whole through a temporary file so that a
// reader never sees half of it. It is put together by hand, as it may
// describe hundreds of thousands of files.
int writeDump(const Options& options) {
    ArchiveFile file(options.archive);
    const Archive archive = readArchive(file);
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

} // namespace

int runCommand(const Options& options) {
    if (auto code = runForeignCommand(options))
        return *code;
    const std::string& command = options.command;
    if (command == "a" || command == "ac" || command == "u" || command == "f" || command == "m")
        return addFiles(options);
    if (command == "d")
        return deleteFiles(options);
    if (command == "e" || command == "x")
        return extractFiles(options);
    if (command == "t")
        return testArchive(options);
    if (command == "l" || command == "v")
        return listArchive(options);
    if (command == "lt")
        return writeDump(options);
    throw JarError(ExitBadParameters, "unknown command \"" + command + "\"");
}

} // namespace brak::jar
