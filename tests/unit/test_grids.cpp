// The chapter and file grids: showing a chapter, sorting the files, the
// locked name column, and the store the file grid keeps its rows in.
#include "ListingFixture.h"
#include "base/Text.h"
#include "contents/DumpFormat.h"
#include "contents/FileGrid.h"

#include <algorithm>
#include <functional>
#include <numeric>
#include <random>
#include <sstream>

using namespace brak;
using brak::test::DumpText;

namespace {

using Names = std::vector<std::string>;

class GridTest : public test::ListingTest {
protected:
    // Files of chapter 1, listed in this order.
    void listFiles(const std::vector<std::pair<std::string, std::string>>& nameAndSize) {
        DumpText text;
        text.archive(1).chapter(1);
        for (const auto& [name, size] : nameAndSize)
            text.file(name, size);
        ASSERT_EQ(load(text.str()), 0);
    }
    void sortBy(int col) { f.stFile.selectCell(col, 1); }
    std::string sortError(int col) {
        try {
            sortBy(col);
        } catch (const Error& error) {
            return error.what();
        }
        return {};
    }
};

} // namespace

TEST_F(GridTest, SortMarkersMove) {
    listFiles({{"b", "1"}, {"a", "2"}});
    sortBy(0);
    sortBy(1);
    EXPECT_EQ(f.stFile.cell(0, 0), "Filename (2)");
    EXPECT_EQ(f.stFile.cell(1, 0), "Size (1)");
    sortBy(1);
    EXPECT_EQ(f.stFile.cell(0, 0), "Filename");
    sortBy(7);
    EXPECT_EQ(headings(f.stFile),
              (Names{"Filename", "Size (2)", "Flags", "Modify Date", "Modify Time", "Create Date",
                     "Create Time", "Access Date (1)", "Access Time", "Chapter"}));
    load(DumpText().archive(1).chapter(1).file("z", "1").str());
    EXPECT_EQ(f.stFile.cell(7, 0), "Access Date (1)") << "markers outlive a new listing";
}

TEST_F(GridTest, ChapterColumnKeepsOrReversesTheRows) {
    listFiles({{"a", "3"}, {"b", "1"}, {"c", "2"}});
    sortBy(9);
    EXPECT_EQ(fileColumn(), (Names{"a", "b", "c"}));
    EXPECT_EQ(f.stFile.cell(9, 0), "Chapter (1)");
    f.raDescending.click();
    EXPECT_EQ(fileColumn(), (Names{"a", "b", "c"})) << "choosing an order does not sort by itself";
    sortBy(9);
    EXPECT_EQ(fileColumn(), (Names{"c", "b", "a"}));
    sortBy(9);
    EXPECT_EQ(fileColumn(), (Names{"a", "b", "c"})) << "reversed again at every sort";
}

TEST_F(GridTest, CellsThatAreNoKeyStopTheSort) {
    ASSERT_EQ(load(DumpText().archive(2).chapter(1).chapter(2).file("x", "1").str()), 0);
    EXPECT_EQ(fileColumn(), Names{"No Files"});
    EXPECT_EQ(sortError(1), "Cannot sort the files by Size: '' is not a valid integer value");
    EXPECT_EQ(f.stFile.cell(1, 0), "Size (1)") << "the markers have moved already";
    EXPECT_EQ(fileColumn(), Names{"No Files"});
    EXPECT_EQ(sortError(6), "Cannot sort the files by Create Time: '' is not a valid date");
    EXPECT_FALSE(dialogs.busy) << "the cursor comes back after the error";
    EXPECT_EQ(sortError(0), "") << "names and flags are texts: always a key";

    const std::string head = DumpText().archive(1).chapter(1).str();
    struct Case {
        std::string modified;
        int col;
        std::string error;
    };
    for (const Case& c :
         {Case{"1998/13/01 06:30:00", 3, "Modify Date: '1998/13/01' is not a valid date"},
          Case{"1998/09/14 24:00:00", 4, "Modify Time: '24:00:00' is not a valid time"},
          Case{"1998/9/14 06:30:00", 3, "Modify Date: '1998/9/14' is not a valid date"}}) {
        ASSERT_EQ(load(head + DumpText().file("good", "1").file("bad", "2", c.modified).str()), 0);
        EXPECT_EQ(sortError(c.col), "Cannot sort the files by " + c.error);
        EXPECT_EQ(fileColumn(), (Names{"good", "bad"})) << "the rows keep their order";
    }
    // A file without a SIZE line has no size to sort by.
    ASSERT_EQ(load(head + "FILE=nosize\r\n  CHAPTERSRANGE=1-1\r\n  ATTRIBUTES=0\r\n"), 0);
    EXPECT_EQ(sortError(1), "Cannot sort the files by Size: '' is not a valid integer value");
}

