#include "Location/JournalWatcher.h"

#include <QMetaMethod>

#include "Platform/Data/OraSession.h"
#include "Platform/Data/OraStoredProc.h"
#include "Platform/Data/ServerLock.h"

#include <utility>

namespace {

constexpr int kPage = 1000;

int IdOrNone(const TField& field) { return field.IsNull() ? -1 : field.AsInteger(); }

}  // namespace

TJournalWatcher* TJournalWatcher::Of(TOraSession* session, const QString& schema) {
    const QString name = QStringLiteral("JournalWatcher_") + schema.toUpper();
    if (auto* found = session->findChild<TJournalWatcher*>(name, Qt::FindDirectChildrenOnly))
        return found;
    auto* watcher = new TJournalWatcher(session, schema);
    watcher->setObjectName(name);
    return watcher;
}

TJournalWatcher::TJournalWatcher(TOraSession* session, const QString& schema)
    : QObject(session), FSession(session), FSchema(schema) {
    FTimer.setInterval(kInterval);
    connect(&FTimer, &QTimer::timeout, this, &TJournalWatcher::Poll);
    FTimer.start();
}

bool TJournalWatcher::Followed() const {
    static const QMetaMethod changed = QMetaMethod::fromSignal(&TJournalWatcher::Changed);
    return isSignalConnected(changed);
}

void TJournalWatcher::Poll() {
    // Nobody follows: the next window starts from what the server holds when it opens.
    if (FPolling || !FSession->Connected() || !Followed()) {
        if (!FPolling && !Followed()) FSeq = -1;
        return;
    }
    FPolling = true;
    std::vector<TJournalRow> rows;
    try {
        const TServerLock lock;
        const bool changed = FSession->Connection().DataChanged(FSchema);
        if (FSeq < 0)
            FSeq = ReadLastSeq();  // after the first asking: nothing between is missed
        else if (changed)
            rows = ReadSince();
        FTimer.setInterval(kInterval);
    } catch (const std::exception&) {
        // The server gone, or a journal not there yet: asked again later, without a word to
        // the user, who sees the window's own calls fail if it matters.
        FTimer.setInterval(kRetryInterval);
    }
    FPolling = false;
    if (rows.empty()) return;
    FSeq = rows.back().Seq;
    emit Changed(rows);
}

long long TJournalWatcher::ReadLastSeq() const {
    TOraStoredProc proc;
    proc.SetSession(FSession);
    proc.SetStoredProcName(FSchema + QStringLiteral(".QXVERPLOCAT.GET_JOURNAL_SEQ"));
    proc.Prepare();
    proc.ExecProc();
    return proc.ParamByName(QStringLiteral("RESULT")).Value().toLongLong();
}

std::vector<TJournalRow> TJournalWatcher::ReadSince() const {
    std::vector<TJournalRow> rows;
    TOraStoredProc proc;
    proc.SetSession(FSession);
    proc.SetStoredProcName(FSchema + QStringLiteral(".QXVERPLOCAT.GET_T#JOURNAL"));
    for (long long since = FSeq;;) {
        proc.Close();
        proc.ParamByName(QStringLiteral("PSINCE")).SetAsInteger(since);
        proc.ParamByName(QStringLiteral("PLIMIT")).SetAsInteger(kPage);
        proc.Open();
        int count = 0;
        for (proc.First(); !proc.Eof(); proc.Next(), ++count) {
            auto field = [&proc](const char* name) -> const TField& {
                return proc.FieldByName(QString::fromLatin1(name));
            };
            rows.push_back({field("SEQ").AsLargeInt(), field("OP").AsString(),
                            field("KIND").AsString(), field("OBJID").AsInteger(),
                            IdOrNone(field("PLACE")), IdOrNone(field("PARENT"))});
        }
        if (count < kPage) break;
        since = rows.back().Seq;
    }
    return rows;
}
