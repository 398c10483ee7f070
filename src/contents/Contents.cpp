#include "contents/Contents.h"

#include "base/Assert.h"
#include "base/Text.h"
#include "base/Threads.h"
#include "contents/DumpFormat.h"
#include "contents/DumpPieces.h"
#include "contents/FileFilter.h"
#include "core/ExitMessages.h"
#include "core/JarCommand.h"
#include "core/QuoteCheck.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace brak {

namespace {

constexpr const char* ReadingTitle = "Reading the archive\u2026";

constexpr const char* UnableMessage =
    "Unable to get details for archive.\nArchive is missing or cannot find JAR32.EXE.";

} // namespace

bool WaitForFile(Platform& platform, ChildProcess& child, const std::string& name, int limit) {
    // The child has finished the file only once it has ended; a file that
    // exists while it runs may be half written.
    if (limit > 0) {
        if (!child.waitFor(limit))
            return false;
    } else {
        child.wait();
    }
    return platform.fileExists(name);
}

bool readDumpFile(const std::string& name, DumpReader& reader) {
    const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat info {};
    const std::uint64_t size =
        ::fstat(fd, &info) == 0 && info.st_size > 0 ? static_cast<std::uint64_t>(info.st_size) : 0;
    const DumpSource source = [fd](std::uint64_t offset, char* out, std::size_t bytes) {
        for (;;) {
            const ::ssize_t got = ::pread(fd, out, bytes, static_cast<::off_t>(offset));
            if (got >= 0)
                return static_cast<std::size_t>(got);
            if (errno != EINTR)
                return std::size_t{0};
        }
    };
    // A listing of a few thousand files is read in one pass before threads
    // would have started; a large one is read on every core.
    constexpr std::uint64_t PieceBytes = std::uint64_t{2} << 20;
    const auto pieces = static_cast<unsigned>(
        std::min<std::uint64_t>(coreCount(), std::max<std::uint64_t>(size / PieceBytes, 1)));
    readDumpPieces(source, size,
                   pieces > 1 ? dumpSplits(source, size, pieces) : std::vector<std::uint64_t>{},
                   reader);
    return true;
}

Contents::Contents(MainForm& form, Platform& platform, Dialogs& dialogs)
    : form_(form), platform_(platform), dialogs_(dialogs), rowList_(std::make_shared<RowList>()) {
    StringGrid& grid = form_.stFile;
    auto store = std::make_unique<FileGridStore>(grid.rowCount());
    for (int row = 0; row < grid.rowCount(); ++row)
        for (int col = 0; col < grid.colCount(); ++col)
            if (const std::string text = grid.cell(col, row); !text.empty())
                store->setCell(col, row, text);
    grid.setStore(std::move(store));
    for (int col : {ColSize, ColChapter})
        grid.setRightAligned(col, true);
    form_.stChapter.setRightAligned(0, true);
    grid.setNothingListed(true);
    form_.stChapter.setNothingListed(true);
}

void Contents::wire() {
    MainForm& f = form_;
    f.edArchive.onChange.wire([this] { edArchiveChange(); });
    // The archive name's group box holds only the field: leaving it is the
    // field losing the focus.
    f.gbArchive.onExit.wire([this] { edArchiveChange(); });
    f.edArchive.onKeyPress.wire([this](char key) { edArchiveKeyPress(key); });
    f.stChapter.onClick.wire([this] { stChapterClick(); });
    f.stFile.onSelectCell.wire(
        [this](int column, int row, bool&) { stFileSelectCell(column, row); });
    f.stFile.onHeadingClick.wire([this](int column) { stFileHeadingClick(column); });
    f.edFilter.onChange.wire([this] { edFilterChange(); });
    f.chFileLock.onClick.wire([this] { chFileLockClick(); });
}

FileGridStore& Contents::fileStore() {
    auto* store = dynamic_cast<FileGridStore*>(&form_.stFile.store());
    BRAK_ASSERT(store); // the file grid keeps the store it was given
    return *store;
}

void Contents::edArchiveChange() {
    const bool named = !form_.edArchive.text().empty();
    for (RadioButton* command : form_.commandButtons)
        command->setEnabled(named);
}

