#include "Console.h"
#include "Files.h"
#include "cli/CommandLine.h"
#include "commands/Commands.h"
#include "commands/Support.h"
#include "commands/Volumes.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>

namespace brak::jar {

namespace {

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

std::string extensionOf(const std::string& name) {
    const std::string base = baseName(name);
    const size_t dot = base.rfind('.');
    return dot == std::string::npos || dot == 0 ? std::string() : toLower(base.substr(dot + 1));
}

// The files found, less the list files being read and the archive's own
// volumes: a list naming itself, or a mask taking it, must not put it into
// the archive. The Advanced selection leaves out files by time and name.
std::vector<SourceFile> findSources(const Options& options, Outcome& outcome) {
    const Selector selector(options);
    auto sources = collectSources(masksOf(options), options.recurse, options.archive, outcome);
    std::vector<struct stat> lists;
    std::vector<std::string> skipped = options.listFiles;
    skipped.insert(skipped.end(), options.selection.excludeLists.begin(),
                   options.selection.excludeLists.end());
    for (size_t index = 1; index < 10000; ++index) {
        const std::string volume = volumeName(options.archive, index);
        if (volume == options.archive || !pathExists(volume))
            break;
        skipped.push_back(volume);
    }
    for (const std::string& list : skipped) {
        struct stat info {};
        if (::stat(list.c_str(), &info) == 0)
            lists.push_back(info);
    }
    std::erase_if(sources, [&](const SourceFile& source) {
        for (const struct stat& list : lists) {
            struct stat info {};
            if (source.size == static_cast<std::uint64_t>(list.st_size) &&
                ::stat(source.path.c_str(), &info) == 0 && info.st_dev == list.st_dev &&
                info.st_ino == list.st_ino)
                return true;
        }
        return !options.attributes.accepts(source.attributes) ||
               !selector.takes(source.storedName, source.times.modified);
    });
    if (options.fullPath) {
        for (SourceFile& source : sources)
            source.storedName = storedNameFor(std::filesystem::absolute(source.path).string());
    }
    if (options.sort == SortOrder::Name) {
        std::stable_sort(sources.begin(), sources.end(),
                         [](const auto& a, const auto& b) { return a.storedName < b.storedName; });
    } else if (options.sort == SortOrder::Extension) {
        std::stable_sort(sources.begin(), sources.end(), [](const auto& a, const auto& b) {
            const std::string ea = extensionOf(a.storedName), eb = extensionOf(b.storedName);
            return ea != eb ? ea < eb : a.storedName < b.storedName;
        });
    }
    return sources;
}

void deleteMoved(const Options& options, const std::vector<std::string>& stored, Outcome& outcome) {
    Console& console = Console::instance();
    Prompt deletion(assumes(options, 'd') || !options.queryDelete);
    for (const std::string& path : stored) {
        throwIfInterrupted();
        struct stat info {};
        if (!options.ignoreReadOnly && ::stat(path.c_str(), &info) == 0 &&
            (info.st_mode & S_IWUSR) == 0) {
            console.error() << "Kept the read-only file \"" << path << "\" (-ha deletes it)";
            outcome.raise(ExitWarning);
            continue;
        }
        if (deletion.ask("Delete " + path + "?") != Answer::Yes)
            continue;
        if (::unlink(path.c_str()) != 0) {
            console.error() << "Cannot delete \"" << path << "\": " << std::strerror(errno);
            outcome.raise(ExitWarning);
        }
    }
}

} // namespace

// a, ac, u, f and m: every file goes into the last chapter; a version that
// also belongs to earlier chapters stays there and only leaves the last one.
int addFiles(const Options& options) {
    Console& console = Console::instance();
    Outcome outcome;
    const Comments comments = loadComments(options);
    const bool exists = pathExists(options.archive);
    std::optional<OpenArchive> file;
    Archive archive;
    if (exists) {
        file.emplace(options);
        archive = file->read();
        const bool newChapter = options.command == "ac";
        refuseLockedChange(options, archive, newChapter ? 1 : archive.lastChapter(),
                           newChapter ? 0 : archive.lastChapter(), newChapter);
    } else {
        archive.created = archive.modified = now();
        archive.chapters.push_back({archive.created, archive.created, 0, {}});
    }
    bool changed = false;
    if (options.command == "ac" && exists) {
        const std::uint32_t previous = archive.lastChapter();
        archive.chapters.push_back({now(), now(), 0, {}});
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

    const auto sources = findSources(options, outcome);
    Prompt query(options.yes);
    FileList fileList(options);
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
        if (options.archiveBit)
            fresh.attributes = *options.archiveBit ? fresh.attributes | AttributeArchive
                                                   : fresh.attributes & ~AttributeArchive;
        fresh.size = source.size; // for the progress shown; what is read counts
        fresh.source = source.path;
        // A new version keeps the comment of the one it replaces unless -jz says otherwise.
        fresh.comment = comments.file ? *comments.file : version ? version->comment : "";
        console.out() << (version ? "Replacing " : "Adding    ") << highlighted(source.storedName);
        fileList.add(source.storedName);
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
    // Comments alone change an archive that exists, never make one.
    if (exists && applyComments(archive, comments, chapter))
        changed = true;
    else if (!exists && changed)
        applyComments(archive, comments, chapter);

    if (!changed) {
        if (!exists) {
            console.out() << "Nothing to add; no archive was created.";
            outcome.raise(ExitWarning);
        } else {
            console.out() << "Nothing to add; the archive is unchanged.";
        }
        fileList.write();
        return outcome.code();
    }
    touchChapter(archive);
    saveArchive(options, archive, file ? &file->file() : nullptr, options.archive,
                file ? file->volumes() : 1);
    fileList.write();
    console.out() << stored.size() << " file(s) stored in chapter " << chapter << " of "
                  << highlighted(options.archive);

    // Sources go only now that the new archive is safely in place.
    if (options.command == "m")
        deleteMoved(options, stored, outcome);
    return outcome.code();
}

} // namespace brak::jar
