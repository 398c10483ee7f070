#pragma once

#include "Archive.h"
#include "Console.h"
#include "cli/Options.h"

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

// What the commands share: comments, the archive's safe replacement, the
// file list of -l and the masks' bookkeeping for -hl.
namespace brak::jar {

std::int64_t now();
bool pathExists(const std::string& path);
// Writing through a symbolic link replaces the file it points to, not the link.
std::string writeTarget(const std::string& path);
std::string attributeLetters(std::uint32_t attributes);
std::string padLeft(const std::string& text, size_t width);
void touchChapter(Archive& archive);

// Comments are read before any work starts, so that a missing comment file
// changes nothing. An unset comment switch leaves the comment as it is; NUL
// gives an empty one.
inline constexpr size_t MaxCommentSize = 64 * 1024;
struct Comments {
    std::optional<std::string> archive;
    std::optional<std::string> chapter;
    std::optional<std::string> file;
};
Comments loadComments(const Options& options);
// The archive and chapter comments; true when anything changed.
bool applyComments(Archive& archive, const Comments& comments, std::uint32_t chapter);

// A sealed archive takes no change at all; a locked chapter (flag L) none
// either, and an archive locked whole (-jl) no new chapter. `first`..`last`
// are the chapters the command would change, `newChapter` tells ac. A
// refusal is a bad parameter, before anything is written.
void refuseLockedChange(const Options& options, const Archive& archive, std::uint32_t first,
                        std::uint32_t last, bool newChapter = false);

// Writes the archive through a temporary file with the command's settings
// and gives it the time stamp -s or -s1 asks for. The protection switches
// act here: -jx hides its index, -hy seals it, -jl, -jl1 and -jl2 lock it.
// With -v or -va the written archive is then split into volumes; the
// volumes of its earlier form (`oldVolumes` in all) that it no longer has go.
void saveArchive(const Options& options, Archive& archive, ArchiveFile* previous,
                 const std::string& path, std::size_t oldVolumes = 1);

// The Advanced selection as a command applies it: the time of -ta, -tb and
// -to, and the masks and lists of -x (read when it is made).
class Selector {
public:
    explicit Selector(const Options& options);
    bool takes(std::string_view storedName, std::int64_t modified) const;
    bool takes(const Entry& entry) const { return takes(entry.name, entry.times.modified); }

private:
    const Selection& selection_;
    std::vector<std::string> excluded_;
};

// The chapters a command works on: those of -jc, within the archive, or
// the last one. A range starting after the last chapter is a bad parameter.
struct ChapterRange {
    std::uint32_t first = 1;
    std::uint32_t last = 1;
    bool holds(const Entry& entry) const {
        return entry.firstChapter <= last && entry.lastChapter >= first;
    }
};
ChapterRange chapterRange(const Options& options, const Archive& archive);

// For commands that take no masks: "*.*" (as the front-end passes by
// default) or none at all; anything else is a bad parameter.
void requireNoMasks(const Options& options);

// Which masks took something, for -hl.
class MaskUse {
public:
    explicit MaskUse(std::vector<std::string> masks);
    const std::vector<std::string>& masks() const { return masks_; }
    bool matches(std::string_view storedName);
    // Each mask that took nothing is reported, and is a warning with -hl.
    void report(bool warn, Outcome& outcome) const;

private:
    std::vector<std::string> masks_;
    std::vector<bool> used_;
};

// The names a command took, written to the file of -l at the end.
class FileList {
public:
    explicit FileList(const Options& options) : path_(options.fileList) {}
    void add(const std::string& name) {
        if (path_)
            names_ += name + '\n';
    }
    void write() const;

private:
    std::optional<std::string> path_;
    std::string names_;
};

// What to do about a file to extract that exists: -n's answer or the
// user's; a file skipped is said so.
enum class Overwriting { Yes, Skip, Stop };
Overwriting askOverwrite(const Options& options, Prompt& overwrite, const std::string& target);

// Makes base/relative and the directories on the way, never through a
// symbolic link, so nothing is written outside the base. The directories
// made or checked in this run are not looked at again; those it creates
// are added to `made`.
void makeDirectories(const std::string& base, const std::string& relative,
                     std::unordered_set<std::string>& known,
                     std::vector<std::string>* made = nullptr);

} // namespace brak::jar
