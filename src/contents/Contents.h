#pragma once

#include "contents/DumpReader.h"
#include "contents/FileGrid.h"
#include "contents/RowList.h"
#include "form/MainForm.h"
#include "platform/Dialogs.h"
#include "platform/Platform.h"

#include <memory>
#include <string>

namespace brak {

inline constexpr const char* DumpFileName = "Brak.DMP";

// Waits for a file that a child started without waiting is writing. It ends
// the moment the child ends: true when the file exists then, false when the
// child ended without writing it. A limit (in milliseconds, 0 for none)
// ends the wait early, with false, while the child still runs.
bool WaitForFile(Platform& platform, ChildProcess& child, const std::string& name, int limit = 0);

// Reads a listing file into the reader, whole lines at a time. False when the
// file cannot be opened. Errors of the reader pass through.
bool readDumpFile(const std::string& name, DumpReader& reader);

// The View tab's contents: the technical listing of the archive named in
// edArchive, the chapter grid, and the file grid with its sorting.
class Contents {
public:
    // Gives the file grid its compact store.
    Contents(MainForm& form, Platform& platform, Dialogs& dialogs);
    Contents(const Contents&) = delete;
    Contents& operator=(const Contents&) = delete;

    // The archive name field, the two grids and the name lock.
    void wire();

    // Lists the archive: -1 when Jar could not be started, the archive is
    // missing or its name holds a double quote, 1 when no listing could be read after the wait,
    // else 0.
    int LoadContents();
    // Shows the files of chapter c in the file grid.
    void SelectChapter(int c);
    void stChapterClick();
    // Selecting a cell of the file grid sorts it by that cell's column;
    // so does a click on the column's heading.
    void stFileSelectCell(int column, int row);
    void stFileHeadingClick(int column);
    // The filter field narrows the shown chapter's files to the names that
    // pass it; emptied, the grid shows the chapter's files again.
    void edFilterChange();
    void chFileLockClick();
    // The commands are offered exactly while the archive name holds text.
    void edArchiveChange();
    void edArchiveKeyPress(char key);

    // Puts what the reader read into the window: the details, the chapter
    // grid and the file rows (the file grid shows them at the next
    // SelectChapter).
    void applyListing(DumpReader& reader);

    // The file rows of the last listing.
    const RowList& rowList() const { return *rowList_; }
    FileGridStore& fileStore();

private:
    void showPlaceholders();
    // Shows the files of the shown chapter that pass the filter, in the
    // chapter's present order; returns how many.
    std::size_t showFiles();
    void showFileCount(std::size_t shown);
    void sortFiles(int column);

    MainForm& form_;
    Platform& platform_;
    Dialogs& dialogs_;
    // Shared with the file grid's store, which keeps the list it shows alive
    // until the next SelectChapter even when a new listing replaced it here.
    std::shared_ptr<const RowList> rowList_;
    // The chapter shown and all its files, in the order of the last sort
    // (the listing's order until then), whatever the filter lets through.
    std::uint32_t chapter_ = 0;
    std::vector<std::uint32_t> chapterFiles_;
};

} // namespace brak
