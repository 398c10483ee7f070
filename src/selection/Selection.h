#pragma once

#include "form/MainForm.h"
#include "platform/Dialogs.h"
#include "platform/Platform.h"

#include <string>
#include <string_view>

namespace brak {

inline constexpr const char* DefaultListName = "BRAK.LST";
inline constexpr const char* AllFilesMask = "*.*";

// The order of the file list and the directory tree: letters in either
// case together, then the bytes as they are, so the order is total.
bool fileNameLess(std::string_view a, std::string_view b);

// The Selection tab: where Jar works (a volume and a directory) and which
// files a command takes, by masks previewed in the file list or by a list
// file written from the names picked there. The handlers run for the
// program's changes (a configuration being restored) exactly as for the
// user's.
class Selection {
public:
    Selection(MainForm& form, Platform& platform, Dialogs& dialogs)
        : f_(form), platform_(platform), dialogs_(dialogs) {}
    Selection(const Selection&) = delete;
    Selection& operator=(const Selection&) = delete;

    void wire();

    // At start-up: the drive list offers the mounted volumes and the
    // directory list shows the directory Brak was started in, so relative
    // names mean what the user expects.
    void ShowStartDirectory();

    // Masks mode or list-file mode, by the radio buttons.
    void HandleContent();
    // Selects the files the masks match, in masks mode with Dynamic Update.
    void ChangeContent();
    void chContentDynamicClick();
    // The label counts the selected files.
    void FileListChange();
    // A click in the file list picks files by hand, for the list file.
    void FileSelect();
    void DirectoryChange();
    void DriveChange();
    // Moves to the directory of the archive named on the View tab.
    void buFollowClick();
    // Writes the selected names into the list file, one a line: 0 when it
    // was written, 1 when it could not be (the user is told why).
    int UpdateList();

    // The list file as Jar, run in the Selection directory, reads it.
    std::string listFileName() const;
    // The drive list offers the volumes mounted now.
    void ReadDrives();
    // The file list reads the directory's files anew; none is selected.
    void ReadFileList();

private:
    void followDrive();

    MainForm& f_;
    Platform& platform_;
    Dialogs& dialogs_;
    // Set while the drive list follows the directory: that change of drive
    // must not move the directory to the drive's root.
    bool followingDirectory_ = false;
};

} // namespace brak
