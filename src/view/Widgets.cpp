#include "view/Widgets.h"

#include "base/QtText.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDrag>
#include <QHeaderView>
#include <QItemSelection>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace brak {

// ---- GridModel ----

GridModel::GridModel(const StringGrid& grid, QObject* parent)
    : QAbstractTableModel(parent), grid_(grid) {}

int GridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : std::max(0, grid_.rowCount() - grid_.fixedRows());
}

int GridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : grid_.colCount();
}

namespace {

Qt::Alignment alignment(const StringGrid& grid, int col) {
    return (grid.rightAligned(col) ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter;
}

// The sort marker a heading ends in, " (1)" or " (2)", or empty.
QString markerOf(const QString& heading) {
    static const QRegularExpression marker(QStringLiteral(" \\(\\d\\)$"));
    const QRegularExpressionMatch found = marker.match(heading);
    return found.hasMatch() ? found.captured() : QString();
}

} // namespace

QVariant GridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return {};
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(alignment(grid_, index.column()));
    if (role != Qt::DisplayRole)
        return {};
    return fileNameToQString(grid_.cell(index.column(), index.row() + grid_.fixedRows()));
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= grid_.colCount())
        return {};
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(alignment(grid_, section));
    if (role != Qt::DisplayRole || grid_.fixedRows() <= 0)
        return {};
    QString heading = fileNameToQString(grid_.cell(section, 0));
    const int room = headingRoom ? headingRoom(section) : -1;
    const QFontMetrics metrics(headingFont);
    if (room < 0 || metrics.horizontalAdvance(heading) <= room)
        return heading;
    const QString marker = markerOf(heading);
    const QString name = heading.left(heading.size() - marker.size());
    return metrics.elidedText(name, Qt::ElideRight,
                              std::max(0, room - metrics.horizontalAdvance(marker))) +
           marker;
}

void GridModel::reload() {
    beginResetModel();
    endResetModel();
}

// ---- GridView ----

namespace {

void setUpTable(QTableView* table, int rowHeight) {
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setTabKeyNavigation(false);
    table->setWordWrap(false);
    table->verticalHeader()->hide();
    // Uniform rows keep a grid of a million rows cheap to lay out.
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->verticalHeader()->setDefaultSectionSize(rowHeight);
    table->horizontalHeader()->setSectionsClickable(false);
    table->horizontalHeader()->setHighlightSections(false);
    table->horizontalHeader()->setMinimumSectionSize(8);
    table->horizontalHeader()->setTextElideMode(Qt::ElideNone);
}

// The widest a column grows to fit its contents: a long path is better
// cut than a grid that needs scrolling for every other column.
constexpr int MaxFittedWidth = 480;
// Rows measured for a fit: a million-file chapter costs no more than this.
constexpr int MeasuredRows = 1000;

} // namespace

GridView::GridView(StringGrid& grid, QWidget* parent)
    : QTableView(parent), grid_(grid), model_(new GridModel(grid, this)),
      frozen_(new QTableView(this)) {
    int rowHeight = std::max(grid.defaultRowHeight(), fontMetrics().height() + 4);
    setUpTable(this, rowHeight);
    setModel(model_);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    // The last column fills what the others leave of the view.
    horizontalHeader()->setStretchLastSection(true);
    horizontalHeader()->viewport()->installEventFilter(this);
    model_->headingFont = horizontalHeader()->font();
    model_->headingRoom = [this](int col) { return headingRoom(col); };
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int col) {
        if (onHeadingClick)
            onHeadingClick(col);
    });

    setUpTable(frozen_, rowHeight);
    frozen_->setModel(model_);
    frozen_->setSelectionModel(selectionModel());
    frozen_->setFocusPolicy(Qt::NoFocus);
    frozen_->setFrameStyle(QFrame::NoFrame);
    frozen_->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    frozen_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    frozen_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    frozen_->viewport()->installEventFilter(this);
    frozen_->hide();
    connect(verticalScrollBar(), &QAbstractSlider::valueChanged, frozen_->verticalScrollBar(),
            &QAbstractSlider::setValue);
    connect(frozen_->verticalScrollBar(), &QAbstractSlider::valueChanged, verticalScrollBar(),
            &QAbstractSlider::setValue);
    sync();
}

