// The main window's layout: every control fits, nothing overlaps, at the
// default size and enlarged. With BRAK_SCREENSHOTS naming a folder, the
// tabs, the about window and the splash are also written there as PNGs.
#include "ListingFixture.h"
#include "ViewTest.h"
#include "view/TFormAbout.h"
#include "view/TFormSplash.h"

#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QTabWidget>
#include <QTemporaryDir>

using namespace brak;
using namespace brak::test;

namespace {

QString screenshotFolder() {
    return qEnvironmentVariable("BRAK_SCREENSHOTS");
}

void saveShot(QWidget* widget, const QString& name) {
    QString folder = screenshotFolder();
    if (folder.isEmpty())
        return;
    QDir().mkpath(folder);
    ASSERT_TRUE(widget->grab().save(folder + QLatin1Char('/') + name + QStringLiteral(".png")));
}

// The program directory with the logo picture: the one the build draws, or
// a plain picture of our own when the build has none.
std::string logoDirectory(QTemporaryDir& temp) {
    QString built = QStringLiteral(BRAK_BIN_DIR "/../tools/jar/logo/");
    if (QFile::exists(built + QStringLiteral("Kyx.BMP")))
        return built.toStdString();
    QImage picture(320, 240, QImage::Format_RGB32);
    picture.fill(QColor(40, 90, 160));
    picture.save(temp.filePath(QStringLiteral("Kyx.BMP")), "BMP");
    return temp.path().toStdString() + "/";
}

class WindowLayout : public WindowTest {
protected:
    // The window as the program shows it: headings and dates written.
    WindowLayout() {
        platform.markFirstRunDone();
        brak.startup().CreateBrak();
    }

    // Checks every control shown on the page: it lies inside the page, is
    // not squeezed below what its text needs, and covers no other control.
    void checkPage(int index) {
        showPage(index);
        auto* pages = widget<QTabWidget>("PageControl");
        QWidget* page = pages->widget(index);
        std::vector<QWidget*> shown;
        for (Control* control : f.controls()) {
            QWidget* w = window->binding().widgetFor(*control);
            if (w && w != page && page->isAncestorOf(w) && w->isVisible())
                shown.push_back(w);
        }
        ASSERT_FALSE(shown.empty());
        auto area = [page](QWidget* w) { return QRect(w->mapTo(page, QPoint(0, 0)), w->size()); };
        for (QWidget* w : shown) {
            std::string name = w->objectName().toStdString();
            EXPECT_TRUE(page->rect().contains(area(w))) << name << " leaves page " << index;
            QSize needed = w->minimumSizeHint();
            EXPECT_GE(w->width(), needed.width()) << name << " is cut on page " << index;
            EXPECT_GE(w->height(), needed.height()) << name << " is cut on page " << index;
        }
        for (std::size_t i = 0; i < shown.size(); ++i)
            for (std::size_t j = i + 1; j < shown.size(); ++j) {
                QWidget* a = shown[i];
                QWidget* b = shown[j];
                if (a->isAncestorOf(b) || b->isAncestorOf(a))
                    continue;
                EXPECT_FALSE(area(a).intersects(area(b)))
                    << a->objectName().toStdString() << " overlaps "
                    << b->objectName().toStdString() << " on page " << index;
            }
    }
};

const char* const PageNames[] = {"view", "selection", "config", "basic", "medium", "advanced"};

} // namespace

TEST_F(WindowLayout, EveryPageFitsTheDefaultSize) {
    show();
    EXPECT_EQ(window->size(), QSize(785, 581)) << "the layout needs more than the default size";
    for (int page = 0; page < 6; ++page) {
        checkPage(page);
        saveShot(window.get(),
                 QStringLiteral("tab-%1-%2").arg(page).arg(QString::fromLatin1(PageNames[page])));
    }
    // The command group shows all twenty commands in full.
    for (RadioButton* command : f.commandButtons) {
        QWidget* button = widget(*command);
        ASSERT_TRUE(button);
        EXPECT_TRUE(button->isVisible());
        EXPECT_GE(button->height(), button->minimumSizeHint().height()) << command->name();
    }
}

TEST_F(WindowLayout, EnlargedWindowKeepsEveryPageInOrder) {
    show();
    window->resize(1180, 820);
    QApplication::processEvents();
    for (int page = 0; page < 6; ++page) {
        checkPage(page);
        saveShot(
            window.get(),
            QStringLiteral("enlarged-%1-%2").arg(page).arg(QString::fromLatin1(PageNames[page])));
    }
}

