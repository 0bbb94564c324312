#include "app/AppIcon.h"

#include <QPainter>
#include <QPixmap>

namespace quorvin {

namespace {
QPixmap iconImage(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    const double s = size / 32.0;
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(QColor(0xFF, 0xE0, 0xC0));
    p.drawRect(QRectF(1 * s, 3 * s, 29 * s, 26 * s));
    p.setPen(QPen(QColor(0, 0, 128), 2 * s));
    const QPointF curve[] = {{3 * s, 24 * s},  {9 * s, 18 * s},  {14 * s, 21 * s},
                             {19 * s, 10 * s}, {24 * s, 14 * s}, {29 * s, 6 * s}};
    p.drawPolyline(curve, 6);
    return pixmap;
}
} // namespace

QIcon appIcon()
{
    QIcon icon;
    icon.addPixmap(iconImage(16));
    icon.addPixmap(iconImage(32));
    return icon;
}

} // namespace quorvin
