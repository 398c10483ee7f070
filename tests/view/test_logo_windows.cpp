// The splash and about windows: the picture, the gold captions and their
// shadows placed by the centring rules, the missing-picture box, the pause,
// and the about window closing on a key but not on a click.
#include "ViewTest.h"
#include "view/KyxLogo.h"
#include "view/QtDialogs.h"
#include "view/TFormAbout.h"
#include "view/TFormSplash.h"

#include <QAction>
#include <QImage>
#include <QLabel>
#include <QTemporaryDir>
#include <QTimer>

using namespace brak;
using namespace brak::test;

namespace {

class LogoWindows : public ::testing::Test {
protected:
    LogoWindows() {
        app.setDialogs(&dialogs);
        QImage picture(64, 48, QImage::Format_RGB32);
        picture.fill(QColor(10, 120, 200));
        picture.save(temp.filePath(QStringLiteral("Kyx.BMP")), "BMP");
        withPicture = temp.path().toStdString() + "/";
        withoutPicture = withPicture + "empty/";
    }
    ~LogoWindows() override { app.setDialogs(nullptr); }

    static QLabel* label(QWidget* window, const char* name) {
        return window->findChild<QLabel*>(QString::fromLatin1(name));
    }
    static QColor textColour(QLabel* label) { return label->palette().color(QPalette::WindowText); }

    // The logo and tagline sit where the centring rules put them.
    void checkPlacement(QWidget* window, const char* logoName, const char* infoName) {
        QSize screen = screenSize();
        int w = screen.width(), h = screen.height();
        EXPECT_EQ(window->geometry(), QRect(0, 0, w, h));
        QLabel* logo = label(window, logoName);
        QLabel* logoShadow = label(window, (std::string(logoName) + "Shadow").c_str());
        QLabel* info = label(window, infoName);
        QLabel* infoShadow = label(window, (std::string(infoName) + "Shadow").c_str());
        ASSERT_TRUE(logo && logoShadow && info && infoShadow);
        EXPECT_EQ(logo->font().pixelSize(), h / 2);
        EXPECT_EQ(logo->x(), (w - logo->width()) / 2);
        EXPECT_EQ(logo->y(), (h - logo->height() * 11 / 8) / 2);
        EXPECT_EQ(logoShadow->pos(), logo->pos() + QPoint(10, 10));
        EXPECT_EQ(info->width(), 620);
        EXPECT_EQ(info->x(), (w - 620) / 2);
        EXPECT_EQ(info->y(), logo->y() + logo->height() + 10);
        EXPECT_EQ(infoShadow->pos(), info->pos() + QPoint(2, 2));
        for (QLabel* gold : {logo, info})
            EXPECT_EQ(textColour(gold), QColor(246, 209, 40));
        for (QLabel* shadow : {logoShadow, infoShadow})
            EXPECT_EQ(textColour(shadow), QApplication::palette().color(QPalette::WindowText));
        // Each shadow lies beneath its caption.
        QObjectList order = window->children();
        EXPECT_LT(order.indexOf(logoShadow), order.indexOf(logo));
        EXPECT_LT(order.indexOf(infoShadow), order.indexOf(info));
        EXPECT_EQ(logo->text(), QString::fromUtf8("Κψ"));
    }

    BrakApplication& app = application();
    FakePlatform platform;
    FakeDialogs dialogs;
    QTemporaryDir temp;
    std::string withPicture;
    std::string withoutPicture;
};

} // namespace

TEST_F(LogoWindows, SplashCoversTheScreenWithPictureAndGoldCaptions) {
    TFormSplash splash(withPicture + "Kyx.BMP", dialogs);
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_EQ(splash.palette().color(QPalette::Window), QColor(128, 128, 128));
    EXPECT_TRUE(splash.windowFlags() & Qt::FramelessWindowHint);
    QLabel* picture = label(&splash, "imSplashKyx");
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->geometry(), QRect(QPoint(0, 0), screenSize()));
    EXPECT_TRUE(picture->hasScaledContents());
    checkPlacement(&splash, "laSplashKyx", "laSplashInfo");
}

TEST_F(LogoWindows, WithoutTheirPictureBothSaySoAndShowTheRest) {
    const auto splash = TFormSplash::showNow(withoutPicture + "Kyx.BMP", dialogs);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0], (MessageBoxRequest{"Cannot find " + withoutPicture + "Kyx.BMP",
                                                   "Error Loading Bitmap", MessageIcon::Error}));
    EXPECT_FALSE(label(splash.get(), "imSplashKyx")) << "the picture control is removed";
    checkPlacement(splash.get(), "laSplashKyx", "laSplashInfo");

    TFormAbout about(withoutPicture + "Kyx.BMP", dialogs);
    ASSERT_EQ(dialogs.boxes.size(), 2u);
    EXPECT_EQ(dialogs.boxes[1], dialogs.boxes[0]);
    EXPECT_FALSE(label(&about, "imAboutKyxBrak"));
}

