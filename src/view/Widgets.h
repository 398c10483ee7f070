#pragma once

#include "form/Grid.h"
#include "form/Lists.h"
#include "view/SelectionWidgets.h"

#include <QAbstractTableModel>
#include <QFont>
#include <QTableView>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

class QMimeData;
class QToolButton;

namespace brak {

// A string grid's cells as Qt reads them: asked for one cell at a time, so
// a grid of a million rows costs nothing here. The grid's fixed rows are
// the headings.
class GridModel : public QAbstractTableModel {
public:
    GridModel(const StringGrid& grid, QObject* parent);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The grid changed; Qt asks again for what it shows.
    void reload();

    // How wide a heading's text may be, by column; a heading too long for
    // it gives up characters before its sort marker, never the marker.
    std::function<int(int col)> headingRoom;
    QFont headingFont;

private:
    const StringGrid& grid_;
};

// The view of a string grid. It selects nothing by itself: a click or an
// arrow key is passed on as the cell the user picked, and the row the grid
// then holds is shown selected. The grid's fixed columns stay in view at
// the left while the rest scrolls sideways, and their cells cannot be
// picked.
class GridView : public QTableView {
public:
    explicit GridView(StringGrid& grid, QWidget* parent = nullptr);

    // Shows the grid as it is now: cells, headings, column widths, the
    // selected row, the top row when the program moved it, fixed columns.
    void sync();

    // Cell coordinates are the grid's own (the heading is row 0).
    std::function<void(int col, int row)> onSelectCell;
    std::function<void()> onClick;
    std::function<void(int col)> onHeadingClick;
    // Shift with a click or an arrow: the range now reaches this row.
    std::function<void(int row)> onSelectRangeTo;
    // A right click or the menu key, at this point on the screen.
    std::function<void(const QPoint& global)> onContextMenu;
    // A double click on a row, after its click did what a click does; the
    // row is the one under the pointer then.
    std::function<void(int row)> onDoubleClick;
    // A press on the selected rows moved far enough to drag them: what the
    // drag carries, or null for no drag. The pick of the press is dropped.
    std::function<QMimeData*()> dragData;
    // A key the grid does not move by; true when it was taken.
    std::function<bool(QKeyEvent* event)> onKey;
    // The user finished dragging column edges; the widths are columnWidth(c).
    std::function<void(const std::vector<int>& cols)> onColumnsResized;
    // Columns whose width the grid asked to fit: their contents' widths.
    std::function<void(const std::vector<int>& widths)> onColumnsFitted;

    // The width each column's contents need: its heading (with room for a
    // sort marker where the grid sorts) and the cells of the first rows.
    std::vector<int> contentWidths() const;

    // The column that takes the width the others leave of the view (never
    // less than its own): the last one unless set.
    void setFillColumn(int col);

    GridModel* gridModel() const { return model_; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyboardSearch(const QString&) override {}
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void pick(const QModelIndex& index, bool click);
    void placeFrozen();
    void fill();
    int headingRoom(int col) const;

    StringGrid& grid_;
    GridModel* model_;
    QTableView* frozen_;
    int column_ = 0;
    int shownTopRow_ = -1;
    bool pressed_ = false;
    // Where a drag of the selected rows may start; a press inside a range
    // of rows picks its cell at the release, when no drag began.
    QPoint dragStart_;
    bool dragArmed_ = false;
    QPersistentModelIndex deferredPick_;
    int fitsDone_ = 0;
    int fillColumn_ = -1;
    bool filling_ = false;
    // The columns' widths when the mouse was pressed on the headings.
    std::vector<int> pressWidths_;
};

// The small up-down button beside a number field.
class SpinWidget : public QWidget {
public:
    explicit SpinWidget(QWidget* parent = nullptr);
    QToolButton* up() const { return up_; }
    QToolButton* down() const { return down_; }

private:
    QToolButton* up_;
    QToolButton* down_;
};

} // namespace brak
