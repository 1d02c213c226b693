// The embedded engine: "sqlite:PATH[?user=NAME][&timeout=MS]". The main database holds the
// catalogue; every schema lives in its own database attached under the schema's name, beside PATH
// as PATH.<schema> (or in memory for ":memory:"). Routines are C++ functions from the registry in
// this file; a failing call leaves nothing behind (its transaction, or inside an open one its
// savepoint, is rolled back).
//
// Every file runs in WAL mode, so readers never block the writer and several programs can open
// one database. Outside an explicit transaction each call is its own transaction: a changing
// routine and a writing statement take the write lock up front (waiting up to the busy timeout
// for another session to finish) and commit when they return; a reading routine reads the last
// committed state and never waits.

#include <QElapsedTimer>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QUrlQuery>

#include <sqlite3.h>

#include <QDir>
#include <QFile>
#include <QUrl>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <map>
#include <memory>
#include <mutex>
#include <utility>
#include <set>

#include "Platform/Data/DataConvert.h"
#include "Platform/Data/DbBackend.h"
#include "Platform/Data/EOraError.h"
#include "Platform/Data/SqlText.h"
#include "Platform/Data/Sqlite/SqliteFiles.h"
#include "Platform/Data/Sqlite/SqliteRoutines.h"
#include "Platform/NameWords.h"

namespace {

struct TDbCloser {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
struct TStmtFinalizer {
    void operator()(sqlite3_stmt* stmt) const { sqlite3_finalize(stmt); }
};
using TDbHandle = std::unique_ptr<sqlite3, TDbCloser>;
using TStmtHandle = std::unique_ptr<sqlite3_stmt, TStmtFinalizer>;

const QString kDefaultUser = QStringLiteral("QXVBASE");

// ---------------------------------------------------------------------------------------
// The routine registry, shared by every connection of the process.

struct TRegisteredRoutine {
    std::vector<TParamDesc> Params;
    TSqliteRoutineBody Body;
    TSqliteRoutineKind Kind = TSqliteRoutineKind::Changes;
};

std::mutex& RegistryMutex() {
    static std::mutex mutex;
    return mutex;
}
QHash<QString, TRegisteredRoutine>& Registry() {
    static QHash<QString, TRegisteredRoutine> routines;
    return routines;
}
QString RoutineKey(const QString& package, const QString& routine) {
    return package.toUpper() + QLatin1Char('.') + routine.toUpper();
}
std::optional<TRegisteredRoutine> FindRoutine(const QString& package, const QString& routine) {
    std::lock_guard lock(RegistryMutex());
    const auto it = Registry().constFind(RoutineKey(package, routine));
    if (it == Registry().constEnd()) return std::nullopt;
    return *it;
}

EOraError NotDeclared(const QString& what) {
    return EOraError::Make(OraCode::NoSuchRoutine,
                           QStringLiteral("line 1, column 7:\nPLS-00201: identifier '%1' must be "
                                          "declared")
                               .arg(what.toUpper()));
}

bool IsPlainName(const QString& name) {
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z_][A-Za-z0-9_$#]{0,62}$"));
    return plain.match(name).hasMatch();
}

QString QuoteIdent(const QString& name) {
    return QLatin1Char('"') + QString(name).replace(QLatin1Char('"'), QStringLiteral("\"\"")) +
           QLatin1Char('"');
}

// ---------------------------------------------------------------------------------------
// Values

TFieldType TypeFromDecl(const char* decl) {
    if (!decl) return TFieldType::Unknown;
    const QByteArray d = QByteArray(decl).toUpper();
    if (d.contains("INT")) return TFieldType::Integer;
    if (d.contains("CHAR") || d.contains("TEXT") || d.contains("CLOB")) return TFieldType::String;
    if (d.contains("BLOB")) return TFieldType::Blob;
    if (d.contains("BOOL")) return TFieldType::Boolean;
    if (d.contains("DATE") || d.contains("TIME")) return TFieldType::DateTime;
    if (d.contains("REAL") || d.contains("FLOA") || d.contains("DOUB") || d.contains("NUM"))
        return TFieldType::Float;
    return TFieldType::Unknown;
}

// One cell of the current row, made in place at the end of the rows.
void ReadColumn(sqlite3_stmt* stmt, int i, TRepeatedText& text, TRows& to) {
    sqlite3_value* v = sqlite3_column_value(stmt, i);
    switch (sqlite3_value_type(v)) {
        case SQLITE_INTEGER:
            return to.Append(qlonglong(sqlite3_value_int64(v)));
        case SQLITE_FLOAT:
            return to.Append(sqlite3_value_double(v));
        case SQLITE_TEXT: {
            const auto* utf8 = reinterpret_cast<const char*>(sqlite3_value_text(v));
            return to.Append(text.Value(utf8, size_t(sqlite3_value_bytes(v))));
        }
        case SQLITE_BLOB: {
            const void* data = sqlite3_value_blob(v);
            const int size = sqlite3_value_bytes(v);
            return to.Append(data ? QByteArray(static_cast<const char*>(data), size)
                                  : QByteArray("", 0));
        }
        default:
            return to.Append();
    }
}

// The connection's own mutex, held while a result is read: the column values read inside are
// then as safe as the protected ones, and each step and column call takes the mutex again only
// as its owner, without an atomic operation.
class THeldConnection {
public:
    explicit THeldConnection(sqlite3* db) : FMutex(sqlite3_db_mutex(db)) {
        sqlite3_mutex_enter(FMutex);
    }
    ~THeldConnection() { sqlite3_mutex_leave(FMutex); }
    THeldConnection(const THeldConnection&) = delete;
    THeldConnection& operator=(const THeldConnection&) = delete;

private:
    sqlite3_mutex* FMutex;  // null in single-thread builds: enter and leave do nothing
};

int BindValue(sqlite3_stmt* stmt, int i, const QVariant& v, TFieldType type) {
    if (!v.isValid() || v.isNull()) return sqlite3_bind_null(stmt, i);
    if (type == TFieldType::Blob || v.typeId() == QMetaType::QByteArray) {
        const QByteArray bytes = v.toByteArray();
        return sqlite3_bind_blob64(stmt, i, bytes.constData(), sqlite3_uint64(bytes.size()),
                                   SQLITE_TRANSIENT);
    }
    bool ok = false;
    switch (type) {
        case TFieldType::Integer: {
            const qlonglong n = v.toLongLong(&ok);
            if (ok) return sqlite3_bind_int64(stmt, i, n);
            break;
        }
        case TFieldType::Float: {
            const double d = v.toDouble(&ok);
            if (ok) return sqlite3_bind_double(stmt, i, d);
            break;
        }
        case TFieldType::Boolean:
            return sqlite3_bind_int(stmt, i, v.toBool() ? 1 : 0);
        default:
            break;
    }
    switch (v.typeId()) {
        case QMetaType::Bool:
            return sqlite3_bind_int(stmt, i, v.toBool() ? 1 : 0);
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::Long:
        case QMetaType::ULong:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
            return sqlite3_bind_int64(stmt, i, v.toLongLong());
        case QMetaType::Double:
        case QMetaType::Float:
            return sqlite3_bind_double(stmt, i, v.toDouble());
        default: {
            const QByteArray text = v.toString().toUtf8();
            return sqlite3_bind_text64(stmt, i, text.constData(), sqlite3_uint64(text.size()),
                                       SQLITE_TRANSIENT, SQLITE_UTF8);
        }
    }
}

// Oracle's NVL, so that the framework's generic queries run here as written.
void NvlFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
    sqlite3_result_value(ctx, sqlite3_value_type(argv[0]) == SQLITE_NULL ? argv[1] : argv[0]);
}

// UPPER and LOWER as the server engine has them: every letter folded, not only ASCII.
template <bool Upper>
void CaseFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
    const QString value = QString::fromUtf8(text, sqlite3_value_bytes(argv[0]));
    const QByteArray folded = (Upper ? value.toUpper() : value.toLower()).toUtf8();
    sqlite3_result_text(ctx, folded.constData(), int(folded.size()), SQLITE_TRANSIENT);
}

