// The Selection tab's three lists over a real directory: the drive list, the
// directory tree and the file list show the model, and what the user picks
// in them goes to the model, names that are not UTF-8 included.
#include "ViewTest.h"
#include "base/QtText.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <filesystem>

using namespace brak;
using namespace brak::test;

namespace {

class WindowSelection : public WindowTest {
protected:
    WindowSelection() {
        for (const char* name : {"a.txt", "b.doc", "c.txt", "caf\xe9.txt"})
            platform.root.write(std::string("work/") + name, "x");
        platform.root.write("work/sub/inner.txt", "x");
        platform.root.write("work/\xff-odd/inner.txt", "x");
        platform.volumes = {{"/", "ext4", ""}, {platform.root.path(), "ext4", ""}};
        platform.cwd = work;
        brak.selection().ShowStartDirectory();
        show();
        showPage(1);
        list = widget<FileListView>(f.FileList1);
        tree = widget<DirectoryView>(f.Directory);
        drives = widget<QComboBox>(f.Drive);
    }
    QModelIndex row(int r) const { return list->model()->index(r, 0); }
    // Which rows the list shows selected.
    std::vector<bool> shown() const {
        std::vector<bool> selected;
        for (int r = 0; r < list->model()->rowCount(); ++r)
            selected.push_back(row(r).data(FileListModel::SelectedRole).toBool());
        return selected;
    }
    void clickRow(int r, Qt::KeyboardModifiers modifiers = {}) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers,
                          list->visualRect(row(r)).center());
    }
    QModelIndex treeChild(const QModelIndex& parent, const QString& name) {
        for (int r = 0; r < tree->model()->rowCount(parent); ++r) {
            QModelIndex child = tree->model()->index(r, 0, parent);
            if (child.data().toString() == name)
                return child;
        }
        return {};
    }

    const std::string work = platform.root.file("work");
    FileListView* list = nullptr;
    DirectoryView* tree = nullptr;
    QComboBox* drives = nullptr;
};

} // namespace

TEST_F(WindowSelection, TheThreeListsShowTheDirectoryBrakStartedIn) {
    ASSERT_TRUE(list && tree && drives);
    ASSERT_EQ(drives->count(), 2);
    EXPECT_EQ(drives->itemText(0), QStringLiteral("/"));
    EXPECT_EQ(drives->currentText(), qs(platform.root.path()));

    EXPECT_EQ(tree->treeModel()->path(tree->currentIndex()), work);
    EXPECT_TRUE(tree->isExpanded(tree->currentIndex()));
    EXPECT_TRUE(treeChild(tree->currentIndex(), QStringLiteral("sub")).isValid());

    ASSERT_EQ(list->model()->rowCount(), 4);
    EXPECT_EQ(row(0).data().toString(), QStringLiteral("a.txt"));
    EXPECT_EQ(fileNameFromQString(row(3).data().toString()), "caf\xe9.txt")
        << "a name that is not UTF-8 comes back as its bytes";

    f.edContentMask.setText("*.TXT");
    EXPECT_EQ(shown(), (std::vector<bool>{true, false, true, true}));
    EXPECT_EQ(widget<QLabel>(f.laSelectFile)->text(),
              QStringLiteral("File Selection (3 files in this directory)"));
}

TEST_F(WindowSelection, PickingADirectoryInTheTreeKeepsItsBytes) {
    const QModelIndex odd = treeChild(tree->currentIndex(), fileNameToQString("\xff-odd"));
    ASSERT_TRUE(odd.isValid());
    tree->setCurrentIndex(odd);
    EXPECT_EQ(f.Directory.directory(), work + "/\xff-odd");
    ASSERT_EQ(list->model()->rowCount(), 1);
    EXPECT_EQ(row(0).data().toString(), QStringLiteral("inner.txt"));

    // The program moves the directory; the tree follows, reading what came since.
    platform.root.write("work/later/deeper/file", "x");
    f.Directory.setDirectory(work + "/later/deeper");
    EXPECT_EQ(tree->treeModel()->path(tree->currentIndex()), work + "/later/deeper");

    // A directory that vanished goes when its parent is opened again.
    f.Directory.setDirectory(work);
    std::filesystem::remove_all(work + "/sub");
    tree->collapse(tree->currentIndex());
    tree->expand(tree->currentIndex());
    EXPECT_FALSE(treeChild(tree->currentIndex(), QStringLiteral("sub")).isValid());
    EXPECT_EQ(f.Directory.directory(), work) << "reading the tree again moves nothing";
}

