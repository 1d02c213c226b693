// The PostgreSQL engine behind IDbConnection, over libpq.
//
// A routine SCHEMA.PACKAGE.ROUTINE is a function named "PACKAGE.ROUTINE" in the
// schema (folded to lower case, always quoted). Values are always sent as bound
// parameters; the only text ever composed into SQL is a checked, quoted identifier.

#include <QDateTime>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QStringList>

#include <libpq-fe.h>

#include <charconv>

#include <cstdio>
#include <exception>
#include <memory>
#include <vector>

#include "Platform/Data/DbBackend.h"
#include "Platform/Data/EOraError.h"
#include "Platform/Data/Postgres/PgSqlText.h"
#include "Platform/Data/SqlText.h"
#include "Platform/Data/UserRights.h"

namespace {

struct TPgConnDeleter {
    void operator()(PGconn* conn) const { PQfinish(conn); }
};
struct TPgResultDeleter {
    void operator()(PGresult* res) const { PQclear(res); }
};
using TPgConnPtr = std::unique_ptr<PGconn, TPgConnDeleter>;
using TPgResultPtr = std::unique_ptr<PGresult, TPgResultDeleter>;

// Built-in type oids (pg_type.h); stable across server versions.
constexpr Oid kBoolOid = 16;
constexpr Oid kByteaOid = 17;
constexpr Oid kInt8Oid = 20;
constexpr Oid kInt2Oid = 21;
constexpr Oid kInt4Oid = 23;
constexpr Oid kTextOid = 25;
constexpr Oid kOidOid = 26;
constexpr Oid kFloat4Oid = 700;
constexpr Oid kFloat8Oid = 701;
constexpr Oid kNumericOid = 1700;
constexpr Oid kDateOid = 1082;
constexpr Oid kTimestampOid = 1114;
constexpr Oid kTimestamptzOid = 1184;
constexpr Oid kVoidOid = 2278;

TFieldType FieldTypeOf(Oid oid) {
    switch (oid) {
        case kInt2Oid:
        case kInt4Oid:
        case kInt8Oid:
        case kOidOid:
            return TFieldType::Integer;
        case kFloat4Oid:
        case kFloat8Oid:
        case kNumericOid:
            return TFieldType::Float;
        case kBoolOid:
            return TFieldType::Boolean;
        case kByteaOid:
            return TFieldType::Blob;
        case kDateOid:
        case kTimestampOid:
        case kTimestamptzOid:
            return TFieldType::DateTime;
        default:
            return TFieldType::String;
    }
}

// Numbers are read straight off the result's text, without a copy of it.
qlonglong WholeNumber(const char* raw, int len, bool* ok = nullptr) {
    qlonglong value = 0;
    const auto [end, error] = std::from_chars(raw, raw + len, value);
    const bool whole = error == std::errc() && end == raw + len;
    if (ok) *ok = whole;
    return whole ? value : 0;
}

double RealNumber(const char* raw, int len) {
    double value = 0;
    std::from_chars(raw, raw + len, value);
    return value;
}

QVariant ValueOf(const PGresult* res, int row, int col, Oid type, TRepeatedText* text = nullptr) {
    if (PQgetisnull(res, row, col)) return {};
    const char* raw = PQgetvalue(res, row, col);
    const int len = PQgetlength(res, row, col);
    switch (type) {
        case kInt2Oid:
        case kInt4Oid:
        case kInt8Oid:
        case kOidOid:
            return QVariant::fromValue<qlonglong>(WholeNumber(raw, len));
        case kFloat4Oid:
        case kFloat8Oid:
            return RealNumber(raw, len);
        case kNumericOid: {
            // Whole numbers stay integers: identifiers come back as numbers.
            bool ok = false;
            const qlonglong whole = WholeNumber(raw, len, &ok);
            if (ok) return QVariant::fromValue<qlonglong>(whole);
            return RealNumber(raw, len);
        }
        case kBoolOid:
            return len > 0 && raw[0] == 't';
        case kByteaOid: {
            size_t size = 0;
            unsigned char* bytes =
                PQunescapeBytea(reinterpret_cast<const unsigned char*>(raw), &size);
            QByteArray blob(reinterpret_cast<const char*>(bytes), static_cast<qsizetype>(size));
            PQfreemem(bytes);
            return blob;
        }
        case kDateOid:
        case kTimestampOid:
        case kTimestamptzOid:
            return QDateTime::fromString(QString::fromUtf8(raw, len), Qt::ISODateWithMs);
        default:
            return text ? text->Value(raw, size_t(len)) : QString::fromUtf8(raw, len);
    }
}

QVariant ValueOf(const PGresult* res, int row, int col) {
    return ValueOf(res, row, col, PQftype(res, col));
}

// Unquoted names come back folded to lower case; the client expects them as the
// other engine reports them, in upper case. Quoted mixed-case names stay as they are.
QString ColumnName(const char* name) {
    const QString text = QString::fromUtf8(name);
    return text == text.toLower() ? text.toUpper() : text;
}

TRowSet RowSetOf(const PGresult* res) {
    TRowSet rows;
    const int cols = PQnfields(res);
    rows.Columns.reserve(cols);
    for (int c = 0; c < cols; ++c)
        rows.Columns.push_back({ColumnName(PQfname(res, c)), FieldTypeOf(PQftype(res, c))});
    std::vector<Oid> types(static_cast<size_t>(cols));
    for (int c = 0; c < cols; ++c) types[size_t(c)] = PQftype(res, c);
    const int count = PQntuples(res);
    rows.Rows.SetWidth(size_t(cols));
    rows.Rows.reserve(size_t(count));
    std::vector<TRepeatedText> texts(static_cast<size_t>(cols));
    for (int r = 0; r < count; ++r)
        for (int c = 0; c < cols; ++c)
            rows.Rows.Append(ValueOf(res, r, c, types[size_t(c)], &texts[size_t(c)]));
    return rows;
}

QString ErrorField(const PGresult* res, int field) {
    const char* text = res ? PQresultErrorField(res, field) : nullptr;
    return text ? QString::fromUtf8(text) : QString();
}

// Turns a failed statement into the error the client's handler understands.
EOraError ErrorOf(const PGresult* res, PGconn* conn) {
    const QString state = ErrorField(res, PG_DIAG_SQLSTATE);
    QString primary = ErrorField(res, PG_DIAG_MESSAGE_PRIMARY);
    if (primary.isEmpty()) primary = QString::fromUtf8(PQerrorMessage(conn)).trimmed();
    const QString detail = ErrorField(res, PG_DIAG_MESSAGE_DETAIL);
    const QString constraint =
        QStringLiteral("%1.%2").arg(ErrorField(res, PG_DIAG_SCHEMA_NAME).toUpper(),
                                    ErrorField(res, PG_DIAG_CONSTRAINT_NAME).toUpper());

    // A routine that wants a specific number raises "ORA-nnnnn: text".
    static const QRegularExpression oraText(QStringLiteral("^ORA-(\\d{5}): (.*)$"),
                                            QRegularExpression::DotMatchesEverythingOption);
    if (const auto m = oraText.match(primary); m.hasMatch())
        return EOraError::Make(m.captured(1).toInt(), m.captured(2));

    if (state == QLatin1String("42501"))
        return EOraError::Make(UserRights::Refused,
                               QStringLiteral("insufficient privileges (%1)").arg(primary));
    if (state == QLatin1String("23505"))
        return EOraError::Make(OraCode::UniqueViolation,
                               QStringLiteral("unique constraint (%1) violated").arg(constraint));
    if (state == QLatin1String("23514"))
        return EOraError::Make(OraCode::CheckViolation,
                               QStringLiteral("check constraint (%1) violated").arg(constraint));
    if (state == QLatin1String("23503")) {
        const bool childFound = detail.contains(QLatin1String("is still referenced")) ||
                                primary.startsWith(QLatin1String("update or delete"));
        if (childFound)
            return EOraError::Make(
                OraCode::ChildRecordFound,
                QStringLiteral("integrity constraint (%1) violated - child record found")
                    .arg(constraint));
        return EOraError::Make(
            OraCode::ParentKeyNotFound,
            QStringLiteral("integrity constraint (%1) violated - parent key not found")
                .arg(constraint));
    }
    if (state == QLatin1String("23502")) {
        const QString column = ErrorField(res, PG_DIAG_COLUMN_NAME).toUpper();
        const QString table = ErrorField(res, PG_DIAG_TABLE_NAME).toUpper();
        return EOraError::Make(
            1400, QStringLiteral("cannot insert NULL into (\"%1\".\"%2\".\"%3\")")
                      .arg(ErrorField(res, PG_DIAG_SCHEMA_NAME).toUpper(), table, column));
    }
    if (state == QLatin1String("42883")) return EOraError::Make(OraCode::NoSuchRoutine, primary);
    if (state == QLatin1String("42P01") || state == QLatin1String("3F000"))
        return EOraError::Make(942,
                               QStringLiteral("table or view does not exist (%1)").arg(primary));
    if (state == QLatin1String("42703"))
        return EOraError::Make(OraCode::InvalidIdentifier, primary);
    if (state == QLatin1String("22001"))
        return EOraError::Make(12899,
                               QStringLiteral("value too large for column (%1)").arg(primary));
    if (state == QLatin1String("22P02") || state == QLatin1String("22003"))
        return EOraError::Make(1722, QStringLiteral("invalid number (%1)").arg(primary));
    if (state == QLatin1String("55P03"))
        return EOraError::Make(54, QStringLiteral("resource busy and acquire with NOWAIT specified "
                                                  "or timeout expired (%1)")
                                       .arg(primary));
    if (state == QLatin1String("57014"))  // cancelled, or past the statement time limit
        return EOraError::Make(1013, QStringLiteral("user requested cancel of current operation "
                                                    "(%1); nothing of it was kept")
                                         .arg(primary));
    if (state == QLatin1String("40P01"))
        return EOraError::Make(60, QStringLiteral("deadlock detected while waiting for resource"));
    if (state.startsWith(QLatin1String("08")) || PQstatus(conn) != CONNECTION_OK)
        return EOraError::Make(OraCode::NotConnected,
                               QStringLiteral("not connected (%1)").arg(primary));
    return EOraError::Make(OraCode::UserDefined, primary);
}

QString QuoteIdent(const QString& name) {
    QString quoted = name;
    quoted.replace(u'"', QLatin1String("\"\""));
    return u'"' + quoted + u'"';
}

// The wire form of one value; text format for everything, bytea as hex.
struct TWireValue {
    bool IsNull = true;
    QByteArray Text;
    Oid Type = 0;
};

TWireValue WireOf(const QVariant& value, TFieldType declared, bool typed) {
    TWireValue wire;
    if (!value.isValid() || value.isNull()) return wire;
    wire.IsNull = false;
    TFieldType kind = declared;
    if (kind == TFieldType::Unknown) {
        switch (value.typeId()) {
            case QMetaType::Int:
            case QMetaType::UInt:
            case QMetaType::LongLong:
            case QMetaType::ULongLong:
            case QMetaType::Long:
            case QMetaType::Short:
                kind = TFieldType::Integer;
                break;
            case QMetaType::Double:
            case QMetaType::Float:
                kind = TFieldType::Float;
                break;
            case QMetaType::Bool:
                kind = TFieldType::Boolean;
                break;
            case QMetaType::QByteArray:
                kind = TFieldType::Blob;
                break;
            case QMetaType::QDateTime:
            case QMetaType::QDate:
                kind = TFieldType::DateTime;
                break;
            default:
                kind = TFieldType::String;
        }
    }
    switch (kind) {
        case TFieldType::Integer:
            wire.Text = QByteArray::number(value.toLongLong());
            wire.Type = typed ? kInt8Oid : 0;
            break;
        case TFieldType::Float:
            wire.Text = QByteArray::number(value.toDouble(), 'g', 17);
            wire.Type = typed ? kFloat8Oid : 0;
            break;
        case TFieldType::Boolean:
            wire.Text = value.toBool() ? "true" : "false";
            wire.Type = typed ? kBoolOid : 0;
            break;
        case TFieldType::Blob:
            wire.Text = "\\x" + value.toByteArray().toHex();
            wire.Type = typed ? kByteaOid : 0;
            break;
        case TFieldType::DateTime:
            wire.Text = value.toDateTime().toString(Qt::ISODateWithMs).toUtf8();
            break;
        default:
            // As text, so that one parameter used twice is one type.
            wire.Text = value.toString().toUtf8();
            wire.Type = typed ? kTextOid : 0;
            break;
    }
    return wire;
}

class TPostgresConnection final : public IDbConnection {
public:
    explicit TPostgresConnection(const QString& connectionString) {
        FConn.reset(PQconnectdb(connectionString.toUtf8().constData()));
        if (!FConn || PQstatus(FConn.get()) != CONNECTION_OK) {
            const QString why = FConn ? QString::fromUtf8(PQerrorMessage(FConn.get())).trimmed()
                                      : QStringLiteral("out of memory");
            throw EOraError::Make(12154,
                                  QStringLiteral("TNS:could not resolve the connect identifier "
                                                 "specified (%1)")
                                      .arg(why));
        }
        PQsetClientEncoding(FConn.get(), "UTF8");
        StartTrace();
        // Server notices ("already exists, skipping") are not errors: nobody is told.
        PQsetNoticeProcessor(
            FConn.get(), [](void*, const char*) {}, nullptr);
        const char* host = PQhost(FConn.get());
        const char* port = PQport(FConn.get());
        FServer = QStringLiteral("%1:%2").arg(QString::fromUtf8(host ? host : ""),
                                              QString::fromUtf8(port ? port : ""));
        const TPgResultPtr res = Run("SELECT current_user", {});
        FUser = QString::fromUtf8(PQgetvalue(res.get(), 0, 0)).toUpper();
    }

