#pragma once

#include "form/Control.h"

#include <algorithm>
#include <memory>

namespace brak {

// Where a grid keeps its cells. The plain store holds a text per cell; a
// grid with a million rows gets a compact store of its own.
class GridStore {
public:
    virtual ~GridStore() = default;
    virtual int rowCount() const = 0;
    virtual void setRowCount(int rows) = 0;
    virtual std::string cell(int col, int row) const = 0;
    virtual void setCell(int col, int row, const std::string& text) = 0;
    // Rearranges rows first.. so that new row first + r holds old row
    // first + order[r]. A store that cannot do it cheaply returns false and
    // the grid moves the cells one by one.
    virtual bool permuteRows(int first, const std::vector<std::uint32_t>& order);
};

class VectorGridStore : public GridStore {
public:
    VectorGridStore(int cols, int rows);
    int rowCount() const override { return static_cast<int>(rows_.size()); }
    void setRowCount(int rows) override;
    std::string cell(int col, int row) const override;
    void setCell(int col, int row, const std::string& text) override;

private:
    int cols_;
    std::vector<std::vector<std::string>> rows_;
};

// A text grid: fixed heading rows and columns, a selected row, the top
// visible row and adjustable column widths. Cell changes are batched: the
// observers hear of them once, when the outermost update ends.
//
// A column's width is either set (by the user dragging its edge, or by the
// layout file), and then kept, or fitted: fitColumns asks the view, which
// knows the fonts, to size the other columns to their contents; it gives
// the widths back through fitColWidth, so the grid always holds the widths
// the window shows.
class StringGrid : public Control {
public:
    StringGrid(Form* form, std::string name, int cols, int rows, Panel* parent = nullptr);

    int colCount() const { return cols_; }
    int rowCount() const { return store_->rowCount(); }
    void setRowCount(int rows);

    std::string cell(int col, int row) const { return store_->cell(col, row); }
    void setCell(int col, int row, const std::string& text);

    int fixedRows() const { return fixedRows_; }
    void setFixedRows(int rows);
    int fixedCols() const { return fixedCols_; }
    void setFixedCols(int cols);

    // The selected row and the first row shown below the fixed rows.
    int row() const { return row_; }
    void setRow(int row);
    int topRow() const { return topRow_; }
    void setTopRow(int row);
    // A grid with range selection selects the rows between the selected
    // row and another one; a new selected row starts a range of its own.
    bool rangeSelect() const { return rangeSelect_; }
    void setRangeSelect(bool range) { rangeSelect_ = range; }
    int rangeFirst() const { return std::min(row_, rangeEnd_); }
    int rangeLast() const { return std::max(row_, rangeEnd_); }
    // Extends the range from the selected row to this one (clamped to the
    // rows below the heading); without range selection it does nothing.
    void selectRangeTo(int row);

    int colWidth(int col) const { return colWidths_.at(static_cast<std::size_t>(col)); }
    void setColWidth(int col, int width);
    bool colWidthSet(int col) const { return widthSet_.at(static_cast<std::size_t>(col)); }
    // A width fitted to the contents; a column whose width was set keeps it.
    void fitColWidth(int col, int width);
    void fitColumns();
    int fitRequests() const { return fitRequests_; }
    int defaultRowHeight() const { return 16; }

    // A column of numbers shows them right-aligned, heading included.
    bool rightAligned(int col) const { return rightAligned_.at(static_cast<std::size_t>(col)); }
    void setRightAligned(int col, bool right);

    // The rows below the heading list nothing: they are empty, or hold a
    // placeholder such as "No Files". No row of them shows selected.
    bool nothingListed() const { return nothingListed_; }
    void setNothingListed(bool nothing);

    GridStore& store() { return *store_; }
    const GridStore& store() const { return *store_; }
    void setStore(std::unique_ptr<GridStore> store);
    // Rearranges rows first.. as GridStore::permuteRows says; order must be a
    // permutation of 0..n-1 with first + n <= rowCount().
    void permuteRows(int first, const std::vector<std::uint32_t>& order);
    // The store was filled directly, behind the grid's back: tells the observers.
    void storeChanged() { changed(); }

    // What the user does: a click, and selecting a cell (which the handler
    // may refuse by clearing allow).
    void click() {
        if (onClick)
            onClick();
    }
    void selectCell(int col, int row);
    // A click on the heading of a column.
    void headingClick(int col) {
        if (onHeadingClick)
            onHeadingClick(col);
    }

    Handler onClick;
    Event<int, int, bool&> onSelectCell; // column, row, allow
    Event<int> onHeadingClick;           // column

private:
    friend class GridUpdate;
    void beginUpdate() { ++updating_; }
    void endUpdate();
    void changed();

    int cols_;
    std::unique_ptr<GridStore> store_;
    int fixedRows_ = 1, fixedCols_ = 0;
    int row_ = 1, topRow_ = 1;
    int rangeEnd_ = 1;
    bool rangeSelect_ = false;
    std::vector<int> colWidths_;
    std::vector<bool> widthSet_;
    std::vector<bool> rightAligned_;
    int fitRequests_ = 0;
    bool nothingListed_ = false;
    int updating_ = 0;
    bool dirty_ = false;
};

// Batches a grid's changes for as long as it lives: the observers hear of
// them once, when the outermost batch ends, however it ends.
class GridUpdate {
public:
    explicit GridUpdate(StringGrid& grid) : grid_(grid) { grid_.beginUpdate(); }
    ~GridUpdate() { grid_.endUpdate(); }
    GridUpdate(const GridUpdate&) = delete;
    GridUpdate& operator=(const GridUpdate&) = delete;

private:
    StringGrid& grid_;
};

} // namespace brak
