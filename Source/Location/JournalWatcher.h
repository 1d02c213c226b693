#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <vector>

class TOraSession;

// One row of the directory's change journal, as an open window follows it.
struct TJournalRow {
    long long Seq = 0;
    QString Op;    // ADD, EDIT, MOVE, DELETE
    QString Kind;  // PLACE, ITEM, ABBREV, LEVEL
    int ObjID = 0;
    int Place = -1;   // the place the row concerns; -1 for none
    int Parent = -1;  // a place's parent after the change (before it, for a delete); -1 at the top

    bool Is(const char* kind) const { return Kind == QLatin1String(kind); }
    bool IsOp(const char* op) const { return Op == QLatin1String(op); }
};

// Follows the changes other sessions make to a schema and tells the windows of a session the
// journal rows written since it last looked. A timer on the windows' thread asks the
// connection whether anything changed, which costs no wait on the server; only then is the
// journal read. A server that is gone is asked again later, quietly.
class TJournalWatcher : public QObject {
    Q_OBJECT
public:
    // The one watcher of a session's schema, made at the first asking; it goes with the session.
    static TJournalWatcher* Of(TOraSession* session, const QString& schema);

    // Looks now instead of at the next tick.
    void Poll();
    // The last journal row seen (-1 before the first look).
    long long Seq() const { return FSeq; }

    static constexpr int kInterval = 100;        // ms between looks
    static constexpr int kRetryInterval = 2000;  // ms between looks while the server is gone

signals:
    // The rows in journal order; a session's own changes are among them.
    void Changed(const std::vector<TJournalRow>& rows);

private:
    TJournalWatcher(TOraSession* session, const QString& schema);
    // The journal's rows after FSeq, every page of them.
    std::vector<TJournalRow> ReadSince() const;
    long long ReadLastSeq() const;
    bool Followed() const;

    TOraSession* FSession;
    QString FSchema;
    QTimer FTimer;
    long long FSeq = -1;
    bool FPolling = false;
};