void GridView::sync() {
    int across = horizontalScrollBar()->value();
    int down = verticalScrollBar()->value();
    model_->reload();
    horizontalHeader()->setSectionsClickable(static_cast<bool>(grid_.onHeadingClick));
    horizontalHeader()->setVisible(grid_.fixedRows() > 0);
    frozen_->horizontalHeader()->setVisible(grid_.fixedRows() > 0);
    for (int c = 0; c < grid_.colCount(); ++c) {
        setColumnWidth(c, grid_.colWidth(c));
        frozen_->setColumnWidth(c, grid_.colWidth(c));
        frozen_->setColumnHidden(c, c >= grid_.fixedCols());
    }
    executeDelayedItemsLayout();
    int row = grid_.row() - grid_.fixedRows();
    column_ = std::clamp(column_, std::min(grid_.fixedCols(), grid_.colCount() - 1),
                         std::max(0, grid_.colCount() - 1));
    // A placeholder row ("No Files") is no file: it never shows selected.
    if (row >= 0 && row < model_->rowCount() && !grid_.nothingListed()) {
        selectionModel()->setCurrentIndex(model_->index(row, column_),
                                          QItemSelectionModel::ClearAndSelect |
                                              QItemSelectionModel::Rows);
        const int first = std::max(grid_.rangeFirst() - grid_.fixedRows(), 0);
        const int last = std::min(grid_.rangeLast() - grid_.fixedRows(), model_->rowCount() - 1);
        if (first < last)
            selectionModel()->select(QItemSelection(model_->index(first, 0),
                                                    model_->index(last, model_->columnCount() - 1)),
                                     QItemSelectionModel::Select | QItemSelectionModel::Rows);
    } else {
        selectionModel()->clear();
    }
    horizontalScrollBar()->setValue(across);
    verticalScrollBar()->setValue(down);
    if (grid_.topRow() != shownTopRow_) {
        shownTopRow_ = grid_.topRow();
        int top = shownTopRow_ - grid_.fixedRows();
        if (top >= 0 && top < model_->rowCount())
            scrollTo(model_->index(top, 0), QAbstractItemView::PositionAtTop);
    }
    fill();
    placeFrozen();
    // Last, as it changes the grid, which shows here again.
    if (onColumnsFitted && grid_.fitRequests() != fitsDone_) {
        fitsDone_ = grid_.fitRequests();
        onColumnsFitted(contentWidths());
    }
}

int GridView::headingRoom(int col) const {
    const int margin = style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, horizontalHeader());
    return horizontalHeader()->sectionSize(col) - 2 * margin - 2;
}

std::vector<int> GridView::contentWidths() const {
    const QFontMetrics headings(horizontalHeader()->font());
    const QFontMetrics cells(font());
    const int headingMargin =
        2 * style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, horizontalHeader()) + 4;
    const int cellMargin =
        2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1) + 10;
    const int first = grid_.fixedRows();
    const int last = std::min(grid_.rowCount(), first + MeasuredRows);
    std::vector<int> widths;
    for (int c = 0; c < grid_.colCount(); ++c) {
        QString heading = grid_.fixedRows() > 0 ? fileNameToQString(grid_.cell(c, 0)) : QString();
        // Room for the marker a sort puts on the heading of a grid that sorts.
        if (grid_.onHeadingClick && markerOf(heading).isEmpty())
            heading += QStringLiteral(" (1)");
        int width = headings.horizontalAdvance(heading) + headingMargin;
        for (int r = first; r < last; ++r)
            width = std::max(width, cells.horizontalAdvance(fileNameToQString(grid_.cell(c, r))) +
                                        cellMargin);
        widths.push_back(std::min(width, MaxFittedWidth));
    }
    return widths;
}

void GridView::placeFrozen() {
    int fixed = std::min(grid_.fixedCols(), grid_.colCount());
    if (fixed <= 0) {
        frozen_->hide();
        return;
    }
    int width = 0;
    for (int c = 0; c < fixed; ++c)
        width += columnWidth(c);
    frozen_->setGeometry(frameWidth(), frameWidth(), width,
                         viewport()->height() +
                             (horizontalHeader()->isVisible() ? horizontalHeader()->height() : 0));
    frozen_->horizontalHeader()->setFixedHeight(horizontalHeader()->height());
    frozen_->verticalScrollBar()->setValue(verticalScrollBar()->value());
    frozen_->show();
    frozen_->raise();
}

