#include "Console.h"
#include "Files.h"
#include "cli/CommandLine.h"
#include "commands/Commands.h"
#include "commands/Support.h"
#include "commands/Volumes.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <sys/stat.h>
#include <unordered_map>
#include <unordered_set>

namespace brak::jar {

namespace fs = std::filesystem;

namespace {

// A file that replaces one of the user's reaches the disk before the rename,
// so that a crash leaves the old one or the new one; a new file need not.
// It comes back whole and closed, to be renamed into place.
std::unique_ptr<TempFile> extractOne(ArchiveFile& file, const Entry& entry,
                                     const std::string& target, bool replacing) {
    Console& console = Console::instance();
    auto temp = std::make_unique<TempFile>(target);
    std::uint64_t done = 0;
    if (!readEntryData(file, entry, [&](const char* data, size_t size) {
            temp->write(data, size);
            done += size;
            console.itemProgress(done, entry.size);
        }))
        throw JarError(ExitCrc, "CRC error in \"" + entry.name + "\"; it was not extracted");
    temp->setTimes(entry.times);
    mode_t mode = defaultFileMode();
    if (entry.attributes & AttributeReadOnly)
        mode &= ~mode_t{0222};
    temp->finish(mode, replacing);
    return temp;
}

// While the archive's tag is still being checked, the files extracted wait
// beside their targets; they are renamed into place once it matched, and
// removed if it did not, so that a changed archive writes no file.
class Placing {
public:
    Placing(ArchiveFile& file, Outcome& outcome) : file_(file), outcome_(outcome) {}
    bool failed() const { return failed_; }
    bool waitingFor(const std::string& target) const { return targets_.count(target) > 0; }
    void discard() { waiting_.clear(); }
    void add(std::unique_ptr<TempFile> made, const std::string& target) {
        if (file_.checking()) {
            targets_.insert(target);
            waiting_.push_back(std::move(made));
            return;
        }
        flush();
        made->place();
    }
    void flush() {
        try {
            file_.confirm();
        } catch (const JarError&) {
            failed_ = true;
            throw;
        }
        for (std::unique_ptr<TempFile>& made : waiting_) {
            try {
                made->place();
            } catch (const JarError& error) {
                if (error.code() == ExitInterrupted)
                    throw;
                Console::instance().error() << error.what();
                outcome_.raise(error.code());
            }
        }
        waiting_.clear();
        targets_.clear();
    }

private:
    ArchiveFile& file_;
    Outcome& outcome_;
    std::vector<std::unique_ptr<TempFile>> waiting_;
    std::unordered_set<std::string> targets_;
    bool failed_ = false;
};

// The name extracted with its path: with -ho a backslash separates
// directories too, and the result must stay as safe as a stored name.
std::string pathName(const Options& options, const Entry& entry) {
    if (!options.translatePaths)
        return entry.name;
    std::string name = entry.name;
    std::replace(name.begin(), name.end(), '\\', '/');
    if (!isSafeStoredName(name))
        throw JarError(ExitWrite, "\"" + entry.name +
                                      "\" would leave the target directory once its "
                                      "backslashes are directory separators; not extracted");
    return name;
}

// -u and -f on extraction: only files missing or older (or of another time).
bool wantedOver(const Options& options, const Entry& entry, bool exists, const struct stat& info) {
    if (options.addMode == AddMode::All)
        return true;
    if (!exists)
        return options.addMode == AddMode::Update;
    return options.different ? info.st_mtime != entry.times.modified
                             : info.st_mtime < entry.times.modified;
}

// Of each name, the version of the highest chapter in the range: the
// indexes of the entries to extract, in the archive's order.
std::vector<bool> newestInRange(const Archive& archive, const ChapterRange& range) {
    std::vector<bool> chosen(archive.entries.size(), false);
    std::unordered_map<std::string_view, size_t> best;
    best.reserve(archive.entries.size());
    for (size_t i = 0; i < archive.entries.size(); ++i) {
        const Entry& entry = archive.entries[i];
        if (!range.holds(entry))
            continue;
        const auto [at, added] = best.try_emplace(entry.name, i);
        if (!added && archive.entries[at->second].lastChapter < entry.lastChapter)
            at->second = i;
    }
    for (const auto& [name, index] : best)
        chosen[index] = true;
    return chosen;
}

} // namespace

// e and x: the files of the last chapter (or of the chapters of -jc), into
// -o or the current directory.
int extractFiles(const Options& options) {
    Console& console = Console::instance();
    OpenArchive opened(options);
    ArchiveFile& file = opened.file();
    const Archive archive = opened.read();
    const std::vector<bool> chosen = newestInRange(archive, chapterRange(options, archive));
    const Selector selector(options);
    MaskUse masks(masksOf(options));
    const std::string base = options.output.value_or("");
    // The directories this run makes, taken away again if the archive
    // proves changed.
    std::vector<std::string> made;
    if (!base.empty()) {
        fs::path path;
        for (const fs::path& part : fs::path(base)) {
            path /= part;
            struct stat info {};
            if (::lstat(path.c_str(), &info) != 0)
                made.push_back(path.string());
        }
        std::error_code error;
        fs::create_directories(base, error);
        if (error)
            throw JarError(ExitWrite,
                           "cannot create the directory \"" + base + "\": " + error.message());
    }
    Outcome outcome;
    Placing placing(file, outcome);
    Prompt query(options.yes);
    Prompt overwrite(assumes(options, 'o'), true);
    FileList fileList(options);
    std::unordered_set<std::string> directories;
    size_t matched = 0;
    size_t extracted = 0;
    bool stopped = false;
    try {
        for (size_t index = 0; index < archive.entries.size(); ++index) {
            const Entry& entry = archive.entries[index];
            throwIfInterrupted();
            if (!chosen[index] || !selector.takes(entry) || !masks.matches(entry.name) ||
                !options.attributes.accepts(entry.attributes))
                continue;
            ++matched;
            const bool withPath = options.command == "x";
            try {
                const std::string name = withPath ? pathName(options, entry) : baseName(entry.name);
                const std::string target = joinPath(base, name);
                if (options.query && query.ask("Extract " + entry.name + "?") != Answer::Yes)
                    continue;
                if (withPath)
                    makeDirectories(base, fs::path(name).parent_path().string(), directories,
                                    &made);
                if (placing.waitingFor(target))
                    placing.flush(); // so that it is asked about as a file that exists
                struct stat info {};
                const bool exists = ::lstat(target.c_str(), &info) == 0;
                if (!wantedOver(options, entry, exists, info))
                    continue;
                if (exists) {
                    if (S_ISDIR(info.st_mode))
                        throw JarError(ExitWrite, "\"" + target + "\" is a directory");
                    if (!options.newOnly && !options.ignoreReadOnly && S_ISREG(info.st_mode) &&
                        (info.st_mode & S_IWUSR) == 0) {
                        console.error() << "Kept the read-only file " << highlighted(target)
                                        << " (-ha replaces it)";
                        outcome.raise(ExitWarning);
                        continue;
                    }
                    const Overwriting choice = askOverwrite(options, overwrite, target);
                    if (choice == Overwriting::Stop) {
                        stopped = true;
                        break;
                    }
                    if (choice == Overwriting::Skip)
                        continue;
                }
                console.beginItem({{Tone::Normal, "Extracting "}, highlighted(entry.name)});
                placing.add(extractOne(file, entry, target, exists), target);
                console.endItem();
                fileList.add(entry.name);
                ++extracted;
            } catch (const JarError& error) {
                if (error.code() == ExitInterrupted || placing.failed())
                    throw;
                console.error() << error.what();
                outcome.raise(error.code());
            }
        }
        placing.flush();
    } catch (const JarError&) {
        if (placing.failed()) {
            placing.discard();
            for (auto it = made.rbegin(); it != made.rend(); ++it)
                ::rmdir(it->c_str());
        }
        throw;
    }
    masks.report(options.warnUnused, outcome);
    if (stopped) {
        console.error() << "Stopped by the user.";
        outcome.raise(ExitWarning);
    } else if (matched == 0) {
        console.out() << (options.selection.chapters ? "No file of the chapters chosen matches."
                                                     : "No file of the last chapter matches.");
        outcome.raise(ExitWarning);
    }
    fileList.write();
    console.out() << extracted << " file(s) extracted";
    return outcome.code();
}

} // namespace brak::jar
