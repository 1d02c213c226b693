#include "Platform/Data/DbBackend.h"

#include <QHash>
#include <QRegularExpression>

#include "Platform/Data/EOraError.h"

// Built-in engines, compiled into this library.
void RegisterSqliteBackend();
void RegisterPostgresBackend();

IDbConnection::~IDbConnection() = default;

// A connection without transactions of its own (a test double) has nothing to open.
void IDbConnection::StartTransaction() {}

void IDbConnection::StartWriteTransaction(const QString& /*schema*/) { StartTransaction(); }

void IDbConnection::ExecuteScript(const QString& script) { Execute(script, {}); }

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

void CheckSchemaName(const QString& schema) {
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z_][A-Za-z0-9_$#]{0,62}$"));
    if (!plain.match(schema).hasMatch())
        throw EOraError::Make(OraCode::InvalidIdentifier,
                              QStringLiteral("\"%1\": invalid identifier (a schema name must be a "
                                             "plain identifier)")
                                  .arg(schema));
}

QString QuotedSchemaName(const QString& schema) {
    CheckSchemaName(schema);
    return u'"' + schema.toLower() + u'"';
}