TEST_F(GridTest, SelectChapterShowsItsFilesAndCounts) {
    EXPECT_EQ(headings(f.stChapter), (Names{"Chapter", "Flags", "Modify Date", "Modify Time",
                                            "Create Date", "Create Time"}));
    DumpText text;
    text.archive(12);
    for (int c = 1; c <= 12; ++c)
        text.chapter(c);
    text.file("everywhere", "1", "1998/09/14 06:30:00", "1-12");
    text.file("second", "1", "1998/09/14 06:30:00", "2-2");
    ASSERT_EQ(load(text.str()), 0);
    EXPECT_EQ(f.laFileDetail.caption(), "File Details (1 files)") << "always \"files\"";
    EXPECT_EQ(f.stChapter.topRow(), 9) << "chapter 12 brought into view";

    f.stChapter.selectCell(0, 2);
    f.stChapter.click();
    EXPECT_EQ(fileColumn(), (Names{"everywhere", "second"}));
    EXPECT_EQ(fileColumn(9), (Names{"2", "2"}));
    EXPECT_EQ(f.laFileDetail.caption(), "File Details (2 files)");
    EXPECT_EQ(f.stChapter.topRow(), 9) << "no scrolling for chapters up to 3";

    brak.contents().SelectChapter(10);
    EXPECT_EQ(f.stChapter.topRow(), 7);
    EXPECT_EQ(f.stChapter.row(), 2) << "selecting a chapter does not move the selection";

    brak.contents().SelectChapter(13);
    EXPECT_EQ(fileColumn(), Names{"No Files"});
    EXPECT_EQ(fileColumn(5), Names{""});
    EXPECT_EQ(f.laFileDetail.caption(), "File Details (0 files)");
    EXPECT_EQ(f.stFile.fixedRows(), 1);
    EXPECT_FALSE(dialogs.busy);
}

TEST_F(GridTest, HeadingsSortAsTheirCellsDoButALockedNameColumnNever) {
    listFiles({{"b", "20"}, {"a", "10"}, {"C", "5"}});
    f.stFile.headingClick(1);
    EXPECT_EQ(fileColumn(), (Names{"C", "a", "b"}));
    f.stFile.headingClick(0);
    EXPECT_EQ(headings(f.stFile)[0], "Filename (1)");
    EXPECT_EQ(headings(f.stFile)[1], "Size (2)");
    EXPECT_EQ(fileColumn(), (Names{"a", "b", "C"}));

    f.chFileLock.click();
    EXPECT_EQ(f.stFile.fixedCols(), 1);
    f.stFile.headingClick(1);
    f.stFile.headingClick(0);
    sortBy(0);
    EXPECT_EQ(fileColumn(), (Names{"C", "a", "b"}));
    EXPECT_EQ(headings(f.stFile)[0], "Filename (2)") << "a locked name column's heading";
    f.stFile.selectCell(2, 0);
    EXPECT_EQ(f.stFile.cell(2, 0), "Flags") << "a heading cell cannot be selected to sort";
    f.chFileLock.click();
    EXPECT_EQ(f.stFile.fixedCols(), 0);
    sortBy(0);
    EXPECT_EQ(fileColumn(), (Names{"a", "b", "C"}));
    f.stChapter.headingClick(0); // nothing listens there
}

TEST_F(GridTest, ArchiveNameFieldEnablesTheCommands) {
    f.edArchive.setText("");
    EXPECT_FALSE(f.raCommandAddFile.enabled());
    f.edArchive.setText(" ");
    EXPECT_TRUE(f.raCommandCopy.enabled()) << "a blank is text";
    for (RadioButton* command : f.commandButtons)
        command->setEnabled(false);
    f.gbArchive.exit();
    EXPECT_TRUE(f.raCommandAddFile.enabled()) << "leaving the field checks it again";
}

