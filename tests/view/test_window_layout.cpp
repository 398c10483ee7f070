// The main window's layout: every control fits, nothing overlaps, at the
// default size and enlarged, idle and busy. With BRAK_SCREENSHOTS naming a
// folder, the tabs, the about window and the splash are also written there
// as PNGs.
#include "ListingFixture.h"
#include "ViewTest.h"
#include "view/TFormAbout.h"
#include "view/TFormSplash.h"

#include <QDir>
#include <QFile>
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

const char* const PageNames[] = {"view", "selection", "config", "basic", "medium", "advanced"};

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
        QWidget* page = widget<QTabWidget>("PageControl")->widget(index);
        std::vector<QWidget*> shown;
        for (Control* control : f.controls()) {
            QWidget* w = window->binding().widgetFor(*control);
            if (w && w != page && page->isAncestorOf(w) && w->isVisible())
                shown.push_back(w);
        }
        ASSERT_FALSE(shown.empty());
        auto area = [page](QWidget* w) { return QRect(w->mapTo(page, QPoint(0, 0)), w->size()); };
        for (std::size_t i = 0; i < shown.size(); ++i) {
            QWidget* a = shown[i];
            const std::string name = a->objectName().toStdString();
            EXPECT_TRUE(page->rect().contains(area(a))) << name << " leaves page " << index;
            EXPECT_GE(a->width(), a->minimumSizeHint().width()) << name << " is cut, " << index;
            EXPECT_GE(a->height(), a->minimumSizeHint().height()) << name << " is cut, " << index;
            for (std::size_t j = i + 1; j < shown.size(); ++j) {
                QWidget* b = shown[j];
                if (!a->isAncestorOf(b) && !b->isAncestorOf(a)) {
                    EXPECT_FALSE(area(a).intersects(area(b)))
                        << name << " overlaps " << b->objectName().toStdString() << ", " << index;
                }
            }
        }
    }
    // Checks the pages, saving a picture of each under the prefix.
    void checkPages(const QString& prefix, std::initializer_list<int> pages = {0, 1, 2, 3, 4, 5}) {
        for (int page : pages) {
            checkPage(page);
            if (page == 1 && !screenshotFolder().isEmpty())
                QTest::qWait(300); // the directory tree reads the disk in the background
            saveShot(window.get(), prefix + QStringLiteral("-%1-%2").arg(page).arg(
                                                QString::fromLatin1(PageNames[page])));
        }
    }
};

} // namespace

TEST_F(WindowLayout, EveryPageFitsTheDefaultSizeAndAnEnlargedOne) {
    show();
    EXPECT_EQ(window->size(), QSize(785, 581)) << "the layout needs more than the default size";
    checkPages(QStringLiteral("tab"));
    // The command group shows all twenty commands in full.
    for (RadioButton* command : f.commandButtons) {
        QWidget* button = widget(*command);
        EXPECT_TRUE(button->isVisible()) << command->name();
        EXPECT_GE(button->height(), button->minimumSizeHint().height()) << command->name();
    }
    window->resize(1180, 820);
    QApplication::processEvents();
    checkPages(QStringLiteral("enlarged"));
}

TEST_F(WindowLayout, EveryPageFitsWithPanelsOnAndAListing) {
    // Jar lists thirty files of mixed names and sizes in three chapters.
    dump = mixedListing();
    jarListsDump();
    platform.root.resize("documents/papers-and-photos.j", 128'614'400);
    for (const char* name : {"backup.log", "notes.txt", "photo.jpg", "report.doc", "todo.txt"})
        platform.root.write(std::string("documents/") + name, "x");
    f.Directory.setDirectory(platform.root.file("documents"));
    f.edArchive.setText("papers-and-photos.j");
    ASSERT_EQ(brak.contents().LoadContents(), 0);
    // Panels switched on, a command line, two files matching the masks.
    f.raCommandAddChapter.click();
    for (CheckBox* box : {&f.chCompression, &f.chFile, &f.chPassword, &f.chVolume, &f.chChapter})
        box->setChecked(true);
    f.raVolumeSpecify.click();
    f.edContentMask.setText("*.txt");
    show();
    EXPECT_EQ(window->size(), QSize(785, 581));
    f.chFileLock.setChecked(true);
    checkPages(QStringLiteral("active"), {0, 1, 3, 4, 5});

    f.chFileLock.setChecked(false);
    showPage(0);
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
    // The logo the build draws, or a plain picture of our own without it.
    QTemporaryDir temp;
    QString logo = QStringLiteral(BRAK_BIN_DIR "/../tools/jar/logo/Kyx.BMP");
    if (!QFile::exists(logo)) {
        logo = temp.filePath(QStringLiteral("Kyx.BMP"));
        QImage picture(320, 240, QImage::Format_RGB32);
        picture.fill(QColor(40, 90, 160));
        picture.save(logo, "BMP");
    }
    TFormSplash splash(logo.toStdString(), dialogs);
    splash.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&splash));
    EXPECT_TRUE(dialogs.boxes.empty()) << "the picture was found";
    saveShot(&splash, QStringLiteral("splash"));

    TFormAbout about(logo.toStdString(), dialogs);
    about.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
    saveShot(&about, QStringLiteral("about"));
    // What the fixed captions paint, not their boxes, stays apart.
    auto ink = [&about](const char* name) {
        auto* label = about.findChild<QLabel*>(QString::fromLatin1(name));
        EXPECT_TRUE(label) << name;
        QFontMetrics metrics(label->font());
        return metrics.tightBoundingRect(label->text())
            .translated(label->x(), label->y() + metrics.ascent());
    };
    EXPECT_FALSE(ink("laAboutBrak").intersects(ink("laAboutBeta")));
    EXPECT_FALSE(ink("laAboutTitle").intersects(ink("laAboutCopy")));
    EXPECT_FALSE(ink("laAboutBrak").intersects(ink("laAboutTitle")));
}
