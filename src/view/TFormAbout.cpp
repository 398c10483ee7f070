#include "view/TFormAbout.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>

namespace brak {

namespace {

QFont aboutFont(const QString& family, bool bold, bool italic) {
    QFont font = family == QLatin1String("Symbol") ? symbolFont() : QFont(family);
    // Faces of Times New Roman's width stand in where it is missing.
    if (family == QLatin1String("Times New Roman"))
        font.setFamilies({family, QStringLiteral("Liberation Serif"), QStringLiteral("Tinos"),
                          QStringLiteral("Nimbus Roman"),
                          QStringLiteral("DejaVu Serif Condensed")});
    font.setPixelSize(family == QLatin1String("Arial") ? 23 : 50);
    font.setBold(bold);
    font.setItalic(italic);
    return font;
}

} // namespace

TFormAbout::TFormAbout(const std::string& picture, Dialogs& dialogs, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint),
      logo_(this, QStringLiteral("About"), picture, dialogs) {
    setObjectName(QStringLiteral("TFormAbout"));
    setModal(true);
    QPalette silver = palette();
    silver.setColor(QPalette::Window, QColor(192, 192, 192));
    setPalette(silver);
    setAutoFillBackground(true);

    struct Fixed {
        const char* name;
        QString text;
        QFont font;
        QPoint place;
        int shadowOffset;
    };
    const QString arial = QStringLiteral("Arial");
    const Fixed captions[] = {
        {"laAboutBrak",
         QStringLiteral("Brak 1.1"),
         aboutFont(QStringLiteral("Times New Roman"), true, true),
         {8, 8},
         3},
        {"laAboutBeta",
         symbolText("b3"),
         aboutFont(QStringLiteral("Symbol"), true, true),
         {200, 4},
         2},
        {"laAboutTitle",
         QStringLiteral("A powerful graphical shell for the Jar Archiver"),
         aboutFont(arial, false, false),
         {16, 66},
         2},
        {"laAboutCopy",
         QString::fromUtf8(MakerCopyright),
         aboutFont(arial, false, false),
         {16, 96},
         2},
    };
    for (const Fixed& fixed : captions) {
        ShadowedCaption pair = makeCaption(this, QString::fromLatin1(fixed.name), fixed.text);
        QFont font = fixed.font;
        // Should only a wider face be found, the name is set a little
        // smaller rather than run into the beta beside it.
        if (fixed.place == QPoint(8, 8)) {
            const int room = 200 - 8 - 6;
            while (font.pixelSize() > 30 &&
                   QFontMetrics(font).tightBoundingRect(fixed.text).right() > room)
                font.setPixelSize(font.pixelSize() - 2);
        }
        pair.setFont(font);
        pair.place(fixed.place.x(), fixed.place.y(), fixed.shadowOffset);
    }
    QSize screen = screenSize();
    logo_.arrange(screen.width(), screen.height());
}

void TFormAbout::keyPressEvent(QKeyEvent* event) {
    if (!event->text().isEmpty()) {
        accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace brak