TEST_F(GridTest, StoreShowsRowsWithoutATextPerCell) {
    listFiles({{"b", "20"}, {"a", "10"}});
    FileGridStore& store = brak.contents().fileStore();
    EXPECT_EQ(&f.stFile.store(), &store);
    EXPECT_EQ(store.recordOf(1), 0);
    EXPECT_EQ(f.stFile.cell(2, 1), "A....");
    EXPECT_EQ(f.stFile.cell(8, 2), "00:00:00");
    EXPECT_EQ(f.stFile.cell(10, 1), "") << "outside the grid";

    // A cell written one by one turns its row into texts; sorting still works.
    f.stFile.setCell(1, 1, "5");
    EXPECT_EQ(store.recordOf(1), -1);
    EXPECT_EQ(f.stFile.cell(0, 1), "b");
    EXPECT_EQ(f.stFile.cell(1, 1), "5");
    int notices = 0;
    f.stFile.addObserver([&](const Control&) { ++notices; });
    sortBy(1);
    EXPECT_EQ(fileColumn(), (Names{"b", "a"}));
    EXPECT_EQ(notices, 2) << "the sort (markers and rows) and the selection, each told once";
    sortBy(0);
    EXPECT_EQ(fileColumn(), (Names{"a", "b"}));
    EXPECT_EQ(fileColumn(1), (Names{"10", "5"}));

    f.stFile.setRowCount(4);
    EXPECT_EQ(f.stFile.cell(0, 3), "");
    f.stFile.setRowCount(1);
    EXPECT_EQ(f.stFile.rowCount(), 1);
    EXPECT_EQ(f.stFile.cell(0, 0), "Filename (1)");
}

TEST_F(GridTest, SetWidthsStayAndTheOthersFollowEachListing) {
    const int fitsBefore = f.stFile.fitRequests();
    f.stFile.setColWidth(2, 40); // dragged by the user, or read from the layout
    listFiles({{"a", "1"}});
    EXPECT_EQ(f.stFile.fitRequests(), fitsBefore + 1) << "a listing asks for a fit";
    EXPECT_EQ(f.stChapter.fitRequests(), 1);
    for (int col : {0, 2, 3}) {
        f.stFile.fitColWidth(col, 150);
        EXPECT_EQ(f.stFile.colWidthSet(col), col == 2);
    }
    EXPECT_EQ(f.stFile.colWidth(0), 150);
    EXPECT_EQ(f.stFile.colWidth(2), 40) << "a width that was set is kept";

    f.edArchive.setText("MISSING.J");
    brak.contents().LoadContents();
    EXPECT_EQ(f.stFile.fitRequests(), fitsBefore + 1) << "a failed listing fits nothing";
}

// Sorted and reversed keys stay well within the quicksort's budget; sizes
// rising and then falling make it quadratic, and it gives up. The grid then
// sorts them all the same, equal sizes in the grid's order.
TEST_F(GridTest, QuadraticShapesStillSortQuickly) {
    const std::size_t n = 100000;
    std::vector<std::uint32_t> keys(n), p(n);
    const auto less = [&keys](std::uint32_t a, std::uint32_t b) { return keys[a] < keys[b]; };
    for (int shape = 0; shape < 3; ++shape) {
        for (std::size_t i = 0; i < n; ++i)
            keys[i] = static_cast<std::uint32_t>(shape == 0   ? i
                                                 : shape == 1 ? n - i
                                                              : std::min(i, n - i));
        std::iota(p.begin(), p.end(), 0u);
        EXPECT_EQ(quickSortPermutation(p, less, 8 * n * 17), shape < 2) << shape;
    }

    DumpText text;
    text.archive(1).chapter(1);
    const int rows = 20000;
    for (int i = 0; i < rows; ++i)
        text.file("f" + std::to_string(i), std::to_string(std::min(i, rows - i)));
    ASSERT_EQ(load(text.str()), 0);
    sortBy(1);
    const Names sizes = fileColumn(1);
    ASSERT_EQ(sizes.size(), static_cast<std::size_t>(rows));
    EXPECT_TRUE(std::is_sorted(sizes.begin(), sizes.end(), [](const auto& a, const auto& b) {
        return std::stoi(a) < std::stoi(b);
    }));
    EXPECT_EQ(fileColumn(0).at(0), "f0");
    EXPECT_EQ(fileColumn(0).at(1), "f1") << "equal sizes keep the grid's order";
    EXPECT_EQ(fileColumn(0).at(2), "f19999");
}