// SEARCH_WORDS(key): a name's search keys word by word, as a JSON array for json_each (the
// first element is the whole key); the triggers that keep the index of name words call it.
void SearchWordsFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
    const QJsonArray words =
        QJsonArray::fromStringList(NameWordKeys(QString::fromUtf8(text, sqlite3_value_bytes(argv[0]))));
    const QByteArray json = QJsonDocument(words).toJson(QJsonDocument::Compact);
    sqlite3_result_text(ctx, json.constData(), int(json.size()), SQLITE_TRANSIENT);
}

// True when text after the first statement holds more than blanks, semicolons and comments.
bool HasAnotherStatement(const char* tail, const char* end) {
    while (tail < end) {
        if (std::isspace(static_cast<unsigned char>(*tail)) || *tail == ';') {
            ++tail;
        } else if (end - tail >= 2 && tail[0] == '-' && tail[1] == '-') {
            while (tail < end && *tail != '\n') ++tail;
        } else if (end - tail >= 2 && tail[0] == '/' && tail[1] == '*') {
            static constexpr char kClose[] = "*/";
            const char* close = std::search(tail + 2, end, kClose, kClose + 2);
            if (close == end) return true;  // an unterminated comment is not a clean end
            tail = close + 2;
        } else {
            return true;
        }
    }
    return false;
}

// ---------------------------------------------------------------------------------------

class TSqliteConnection final : public IDbConnection, public TSqliteRoutineContext {
public:
    explicit TSqliteConnection(const QString& connectionString);
    ~TSqliteConnection() override;
    TSqliteConnection(const TSqliteConnection&) = delete;
    TSqliteConnection& operator=(const TSqliteConnection&) = delete;

    QString Scheme() const override { return QStringLiteral("sqlite"); }
    QString UserName() const override { return FUser; }
    QString Server() const override { return FPath; }

    TRoutineDesc Describe(const QString& schema, const QString& package,
                          const QString& routine) override;
    TCallResult Call(const TRoutineDesc& routine, const std::vector<TBoundValue>& inputs) override;
    TRowSet Query(const QString& sql, const std::vector<TBoundValue>& params) override;
    long long Execute(const QString& sql, const std::vector<TBoundValue>& params) override;
    void InsertRows(const TBulkRows& rows) override;
    QVariant PackageVariable(const QString& schema, const QString& package,
                             const QString& name) override;
    void StartTransaction() override;
    void StartWriteTransaction(const QString& schema) override;
    void Commit() override;
    void Rollback() override;
    bool DataChanged(const QString& schema) override;

    long long LastInsertId() override { return sqlite3_last_insert_rowid(FDb.get()); }

