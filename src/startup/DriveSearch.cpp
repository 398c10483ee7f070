#include "startup/DriveSearch.h"

#include "base/Text.h"

#include <climits>

namespace brak {

namespace {

// A path longer than the system allows cannot be opened anyway; stopping
// there also ends a loop that bind mounts could make.
constexpr std::size_t MaxPathLength = PATH_MAX;

} // namespace

DriveSearch::DriveSearch(const Platform& platform, std::string soughtName, std::string root)
    : platform_(platform), upperName_(upperCase(soughtName)) {
    if (root.empty() || root.back() != PathSeparator)
        root += PathSeparator;
    enter(std::move(root));
}

bool DriveSearch::isMatch(const DirectoryEntry& entry, const std::string& upperName) {
    return entry.kind == DirectoryEntry::Kind::File && entry.executable &&
           !entry.othersMayReplace && upperCase(entry.name).find(upperName) != std::string::npos;
}

bool DriveSearch::isSkipped(const std::string& directory) {
    for (const char* pseudo : {"/proc/", "/sys/", "/dev/", "/run/"})
        if (directory == pseudo)
            return true;
    return false;
}

void DriveSearch::enter(std::string path) {
    int error = 0;
    Frame frame;
    // A directory that cannot be read holds nothing; the search goes on.
    frame.entries = platform_.listDirectory(path, error);
    frame.path = std::move(path);
    directory_ = frame.path;
    stack_.push_back(std::move(frame));
}

bool DriveSearch::step(int entries) {
    while (entries-- > 0 && !stack_.empty()) {
        Frame& frame = stack_.back();
        if (frame.next >= frame.entries.size()) {
            stack_.pop_back();
            if (!stack_.empty())
                directory_ = stack_.back().path;
            continue;
        }
        const DirectoryEntry& entry = frame.entries[frame.next++];
        ++looked_;
        if (isMatch(entry, upperName_)) {
            found_ = frame.path + entry.name;
            stack_.clear();
            break;
        }
        if (entry.kind != DirectoryEntry::Kind::Directory || entry.symbolicLink)
            continue;
        std::string path = frame.path + entry.name + PathSeparator;
        if (!isSkipped(path) && path.size() < MaxPathLength)
            enter(std::move(path)); // frame may now dangle; it is not used again
    }
    return !stack_.empty();
}

void DriveSearch::stop() {
    stack_.clear();
}

} // namespace brak