TEST_F(LogoWindows, StartUpPausesOnceTheSplashIsPaintedAndThenItIsGone) {
    bool visibleDuringPause = false;
    struct SpyPlatform : FakePlatform {
        std::function<void()> during;
        void sleep(int ms) override {
            during();
            FakePlatform::sleep(ms);
        }
    } spy;
    spy.userDir = withPicture;
    spy.during = [&] {
        for (QWidget* top : QApplication::topLevelWidgets())
            if (top->objectName() == QLatin1String("TFormSplash") && top->isVisible())
                visibleDuringPause = true;
    };
    QtDialogs qtDialogs;
    Brak brak(spy, qtDialogs);
    brak.startup().CreateBrak();
    EXPECT_TRUE(visibleDuringPause);
    EXPECT_EQ(spy.slept, 3000) << "the pause goes through the platform";
    for (QWidget* top : QApplication::topLevelWidgets())
        EXPECT_NE(top->objectName(), QLatin1String("TFormSplash"));
}

TEST_F(LogoWindows, AboutShowsItsCaptionsInTheirPlaces) {
    TFormAbout about(withPicture + "Kyx.BMP", dialogs);
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_EQ(about.palette().color(QPalette::Window), QColor(192, 192, 192));
    EXPECT_TRUE(label(&about, "imAboutKyxBrak"));
    checkPlacement(&about, "laAboutKyx", "laAboutInfo");
    struct Place {
        const char *name, *text;
        QPoint at, shadow;
    };
    const Place places[] = {
        {"laAboutBrak", "Brak 1.1", {8, 8}, {11, 11}},
        {"laAboutBeta", "β3", {200, 4}, {202, 6}},
        {"laAboutTitle", "A powerful graphical shell for the Jar Archiver", {16, 66}, {18, 68}},
        {"laAboutCopy", MakerCopyright, {16, 96}, {18, 98}},
    };
    for (const Place& place : places) {
        QLabel* caption = label(&about, place.name);
        QLabel* shadow = label(&about, (std::string(place.name) + "Shadow").c_str());
        ASSERT_TRUE(caption && shadow) << place.name;
        EXPECT_EQ(caption->text(), QString::fromUtf8(place.text)) << place.name;
        EXPECT_EQ(shadow->text(), caption->text()) << place.name;
        EXPECT_EQ(caption->pos(), place.at) << place.name;
        EXPECT_EQ(shadow->pos(), place.shadow) << place.name;
        EXPECT_EQ(textColour(caption), QColor(246, 209, 40)) << place.name;
    }
}

TEST_F(LogoWindows, AboutClosesOnACharacterKeyButNotOnAClick) {
    for (Qt::Key key : {Qt::Key_A, Qt::Key_5, Qt::Key_Escape, Qt::Key_Return}) {
        TFormAbout about(withPicture + "Kyx.BMP", dialogs);
        about.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
        QTest::mouseClick(&about, Qt::LeftButton, {}, QPoint(300, 300));
        QTest::mouseClick(&about, Qt::RightButton, {}, QPoint(10, 10));
        EXPECT_TRUE(about.isVisible()) << "a click leaves it open";
        QTest::keyClick(&about, Qt::Key_Shift);
        EXPECT_TRUE(about.isVisible()) << "a key that types nothing leaves it open";
        QTest::keyClick(&about, key);
        EXPECT_FALSE(about.isVisible()) << key;
    }
}

TEST_F(LogoWindows, AboutOpensModallyFromTheHelpMenu) {
    platform.userDir = withPicture;
    QtDialogs qtDialogs;
    Brak brak(platform, qtDialogs);
    TFormMain window(brak);
    qtDialogs.setParent(&window);
    window.show();
    QString seen;
    bool modal = false;
    QTimer::singleShot(0, [&] {
        QWidget* about = QApplication::activeModalWidget();
        if (!about)
            return;
        seen = about->objectName();
        modal = about->isModal();
        QTest::keyClick(about, Qt::Key_Q);
    });
    window.findChild<QAction*>(QStringLiteral("About3"))->trigger();
    EXPECT_EQ(seen, QStringLiteral("TFormAbout"));
    EXPECT_TRUE(modal);
    // Every window wears the program's icon, at the sizes desktops ask for.
    const QList<QSize> sizes = window.windowIcon().availableSizes();
    EXPECT_TRUE(sizes.contains(QSize(16, 16)) && sizes.contains(QSize(256, 256)));
    EXPECT_FALSE(QApplication::activeModalWidget());
    qtDialogs.setParent(nullptr);
}
