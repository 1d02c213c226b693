#pragma once

#include <QHash>
#include <QString>
#include <QVariant>

#include <functional>
#include <vector>

#include "Platform/Data/DbBackend.h"

// An engine for unit tests: routines are described from a script, calls answer
// from scripted handlers, and every request is recorded with its bound values.
// Names match without regard to case, as the server's do.
class FakeConnection : public IDbConnection {
public:
    struct TRecord {
        enum class Kind { Describe, Call, Query, Execute, Variable, Commit, Rollback };
        Kind What;
        QString Name;  // "SCHEMA.PACKAGE.ROUTINE" (as asked), or the SQL text
        std::vector<TBoundValue> Values;

        // The bound value of `name` (null when not bound); `bound` says whether it was.
        QVariant Value(const QString& name, bool* bound = nullptr) const;
    };

    using TCallHandler =
        std::function<TCallResult(const TRoutineDesc&, const std::vector<TBoundValue>&)>;
    using TQueryHandler =
        std::function<TRowSet(const QString& sql, const std::vector<TBoundValue>&)>;
    using TExecuteHandler =
        std::function<long long(const QString& sql, const std::vector<TBoundValue>&)>;

    explicit FakeConnection(const QString& userName = QStringLiteral("QXVBASE"));

    // Script.
    // Declares a routine: "SCHEMA.PACKAGE.ROUTINE" and its parameters in order.
    void AddRoutine(const QString& qualifiedName, std::vector<TParamDesc> params,
                    TCallHandler handler = {});
    // Convenience: a function (RESULT first) answering `result` with `params` as arguments.
    void AddFunction(const QString& qualifiedName, const QStringList& inputs,
                     const QVariant& result);
    // Convenience: a reading routine with a DATASET cursor answering `rows`.
    void AddReader(const QString& qualifiedName, const QStringList& inputs, const TRowSet& rows);
    void SetCallHandler(const QString& qualifiedName, TCallHandler handler);
    void SetQueryHandler(TQueryHandler handler) { FOnQuery = std::move(handler); }
    void SetExecuteHandler(TExecuteHandler handler) { FOnExecute = std::move(handler); }
    void SetVariable(const QString& qualifiedName, const QVariant& value);
    void SetServer(const QString& server) { FServer = server; }

    // What was asked, in order.
    const std::vector<TRecord>& Records() const { return FRecords; }
    std::vector<TRecord> Calls(const QString& qualifiedName = {}) const;
    int CountOf(TRecord::Kind kind) const;
    int CommitCount() const { return FCommits; }
    int RollbackCount() const { return FRollbacks; }
    void ClearRecords() { FRecords.clear(); }

    // IDbConnection
    QString Scheme() const override { return QStringLiteral("fake"); }
    QString UserName() const override { return FUserName; }
    QString Server() const override { return FServer; }
    TRoutineDesc Describe(const QString& schema, const QString& package,
                          const QString& routine) override;
    TCallResult Call(const TRoutineDesc& routine, const std::vector<TBoundValue>& inputs) override;
    TRowSet Query(const QString& sql, const std::vector<TBoundValue>& params) override;
    long long Execute(const QString& sql, const std::vector<TBoundValue>& params) override;
    QVariant PackageVariable(const QString& schema, const QString& package,
                             const QString& name) override;
    void Commit() override;
    void Rollback() override;

    // Registers the scheme "fake": OpenConnection("fake:ANYTHING") hands out a new
    // connection prepared by `setup`; the last one opened is kept for inspection.
    static void Register(std::function<void(FakeConnection&)> setup = {});
    static FakeConnection* LastOpened();

private:
    struct TRoutine {
        TRoutineDesc Desc;
        TCallHandler Handler;
    };
    static QString Key(const QString& qualifiedName) { return qualifiedName.toUpper(); }

    QString FUserName;
    QString FServer = QStringLiteral("fake-server");
    QHash<QString, TRoutine> FRoutines;
    QHash<QString, QVariant> FVariables;
    TQueryHandler FOnQuery;
    TExecuteHandler FOnExecute;
    std::vector<TRecord> FRecords;
    int FCommits = 0;
    int FRollbacks = 0;
};
