// Writes the console's icon as PNG files for the desktop, one per size:
//   qxvappicon FOLDER SIZE...  ->  FOLDER/SIZExSIZE.png
#include <QDir>

#include <cstdio>

#include "Host/AppIcon.h"

int main(int argc, char** argv) {
    // Images only: no application object and no display are needed.
    QStringList args;
    for (int i = 0; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: qxvappicon FOLDER SIZE...\n");
        return 2;
    }
    const QDir folder(args[1]);
    for (qsizetype i = 2; i < args.size(); ++i) {
        const int size = args[i].toInt();
        const QString file = folder.filePath(QStringLiteral("%1x%1.png").arg(size));
        if (size <= 0 || !PaintAppIcon(size).save(file)) {
            std::fprintf(stderr, "qxvappicon: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
