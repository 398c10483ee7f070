// What users of desktop archive managers expect of the window, tried on the
// real widgets: headings that sort, a filter for the file grid, columns that
// fit a listing, picker buttons, the usual keys, dropped files and pastes.
#include "ListingFixture.h"
#include "ViewTest.h"
#include "config/ConfigFile.h"
#include "core/JarCommand.h"
#include "ui/FieldChecks.h"
#include "view/Widgets.h"

#include <QCheckBox>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QTableView>
#include <QToolButton>
#include <QUrl>

using namespace brak;
using namespace brak::test;

namespace {

// The main window with a Jar that lists whatever dump the test sets.
class WindowPolish : public WindowTest {
protected:
    WindowPolish() {
        WriteGridHeadings(f.stChapter, f.stFile);
        f.Directory.setDirectory(dir.path());
        platform.onStart = [this](const ProcessRequest& request) {
            const std::string& quoted = request.args.at(3);
            writeFile(quoted.substr(1, quoted.size() - 2), dump);
            StartResult started;
            started.child = std::make_unique<FakeChild>(0);
            return started;
        };
        show();
        showPage(0);
    }

    void list(const std::string& text, const std::string& archive = "ARC.J") {
        dump = text;
        dir.resize(archive, 1000);
        f.edArchive.setText(archive);
        ASSERT_EQ(brak.contents().LoadContents(), 0);
    }
    GridView* grid(const StringGrid& control) { return widget<GridView>(control); }
    QStringList shownColumn(const StringGrid& control, int col) {
        QStringList texts;
        QAbstractItemModel* model = grid(control)->model();
        for (int row = 0; row < model->rowCount(); ++row)
            texts << model->index(row, col).data().toString();
        return texts;
    }
    QString heading(const StringGrid& control, int col) {
        return grid(control)->model()->headerData(col, Qt::Horizontal).toString();
    }
    void clickHeading(QHeaderView* header, int col) {
        const QPoint centre(header->sectionViewportPosition(col) + header->sectionSize(col) / 2,
                            header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, centre);
    }
    QToolButton* picker(const Control& field) {
        return window->findChild<QToolButton*>(qs(field.name() + "Picker"));
    }
    // Presses the keys of a paste the way a hand does: Ctrl down, V down
    // and up, Ctrl up.
    void pasteInto(QWidget* field, const QString& text) {
        QGuiApplication::clipboard()->setText(text);
        QTest::keyPress(field, Qt::Key_Control);
        QTest::keyPress(field, Qt::Key_V, Qt::ControlModifier);
        QTest::keyRelease(field, Qt::Key_V, Qt::ControlModifier);
        QTest::keyRelease(field, Qt::Key_Control);
    }

    TempDir dir;
    std::string dump;
};

} // namespace

TEST_F(WindowPolish, AHeadingClickSortsMixedCaseNamesAsTheListingAlwaysDid) {
    list(DumpText()
             .archive(1)
             .chapter(1)
             .file("data.bin", "30")
             .file("README", "1")
             .file("apple.c", "200")
             .file("Zoo.txt", "4")
             .str());
    QHeaderView* header = grid(f.stFile)->horizontalHeader();
    clickHeading(header, 0);
    EXPECT_EQ(shownColumn(f.stFile, 0),
              (QStringList{QStringLiteral("apple.c"), QStringLiteral("data.bin"),
                           QStringLiteral("README"), QStringLiteral("Zoo.txt")}))
        << "by their upper-case forms, shown as they are";
    EXPECT_EQ(heading(f.stFile, 0), QStringLiteral("Filename (1)"));
    clickHeading(header, 1);
    EXPECT_EQ(shownColumn(f.stFile, 1), (QStringList{QStringLiteral("1"), QStringLiteral("4"),
                                                     QStringLiteral("30"), QStringLiteral("200")}));
    EXPECT_EQ(heading(f.stFile, 0), QStringLiteral("Filename (2)"));
    EXPECT_EQ(heading(f.stFile, 1), QStringLiteral("Size (1)"));

    // Locked, the name column's heading sorts nothing.
    f.chFileLock.click();
    QTableView* frozen = nullptr;
    for (auto* table : grid(f.stFile)->findChildren<QTableView*>())
        if (table->isVisible())
            frozen = table;
    ASSERT_TRUE(frozen);
    clickHeading(frozen->horizontalHeader(), 0);
    EXPECT_EQ(f.stFile.cell(0, 0), "Filename (2)");
    EXPECT_EQ(f.stFile.cell(1, 0), "Size (1)");
}

