#pragma once

#include "platform/Platform.h"

#include <string>
#include <vector>

namespace brak {

// Looks for a program file through a whole directory tree, depth first, in
// the order the file system lists each directory; the first match wins. It
// works in slices, so a window can stay responsive and stop it at any time.
// It never enters a symbolic link (no loops, no wandering off the tree) and
// passes over the kernel's pseudo file systems, which hold no programs and
// can be endless.
class DriveSearch {
public:
    DriveSearch(const Platform& platform, std::string soughtName, std::string root = "/");

    // Looks at up to `entries` more entries; false once the search is over
    // (found, exhausted or stopped).
    bool step(int entries);
    void stop();
    bool finished() const { return stack_.empty(); }

    // The full name of the match, or empty.
    const std::string& found() const { return found_; }
    // The directory being searched, with its trailing separator.
    const std::string& directory() const { return directory_; }
    // How many entries have been looked at.
    long long looked() const { return looked_; }

    // A regular file this user may run whose name holds the sought name in
    // any case. A directory or a file that cannot run is never a match, nor
    // one that someone else could have put or could replace there (under
    // /tmp, say): it would be run by every Brak from then on.
    static bool isMatch(const DirectoryEntry& entry, const std::string& upperName);
    // The directories passed over: /proc, /sys, /dev and /run.
    static bool isSkipped(const std::string& directory);

private:
    struct Frame {
        std::string path; // with its trailing separator
        std::vector<DirectoryEntry> entries;
        std::size_t next = 0;
    };
    void enter(std::string path);

    const Platform& platform_;
    std::string upperName_;
    std::vector<Frame> stack_;
    std::string found_;
    std::string directory_;
    long long looked_ = 0;
};

} // namespace brak
