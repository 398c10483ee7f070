#include "selection/Selection.h"

#include "base/AtomicFile.h"
#include "base/MaskMatcher.h"
#include "base/QtText.h"
#include "base/Text.h"
#include "selection/Drives.h"

#include <QDir>
#include <algorithm>
#include <system_error>

namespace brak {

namespace {

constexpr const char* DirectoryErrorCaption = "Directory Error";
constexpr const char* ListFileErrorCaption = "List File Error";

// Pieces of a message, one after the other.
std::string join(std::initializer_list<std::string_view> pieces) {
    std::string text;
    for (std::string_view piece : pieces)
        text += piece;
    return text;
}

// A name as a message shows it: a line break inside it made visible.
std::string shownName(std::string_view name) {
    std::string shown(1, '"');
    for (char c : name) {
        if (c == '\r' || c == '\n') {
            shown += '\\';
            shown += c == '\r' ? 'r' : 'n';
        } else {
            shown += c;
        }
    }
    shown += '"';
    return shown;
}

// A directory without "." and ".." steps, doubled separators or a trailing
// separator (the root stays "/").
std::string cleanDirectory(const std::string& path) {
    return fileNameFromQString(QDir::cleanPath(fileNameToQString(path)));
}

std::string withoutLastSeparator(const std::string& directory) {
    if (directory.size() > 1 && directory.back() == PathSeparator)
        return directory.substr(0, directory.size() - 1);
    return directory;
}

// The one warning about selected names that cannot be lines of a list file.
std::string unlistedMessage(const std::vector<const std::string*>& names) {
    if (names.size() == 1)
        return join({"The name ", shownName(*names[0]),
                     " holds a line break, so it cannot be a line of the list file; it is left "
                     "out."});
    constexpr std::size_t Shown = 10;
    std::string text =
        "These names hold a line break, so they cannot be lines of the list file; they are left "
        "out:";
    for (std::size_t i = 0; i < std::min(Shown, names.size()); ++i)
        text += join({"\n", shownName(*names[i])});
    if (names.size() > Shown)
        text += join({"\nand ", std::to_string(names.size() - Shown), " more."});
    return text;
}

} // namespace

bool fileNameLess(std::string_view a, std::string_view b) {
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const auto x = static_cast<unsigned char>(upperChar(a[i]));
        const auto y = static_cast<unsigned char>(upperChar(b[i]));
        if (x != y)
            return x < y;
    }
    if (a.size() != b.size())
        return a.size() < b.size();
    return a < b;
}

void Selection::wire() {
    MainForm& f = f_;
    f.raContentMask.onClick.wire([this] { HandleContent(); });
    f.raContentList.onClick.wire([this] { HandleContent(); });
    f.edContentMask.onChange.wire([this] { ChangeContent(); });
    f.chContentDynamic.onClick.wire([this] { chContentDynamicClick(); });
    f.FileList1.onChange.wire([this] { FileListChange(); });
    f.FileList1.onClick.wire([this] { FileSelect(); });
    f.Directory.onChange.wire([this] { DirectoryChange(); });
    f.Drive.onChange.wire([this] { DriveChange(); });
    f.Drive.onDropDown.wire([this] { ReadDrives(); });
    f.buFollow.onClick.wire([this] { buFollowClick(); });
}

void Selection::ShowStartDirectory() {
    ReadDrives();
    const std::string start = platform_.currentDirectory();
    if (f_.Directory.directory() == start) {
        ReadFileList();
        ChangeContent();
    } else {
        f_.Directory.setDirectory(start);
    }
}

void Selection::HandleContent() {
    MainForm& f = f_;
    const bool masks = f.raContentMask.checked();
    f.chContentDynamic.setEnabled(masks);
    f.chContentDynamic.setChecked(masks);
    f.chContentUpdate.setEnabled(!masks);
    f.chContentUpdate.setChecked(!masks);
    f.edContentMask.setEnabled(masks);
    f.edContentList.setEnabled(!masks);
    if (!masks) {
        f.edContentList.setFocus();
        f.edContentList.setText(DefaultListName);
        f.edContentList.setColour(clWhite);
    } else {
        f.edContentList.setText("");
        f.edContentList.setColour(clSilver);
    }
    if (masks) {
        f.edContentMask.setFocus();
        f.edContentMask.setText(AllFilesMask);
        f.edContentMask.setColour(clWhite);
    } else {
        f.edContentMask.setText("");
        f.edContentMask.setColour(clSilver);
    }
}

