#pragma once

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

#include "Platform/Data/OraDataSet.h"
#include "Platform/qxvglobal.h"

// A text substitution in a query's SQL: "&NAME" is replaced by Value when the
// macro is active and by nothing when it is not. Macro values are program text
// (a schema name, an ORDER BY clause), never user data: user data goes in params.
class QXV_PLATFORM_EXPORT TMacro {
public:
    explicit TMacro(const QString& name) : FName(name) {}

    const QString& Name() const { return FName; }
    const QString& Value() const { return FValue; }
    void SetValue(const QString& value) { FValue = value; }
    bool Active() const { return FActive; }
    void SetActive(bool active) { FActive = active; }

private:
    QString FName;
    QString FValue;
    bool FActive = true;
};

// The macros of one query, in order of first appearance; names without regard to case.
class QXV_PLATFORM_EXPORT TMacros {
public:
    int Count() const { return static_cast<int>(FItems.size()); }
    TMacro& Items(int index);
    const TMacro& Items(int index) const;
    TMacro* FindMacro(const QString& name);
    const TMacro* FindMacro(const QString& name) const;
    // Throws EDatabaseError "Macro 'NAME' not found".
    TMacro& MacroByName(const QString& name);

    TMacro& Add(const QString& name);
    void Clear() { FItems.clear(); }

private:
    std::vector<std::unique_ptr<TMacro>> FItems;
};

// A query: SQL text with &macros and :params (both found in the text on every
// change of it, outside string literals and comments).
//
// Executing expands the macros and then:
//  - a call block, "begin :RESULT := SCHEMA.PACKAGE.ROUTINE(:P1, :P2); end;" or
//    "begin SCHEMA.PACKAGE.ROUTINE(:A, 'text', 5); end;" (any case, spacing and
//    line breaks; arguments by position or as NAME => value), becomes a call of that
//    routine with the arguments bound to its parameters; the function result goes
//    back into the parameter on the left of ":=", outputs into their parameters,
//    and a cursor argument's rows become the query's rows;
//  - a SELECT (or WITH) reads rows;
//  - anything else is executed as it stands, with its parameters bound.
class QXV_PLATFORM_EXPORT TOraQuery : public TOraDataSet {
    Q_OBJECT
public:
    explicit TOraQuery(QObject* parent = nullptr);
    ~TOraQuery() override;

    const QStringList& SQL() const { return FSQL; }
    // Closes, unprepares and finds macros and params again (params are made anew:
    // earlier TParam references are stale); values of macros and params whose names
    // remain are kept.
    void SetSQL(const QStringList& lines);
    void SetSQLText(const QString& text);
    QString SQLText() const { return FSQL.join(QLatin1Char('\n')); }

    TMacros& Macros() { return FMacros; }
    const TMacros& Macros() const { return FMacros; }
    TMacro& MacroByName(const QString& name) { return FMacros.MacroByName(name); }
    TMacro* FindMacro(const QString& name) { return FMacros.FindMacro(name); }

    // The text after macro expansion: what reaches the engine.
    QString FinalSQL() const;
    // The text is a PL/SQL block (begins with BEGIN or DECLARE).
    bool IsPLSQL() const;

    // Runs the statement without opening the data set (a call block's rows, if any,
    // are still loaded and the data set opened).
    void ExecSQL();
    // Rows changed by the last ExecSQL of a plain statement.
    long long RowsAffected() const { return FRowsAffected; }

    // Connects and checks the statement on the server: a call block's routine is
    // described; a SELECT is run for its columns only (no rows), which gives the
    // closed query its fields. A statement the server refuses fails here.
    void Prepare() override;
    void Unprepare() override;

protected:
    TRowSet InternalOpen() override;

private:
    struct TCallBlock;
    std::optional<TCallBlock> RecogniseCall(const QString& finalSql) const;
    std::optional<TRowSet> RunCall(const TCallBlock& block);
    const TRoutineDesc& Describe(const TCallBlock& block);
    void Rescan();
    std::vector<TBoundValue> UsedValues(const QString& finalSql) const;

    QStringList FSQL;
    TMacros FMacros;
    long long FRowsAffected = 0;
    std::unique_ptr<TRoutineDesc> FDescribed;
};

// The query kind that would write its edits back to a table by itself. Edits here
// stay local in every data set, so it differs from TOraQuery only in kind; the
// schema binding treats both alike.
class QXV_PLATFORM_EXPORT TSmartQuery : public TOraQuery {
    Q_OBJECT
public:
    using TOraQuery::TOraQuery;
};
