#pragma once

#include "form/Control.h"

#include <cstdint>

namespace brak {

// The drive list of the Selection tab: "/" and the mounted volumes a user
// picks from, each named by the directory it is mounted on.
class DriveList : public Control {
public:
    using Control::Control;
    const std::vector<std::string>& drives() const { return drives_; }
    void setDrives(std::vector<std::string> drives);
    const std::string& drive() const { return drive_; }
    void setDrive(const std::string& drive);
    // The drive that holds an absolute path: the one mounted deepest on
    // its way ("/" for anything else, a relative path included).
    std::string driveHolding(const std::string& path) const;
    // The user opens the list, which may offer volumes mounted since.
    void dropDown() { onDropDown(); }
    Handler onChange;
    Handler onDropDown;

private:
    std::vector<std::string> drives_{"/"};
    std::string drive_ = "/";
};

// The directory tree of the Selection tab; its directory is the selected one.
class DirectoryList : public Control {
public:
    using Control::Control;
    const std::string& directory() const { return directory_; }
    void setDirectory(const std::string& directory);
    Handler onChange;

private:
    std::string directory_;
};

// The files of one directory, several selectable at once. The selection
// changes as a whole, so that selecting a hundred thousand entries tells the
// observers once, not once per entry.
class FileList : public Control {
public:
    using Control::Control;

    const std::string& mask() const { return mask_; }
    void setMask(const std::string& mask);
    const std::vector<std::string>& items() const { return items_; }
    // New entries, none selected, shown from the first; runs onChange.
    void setItems(std::vector<std::string> items);
    // Counts every setItems, so an observer sees new entries without
    // comparing them.
    std::uint64_t itemsVersion() const { return itemsVersion_; }

    bool selected(std::size_t index) const { return index < selected_.size() && selected_[index]; }
    void setSelected(std::size_t index, bool selected);
    // One state per entry; a shorter vector leaves the rest unselected.
    const std::vector<bool>& selection() const { return selected_; }
    void setSelection(std::vector<bool> selection);
    std::size_t selectedCount() const;

    // The entry shown at the top. Setting it scrolls there even when it
    // was set to the same entry before: the user may have scrolled since.
    int topIndex() const { return topIndex_; }
    void setTopIndex(int index);
    std::uint64_t topIndexVersion() const { return topIndexVersion_; }

    void click() { onClick(); }
    Handler onChange;
    Handler onClick;

private:
    std::string mask_ = "*";
    std::vector<std::string> items_;
    std::vector<bool> selected_;
    std::uint64_t itemsVersion_ = 0;
    int topIndex_ = 0;
    std::uint64_t topIndexVersion_ = 0;
};

} // namespace brak