TEST_F(WindowSelection, ClicksDragsAndKeysPickFilesForTheListFile) {
    f.edContentMask.setText("*.*");
    clickRow(1);
    EXPECT_TRUE(f.raContentList.checked()) << "a click means list-file mode";
    EXPECT_EQ(f.FileList1.selection(), (std::vector<bool>{false, true, false, false}));
    EXPECT_EQ(shown(), f.FileList1.selection());
    EXPECT_EQ(QApplication::focusWidget(), widget(f.edContentList))
        << "the list file's name is offered for editing";

    clickRow(3, Qt::ControlModifier);
    EXPECT_EQ(f.FileList1.selection(), (std::vector<bool>{false, true, false, true}));
    clickRow(1, Qt::ControlModifier);
    EXPECT_EQ(f.FileList1.selection(), (std::vector<bool>{false, false, false, true}));
    clickRow(0, Qt::ShiftModifier);
    EXPECT_EQ(f.FileList1.selection(), (std::vector<bool>{true, true, false, false}))
        << "from the last Ctrl-click to here";

    QTest::keyClick(list, Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(list, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(f.FileList1.selection(), (std::vector<bool>{false, true, true, false}));
    QTest::keyClick(list, Qt::Key_End);
    EXPECT_EQ(f.FileList1.selection(), (std::vector<bool>{false, false, false, true}));
    QTest::keyClick(list, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(f.FileList1.selectedCount(), 4u);
    EXPECT_EQ(widget<QLabel>(f.laSelectFile)->text(),
              QStringLiteral("File Selection (4 files in this directory)"));

    // Masks mode again: the mask field takes the focus and every file is selected.
    QTest::mouseClick(widget(f.raContentMask), Qt::LeftButton, {}, QPoint(8, 8));
    EXPECT_EQ(QApplication::focusWidget(), widget(f.edContentMask));
    EXPECT_EQ(widget<QLineEdit>(f.edContentMask)->text(), QStringLiteral("*.*"));
    EXPECT_EQ(shown(), std::vector<bool>(4, true));
}

TEST_F(WindowSelection, TheDriveListOffersWhatIsMountedWhenOpened) {
    platform.volumes.push_back({work, "ext4", "stick"});
    platform.volumes.push_back({"/proc", "proc", ""});
    drives->showPopup();
    drives->hidePopup();
    ASSERT_EQ(drives->count(), 3);
    EXPECT_EQ(drives->currentText(), qs(work)) << "the volume that holds the directory";
    drives->setCurrentIndex(0);
    emit drives->activated(0);
    EXPECT_EQ(f.Drive.drive(), "/");
    EXPECT_EQ(f.Directory.directory(), "/") << "a volume is entered at its root";
    EXPECT_EQ(tree->treeModel()->path(tree->currentIndex()), "/");
}

TEST_F(WindowSelection, TheFieldsRefuseASwitchAndPickAListFile) {
    auto* masks = widget<QLineEdit>(f.edContentMask);
    masks->setFocus();
    QTest::keyClicks(masks, QStringLiteral("*.txt -"));
    EXPECT_EQ(masks->text(), QStringLiteral("*.txt "));
    EXPECT_EQ(masks->cursorPosition(), 6);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].caption, "Mask Error");

    f.raContentList.click();
    dialogs.fileAnswers = {work + "/picked.lst"};
    QTest::mouseDClick(widget(f.edContentList), Qt::LeftButton);
    EXPECT_EQ(widget<QLineEdit>(f.edContentList)->text(), qs(work + "/picked.lst"));
    EXPECT_EQ(dialogs.filters, std::vector<std::string>{"Lists (*.LST)|*.LST|All Files (*.*)|*.*"});
}

TEST_F(WindowSelection, AFolderMadeAfterTheStartShowsAtOnce) {
    const QModelIndex shown = tree->currentIndex();
    ASSERT_EQ(tree->treeModel()->path(shown), work);
    std::filesystem::create_directory(work + "/made-later");
    EXPECT_TRUE(
        until([&] { return treeChild(shown, QStringLiteral("made-later")).isValid(); }, 5000))
        << "without closing and opening its parent";
}