void GridView::setFillColumn(int col) {
    fillColumn_ = col;
    horizontalHeader()->setStretchLastSection(false);
    // Another column dragged wider or narrower takes its width from this one.
    connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this](int section) {
        if (section != fillColumn_)
            fill();
    });
    fill();
}

void GridView::fill() {
    if (fillColumn_ < 0 || fillColumn_ >= grid_.colCount() || filling_)
        return;
    int others = 0;
    for (int c = 0; c < grid_.colCount(); ++c)
        if (c != fillColumn_ && !isColumnHidden(c))
            others += columnWidth(c);
    const int width = std::max(grid_.colWidth(fillColumn_), viewport()->width() - others);
    if (width == columnWidth(fillColumn_))
        return;
    filling_ = true;
    setColumnWidth(fillColumn_, width);
    frozen_->setColumnWidth(fillColumn_, width);
    filling_ = false;
}

void GridView::resizeEvent(QResizeEvent* event) {
    QTableView::resizeEvent(event);
    fill();
    placeFrozen();
}

void GridView::pick(const QModelIndex& index, bool click) {
    if (!index.isValid() || index.column() < grid_.fixedCols())
        return;
    column_ = index.column();
    if (onSelectCell)
        onSelectCell(index.column(), index.row() + grid_.fixedRows());
    if (click && onClick)
        onClick();
}

void GridView::mousePressEvent(QMouseEvent* event) {
    pressed_ = false;
    dragArmed_ = false;
    deferredPick_ = QPersistentModelIndex();
    QModelIndex index = indexAt(event->position().toPoint());
    // A right click on a row outside the range selects that row first, as
    // file managers do; inside, the range stays for the menu.
    if (event->button() == Qt::RightButton && grid_.rangeSelect() && index.isValid()) {
        const int row = index.row() + grid_.fixedRows();
        if ((row < grid_.rangeFirst() || row > grid_.rangeLast()) && onSelectCell) {
            setFocus(Qt::MouseFocusReason);
            column_ = std::max(index.column(), grid_.fixedCols());
            onSelectCell(column_, row);
        }
        return;
    }
    if (event->button() != Qt::LeftButton)
        return;
    setFocus(Qt::MouseFocusReason);
    if (!index.isValid() || index.column() < grid_.fixedCols())
        return;
    if ((event->modifiers() & Qt::ShiftModifier) && grid_.rangeSelect() && onSelectRangeTo) {
        onSelectRangeTo(index.row() + grid_.fixedRows());
        return;
    }
    pressed_ = true;
    if (dragData) {
        dragStart_ = event->position().toPoint();
        dragArmed_ = true;
        // Picking now would leave one row of the range to drag.
        const int row = index.row() + grid_.fixedRows();
        if (grid_.rangeFirst() < grid_.rangeLast() && row >= grid_.rangeFirst() &&
            row <= grid_.rangeLast() && event->modifiers() == Qt::NoModifier) {
            deferredPick_ = index;
            return;
        }
    }
    pick(index, false);
}

void GridView::contextMenuEvent(QContextMenuEvent* event) {
    if (onContextMenu)
        onContextMenu(event->globalPos());
    event->accept();
}

void GridView::mouseReleaseEvent(QMouseEvent* event) {
    dragArmed_ = false;
    if (event->button() == Qt::LeftButton && pressed_) {
        pressed_ = false;
        if (deferredPick_.isValid())
            pick(deferredPick_, false);
        deferredPick_ = QPersistentModelIndex();
        if (onClick)
            onClick();
    }
}

void GridView::mouseDoubleClickEvent(QMouseEvent* event) {
    mousePressEvent(event);
    if (event->button() != Qt::LeftButton || !onDoubleClick)
        return;
    const QModelIndex index = indexAt(event->position().toPoint());
    if (index.isValid())
        onDoubleClick(index.row() + grid_.fixedRows());
}

