#include "view/BrakIcon.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace brak {

QImage drawBrakIcon(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    // Everything is drawn on a 64 x 64 grid and scaled, so every size shows
    // the same picture.
    painter.scale(size / 64.0, size / 64.0);

    QLinearGradient tile(0, 0, 0, 64);
    tile.setColorAt(0, QColor(40, 92, 160));
    tile.setColorAt(1, QColor(18, 44, 92));
    painter.setPen(Qt::NoPen);
    painter.setBrush(tile);
    painter.drawRoundedRect(QRectF(2, 2, 60, 60), 12, 12);

    // The jar: a lid, a neck and a rounded body, gold with a darker rim so
    // it stands out at 16 pixels too.
    QPainterPath jar;
    jar.addRoundedRect(QRectF(17, 9, 30, 8), 3, 3);   // lid
    jar.addRect(QRectF(21, 16, 22, 6));               // neck
    jar.addRoundedRect(QRectF(13, 21, 38, 35), 9, 9); // body
    jar.setFillRule(Qt::WindingFill);
    QLinearGradient gold(13, 0, 51, 0);
    gold.setColorAt(0, QColor(200, 160, 20));
    gold.setColorAt(0.4, QColor(250, 220, 70));
    gold.setColorAt(1, QColor(170, 130, 10));
    painter.setPen(QPen(QColor(90, 60, 0), 2.2));
    painter.setBrush(gold);
    painter.drawPath(jar.simplified());

    // Three bands across the body: the chapters an archive holds.
    painter.setPen(QPen(QColor(120, 80, 0), 2.6, Qt::SolidLine, Qt::RoundCap));
    for (double y : {30.0, 38.5, 47.0})
        painter.drawLine(QPointF(19, y), QPointF(45, y));
    return image;
}

QIcon brakIcon() {
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128, 256})
        icon.addPixmap(QPixmap::fromImage(drawBrakIcon(size)));
    return icon;
}

} // namespace brak
