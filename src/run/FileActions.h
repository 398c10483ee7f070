#pragma once

#include "contents/Contents.h"
#include "core/JarCommand.h"
#include "form/MainForm.h"
#include "platform/Dialogs.h"
#include "platform/Platform.h"
#include "run/Runner.h"

#include <string>
#include <vector>

namespace brak {

// What the file grid's context menu and keys do with the selected rows:
// each is an ordinary Jar command on the archive and the chapter shown, its
// names in a list file in Brak's own temporary folder, run as a double
// click runs the checked command. The Selection tab is left as it is.
class FileActions {
public:
    enum class Action { ExtractTo, Test, Delete };

    FileActions(MainForm& form, Platform& platform, Dialogs& dialogs, Contents& contents,
                Runner& runner);
    ~FileActions();
    FileActions(const FileActions&) = delete;
    FileActions& operator=(const FileActions&) = delete;

    // The file grid selects ranges of rows.
    void wire();

    // The names of the rows selected, as the grid shows them; none while
    // the grid lists nothing.
    std::vector<std::string> selectedNames() const;
    // The chapter the file grid shows.
    std::uint32_t chapter() const;

    // The command an action composes for the selected rows (or the names
    // given); folder is Extract To's output folder. Writes the list file,
    // whose lines Jar takes as whole names (-jn), never as masks.
    JarCommand compose(Action action, const std::string& folder = {});
    JarCommand compose(Action action, const std::string& folder,
                       const std::vector<std::string>& names);

    void extractTo();
    void test();
    // Asks first, naming how many files and which chapter. Jar deletes from
    // the last chapter only, so an earlier chapter's files are refused.
    void remove();
    // A double click or Enter on a file row: Jar extracts that one file into
    // a folder of its own in the private folder, read-only, and the desktop
    // opens it. Returns the file opened, or empty.
    std::string open(int row);
    // The menu's Open: the selected row.
    std::string openSelected() { return open(f_.stFile.row()); }
    // Dragging the selected rows out: Jar extracts them into a folder of
    // their own in the private folder; the files made, for the drop.
    std::vector<std::string> dragOut();
    // Ctrl+A: every row of the chapter shown.
    void selectAll();

    // Brak's private folder (made at the first use) and the list file in it.
    const std::string& privateFolder();
    std::string listFileName() { return joinPath(privateFolder(), "Selected.LST"); }

    static constexpr const char* Caption = "Brak";

private:
    void run(Action action, const std::string& folder = {});
    // Extracts the names into a new folder of the private folder, named
    // after kind; the folder, or empty when Jar failed (and said so).
    std::string takeOut(const std::vector<std::string>& names, const std::string& kind);

    MainForm& f_;
    Platform& platform_;
    Dialogs& dialogs_;
    Contents& contents_;
    Runner& runner_;
    std::string folder_;
    int takenOut_ = 0;
};

} // namespace brak