int Contents::LoadContents() {
    MainForm& f = form_;
    // Refused before anything is cleared, written or started.
    if (!checkQuotedValues(dialogs_, {{f.edArchive.name(), f.edArchive.text()}}))
        return -1;
    rowList_ = std::make_shared<RowList>();
    for (Edit* field : {&f.edArchiveCreateDate, &f.edArchiveCreateTime, &f.edArchiveModifyDate,
                        &f.edArchiveModifyTime, &f.edArchiveCreate, &f.edArchiveUpdate,
                        &f.edArchiveExtract, &f.edArchiveList, &f.edArchiveOldSize,
                        &f.edArchiveNewSize, &f.edArchiveRatio, &f.edArchiveFlag})
        field->setText("");

    if (f.edArchive.text().find('.') == std::string::npos)
        f.edArchive.setText(std::string(trimBlanks(f.edArchive.text())) + ".J");

    // Jar runs in the Selection tab's directory, as a command run does, so
    // that a relative archive name means the same file to both.
    std::string directory = f.Directory.directory();
    if (directory.empty())
        directory = platform_.currentDirectory();
    auto inJarDirectory = [&](const std::string& name) {
        return !name.empty() && name[0] == PathSeparator ? name : joinPath(directory, name);
    };

    // Every listing is written into a directory of its own, removed after
    // it: two Brak windows never read each other's listing.
    struct Scratch {
        Platform& platform;
        std::string directory;
        ~Scratch() {
            if (!directory.empty())
                platform.removeDirectory(directory);
        }
    } scratch{platform_, platform_.makeTemporaryDirectory()};
    if (scratch.directory.empty()) {
        showMessage(dialogs_,
                    "Unable to get details for archive.\nNo temporary folder could be made for "
                    "the listing.",
                    "Error", MessageIcon::Error);
        showPlaceholders();
        return -1;
    }
    const std::string dump = joinPath(scratch.directory, DumpFileName);

    BusyCursor busy(dialogs_);
    const JarCommand command = JarCommand::fromForm(f);
    ProcessRequest request;
    request.program = command.programFile();
    // Quoted, as the archive is: Jar splits its command line at blanks.
    request.args = {command.programPiece(), "lt", "\"" + command.archive + "\"",
                    "\"" + dump + "\""};
    request.directory = directory;
    // The configuration the last run read, so that both see the same settings.
    if (f.RunConfigName)
        request.environment = {{"JAR_CFG_FILE", *f.RunConfigName}};
    StartResult started = platform_.start(request);

    if (!started.started() || !started.child ||
        !platform_.fileExists(inJarDirectory(command.archive))) {
        busy.release();
        showMessage(dialogs_, UnableMessage, "Error", MessageIcon::Error);
        showPlaceholders();
        return -1;
    }

    dialogs_.repaintNow();
    // Jar has finished the listing only once it has ended; a listing that
    // takes long can be given up.
    if (dialogs_.waitForChild(*started.child, ReadingTitle, command.archive) ==
        Dialogs::WaitOutcome::Cancelled) {
        started.child->terminate();
        busy.release();
        showPlaceholders();
        f.StatusBar1.setSimplePanel(true);
        f.StatusBar1.setSimpleText("Reading the archive " + command.archive + " was cancelled.");
        return 1;
    }
    busy.release();
    if (!platform_.fileExists(dump)) {
        showMessage(dialogs_,
                    std::string("Unable to get details for archive.\n") +
                        "JAR32.EXE ended without writing its listing: " +
                        exitCodeText(started.child->exitCode()) + ".",
                    "Error", MessageIcon::Error);
        showPlaceholders();
        return 1;
    }

    // The archive as Jar reads it from its quoted argument, with ".J" where
    // its name holds none.
    std::string archive = command.archive.substr(0, command.archive.find('"'));
    if (upperCase(archive).find(".J") == std::string::npos)
        archive += ".J";
    std::int64_t length = platform_.fileSize(inJarDirectory(archive));
    // A name with another extension (TEST.ZIP) is measured under the name that
    // was found to exist, rather than not at all.
    if (length < 0)
        length = platform_.fileSize(inJarDirectory(command.archive));
    f.edArchiveNewSize.setText(length >= 0 ? FormatThousands(length) : std::string());

    DumpReader reader;
    std::string stopped;
    try {
        if (!readDumpFile(dump, reader))
            return 1;
    } catch (const DumpLimitError& error) {
        stopped = error.what();
    } catch (const Error&) {
        applyListing(reader); // what was read before the bad value stays
        throw;
    }
    applyListing(reader);
    // Every archive has a chapter: a listing of none, and no file, comes
    // from one whose contents are hidden. Jar lists those only in its console,
    // where it can ask for the password.
    if (reader.maxChapter() == 0 && rowList_->rowCount() == 0 && stopped.empty()) {
        f.StatusBar1.setSimplePanel(true);
        f.StatusBar1.setSimpleText("The contents of " + command.archive +
                                   " are hidden; List Contents shows them after asking for the "
                                   "password.");
    }

    f.edArchiveOldSize.setText(FormatThousands(reader.sizeSum()));
    f.edArchiveRatio.setText(ratioText(reader.sizeSum(), length));
    SelectChapter(f.stChapter.rowCount() - 1);
    f.stChapter.fitColumns();
    f.stFile.fitColumns();
    if (!stopped.empty())
        showMessage(dialogs_, stopped + ".", "Archive Listing", MessageIcon::Warning);
    return 0;
}