namespace {

// The file grid's quicksort written out plainly, keys looked up through the
// permutation and compared whole: the order the grid must keep.
template <typename Key, typename Index>
void plainQuickSort(std::vector<Index>& p, const std::vector<Key>& keys, std::ptrdiff_t lo,
                    std::ptrdiff_t hi, std::uint64_t& compares) {
    const Key pivot = keys[p[static_cast<std::size_t>((lo + hi) / 2)]];
    std::ptrdiff_t i = lo, j = hi;
    do {
        while (++compares, keys[p[static_cast<std::size_t>(i)]] < pivot && i < hi)
            ++i;
        while (++compares, pivot < keys[p[static_cast<std::size_t>(j)]] && j > lo)
            --j;
        if (i <= j)
            std::swap(p[static_cast<std::size_t>(i++)], p[static_cast<std::size_t>(j--)]);
    } while (i <= j);
    if (j > lo)
        plainQuickSort(p, keys, lo, j, compares);
    if (i < hi)
        plainQuickSort(p, keys, i, hi, compares);
}

template <typename Key>
std::vector<std::uint32_t> plainOrder(const std::vector<Key>& keys, std::uint64_t& compares) {
    std::vector<std::uint32_t> p(keys.size());
    std::iota(p.begin(), p.end(), 0u);
    compares = 0;
    plainQuickSort(p, keys, 0, static_cast<std::ptrdiff_t>(keys.size()) - 1, compares);
    return p;
}

template <typename Key> std::vector<std::uint32_t> plainOrder(const std::vector<Key>& keys) {
    std::uint64_t compares = 0;
    return plainOrder(keys, compares);
}

} // namespace