TEST_F(WindowLayout, TabsShowInteractedState) {
    // A busier state for the pictures: panels switched on, a command line.
    f.edArchive.setText("/home/user/backup.j");
    f.raCommandAddChapter.click();
    f.chCompression.setChecked(true);
    f.chFile.setChecked(true);
    f.chPassword.setChecked(true);
    f.chVolume.setChecked(true);
    f.raVolumeSpecify.click();
    f.chChapter.setChecked(true);
    // A listing as the contents view shows one, with the name column locked.
    {
        GridUpdate update(f.stChapter);
        f.stChapter.setNothingListed(false);
        f.stChapter.setRowCount(4);
        for (int chapter = 1; chapter <= 3; ++chapter) {
            f.stChapter.setCell(0, chapter, std::to_string(chapter));
            f.stChapter.setCell(1, chapter, "....");
            f.stChapter.setCell(2, chapter, "2024/05/0" + std::to_string(chapter));
            f.stChapter.setCell(3, chapter, "10:1" + std::to_string(chapter) + ":00");
        }
    }
    f.stChapter.setRow(3);
    {
        GridUpdate update(f.stFile);
        f.stFile.setNothingListed(false);
        f.stFile.setRowCount(41);
        for (int row = 1; row <= 40; ++row) {
            const std::string cells[] = {"document-" + std::to_string(row) + ".txt",
                                         std::to_string(row * 1234),
                                         "a....",
                                         "2024/05/03",
                                         "10:13:00",
                                         "2024/04/01",
                                         "09:00:00",
                                         "2024/05/03",
                                         "10:13:00",
                                         "3"};
            for (int col = 0; col < 10; ++col)
                f.stFile.setCell(col, row, cells[col]);
        }
    }
    f.laFileDetail.setCaption("File Details (40 files)");
    f.chFileLock.setChecked(true);
    // A directory with a few files, two of them matching the masks.
    for (const char* name : {"backup.log", "notes.txt", "photo.jpg", "report.doc", "todo.txt"})
        platform.root.write(std::string("documents/") + name, "x");
    f.Directory.setDirectory(platform.root.file("documents"));
    f.edContentMask.setText("*.txt");
    show();
    EXPECT_EQ(window->size(), QSize(785, 581));
    for (int page : {0, 1, 3, 4, 5}) {
        checkPage(page);
        if (page == 1 && !screenshotFolder().isEmpty())
            QTest::qWait(300); // the directory tree reads the disk in the background
        saveShot(
            window.get(),
            QStringLiteral("active-%1-%2").arg(page).arg(QString::fromLatin1(PageNames[page])));
    }
}

TEST_F(WindowLayout, ViewTabWithAListingBeforeAndAfterASort) {
    // Jar lists thirty files of mixed names and sizes in three chapters.
    TempDir dir;
    const std::string dump = mixedListing();
    platform.onStart = [&dump](const ProcessRequest& request) {
        const std::string& quoted = request.args.at(3);
        writeFile(quoted.substr(1, quoted.size() - 2), dump);
        StartResult started;
        started.child = std::make_unique<FakeChild>(0);
        return started;
    };
    f.Directory.setDirectory(dir.path());
    dir.resize("papers-and-photos.j", 128'614'400);
    f.edArchive.setText("papers-and-photos.j");
    show();
    ASSERT_EQ(brak.contents().LoadContents(), 0);
    QApplication::processEvents();
    checkPage(0);
    saveShot(window.get(), QStringLiteral("listing-1-as-listed"));
    f.stFile.headingClick(0);
    EXPECT_EQ(f.stFile.cell(0, 0), "Filename (1)");
    saveShot(window.get(), QStringLiteral("listing-2-sorted-by-name"));
    f.raDescending.click();
    f.stFile.headingClick(1);
    saveShot(window.get(), QStringLiteral("listing-3-sorted-by-size"));
    f.edFilter.setText("*.txt");
    checkPage(0);
    saveShot(window.get(), QStringLiteral("listing-4-filtered"));
    window->resize(1180, 820);
    QApplication::processEvents();
    checkPage(0);
    saveShot(window.get(), QStringLiteral("listing-5-enlarged"));
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(WindowLayout, SplashAndAboutPictures) {
    QTemporaryDir temp;
    std::string directory = logoDirectory(temp);
    TFormSplash splash(directory + "Kyx.BMP", dialogs);
    splash.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&splash));
    EXPECT_TRUE(dialogs.boxes.empty()) << "the picture was found";
    saveShot(&splash, QStringLiteral("splash"));

    TFormAbout about(directory + "Kyx.BMP", dialogs);
    about.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
    saveShot(&about, QStringLiteral("about"));
    // The fixed captions do not run into each other.
    auto* brakName = about.findChild<QWidget*>(QStringLiteral("laAboutBrak"));
    auto* beta = about.findChild<QWidget*>(QStringLiteral("laAboutBeta"));
    auto* title = about.findChild<QWidget*>(QStringLiteral("laAboutTitle"));
    auto* copy = about.findChild<QWidget*>(QStringLiteral("laAboutCopy"));
    ASSERT_TRUE(brakName && beta && title && copy);
    // What the captions paint, not their boxes, must stay apart.
    auto ink = [](QWidget* caption) {
        auto* label = static_cast<QLabel*>(caption);
        QFontMetrics metrics(label->font());
        return metrics.tightBoundingRect(label->text())
            .translated(label->x(), label->y() + metrics.ascent());
    };
    EXPECT_FALSE(ink(brakName).intersects(ink(beta)));
    EXPECT_FALSE(ink(title).intersects(ink(copy)));
    EXPECT_FALSE(ink(brakName).intersects(ink(title)));
}