    bool Attach(const QString& schema, bool create);

private:
    TRowSet Run(const QString& sql, const std::vector<TBoundValue>& params, long long* changes,
                bool script = false);
    TRowSet Step(sqlite3_stmt* stmt, const std::vector<TBoundValue>& params, const QString& sql);
    sqlite3_stmt* KeptStatement(const QByteArray& text);
    void Keep(const QByteArray& text, TStmtHandle stmt);
    QString Rewritten(const QString& sql);
    void ExecuteScript(const QString& script) override;
    void Exec(const char* sql);
    TCallResult RunRoutine(const TRegisteredRoutine& found, const TRoutineDesc& routine,
                           const std::vector<TBoundValue>& inputs, bool inSavepoint);
    template <typename F>
    auto UnitOfWork(bool writes, F&& work) -> decltype(work());
    void UseWal(const QString& database);
    void InitCatalogue();
    bool IsInstalled(const QString& schema, const QString& package);
    bool AttachMentioned(const QString& message);
    [[noreturn]] void Fail(const QString& sql);
    // The busy handler: waits up to the busy timeout for another session's lock, and says so.
    static int WaitForLock(void* self, int tries);
    void EndLockWait();

    static constexpr size_t kKeptStatements = 200;

    TDbHandle FDb;
    std::map<QByteArray, TStmtHandle> FKept;  // prepared single statements by their text
    QHash<QString, QString> FRewritten;       // statements as written and as run
    QString FPath;
    QString FUser = kDefaultUser;
    bool FInMemory = false;
    bool FReadOnly = false;       // a file in a folder nobody may write to
    int FBusyTimeout = 5000;      // ms a statement waits for another session's lock
    QElapsedTimer FWaiting;       // running while a statement waits for a lock
    std::set<QString> FAttached;  // lower-case schema names
    std::map<QString, long long> FDataVersions;  // the last data_version seen, by schema
    QString FCurrentSchema;       // of the routine running, for messages
    int FCallDepth = 0;
    int FUnitDepth = 0;      // units of work running: the inner ones join the outer one
    bool FExplicit = false;  // StartTransaction was called: Commit or Rollback ends it
};

TSqliteConnection::TSqliteConnection(const QString& connectionString) {
    QString rest = connectionString.mid(connectionString.indexOf(QLatin1Char(':')) + 1);
    if (rest.startsWith(QLatin1String("//"))) rest = rest.mid(2);
    const qsizetype q = rest.indexOf(QLatin1Char('?'));
    if (q >= 0) {
        const QUrlQuery query(rest.mid(q + 1));
        const QString user = query.queryItemValue(QStringLiteral("user"), QUrl::FullyDecoded);
        if (!user.isEmpty()) FUser = user;
        const QString timeout = query.queryItemValue(QStringLiteral("timeout"));
        if (!timeout.isEmpty()) {
            bool ok = false;
            const int ms = timeout.toInt(&ok);
            if (!ok || ms < 0)
                throw EOraError::Make(
                    12154, QStringLiteral("invalid timeout \"%1\" in \"%2\" (milliseconds "
                                          "expected)")
                               .arg(timeout, connectionString));
            FBusyTimeout = ms;
        }
        rest = rest.left(q);
    }
    FPath = rest;
    if (FPath.isEmpty())
        throw EOraError::Make(12154, QStringLiteral("TNS:could not resolve the connect identifier "
                                                    "specified (no database file in \"%1\")")
                                         .arg(connectionString));
    FInMemory = FPath == QLatin1String(":memory:");

    SqliteSurviveFileSizeLimit();
    const TSqliteFileName file =
        FInMemory ? TSqliteFileName{FPath.toUtf8(), false} : SqliteFileName(FPath);
    FReadOnly = file.ReadOnly;
    sqlite3* raw = nullptr;
    const int flags = FReadOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
    const int rc = sqlite3_open_v2(file.Name.constData(), &raw, flags | SQLITE_OPEN_URI, nullptr);
    FDb.reset(raw);
    if (rc != SQLITE_OK)
        throw EOraError::Make(
            12154, QStringLiteral("cannot open the database \"%1\": %2")
                       .arg(FPath, QString::fromUtf8(raw ? sqlite3_errmsg(raw) : "out of memory")));
    sqlite3_extended_result_codes(FDb.get(), 1);
    sqlite3_busy_handler(FDb.get(), &TSqliteConnection::WaitForLock, this);
    sqlite3_create_function(FDb.get(), "NVL", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                            &NvlFunction, nullptr, nullptr);
    // Innocuous: a schema may use them (the search key of a place's name is LOWER of it).
    constexpr int pure = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS;
    sqlite3_create_function(FDb.get(), "UPPER", 1, pure, nullptr, &CaseFunction<true>, nullptr,
                            nullptr);
    sqlite3_create_function(FDb.get(), "LOWER", 1, pure, nullptr, &CaseFunction<false>, nullptr,
                            nullptr);
    sqlite3_create_function(FDb.get(), "SEARCH_WORDS", 1, pure, nullptr, &SearchWordsFunction,
                            nullptr, nullptr);
    Exec("PRAGMA foreign_keys = ON");
    if (!FReadOnly) InitCatalogue();
    Exec("CREATE TEMP VIEW IF NOT EXISTS DUAL AS SELECT 'X' AS DUMMY");
}

void TSqliteConnection::InitCatalogue() {
    UseWal(QStringLiteral("main"));
    Exec(
        "CREATE TABLE IF NOT EXISTS main.ALL_OBJECTS (OWNER TEXT NOT NULL, OBJECT_NAME TEXT NOT "
        "NULL, OBJECT_TYPE TEXT NOT NULL, STATUS TEXT NOT NULL DEFAULT 'VALID', PRIMARY KEY "
        "(OWNER, OBJECT_NAME, OBJECT_TYPE))");
}

