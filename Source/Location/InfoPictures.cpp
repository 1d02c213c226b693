#include "Location/InfoPictures.h"

#include <QPainter>

#include "ComUnits/Lang/uLanguagesDM.h"
#include "Location/Pictures.h"

namespace {

// The phrase texts of the kinds, by number.
QString KindPhrase(int kind) {
    switch (kind) {
        case InfoKindEMail:
            return QStringLiteral("E-Mail");
        case InfoKindPhone:
            return QStringLiteral("Телефон");
        case InfoKindWeb:
            return QStringLiteral("WWW");
        case InfoKindContact:
            return QStringLiteral("Контактное лицо");
        case InfoKindNote:
            return QStringLiteral("Примечание");
        case InfoKindMobile:
            return QStringLiteral("Мобильный телефон");
        case InfoKindFax:
            return QStringLiteral("Факс");
        default:
            return QString();
    }
}

using Pictures::Paint;

}  // namespace

QString InfoKindName(int kind) {
    const QString phrase = KindPhrase(kind);
    return phrase.isEmpty() ? phrase : TranslateRu(phrase);
}

int InfoKindImage(int kind) { return kind >= 1 && kind <= 7 ? kind + 3 : -1; }

bool InfoKindIsLink(int kind) { return kind == InfoKindEMail || kind == InfoKindWeb; }

namespace InfoPictures {

QImage EMail() {
    return Paint([](QPainter& p) {
        p.setPen(QColor(0x40, 0x40, 0x70));
        p.setBrush(QColor(0xF8, 0xF0, 0xC0));
        p.drawRect(QRect(1, 3, 13, 9));
        p.drawLine(1, 3, 8, 9);
        p.drawLine(8, 9, 14, 3);
    });
}

QImage Phone() {
    return Paint([](QPainter& p) {
        p.setPen(QColor(0x20, 0x20, 0x20));
        p.setBrush(QColor(0x30, 0x30, 0x30));
        p.drawRect(QRect(1, 2, 13, 3));
        p.setBrush(QColor(0xC0, 0x30, 0x30));
        QPolygon body;
        body << QPoint(4, 5) << QPoint(11, 5) << QPoint(14, 14) << QPoint(1, 14);
        p.drawPolygon(body);
        p.setPen(Qt::white);
        p.drawPoint(6, 9);
        p.drawPoint(9, 9);
        p.drawPoint(6, 11);
        p.drawPoint(9, 11);
    });
}

QImage Web() {
    return Paint([](QPainter& p) {
        p.setPen(QColor(0x10, 0x60, 0x30));
        p.setBrush(QColor(0x70, 0xC0, 0xE0));
        p.drawEllipse(QRect(1, 1, 13, 13));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QRect(4, 1, 7, 13));
        p.drawLine(7, 1, 7, 14);
        p.drawLine(1, 7, 14, 7);
    });
}

QImage Contact() {
    return Paint([](QPainter& p) {
        p.setPen(QColor(0x60, 0x40, 0x20));
        p.setBrush(QColor(0xF0, 0xC8, 0x90));
        p.drawEllipse(QRect(5, 1, 6, 6));
        p.setBrush(QColor(0x30, 0x60, 0xB0));
        p.drawChord(QRect(2, 8, 12, 12), 0, 180 * 16);
    });
}

QImage Note() {
    return Paint([](QPainter& p) {
        p.setPen(QColor(0x50, 0x50, 0x50));
        p.setBrush(QColor(0xFF, 0xFF, 0xA0));
        p.drawRect(QRect(2, 1, 11, 14));
        p.setPen(QColor(0x60, 0x80, 0xC0));
        for (int y = 4; y <= 12; y += 3) p.drawLine(4, y, 11, y);
    });
}

QImage Mobile() {
    return Paint([](QPainter& p) {
        p.setPen(QColor(0x20, 0x20, 0x20));
        p.setBrush(QColor(0x40, 0x40, 0x50));
        p.drawRoundedRect(QRect(4, 0, 8, 15), 2, 2);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x90, 0xE0, 0x90));
        p.drawRect(QRect(6, 2, 5, 6));
        p.setBrush(QColor(0xD0, 0xD0, 0xD0));
        p.drawRect(QRect(6, 10, 5, 3));
    });
}

QImage Fax() {
    return Paint([](QPainter& p) {
        p.setPen(QColor(0x30, 0x30, 0x30));
        p.setBrush(Qt::white);
        p.drawRect(QRect(4, 0, 8, 7));
        p.setBrush(QColor(0x90, 0x90, 0x90));
        p.drawRect(QRect(1, 6, 14, 8));
        p.setPen(QColor(0x20, 0x20, 0x20));
        p.drawLine(3, 10, 12, 10);
        p.setPen(QColor(0x10, 0x90, 0x10));
        p.drawPoint(12, 8);
    });
}

QImage ForKind(int kind) {
    switch (kind) {
        case InfoKindEMail:
            return EMail();
        case InfoKindPhone:
            return Phone();
        case InfoKindWeb:
            return Web();
        case InfoKindContact:
            return Contact();
        case InfoKindNote:
            return Note();
        case InfoKindMobile:
            return Mobile();
        case InfoKindFax:
            return Fax();
        default:
            return QImage();
    }
}

}  // namespace InfoPictures
