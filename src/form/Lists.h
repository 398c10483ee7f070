#pragma once

#include "form/Control.h"

namespace brak {

// The drive list of the Selection tab. This machine has one root.
class DriveList : public Control {
public:
    using Control::Control;
    const std::vector<std::string>& drives() const { return drives_; }
    void setDrives(std::vector<std::string> drives);
    const std::string& drive() const { return drive_; }
    void setDrive(const std::string& drive);
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
