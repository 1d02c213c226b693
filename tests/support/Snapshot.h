#pragma once

#include <QDir>
#include <QString>
#include <QWidget>

// Saves a picture of a widget as NAME.png in QXV_SCREENSHOT_DIR when that is set; the
// screenshot scripts render the README's pictures from the tests this way.
inline void Snapshot(QWidget& widget, const char* name) {
    const QString folder = qEnvironmentVariable("QXV_SCREENSHOT_DIR");
    if (!folder.isEmpty()) widget.grab().save(QDir(folder).filePath(QString(name) + ".png"));
}
