#include "Commands.h"

#include "Archive.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <sys/stat.h>
#include <unistd.h>

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

Entry* currentVersion(Archive& archive, const std::string& name) {
    for (Entry& entry : archive.entries) {
        if (entry.lastChapter == archive.lastChapter() && entry.name == name)
            return &entry;
    }
    return nullptr;
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

bool isReadable(const std::string& path) {
    return openForReading(path).valid();
}

// a, ac, u, f and m: every file goes into the last chapter; a version that
// also belongs to earlier chapters stays there and only leaves the last one.
int addFiles(const Options& options) {
    Outcome outcome;
    const bool exists = pathExists(options.archive);
    Archive archive;
    if (exists) {
        archive = readArchive(options.archive);
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

    const auto sources =
        collectSources(expandListFiles(options.names), options.recurse, options.archive, outcome);
    Prompt query(options.yes);
    std::vector<std::string> stored;
    for (const SourceFile& source : sources) {
        throwIfInterrupted();
        Entry fresh;
        if (!readFileInfo(source.path, fresh.times, fresh.attributes) || !isReadable(source.path)) {
            std::cerr << "Cannot read \"" << source.path << "\": " << std::strerror(errno)
                      << "; skipped\n";
            outcome.raise(ExitWarning);
            continue;
        }
        Entry* current = currentVersion(archive, source.storedName);
        if (!isWanted(options, current, fresh.times) ||
            (options.query && !query.ask("Add " + source.storedName + "?")))
            continue;
        fresh.name = source.storedName;
        fresh.firstChapter = fresh.lastChapter = chapter;
        fresh.source = source.path;
        std::cout << (current ? "Replacing " : "Adding    ") << source.storedName << '\n';
        if (current != nullptr && current->firstChapter == chapter) {
            *current = std::move(fresh);
        } else {
            if (current != nullptr)
                current->lastChapter = chapter - 1;
            archive.entries.push_back(std::move(fresh));
        }
        stored.push_back(source.path);
        changed = true;
    }

    if (!changed) {
        if (!exists) {
            std::cout << "Nothing to add; no archive was created.\n";
            outcome.raise(ExitWarning);
        } else {
            std::cout << "Nothing to add; the archive is unchanged.\n";
        }
        return outcome.code();
    }
    touchChapter(archive);
    writeArchive(writeTarget(options.archive), archive, exists ? options.archive : "");
    std::cout << stored.size() << " file(s) stored in chapter " << chapter << " of "
              << options.archive << '\n';

    if (options.command == "m") {
        // Sources go only now that the new archive is safely in place.
        Prompt deletion(options.yes || !options.queryDelete);
        for (const std::string& path : stored) {
            if (!deletion.ask("Delete " + path + "?"))
                continue;
            if (::unlink(path.c_str()) != 0) {
                std::cerr << "Cannot delete \"" << path << "\": " << std::strerror(errno) << '\n';
                outcome.raise(ExitWarning);
            }
        }
    }
    return outcome.code();
}

// d: the files leave the last chapter; versions kept by earlier chapters stay.
int deleteFiles(const Options& options) {
    Archive archive = readArchive(options.archive);
    const auto masks = expandListFiles(options.names);
    const std::uint32_t chapter = archive.lastChapter();
    Prompt query(options.yes);
    std::vector<Entry> kept;
    size_t matched = 0;
    size_t deleted = 0;
    for (Entry& entry : archive.entries) {
        const bool matches = entry.lastChapter == chapter && matchesMember(entry.name, masks);
        matched += matches ? 1 : 0;
        if (matches && (!options.query || query.ask("Delete " + entry.name + "?"))) {
            std::cout << "Deleting  " << entry.name << '\n';
            ++deleted;
            if (entry.firstChapter == chapter)
                continue;
            entry.lastChapter = chapter - 1;
        }
        kept.push_back(std::move(entry));
    }
    if (matched == 0) {
        std::cout << "No file of the last chapter matches; the archive is unchanged.\n";
        return ExitWarning;
    }
    if (deleted == 0)
        return ExitSuccess;
    archive.entries = std::move(kept);
    touchChapter(archive);
    writeArchive(writeTarget(options.archive), archive, options.archive);
    std::cout << deleted << " file(s) deleted from chapter " << chapter << '\n';
    return ExitSuccess;
}

// Creates the directories of a stored name below the target directory, never
// passing through a symbolic link, so nothing is written outside it.
void makeParents(const std::string& base, const std::string& name) {
    std::string path = base;
    size_t start = 0;
    for (size_t slash = name.find('/'); slash != std::string::npos;
         start = slash + 1, slash = name.find('/', start)) {
        path = joinPath(path, name.substr(start, slash - start));
        struct stat info {};
        if (::lstat(path.c_str(), &info) == 0) {
            if (!S_ISDIR(info.st_mode))
                throw JarError(ExitWrite, "\"" + path + "\" is in the way: not a directory");
        } else if (::mkdir(path.c_str(), 0777) != 0 && errno != EEXIST) {
            throw JarError(ExitWrite,
                           "cannot create the directory \"" + path + "\": " + std::strerror(errno));
        }
    }
}

void extractOne(Fd& file, const Entry& entry, const std::string& target) {
    TempFile temp(target);
    if (!readEntryData(file, entry, [&](const char* data, size_t size) { temp.write(data, size); }))
        throw JarError(ExitCrc, "CRC error in \"" + entry.name + "\"; it was not extracted");
    temp.setTimes(entry.times);
    mode_t mode = defaultFileMode();
    if (entry.attributes & AttributeReadOnly)
        mode &= ~mode_t{0222};
    temp.commit(mode);
}

// e and x: the files of the last chapter, into -o or the current directory.
int extractFiles(const Options& options) {
    const Archive archive = readArchive(options.archive);
    Fd file = openForReading(options.archive);
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
    Prompt overwrite(options.yes);
    size_t matched = 0;
    size_t extracted = 0;
    for (const Entry& entry : archive.entries) {
        throwIfInterrupted();
        if (entry.lastChapter != archive.lastChapter() || !matchesMember(entry.name, masks))
            continue;
        ++matched;
        const bool withPath = options.command == "x";
        const std::string target = joinPath(base, withPath ? entry.name : baseName(entry.name));
        if (options.query && !query.ask("Extract " + entry.name + "?"))
            continue;
        try {
            if (withPath)
                makeParents(base, entry.name);
            struct stat info {};
            if (::lstat(target.c_str(), &info) == 0) {
                if (S_ISDIR(info.st_mode))
                    throw JarError(ExitWrite, "\"" + target + "\" is a directory");
                if (options.newOnly) {
                    std::cout << "Skipping  " << target << " (it exists)\n";
                    continue;
                }
                if (!overwrite.ask(target + " exists. Overwrite it?")) {
                    std::cout << "Skipping  " << target << '\n';
                    continue;
                }
            }
            std::cout << "Extracting " << entry.name << '\n';
            extractOne(file, entry, target);
            ++extracted;
        } catch (const JarError& error) {
            if (error.code() == ExitInterrupted)
                throw;
            std::cerr << error.what() << '\n';
            outcome.raise(error.code());
        }
    }
    if (matched == 0) {
        std::cout << "No file of the last chapter matches.\n";
        outcome.raise(ExitWarning);
    }
    std::cout << extracted << " file(s) extracted\n";
    return outcome.code();
}

// t: every stored version, of every chapter.
int testArchive(const Options& options) {
    const Archive archive = readArchive(options.archive);
    Fd file = openForReading(options.archive);
    const auto masks = expandListFiles(options.names);
    Outcome outcome;
    size_t tested = 0;
    size_t failed = 0;
    for (const Entry& entry : archive.entries) {
        if (!matchesMember(entry.name, masks))
            continue;
        ++tested;
        const bool good = readEntryData(file, entry, [](const char*, size_t) {});
        std::cout << "Testing " << entry.name << " (chapters " << entry.firstChapter << '-'
                  << entry.lastChapter << ") " << (good ? "OK" : "CRC error") << '\n';
        if (!good) {
            ++failed;
            outcome.raise(ExitCrc);
        }
    }
    if (tested == 0) {
        std::cout << "No file matches.\n";
        outcome.raise(ExitWarning);
    }
    std::cout << tested << " file(s) tested, " << failed << " with errors\n";
    return outcome.code();
}

// l lists the last chapter; v lists every stored version with its chapters.
int listArchive(const Options& options) {
    const Archive archive = readArchive(options.archive);
    const auto masks = expandListFiles(options.names);
    const bool verbose = options.command == "v";
    std::cout << "Archive " << options.archive << ", " << archive.lastChapter() << " chapter(s)\n";
    std::cout << (verbose ? "       Size Modified            Attr  Chapters  CRC      Name\n"
                          : "       Size Modified            Attr  Name\n");
    std::uint64_t total = 0;
    size_t count = 0;
    for (const Entry& entry : archive.entries) {
        if ((!verbose && entry.lastChapter != archive.lastChapter()) ||
            !matchesMember(entry.name, masks))
            continue;
        ++count;
        total += entry.size;
        std::cout << padLeft(std::to_string(entry.size), 11) << ' '
                  << formatTime(entry.times.modified) << ' ' << attributeLetters(entry.attributes)
                  << ' ';
        if (verbose) {
            char crc[9];
            std::snprintf(crc, sizeof crc, "%08X", entry.crc);
            const std::string range =
                std::to_string(entry.firstChapter) + '-' + std::to_string(entry.lastChapter);
            std::cout << ' ' << range << std::string(range.size() < 9 ? 9 - range.size() : 1, ' ')
                      << crc << ' ';
        }
        std::cout << ' ' << entry.name << '\n';
    }
    std::cout << padLeft(std::to_string(total), 11) << " bytes in " << count << " file(s)\n";
    return ExitSuccess;
}

// lt: the technical listing, written whole through a temporary file so that a
// reader never sees half of it.
int writeDump(const Options& options) {
    const Archive archive = readArchive(options.archive);
    const std::string& dumpName = options.names.front();
    struct stat archiveInfo {};
    struct stat dumpInfo {};
    if (::stat(options.archive.c_str(), &archiveInfo) == 0 &&
        ::stat(dumpName.c_str(), &dumpInfo) == 0 && archiveInfo.st_dev == dumpInfo.st_dev &&
        archiveInfo.st_ino == dumpInfo.st_ino)
        throw JarError(ExitBadParameters, "the dump file would overwrite the archive");

    std::string text;
    auto line = [&text](const std::string& key, const std::string& value) {
        text += key + '=' + value + "\r\n";
    };
    char version[16];
    std::snprintf(version, sizeof version, "%04u", archive.versionUsed);
    char needed[16];
    std::snprintf(needed, sizeof needed, "%04u", StandInVersion);
    line("ARCHIVE", fs::absolute(options.archive).lexically_normal().string());
    line("  FLAGS", std::to_string(archive.flags));
    line("  CREATED", formatTime(archive.created));
    line("  MODIFIED", formatTime(archive.modified));
    line("  VERSIONUSED", version);
    line("  VERSIONTOUPDATE", needed);
    line("  VERSIONTOEXTRACT", needed);
    line("  VERSIONTOLIST", needed);
    line("  MAXCHAPTER", std::to_string(archive.lastChapter()));
    for (size_t i = 0; i < archive.chapters.size(); ++i) {
        const Chapter& chapter = archive.chapters[i];
        line("CHAPTER", std::to_string(i + 1));
        line("  CREATED", formatTime(chapter.created));
        line("  MODIFIED", formatTime(chapter.modified));
        line("  FLAGS", std::to_string(chapter.flags));
    }
    for (const Entry& entry : archive.entries) {
        line("FILE", entry.name);
        line("  CREATED", formatTime(entry.times.created));
        line("  MODIFIED", formatTime(entry.times.modified));
        line("  LASTACCESS", formatTime(entry.times.accessed));
        line("  SIZE", std::to_string(entry.size));
        line("  CHAPTERSRANGE",
             std::to_string(entry.firstChapter) + '-' + std::to_string(entry.lastChapter));
        line("  ATTRIBUTES", std::to_string(entry.attributes));
    }
    TempFile dump(writeTarget(dumpName));
    dump.write(text);
    dump.commit(defaultFileMode());
    std::cout << "Technical listing written to " << dumpName << '\n';
    return ExitSuccess;
}

} // namespace

int runCommand(const Options& options) {
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
