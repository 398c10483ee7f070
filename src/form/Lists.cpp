#include "form/Lists.h"

#include <algorithm>

namespace brak {

void DriveList::setDrives(std::vector<std::string> drives) {
    drives_ = std::move(drives);
    notify();
}

void DriveList::setDrive(const std::string& drive) {
    if (drive_ == drive)
        return;
    drive_ = drive;
    notify();
    if (onChange)
        onChange();
}

std::string DriveList::driveHolding(const std::string& path) const {
    std::string best = "/";
    for (const std::string& drive : drives_) {
        const bool holds = path == drive || (path.starts_with(drive) &&
                                             (drive.ends_with('/') || path[drive.size()] == '/'));
        if (holds && drive.size() > best.size())
            best = drive;
    }
    return best;
}

void DirectoryList::setDirectory(const std::string& directory) {
    if (directory_ == directory)
        return;
    directory_ = directory;
    notify();
    if (onChange)
        onChange();
}

void FileList::setMask(const std::string& mask) {
    if (mask_ == mask)
        return;
    mask_ = mask;
    notify();
}

void FileList::setItems(std::vector<std::string> items) {
    items_ = std::move(items);
    selected_.assign(items_.size(), false);
    ++itemsVersion_;
    topIndex_ = 0;
    ++topIndexVersion_;
    notify();
    onChange();
}

void FileList::setSelected(std::size_t index, bool selected) {
    if (index >= selected_.size() || selected_[index] == selected)
        return;
    selected_[index] = selected;
    notify();
}

void FileList::setSelection(std::vector<bool> selection) {
    selection.resize(items_.size(), false);
    if (selection == selected_)
        return;
    selected_ = std::move(selection);
    notify();
}

std::size_t FileList::selectedCount() const {
    return static_cast<std::size_t>(std::count(selected_.begin(), selected_.end(), true));
}

void FileList::setTopIndex(int index) {
    topIndex_ = index;
    ++topIndexVersion_;
    notify();
}

} // namespace brak
