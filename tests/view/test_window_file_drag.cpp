// Dragging the file grid's selected rows out: the drag starts from the
// selected range without breaking it, and a drop gets copies Jar made in
// Brak's private folder.
#include "ListingFixture.h"
#include "ViewTest.h"

#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QMouseEvent>
#include <fstream>

using namespace brak;
using namespace brak::test;

namespace {

// A file manager's folder: it copies what is dropped on it.
class DropFolder : public QWidget {
public:
    explicit DropFolder(QString folder) : folder_(std::move(folder)) { setAcceptDrops(true); }
    void dropEvent(QDropEvent* event) override {
        for (const QUrl& url : event->mimeData()->urls())
            QFile::copy(url.toLocalFile(),
                        folder_ + QLatin1Char('/') + QFileInfo(url.toLocalFile()).fileName());
        event->acceptProposedAction();
    }

private:
    QString folder_;
};

class WindowFileDrag : public WindowTest {
protected:
    TempDir dir;
};

// The text between the first pair of double quotes after `from`.
std::string quoted(const std::string& text, std::size_t from = 0) {
    const std::size_t start = text.find('"', from) + 1;
    return text.substr(start, text.find('"', start) - start);
}

TEST_F(WindowFileDrag, DraggedRowsArriveWhereTheyAreDropped) {
    WriteGridHeadings(f.stChapter, f.stFile);
    f.Directory.setDirectory(dir.path());
    dump = mixedListing();
    jarListsDump();
    dir.resize("ARC.J", 1000);
    f.edArchive.setText("ARC.J");
    ASSERT_EQ(brak.contents().LoadContents(), 0);
    // Jar extracts the names of its list file where -o says.
    platform.onStart = [](const ProcessRequest& request) {
        const std::string folder = quoted(request.args.at(3), request.args.at(3).find("-o"));
        std::ifstream list(quoted(request.args.at(2), request.args.at(2).find('!')));
        for (std::string name; std::getline(list, name);)
            writeFile(folder + "/" + name, "copy of " + name);
        StartResult started;
        started.child = std::make_unique<FakeChild>(0);
        return started;
    };
    show();
    showPage(0);
    GridView* files = grid(f.stFile);
    f.stFile.setRow(1);
    f.stFile.selectRangeTo(2);
    const std::vector<std::string> names = {f.stFile.cell(ColName, 1), f.stFile.cell(ColName, 2)};
    std::unique_ptr<QMimeData> carried;
    const auto dragData = files->dragData;
    files->dragData = [&]() -> QMimeData* {
        carried.reset(dragData());
        return nullptr; // no drag loop on this platform
    };

    // A press on the second row of the range, then a move: both rows go.
    const QRect second = files->visualRect(files->model()->index(1, 0));
    QTest::mousePress(files->viewport(), Qt::LeftButton, {}, second.center());
    const QPointF away = second.center() + QPoint(40, 30);
    QMouseEvent move(QEvent::MouseMove, away, files->viewport()->mapToGlobal(away), Qt::NoButton,
                     Qt::LeftButton, {});
    QApplication::sendEvent(files->viewport(), &move);
    QTest::mouseRelease(files->viewport(), Qt::LeftButton, {}, second.center() + QPoint(40, 30));
    ASSERT_TRUE(carried);
    EXPECT_EQ(f.stFile.rangeLast() - f.stFile.rangeFirst(), 1) << "the range stays";
    ASSERT_EQ(carried->urls().size(), 2);

    TempDir target;
    DropFolder folder(qs(target.path()));
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, carried.get(), Qt::LeftButton, {});
    folder.dropEvent(&drop);
    for (const std::string& name : names)
        EXPECT_EQ(readFile(target.file(name)), "copy of " + name);
}

} // namespace