void GridView::mouseMoveEvent(QMouseEvent* event) {
    if (!dragArmed_ || !(event->buttons() & Qt::LeftButton) ||
        (event->position().toPoint() - dragStart_).manhattanLength() <
            QApplication::startDragDistance())
        return;
    dragArmed_ = false;
    pressed_ = false;
    deferredPick_ = QPersistentModelIndex();
    if (QMimeData* data = dragData ? dragData() : nullptr) {
        auto* drag = new QDrag(this);
        drag->setMimeData(data);
        drag->exec(Qt::CopyAction);
    }
}

void GridView::keyPressEvent(QKeyEvent* event) {
    CursorAction action;
    switch (event->key()) {
    case Qt::Key_Up:
        action = MoveUp;
        break;
    case Qt::Key_Down:
        action = MoveDown;
        break;
    case Qt::Key_Left:
        action = MoveLeft;
        break;
    case Qt::Key_Right:
        action = MoveRight;
        break;
    case Qt::Key_PageUp:
        action = MovePageUp;
        break;
    case Qt::Key_PageDown:
        action = MovePageDown;
        break;
    case Qt::Key_Home:
        action = MoveHome;
        break;
    case Qt::Key_End:
        action = MoveEnd;
        break;
    default:
        if (onKey && onKey(event)) {
            event->accept();
            return;
        }
        event->ignore();
        return;
    }
    if ((event->modifiers() & Qt::ShiftModifier) && grid_.rangeSelect() && onSelectRangeTo &&
        (action == MoveUp || action == MoveDown)) {
        const int end = grid_.row() == grid_.rangeFirst() ? grid_.rangeLast() : grid_.rangeFirst();
        onSelectRangeTo(end + (action == MoveUp ? -1 : 1));
        event->accept();
        return;
    }
    QModelIndex current = currentIndex();
    if (!current.isValid() && model_->rowCount() > 0)
        current = model_->index(0, column_);
    QModelIndex next = current.isValid() ? moveCursor(action, event->modifiers()) : QModelIndex();
    if (next.isValid() && next.column() < grid_.fixedCols())
        next = model_->index(next.row(), grid_.fixedCols());
    if (next.isValid() && next != current) {
        pick(next, true);
        scrollTo(currentIndex());
    }
    event->accept();
}

bool GridView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == frozen_->viewport()) {
        // The fixed columns' cells cannot be picked.
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
            return true;
        default:
            break;
        }
    } else if (watched == horizontalHeader()->viewport() &&
               event->type() == QEvent::MouseButtonPress) {
        pressWidths_.clear();
        for (int c = 0; c < grid_.colCount(); ++c)
            pressWidths_.push_back(columnWidth(c));
    } else if (watched == horizontalHeader()->viewport() &&
               event->type() == QEvent::MouseButtonRelease) {
        // The columns the user dragged. The column that fills the view
        // follows the others, so it counts only when nothing else moved.
        std::vector<int> dragged;
        const int count = std::min<int>(grid_.colCount(), static_cast<int>(pressWidths_.size()));
        const int filler = fillColumn_ >= 0 && fillColumn_ < count ? fillColumn_ : count - 1;
        for (int c = 0; c < count; ++c)
            if (c != filler && columnWidth(c) != pressWidths_[static_cast<std::size_t>(c)])
                dragged.push_back(c);
        if (dragged.empty() && count > 0 &&
            columnWidth(filler) != pressWidths_[static_cast<std::size_t>(filler)])
            dragged.push_back(filler);
        pressWidths_.clear();
        if (!dragged.empty() && onColumnsResized)
            onColumnsResized(dragged);
        placeFrozen();
    }
    return QTableView::eventFilter(watched, event);
}

// ---- SpinWidget ----

SpinWidget::SpinWidget(QWidget* parent)
    : QWidget(parent), up_(new QToolButton(this)), down_(new QToolButton(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (QToolButton* button : {up_, down_}) {
        button->setAutoRepeat(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setFixedWidth(16);
        // Two halves of one field's height; the arrows shrink to fit.
        button->setMinimumHeight(6);
        button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
        layout->addWidget(button);
    }
    up_->setArrowType(Qt::UpArrow);
    down_->setArrowType(Qt::DownArrow);
    up_->setObjectName(QStringLiteral("up"));
    down_->setObjectName(QStringLiteral("down"));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

} // namespace brak
