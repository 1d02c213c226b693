#include "Tools/qxvdb/BulkLoad.h"

namespace {

constexpr int kBatchRows = 5000;

}  // namespace

TBulkInsert::TBulkInsert(IDbConnection& db, const QString& schema) : FDb(db) {
    CheckSchemaName(schema);
    FRows.Schema = schema;
    FRows.Table = QStringLiteral("LOCATION");
    FRows.Columns = {QStringLiteral("ID"), QStringLiteral("ID_PARENT"),
                     QStringLiteral("ID_LOCATTYPE"), QStringLiteral("NAME")};
    FRows.Identity = QStringLiteral("ID");
    FRows.Values.reserve(size_t(kBatchRows) * 4);
    FCodes.Schema = FNames.Schema = schema;
    FCodes.Table = QStringLiteral("LOCATION_CODE");
    FCodes.Columns = {QStringLiteral("ID_LOCATION"), QStringLiteral("KIND"), QStringLiteral("CODE")};
    FNames.Table = QStringLiteral("LOCATION_NAME");
    FNames.Columns = {QStringLiteral("ID_LOCATION"), QStringLiteral("LANG"), QStringLiteral("NAME")};
}

void TBulkInsert::AddExtras(qint32 id, const TPlacePairs& codes, const TPlacePairs& names) {
    for (const auto& [kind, code] : codes) FCodes.Values.insert(FCodes.Values.end(), {id, kind, code});
    for (const auto& [lang, name] : names) FNames.Values.insert(FNames.Values.end(), {id, lang, name});
}

void TBulkInsert::Add(qint32 id, qint32 parent, long long type, const QString& name) {
    FRows.Values.emplace_back(id);
    FRows.Values.emplace_back(parent > 0 ? QVariant(parent) : QVariant());
    FRows.Values.emplace_back(type);
    FRows.Values.emplace_back(name);
    if (++FPending >= kBatchRows) Flush();
}

void TBulkInsert::Flush() {
    if (FPending == 0) return;
    FDb.InsertRows(FRows);
    FWritten += FPending;
    FPending = 0;
    FRows.Values.clear();
    for (TBulkRows* extras : {&FCodes, &FNames}) {
        if (extras->Values.empty()) continue;
        FDb.InsertRows(*extras);
        extras->Values.clear();
    }
}