TEST_F(WindowPolish, TheFilterNarrowsTheFilesAndClearingGivesThemBack) {
    list(mixedListing());
    QAbstractItemModel* files = grid(f.stFile)->model();
    auto everything = [files] {
        QStringList cells;
        for (int row = 0; row < files->rowCount(); ++row)
            for (int col = 0; col < files->columnCount(); ++col)
                cells << files->index(row, col).data().toString();
        return cells;
    };
    const QStringList whole = everything();
    auto* label = widget<QLabel>(f.laFileDetail);
    EXPECT_EQ(label->text(), QStringLiteral("File Details (30 files)"));

    auto* filter = widget<QLineEdit>(f.edFilter);
    ASSERT_TRUE(filter && filter->isVisible());
    filter->setFocus();
    QTest::keyClicks(filter, QStringLiteral("LOG"));
    EXPECT_EQ(shownColumn(f.stFile, 0),
              (QStringList{QStringLiteral("zebra.log"), QStringLiteral("images/Logo.png"),
                           QStringLiteral("build.log")}));
    EXPECT_EQ(label->text(), QStringLiteral("File Details (3 of 30 files)"));
    filter->selectAll();
    QTest::keyClicks(filter, QStringLiteral("*.C"));
    EXPECT_EQ(shownColumn(f.stFile, 0),
              (QStringList{QStringLiteral("apple.c"), QStringLiteral("src/main.c"),
                           QStringLiteral("src/Util.c")}));

    filter->selectAll();
    QTest::keyClick(filter, Qt::Key_Delete);
    EXPECT_EQ(f.edFilter.text(), "");
    EXPECT_EQ(everything(), whole);
    EXPECT_EQ(label->text(), QStringLiteral("File Details (30 files)"));
}

TEST_F(WindowPolish, TheStatusBarFollowsASwitchTickedInTheWindow) {
    f.edArchive.setText("/arc/TEST.J");
    showPage(3);
    const QString before = window->statusText()->text();
    EXPECT_EQ(before, QStringLiteral("JAR32.EXE a \"/arc/TEST.J\"  "));
    QWidget* recurse = widget(f.chRecurse);
    QTest::mouseClick(recurse, Qt::LeftButton, {}, QPoint(8, recurse->height() / 2));
    EXPECT_TRUE(f.chRecurse.checked());
    EXPECT_EQ(window->statusText()->text(), before + QStringLiteral("-r "));
    QTest::mouseClick(recurse, Qt::LeftButton, {}, QPoint(8, recurse->height() / 2));
    EXPECT_EQ(window->statusText()->text(), before);
}

TEST_F(WindowPolish, AListingSizesTheColumnsAndAlignsTheNumbers) {
    GridView* files = grid(f.stFile);
    EXPECT_FALSE(files->selectionModel()->hasSelection()) << "nothing listed, nothing selected";
    window->resize(1400, 700);
    f.stFile.setColWidth(3, 33); // dragged by the user before the listing
    const QString longName = QStringLiteral("images/holiday/2024/a-rather-long-name.jpeg");
    list(DumpText()
             .archive(1)
             .chapter(1)
             .file(longName.toStdString(), "123456789012")
             .file("a", "7")
             .str());
    QApplication::processEvents();
    QHeaderView* header = files->horizontalHeader();
    const QFontMetrics cells(files->font()), headings(header->font());
    EXPECT_GT(files->columnWidth(0), cells.horizontalAdvance(longName));
    EXPECT_LT(files->columnWidth(2), 90) << "Flags needs less than the designed width";
    EXPECT_EQ(files->columnWidth(3), 33) << "a width the user set stays";
    for (int col = 0; col < 9; ++col) {
        EXPECT_EQ(f.stFile.colWidth(col), files->columnWidth(col)) << "the model holds it";
        if (col != 3) {
            EXPECT_GE(files->columnWidth(col),
                      headings.horizontalAdvance(heading(f.stFile, col) + QStringLiteral(" (1)")))
                << "room for a marker in column " << col;
        }
    }
    EXPECT_EQ(header->sectionViewportPosition(9) + header->sectionSize(9),
              files->viewport()->width())
        << "the last column fills the view";
    EXPECT_TRUE(files->selectionModel()->isRowSelected(0, {}));

    auto aligned = [&](int col) {
        return files->model()->index(0, col).data(Qt::TextAlignmentRole).value<Qt::Alignment>() &
               Qt::AlignHorizontal_Mask;
    };
    EXPECT_EQ(aligned(1), Qt::AlignRight) << "sizes";
    EXPECT_EQ(aligned(9), Qt::AlignRight) << "chapters";
    EXPECT_EQ(aligned(0), Qt::AlignLeft);
    EXPECT_EQ(
        grid(f.stChapter)->model()->index(0, 0).data(Qt::TextAlignmentRole).value<Qt::Alignment>() &
            Qt::AlignHorizontal_Mask,
        Qt::AlignRight);

    // However narrow its column, a sorted heading keeps its marker.
    f.stFile.headingClick(3);
    EXPECT_TRUE(heading(f.stFile, 3).endsWith(QStringLiteral(" (1)")));
    EXPECT_FALSE(heading(f.stFile, 3).startsWith(QStringLiteral("Modify Date")));

    brak.contents().SelectChapter(4);
    EXPECT_EQ(shownColumn(f.stFile, 0), QStringList{QStringLiteral("No Files")});
    EXPECT_FALSE(files->selectionModel()->hasSelection()) << "the placeholder is no file";
}

