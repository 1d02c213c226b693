#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "Platform/Data/RowSet.h"
#include "Platform/qxvglobal.h"

// The one interface every database engine implements. The components the forms
// use (TOraSession, TOraQuery, TOraStoredProc, TOraPackage) talk only to this;
// engine differences live behind it. Every failure is thrown as EOraError.
//
// Values travel as QVariant: null QVariant = SQL NULL, qlonglong for integers,
// double, QString (UTF-8 on the wire), QByteArray for BLOBs, bool.

enum class TFieldType { Unknown, Integer, Float, String, Blob, Boolean, DateTime, Cursor };

enum class TParamDirection { Input, Output, InputOutput, Result };

struct TParamDesc {
    QString Name;  // upper case, as declared on the server ("PID", "DATASET", "RESULT")
    TFieldType Type = TFieldType::Unknown;
    TParamDirection Direction = TParamDirection::Input;
};

// A server routine SCHEMA.PACKAGE.ROUTINE as the server describes it. A function's
// result is the first parameter, named "RESULT" with direction Result; a reading
// routine's cursor is the parameter "DATASET" of type Cursor.
struct TRoutineDesc {
    QString Schema;
    QString Package;
    QString Routine;
    std::vector<TParamDesc> Params;

    bool IsFunction() const {
        return !Params.empty() && Params.front().Direction == TParamDirection::Result;
    }
};

struct TColumnDesc {
    QString Name;  // as the server names it ("ID", "LEVEL#", "BMP16#16")
    TFieldType Type = TFieldType::Unknown;
};

struct TRowSet {
    std::vector<TColumnDesc> Columns;
    TRows Rows;
};

struct TBoundValue {
    QString Name;  // without the colon, any letter case
    QVariant Value;
    TFieldType Type = TFieldType::Unknown;  // Unknown: taken from the value
};

struct TCallResult {
    // Output and result values by parameter name (RESULT for a function's result).
    std::vector<std::pair<QString, QVariant>> OutValues;
    // The rows of the DATASET cursor, for reading routines.
    std::optional<TRowSet> Cursor;

    QVariant Value(const QString& name) const {
        for (const auto& [n, v] : OutValues)
            if (n.compare(name, Qt::CaseInsensitive) == 0) return v;
        return {};
    }
};

// Rows written into one table in bulk. The cells run row after row, Columns.size() to a row,
// valued as Execute binds them (a null QVariant is NULL).
struct TBulkRows {
    QString Schema;       // checked and quoted by the engine, as every name here
    QString Table;        // a plain name ("LOCATION")
    QStringList Columns;  // plain names
    // A column the engine numbers new rows in, or empty. Once the rows are in, the numbers it
    // gives continue after the highest one in the table, whatever the rows brought.
    QString Identity;
    std::vector<QVariant> Values;
};

// Takes the output of CopyOut piece by piece (a piece need not end at a row's end). It may
// throw to stop the copy.
using TCopySink = std::function<void(const char* data, qsizetype size)>;

class QXV_PLATFORM_EXPORT IDbConnection {
public:
    virtual ~IDbConnection();

    virtual QString Scheme() const = 0;    // "sqlite", "postgresql"
    virtual QString UserName() const = 0;  // the database user: the default schema
    virtual QString Server() const = 0;    // host or file, for messages

    // Describes a routine; throws EOraError (ORA-06550 style, code 6550) when it does not exist.
    virtual TRoutineDesc Describe(const QString& schema, const QString& package,
                                  const QString& routine) = 0;
    // Calls a described routine; inputs are matched to parameters by name, missing ones are NULL.
    virtual TCallResult Call(const TRoutineDesc& routine,
                             const std::vector<TBoundValue>& inputs) = 0;

    // Free SQL with :NAME parameters, always bound, never spliced. Exactly one statement: a text
    // holding more is refused (ORA-00933) before anything of it runs.
    virtual TRowSet Query(const QString& sql, const std::vector<TBoundValue>& params) = 0;
    virtual long long Execute(const QString& sql, const std::vector<TBoundValue>& params) = 0;
    // Several statements without parameters, as one unit: the installers' own scripts only,
    // never a text that a form or a user supplied.
    virtual void ExecuteScript(const QString& script);