TSqliteConnection::~TSqliteConnection() {
    if (FDb && !sqlite3_get_autocommit(FDb.get()))
        sqlite3_exec(FDb.get(), "ROLLBACK", nullptr, nullptr, nullptr);
}

void TSqliteConnection::Exec(const char* sql) {
    const int rc = sqlite3_exec(FDb.get(), sql, nullptr, nullptr, nullptr);
    EndLockWait();
    if (rc != SQLITE_OK) Fail(QString::fromUtf8(sql));
}

int TSqliteConnection::WaitForLock(void* self, int tries) {
    auto* connection = static_cast<TSqliteConnection*>(self);
    QElapsedTimer& waiting = connection->FWaiting;
    if (tries == 0 || !waiting.isValid()) {
        waiting.start();
        NotifyLockWait(true);
    }
    const qint64 left = connection->FBusyTimeout - waiting.elapsed();
    if (left <= 0) return 0;
    // Short naps first: most locks are a commit's moment.
    static constexpr int kNaps[] = {1, 2, 5, 10, 15, 20, 25, 25, 25, 50, 50, 100};
    const int nap = kNaps[std::min<size_t>(size_t(tries), std::size(kNaps) - 1)];
    sqlite3_sleep(int(std::min<qint64>(nap, left)));
    return 1;
}

void TSqliteConnection::EndLockWait() {
    if (!FWaiting.isValid()) return;
    FWaiting.invalidate();
    NotifyLockWait(false);
}

// The journal mode is kept in the file; it can only change outside a transaction.
void TSqliteConnection::UseWal(const QString& database) {
    if (FInMemory || FReadOnly || !sqlite3_get_autocommit(FDb.get())) return;
    Run(QStringLiteral("PRAGMA %1.journal_mode = WAL").arg(QuoteIdent(database)), {}, nullptr);
}

