#pragma once

#include <QImage>
#include <QPainter>

// The designed 16x16 pictures of the location service, drawn in code so the
// product carries no binary resources. Each has a magenta background (the
// transparent colour, read from column 0 of the bottom row).
namespace Pictures {

constexpr QRgb Transparent = 0xFFFF00FF;

// A blank 16x16 picture (transparent colour) painted by draw.
template <class Draw>
QImage Paint(Draw draw) {
    QImage image(16, 16, QImage::Format_RGB32);
    image.fill(Transparent);
    QPainter p(&image);
    draw(p);
    p.end();
    return image;
}

QImage DefaultPlace();  // a map pin: the default picture of a location
QImage Globe();         // the whole directory
// Tool pictures.
QImage Up();
QImage Add();
QImage Delete();
QImage Edit();
QImage Refresh();
QImage History();  // a clock: the changes made

}  // namespace Pictures
