#include "view/SelectionWidgets.h"

#include "base/QtText.h"
#include "platform/Platform.h"
#include "selection/Selection.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyle>
#include <QStyledItemDelegate>
#include <algorithm>
#include <dirent.h>
#include <sys/stat.h>

namespace brak {

bool readSubdirectories(const std::string& directory, std::vector<std::string>& names) {
    names.clear();
    DIR* dir = ::opendir(directory.c_str());
    if (!dir)
        return false;
    const int dirFd = ::dirfd(dir);
    while (const dirent* item = ::readdir(dir)) {
        const std::string_view name = item->d_name;
        if (name == "." || name == "..")
            continue;
        bool isDirectory = item->d_type == DT_DIR;
        if (item->d_type == DT_LNK || item->d_type == DT_UNKNOWN) {
            struct stat info {};
            isDirectory = ::fstatat(dirFd, item->d_name, &info, 0) == 0 && S_ISDIR(info.st_mode);
        }
        if (isDirectory)
            names.emplace_back(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return fileNameLess(a, b); });
    return true;
}

// ---- DriveBox ----

void DriveBox::showPopup() {
    if (onDropDown)
        onDropDown();
    QComboBox::showPopup();
}

// ---- DirectoryTreeModel ----

struct DirectoryTreeModel::Node {
    std::string name;
    Node* parent = nullptr;
    int row = 0;
    bool read = false;
    bool stale = false; // closed since it was read
    std::vector<std::unique_ptr<Node>> children;

    void renumber(std::size_t from = 0) {
        for (std::size_t i = from; i < children.size(); ++i)
            children[i]->row = static_cast<int>(i);
    }
};

DirectoryTreeModel::DirectoryTreeModel(QObject* parent)
    : QAbstractItemModel(parent), root_(std::make_unique<Node>()),
      folder_(QApplication::style()->standardIcon(QStyle::SP_DirIcon)),
      watcher_(new QFileSystemWatcher(this)) {
    root_->read = true;
    connect(watcher_, &QFileSystemWatcher::directoryChanged, this, [this](const QString& changed) {
        if (Node* n = known(fileNameFromQString(changed)); n && n->read)
            refresh(indexOf(n));
    });
    auto top = std::make_unique<Node>();
    top->name = std::string(1, PathSeparator);
    top->parent = root_.get();
    root_->children.push_back(std::move(top));
}

DirectoryTreeModel::~DirectoryTreeModel() = default;

DirectoryTreeModel::Node* DirectoryTreeModel::node(const QModelIndex& index) const {
    return index.isValid() ? static_cast<Node*>(index.internalPointer()) : root_.get();
}

QModelIndex DirectoryTreeModel::indexOf(Node* n) const {
    return n == root_.get() ? QModelIndex() : createIndex(n->row, 0, n);
}

QModelIndex DirectoryTreeModel::index(int row, int column, const QModelIndex& parent) const {
    const Node* p = node(parent);
    if (column != 0 || row < 0 || row >= static_cast<int>(p->children.size()))
        return {};
    return createIndex(row, 0, p->children[static_cast<std::size_t>(row)].get());
}

QModelIndex DirectoryTreeModel::parent(const QModelIndex& child) const {
    if (!child.isValid())
        return {};
    return indexOf(node(child)->parent);
}

int DirectoryTreeModel::rowCount(const QModelIndex& parent) const {
    if (parent.column() > 0)
        return 0;
    return static_cast<int>(node(parent)->children.size());
}

int DirectoryTreeModel::columnCount(const QModelIndex&) const {
    return 1;
}

QVariant DirectoryTreeModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return {};
    if (role == Qt::DisplayRole)
        return fileNameToQString(node(index)->name);
    if (role == Qt::DecorationRole)
        return folder_;
    return {};
}

bool DirectoryTreeModel::hasChildren(const QModelIndex& parent) const {
    const Node* n = node(parent);
    // Until it is opened, every directory may hold others: looking into
    // each one to know would cost a read per directory shown.
    return !n->read || !n->children.empty();
}