    QString Scheme() const override { return QStringLiteral("postgresql"); }
    QString UserName() const override { return FUser; }
    QString Server() const override { return FServer; }

    TRoutineDesc Describe(const QString& schema, const QString& package,
                          const QString& routine) override {
        CheckSchemaName(schema);
        const QString key = schema.toUpper() + u'.' + package.toUpper() + u'.' + routine.toUpper();
        if (const auto it = FDescribed.constFind(key); it != FDescribed.constEnd()) return *it;

        static const char* const lookup =
            "SELECT coalesce(p.proargnames, '{}')::text[], coalesce(p.proargmodes::text[], '{}'), "
            "coalesce(p.proallargtypes, p.proargtypes::oid[]), p.prorettype, p.proretset "
            "FROM pg_catalog.pg_proc p JOIN pg_catalog.pg_namespace n ON n.oid = p.pronamespace "
            "WHERE n.nspname = $1 AND p.proname = $2";
        const QString name = package.toUpper() + u'.' + routine.toUpper();
        TPgResultPtr res = Run(lookup, {WireOf(schema.toLower(), TFieldType::String, false),
                                        WireOf(name, TFieldType::String, false)});
        if (PQntuples(res.get()) != 1)
            throw EOraError::Make(
                OraCode::NoSuchRoutine,
                QStringLiteral("line 1, column 7:\nPLS-00201: identifier '%1.%2' must be declared")
                    .arg(schema.toUpper(), name));

        const QStringList names =
            PgSqlText::ParseTextArray(QString::fromUtf8(PQgetvalue(res.get(), 0, 0)));
        const QStringList modes =
            PgSqlText::ParseTextArray(QString::fromUtf8(PQgetvalue(res.get(), 0, 1)));
        const QStringList types =
            PgSqlText::ParseTextArray(QString::fromUtf8(PQgetvalue(res.get(), 0, 2)));
        const Oid returns = QByteArray(PQgetvalue(res.get(), 0, 3)).toUInt();
        const bool returnsSet = PQgetvalue(res.get(), 0, 4)[0] == 't';

        TRoutineDesc desc;
        desc.Schema = schema;
        desc.Package = package.toUpper();
        desc.Routine = routine.toUpper();
        TCallShape shape;
        std::vector<TParamDesc> inputs;
        for (qsizetype i = 0; i < types.size(); ++i) {
            const QString mode = i < modes.size() ? modes[i] : QStringLiteral("i");
            const QString argName =
                i < names.size() ? names[i].toUpper() : QStringLiteral("P%1").arg(i + 1);
            const TFieldType type = FieldTypeOf(types[i].toUInt());
            if (mode == QLatin1String("t")) {
                shape.Columns.push_back({argName, type});
            } else if (mode == QLatin1String("o")) {
                shape.OutNames.push_back(argName);
                inputs.push_back({argName, type, TParamDirection::Output});
            } else {
                inputs.push_back({argName, type,
                                  mode == QLatin1String("b") ? TParamDirection::InputOutput
                                                             : TParamDirection::Input});
            }
        }
        if (returnsSet && !shape.Columns.empty()) {
            shape.Kind = TCallShape::Cursor;
        } else if (shape.OutNames.isEmpty() && returns != kVoidOid) {
            shape.Kind = TCallShape::Scalar;
            desc.Params.push_back(
                {QStringLiteral("RESULT"), FieldTypeOf(returns), TParamDirection::Result});
        } else if (!shape.OutNames.isEmpty()) {
            shape.Kind = TCallShape::OutParams;
        }
        for (auto& p : inputs) desc.Params.push_back(std::move(p));
        if (shape.Kind == TCallShape::Cursor)
            desc.Params.push_back(
                {QStringLiteral("DATASET"), TFieldType::Cursor, TParamDirection::Output});

        FShapes.insert(key, shape);
        FDescribed.insert(key, desc);
        return desc;
    }