// Runs one call as its own transaction unless an explicit one (or an outer call) is open.
// A failure rolls the unit back whole, a failing commit included.
template <typename F>
auto TSqliteConnection::UnitOfWork(bool writes, F&& work) -> decltype(work()) {
    if (FExplicit || FUnitDepth > 0 || !sqlite3_get_autocommit(FDb.get())) {
        ++FUnitDepth;
        struct TLeave {
            int& Depth;
            ~TLeave() { --Depth; }
        } leave{FUnitDepth};
        return work();
    }
    Exec(writes ? "BEGIN IMMEDIATE" : "BEGIN");
    ++FUnitDepth;
    try {
        auto result = work();
        --FUnitDepth;
        Exec("COMMIT");
        return result;
    } catch (...) {
        if (FUnitDepth > 0) --FUnitDepth;
        if (!sqlite3_get_autocommit(FDb.get()))
            sqlite3_exec(FDb.get(), "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

void TSqliteConnection::StartTransaction() {
    if (FExplicit) return;
    FExplicit = true;
    if (sqlite3_get_autocommit(FDb.get())) Exec("BEGIN");
}

// BEGIN IMMEDIATE takes the write lock of every database attached when it runs: the schema's
// own file is attached first.
void TSqliteConnection::StartWriteTransaction(const QString& schema) {
    if (FExplicit) return;
    Attach(schema, false);
    if (sqlite3_get_autocommit(FDb.get())) Exec("BEGIN IMMEDIATE");
    FExplicit = true;
}

void TSqliteConnection::Commit() {
    FExplicit = false;
    if (sqlite3_get_autocommit(FDb.get())) return;
    try {
        Exec("COMMIT");
    } catch (...) {
        // A commit refused (another session's lock, a full disk) leaves nothing half-done.
        if (!sqlite3_get_autocommit(FDb.get()))
            sqlite3_exec(FDb.get(), "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

void TSqliteConnection::Rollback() {
    FExplicit = false;
    if (!sqlite3_get_autocommit(FDb.get())) Exec("ROLLBACK");
}

// data_version moves when another connection commits to the schema's file, never for this
// connection's own commits; reading it takes no lock.
bool TSqliteConnection::DataChanged(const QString& schema) {
    if (!Attach(schema, false)) return false;
    const QString name = schema.toLower();
    const TRowSet rs =
        Run(QStringLiteral("PRAGMA %1.data_version").arg(QuoteIdent(name)), {}, nullptr);
    const long long version = rs.Rows.empty() ? 0 : rs.Rows[0][0].toLongLong();
    const auto [seen, first] = FDataVersions.try_emplace(name, version);
    if (first) return true;
    return std::exchange(seen->second, version) != version;
}

bool TSqliteConnection::Attach(const QString& schema, bool create) {
    CheckSchemaName(schema);
    const QString name = schema.toLower();
    if (name == QLatin1String("main") || name == QLatin1String("temp"))
        throw EOraError::Make(
            OraCode::InvalidIdentifier,
            QStringLiteral("\"%1\": invalid identifier (a reserved database name)").arg(schema));
    if (FAttached.count(name)) return true;
    QString file = QStringLiteral(":memory:");
    if (!FInMemory) {
        const QString path = FPath + QLatin1Char('.') + name;
        if (!create && !QFileInfo::exists(path)) return false;
        file = QString::fromUtf8(FReadOnly ? SqliteFileName(path).Name : path.toUtf8());
    } else if (!create) {
        return false;
    }
    Run(QStringLiteral("ATTACH DATABASE :FILE AS %1").arg(QuoteIdent(name)), {{"FILE", file}},
        nullptr);
    FAttached.insert(name);
    UseWal(name);
    return true;
}

// A statement naming a schema that is not attached yet: attach it when its file exists.
bool TSqliteConnection::AttachMentioned(const QString& message) {
    static const QRegularExpression missing(
        QStringLiteral("^(?:no such table: ([A-Za-z_][A-Za-z0-9_$#]*)\\.|unknown database "
                       "\"?([A-Za-z_][A-Za-z0-9_$#]*))"));  // the name quoted as it was written
    const QRegularExpressionMatch m = missing.match(message);
    if (!m.hasMatch()) return false;
    const QString schema = m.captured(1).isEmpty() ? m.captured(2) : m.captured(1);
    if (!IsPlainName(schema) || FAttached.count(schema.toLower()) ||
        schema.compare(QLatin1String("main"), Qt::CaseInsensitive) == 0 ||
        schema.compare(QLatin1String("temp"), Qt::CaseInsensitive) == 0)
        return false;
    return Attach(schema, false);
}

// A routine runs the same few statements on every call, and preparing one costs about as much
// as running it on an index: a single statement is prepared once and kept by its text. A
// kept statement still in use (a call made while it is read) is not shared: that run prepares
// its own.
sqlite3_stmt* TSqliteConnection::KeptStatement(const QByteArray& text) {
    const auto kept = FKept.find(text);
    if (kept != FKept.end() && !sqlite3_stmt_busy(kept->second.get())) return kept->second.get();
    return nullptr;
}

void TSqliteConnection::Keep(const QByteArray& text, TStmtHandle stmt) {
    // A statement an outer call is still reading stays: finalizing it would pull its rows
    // from under that call.
    if (FKept.size() >= kKeptStatements)
        std::erase_if(FKept, [](const auto& kept) { return !sqlite3_stmt_busy(kept.second.get()); });
    FKept.try_emplace(text, std::move(stmt));
}

TRowSet TSqliteConnection::Run(const QString& sql, const std::vector<TBoundValue>& params,
                               long long* changes, bool script) {
    const QByteArray text = sql.toUtf8();
    const long long before = sqlite3_total_changes64(FDb.get());
    TRowSet result;
    if (sqlite3_stmt* kept = script ? nullptr : KeptStatement(text)) {
        result = Step(kept, params, sql);
    } else {
        const char* tail = text.constData();
        const char* const end = text.constData() + text.size();
        while (tail < end) {
            sqlite3_stmt* raw = nullptr;
            const char* next = nullptr;
            const int rc = sqlite3_prepare_v2(FDb.get(), tail, int(end - tail), &raw, &next);
            EndLockWait();
            if (rc != SQLITE_OK) {
                if (AttachMentioned(QString::fromUtf8(sqlite3_errmsg(FDb.get()))))
                    continue;  // prepare the same statement again
                Fail(sql);
            }
            TStmtHandle stmt(raw);
            tail = next;
            if (!stmt) continue;  // only blanks or a comment
            if (!script && HasAnotherStatement(tail, end))
                throw EOraError::Make(933, QStringLiteral("SQL command not properly ended (one "
                                                          "statement per call)"));
            TRowSet rows = Step(stmt.get(), params, sql);
            if (sqlite3_column_count(stmt.get()) > 0) result = std::move(rows);
            if (!script) Keep(text, std::move(stmt));
        }
    }
    if (changes) *changes = sqlite3_total_changes64(FDb.get()) - before;
    return result;
}

// Binds `params` by name (or by position for unnamed ones), runs the statement to its end and
// leaves it reset for the next run.
TRowSet TSqliteConnection::Step(sqlite3_stmt* stmt, const std::vector<TBoundValue>& params,
                                const QString& sql) {
    struct TReset {
        sqlite3_stmt* Stmt;
        ~TReset() {
            sqlite3_reset(Stmt);
            sqlite3_clear_bindings(Stmt);
        }
    } reset{stmt};
    const int count = sqlite3_bind_parameter_count(stmt);
    for (int i = 1; i <= count; ++i) {
        const char* pname = sqlite3_bind_parameter_name(stmt, i);
        const TBoundValue* found = nullptr;
        if (pname) {
            const QString name = QString::fromUtf8(pname + 1);
            for (const TBoundValue& p : params) {
                QString pn = p.Name;
                if (pn.startsWith(QLatin1Char(':'))) pn.remove(0, 1);
                if (pn.compare(name, Qt::CaseInsensitive) == 0) {
                    found = &p;
                    break;
                }
            }
        } else if (size_t(i) <= params.size()) {
            found = &params[size_t(i - 1)];
        }
        const int rc = found ? BindValue(stmt, i, found->Value, found->Type)
                             : sqlite3_bind_null(stmt, i);
        if (rc != SQLITE_OK) Fail(sql);
    }

    const int columns = sqlite3_column_count(stmt);
    TRowSet rows;
    for (int c = 0; c < columns; ++c)
        rows.Columns.push_back({QString::fromUtf8(sqlite3_column_name(stmt, c)),
                                TypeFromDecl(sqlite3_column_decltype(stmt, c))});
    rows.Rows.SetWidth(size_t(columns));
    std::vector<TRepeatedText> texts(static_cast<size_t>(columns));
    int rc = SQLITE_OK;
    {
        const THeldConnection held(FDb.get());
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW)
            for (int c = 0; c < columns; ++c) ReadColumn(stmt, c, texts[size_t(c)], rows.Rows);
    }
    EndLockWait();
    if (rc != SQLITE_DONE) Fail(sql);
    for (size_t c = 0; c < rows.Columns.size(); ++c) {
        if (rows.Columns[c].Type != TFieldType::Unknown) continue;
        for (const auto& row : rows.Rows)
            if (!row[c].isNull()) {
                rows.Columns[c].Type = DataConvert::TypeOf(row[c]);
                break;
            }
    }
    return rows;
}

void TSqliteConnection::Fail(const QString& sql) {
    const int code = sqlite3_extended_errcode(FDb.get());
    const QString message = QString::fromUtf8(sqlite3_errmsg(FDb.get()));
    const QString schema = (FCurrentSchema.isEmpty() ? FUser : FCurrentSchema).toUpper();

    // Triggers and routines raise messages already shaped as the server reports them.
    static const QRegularExpression ora(QStringLiteral("^ORA-(\\d{5}): "));
    if (const QRegularExpressionMatch m = ora.match(message); m.hasMatch())
        throw EOraError(m.captured(1).toInt(), message.endsWith(QLatin1Char('\n'))
                                                   ? message
                                                   : message + QLatin1Char('\n'));

    const QString detail = message.section(QStringLiteral(": "), 1);
    switch (code) {
        case SQLITE_CONSTRAINT_UNIQUE:
        case SQLITE_CONSTRAINT_PRIMARYKEY: {
            // "UNIQUE constraint failed: T.A, T.B": name it after the table and columns.
            QStringList parts = detail.split(QStringLiteral(", "));
            const QString table = parts.value(0).section(QLatin1Char('.'), 0, 0);
            for (QString& p : parts) p = p.section(QLatin1Char('.'), 1);
            const QString prefix = code == SQLITE_CONSTRAINT_PRIMARYKEY ? QStringLiteral("PK_")
                                                                        : QStringLiteral("UK_");
            throw EOraError(
                OraCode::UniqueViolation,
                OraConstraintText(
                    OraCode::UniqueViolation, schema,
                    (prefix + table + QLatin1Char('_') + parts.join(QLatin1Char('_'))).toUpper()) +
                    QLatin1Char('\n'));
        }
        case SQLITE_CONSTRAINT_CHECK:
            throw EOraError(OraCode::CheckViolation,
                            OraConstraintText(OraCode::CheckViolation, schema, detail.toUpper()) +
                                QLatin1Char('\n'));
        case SQLITE_CONSTRAINT_FOREIGNKEY: {
            const bool deleting =
                sql.trimmed().startsWith(QLatin1String("DELETE"), Qt::CaseInsensitive);
            const int ora = deleting ? OraCode::ChildRecordFound : OraCode::ParentKeyNotFound;
            throw EOraError(ora, OraConstraintText(ora, schema, QStringLiteral("FOREIGN_KEY")) +
                                     QLatin1Char('\n'));
        }
        case SQLITE_CONSTRAINT_NOTNULL: {
            const QString table = detail.section(QLatin1Char('.'), 0, 0).toUpper();
            const QString column = detail.section(QLatin1Char('.'), 1).toUpper();
            throw EOraError::Make(1400,
                                  QStringLiteral("cannot insert NULL into (\"%1\".\"%2\".\"%3\")")
                                      .arg(schema, table, column));
        }
        case SQLITE_IOERR_WRITE:
        case SQLITE_IOERR_FSYNC:
        case SQLITE_IOERR_TRUNCATE:
        case SQLITE_IOERR_SHMSIZE:
            // A file-size limit or a full disk, as the system told the engine.
            if (const int error = sqlite3_system_errno(FDb.get());
                error != EFBIG && error != ENOSPC)
                break;
            [[fallthrough]];
        case SQLITE_FULL:
            throw EOraError::Make(OraCode::NoSpace,
                                  QStringLiteral("unable to extend the database: the file or the "
                                                 "disk is full, nothing of the call was kept (%1)")
                                      .arg(message));
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            throw EOraError::Make(54, QStringLiteral("resource busy and acquire with NOWAIT "
                                                     "specified or timeout expired (%1)")
                                          .arg(message));
        default:
            break;
    }
    if (message.startsWith(QLatin1String("no such table")) ||
        message.startsWith(QLatin1String("unknown database")))
        throw EOraError::Make(942,
                              QStringLiteral("table or view does not exist (%1)").arg(message));
    if (message.startsWith(QLatin1String("no such column")))
        throw EOraError::Make(OraCode::InvalidIdentifier,
                              QStringLiteral("invalid identifier (%1)").arg(message));
    if (message.contains(QLatin1String("syntax error")) ||
        message.startsWith(QLatin1String("incomplete input")))
        throw EOraError::Make(900, QStringLiteral("invalid SQL statement (%1)").arg(message));
    throw EOraError::Make(OraCode::UserDefined, QStringLiteral("database error: %1").arg(message));
}

bool TSqliteConnection::IsInstalled(const QString& schema, const QString& package) {
    if (!Attach(schema, false)) return false;
    const TRowSet rs = Run(QStringLiteral("SELECT COUNT(*) FROM main.ALL_OBJECTS WHERE OWNER = :O "
                                          "AND OBJECT_NAME = :P AND OBJECT_TYPE = 'PACKAGE' AND "
                                          "STATUS = 'VALID'"),
                           {{"O", schema.toUpper()}, {"P", package.toUpper()}}, nullptr);
    return !rs.Rows.empty() && rs.Rows[0][0].toLongLong() > 0;
}

TRoutineDesc TSqliteConnection::Describe(const QString& schema, const QString& package,
                                         const QString& routine) {
    CheckSchemaName(schema);
    const auto found = FindRoutine(package, routine);
    if (!found || !IsInstalled(schema, package))
        throw NotDeclared(schema + QLatin1Char('.') + package + QLatin1Char('.') + routine);
    TRoutineDesc desc;
    desc.Schema = schema;
    desc.Package = package.toUpper();
    desc.Routine = routine.toUpper();
    desc.Params = found->Params;
    return desc;
}

TCallResult TSqliteConnection::Call(const TRoutineDesc& routine,
                                    const std::vector<TBoundValue>& inputs) {
    CheckSchemaName(routine.Schema);
    const auto found = FindRoutine(routine.Package, routine.Routine);
    if (!found || !IsInstalled(routine.Schema, routine.Package))
        throw NotDeclared(routine.Schema + QLatin1Char('.') + routine.Package + QLatin1Char('.') +
                          routine.Routine);
    // A call that is a transaction of its own is undone by its rollback: it needs no savepoint.
    const bool alone = !FExplicit && FUnitDepth == 0 && sqlite3_get_autocommit(FDb.get());
    return UnitOfWork(found->Kind == TSqliteRoutineKind::Changes,
                      [&] { return RunRoutine(*found, routine, inputs, !alone); });
}

TCallResult TSqliteConnection::RunRoutine(const TRegisteredRoutine& found,
                                          const TRoutineDesc& routine,
                                          const std::vector<TBoundValue>& inputs,
                                          bool inSavepoint) {
    const QByteArray savepoint = "qxv_call_" + QByteArray::number(FCallDepth);
    if (inSavepoint) Exec(("SAVEPOINT " + savepoint).constData());
    const QString outerSchema = FCurrentSchema;
    FCurrentSchema = routine.Schema;
    ++FCallDepth;
    auto undo = [&] {
        --FCallDepth;
        FCurrentSchema = outerSchema;
        if (!inSavepoint) return;
        sqlite3_exec(FDb.get(), ("ROLLBACK TO " + savepoint).constData(), nullptr, nullptr,
                     nullptr);
        sqlite3_exec(FDb.get(), ("RELEASE " + savepoint).constData(), nullptr, nullptr, nullptr);
    };
    TCallResult result;
    try {
        result = found.Body(*this, routine.Schema, TSqliteInputs(inputs));
    } catch (const EOraError&) {
        undo();
        throw;
    } catch (const std::exception& e) {
        undo();
        throw EOraError::Make(OraCode::UserDefined, QStringLiteral("%1.%2: %3")
                                                        .arg(routine.Package, routine.Routine,
                                                             QString::fromUtf8(e.what())));
    }
    --FCallDepth;
    FCurrentSchema = outerSchema;
    if (inSavepoint) Exec(("RELEASE " + savepoint).constData());
    return result;
}

// One statement outside a transaction is a transaction of its own.
namespace {

// Free SQL is written for Oracle: its column names and its null ordering hold here too.
QString OracleText(const QString& sql) {
    return SqlText::OracleNullOrdering(SqlText::QuoteReservedNames(sql));
}

}  // namespace

// Rewriting a statement reads all of its text, for every run: a routine's statements are
// rewritten once.
QString TSqliteConnection::Rewritten(const QString& sql) {
    const auto known = FRewritten.constFind(sql);
    if (known != FRewritten.constEnd()) return *known;
    if (size_t(FRewritten.size()) >= kKeptStatements) FRewritten.clear();
    return *FRewritten.insert(sql, OracleText(sql));
}

TRowSet TSqliteConnection::Query(const QString& sql, const std::vector<TBoundValue>& params) {
    return Run(Rewritten(sql), params, nullptr);
}

void TSqliteConnection::ExecuteScript(const QString& script) {
    UnitOfWork(true, [&] { return Run(script, {}, nullptr, true); });
}

long long TSqliteConnection::Execute(const QString& sql, const std::vector<TBoundValue>& params) {
    long long changes = 0;
    Run(Rewritten(sql), params, &changes);
    return changes;
}

namespace {

void AppendJsonString(QByteArray& to, const QByteArray& utf8) {
    to += '"';
    for (const char c : utf8) {
        if (c == '"' || c == '\\') {
            to += '\\';
            to += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            static const char hex[] = "0123456789abcdef";
            to += "\\u00";
            to += hex[(c >> 4) & 0xf];
            to += hex[c & 0xf];
        } else {
            to += c;
        }
    }
    to += '"';
}

// The cells as one JSON array of rows; false when one of them has no JSON form (a BLOB).
bool AppendJsonRows(QByteArray& to, const std::vector<QVariant>& values, size_t width) {
    to += '[';
    for (size_t i = 0; i < values.size(); ++i) {
        if (i % width == 0)
            to += i == 0 ? "[" : "],[";
        else
            to += ',';
        const QVariant& v = values[i];
        if (!v.isValid() || v.isNull()) {
            to += "null";
            continue;
        }
        switch (DataConvert::TypeOf(v)) {
            case TFieldType::Integer:
                to += QByteArray::number(v.toLongLong());
                break;
            case TFieldType::Boolean:
                to += v.toBool() ? '1' : '0';
                break;
            case TFieldType::Float:
                to += QByteArray::number(v.toDouble(), 'g', 17);
                break;
            case TFieldType::Blob:
                return false;
            default:
                AppendJsonString(to, v.toString().toUtf8());
        }
    }
    to += "]]";
    return true;
}

}  // namespace

// One statement for the batch: the rows travel as one JSON array that json_each unpacks. The
// engine numbers new rows after the highest id of the table by itself.
void TSqliteConnection::InsertRows(const TBulkRows& rows) {
    const size_t width = static_cast<size_t>(rows.Columns.size());
    if (width == 0 || rows.Values.empty()) return;
    QByteArray json;
    json.reserve(static_cast<qsizetype>(rows.Values.size()) * 12);
    if (!AppendJsonRows(json, rows.Values, width)) return IDbConnection::InsertRows(rows);
    QStringList columns, cells;
    for (size_t c = 0; c < width; ++c) {
        columns << QuotedName(rows.Columns[static_cast<qsizetype>(c)]);
        cells << QStringLiteral("value ->> %1").arg(c);
    }
    Execute(QStringLiteral("INSERT INTO %1.%2 (%3) SELECT %4 FROM json_each(:ROWS)")
                .arg(QuotedSchemaName(rows.Schema), QuotedName(rows.Table), columns.join(u','),
                     cells.join(u',')),
            {{QStringLiteral("ROWS"), QString::fromUtf8(json)}});
}

QVariant TSqliteConnection::PackageVariable(const QString& schema, const QString& package,
                                            const QString& name) {
    CheckSchemaName(schema);
    const QString what = schema + QLatin1Char('.') + package + QLatin1Char('.') + name;
    // Package variables of this engine are the rows of the schema's LANG_SETTINGS.
    if (package.compare(QLatin1String("LANG_PACK"), Qt::CaseInsensitive) != 0 ||
        !IsInstalled(schema, package))
        throw NotDeclared(what);
    const TRowSet rs = Query(QStringLiteral("SELECT VALUE FROM %1.LANG_SETTINGS WHERE NAME = :N")
                                 .arg(QuoteIdent(schema.toLower())),
                             {{"N", name.toUpper()}});
    if (rs.Rows.empty()) throw NotDeclared(what);
    const QVariant v = rs.Rows[0][0];
    if (v.typeId() == QMetaType::QString) {
        bool ok = false;
        const qlonglong n = v.toString().trimmed().toLongLong(&ok);
        if (ok) return QVariant(n);
        const double d = v.toString().trimmed().toDouble(&ok);
        if (ok) return QVariant(d);
    }
    return v;
}

}  // namespace

// ---------------------------------------------------------------------------------------

TSqliteRoutineContext::~TSqliteRoutineContext() = default;

QVariant TSqliteInputs::Value(const QString& name) const {
    for (const TBoundValue& v : FValues) {
        QString n = v.Name;
        if (n.startsWith(QLatin1Char(':'))) n.remove(0, 1);
        if (n.compare(name, Qt::CaseInsensitive) == 0) return v.Value;
    }
    return QVariant();
}

std::optional<long long> TSqliteInputs::Int(const QString& name) const {
    const QVariant v = Value(name);
    if (!v.isValid() || v.isNull()) return std::nullopt;
    bool ok = false;
    const long long n = v.toLongLong(&ok);
    if (ok) return n;
    const double d = v.toDouble(&ok);
    if (ok) return static_cast<long long>(d);
    return std::nullopt;
}

std::optional<long long> TSqliteInputs::Id(const QString& name) const {
    const auto n = Int(name);
    if (!n || *n < 1) return std::nullopt;
    return n;
}

void RegisterSqliteRoutine(const QString& package, const QString& routine,
                           std::vector<TParamDesc> params, TSqliteRoutineBody body,
                           TSqliteRoutineKind kind) {
    std::lock_guard lock(RegistryMutex());
    Registry().insert(RoutineKey(package, routine), {std::move(params), std::move(body), kind});
}

bool SqliteAttachSchema(IDbConnection& db, const QString& schema, bool create) {
    auto* connection = dynamic_cast<TSqliteConnection*>(&db);
    if (!connection)
        throw EOraError::Make(
            OraCode::UserDefined,
            QStringLiteral("not an embedded-engine connection: %1").arg(db.Scheme()));
    return connection->Attach(schema, create);
}

QString OraConstraintText(int code, const QString& schema, const QString& constraint) {
    const QString full = schema.toUpper() + QLatin1Char('.') + constraint;
    QString text;
    switch (code) {
        case OraCode::UniqueViolation:
            text = QStringLiteral("unique constraint (%1) violated").arg(full);
            break;
        case OraCode::CheckViolation:
            text = QStringLiteral("check constraint (%1) violated").arg(full);
            break;
        case OraCode::ParentKeyNotFound:
            text = QStringLiteral("integrity constraint (%1) violated - parent key not found")
                       .arg(full);
            break;
        case OraCode::ChildRecordFound:
            text =
                QStringLiteral("integrity constraint (%1) violated - child record found").arg(full);
            break;
        default:
            text = QStringLiteral("constraint (%1) violated").arg(full);
            break;
    }
    return QStringLiteral("ORA-%1: %2").arg(code, 5, 10, QLatin1Char('0')).arg(text);
}

void RegisterSqliteBackend() {
    RegisterBackend(QStringLiteral("sqlite"), [](const QString& connectionString) {
        return std::unique_ptr<IDbConnection>(new TSqliteConnection(connectionString));
    });
}

TSqliteFileName SqliteFileName(const QString& path) {
    const QFileInfo file(path);
    if (!file.exists() || QFileInfo(file.absolutePath()).isWritable())
        return {QFile::encodeName(path), false};
    return {QUrl::fromLocalFile(file.absoluteFilePath()).toEncoded() + "?mode=ro&immutable=1",
            true};
}

void SqliteSurviveFileSizeLimit() {
#ifdef SIGXFSZ
    static const bool once = [] {
        if (const auto previous = std::signal(SIGXFSZ, SIG_IGN); previous != SIG_DFL)
            std::signal(SIGXFSZ, previous);
        return true;
    }();
    (void)once;
#endif
}
