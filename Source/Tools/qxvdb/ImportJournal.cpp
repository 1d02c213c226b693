#include "Tools/qxvdb/ImportJournal.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

#include "Tools/qxvdb/Routines.h"

namespace {

constexpr int kBatchRows = 5000;

// "KIND<tab>code" lines in key order, as the server lists a place's codes and names.
QJsonValue Lines(TPlacePairs pairs) {
    if (pairs.empty()) return QJsonValue();
    std::sort(pairs.begin(), pairs.end());
    QString text = EncodePlacePairs(pairs);
    text.chop(1);
    return text;
}

bool OnServer(TRoutines& calls) { return calls.Db().Scheme() == QLatin1String("postgresql"); }

}  // namespace

TImportJournal::TImportJournal(TRoutines& calls)
    : FCalls(calls),
      FAt(QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))),
      FWho(calls.Db().UserName().toUpper()) {
    FRows.Schema = calls.Schema();
    FRows.Table = QStringLiteral("JOURNAL");
    FRows.Columns = {QStringLiteral("AT"),     QStringLiteral("WHO"),   QStringLiteral("OP"),
                     QStringLiteral("KIND"),   QStringLiteral("OBJID"), QStringLiteral("PLACE"),
                     QStringLiteral("PARENT"), QStringLiteral("AFTER")};
}

void TImportJournal::Added(qint32 id, qint32 parent, long long type, const QString& name,
                           const TPlacePairs& codes, const TPlacePairs& names) {
    const QVariant parentId = parent > 0 ? QVariant(parent) : QVariant();
    const QJsonObject fields{{QStringLiteral("NAME"), name},
                             {QStringLiteral("ID_PARENT"), QJsonValue::fromVariant(parentId)},
                             {QStringLiteral("ID_LOCATTYPE"), type},
                             {QStringLiteral("CODES"), Lines(codes)},
                             {QStringLiteral("NAMES"), Lines(names)}};
    FRows.Values.insert(
        FRows.Values.end(),
        {FAt, FWho, QStringLiteral("ADD"), QStringLiteral("PLACE"), id, id, parentId,
         QString::fromUtf8(QJsonDocument(fields).toJson(QJsonDocument::Compact))});
    if (++FPending >= kBatchRows) Flush();
}

void TImportJournal::Flush() {
    if (FPending == 0) return;
    // The server's writers take the journal's lock before they draw a number, so that rows
    // commit in number order; the import takes it too, held to its commit.
    if (!FOrdered && OnServer(FCalls))
        FCalls.Db().Query(QStringLiteral("SELECT pg_advisory_xact_lock(hashtext(:KEY))"),
                          {{QStringLiteral("KEY"), FCalls.Schema().toLower() + ".journal"}});
    FOrdered = true;
    FCalls.Db().InsertRows(FRows);
    FRows.Values.clear();
    FPending = 0;
}

void TImportJournal::Finish() {
    Flush();
    if (!FOrdered || !OnServer(FCalls)) return;
    const long long last =
        FCalls.Result(QStringLiteral("QXVERPLOCAT"), QStringLiteral("GET_JOURNAL_SEQ"), {});
    FCalls.Db().Query(
        QStringLiteral("SELECT pg_notify('qxv_journal', :PAYLOAD)"),
        {{QStringLiteral("PAYLOAD"), FCalls.Schema().toUpper() + u':' + QString::number(last)}});
}