    TCallResult Call(const TRoutineDesc& routine, const std::vector<TBoundValue>& inputs) override {
        CheckSchemaName(routine.Schema);
        const QString key = routine.Schema.toUpper() + u'.' + routine.Package.toUpper() + u'.' +
                            routine.Routine.toUpper();
        if (!FShapes.contains(key)) Describe(routine.Schema, routine.Package, routine.Routine);
        const TCallShape shape = FShapes.value(key);

        // Named notation: the values go by parameter name, absent ones are NULL.
        QStringList args;
        std::vector<TWireValue> wire;
        for (const TParamDesc& p : routine.Params) {
            if (p.Direction != TParamDirection::Input &&
                p.Direction != TParamDirection::InputOutput)
                continue;
            QVariant value;
            for (const TBoundValue& in : inputs)
                if (in.Name.compare(p.Name, Qt::CaseInsensitive) == 0) {
                    value = in.Value;
                    break;
                }
            wire.push_back(WireOf(value, p.Type, false));
            args << QStringLiteral("%1 => $%2").arg(QuoteIdent(p.Name)).arg(wire.size());
        }
        const QString function =
            QuoteIdent(routine.Schema.toLower()) + u'.' +
            QuoteIdent(routine.Package.toUpper() + u'.' + routine.Routine.toUpper()) + u'(' +
            args.join(QLatin1String(", ")) + u')';
        QString sql;
        switch (shape.Kind) {
            case TCallShape::Cursor:
            case TCallShape::OutParams:
                sql = QStringLiteral("SELECT * FROM ") + function;
                break;
            case TCallShape::Scalar:
                sql = QStringLiteral("SELECT ") + function + QStringLiteral(" AS \"RESULT\"");
                break;
            case TCallShape::Void:
                sql = QStringLiteral("SELECT ") + function;
                break;
        }

        const QByteArray text = sql.toUtf8();
        TPgResultPtr res = Run(text.constData(), wire);
        TCallResult result;
        if (shape.Kind == TCallShape::Cursor) {
            result.Cursor = RowSetOf(res.get());
            // Column names as declared, whatever case the server reports them in.
            for (size_t c = 0; c < result.Cursor->Columns.size() && c < shape.Columns.size(); ++c)
                result.Cursor->Columns[c].Name = shape.Columns[c].Name;
        } else if (shape.Kind == TCallShape::Scalar) {
            result.OutValues.emplace_back(QStringLiteral("RESULT"), PQntuples(res.get()) > 0
                                                                        ? ValueOf(res.get(), 0, 0)
                                                                        : QVariant());
        } else if (shape.Kind == TCallShape::OutParams && PQntuples(res.get()) > 0) {
            for (int c = 0; c < PQnfields(res.get()) && c < shape.OutNames.size(); ++c)
                result.OutValues.emplace_back(shape.OutNames[c], ValueOf(res.get(), 0, c));
        }
        return result;
    }

