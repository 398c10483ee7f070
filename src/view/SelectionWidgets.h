#pragma once

#include "form/Lists.h"

#include <QAbstractItemModel>
#include <QAbstractListModel>
#include <QComboBox>
#include <QFileSystemWatcher>
#include <QIcon>
#include <QListView>
#include <QTreeView>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace brak {

// The directories directly below a directory, sorted as the tree shows
// them. Names only: the entry types the file system gives spare a look at
// each entry, so a directory of a hundred thousand files reads quickly.
// False when the directory cannot be read.
bool readSubdirectories(const std::string& directory, std::vector<std::string>& names);

// The drive list; opening it asks the model for the volumes mounted now.
class DriveBox : public QComboBox {
public:
    using QComboBox::QComboBox;
    void showPopup() override;
    std::function<void()> onDropDown;
};

// Every directory of the machine as a tree under "/", read a directory at a
// time when it is first opened, names kept as the bytes they are.
class DirectoryTreeModel : public QAbstractItemModel {
public:
    explicit DirectoryTreeModel(QObject* parent);
    ~DirectoryTreeModel() override;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

    // The directory an item stands for.
    std::string path(const QModelIndex& index) const;
    // The item of an absolute directory, reading the directories on its
    // way (again, where one has changed since); invalid when there is none.
    QModelIndex find(const std::string& directory);
    // Reads an opened directory again: vanished directories go, new ones come.
    void refresh(const QModelIndex& index);
    // A directory closed in the tree is read again when it is opened again.
    void closed(const QModelIndex& index);
    void opened(const QModelIndex& index);

private:
    struct Node;
    Node* node(const QModelIndex& index) const;
    QModelIndex indexOf(Node* node) const;
    std::string path(const Node* node) const;
    void read(Node* node);
    Node* child(Node* parent, const std::string& name) const;
    Node* insert(Node* parent, const std::string& name);
    // The node of a directory already in the tree, or null; reads nothing.
    Node* known(const std::string& directory) const;

    std::unique_ptr<Node> root_; // invisible; its one child is "/"
    QIcon folder_;
    // Every directory read is watched, so that one made or removed in it
    // later shows at once.
    QFileSystemWatcher* watcher_;
};

// The directory tree of the Selection tab; the current item is the model's
// directory.
class DirectoryView : public QTreeView {
public:
    explicit DirectoryView(DirectoryList& list, QWidget* parent = nullptr);
    void sync();
    DirectoryTreeModel* treeModel() const { return model_; }
    // The user picked a directory.
    std::function<void(const std::string& directory)> onChoose;

private:
    DirectoryList& list_;
    DirectoryTreeModel* model_;
    bool syncing_ = false;
};

// The entries of a file list and which of them are selected, read when Qt
// paints them: only the rows on the screen cost anything.
class FileListModel : public QAbstractListModel {
public:
    static constexpr int SelectedRole = Qt::UserRole + 1;
    FileListModel(const FileList& list, QObject* parent);
    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    void reload();

private:
    const FileList& list_;
};

// The file list of the Selection tab, several entries selectable at once.
// The selection is the model's alone: the view paints it from there and
// turns clicks, drags and keys into a new selection for the model, so
// selecting every other one of a hundred thousand files costs no more than
// selecting one.
class FileListView : public QListView {
public:
    explicit FileListView(FileList& list, QWidget* parent = nullptr);
    void sync();
    // The user made a new selection: one state per entry.
    std::function<void(std::vector<bool> selected)> onSelect;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // From the anchor to row, on top of the selection the gesture began with.
    void extendTo(int row);
    void setCurrentRow(int row);
    void choose(std::vector<bool> selected);

    FileList& list_;
    FileListModel* model_;
    std::uint64_t shownItems_ = ~std::uint64_t{0};
    std::uint64_t shownTop_ = ~std::uint64_t{0};
    int anchor_ = -1;
    int lastRow_ = -1;
    bool dragging_ = false;
    bool rangeState_ = true;
    std::vector<bool> base_;
};

} // namespace brak
