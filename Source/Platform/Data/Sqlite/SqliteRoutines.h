#pragma once

#include <QString>
#include <QVariant>

#include <functional>
#include <optional>
#include <vector>

#include "Platform/Data/DbBackend.h"
#include "Platform/qxvglobal.h"

// The embedded engine has no stored procedures: the server's routines are C++ functions
// registered here by (package, routine) and run by the SQLite backend on Describe/Call.

// The inputs of one call, matched by name without regard to case; a missing one is NULL.
class QXV_PLATFORM_EXPORT TSqliteInputs {
public:
    explicit TSqliteInputs(const std::vector<TBoundValue>& values) : FValues(values) {}

    QVariant Value(const QString& name) const;
    bool IsNull(const QString& name) const { return Value(name).isNull(); }
    std::optional<long long> Int(const QString& name) const;
    // An identifier as the client sends it: NULL and values below 1 mean "none".
    std::optional<long long> Id(const QString& name) const;
    QString Text(const QString& name) const { return Value(name).toString(); }
    const std::vector<TBoundValue>& Values() const { return FValues; }

private:
    const std::vector<TBoundValue>& FValues;
};

// What a routine body may do with the session it runs in. The statements run inside the
// call's transaction (or savepoint); an EOraError thrown out of the body undoes everything the
// call did.
class QXV_PLATFORM_EXPORT TSqliteRoutineContext {
public:
    virtual ~TSqliteRoutineContext();
    virtual TRowSet Query(const QString& sql, const std::vector<TBoundValue>& params) = 0;
    virtual long long Execute(const QString& sql, const std::vector<TBoundValue>& params) = 0;
    virtual long long LastInsertId() = 0;
    virtual QString UserName() const = 0;
};

using TSqliteRoutineBody = std::function<TCallResult(
    TSqliteRoutineContext& context, const QString& schema, const TSqliteInputs& inputs)>;

// What a routine does to the schema's tables. A changing routine takes the write lock when it
// starts (waiting up to the busy timeout for another program's write); a reading one runs in a
// read transaction and never waits for a writer: whatever it keeps goes to the connection's
// own TEMP tables.
enum class TSqliteRoutineKind { Changes, Reads };

// Registers a routine; `params` as Describe gives them (RESULT first for a function, the
// DATASET cursor last for a reading routine). Registering the same name again replaces it.
QXV_PLATFORM_EXPORT void RegisterSqliteRoutine(
    const QString& package, const QString& routine, std::vector<TParamDesc> params,
    TSqliteRoutineBody body, TSqliteRoutineKind kind = TSqliteRoutineKind::Changes);

// The catalogue table of the main database: one row per installed package and schema.
// ALL_OBJECTS(OWNER, OBJECT_NAME, OBJECT_TYPE, STATUS); OWNER is the upper-case schema.
inline constexpr const char* kSqliteCatalogue = "ALL_OBJECTS";

// Attaches the database file of a schema to an embedded-engine connection; with `create` a
// missing one is created. False when it does not exist (and `create` is off). Throws
// EOraError for a connection of another engine or a bad schema name.
QXV_PLATFORM_EXPORT bool SqliteAttachSchema(IDbConnection& db, const QString& schema, bool create);

// "ORA-00001: unique constraint (S.N) violated" and its siblings, as the engine raises them.
QXV_PLATFORM_EXPORT QString OraConstraintText(int code, const QString& schema,
                                              const QString& constraint);
