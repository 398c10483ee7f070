#include "form/Grid.h"

#include <algorithm>
#include <stdexcept>

namespace brak {

bool GridStore::permuteRows(int, const std::vector<std::uint32_t>&) {
    return false;
}

VectorGridStore::VectorGridStore(int cols, int rows)
    : cols_(cols), rows_(static_cast<std::size_t>(rows), std::vector<std::string>(cols)) {}

void VectorGridStore::setRowCount(int rows) {
    rows_.resize(static_cast<std::size_t>(std::max(0, rows)), std::vector<std::string>(cols_));
}

std::string VectorGridStore::cell(int col, int row) const {
    if (row < 0 || row >= rowCount() || col < 0 || col >= cols_)
        return {};
    return rows_[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)];
}

void VectorGridStore::setCell(int col, int row, const std::string& text) {
    if (row < 0 || col < 0 || col >= cols_)
        return;
    if (row >= rowCount())
        setRowCount(row + 1);
    rows_[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)] = text;
}

StringGrid::StringGrid(Form* form, std::string name, int cols, int rows, Panel* parent)
    : Control(form, std::move(name), parent), cols_(cols),
      store_(std::make_unique<VectorGridStore>(cols, rows)),
      colWidths_(static_cast<std::size_t>(cols), 90), widthSet_(static_cast<std::size_t>(cols)),
      rightAligned_(static_cast<std::size_t>(cols)) {}

void StringGrid::setRowCount(int rows) {
    store_->setRowCount(rows);
    changed();
}

void StringGrid::setCell(int col, int row, const std::string& text) {
    store_->setCell(col, row, text);
    changed();
}

void StringGrid::setFixedRows(int rows) {
    fixedRows_ = rows;
    changed();
}

void StringGrid::setFixedCols(int cols) {
    fixedCols_ = cols;
    changed();
}

void StringGrid::setRow(int row) {
    row_ = row;
    rangeEnd_ = row;
    changed();
}

void StringGrid::selectRangeTo(int row) {
    if (!rangeSelect_ || rowCount() <= fixedRows_)
        return;
    rangeEnd_ = std::clamp(row, fixedRows_, rowCount() - 1);
    changed();
}

void StringGrid::setTopRow(int row) {
    topRow_ = row;
    changed();
}

void StringGrid::setColWidth(int col, int width) {
    if (col < 0 || col >= cols_)
        return;
    colWidths_[static_cast<std::size_t>(col)] = width;
    widthSet_[static_cast<std::size_t>(col)] = true;
    changed();
}

void StringGrid::fitColWidth(int col, int width) {
    if (col < 0 || col >= cols_ || widthSet_[static_cast<std::size_t>(col)] ||
        colWidths_[static_cast<std::size_t>(col)] == width)
        return;
    colWidths_[static_cast<std::size_t>(col)] = width;
    changed();
}

void StringGrid::fitColumns() {
    ++fitRequests_;
    changed();
}

void StringGrid::setRightAligned(int col, bool right) {
    if (col < 0 || col >= cols_ || rightAligned_[static_cast<std::size_t>(col)] == right)
        return;
    rightAligned_[static_cast<std::size_t>(col)] = right;
    changed();
}

void StringGrid::setNothingListed(bool nothing) {
    if (nothingListed_ == nothing)
        return;
    nothingListed_ = nothing;
    changed();
}

void StringGrid::setStore(std::unique_ptr<GridStore> store) {
    store_ = std::move(store);
    changed();
}

void StringGrid::permuteRows(int first, const std::vector<std::uint32_t>& order) {
    const auto n = static_cast<int>(order.size());
    if (first < 0 || n > rowCount() - first)
        throw std::out_of_range("permuteRows: rows outside the grid");
    if (!store_->permuteRows(first, order)) {
        std::vector<std::vector<std::string>> old(order.size());
        for (int r = 0; r < n; ++r)
            for (int c = 0; c < cols_; ++c)
                old[static_cast<std::size_t>(r)].push_back(store_->cell(c, first + r));
        for (int r = 0; r < n; ++r)
            for (int c = 0; c < cols_; ++c)
                store_->setCell(
                    c, first + r,
                    old.at(order[static_cast<std::size_t>(r)])[static_cast<std::size_t>(c)]);
    }
    changed();
}

void StringGrid::endUpdate() {
    if (updating_ > 0 && --updating_ == 0 && dirty_) {
        dirty_ = false;
        notify();
    }
}

void StringGrid::selectCell(int col, int row) {
    bool allow = true;
    if (onSelectCell)
        onSelectCell(col, row, allow);
    if (allow)
        setRow(row);
}

void StringGrid::changed() {
    if (updating_ > 0) {
        dirty_ = true;
        return;
    }
    notify();
}

} // namespace brak
