#include "app/AppIcons.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

// A blue tile with a white page whose links fall as a green arrow into a tray.
QPixmap DrawApplication(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);

    QLinearGradient tile(0, 0, 0, 64);
    tile.setColorAt(0, QColor(0x3a, 0x7b, 0xd5));
    tile.setColorAt(1, QColor(0x1f, 0x4e, 0x9a));
    p.setPen(Qt::NoPen);
    p.setBrush(tile);
    p.drawRoundedRect(QRectF(2, 2, 60, 60), 12, 12);

    p.setBrush(Qt::white);
    p.drawRect(QRectF(14, 9, 26, 32));
    p.setPen(QPen(QColor(0x1f, 0x4e, 0x9a), 2));
    for (int y = 16; y <= 32; y += 6)
        p.drawLine(QPointF(18, y), QPointF(36, y));

    QPainterPath arrow;
    arrow.moveTo(40, 26);
    arrow.lineTo(48, 26);
    arrow.lineTo(48, 38);
    arrow.lineTo(54, 38);
    arrow.lineTo(44, 49);
    arrow.lineTo(34, 38);
    arrow.lineTo(40, 38);
    arrow.closeSubpath();
    p.setPen(QPen(Qt::white, 1.5));
    p.setBrush(QColor(0x4c, 0xc2, 0x4f));
    p.drawPath(arrow);

    p.setPen(QPen(Qt::white, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    QPainterPath tray;
    tray.moveTo(12, 46);
    tray.lineTo(12, 54);
    tray.lineTo(52, 54);
    tray.lineTo(52, 46);
    p.drawPath(tray);
    return pixmap;
}

QPixmap DrawDownArrow(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    const qreal s = size;
    const QPointF triangle[] = {{s * 0.15, s * 0.35}, {s * 0.85, s * 0.35}, {s * 0.5, s * 0.75}};
    p.drawPolygon(triangle, 3);
    return pixmap;
}

} // namespace

QIcon AppIcons::Application() {
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128})
        icon.addPixmap(DrawApplication(size));
    return icon;
}

QIcon AppIcons::DownArrow() {
    QIcon icon;
    for (int size : {8, 16})
        icon.addPixmap(DrawDownArrow(size));
    return icon;
}
