#include "view/ViewPictures.h"

#include <QPainter>
#include <QPixmap>
#include <QRadialGradient>

QImage PaintHeadIcon(HeadIcon icon) {
    QImage image(32, 32, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const bool red = icon == HeadIcon::RedStemUp || icon == HeadIcon::RedStemDown;
    const bool stemUp = icon == HeadIcon::GreyStemUp || icon == HeadIcon::RedStemUp;

    // The stem is the cable end of the head, so the operator sees which way is up.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(70, 70, 70));
    p.drawRect(stemUp ? QRectF(13, 1, 6, 11) : QRectF(13, 20, 6, 11));

    const QColor light = red ? QColor(255, 150, 140) : QColor(235, 235, 235);
    const QColor dark = red ? QColor(170, 20, 10) : QColor(105, 105, 105);
    const QPointF centre(16, stemUp ? 19 : 13);
    QRadialGradient shade(centre - QPointF(3, 3), 12);
    shade.setColorAt(0.0, light);
    shade.setColorAt(1.0, dark);
    p.setBrush(shade);
    p.setPen(QPen(QColor(40, 40, 40), 1));
    p.drawEllipse(centre, 10.5, 10.5);
    return image;
}

QCursor BoxedCrossCursor() {
    QPixmap pixmap(17, 17);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    // Dark strokes under light ones so the cursor reads on any colour table.
    for (const auto& [colour, offset] :
         {std::pair{QColor(0, 0, 0), 1}, std::pair{QColor(255, 255, 255), 0}}) {
        p.setPen(colour);
        p.drawLine(8 + offset, 0, 8 + offset, 16);
        p.drawLine(0, 8 + offset, 16, 8 + offset);
        p.drawRect(4 + offset, 4 + offset, 8, 8);
    }
    p.end();
    return QCursor(pixmap, 8, 8);
}