bool DirectoryTreeModel::canFetchMore(const QModelIndex& parent) const {
    return !node(parent)->read;
}

void DirectoryTreeModel::fetchMore(const QModelIndex& parent) {
    read(node(parent));
}

std::string DirectoryTreeModel::path(const Node* n) const {
    if (n->parent == root_.get() || n == root_.get())
        return n->name;
    return joinPath(path(n->parent), n->name);
}

std::string DirectoryTreeModel::path(const QModelIndex& index) const {
    return index.isValid() ? path(node(index)) : std::string();
}

void DirectoryTreeModel::read(Node* n) {
    if (n->read)
        return;
    n->read = true;
    watcher_->addPath(fileNameToQString(path(n)));
    std::vector<std::string> names;
    readSubdirectories(path(n), names);
    if (names.empty()) {
        // The expand mark goes.
        const QModelIndex index = indexOf(n);
        emit dataChanged(index, index);
        return;
    }
    beginInsertRows(indexOf(n), 0, static_cast<int>(names.size()) - 1);
    n->children.reserve(names.size());
    for (std::string& name : names) {
        auto item = std::make_unique<Node>();
        item->name = std::move(name);
        item->parent = n;
        n->children.push_back(std::move(item));
    }
    n->renumber();
    endInsertRows();
}

void DirectoryTreeModel::refresh(const QModelIndex& index) {
    Node* n = node(index);
    if (!n->read)
        return;
    std::vector<std::string> names;
    readSubdirectories(path(n), names);
    const auto less = [](const std::string& a, const std::string& b) { return fileNameLess(a, b); };
    for (int r = static_cast<int>(n->children.size()) - 1; r >= 0; --r) {
        if (std::binary_search(names.begin(), names.end(),
                               n->children[static_cast<std::size_t>(r)]->name, less))
            continue;
        beginRemoveRows(index, r, r);
        n->children.erase(n->children.begin() + r);
        n->renumber(static_cast<std::size_t>(r));
        endRemoveRows();
    }
    for (const std::string& name : names)
        if (!child(n, name))
            insert(n, name);
}

void DirectoryTreeModel::closed(const QModelIndex& index) {
    node(index)->stale = true;
}

void DirectoryTreeModel::opened(const QModelIndex& index) {
    Node* n = node(index);
    if (n->stale) {
        n->stale = false;
        refresh(index);
    }
}

DirectoryTreeModel::Node* DirectoryTreeModel::child(Node* parent, const std::string& name) const {
    auto at = std::lower_bound(parent->children.begin(), parent->children.end(), name,
                               [](const std::unique_ptr<Node>& c, const std::string& n) {
                                   return fileNameLess(c->name, n);
                               });
    return at != parent->children.end() && (*at)->name == name ? at->get() : nullptr;
}

DirectoryTreeModel::Node* DirectoryTreeModel::insert(Node* parent, const std::string& name) {
    auto at = std::lower_bound(parent->children.begin(), parent->children.end(), name,
                               [](const std::unique_ptr<Node>& c, const std::string& n) {
                                   return fileNameLess(c->name, n);
                               });
    const int row = static_cast<int>(at - parent->children.begin());
    beginInsertRows(indexOf(parent), row, row);
    auto item = std::make_unique<Node>();
    item->name = name;
    item->parent = parent;
    Node* made = item.get();
    parent->children.insert(at, std::move(item));
    parent->renumber(static_cast<std::size_t>(row));
    endInsertRows();
    return made;
}

DirectoryTreeModel::Node* DirectoryTreeModel::known(const std::string& directory) const {
    if (directory.empty() || directory[0] != PathSeparator)
        return nullptr;
    Node* n = root_->children.front().get();
    for (std::size_t start = 1; n && start < directory.size();) {
        std::size_t end = directory.find(PathSeparator, start);
        if (end == std::string::npos)
            end = directory.size();
        if (end > start)
            n = child(n, directory.substr(start, end - start));
        start = end + 1;
    }
    return n;
}

