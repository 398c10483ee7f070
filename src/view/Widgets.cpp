#include "view/Widgets.h"

#include "base/QtText.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSignalBlocker>
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

QVariant GridModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid())
        return {};
    return fileNameToQString(grid_.cell(index.column(), index.row() + grid_.fixedRows()));
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal)
        return {};
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    if (role != Qt::DisplayRole || grid_.fixedRows() <= 0)
        return {};
    return fileNameToQString(grid_.cell(section, 0));
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
}

} // namespace

GridView::GridView(StringGrid& grid, QWidget* parent)
    : QTableView(parent), grid_(grid), model_(new GridModel(grid, this)),
      frozen_(new QTableView(this)) {
    int rowHeight = std::max(grid.defaultRowHeight(), fontMetrics().height() + 4);
    setUpTable(this, rowHeight);
    setModel(model_);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->viewport()->installEventFilter(this);

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
    if (row >= 0 && row < model_->rowCount())
        selectionModel()->setCurrentIndex(model_->index(row, column_),
                                          QItemSelectionModel::ClearAndSelect |
                                              QItemSelectionModel::Rows);
    else
        selectionModel()->clear();
    horizontalScrollBar()->setValue(across);
    verticalScrollBar()->setValue(down);
    if (grid_.topRow() != shownTopRow_) {
        shownTopRow_ = grid_.topRow();
        int top = shownTopRow_ - grid_.fixedRows();
        if (top >= 0 && top < model_->rowCount())
            scrollTo(model_->index(top, 0), QAbstractItemView::PositionAtTop);
    }
    placeFrozen();
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

void GridView::resizeEvent(QResizeEvent* event) {
    QTableView::resizeEvent(event);
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
    if (event->button() != Qt::LeftButton)
        return;
    setFocus(Qt::MouseFocusReason);
    QModelIndex index = indexAt(event->position().toPoint());
    if (!index.isValid() || index.column() < grid_.fixedCols())
        return;
    pressed_ = true;
    pick(index, false);
}

void GridView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && pressed_) {
        pressed_ = false;
        if (onClick)
            onClick();
    }
}

void GridView::mouseDoubleClickEvent(QMouseEvent* event) {
    mousePressEvent(event);
}

void GridView::mouseMoveEvent(QMouseEvent*) {}

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
        event->ignore();
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
               event->type() == QEvent::MouseButtonRelease) {
        bool resized = false;
        for (int c = 0; c < grid_.colCount(); ++c)
            resized = resized || columnWidth(c) != grid_.colWidth(c);
        if (resized && onColumnsResized)
            onColumnsResized();
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
