#include "run/FileActions.h"

#include "base/AtomicFile.h"
#include "contents/RowList.h"

#include <algorithm>
#include <filesystem>

namespace brak {

FileActions::FileActions(MainForm& form, Platform& platform, Dialogs& dialogs, Contents& contents,
                         Runner& runner)
    : f_(form), platform_(platform), dialogs_(dialogs), contents_(contents), runner_(runner) {}

FileActions::~FileActions() {
    if (!folder_.empty())
        platform_.removeDirectory(folder_);
}

void FileActions::wire() {
    f_.stFile.setRangeSelect(true);
}

const std::string& FileActions::privateFolder() {
    if (folder_.empty())
        folder_ = platform_.makeTemporaryDirectory();
    return folder_;
}

std::uint32_t FileActions::chapter() const {
    return contents_.fileStore().chapter();
}

std::vector<std::string> FileActions::selectedNames() const {
    const StringGrid& grid = f_.stFile;
    std::vector<std::string> names;
    if (grid.nothingListed())
        return names;
    const int first = std::max(grid.rangeFirst(), grid.fixedRows());
    const int last = std::min(grid.rangeLast(), grid.rowCount() - 1);
    for (int row = first; row <= last; ++row)
        if (std::string name = grid.cell(ColName, row); !name.empty())
            names.push_back(std::move(name));
    return names;
}

JarCommand FileActions::compose(Action action, const std::string& folder) {
    return compose(action, folder, selectedNames());
}

JarCommand FileActions::compose(Action action, const std::string& folder,
                                const std::vector<std::string>& names) {
    JarCommand command;
    command.path = f_.edPath.text();
    command.letter = action == Action::ExtractTo ? "x" : action == Action::Test ? "t" : "d";
    command.archive = f_.edArchive.text();
    command.listFile = true;
    command.list = listFileName();
    // The names are the grid's, whole: "a*.txt" is one file, not a mask.
    // Jar works on the last chapter unless told which.
    const std::string c = std::to_string(chapter());
    command.switches = "-jn -jc" + c + "-" + c + " ";
    if (action == Action::ExtractTo) {
        command.switches += "-o\"" + folder + "\" ";
        command.switchValues.push_back({"edOutput", folder});
    }
    std::string list;
    for (const std::string& name : names)
        list += name + "\n";
    writeFileAtomically(command.list, list);
    return command;
}

void FileActions::run(Action action, const std::string& folder) {
    if (selectedNames().empty() || privateFolder().empty())
        return;
    runner_.runCommand(compose(action, folder));
}

void FileActions::extractTo() {
    if (selectedNames().empty())
        return;
    const std::string folder = dialogs_.chooseFolder("Extract To");
    if (!folder.empty())
        run(Action::ExtractTo, folder);
}

void FileActions::test() {
    run(Action::Test);
}

void FileActions::remove() {
    const std::size_t count = selectedNames().size();
    if (count == 0)
        return;
    const std::uint32_t last = static_cast<std::uint32_t>(std::max(f_.stChapter.rowCount() - 1, 1));
    if (chapter() != last) {
        showMessage(dialogs_,
                    "Jar deletes files from the last chapter only: chapter " +
                        std::to_string(chapter()) + " keeps its files.\n\nShow chapter " +
                        std::to_string(last) + " to delete files from it.",
                    "Delete Files", MessageIcon::Information);
        return;
    }
    const std::string text = "Delete " + std::to_string(count) + (count == 1 ? " file" : " files") +
                             " from chapter " + std::to_string(chapter()) + " of \"" +
                             f_.edArchive.text() + "\"?";
    if (dialogs_.messageBox({text, "Delete Files", MessageIcon::Question, MessageButtons::YesNo,
                             MessageAnswer::No}) != MessageAnswer::Yes)
        return;
    run(Action::Delete);
}

std::string FileActions::takeOut(const std::vector<std::string>& names, const std::string& kind) {
    if (names.empty() || privateFolder().empty())
        return {};
    // A folder for each take: an application may still hold the last one.
    const std::string folder = joinPath(folder_, kind + "-" + std::to_string(++takenOut_));
    std::error_code failed;
    std::filesystem::create_directory(folder, failed);
    const JarCommand command = compose(Action::ExtractTo, folder, names);
    // Unseen first: a plain archive asks nothing. Without a terminal, Jar
    // fails at once where it must ask (a password); the console then shows
    // it, and its words when it failed for another reason.
    {
        BusyCursor busy(dialogs_);
        ProcessRequest request{command.programFile(), command.arguments(),
                               f_.Directory.directory()};
        request.environment = {{"JAR_CFG_FILE", f_.ConfigName}};
        StartResult started = platform_.start(request);
        if (started.started() && started.child) {
            started.child->wait();
            if (started.child->exitCode() == 0)
                return folder;
        }
    }
    return runner_.runAsking(command) ? folder : std::string();
}

std::string FileActions::open(int row) {
    StringGrid& grid = f_.stFile;
    if (grid.nothingListed() || row < grid.fixedRows() || row >= grid.rowCount())
        return {};
    const std::string name = grid.cell(ColName, row);
    if (name.empty())
        return {};
    grid.setRow(row);
    const std::string folder = takeOut({name}, "open");
    if (folder.empty())
        return {};
    const std::string file = joinPath(folder, name);
    if (!platform_.fileExists(file)) {
        showMessage(dialogs_, "\"" + name + "\" could not be taken out of the archive to open it.",
                    Caption, MessageIcon::Error);
        return {};
    }
    // A copy to look at: changes to it would be lost with the folder.
    std::error_code failed;
    std::filesystem::permissions(file,
                                 std::filesystem::perms::owner_write |
                                     std::filesystem::perms::group_write |
                                     std::filesystem::perms::others_write,
                                 std::filesystem::perm_options::remove, failed);
    if (!dialogs_.openWithDesktop(file)) {
        showMessage(dialogs_, "No application opens \"" + name + "\".", Caption,
                    MessageIcon::Warning);
        return {};
    }
    return file;
}

std::vector<std::string> FileActions::dragOut() {
    const std::vector<std::string> names = selectedNames();
    const std::string folder = takeOut(names, "drag");
    std::vector<std::string> files;
    if (folder.empty())
        return files;
    for (const std::string& name : names)
        if (const std::string file = joinPath(folder, name); platform_.fileExists(file))
            files.push_back(file);
    return files;
}

void FileActions::selectAll() {
    StringGrid& grid = f_.stFile;
    if (grid.nothingListed() || grid.rowCount() <= grid.fixedRows())
        return;
    GridUpdate update(grid);
    grid.setRow(grid.fixedRows());
    grid.selectRangeTo(grid.rowCount() - 1);
}

} // namespace brak