TEST_F(WindowPolish, EveryPickerFieldHasAButtonThatPicksAsADoubleClickDoes) {
    int buttons = 0;
    for (Control* control : f.controls())
        if (auto* field = dynamic_cast<Edit*>(control)) {
            EXPECT_EQ(picker(*field) != nullptr, static_cast<bool>(field->onDoubleClick))
                << field->name();
            buttons += picker(*field) != nullptr;
        }
    EXPECT_EQ(buttons, 16) << "eleven file and directory fields, five colours";

    showPage(4);
    QToolButton* output = picker(f.edOutput);
    EXPECT_FALSE(output->isEnabled()) << "off with its field";
    f.chOutput.setChecked(true);
    ASSERT_TRUE(output->isEnabled());
    dialogs.fileAnswers.push_back("/home/user/out/any.file");
    QTest::mouseClick(output, Qt::LeftButton);
    EXPECT_EQ(f.edOutput.text(), "/home/user/out");
    EXPECT_EQ(dialogs.filters.back(), AnyFileFilter);

    showPage(2);
    QTest::mouseClick(picker(f.edColourError), Qt::LeftButton);
    EXPECT_EQ(dialogs.colourStarts.size(), 1u) << "the colour dialog";

    showPage(0);
    dump = DumpText().archive(1).chapter(1).file("inside.txt", "1").str();
    dir.resize("picked.j", 100);
    dialogs.fileAnswers.push_back(dir.file("picked.j"));
    QTest::mouseClick(picker(f.edArchive), Qt::LeftButton);
    EXPECT_EQ(f.edArchive.text(), dir.file("picked.j"));
    EXPECT_EQ(f.stFile.cell(0, 1), "inside.txt") << "and listed";
}

TEST_F(WindowPolish, TheUsualKeysReachTheirMenuItems) {
    QTest::keyClick(window.get(), Qt::Key_O, Qt::ControlModifier);
    ASSERT_EQ(dialogs.filters.size(), 1u);
    EXPECT_EQ(dialogs.filters.back(), LoadConfigurationFilter);
    QTest::keyClick(window.get(), Qt::Key_S, Qt::ControlModifier);
    ASSERT_EQ(dialogs.filters.size(), 2u);
    EXPECT_EQ(dialogs.filters.back(), SaveConfigurationFilter);
    QTest::keyClick(window.get(), Qt::Key_F1);
    EXPECT_EQ(dialogs.abouts.size(), 1u);
    EXPECT_FALSE(f.Window.closed());
    QTest::keyClick(window.get(), Qt::Key_Q, Qt::ControlModifier);
    EXPECT_TRUE(f.Window.closed());
}

TEST_F(WindowPolish, ADroppedFileOpensAsTheProgramsArgumentDoes) {
    auto drop = [&](QWidget* target, const std::string& name) {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(qs(name))});
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(target, &enter);
        if (!enter.isAccepted())
            return false;
        QDropEvent dropped(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(window.get(), &dropped);
        return dropped.isAccepted();
    };
    dump = DumpText().archive(1).chapter(1).file("dropped.txt", "12").str();
    dir.resize("backup.j", 100);
    EXPECT_TRUE(drop(widget(f.edArchive), dir.file("backup.j"))) << "a field passes it on";
    EXPECT_EQ(f.edArchive.text(), dir.file("backup.j"));
    EXPECT_EQ(shownColumn(f.stFile, 0), QStringList{QStringLiteral("dropped.txt")});

    dir.write("mine.cfg", ";[Brak]Archive=\r\n");
    EXPECT_TRUE(drop(window.get(), dir.file("mine.cfg")));
    EXPECT_EQ(window->windowTitle(), qs("Brak [" + dir.file("mine.cfg") + "]"))
        << "a configuration file is loaded";
    EXPECT_FALSE(drop(window.get(), dir.path())) << "a folder is refused";
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(WindowPolish, APasteIntoANumberFieldRaisesOneMessageAndLosesNoKey) {
    showPage(2);
    auto* memory = widget<QLineEdit>(f.loMemoryFlat);
    memory->setFocus();
    memory->end(false);
    pasteInto(memory, QStringLiteral("12ab"));
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, "'409612ab' is not a valid integer value.");
    EXPECT_EQ(memory->text(), QStringLiteral("4096")) << "the paste is refused whole";
    EXPECT_EQ(f.loMemoryFlat.text(), "4096");

    QTest::keyClicks(memory, QStringLiteral("1"));
    EXPECT_EQ(f.loMemoryFlat.text(), "40961");
    EXPECT_EQ(f.loMemoryFlat.Value(), 40961);
    pasteInto(memory, QStringLiteral("23"));
    EXPECT_EQ(memory->text(), QStringLiteral("4096123"));
    EXPECT_EQ(f.loMemoryFlat.Value(), 4096123) << "taken at the keys' release";
    QTest::keyClick(memory, Qt::Key_Backspace);
    EXPECT_EQ(f.loMemoryFlat.Value(), 409612);
    EXPECT_EQ(dialogs.boxes.size(), 1u);
}
