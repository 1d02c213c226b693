#include "Platform/Data/DbBackend.h"

#include <QHash>
#include <QRegularExpression>

#include "Platform/Data/EOraError.h"

// Built-in engines, compiled into this library.
void RegisterSqliteBackend();
void RegisterPostgresBackend();

IDbConnection::~IDbConnection() = default;

namespace {

TLockWaitObserver& LockWaitObserver() {
    static TLockWaitObserver observer;
    return observer;
}

}  // namespace

void SetLockWaitObserver(TLockWaitObserver observer) { LockWaitObserver() = std::move(observer); }

void NotifyLockWait(bool waiting) {
    if (LockWaitObserver()) LockWaitObserver()(waiting);
}

// A connection without transactions of its own (a test double) has nothing to open.
void IDbConnection::StartTransaction() {}

void IDbConnection::StartWriteTransaction(const QString& /*schema*/) { StartTransaction(); }

void IDbConnection::ExecuteScript(const QString& script) { Execute(script, {}); }

// For engines and test doubles without a batch form of their own. The numbering is left to
// the engine: one that numbers after the highest id (as SQLite's AUTOINCREMENT does) keeps the
// promise about Identity by itself.
void IDbConnection::InsertRows(const TBulkRows& rows) {
    const qsizetype width = rows.Columns.size();
    if (width == 0 || rows.Values.empty()) return;
    QStringList columns, places;
    std::vector<TBoundValue> params(static_cast<size_t>(width));
    for (qsizetype c = 0; c < width; ++c) {
        columns << QuotedName(rows.Columns[c]);
        places << QStringLiteral(":V%1").arg(c);
        params[static_cast<size_t>(c)].Name = QStringLiteral("V%1").arg(c);
    }
    const QString sql = QStringLiteral("INSERT INTO %1.%2 (%3) VALUES (%4)")
                            .arg(QuotedSchemaName(rows.Schema), QuotedName(rows.Table),
                                 columns.join(u','), places.join(u','));
    for (size_t first = 0; first + static_cast<size_t>(width) <= rows.Values.size();
         first += static_cast<size_t>(width)) {
        for (size_t c = 0; c < params.size(); ++c) params[c].Value = rows.Values[first + c];
        Execute(sql, params);
    }
}

bool IDbConnection::DataChanged(const QString& /*schema*/) { return true; }

// Engines without a bulk output of their own: the caller reads the rows.
bool IDbConnection::CopyOut(const QString&, const TCopySink&) { return false; }

namespace {

QHash<QString, TBackendFactory>& Table() {
    static QHash<QString, TBackendFactory> backends;
    return backends;
}

// The built-in engines register through RegisterBackend, which writes the table
// directly: calling back into this function during its own initialisation would
// re-enter the static initialiser.
QHash<QString, TBackendFactory>& Backends() {
    static const bool builtIns = [] {
        RegisterSqliteBackend();
        RegisterPostgresBackend();
        return true;
    }();
    (void)builtIns;
    return Table();
}

}  // namespace

void RegisterBackend(const QString& scheme, TBackendFactory factory) {
    Table().insert(scheme.toLower(), std::move(factory));
}

std::unique_ptr<IDbConnection> OpenConnection(const QString& connectionString) {
    const qsizetype colon = connectionString.indexOf(u':');
    const QString scheme = colon > 0 ? connectionString.left(colon).toLower() : QString();
    const auto& backends = Backends();
    const auto it = backends.find(scheme);
    if (it == backends.end())
        throw EOraError::Make(12154, QStringLiteral("TNS:could not resolve the connect identifier "
                                                    "specified (unknown database kind \"%1\")")
                                         .arg(scheme));
    return (*it)(connectionString);
}

namespace {

// A name the SQL may carry quoted: a plain identifier, or an error naming what it is for.
void CheckPlainName(const QString& name, const char* what) {
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z_][A-Za-z0-9_$#]{0,62}$"));
    if (!plain.match(name).hasMatch())
        throw EOraError::Make(OraCode::InvalidIdentifier,
                              QStringLiteral("\"%1\": invalid identifier (a %2 must be a plain "
                                             "identifier)")
                                  .arg(name, QLatin1String(what)));
}

}  // namespace

void CheckSchemaName(const QString& schema) { CheckPlainName(schema, "schema name"); }

QString QuotedSchemaName(const QString& schema) {
    CheckSchemaName(schema);
    return u'"' + schema.toLower() + u'"';
}

QString QuotedName(const QString& name) {
    CheckPlainName(name, "table or column name");
    return u'"' + name.toLower() + u'"';
}
