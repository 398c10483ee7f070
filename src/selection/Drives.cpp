#include "selection/Drives.h"

#include <algorithm>
#include <string_view>

namespace brak {

namespace {

bool under(std::string_view path, std::string_view area) {
    return path == area || (path.starts_with(area) && path.size() > area.size() &&
                            path[area.size()] == PathSeparator);
}

} // namespace

bool isSystemVolume(const Volume& volume) {
    static constexpr std::string_view pseudo[] = {
        "autofs",     "binfmt_misc", "bpf",      "cgroup",   "cgroup2",    "configfs",
        "debugfs",    "devpts",      "devtmpfs", "efivarfs", "fusectl",    "hugetlbfs",
        "mqueue",     "nsfs",        "proc",     "pstore",   "rpc_pipefs", "securityfs",
        "selinuxfs",  "sysfs",       "tracefs",  "nfsd",     "ramfs",      "fuse.gvfsd-fuse",
        "fuse.portal"};
    if (std::find(std::begin(pseudo), std::end(pseudo), volume.fileSystem) != std::end(pseudo))
        return true;
    const std::string& root = volume.root;
    for (std::string_view area : {"/proc", "/sys", "/dev", "/snap"})
        if (under(root, area))
            return true;
    return under(root, "/run") && !under(root, "/run/media");
}

std::vector<std::string> selectableDrives(const std::vector<Volume>& volumes) {
    std::vector<std::string> drives{std::string(1, PathSeparator)};
    for (const Volume& volume : volumes) {
        if (volume.root.empty() || volume.root[0] != PathSeparator || isSystemVolume(volume))
            continue;
        if (std::find(drives.begin(), drives.end(), volume.root) == drives.end())
            drives.push_back(volume.root);
    }
    return drives;
}

} // namespace brak