    TRowSet Query(const QString& sql, const std::vector<TBoundValue>& params) override {
        TPgResultPtr res = RunFree(sql, params);
        return RowSetOf(res.get());
    }

    long long Execute(const QString& sql, const std::vector<TBoundValue>& params) override {
        TPgResultPtr res = RunFree(sql, params);
        return QByteArray(PQcmdTuples(res.get())).toLongLong();
    }

    void ExecuteScript(const QString& script) override {
        const QByteArray text = script.toUtf8();
        InSavepoint([&] { return RunScript(text.constData()); });
    }

    // One array a column, unnested side by side and cast to the columns' own types.
    void InsertRows(const TBulkRows& rows) override {
        const size_t width = static_cast<size_t>(rows.Columns.size());
        if (width == 0 || rows.Values.empty()) return;
        const QString table = QuotedSchemaName(rows.Schema) + u'.' + QuotedName(rows.Table);
        const QHash<QString, QString>& types = ColumnTypes(table);
        QStringList columns, arrays;
        std::vector<TBoundValue> params;
        for (size_t c = 0; c < width; ++c) {
            const QString& name = rows.Columns[static_cast<qsizetype>(c)];
            const auto type = types.constFind(name.toLower());
            if (type == types.constEnd())
                throw EOraError::Make(OraCode::InvalidIdentifier,
                                      QStringLiteral("\"%1\": invalid identifier (no such column "
                                                     "of %2)")
                                          .arg(name, table));
            columns << QuotedName(name);
            arrays << QStringLiteral("CAST(:C%1 AS %2[])").arg(c).arg(*type);
            params.push_back({QStringLiteral("C%1").arg(c), ArrayText(rows.Values, c, width)});
        }
        Execute(QStringLiteral("INSERT INTO %1 (%2) SELECT * FROM unnest(%3)")
                    .arg(table, columns.join(u','), arrays.join(u',')),
                params);
        // Only after the rows have passed their checks, which run at the statement's end: a
        // sequence keeps what it was set to, whatever becomes of the statement.
        if (!rows.Identity.isEmpty())
            Query(QStringLiteral("SELECT setval(pg_get_serial_sequence(:TABLE, :IDENTITY), "
                                 "max(%1)) FROM %2")
                      .arg(QuotedName(rows.Identity), table),
                  {{QStringLiteral("TABLE"), table},
                   {QStringLiteral("IDENTITY"), rows.Identity.toLower()}});
    }

