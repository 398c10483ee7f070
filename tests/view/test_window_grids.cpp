// The grids and the date pickers mirror their controls, and what the user
// picks goes to the model, which decides.
#include "ViewTest.h"

#include <QDateTimeEdit>
#include <QHeaderView>
#include <QScrollBar>

using namespace brak;
using namespace brak::test;

namespace {

// A grid store that makes its cells up and counts how many were read.
class CountingStore : public GridStore {
public:
    explicit CountingStore(int rows) : rows_(rows) {}
    int rowCount() const override { return rows_; }
    void setRowCount(int rows) override { rows_ = rows; }
    std::string cell(int col, int row) const override {
        ++reads;
        return row == 0 ? "Heading " + std::to_string(col) : std::to_string(row * 10 + col);
    }
    void setCell(int, int, const std::string&) override {}
    mutable long reads = 0;

private:
    int rows_;
};

class WindowGrids : public WindowTest {
protected:
    WindowGrids() {
        WriteGridHeadings(brak.form().stChapter, brak.form().stFile);
        show();
        showPage(0);
    }
    void fillFiles(int rows) {
        GridUpdate update(f.stFile);
        f.stFile.setNothingListed(false);
        f.stFile.setRowCount(rows + 1);
        for (int r = 1; r <= rows; ++r)
            for (int c = 0; c < 10; ++c)
                f.stFile.setCell(c, r, "f" + std::to_string(r) + "." + std::to_string(c));
    }
    static QPoint cellCentre(GridView* view, int row, int col) {
        return view->visualRect(view->model()->index(row, col)).center();
    }
};

} // namespace

TEST_F(WindowGrids, AMillionRowsAreReadOnlyAsFarAsTheyShow) {
    auto store = std::make_unique<CountingStore>(1'000'001);
    CountingStore* counting = store.get();
    f.stFile.setStore(std::move(store));
    QApplication::processEvents();
    GridView* files = grid(f.stFile);
    EXPECT_EQ(files->model()->rowCount(), 1'000'000);
    files->repaint();
    EXPECT_LT(counting->reads, 5000) << "only the rows on screen are read";
    EXPECT_EQ(files->model()->index(999'999, 3).data(), QStringLiteral("10000003"));
}

TEST_F(WindowGrids, PickingACellGoesThroughTheModel) {
    // A grid of its own, whose events this test wires.
    Form form;
    StringGrid lone(&form, "stLone", 10, 6);
    for (int r = 1; r <= 5; ++r)
        for (int c = 0; c < 10; ++c)
            lone.setCell(c, r, "f" + std::to_string(r) + "." + std::to_string(c));
    QWidget holder;
    Binding binding(dialogs, &holder);
    GridView* files = binding.grid(lone);
    files->setParent(&holder);
    holder.resize(800, 300);
    files->resize(800, 300);
    holder.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&holder));

    std::vector<std::pair<int, int>> picked;
    bool allow = true;
    lone.onSelectCell.wire([&](int col, int row, bool& ok) {
        picked.emplace_back(col, row);
        ok = allow;
    });
    int clicks = 0;
    lone.onClick.wire([&] { ++clicks; });
    QTest::mouseClick(files->viewport(), Qt::LeftButton, {}, cellCentre(files, 2, 1));
    ASSERT_EQ(picked.size(), 1u);
    EXPECT_EQ(picked[0], (std::pair<int, int>{1, 3})) << "the grid's own row, under its heading";
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(lone.row(), 3);
    EXPECT_EQ(files->currentIndex().row(), 2);
    EXPECT_TRUE(files->selectionModel()->isRowSelected(2, {}));

    // Refused by the handler, the selection stays where it was.
    allow = false;
    QTest::mouseClick(files->viewport(), Qt::LeftButton, {}, cellCentre(files, 4, 1));
    EXPECT_EQ(lone.row(), 3);
    EXPECT_TRUE(files->selectionModel()->isRowSelected(2, {}));
    EXPECT_FALSE(files->selectionModel()->isRowSelected(4, {}));

    // The keyboard picks cells the same way.
    allow = true;
    files->setFocus();
    QTest::keyClick(files, Qt::Key_Down);
    EXPECT_EQ(picked.back(), (std::pair<int, int>{1, 4}));
    EXPECT_EQ(lone.row(), 4);
    EXPECT_EQ(clicks, 3);
    const std::pair<Qt::Key, std::pair<int, int>> moves[] = {
        {Qt::Key_Up, {1, 3}},   {Qt::Key_Right, {2, 3}},    {Qt::Key_End, {9, 3}},
        {Qt::Key_Home, {0, 3}}, {Qt::Key_PageDown, {0, 5}}, {Qt::Key_PageUp, {0, 1}}};
    for (const auto& [key, cell] : moves) {
        QTest::keyClick(files, key);
        EXPECT_EQ(picked.back(), cell) << key;
    }
}

