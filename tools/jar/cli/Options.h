#pragma once

#include "Archive.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace brak::jar {

// Which files an adding command takes: all of them, new and changed ones
// (update), or only changed ones already in the archive (freshen).
enum class AddMode { All, Update, Freshen };

// The order in which the files found are added (-ju).
enum class SortOrder { AsFound, Name, Extension };

// The time stamp the archive file gets after a change (-s, -s1).
enum class ArchiveStamp { Now, NewestFile, Original };

// A comment switch (-z, -hz, -jz): the comment read from a file, or none.
struct CommentSource {
    bool given = false;
    bool strip = false; // NUL: the comment is removed
    std::string file;
};

// Attribute selection (-hb): a file is taken when it has every bit of `set`
// and none of `clear`.
struct AttributeFilter {
    std::uint32_t set = 0;
    std::uint32_t clear = 0;
    bool active() const { return (set | clear) != 0; }
    bool accepts(std::uint32_t attributes) const {
        return (attributes & set) == set && (attributes & clear) == 0;
    }
};

// The Advanced switches' selection: by time of modification, by chapter and
// by name. Every command that takes files applies it.
struct Selection {
    std::optional<std::int64_t> after;     // -ta: modified at or after
    std::optional<std::int64_t> before;    // -tb, -to: modified before
    bool chapters = false;                 // -jc
    std::uint32_t chapterFrom = 0;         // 0: the first chapter
    std::uint32_t chapterTo = 0;           // 0: the last chapter
    std::vector<std::string> excludeMasks; // -x"mask"
    std::vector<std::string> excludeLists; // -x!"file", read when the command starts
    bool acceptsTime(std::int64_t modified) const {
        return (!after || modified >= *after) && (!before || modified < *before);
    }
};

// Splitting the written archive into volumes (-v, -va) and what happens
// before each new one (-vt, -vb, -vc, -ve).
struct VolumeSettings {
    std::uint64_t size = 0; // bytes; 0: one file
    bool automatic = false; // -va: the free space of the target's file system
    bool ask = false;
    bool beep = false;
    std::string command;
    bool echo = false;
    bool active() const { return size != 0 || automatic; }
};

// What -np, -npfd<n> and -np- ask for: the archive the command wrote gets a
// new password, or loses its protection.
enum class NewPassword { Keep, Change, Remove };

struct Options {
    std::string command;                // in lower case
    std::string archive;                // as written, quotes removed
    std::vector<std::string> names;     // masks, or the dump file of "lt"
    std::vector<std::string> listFiles; // named as "!list", read when the command starts
    bool literalLists = false;          // -jn: their lines are whole names, not masks
    bool recurse = false;               // -r
    bool yes = false;                   // -y
    bool query = false;                 // -q
    bool queryDelete = false;           // -d
    bool newOnly = false;               // -n
    bool ignoreReadOnly = false;        // -ha
    bool warnUnused = false;            // -hl
    bool fullPath = false;              // -jf
    bool translatePaths = false;        // -ho
    bool useRecords = false;            // -hx: damage is repaired in memory from recovery records
    bool repairArchive = false;         // -jr: the archive file is repaired from them first
    std::optional<std::string> output;  // -o
    AddMode addMode = AddMode::All;
    bool different = false;         // -u2 / -f2: a different time counts, not only a newer one
    std::optional<bool> archiveBit; // -b1 / -b0
    AttributeFilter attributes;     // -hb
    ArchiveStamp stamp = ArchiveStamp::Now;
    SortOrder sort = SortOrder::AsFound;
    bool levelGiven = false;     // -m1..-m4
    bool encrypt = false;        // -hg1
    bool authenticate = false;   // -hg0
    bool accessDefault = false;  // -hg: what DefaultAccessProtection names
    bool hide = false;           // -jx
    bool seal = false;           // -hy
    bool skipSeal = false;       // -he
    std::optional<int> lock;     // -jl (0: all), -jl1 (existing chapters), -jl2 (auto)
    bool password = false;       // -p, -pfd<n>: a password is given for the archive
    int passwordDescriptor = -1; // -pfd<n>: where it is read from instead of the terminal
    NewPassword newPassword = NewPassword::Keep; // -np, -npfd<n>, -np-
    int newPasswordDescriptor = -1;              // -npfd<n>: where the new one is read from
    // Every switch given, in lower case and without its "-", the predefined
    // ones first: for the formats whose commands read them on their own.
    std::vector<std::string> switches;
    WriteSettings write;
    std::optional<std::string> fileList; // -l
    CommentSource archiveComment;        // -z
    CommentSource chapterComment;        // -hz
    CommentSource fileComment;           // -jz
    Selection selection;
    std::string assumeYes; // -jy: the kinds of question answered yes
    VolumeSettings volumes;
};

// Whether a kind of question (c, d, k, n, o, r, v) is answered yes unasked.
inline bool assumes(const Options& options, char kind) {
    return options.yes || options.assumeYes.find(kind) != std::string::npos;
}

} // namespace brak::jar
