// The filter above the file grid: which names pass, how it narrows the shown
// chapter, and that clearing it, sorts made meanwhile included, gives back
// the grid exactly as it would be without it.
#include "ListingFixture.h"
#include "contents/FileFilter.h"
#include "contents/FileGrid.h"

using namespace brak;
using brak::test::DumpText;

namespace {

using Names = std::vector<std::string>;

class FilterTest : public test::ListingTest {
protected:
    FilterTest() {
        DumpText text;
        text.archive(2).chapter(1).chapter(2);
        const std::pair<const char*, const char*> files[] = {
            {"docs/README.txt", "10"}, {"src/main.c", "300"},   {"notes.TXT", "10"},
            {"data.bin", "5"},         {"src/Readme.md", "10"}, {"zeta.txt", "70"}};
        for (const auto& [name, size] : files)
            text.file(name, size, "1998/09/14 06:30:00", "2-2");
        text.file("old.txt", "1", "1998/09/14 06:30:00", "1-1");
        EXPECT_EQ(load(text.str()), 0);
    }
    // Every cell below the heading, row by row, and the headings.
    std::vector<Names> grid() const {
        std::vector<Names> rows{headings(f.stFile)};
        for (int row = 1; row < f.stFile.rowCount(); ++row) {
            Names cells;
            for (int col = 0; col < f.stFile.colCount(); ++col)
                cells.push_back(f.stFile.cell(col, row));
            rows.push_back(cells);
        }
        return rows;
    }
};

} // namespace

TEST(FileFilter, TextAnywhereIgnoringCaseOrMasks) {
    const struct {
        const char* filter;
        const char* name;
        bool passes;
    } cases[] = {
        {"", "anything", true},
        {"read", "docs/README.txt", true},
        {"READ", "src/Readme.md", true},
        {"md", "README.txt", false},
        {"e.t", "README.txt", true},
        {" ", "my file", true},
        {" ", "myfile", false},
        {"\xC3\xA9t\xC3\xA9", "\xC3\x89T\xC3\x89.txt", true}, // été in ÉTÉ
        {"k", "\xE2\x84\xAA.txt", true},                      // the Kelvin sign folds to K
        {"f",
         "\xFF"
         "f",
         true}, // a stray byte is a character
        {"\xFF", "a\xFF", true},
        {"*.txt", "notes.TXT", true},
        {"*.txt", "notes.txt.bak", false},
        {"a?c", "abc", true},
        {"a?c", "xabc", false},
        {"*.md *.c", "src/main.c", true}, // masks as on the Selection tab
        {"README.*", "readme", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FileFilter(c.filter).matches(c.name), c.passes) << c.filter << " / " << c.name;
}

TEST_F(FilterTest, NarrowsTheShownChapterAndClearsBackExactly) {
    const std::vector<Names> whole = grid();
    EXPECT_FALSE(f.stFile.nothingListed());
    f.edFilter.setText("read");
    EXPECT_EQ(fileColumn(), (Names{"docs/README.txt", "src/Readme.md"}));
    EXPECT_EQ(fileColumn(9), (Names{"2", "2"}));
    EXPECT_EQ(f.laFileDetail.caption(), "File Details (2 of 6 files)");
    f.edFilter.setText("*.txt");
    EXPECT_EQ(fileColumn(), (Names{"docs/README.txt", "notes.TXT", "zeta.txt"}));
    EXPECT_EQ(f.laFileDetail.caption(), "File Details (3 of 6 files)");

    f.edFilter.setText("nothing like it");
    EXPECT_EQ(fileColumn(), Names{"No Files"});
    EXPECT_TRUE(f.stFile.nothingListed()) << "the placeholder never shows selected";
    EXPECT_EQ(f.laFileDetail.caption(), "File Details (0 of 6 files)");

    // Another chapter is narrowed too; the filter stays.
    f.stChapter.selectCell(0, 1);
    f.stChapter.click();
    f.edFilter.setText("TXT");
    EXPECT_EQ(fileColumn(), Names{"old.txt"});
    EXPECT_EQ(f.laFileDetail.caption(), "File Details (1 of 1 files)");
    brak.contents().SelectChapter(2);
    f.edFilter.setText("");
    EXPECT_EQ(grid(), whole);
    EXPECT_EQ(f.laFileDetail.caption(), "File Details (6 files)");
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(FilterTest, SortsWhileNarrowedAreTheSortsOfTheWholeChapter) {
    // The same sorts, with and without the filter, from the listing's
    // order: equal sizes show the quicksort's own order, which depends on
    // every row it sorts.
    auto sorts = [&] {
        f.stFile.selectCell(1, 1);
        f.raDescending.click();
        f.stFile.headingClick(0);
        f.raAscending.click();
        f.stFile.headingClick(1);
    };
    brak.contents().SelectChapter(2);
    sorts();
    const std::vector<Names> unfiltered = grid();

    brak.contents().SelectChapter(2);
    f.edFilter.setText("e");
    sorts();
    EXPECT_EQ(fileColumn(), (Names{"notes.TXT", "docs/README.txt", "src/Readme.md", "zeta.txt"}))
        << "what is shown comes out sorted";
    EXPECT_EQ(fileColumn(1), (Names{"10", "10", "10", "70"}));
    EXPECT_EQ(f.laFileDetail.caption(), "File Details (4 of 6 files)");
    f.edFilter.setText("");
    EXPECT_EQ(grid(), unfiltered);
}

TEST_F(FilterTest, ASortThatFailsLeavesTheGridNarrowed) {
    // The first file of a listing without a size has none to sort by.
    DumpText text;
    text.archive(1).chapter(1);
    text.line("FILE=nosize.txt").line("  CHAPTERSRANGE=1-1").line("  ATTRIBUTES=1");
    text.file("other.txt", "4").file("third.bin", "5");
    ASSERT_EQ(load(text.str()), 0);
    f.edFilter.setText("TXT");
    EXPECT_THROW(f.stFile.headingClick(1), Error);
    EXPECT_EQ(fileColumn(), (Names{"nosize.txt", "other.txt"}));
    EXPECT_EQ(f.stFile.cell(1, 0), "Size (1)") << "the markers had moved";
    EXPECT_EQ(f.laFileDetail.caption(), "File Details (2 of 3 files)");
}