    bool CopyOut(const QString& select, const TCopySink& sink) override {
        const QByteArray sql =
            "COPY (" + SqlText::QuoteReservedNames(select).toUtf8() + ") TO STDOUT (FORMAT csv)";
        std::exception_ptr stopped;
        try {
            InSavepoint([&] { return RunCopyOut(sql.constData(), sink, stopped); });
        } catch (const EOraError&) {
            if (!stopped) throw;  // else the server's answer to the cancel, which the sink caused
        }
        if (stopped) std::rethrow_exception(stopped);
        return true;
    }

    QVariant PackageVariable(const QString& schema, const QString& package,
                             const QString& name) override {
        // A package variable is served by a function of the same name without arguments.
        const TRoutineDesc desc = Describe(schema, package, name);
        return Call(desc, {}).Value(QStringLiteral("RESULT"));
    }

    void StartTransaction() override {
        FExplicit = true;
        Begin();
    }
    void Commit() override { EndTransaction("COMMIT"); }
    void Rollback() override { EndTransaction("ROLLBACK"); }

    // The changing routines notify qxv_journal with "<SCHEMA>:<SEQ>" at their commit; the
    // notifications wait in the connection until asked for.
    bool DataChanged(const QString& schema) override {
        CheckSchemaName(schema);
        const QString key = schema.toUpper();
        if (!FListening) {
            Reconnect();
            RunScript("LISTEN qxv_journal");
            FListening = true;
            FWatched.clear();
            FPending.clear();
        }
        TakeNotifications();
        const bool first = !FWatched.contains(key);
        FWatched.insert(key);
        return FPending.remove(key) || first;
    }

    ~TPostgresConnection() override {
        if (FTrace) {
            PQuntrace(FConn.get());
            std::fclose(FTrace);
        }
    }

private:
    // QXV_PG_TRACE names a file that gets every message this session exchanges with the
    // server (appended), for finding out what a window really asks of it.
    void StartTrace() {
        const QByteArray path = qgetenv("QXV_PG_TRACE");
        if (path.isEmpty()) return;
        FTrace = std::fopen(path.constData(), "a");
        if (!FTrace) return;
        PQtrace(FConn.get(), FTrace);
        PQsetTraceFlags(FConn.get(), PQTRACE_SUPPRESS_TIMESTAMPS);
    }

    // How a described function is called and read.
    struct TCallShape {
        enum { Void, Scalar, Cursor, OutParams } Kind = Void;
        std::vector<TColumnDesc> Columns;
        QStringList OutNames;
    };

