#pragma once

#include <QImage>

// The console's icon, a globe with a place marker, painted at size x size pixels: the
// window's icon and, at build time, the desktop's icons.
QImage PaintAppIcon(int size);
