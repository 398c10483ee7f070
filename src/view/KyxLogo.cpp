#include "view/KyxLogo.h"

#include "base/QtText.h"

#include <QApplication>
#include <QLabel>
#include <QPalette>
#include <QPixmap>
#include <QScreen>
#include <QWidget>

namespace brak {

QString symbolText(const std::string& latin) {
    static const char16_t upper[] = u"ΑΒΧΔΕΦΓΗΙϑΚΛΜΝΟΠΘΡΣΤΥςΩΞΨΖ";
    static const char16_t lower[] = u"αβχδεφγηιϕκλμνοπθρστυϖωξψζ";
    QString text;
    for (char c : latin) {
        if (c >= 'A' && c <= 'Z')
            text += QChar(upper[c - 'A']);
        else if (c >= 'a' && c <= 'z')
            text += QChar(lower[c - 'a']);
        else
            text += QLatin1Char(c);
    }
    return text;
}

QFont symbolFont() {
    // Not a symbol-encoded font: those draw nothing for real Greek letters.
    QFont font;
    font.setFamilies({QStringLiteral("Times New Roman"), QStringLiteral("DejaVu Serif")});
    font.setStyleHint(QFont::Serif);
    return font;
}

void ShadowedCaption::setFont(const QFont& font) {
    for (QLabel* label : {shadow, caption}) {
        label->setFont(font);
        label->adjustSize();
    }
}

void ShadowedCaption::place(int x, int y, int shadowOffset) {
    caption->move(x, y);
    shadow->move(x + shadowOffset, y + shadowOffset);
}

ShadowedCaption makeCaption(QWidget* window, const QString& name, const QString& text) {
    ShadowedCaption pair;
    // The shadow first, so that the caption lies above it.
    pair.shadow = new QLabel(text, window);
    pair.shadow->setObjectName(name + QStringLiteral("Shadow"));
    QPalette shadowPalette = pair.shadow->palette();
    shadowPalette.setColor(QPalette::WindowText,
                           QApplication::palette().color(QPalette::WindowText));
    pair.shadow->setPalette(shadowPalette);
    pair.caption = new QLabel(text, window);
    pair.caption->setObjectName(name);
    QPalette goldPalette = pair.caption->palette();
    goldPalette.setColor(QPalette::WindowText, LogoGold);
    pair.caption->setPalette(goldPalette);
    pair.setFont(pair.caption->font());
    return pair;
}

namespace {

constexpr int TaglineWidth = 620;

QFont taglineFont() {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(23);
    font.setBold(true);
    return font;
}

} // namespace

KyxLogo::KyxLogo(QWidget* window, const QString& prefix, const std::string& picture,
                 Dialogs& dialogs)
    : window_(window), picture_(nullptr) {
    QPixmap pixmap;
    // No picture named: the captions alone, and nothing to complain of.
    const bool named = !picture.empty();
    if (named && pixmap.load(fileNameToQString(picture))) {
        picture_ = new QLabel(window);
        picture_->setObjectName(
            QStringLiteral("im") + prefix + QStringLiteral("Kyx") +
            (prefix == QLatin1String("About") ? QStringLiteral("Brak") : QString()));
        picture_->setPixmap(pixmap);
        picture_->setScaledContents(true);
    } else if (named) {
        showMessage(dialogs, "Cannot find " + picture, "Error Loading Bitmap", MessageIcon::Error);
    }
    logo_ = makeCaption(window, QStringLiteral("la") + prefix + QStringLiteral("Kyx"),
                        symbolText(MakerLogo));
    info_ = makeCaption(window, QStringLiteral("la") + prefix + QStringLiteral("Info"),
                        QString::fromUtf8(MakerTagline));
    for (QLabel* label : {info_.shadow, info_.caption}) {
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    }
}

void KyxLogo::arrange(int width, int height) {
    window_->setGeometry(0, 0, width, height);
    if (picture_)
        picture_->setGeometry(0, 0, width, height);

    QFont logoFont = symbolFont();
    logoFont.setBold(true);
    logoFont.setPixelSize(std::max(1, height / 2));
    logo_.setFont(logoFont);
    int logoLeft = (width - logo_.caption->width()) / 2;
    int logoTop = (height - logo_.caption->height() * 11 / 8) / 2;
    logo_.place(logoLeft, logoTop, 10);

    for (QLabel* label : {info_.shadow, info_.caption}) {
        label->setFont(taglineFont());
        label->setFixedWidth(TaglineWidth);
        label->setFixedHeight(label->heightForWidth(TaglineWidth));
    }
    info_.place((width - TaglineWidth) / 2, logoTop + logo_.caption->height() + 10, 2);
}

QSize screenSize() {
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().size() : QSize(800, 600);
}

} // namespace brak