    // One statement in one round trip: in an explicit transaction it travels with its
    // savepoint (and the transaction's BEGIN, when it opens one) in a pipeline; its text is
    // prepared once per session and then only executed.
    TPgResultPtr Run(const char* sql, const std::vector<TWireValue>& values) {
        Reconnect();
        try {
            return RunPipelined(sql, values);
        } catch (const TStalePlan&) {
            // The statement's prepared form no longer fits the server's objects: prepare anew.
            return RunPipelined(sql, values);
        }
    }

    // A prepared statement the server refused to run as prepared; it has been forgotten.
    struct TStalePlan {};

    enum class TStep { Begin, Savepoint, Prepare, Statement, Release };

    TPgResultPtr RunPipelined(const char* sql, const std::vector<TWireValue>& values) {
        std::vector<const char*> texts;
        std::vector<Oid> types;
        texts.reserve(values.size());
        types.reserve(values.size());
        for (const TWireValue& v : values) {
            texts.push_back(v.IsNull ? nullptr : v.Text.constData());
            types.push_back(v.Type);
        }
        const int count = static_cast<int>(values.size());
        // The parameter types are part of a prepared statement: they are part of its key.
        QByteArray key(sql);
        key.append('\0').append(reinterpret_cast<const char*>(types.data()),
                                static_cast<qsizetype>(types.size() * sizeof(Oid)));
        QByteArray name = FPrepared.value(key);
        const bool prepare = name.isEmpty() && FPrepared.size() < MaxPreparedStatements;
        if (prepare) name = "qxv_" + QByteArray::number(++FPreparedCount);

        PGconn* conn = FConn.get();
        const bool opens = FExplicit && !FInTransaction;
        const bool guarded = FExplicit;
        std::vector<TStep> steps;
        auto send = [&](int sent, TStep step) {
            if (!sent) throw LostInPipeline();
            steps.push_back(step);
        };
        if (!PQenterPipelineMode(conn)) Fail(nullptr);
        try {
            if (opens) send(SendCommand("BEGIN"), TStep::Begin);
            if (guarded) send(SendCommand("SAVEPOINT qxv_stmt"), TStep::Savepoint);
            if (prepare)
                send(PQsendPrepare(conn, name.constData(), sql, count, types.data()),
                     TStep::Prepare);
            if (!name.isEmpty())
                send(PQsendQueryPrepared(conn, name.constData(), count, texts.data(), nullptr,
                                         nullptr, 0),
                     TStep::Statement);
            else
                send(PQsendQueryParams(conn, sql, count, types.data(), texts.data(), nullptr,
                                       nullptr, 0),
                     TStep::Statement);
            if (guarded) send(SendCommand("RELEASE SAVEPOINT qxv_stmt"), TStep::Release);
            if (!PQpipelineSync(conn)) throw LostInPipeline();
        } catch (const EOraError&) {
            FailPipeline(nullptr);
        }

        TPgResultPtr statement, failure;
        bool begun = false;
        for (const TStep step : steps) {
            TPgResultPtr res(PQgetResult(conn));
            if (!res) FailPipeline(failure.get());
            while (PGresult* rest = PQgetResult(conn)) PQclear(rest);  // up to the command's end
            const ExecStatusType status = PQresultStatus(res.get());
            const bool ok = status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
            if (!ok) {
                if (!failure && status != PGRES_PIPELINE_ABORTED) failure = std::move(res);
                continue;
            }
            if (step == TStep::Begin) begun = true;
            if (step == TStep::Prepare) FPrepared.insert(key, name);
            if (step == TStep::Statement) statement = std::move(res);
        }
        TPgResultPtr sync(PQgetResult(conn));
        if (!sync || PQresultStatus(sync.get()) != PGRES_PIPELINE_SYNC || !PQexitPipelineMode(conn))
            FailPipeline(failure.get());
        if (begun) FInTransaction = true;
        if (!failure) return statement;

        if (guarded && FInTransaction && PQtransactionStatus(conn) == PQTRANS_INERROR) {
            TPgResultPtr undo(PQexec(conn, "ROLLBACK TO SAVEPOINT qxv_stmt"));
            TPgResultPtr release(PQexec(conn, "RELEASE SAVEPOINT qxv_stmt"));
        }
        if (!prepare && !name.isEmpty() && IsStalePlan(failure.get())) {
            FPrepared.remove(key);
            TPgResultPtr drop(PQexec(conn, ("DEALLOCATE " + name).constData()));
            throw TStalePlan();
        }
        Fail(failure.get());
    }

    int SendCommand(const char* sql) {
        return PQsendQueryParams(FConn.get(), sql, 0, nullptr, nullptr, nullptr, nullptr, 0);
    }

    static EOraError LostInPipeline() {
        return EOraError::Make(OraCode::NotConnected, QStringLiteral("not connected"));
    }

    // A pipeline broke off: what is left of it is read away, so that the session leaves
    // pipeline mode (or is re-established) before the error is reported.
    [[noreturn]] void FailPipeline(const PGresult* res) {
        PGconn* conn = FConn.get();
        for (int left = 64; left > 0 && PQpipelineStatus(conn) != PQ_PIPELINE_OFF; --left) {
            if (PQexitPipelineMode(conn)) break;
            PQclear(PQgetResult(conn));
        }
        if (PQpipelineStatus(conn) != PQ_PIPELINE_OFF) Reset();
        Fail(res);
    }

