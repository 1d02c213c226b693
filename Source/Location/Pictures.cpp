#include "Location/Pictures.h"

#include <QPainter>
#include <QPainterPath>

namespace Pictures {

QImage DefaultPlace() {
    return Paint([](QPainter& p) {
        p.setPen(QColor(0x80, 0x10, 0x10));
        p.setBrush(QColor(0xE0, 0x30, 0x30));
        p.drawEllipse(QRect(3, 1, 9, 9));
        QPolygon tip;
        tip << QPoint(4, 8) << QPoint(11, 8) << QPoint(7, 14);
        p.drawPolygon(tip);
        p.setBrush(Qt::white);
        p.setPen(Qt::NoPen);
        p.drawEllipse(QRect(6, 4, 3, 3));
    });
}

QImage Globe() {
    return Paint([](QPainter& p) {
        p.setPen(QColor(0x10, 0x40, 0x90));
        p.setBrush(QColor(0x60, 0xA0, 0xF0));
        p.drawEllipse(QRect(1, 1, 13, 13));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QRect(5, 1, 5, 13));
        p.drawLine(1, 7, 14, 7);
        p.drawLine(3, 4, 12, 4);
        p.drawLine(3, 11, 12, 11);
    });
}

QImage Up() {
    return Paint([](QPainter& p) {
        p.setPen(QColor(0x10, 0x60, 0x10));
        p.setBrush(QColor(0x40, 0xB0, 0x40));
        QPolygon arrow;
        arrow << QPoint(7, 1) << QPoint(14, 8) << QPoint(10, 8) << QPoint(10, 14) << QPoint(4, 14)
              << QPoint(4, 8) << QPoint(0, 8);
        p.drawPolygon(arrow);
    });
}

QImage Add() {
    return Paint([](QPainter& p) {
        p.fillRect(QRect(6, 2, 4, 12), QColor(0x20, 0x90, 0x20));
        p.fillRect(QRect(2, 6, 12, 4), QColor(0x20, 0x90, 0x20));
    });
}

QImage Delete() {
    return Paint([](QPainter& p) {
        p.setPen(QPen(QColor(0xC0, 0x10, 0x10), 3));
        p.drawLine(3, 3, 12, 12);
        p.drawLine(12, 3, 3, 12);
    });
}

QImage Edit() {
    return Paint([](QPainter& p) {
        p.setPen(QColor(0x60, 0x40, 0x10));
        p.setBrush(QColor(0xF0, 0xC0, 0x40));
        QPolygon pencil;
        pencil << QPoint(11, 1) << QPoint(14, 4) << QPoint(5, 13) << QPoint(1, 14) << QPoint(2, 10);
        p.drawPolygon(pencil);
    });
}

QImage Refresh() {
    return Paint([](QPainter& p) {
        p.setPen(QPen(QColor(0x10, 0x50, 0xA0), 2));
        p.drawArc(QRect(2, 2, 11, 11), 30 * 16, 300 * 16);
        p.setBrush(QColor(0x10, 0x50, 0xA0));
        QPolygon head;
        head << QPoint(10, 0) << QPoint(15, 4) << QPoint(9, 6);
        p.drawPolygon(head);
    });
}

QImage History() {
    return Paint([](QPainter& p) {
        p.setPen(QPen(QColor(0x10, 0x50, 0xA0), 1.5));
        p.setBrush(Qt::white);
        p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
        p.drawLine(QPointF(8, 8), QPointF(8, 4));
        p.drawLine(QPointF(8, 8), QPointF(11, 9.5));
    });
}

}  // namespace Pictures
