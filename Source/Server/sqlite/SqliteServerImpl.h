#pragma once

// Shared by the routine files of the embedded server: statement text with the schema
// filled in, parameter lists and result shapes.

#include <QString>
#include <QVariant>

#include <functional>
#include <initializer_list>
#include <optional>
#include <vector>

#include "Platform/Data/DbBackend.h"
#include "Platform/Data/Sqlite/SqliteRoutines.h"

namespace SqliteServer {

// The schema as a quoted identifier of the attached database ("qxvbase").
QString SchemaIdent(const QString& schema);
// `sql` with every {S} replaced by the quoted schema.
QString Sql(const QString& schema, const char* sql);

inline TParamDesc In(const char* name, TFieldType type = TFieldType::Integer) {
    return {QString::fromLatin1(name), type, TParamDirection::Input};
}
inline TParamDesc Ret(TFieldType type = TFieldType::Integer) {
    return {QStringLiteral("RESULT"), type, TParamDirection::Result};
}
inline TParamDesc Dataset() {
    return {QStringLiteral("DATASET"), TFieldType::Cursor, TParamDirection::Output};
}

inline QVariant IdValue(const std::optional<long long>& id) {
    return id ? QVariant(qlonglong(*id)) : QVariant();
}

// A text input checked against its column's length, as the server's typed arguments are:
// longer raises "ORA-12899: value too large for column ...".
QVariant Text(const TSqliteInputs& in, const char* name, int maxLength);
// Raises the same for a value of `length` characters in `column`.
void RequireLength(const QString& column, qsizetype length, int maxLength);

TCallResult Result(const QVariant& value);
// A cursor result; `types` gives each column's type (the engine cannot type an empty set).
TCallResult Rows(TRowSet rows, std::initializer_list<TFieldType> types);
// The first column of the first row, or NULL.
QVariant Scalar(TSqliteRoutineContext& ctx, const QString& sql,
                const std::vector<TBoundValue>& params);
bool Exists(TSqliteRoutineContext& ctx, const QString& sql, const std::vector<TBoundValue>& params);

// Raises "ORA-0229x: integrity constraint (S.NAME) violated - ..." for a constraint.
[[noreturn]] void RaiseConstraint(int code, const QString& schema, const char* constraint);
// A kind of row that counts its changes in VERSION and keeps who made the last one and when
// (CHANGED_BY, CHANGED_AT in UTC): its table and what a refused change says.
struct TVersionedRows {
    const char* Table;
    const char* Changed;  // "… изменено пользователем %1 в %2"
    const char* Deleted;  // "… удалено другим пользователем"
};
extern const TVersionedRows kPlaceRows, kAbbrevRows, kLevelRows, kInfoRows;
// What an UPDATE sets besides its own columns ("SET …, " + kStamp), with Who() bound.
extern const char* const kStamp;
// The current UTC time as CHANGED_AT keeps it, for an INSERT's values.
extern const char* const kNow;
TBoundValue Who(TSqliteRoutineContext& ctx);
// A change that sends the version it read (PVERSION) must still hold the row's: otherwise
// ORA-20001 names the last change, and a row that is gone raises ORA-20002. Without a
// version any goes.
void RequireVersion(TSqliteRoutineContext& ctx, const QString& schema, const TVersionedRows& rows,
                    long long id, const TSqliteInputs& in);

// Registers a routine of the package; those named GET_ only read, so they never wait for
// another program's write.
void AddRoutine(const QString& package, const char* routine, std::vector<TParamDesc> params,
                TSqliteRoutineBody body);

// `body` with the place ids among its inputs read through the redirects a merge leaves, so
// that every routine taking a place id takes a merged place's old one too.
TSqliteRoutineBody ResolvingPlaces(const QString& package, const char* routine,
                                   TSqliteRoutineBody body);

// A place's level; none for a place that does not exist.
std::optional<long long> LocationLevel(TSqliteRoutineContext& ctx, const QString& schema,
                                       long long id);
// Whether `candidate` is `root` or lies below it.
bool InSubtree(TSqliteRoutineContext& ctx, const QString& schema, long long candidate,
               long long root);

void RegisterLocatRoutines();
void RegisterPlaceRoutines();
void RegisterSearchRoutines();
void RegisterSuggestRoutines();
// The index of name words the suggestions walk, and the triggers that keep it; filled from
// the places the first time.
void InstallNameWords(IDbConnection& db, const QString& schema);
// A text as the search by name compares it: trimmed, lower case, "ё" read as "е".
QString SearchKey(const QString& text);
void RegisterInformRoutines();
void RegisterLangRoutines();
void RegisterUserRoutines();
void RegisterCodeRoutines();
void RegisterJournalRoutines();

// The change journal: the table (schema version 7) and its rows, one per changed object.
extern const char* const kJournalTable;
enum class TJournalKind { Place, Item, Abbrev, Level };
// The last SEQ written (0 for none).
long long JournalMark(TSqliteRoutineContext& ctx, const QString& schema);
// Writes an `op` row ("ADD", "EDIT", "MOVE", "DELETE") for each object of `kind` that
// `where` selects (over the table aliased X), with its fields now as BEFORE (none for ADD);
// returns the mark that JournalClose takes once the change is made. Called only after every
// check has passed: a refused call writes no row.
long long JournalOpen(TSqliteRoutineContext& ctx, const QString& schema, TJournalKind kind,
                      const char* op, const QString& where, std::vector<TBoundValue> params);
// Fills AFTER (NULL for an object that is gone), PLACE and PARENT of the rows after `mark`.
void JournalClose(TSqliteRoutineContext& ctx, const QString& schema, TJournalKind kind,
                  long long mark);
// One object's row around `change` (for ADD: called after the insert, with no change).
void JournalOne(TSqliteRoutineContext& ctx, const QString& schema, TJournalKind kind,
                const char* op, long long id, const std::function<void()>& change = {});

// The two-letter language of the names the session's user reads ("EN", "RU"), from the
// user's interface language; empty when the places' names are to be read as they stand.
QString NameLanguage(TSqliteRoutineContext& ctx, const QString& schema);
// The codes ("KIND\tcode" lines) or names per language ("LANG\tname" lines) of place `id`
// replaced by `list`, each checked first (an unknown kind or language, an empty value, a
// unique code on another place raise ORA-20003); a NULL list keeps them.
void ReplacePlaceCodes(TSqliteRoutineContext& ctx, const QString& schema, long long id,
                       const QVariant& list);
void ReplacePlaceNames(TSqliteRoutineContext& ctx, const QString& schema, long long id,
                       const QVariant& list);

// Refuses the call with ORA-01031 unless the session's user holds one of the rights (codes
// 1..12 of the access list); the message names the first.
void RequireRight(TSqliteRoutineContext& ctx, const QString& schema,
                  std::initializer_list<int> anyOf);
// The users' table, and the installing user as its administrator when it has none.
void InstallUsers(IDbConnection& db, const QString& schema);

}  // namespace SqliteServer