    // A prepared statement that the server cannot run any more as it was prepared: the
    // objects it reads changed their shape, or the session lost it.
    static bool IsStalePlan(const PGresult* res) {
        const QString state = ErrorField(res, PG_DIAG_SQLSTATE);
        return state == QLatin1String("26000") ||
               (state == QLatin1String("0A000") &&
                ErrorField(res, PG_DIAG_MESSAGE_PRIMARY).contains(QLatin1String("cached plan")));
    }

    // Column cells as the server's text form of an array: NULL bare, whole numbers as they
    // are, every other value quoted.
    static QString ArrayText(const std::vector<QVariant>& values, size_t column, size_t width) {
        QByteArray text("{");
        text.reserve(static_cast<qsizetype>(values.size() / width) * 8);
        for (size_t i = column; i < values.size(); i += width) {
            if (i != column) text += ',';
            const QVariant& v = values[i];
            if (!v.isValid() || v.isNull()) {
                text += "NULL";
                continue;
            }
            const int type = v.typeId();
            if (type == QMetaType::Int || type == QMetaType::LongLong) {
                char digits[24];
                const auto end = std::to_chars(digits, digits + sizeof digits, v.toLongLong()).ptr;
                text.append(digits, end - digits);
                continue;
            }
            text += '"';
            for (const char c : WireOf(v, TFieldType::Unknown, false).Text) {
                if (c == '"' || c == '\\') text += '\\';
                text += c;
            }
            text += '"';
        }
        text += '}';
        return QString::fromUtf8(text);
    }

    // The types of a table's columns by lower-case name, as the server spells them; asked once
    // a session.
    const QHash<QString, QString>& ColumnTypes(const QString& table) {
        if (const auto it = FColumnTypes.constFind(table); it != FColumnTypes.constEnd())
            return *it;
        const TPgResultPtr res = Run(
            "SELECT a.attname::text, format_type(a.atttypid, NULL) FROM pg_catalog.pg_attribute a "
            "WHERE a.attrelid = CAST($1 AS regclass) AND a.attnum > 0 AND NOT a.attisdropped",
            {WireOf(table, TFieldType::String, false)});
        QHash<QString, QString> types;
        for (int r = 0; r < PQntuples(res.get()); ++r)
            types.insert(QString::fromUtf8(PQgetvalue(res.get(), r, 0)),
                         QString::fromUtf8(PQgetvalue(res.get(), r, 1)));
        return *FColumnTypes.insert(table, types);
    }

    // A sink that throws stops the copy: the server is asked to cancel it, the rest of what it
    // sent is read away, and the sink's exception is kept for the caller. The statement goes
    // through the extended protocol, which takes one statement only.
    TPgResultPtr RunCopyOut(const char* sql, const TCopySink& sink, std::exception_ptr& stopped) {
        Reconnect();
        PGconn* conn = FConn.get();
        TPgResultPtr res(PQexecParams(conn, sql, 0, nullptr, nullptr, nullptr, nullptr, 0));
        if (!res || PQresultStatus(res.get()) != PGRES_COPY_OUT) Fail(res.get());
        for (;;) {
            char* buffer = nullptr;
            const int n = PQgetCopyData(conn, &buffer, 0);
            if (n < 0) break;  // -1: the end; -2: a failure, which the result tells
            const std::unique_ptr<char, void (*)(void*)> piece(buffer, PQfreemem);
            if (stopped) continue;
            try {
                sink(buffer, n);
            } catch (...) {
                stopped = std::current_exception();
                Cancel();
            }
        }
        res.reset(PQgetResult(conn));
        while (PGresult* rest = PQgetResult(conn)) PQclear(rest);
        if (!res || PQresultStatus(res.get()) != PGRES_COMMAND_OK) Fail(res.get());
        return res;
    }

    void Cancel() {
        const std::unique_ptr<PGcancel, void (*)(PGcancel*)> cancel(PQgetCancel(FConn.get()),
                                                                    PQfreeCancel);
        char why[256];
        if (cancel) PQcancel(cancel.get(), why, sizeof why);
    }

    // A script may hold several statements; only the installer's scripts come here.
    TPgResultPtr RunScript(const char* sql) {
        Reconnect();
        TPgResultPtr res(PQexec(FConn.get(), sql));
        const ExecStatusType status = res ? PQresultStatus(res.get()) : PGRES_FATAL_ERROR;
        if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK && status != PGRES_EMPTY_QUERY)
            Fail(res.get());
        return res;
    }

    // A session whose server went away is re-established (PQreset) before the next statement;
    // while the server does not answer, every call is refused as not connected.
    void Reconnect() {
        if (PQstatus(FConn.get()) == CONNECTION_OK) return;
        if (!Reset())
            throw EOraError::Make(
                OraCode::NotConnected,
                QStringLiteral("not connected (the server %1 does not answer: %2)")
                    .arg(FServer, LastError()));
    }

