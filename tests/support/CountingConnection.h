#pragma once

#include <QHash>
#include <QString>

#include "Platform/Data/DbBackend.h"
#include "Platform/Data/EOraError.h"

// Wraps any connection and counts the server calls per routine name
// ("QXVERPLOCAT.GET_T#LOCATION", without the schema, upper case), so that tests
// can say how many round trips an operation costs. Everything is passed through,
// except the requests a test has chosen to fail (a lost server, a broken routine).
class CountingConnection : public IDbConnection {
public:
    // `inner` must outlive this wrapper.
    explicit CountingConnection(IDbConnection& inner) : FInner(inner) {}

    // Calls of PACKAGE.ROUTINE (or of ROUTINE alone, in any package).
    int CallCount(const QString& routine) const;
    int TotalCalls() const { return FTotalCalls; }
    void Reset();

    // Failure injection: the Nth request from now (1 = the next one; calls, queries, statements,
    // bulk inserts and copies alike) throws EOraError::Make(errorCode, text) instead of reaching
    // the server; 0 disarms it. A copy the engine runs fails after its first piece has reached
    // the sink, as a server failing in the middle of it would.
    void FailNthRequest(int n, int errorCode = 3113, const QString& text = {});
    // The default is a lost connection ("ORA-03113: end-of-file on communication channel").
    // Every call of PACKAGE.ROUTINE (or ROUTINE in any package) throws until cleared.
    void FailRoutine(const QString& routine, int errorCode = 3113, const QString& text = {});
    void ClearFailures();
    int FailuresThrown() const { return FFailuresThrown; }

    QString Scheme() const override { return FInner.Scheme(); }
    QString UserName() const override { return FInner.UserName(); }
    QString Server() const override { return FInner.Server(); }
    TRoutineDesc Describe(const QString& schema, const QString& package,
                          const QString& routine) override;
    TCallResult Call(const TRoutineDesc& routine, const std::vector<TBoundValue>& inputs) override;
    TRowSet Query(const QString& sql, const std::vector<TBoundValue>& params) override;
    long long Execute(const QString& sql, const std::vector<TBoundValue>& params) override;
    // A bulk insert counts as a statement, a copy as a query.
    void InsertRows(const TBulkRows& rows) override;
    bool CopyOut(const QString& select, const TCopySink& sink) override;
    QVariant PackageVariable(const QString& schema, const QString& package,
                             const QString& name) override;
    // Asking costs no request: not counted.
    bool DataChanged(const QString& schema) override { return FInner.DataChanged(schema); }
    void StartTransaction() override { FInner.StartTransaction(); }
    void StartWriteTransaction(const QString& schema) override {
        FInner.StartWriteTransaction(schema);
    }
    // FailRoutine("COMMIT") makes every commit fail, as a server refusing it would; commits
    // are not requests counted by FailNthRequest.
    void Commit() override;
    void Rollback() override { FInner.Rollback(); }

private:
    // Throws when the next request is the one chosen to fail.
    void MaybeFail(const QString& routine = {});
    bool IsChosen();
    EOraError Failure();

    IDbConnection& FInner;
    int FFailCountdown = 0;
    QString FFailRoutine;
    int FFailCode = 0;
    QString FFailText;
    int FFailuresThrown = 0;
    QHash<QString, int> FCalls;
    int FTotalCalls = 0;
};
