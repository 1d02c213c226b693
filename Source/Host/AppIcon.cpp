#include "Host/AppIcon.h"

#include <QPainter>
#include <QPainterPath>

namespace {

// Drawn on a 64 x 64 grid and scaled, so every size comes from the same shapes.
constexpr qreal Grid = 64;

void PaintGlobe(QPainter& p) {
    const QRectF globe(4, 8, 52, 52);
    p.setPen(QPen(QColor(0x10, 0x40, 0x90), 3));
    p.setBrush(QColor(0x60, 0xA0, 0xF0));
    p.drawEllipse(globe);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0x10, 0x40, 0x90), 2));
    p.drawEllipse(QRectF(18, 8, 24, 52));
    p.drawLine(QPointF(4, 34), QPointF(56, 34));
    p.drawLine(QPointF(9, 21), QPointF(51, 21));
    p.drawLine(QPointF(9, 47), QPointF(51, 47));
}

void PaintMarker(QPainter& p) {
    QPainterPath marker;
    marker.moveTo(46, 40);
    marker.cubicTo(40, 28, 34, 24, 34, 16);
    marker.arcTo(QRectF(34, 4, 24, 24), 180, -180);
    marker.cubicTo(58, 24, 52, 28, 46, 40);
    p.setPen(QPen(QColor(0x80, 0x10, 0x10), 2.5));
    p.setBrush(QColor(0xE0, 0x30, 0x30));
    p.drawPath(marker);
    p.setBrush(Qt::white);
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(46, 16), 4.5, 4.5);
}

}  // namespace

QImage PaintAppIcon(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / Grid, size / Grid);
    PaintGlobe(p);
    PaintMarker(p);
    return image;
}