    void TakeNotifications() {
        if (!PQconsumeInput(FConn.get())) {
            const QString why = LastError();
            FListening = false;
            Reset();
            throw EOraError::Make(OraCode::ConnectionLost,
                                  QStringLiteral("connection to the server %1 was lost (%2)")
                                      .arg(FServer, why));
        }
        while (PGnotify* notice = PQnotifies(FConn.get())) {
            const QString payload = QString::fromUtf8(notice->extra);
            FPending.insert(payload.section(u':', 0, 0).toUpper());
            PQfreemem(notice);
        }
    }

    bool Reset() {
        FListening = false;  // a new server session listens to nothing
        FInTransaction = false;
        FExplicit = false;
        FPrepared.clear();  // a new server session knows none of them
        PQreset(FConn.get());
        if (PQstatus(FConn.get()) != CONNECTION_OK) return false;
        PQsetClientEncoding(FConn.get(), "UTF8");
        return true;
    }

    QString LastError() const { return QString::fromUtf8(PQerrorMessage(FConn.get())).trimmed(); }

    // A statement failed: when the connection went with it, the statement's work is lost (the
    // server rolled it back) and the session is reconnected at once, so the user can repeat it.
    [[noreturn]] void Fail(const PGresult* res) {
        if (PQstatus(FConn.get()) == CONNECTION_OK) throw ErrorOf(res, FConn.get());
        const QString why = LastError();
        if (Reset())
            throw EOraError::Make(OraCode::ConnectionLost,
                                  QStringLiteral("connection to the server %1 was lost (%2); it "
                                                 "has been re-established, the action was not "
                                                 "done: repeat it")
                                      .arg(FServer, why));
        throw EOraError::Make(OraCode::NotConnected,
                              QStringLiteral("not connected (connection to the server %1 was "
                                             "lost: %2)")
                                  .arg(FServer, why));
    }

    // Only an explicit transaction spans statements; otherwise each statement (one routine
    // call or one free statement) is its own transaction on the server.
    void Begin() {
        if (FInTransaction || !FExplicit) return;
        RunScript("BEGIN");
        FInTransaction = true;
    }

    // Each statement runs inside a savepoint: a failing one changes nothing and the
    // session's transaction stays usable.
    template <typename F>
    TPgResultPtr InSavepoint(F&& work) {
        Begin();
        if (!FInTransaction) return work();
        RunScript("SAVEPOINT qxv_stmt");
        try {
            TPgResultPtr res = work();
            RunScript("RELEASE SAVEPOINT qxv_stmt");
            return res;
        } catch (const EOraError&) {
            if (!FInTransaction) throw;  // the connection went, and the transaction with it
            if (PQtransactionStatus(FConn.get()) == PQTRANS_INERROR) {
                TPgResultPtr undo(PQexec(FConn.get(), "ROLLBACK TO SAVEPOINT qxv_stmt"));
                TPgResultPtr release(PQexec(FConn.get(), "RELEASE SAVEPOINT qxv_stmt"));
            } else if (PQstatus(FConn.get()) == CONNECTION_OK) {
                TPgResultPtr release(PQexec(FConn.get(), "RELEASE SAVEPOINT qxv_stmt"));
            }
            throw;
        }
    }

    TPgResultPtr RunFree(const QString& sql, const std::vector<TBoundValue>& params) {
        const PgSqlText::TConverted converted =
            PgSqlText::ConvertParameters(SqlText::QuoteReservedNames(sql));
        const QByteArray text = converted.Sql.toUtf8();
        std::vector<TWireValue> wire;
        for (const QString& name : converted.Names) {
            TWireValue value;
            for (const TBoundValue& p : params)
                if (p.Name.compare(name, Qt::CaseInsensitive) == 0) {
                    value = WireOf(p.Value, p.Type, true);
                    break;
                }
            wire.push_back(value);
        }
        return Run(text.constData(), wire);
    }

    void EndTransaction(const char* verb) {
        FExplicit = false;
        if (!FInTransaction) return;
        FInTransaction = false;
        RunScript(verb);
    }

    TPgConnPtr FConn;
    std::FILE* FTrace = nullptr;
    QString FUser;
    QString FServer;
    bool FInTransaction = false;
    bool FExplicit = false;
    bool FListening = false;
    QSet<QString> FWatched;  // schemas asked about, upper case
    QSet<QString> FPending;  // schemas notified and not asked about since
    QHash<QString, TRoutineDesc> FDescribed;
    QHash<QString, TCallShape> FShapes;
    QHash<QString, QHash<QString, QString>> FColumnTypes;  // by quoted table name
    // Prepared statements of this session by SQL text and parameter types. Free SQL can
    // make any number of texts; past the limit they run unprepared.
    static constexpr qsizetype MaxPreparedStatements = 512;
    QHash<QByteArray, QByteArray> FPrepared;
    long long FPreparedCount = 0;
};

}  // namespace

void RegisterPostgresBackend() {
    RegisterBackend(QStringLiteral("postgresql"), [](const QString& connectionString) {
        return std::unique_ptr<IDbConnection>(
            std::make_unique<TPostgresConnection>(connectionString));
    });
}