TEST_F(WindowGrids, TheSelectedRowAndTopRowFollowTheProgram) {
    fillFiles(200);
    GridView* files = grid(f.stFile);
    f.stFile.setRow(7);
    EXPECT_TRUE(files->selectionModel()->isRowSelected(6, {}));
    f.stFile.setTopRow(120);
    QApplication::processEvents();
    EXPECT_EQ(files->rowAt(0), 119);
    // Other changes leave the scrolling where the user put it.
    files->verticalScrollBar()->setValue(40);
    f.stFile.setCell(0, 1, "changed");
    EXPECT_EQ(files->rowAt(0), 40);
}

TEST_F(WindowGrids, PickingAFileCellSortsByItsColumnExceptAFixedOne) {
    fillFiles(5);
    GridView* files = grid(f.stFile);
    auto overlay = [files] {
        for (auto* table : files->findChildren<QTableView*>())
            if (table != files && table->isVisible())
                return table;
        return static_cast<QTableView*>(nullptr);
    };
    EXPECT_FALSE(overlay());
    f.stFile.setFixedCols(1);
    QTableView* frozen = overlay();
    ASSERT_TRUE(frozen);
    EXPECT_EQ(frozen->width(), files->columnWidth(0));
    files->horizontalScrollBar()->setValue(files->horizontalScrollBar()->maximum());
    EXPECT_TRUE(frozen->isVisible()) << "the name column stays while the rest scrolls";

    // The frozen column's cells cannot be picked, so they never sort.
    QTest::mouseClick(frozen->viewport(), Qt::LeftButton, {}, QPoint(10, 5));
    files->horizontalScrollBar()->setValue(0);
    files->setFocus();
    QTest::keyClick(files, Qt::Key_Left);
    EXPECT_EQ(f.stFile.cell(0, 0), "Filename");
    f.stFile.setFixedCols(0);
    EXPECT_FALSE(overlay());
    QTest::mouseClick(files->viewport(), Qt::LeftButton, {}, cellCentre(files, 2, 1));
    EXPECT_EQ(f.stFile.cell(1, 0), "Size (1)");
    EXPECT_EQ(files->model()->headerData(1, Qt::Horizontal), QStringLiteral("Size (1)"));
}

TEST_F(WindowGrids, ColumnWidthsFollowTheModelAndTheUser) {
    GridView* chapters = grid(f.stChapter);
    EXPECT_EQ(chapters->columnWidth(3), 90);
    f.stChapter.setColWidth(3, 140);
    EXPECT_EQ(chapters->columnWidth(3), 140);
    // The user drags a column edge; the model takes the width when the
    // mouse is let go.
    QWidget* headings = chapters->horizontalHeader()->viewport();
    QTest::mousePress(headings, Qt::LeftButton, {}, QPoint(1, 1));
    chapters->horizontalHeader()->resizeSection(1, 55);
    EXPECT_EQ(f.stChapter.colWidth(1), 90);
    QTest::mouseRelease(headings, Qt::LeftButton, {}, QPoint(1, 1));
    EXPECT_EQ(f.stChapter.colWidth(1), 55);
    EXPECT_TRUE(f.stChapter.colWidthSet(1));
    EXPECT_EQ(f.stChapter.colWidth(3), 140);
    EXPECT_EQ(f.stChapter.colWidth(5), 90) << "the last column only fills the view";
    EXPECT_FALSE(f.stChapter.colWidthSet(5));
}

TEST_F(WindowGrids, DatePickersShowTheirValueAndKind) {
    showPage(5);
    auto* after = widget<QDateTimeEdit>(f.daAfter);
    ASSERT_TRUE(after);
    f.daAfter.SetValue({2021, 3, 4, 5, 6, 7});
    EXPECT_EQ(after->dateTime(), QDateTime(QDate(2021, 3, 4), QTime(5, 6, 7)));
    EXPECT_TRUE(after->displayedSections() & QDateTimeEdit::DaySection);
    f.daAfter.setKind(TDTEdit::Kind::Time);
    EXPECT_FALSE(after->displayedSections() & QDateTimeEdit::DaySection);
    EXPECT_TRUE(after->displayedSections() & QDateTimeEdit::MinuteSection);
    // What the user sets goes to the model.
    f.daAfter.setEnabled(true);
    after->setDateTime(QDateTime(QDate(2022, 12, 31), QTime(23, 59, 0)));
    EXPECT_EQ(f.daAfter.GetValue(), (DateTime{2022, 12, 31, 23, 59, 0}));
    // Typed characters reach the picker's key handler.
    std::string typed;
    f.daAfter.onKeyPress.wire([&](char c) { typed += c; });
    after->setFocus();
    QTest::keyClick(after, Qt::Key_1);
    EXPECT_EQ(typed, "1");
}
