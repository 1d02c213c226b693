#include "Tools/qxvdb/BulkLoad.h"

#include <cstdio>

#include "Platform/Data/EOraError.h"

namespace {

constexpr int kBatchRows = 5000;

struct TBatch {
    QByteArray& Ids;
    QByteArray& Parents;
    QByteArray& Types;
    QByteArray& Names;
};

// The embedded engine reads one JSON array of [id, parent, type, name] rows.
void AppendJsonString(QByteArray& to, const QByteArray& utf8) {
    to += '"';
    for (const char c : utf8) {
        if (c == '"' || c == '\\') {
            to += '\\';
            to += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned char>(c));
            to += escaped;
        } else {
            to += c;
        }
    }
    to += '"';
}

void AppendJsonRow(TBatch b, qint32 id, qint32 parent, long long type, const QString& name) {
    b.Names += b.Names.isEmpty() ? '[' : ',';
    b.Names += '[';
    b.Names += QByteArray::number(id);
    b.Names += ',';
    b.Names += parent > 0 ? QByteArray::number(parent) : QByteArray("null");
    b.Names += ',';
    b.Names += QByteArray::number(type);
    b.Names += ',';
    AppendJsonString(b.Names, name.toUtf8());
    b.Names += ']';
}

std::vector<TBoundValue> JsonParams(TBatch b) {
    b.Names += ']';
    return {{QStringLiteral("ROWS"), QString::fromUtf8(b.Names)}};
}

// PostgreSQL reads one array per column and unnests them side by side.
void AppendArrayItem(QByteArray& to, const QByteArray& item) {
    to += to.isEmpty() ? '{' : ',';
    to += item;
}

void AppendArrayText(QByteArray& to, const QByteArray& utf8) {
    to += to.isEmpty() ? '{' : ',';
    to += '"';
    for (const char c : utf8) {
        if (c == '"' || c == '\\') to += '\\';
        to += c;
    }
    to += '"';
}

void AppendArrayRow(TBatch b, qint32 id, qint32 parent, long long type, const QString& name) {
    AppendArrayItem(b.Ids, QByteArray::number(id));
    AppendArrayItem(b.Parents, parent > 0 ? QByteArray::number(parent) : QByteArray("NULL"));
    AppendArrayItem(b.Types, QByteArray::number(type));
    AppendArrayText(b.Names, name.toUtf8());
}

std::vector<TBoundValue> ArrayParams(TBatch b) {
    const auto closed = [](const QByteArray& a) { return QString::fromUtf8(a + '}'); };
    return {{QStringLiteral("IDS"), closed(b.Ids)},
            {QStringLiteral("PARENTS"), closed(b.Parents)},
            {QStringLiteral("TYPES"), closed(b.Types)},
            {QStringLiteral("NAMES"), closed(b.Names)}};
}

}  // namespace

struct TBulkEngine {
    const char* Scheme;
    const char* Insert;  // {S}: the quoted schema
    const char* After;   // run once when rows were written; may be empty
    void (*Append)(TBatch, qint32, qint32, long long, const QString&);
    std::vector<TBoundValue> (*Params)(TBatch);
};

namespace {

const TBulkEngine* EngineFor(const QString& scheme);

}  // namespace

TBulkInsert::TBulkInsert(IDbConnection& db, const QString& schema)
    : FDb(db), FSchema(QuotedSchemaName(schema)), FEngine(EngineFor(db.Scheme())) {
    if (!FEngine)
        throw EOraError::Make(
            6550, QStringLiteral("no bulk load for the engine \"%1\"").arg(db.Scheme()));
}

TBulkInsert::~TBulkInsert() = default;

void TBulkInsert::Add(qint32 id, qint32 parent, long long type, const QString& name) {
    FEngine->Append({FIds, FParents, FTypes, FNames}, id, parent, type, name);
    if (++FPending >= kBatchRows) Flush();
}

void TBulkInsert::Flush() {
    if (FPending == 0) return;
    const std::vector<TBoundValue> params = FEngine->Params({FIds, FParents, FTypes, FNames});
    FDb.Execute(QString::fromLatin1(FEngine->Insert).replace(QLatin1String("{S}"), FSchema),
                params);
    FWritten += FPending;
    FPending = 0;
    FIds.clear();
    FParents.clear();
    FTypes.clear();
    FNames.clear();
}

void TBulkInsert::Finish() {
    Flush();
    if (FWritten > 0 && *FEngine->After)
        FDb.Query(QString::fromLatin1(FEngine->After).replace(QLatin1String("{S}"), FSchema),
                  {{QStringLiteral("TABLE"), FSchema + QStringLiteral(".location")}});
}

namespace {

const TBulkEngine kEngines[] = {
    {"sqlite",
     "INSERT INTO {S}.LOCATION (ID, ID_PARENT, ID_LOCATTYPE, NAME) "
     "SELECT value ->> 0, value ->> 1, value ->> 2, value ->> 3 FROM json_each(:ROWS)",
     "", AppendJsonRow, JsonParams},
    {"postgresql",
     "INSERT INTO {S}.location (id, id_parent, id_locattype, name) "
     "SELECT * FROM unnest(CAST(:IDS AS integer[]), CAST(:PARENTS AS integer[]), "
     "CAST(:TYPES AS integer[]), CAST(:NAMES AS text[]))",
     // Identity numbers continue after the ids the file brought.
     "SELECT setval(pg_get_serial_sequence(:TABLE, 'id'), (SELECT max(id) FROM {S}.location))",
     AppendArrayRow, ArrayParams},
};

const TBulkEngine* EngineFor(const QString& scheme) {
    for (const auto& e : kEngines)
        if (scheme == QLatin1String(e.Scheme)) return &e;
    return nullptr;
}

}  // namespace