void Contents::applyListing(DumpReader& reader) {
    MainForm& f = form_;
    const auto& details = reader.details();
    f.edArchiveFlag.setText(details[DetailFlag]);
    f.edArchiveCreateDate.setText(details[DetailCreateDate]);
    f.edArchiveCreateTime.setText(details[DetailCreateTime]);
    f.edArchiveModifyDate.setText(details[DetailModifyDate]);
    f.edArchiveModifyTime.setText(details[DetailModifyTime]);
    f.edArchiveCreate.setText(details[DetailCreate]);
    f.edArchiveUpdate.setText(details[DetailUpdate]);
    f.edArchiveExtract.setText(details[DetailExtract]);
    f.edArchiveList.setText(details[DetailList]);

    // The chapter grid is not emptied: cells the listing does not write keep
    // their texts.
    StringGrid& grid = f.stChapter;
    GridUpdate update(grid);
    if (const auto n = reader.maxChapter()) {
        grid.setRowCount(*n + 1);
        if (*n >= 1)
            grid.setRow(*n);
    }
    for (const auto& [chapter, row] : reader.chapters()) {
        if (chapter >= grid.rowCount())
            break;
        for (int col = 0; col < 6; ++col)
            if (row.has(col))
                grid.setCell(col, chapter, row.cells[static_cast<std::size_t>(col)]);
    }
    rowList_ = reader.takeRows();
}

void Contents::showPlaceholders() {
    form_.stChapter.setRowCount(1);
    form_.stFile.setRowCount(1);
    SelectChapter(1);
}

void Contents::SelectChapter(int c) {
    BusyCursor busy(dialogs_);
    chapter_ = static_cast<std::uint32_t>(std::max(c, 0));
    chapterFiles_.clear();
    if (c >= 1)
        for (const RowList::Group& group : rowList_->groups())
            if (group.first <= chapter_ && chapter_ <= group.last)
                chapterFiles_.push_back(group.record);
    const std::size_t shown = showFiles();

    StringGrid& chapters = form_.stChapter;
    {
        GridUpdate update(chapters);
        const bool none = chapters.rowCount() <= 1;
        if (none) {
            chapters.setRowCount(2);
            chapters.setCell(0, 1, "No Chapters");
            for (int col = 1; col < chapters.colCount(); ++col)
                chapters.setCell(col, 1, "");
        }
        chapters.setNothingListed(none);
        chapters.setFixedRows(1);
        if (c > 3)
            chapters.setTopRow(c - 3);
    }
    showFileCount(shown);
}

std::size_t Contents::showFiles() {
    std::vector<std::uint32_t> records =
        FileFilter(form_.edFilter.text()).narrow(*rowList_, chapterFiles_);
    const std::size_t count = records.size();
    StringGrid& files = form_.stFile;
    GridUpdate update(files);
    fileStore().showRecords(rowList_, chapter_, std::move(records));
    files.storeChanged();
    if (count == 0) {
        files.setRowCount(2);
        files.setCell(0, 1, "No Files");
        for (int col = 1; col < files.colCount(); ++col)
            files.setCell(col, 1, "");
    }
    files.setFixedRows(1);
    files.setNothingListed(count == 0);
    return count;
}

void Contents::showFileCount(std::size_t shown) {
    // Without chapters the count is 0, whatever the rows.
    std::size_t all = chapterFiles_.size();
    if (form_.stChapter.nothingListed())
        shown = all = 0;
    form_.laFileDetail.setCaption(form_.edFilter.text().empty()
                                      ? "File Details (" + std::to_string(all) + " files)"
                                      : "File Details (" + std::to_string(shown) + " of " +
                                            std::to_string(all) + " files)");
}

void Contents::edFilterChange() {
    showFileCount(showFiles());
}

void Contents::stChapterClick() {
    SelectChapter(form_.stChapter.row());
}

void Contents::stFileSelectCell(int column, int row) {
    // Fixed cells cannot be selected, so they never sort.
    if (row >= form_.stFile.fixedRows())
        sortFiles(column);
}

void Contents::stFileHeadingClick(int column) {
    sortFiles(column);
}

void Contents::sortFiles(int column) {
    StringGrid& grid = form_.stFile;
    // A locked name column does not sort, from its cells or its heading.
    if (column < grid.fixedCols() || column >= grid.colCount())
        return;
    BusyCursor busy(dialogs_);
    GridUpdate update(grid);
    // A narrowed grid sorts the chapter's files whole, as the grid would
    // without the filter, and shows those that pass in that order: clearing
    // the filter then shows exactly what these sorts made of the chapter.
    const bool narrowed = !form_.edFilter.text().empty() && !chapterFiles_.empty();
    if (narrowed)
        fileStore().showRecords(rowList_, chapter_, chapterFiles_);
    try {
        moveSortMarkers(grid, column);
        std::vector<std::uint32_t> order = fileSortOrder(grid, column);
        if (form_.raDescending.checked())
            std::reverse(order.begin(), order.end());
        grid.permuteRows(1, order);
        // The chapter's files in their new order, when the grid shows them.
        std::vector<std::uint32_t> sorted;
        if (fileStore().records(sorted) && sorted.size() == chapterFiles_.size())
            chapterFiles_ = std::move(sorted);
    } catch (...) {
        if (narrowed)
            showFiles();
        throw;
    }
    if (narrowed)
        showFiles();
}

void Contents::chFileLockClick() {
    form_.stFile.setFixedCols(form_.chFileLock.checked() ? 1 : 0);
}

void Contents::edArchiveKeyPress(char key) {
    if (key == '\r' && !trimBlanks(form_.edArchive.text()).empty())
        LoadContents();
}

} // namespace brak