QModelIndex DirectoryTreeModel::find(const std::string& directory) {
    if (directory.empty() || directory[0] != PathSeparator)
        return {};
    Node* n = root_->children.front().get();
    std::size_t start = 1;
    while (start < directory.size()) {
        std::size_t end = directory.find(PathSeparator, start);
        if (end == std::string::npos)
            end = directory.size();
        if (end > start) {
            const std::string name = directory.substr(start, end - start);
            read(n);
            Node* next = child(n, name);
            if (!next) {
                refresh(indexOf(n));
                next = child(n, name);
            }
            if (!next) {
                // A directory whose parent may be entered but not read.
                struct stat info {};
                const std::string way = directory.substr(0, end);
                if (::stat(way.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
                    return {};
                next = insert(n, name);
            }
            n = next;
        }
        start = end + 1;
    }
    return indexOf(n);
}

// ---- DirectoryView ----

DirectoryView::DirectoryView(DirectoryList& list, QWidget* parent)
    : QTreeView(parent), list_(list), model_(new DirectoryTreeModel(this)) {
    setModel(model_);
    setHeaderHidden(true);
    setUniformRowHeights(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                if (syncing_ || !current.isValid() || !onChoose)
                    return;
                onChoose(model_->path(current));
            });
    // A directory opened again is read again: what vanished or came since
    // shows. The model's directory is shown again if reading moved the tree off it.
    connect(this, &QTreeView::collapsed, this,
            [this](const QModelIndex& index) { model_->closed(index); });
    connect(this, &QTreeView::expanded, this, [this](const QModelIndex& index) {
        const bool syncing = syncing_;
        syncing_ = true;
        model_->opened(index);
        syncing_ = syncing;
        if (!syncing && model_->path(currentIndex()) != list_.directory())
            sync();
    });
    sync();
}

void DirectoryView::sync() {
    syncing_ = true;
    const QModelIndex index = model_->find(list_.directory());
    if (index.isValid()) {
        for (QModelIndex up = index.parent(); up.isValid(); up = up.parent())
            expand(up);
        if (currentIndex() != index)
            selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
        expand(index);
        scrollTo(index);
    } else {
        selectionModel()->clear();
    }
    syncing_ = false;
}

// ---- FileListModel ----

FileListModel::FileListModel(const FileList& list, QObject* parent)
    : QAbstractListModel(parent), list_(list) {}

int FileListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(list_.items().size());
}

QVariant FileListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const auto row = static_cast<std::size_t>(index.row());
    if (role == Qt::DisplayRole)
        return fileNameToQString(list_.items()[row]);
    if (role == SelectedRole)
        return list_.selected(row);
    return {};
}

void FileListModel::reload() {
    beginResetModel();
    endResetModel();
}

// ---- FileListView ----

namespace {

// Paints an entry as selected when the model holds it selected.
class ModelSelectionDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        if (index.data(FileListModel::SelectedRole).toBool())
            option->state |= QStyle::State_Selected;
        else
            option->state &= ~QStyle::State_Selected;
    }
};

} // namespace