void Selection::ChangeContent() {
    MainForm& f = f_;
    if (f.raContentMask.checked() && f.chContentDynamic.checked()) {
        const MaskMatcher masks(f.edContentMask.text());
        const std::vector<std::string>& names = f.FileList1.items();
        std::vector<bool> selected(names.size(), false);
        if (!masks.empty())
            for (std::size_t i = 0; i < names.size(); ++i)
                selected[i] = masks.matches(names[i]);
        f.FileList1.setSelection(std::move(selected));
        f.FileList1.setTopIndex(0);
    }
    FileListChange();
}

void Selection::chContentDynamicClick() {
    if (f_.chContentDynamic.checked())
        ChangeContent();
}

void Selection::FileListChange() {
    f_.laSelectFile.setCaption(
        join({"File Selection (", std::to_string(f_.FileList1.selectedCount()),
              " files in this directory)"}));
}

void Selection::FileSelect() {
    f_.raContentList.setChecked(true);
    FileListChange();
}

void Selection::followDrive() {
    const std::string drive = f_.Drive.driveHolding(f_.Directory.directory());
    if (drive == f_.Drive.drive())
        return;
    followingDirectory_ = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{followingDirectory_};
    f_.Drive.setDrive(drive);
}

void Selection::DirectoryChange() {
    followDrive();
    ReadFileList();
    ChangeContent();
}

void Selection::DriveChange() {
    if (followingDirectory_)
        return;
    // A volume is entered at its root. The selection the masks make
    // survives the change.
    const std::string root = f_.Drive.drive();
    if (f_.Directory.directory() != root) {
        f_.Directory.setDirectory(root);
        return;
    }
    ReadFileList();
    ChangeContent();
}

void Selection::buFollowClick() {
    const std::string& archive = f_.edArchive.text();
    const std::size_t cut = archive.rfind(PathSeparator);
    if (cut == std::string::npos)
        return;
    // A relative path lies in the Selection directory, where Jar, run
    // there, finds the archive.
    std::string path = archive.substr(0, cut + 1);
    if (path[0] != PathSeparator)
        path = joinPath(f_.Directory.directory(), path);
    const std::string directory = cleanDirectory(path);
    if (!platform_.directoryExists(directory)) {
        showMessage(dialogs_, join({"The directory ", shownName(directory), " does not exist."}),
                    "Follow Archive", MessageIcon::Error);
        return;
    }
    if (f_.Directory.directory() == directory) {
        // Already there: the lists are read again.
        followDrive();
        ReadFileList();
        ChangeContent();
        return;
    }
    f_.Directory.setDirectory(directory);
}

void Selection::ReadDrives() {
    f_.Drive.setDrives(selectableDrives(platform_.mountedVolumes()));
    if (!f_.Directory.directory().empty())
        followDrive();
}

void Selection::ReadFileList() {
    const std::string& directory = f_.Directory.directory();
    std::vector<std::string> names;
    int error = 0;
    if (!directory.empty()) {
        names = platform_.listFileNames(directory, error);
        std::sort(names.begin(), names.end(),
                  [](const std::string& a, const std::string& b) { return fileNameLess(a, b); });
    }
    f_.FileList1.setItems(std::move(names));
    if (error != 0)
        showMessage(dialogs_,
                    join({"Cannot read the directory ", shownName(directory), ": ",
                          std::generic_category().message(error), "."}),
                    DirectoryErrorCaption, MessageIcon::Error);
}

std::string Selection::listFileName() const {
    const std::string& name = f_.edContentList.text();
    if (!name.empty() && name[0] == PathSeparator)
        return name;
    return joinPath(withoutLastSeparator(f_.Directory.directory()), name);
}

int Selection::UpdateList() {
    if (trimBlanks(f_.edContentList.text()).empty()) {
        showMessage(dialogs_, "The list file has no name.", ListFileErrorCaption,
                    MessageIcon::Error);
        return 1;
    }
    const FileList& list = f_.FileList1;
    std::string contents;
    std::vector<const std::string*> unlisted;
    for (std::size_t i = 0; i < list.items().size(); ++i) {
        if (!list.selected(i))
            continue;
        const std::string& name = list.items()[i];
        // Jar reads the list a line at a time: such a name would be read
        // as two other names.
        if (name.find_first_of("\r\n") != std::string::npos) {
            unlisted.push_back(&name);
            continue;
        }
        contents += name;
        contents += "\r\n";
    }
    const std::string file = listFileName();
    const int result = writeFileAtomically(file, contents);
    if (!unlisted.empty())
        showMessage(dialogs_, unlistedMessage(unlisted), ListFileErrorCaption,
                    MessageIcon::Warning);
    if (result != 0)
        showMessage(dialogs_,
                    join({"Cannot write the list file ", shownName(file),
                          ". The previous list file, if any, is left as it was."}),
                    ListFileErrorCaption, MessageIcon::Error);
    return result;
}

} // namespace brak
