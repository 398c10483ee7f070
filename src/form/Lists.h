#pragma once

#include "form/Control.h"

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
    Handler onChange;

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

// The files of one directory, several selectable at once.
class FileList : public Control {
public:
    using Control::Control;

    const std::string& mask() const { return mask_; }
    void setMask(const std::string& mask);
    const std::vector<std::string>& items() const { return items_; }
    void setItems(std::vector<std::string> items);
    bool selected(std::size_t index) const { return index < selected_.size() && selected_[index]; }
    void setSelected(std::size_t index, bool selected);
    int topIndex() const { return topIndex_; }
    void setTopIndex(int index);

    void click() {
        if (onClick)
            onClick();
    }
    Handler onChange;
    Handler onClick;

private:
    std::string mask_ = "*";
    std::vector<std::string> items_;
    std::vector<bool> selected_;
    int topIndex_ = 0;
};

} // namespace brak