FileListView::FileListView(FileList& list, QWidget* parent)
    : QListView(parent), list_(list), model_(new FileListModel(list, this)) {
    setModel(model_);
    setItemDelegate(new ModelSelectionDelegate(this));
    setSelectionMode(QAbstractItemView::NoSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setUniformItemSizes(true);
    sync();
}

void FileListView::sync() {
    if (list_.itemsVersion() != shownItems_) {
        shownItems_ = list_.itemsVersion();
        model_->reload();
        anchor_ = -1;
    } else {
        viewport()->update();
    }
    if (list_.topIndexVersion() != shownTop_) {
        shownTop_ = list_.topIndexVersion();
        const int top = list_.topIndex();
        if (top >= 0 && top < model_->rowCount())
            scrollTo(model_->index(top), QAbstractItemView::PositionAtTop);
    }
}

void FileListView::setCurrentRow(int row) {
    selectionModel()->setCurrentIndex(model_->index(row), QItemSelectionModel::NoUpdate);
}

void FileListView::choose(std::vector<bool> selected) {
    if (onSelect)
        onSelect(std::move(selected));
}

void FileListView::extendTo(int row) {
    std::vector<bool> selected = base_;
    selected.resize(list_.items().size(), false);
    const int from = std::min(anchor_, row), to = std::max(anchor_, row);
    for (int r = std::max(from, 0); r <= to; ++r)
        selected[static_cast<std::size_t>(r)] = rangeState_;
    lastRow_ = row;
    choose(std::move(selected));
}

void FileListView::mousePressEvent(QMouseEvent* event) {
    dragging_ = false;
    if (event->button() != Qt::LeftButton)
        return;
    setFocus(Qt::MouseFocusReason);
    const QModelIndex index = indexAt(event->position().toPoint());
    if (!index.isValid())
        return;
    const int row = index.row();
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    const bool control = modifiers & Qt::ControlModifier;
    setCurrentRow(row);
    dragging_ = true;
    if (modifiers & Qt::ShiftModifier) {
        // From the anchor to here, on top of what was selected with Ctrl.
        base_ = control ? list_.selection() : std::vector<bool>();
        if (anchor_ < 0 || anchor_ >= model_->rowCount())
            anchor_ = row;
        rangeState_ = true;
        extendTo(row);
        return;
    }
    anchor_ = row;
    if (control) {
        base_ = list_.selection();
        rangeState_ = !list_.selected(static_cast<std::size_t>(row));
    } else {
        base_.clear();
        rangeState_ = true;
    }
    extendTo(row);
}

void FileListView::mouseMoveEvent(QMouseEvent* event) {
    if (!dragging_ || !(event->buttons() & Qt::LeftButton))
        return;
    const QModelIndex index = indexAt(event->position().toPoint());
    if (!index.isValid() || index.row() == lastRow_)
        return;
    setCurrentRow(index.row());
    extendTo(index.row());
}

void FileListView::mouseReleaseEvent(QMouseEvent*) {
    dragging_ = false;
}

void FileListView::mouseDoubleClickEvent(QMouseEvent* event) {
    mousePressEvent(event);
}

void FileListView::keyPressEvent(QKeyEvent* event) {
    const int rows = model_->rowCount();
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    const bool control = modifiers & Qt::ControlModifier;
    if (rows == 0) {
        QListView::keyPressEvent(event);
        return;
    }
    if (event->matches(QKeySequence::SelectAll)) {
        choose(std::vector<bool>(static_cast<std::size_t>(rows), true));
        return;
    }
    const int current = currentIndex().isValid() ? currentIndex().row() : -1;
    if (event->key() == Qt::Key_Space && current >= 0) {
        std::vector<bool> selected;
        if (control) {
            selected = list_.selection();
            selected[static_cast<std::size_t>(current)] = !list_.selected(current);
        } else {
            selected.assign(static_cast<std::size_t>(rows), false);
            selected[static_cast<std::size_t>(current)] = true;
        }
        anchor_ = current;
        choose(std::move(selected));
        return;
    }
    CursorAction action;
    switch (event->key()) {
    case Qt::Key_Up:
        action = MoveUp;
        break;
    case Qt::Key_Down:
        action = MoveDown;
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
        QListView::keyPressEvent(event);
        return;
    }
    QModelIndex next = current < 0 ? model_->index(0) : moveCursor(action, modifiers);
    if (!next.isValid())
        return;
    setCurrentRow(next.row());
    scrollTo(next);
    if (control && !(modifiers & Qt::ShiftModifier))
        return; // the current entry moves, the selection stays
    if (modifiers & Qt::ShiftModifier) {
        base_ = control ? list_.selection() : std::vector<bool>();
        if (anchor_ < 0 || anchor_ >= rows)
            anchor_ = current < 0 ? next.row() : current;
    } else {
        base_.clear();
        anchor_ = next.row();
    }
    rangeState_ = true;
    extendTo(next.row());
}

} // namespace brak
