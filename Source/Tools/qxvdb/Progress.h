#pragma once

#include <QElapsedTimer>
#include <QString>
#include <QTextStream>

// A bar on one terminal line for long runs: rows done, of how many, and rows per second,
// redrawn at most ten times a second. Silent when not enabled.
class TProgress {
public:
    TProgress(QTextStream& to, bool enabled) : FTo(to), FEnabled(enabled) {}

    void Start(const QString& what, long long total);
    void Advance(long long done);
    // Clears the bar so that the summary takes its line.
    void Done();

    // Whether the standard error stream is a terminal (a bar makes no sense in a log file).
    static bool ErrorIsTerminal();

private:
    void Draw(long long done);

    QTextStream& FTo;
    bool FEnabled;
    QString FWhat;
    long long FTotal = 0;
    QElapsedTimer FClock;
    qint64 FLastDraw = -1;
    bool FDrawn = false;
};
