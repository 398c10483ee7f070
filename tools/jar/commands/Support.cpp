#include "commands/Support.h"

#include "Console.h"
#include "Files.h"
#include "cli/CommandLine.h"
#include "commands/Volumes.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unordered_set>

namespace brak::jar {

namespace fs = std::filesystem;

std::int64_t now() {
    return static_cast<std::int64_t>(std::time(nullptr));
}

bool pathExists(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

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

namespace {

std::optional<std::string> readComment(const CommentSource& source, const char* what,
                                       const char* option) {
    if (!source.given)
        return std::nullopt;
    if (source.strip)
        return std::string();
    std::string problem;
    Fd file = openRegularFile(source.file, problem);
    if (!file.valid())
        throw JarError(ExitBadParameters, "cannot read the " + std::string(what) +
                                              " comment file " + option + "\"" + source.file +
                                              "\": " + problem);
    std::string text(MaxCommentSize + 1, '\0');
    const ssize_t got = file.read(text.data(), text.size());
    if (got < 0)
        throw JarError(ExitBadParameters, "cannot read the " + std::string(what) +
                                              " comment file \"" + source.file + "\"");
    if (static_cast<size_t>(got) > MaxCommentSize)
        throw JarError(ExitBadParameters, "the " + std::string(what) + " comment file \"" +
                                              source.file + "\" is larger than " +
                                              std::to_string(MaxCommentSize / 1024) + " KiB");
    text.resize(static_cast<size_t>(got));
    // Line ends of any kind are kept as "\n"; trailing ones are dropped.
    std::string comment;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            continue;
        comment += text[i] == '\r' ? '\n' : text[i];
    }
    while (!comment.empty() && comment.back() == '\n')
        comment.pop_back();
    return comment;
}

} // namespace

Comments loadComments(const Options& options) {
    return {readComment(options.archiveComment, "archive", "-z"),
            readComment(options.chapterComment, "chapter", "-hz"),
            readComment(options.fileComment, "file", "-jz")};
}

bool applyComments(Archive& archive, const Comments& comments, std::uint32_t chapter) {
    bool changed = false;
    if (comments.archive && archive.comment != *comments.archive) {
        archive.comment = *comments.archive;
        changed = true;
    }
    if (comments.chapter && chapter >= 1 && chapter <= archive.chapters.size() &&
        archive.chapters[chapter - 1].comment != *comments.chapter) {
        archive.chapters[chapter - 1].comment = *comments.chapter;
        changed = true;
    }
    return changed;
}

void refuseLockedChange(const Options& options, const Archive& archive, std::uint32_t first,
                        std::uint32_t last, bool newChapter) {
    const std::string name = "\"" + options.archive + "\"";
    if (archive.sealed)
        throw JarError(ExitBadParameters, "the archive " + name +
                                              " is sealed in a security envelope and cannot be "
                                              "changed; nothing was done");
    if (newChapter && archive.lock == LockMode::All)
        throw JarError(ExitBadParameters, "the archive " + name +
                                              " is locked: no chapter can be added; nothing was "
                                              "done");
    for (std::uint32_t c = first; c <= last && c <= archive.lastChapter(); ++c) {
        if (c >= 1 && (archive.chapters[c - 1].flags & ChapterLocked))
            throw JarError(ExitBadParameters, "chapter " + std::to_string(c) + " of " + name +
                                                  " is locked and cannot be changed; nothing was "
                                                  "done");
    }
}

void saveArchive(const Options& options, Archive& archive, ArchiveFile* previous,
                 const std::string& path, std::size_t oldVolumes) {
    if (options.hide)
        archive.hidden = true;
    if (options.lock == 0)
        archive.lock = LockMode::All;
    else if (options.lock == 2)
        archive.lock = LockMode::Auto;
    for (Chapter& chapter : archive.chapters) {
        if (options.lock && *options.lock != 2)
            chapter.flags |= ChapterLocked;
        if (options.seal)
            chapter.flags |= ChapterSealed;
    }
    if (archive.lock == LockMode::Auto && !archive.chapters.empty())
        archive.chapters.back().flags |= ChapterLocked;
    if (options.seal)
        archive.sealed = true;
    const std::string target = writeTarget(path);
    // The time the archive had: for a copy, that of the archive copied.
    struct stat before {};
    const bool existed = ::stat(options.archive.c_str(), &before) == 0;
    // Recovery records, once added, stay through every change.
    WriteSettings settings = options.write;
    settings.recoveryRecords |= previous != nullptr && previous->records().has_value();
    writeArchive(target, archive, previous, settings);
    if (options.volumes.active() || oldVolumes > 1)
        splitVolumes(options, target, path, oldVolumes);
    struct timespec stamps[2] = {{0, UTIME_OMIT}, {0, UTIME_OMIT}};
    if (options.stamp == ArchiveStamp::Original && existed) {
        stamps[1] = before.st_mtim;
    } else if (options.stamp == ArchiveStamp::NewestFile && !archive.entries.empty()) {
        std::int64_t newest = 0;
        for (const Entry& entry : archive.entries)
            newest = std::max(newest, entry.times.modified);
        stamps[1] = {static_cast<time_t>(newest), 0};
    } else {
        return;
    }
    if (::utimensat(AT_FDCWD, target.c_str(), stamps, 0) != 0)
        throw JarError(ExitWrite, "the archive \"" + path +
                                      "\" was written, but its time stamp could not be set");
}

Selector::Selector(const Options& options)
    : selection_(options.selection), excluded_(options.selection.excludeMasks) {
    for (const std::string& list : selection_.excludeLists) {
        auto names = readListFile(list);
        excluded_.insert(excluded_.end(), std::make_move_iterator(names.begin()),
                         std::make_move_iterator(names.end()));
    }
}

bool Selector::takes(std::string_view storedName, std::int64_t modified) const {
    if (!selection_.acceptsTime(modified))
        return false;
    return excluded_.empty() || !matchesMember(storedName, excluded_);
}

ChapterRange chapterRange(const Options& options, const Archive& archive) {
    const std::uint32_t chapters = archive.lastChapter();
    const Selection& selection = options.selection;
    if (!selection.chapters)
        return {chapters, chapters};
    ChapterRange range{selection.chapterFrom == 0 ? 1 : selection.chapterFrom,
                       selection.chapterTo == 0 ? chapters
                                                : std::min(selection.chapterTo, chapters)};
    if (range.first > chapters)
        throw JarError(ExitBadParameters, "the archive has " + std::to_string(chapters) +
                                              " chapter(s); there is no chapter " +
                                              std::to_string(range.first));
    return range;
}

void requireNoMasks(const Options& options) {
    for (const std::string& name : options.names) {
        if (name != "*.*" && name != "*")
            throw JarError(ExitBadParameters, "the command \"" + options.command +
                                                  "\" takes no file names (\"" + name + "\")");
    }
    if (!options.listFiles.empty())
        throw JarError(ExitBadParameters,
                       "the command \"" + options.command + "\" takes no list file");
}

MaskUse::MaskUse(std::vector<std::string> masks)
    : masks_(std::move(masks)), used_(masks_.size(), false) {}

bool MaskUse::matches(std::string_view storedName) {
    if (masks_.empty())
        return true;
    bool any = false;
    for (size_t i = 0; i < masks_.size(); ++i) {
        // Once every mask has taken something, one match is enough.
        if (any && used_[i])
            continue;
        if (matchesMember(storedName, {masks_[i]})) {
            used_[i] = true;
            any = true;
        }
    }
    return any;
}

void MaskUse::report(bool warn, Outcome& outcome) const {
    if (!warn)
        return;
    for (size_t i = 0; i < masks_.size(); ++i) {
        if (!used_[i]) {
            const bool literal = !masks_[i].empty() && masks_[i][0] == LiteralName;
            Console::instance().error()
                << "No file matches \"" << masks_[i].substr(literal ? 1 : 0) << '"';
            outcome.raise(ExitWarning);
        }
    }
}

void FileList::write() const {
    if (!path_)
        return;
    TempFile file(writeTarget(*path_));
    file.write(names_);
    file.commit(defaultFileMode(), false);
}

Overwriting askOverwrite(const Options& options, Prompt& overwrite, const std::string& target) {
    const Answer answer =
        options.newOnly ? Answer::No : overwrite.ask(target + " exists. Overwrite it?");
    if (answer == Answer::Quit)
        return Overwriting::Stop;
    if (answer == Answer::No) {
        Console::instance().out() << "Skipping  " << highlighted(target)
                                  << (options.newOnly ? " (it exists)" : "");
        return Overwriting::Skip;
    }
    return Overwriting::Yes;
}

// Makes base/relative and the directories on the way, never through a
// symbolic link, so nothing is written outside the base.
void makeDirectories(const std::string& base, const std::string& relative,
                     std::unordered_set<std::string>& known, std::vector<std::string>* made) {
    std::string path = base;
    size_t start = 0;
    while (start < relative.size()) {
        size_t slash = relative.find('/', start);
        if (slash == std::string::npos)
            slash = relative.size();
        path = joinPath(path, relative.substr(start, slash - start));
        start = slash + 1;
        if (known.count(path) != 0)
            continue;
        struct stat info {};
        if (::lstat(path.c_str(), &info) == 0) {
            if (!S_ISDIR(info.st_mode))
                throw JarError(ExitWrite, "\"" + path + "\" is in the way: not a directory");
        } else if (::mkdir(path.c_str(), 0777) == 0) {
            if (made != nullptr)
                made->push_back(path);
        } else if (errno != EEXIST) {
            throw JarError(ExitWrite,
                           "cannot create the directory \"" + path + "\": " + std::strerror(errno));
        }
        known.insert(path);
    }
}

} // namespace brak::jar