// Rows with many equal keys, texts that begin one another, differ beyond
// the first 24 characters or hold bytes above 127, sizes beyond 32 bits:
// every column, both ways, comes out exactly as the plain quicksort leaves
// it. Each sort starts from the listing's order, as choosing the chapter
// shows it again.
TEST_F(GridTest, SortsAsThePlainQuicksortDoes) {
    // Names that differ only in case are equal keys.
    std::vector<std::string> names;
    std::istringstream words("a AB ab abc b B \xC3\xA9 a\001b README readme data.bin Data.BIN "
                             "a/long/path/name/with/parts/1.txt A/LONG/PATH/NAME/WITH/PARTS/1.TXT "
                             "a/long/path/name/with/parts/2.txt a/long/path/name/with/parts/1.txt2 "
                             "a/long/path/name/with/parts/x.txt a/long/path/name/with/parts/_.txt");
    for (std::string word; words >> word;)
        names.push_back("dir/" + word);
    const std::vector<std::string> dates = {"1998/09/14", "1998/09/15", "2026/01/01"};
    const std::vector<std::string> times = {"06:30:00", "06:30:01", "23:59:59"};
    std::mt19937 random(42);
    const std::size_t n = 20000; // enough to be sorted on every core
    std::vector<std::string> upperNames(n), flags(n);
    std::vector<std::int64_t> size(n);
    std::vector<std::pair<std::string, std::string>> modified(n);
    DumpText text;
    text.archive(1).chapter(1);
    for (std::size_t r = 0; r < n; ++r) {
        const std::string& name = names[random() % names.size()];
        upperNames[r] = upperCase(name);
        size[r] = random() % 20 + (random() % 4 == 0 ? 5'000'000'000LL : 0);
        modified[r] = {dates[random() % dates.size()], times[random() % times.size()]};
        const int attributes = static_cast<int>(random() % 32);
        flags[r] = fileAttributeLetters(attributes);
        // The access time tells the rows apart.
        char access[20];
        std::snprintf(access, sizeof access, "2000/01/01 %02zu:%02zu:%02zu", r / 3600, r / 60 % 60,
                      r % 60);
        text.line("FILE=" + name + "\r\n  MODIFIED=" + modified[r].first + " " +
                  modified[r].second + "\r\n  LASTACCESS=" + access +
                  "\r\n  SIZE=" + std::to_string(size[r]) +
                  "\r\n  CHAPTERSRANGE=1-1\r\n  ATTRIBUTES=" + std::to_string(attributes));
    }
    ASSERT_EQ(load(text.str()), 0);

    std::vector<std::size_t> rows(n); // as the access times tell them
    std::iota(rows.begin(), rows.end(), 0);
    const std::pair<int, std::vector<std::uint32_t>> columns[] = {
        {ColName, plainOrder(upperNames)},     {ColSize, plainOrder(size)},
        {ColFlags, plainOrder(flags)},         {ColModifyTime, plainOrder(modified)},
        {ColModifyDate, plainOrder(modified)}, // date and time sort together
        {ColAccessDate, plainOrder(rows)}};
    for (const bool descending : {false, true}) {
        (descending ? f.raDescending : f.raAscending).click();
        for (const auto& [col, expected] : columns) {
            brak.contents().SelectChapter(1);
            sortBy(col);
            std::vector<std::uint32_t> order;
            for (const std::string& access : fileColumn(ColAccessTime)) {
                std::int64_t row = 0;
                timeSeconds(access, row);
                order.push_back(static_cast<std::uint32_t>(row));
            }
            if (descending)
                std::reverse(order.begin(), order.end());
            EXPECT_EQ(order, expected) << "column " << col << (descending ? ", descending" : "");
        }
    }
}

// Long ranges are partitioned a block at a time, and large lists on several
// cores; the swaps, the order of equal keys and the count of comparisons
// (where the sort gives up) stay those of the plain scans, whatever the
// shape of the keys.
TEST(FileSort, BlockScansMatchThePlainScans) {
    using Shape = std::function<std::uint32_t(std::uint32_t i, std::uint32_t n, std::uint32_t r)>;
    std::mt19937 random(5);
    const std::vector<Shape> shapes = {
        [&random](std::uint32_t, std::uint32_t, std::uint32_t r) { return random() % r; },
        [](std::uint32_t i, std::uint32_t, std::uint32_t r) { return i / (1 + r % 7); },
        [](std::uint32_t i, std::uint32_t n, std::uint32_t r) { return (n - i) % r; },
        [](std::uint32_t i, std::uint32_t n, std::uint32_t r) { return std::min(i, n - i) % r; }};
    for (int round = 0; round < 160; ++round) {
        const auto n = static_cast<std::uint32_t>(random() % (round < 120   ? 700
                                                              : round < 150 ? 4000
                                                                            : 60000) +
                                                  2);
        const std::uint32_t range = 1 + random() % std::array{3u, 50u, 100000u}[round % 3];
        std::vector<std::uint32_t> keys(n);
        for (std::uint32_t i = 0; i < n; ++i)
            keys[i] = shapes[static_cast<std::size_t>(round) % shapes.size()](i, n, range);
        std::uint64_t compares = 0;
        const std::vector<std::uint32_t> expected = plainOrder(keys, compares);

        const auto less = [&keys](std::uint32_t a, std::uint32_t b) { return keys[a] < keys[b]; };
        std::vector<std::uint32_t> p(n);
        std::iota(p.begin(), p.end(), 0u);
        ASSERT_TRUE(quickSortPermutation(p, less, compares)) << round;
        EXPECT_EQ(p, expected) << round;
        std::iota(p.begin(), p.end(), 0u);
        EXPECT_FALSE(quickSortPermutation(p, less, compares - 1)) << round;
        for (const unsigned cores : {2u, 3u}) {
            std::iota(p.begin(), p.end(), 0u);
            ASSERT_TRUE(quickSortPermutationOnCores(p, less, compares, cores)) << round;
            EXPECT_EQ(p, expected) << round << " on " << cores << " cores";
            std::iota(p.begin(), p.end(), 0u);
            EXPECT_FALSE(quickSortPermutationOnCores(p, less, compares - 1, cores)) << round;
        }
    }
}