    // Many rows into one table as one statement of the current unit of work, the way the
    // engine takes a batch fastest. The rows must keep the table's own rules; when one does
    // not, nothing of the batch is kept and EOraError is thrown. The default sends one bound
    // INSERT a row, which keeps a batch whole only inside a transaction.
    virtual void InsertRows(const TBulkRows& rows);

    // The rows of one SELECT without parameters, streamed to `sink` as the engine's own CSV
    // output: fields separated by commas, NULL as an empty field, a text that holds a comma, a
    // quote, CR or LF (and an empty text, told apart from NULL) in quotes with its quotes
    // doubled, LF after each row, UTF-8, no header. As in Query, only checked and quoted names
    // may be composed into the text. Returns false, having run nothing, when the engine has no
    // such output (the caller then reads the rows through Query). A failure of the server, also
    // after part of the output was delivered, is thrown as EOraError and an exception from the
    // sink is passed on; the session stays usable either way.
    virtual bool CopyOut(const QString& select, const TCopySink& sink);

    // A package variable such as LANG_PACK.GC_MULTI_LANG.
    virtual QVariant PackageVariable(const QString& schema, const QString& package,
                                     const QString& name) = 0;

    // Whether another session may have changed the tables of `schema` since this was last asked
    // for it; the first asking starts watching and answers true. It answers from what the
    // connection already holds, without waiting on the server, so a window may ask it several
    // times a second. A lost server is thrown as EOraError; the next asking after the session
    // is back answers true. The default always answers true: the caller then re-reads each time.
    virtual bool DataChanged(const QString& schema);

    // Every call is its own unit of work: committed when it returns, rolled back whole when it
    // fails, no lock kept afterwards. StartTransaction opens an explicit transaction that the
    // following calls join until Commit or Rollback; without one both do nothing.
    virtual void StartTransaction();
    // StartTransaction for a unit that reads, checks, then writes the tables of `schema`: where
    // an engine takes its write lock at the first write (the embedded one), it is taken at once,
    // so no other session writes between what the transaction reads and its end. A writer
    // already at work is waited for at most the busy timeout; then ORA-00054 is thrown and no
    // transaction is open. An engine whose readers see each statement's latest data (PostgreSQL)
    // opens a plain transaction: its routines lock what they guard themselves.
    virtual void StartWriteTransaction(const QString& schema);
    virtual void Commit() = 0;
    virtual void Rollback() = 0;
};

using TBackendFactory =
    std::function<std::unique_ptr<IDbConnection>(const QString& connectionString)>;

// Backends register under the scheme of their connection strings ("sqlite", "postgresql").
QXV_PLATFORM_EXPORT void RegisterBackend(const QString& scheme, TBackendFactory factory);
// Opens "sqlite:PATH" or "postgresql://…"; throws EOraError for an unknown scheme.
QXV_PLATFORM_EXPORT std::unique_ptr<IDbConnection> OpenConnection(const QString& connectionString);

// A schema name must be a plain identifier (letter or '_' first, then letters, digits, '_', '$',
// '#'); anything else is refused with EOraError before it reaches an engine.
QXV_PLATFORM_EXPORT void CheckSchemaName(const QString& schema);
// The checked name as statements written against the tables use it: folded to lower case,
// as an unquoted name would be, and quoted.
QXV_PLATFORM_EXPORT QString QuotedSchemaName(const QString& schema);
// A table's or a column's name, checked and quoted the same way.
QXV_PLATFORM_EXPORT QString QuotedName(const QString& name);

// Told on the calling thread when a call starts to wait for another session's lock (true) and
// when that wait is over (false), so that the program can show it is busy.
using TLockWaitObserver = std::function<void(bool waiting)>;
QXV_PLATFORM_EXPORT void SetLockWaitObserver(TLockWaitObserver observer);
QXV_PLATFORM_EXPORT void NotifyLockWait(bool waiting);
