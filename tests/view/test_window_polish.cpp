// What users of desktop archive managers expect of the window, tried on the
// real widgets: headings that sort, a filter for the file grid, columns that
// fit a listing, picker buttons, the usual keys, dropped files and pastes.
#include "FakeConsole.h"
#include "ListingFixture.h"
#include "ViewTest.h"
#include "config/ConfigFile.h"
#include "ui/FieldChecks.h"

#include <QAction>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QToolButton>
#include <QUrl>

using namespace brak;
using namespace brak::test;

namespace {

using Texts = std::vector<std::string>;

// The main window with a Jar that lists whatever dump the test sets.
class WindowPolish : public WindowTest {
protected:
    WindowPolish() {
        WriteGridHeadings(f.stChapter, f.stFile);
        f.Directory.setDirectory(dir.path());
        jarListsDump();
        show();
        showPage(0);
    }

    void list(const std::string& text) {
        dump = text;
        dir.resize("ARC.J", 1000);
        f.edArchive.setText("ARC.J");
        ASSERT_EQ(brak.contents().LoadContents(), 0);
    }
    Texts files(int col = 0) { return shownColumn(grid(f.stFile), col); }
    QString heading(int col) {
        return grid(f.stFile)->model()->headerData(col, Qt::Horizontal).toString();
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
    EXPECT_EQ(files(), (Texts{"apple.c", "data.bin", "README", "Zoo.txt"}))
        << "by their upper-case forms, shown as they are";
    EXPECT_EQ(heading(0), QStringLiteral("Filename (1)"));
    clickHeading(header, 1);
    EXPECT_EQ(files(1), (Texts{"1", "4", "30", "200"}));
    EXPECT_EQ(heading(0), QStringLiteral("Filename (2)"));
    EXPECT_EQ(heading(1), QStringLiteral("Size (1)"));

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
    const Texts names = files(), sizes = files(1);
    auto* label = widget<QLabel>(f.laFileDetail);
    EXPECT_EQ(label->text(), QStringLiteral("File Details (30 files)"));

    auto* filter = widget<QLineEdit>(f.edFilter);
    ASSERT_TRUE(filter && filter->isVisible());
    filter->setFocus();
    QTest::keyClicks(filter, QStringLiteral("LOG"));
    EXPECT_EQ(files(), (Texts{"zebra.log", "images/Logo.png", "build.log"}));
    EXPECT_EQ(label->text(), QStringLiteral("File Details (3 of 30 files)"));
    filter->selectAll();
    QTest::keyClicks(filter, QStringLiteral("*.C"));
    EXPECT_EQ(files(), (Texts{"apple.c", "src/main.c", "src/Util.c"}));

    filter->selectAll();
    QTest::keyClick(filter, Qt::Key_Delete);
    EXPECT_EQ(f.edFilter.text(), "");
    EXPECT_EQ(files(), names);
    EXPECT_EQ(files(1), sizes);
    EXPECT_EQ(label->text(), QStringLiteral("File Details (30 files)"));
}

TEST_F(WindowPolish, AListingSizesTheColumnsAndAlignsTheNumbers) {
    GridView* view = grid(f.stFile);
    EXPECT_FALSE(view->selectionModel()->hasSelection()) << "nothing listed, nothing selected";
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
    QHeaderView* header = view->horizontalHeader();
    const QFontMetrics cells(view->font()), headings(header->font());
    EXPECT_GT(view->columnWidth(0), cells.horizontalAdvance(longName));
    EXPECT_LT(view->columnWidth(2), 90) << "Flags needs less than the designed width";
    EXPECT_EQ(view->columnWidth(3), 33) << "a width the user set stays";
    for (int col = 0; col < 10; ++col) {
        if (col != 0) {
            EXPECT_EQ(f.stFile.colWidth(col), view->columnWidth(col)) << "the model holds it";
        }
        if (col != 3) {
            EXPECT_GE(view->columnWidth(col),
                      headings.horizontalAdvance(heading(col) + QStringLiteral(" (1)")))
                << "room for a marker in column " << col;
        }
    }
    EXPECT_EQ(header->sectionViewportPosition(9) + header->sectionSize(9),
              view->viewport()->width())
        << "the columns fill the view";
    EXPECT_GT(view->columnWidth(0), f.stFile.colWidth(0)) << "the names take the spare width";
    EXPECT_TRUE(view->selectionModel()->isRowSelected(0, {}));

    auto aligned = [](const QTableView* table, int col) {
        return table->model()->index(0, col).data(Qt::TextAlignmentRole).value<Qt::Alignment>() &
               Qt::AlignHorizontal_Mask;
    };
    EXPECT_EQ(aligned(view, 1), Qt::AlignRight) << "sizes";
    EXPECT_EQ(aligned(view, 9), Qt::AlignRight) << "chapters";
    EXPECT_EQ(aligned(view, 0), Qt::AlignLeft);
    EXPECT_EQ(aligned(grid(f.stChapter), 0), Qt::AlignRight);

    // However narrow its column, a sorted heading keeps its marker.
    f.stFile.headingClick(3);
    EXPECT_TRUE(heading(3).endsWith(QStringLiteral(" (1)")));
    EXPECT_FALSE(heading(3).startsWith(QStringLiteral("Modify Date")));

    brak.contents().SelectChapter(4);
    EXPECT_EQ(files(), Texts{"No Files"});
    EXPECT_FALSE(view->selectionModel()->hasSelection()) << "the placeholder is no file";
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
    QTest::mouseClick(picker(f.edColourError), Qt::LeftButton); // cancelled
    dialogs.colourAnswers = {0x00008000};
    QTest::mouseClick(picker(f.edColourError), Qt::LeftButton);
    EXPECT_EQ(dialogs.colourStarts, (std::vector<std::uint32_t>{0x000000FF, 0x000000FF}));
    EXPECT_EQ(widget(f.edColourError)->palette().color(QPalette::Base), QColor(0, 128, 0));

    showPage(0);
    dump = DumpText().archive(1).chapter(1).file("inside.txt", "1").str();
    dir.resize("picked.j", 100);
    dialogs.fileAnswers.push_back(dir.file("picked.j"));
    QTest::mouseClick(picker(f.edArchive), Qt::LeftButton);
    EXPECT_EQ(f.edArchive.text(), dir.file("picked.j"));
    EXPECT_EQ(f.stFile.cell(0, 1), "inside.txt") << "and listed";
    dialogs.fileAnswers.push_back(dir.file("new.j"));
    QTest::mouseClick(picker(f.edArchive), Qt::LeftButton);
    EXPECT_EQ(f.edArchive.text(), dir.file("new.j")) << "a name for the Add command to create";
    EXPECT_EQ(dialogs.namings, 2);
    EXPECT_TRUE(dialogs.boxes.empty()) << "nothing to list yet";
}

TEST_F(WindowPolish, TheUsualKeysReachTheirMenuItems) {
    int helps = 0;
    f.Contents3.onClick.wire([&] { ++helps; });
    window->findChild<QAction*>(QStringLiteral("Contents3"))->trigger();
    EXPECT_EQ(helps, 0) << "a disabled item does nothing";
    QTest::keyClick(window.get(), Qt::Key_O, Qt::ControlModifier);
    QTest::keyClick(window.get(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(dialogs.filters, (Texts{LoadConfigurationFilter, SaveConfigurationFilter}));
    QTest::keyClick(window.get(), Qt::Key_F1);
    EXPECT_EQ(dialogs.abouts.size(), 1u);
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_FALSE(f.Window.closed());
    QTest::keyClick(window.get(), Qt::Key_Q, Qt::ControlModifier);
    EXPECT_TRUE(f.Window.closed());
    EXPECT_FALSE(window->isVisible());
}

TEST_F(WindowPolish, ADroppedFileOpensAsTheProgramsArgumentDoes) {
    auto drop = [&](QWidget* target, const std::string& name) {
        // As a file manager sends it: the name's bytes, percent-encoded.
        QMimeData data;
        data.setData(QStringLiteral("text/uri-list"),
                     "file://" + QByteArray::fromStdString(name).toPercentEncoding("/") + "\r\n");
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
    EXPECT_EQ(files(), Texts{"dropped.txt"});

    dir.write("mine.cfg", ";[Brak]Archive=\r\n");
    EXPECT_TRUE(drop(window.get(), dir.file("mine.cfg")));
    EXPECT_EQ(window->windowTitle(), qs("Brak [" + dir.file("mine.cfg") + "]"))
        << "a configuration file is loaded";
    EXPECT_FALSE(drop(window.get(), dir.path())) << "a folder is refused";
    EXPECT_TRUE(dialogs.boxes.empty());

    dir.resize("caf\xe9.j", 100); // a name from before UTF-8
    EXPECT_TRUE(drop(window.get(), dir.file("caf\xe9.j")));
    EXPECT_EQ(f.edArchive.text(), dir.file("caf\xe9.j"));
    EXPECT_TRUE(dialogs.boxes.empty()) << dialogs.boxes[0];

    dir.write("readme.txt", "Read me first.\r\n");
    EXPECT_TRUE(drop(window.get(), dir.file("readme.txt")));
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_NE(dialogs.boxes[0].text.find("neither"), std::string::npos);
    EXPECT_EQ(window->windowTitle(), qs("Brak [" + dir.file("mine.cfg") + "]"));
}

TEST_F(WindowPolish, EnterOnTheCommandsAndF9RunTheCheckedOne) {
    std::vector<std::string> events;
    FakeConsole console(events);
    brak.runner().setConsole(&console);
    f.edArchive.setText(dir.file("ARC.J"));
    f.raCommandIntegrity.setChecked(true);
    QWidget* add = widget(f.raCommandAddFile);
    add->setFocus();
    QTest::keyClick(add, Qt::Key_Return);
    ASSERT_EQ(platform.terminalStarts.size(), 1u);
    EXPECT_EQ(platform.terminalStarts[0].args.at(1), "t ")
        << "the checked one, not the focused one";
    showPage(2);
    QTest::keyClick(window.get(), Qt::Key_F9);
    EXPECT_EQ(platform.terminalStarts.size(), 2u);
    brak.runner().setConsole(nullptr);
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
    EXPECT_EQ(f.loMemoryFlat.Value(), 40961);
    pasteInto(memory, QStringLiteral("23"));
    EXPECT_EQ(memory->text(), QStringLiteral("4096123"));
    EXPECT_EQ(f.loMemoryFlat.Value(), 4096123) << "taken at the keys' release";
    QTest::keyClick(memory, Qt::Key_Backspace);
    EXPECT_EQ(f.loMemoryFlat.Value(), 409612);
    EXPECT_EQ(dialogs.boxes.size(), 1u);
}
