#include "Tools/qxvdb/Progress.h"

#include <cstdio>
#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

void TProgress::Start(const QString& what, long long total) {
    FWhat = what;
    FTotal = total;
    FClock.start();
    FLastDraw = -1;
    Draw(0);
}

void TProgress::Advance(long long done) {
    if (!FEnabled) return;
    const qint64 now = FClock.elapsed();
    if (FLastDraw >= 0 && now - FLastDraw < 100 && done < FTotal) return;
    FLastDraw = now;
    Draw(done);
}

void TProgress::Draw(long long done) {
    if (!FEnabled) return;
    constexpr int width = 30;
    const int filled = FTotal > 0 ? static_cast<int>(width * done / FTotal) : width;
    const double seconds = FClock.elapsed() / 1000.0;
    const long long rate = seconds > 0 ? static_cast<long long>(done / seconds) : 0;
    FTo << '\r' << FWhat << " [" << QString(filled, u'#') << QString(width - filled, u'.') << "] "
        << done << '/' << FTotal << " rows, " << rate << " rows/s ";
    FTo.flush();
    FDrawn = true;
}

void TProgress::Done() {
    if (!FDrawn) return;
    FTo << "\r\033[K";
    FTo.flush();
    FDrawn = false;
}

bool TProgress::ErrorIsTerminal() {
#ifdef Q_OS_WIN
    return _isatty(_fileno(stderr)) != 0;
#else
    return isatty(fileno(stderr)) != 0;
#endif
}
