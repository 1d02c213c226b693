#include "support/CountingConnection.h"

#include "Platform/Data/EOraError.h"

int CountingConnection::CallCount(const QString& routine) const {
    const QString wanted = routine.toUpper();
    if (wanted.contains(u'.')) return FCalls.value(wanted);
    int n = 0;
    for (auto it = FCalls.constBegin(); it != FCalls.constEnd(); ++it)
        if (it.key().section(u'.', -1) == wanted) n += it.value();
    return n;
}

void CountingConnection::Reset() {
    FCalls.clear();
    FTotalCalls = 0;
}

void CountingConnection::FailNthRequest(int n, int errorCode, const QString& text) {
    FFailCountdown = n;
    FFailCode = errorCode;
    FFailText = text;
}

void CountingConnection::FailRoutine(const QString& routine, int errorCode, const QString& text) {
    FFailRoutine = routine.toUpper();
    FFailCode = errorCode;
    FFailText = text;
}

void CountingConnection::ClearFailures() {
    FFailCountdown = 0;
    FFailRoutine.clear();
}

void CountingConnection::Commit() {
    if (FFailRoutine == QLatin1String("COMMIT")) throw Failure();
    FInner.Commit();
}

bool CountingConnection::IsChosen() { return FFailCountdown > 0 && --FFailCountdown == 0; }

void CountingConnection::MaybeFail(const QString& routine) {
    bool fail = IsChosen();
    if (!FFailRoutine.isEmpty() && !routine.isEmpty()) {
        const bool qualified = FFailRoutine.contains(u'.');
        fail = fail ||
               (qualified ? routine == FFailRoutine : routine.section(u'.', -1) == FFailRoutine);
    }
    if (fail) throw Failure();
}

EOraError CountingConnection::Failure() {
    ++FFailuresThrown;
    return EOraError::Make(FFailCode, FFailText.isEmpty()
                                          ? QStringLiteral("end-of-file on communication channel")
                                          : FFailText);
}

TRoutineDesc CountingConnection::Describe(const QString& schema, const QString& package,
                                          const QString& routine) {
    return FInner.Describe(schema, package, routine);
}

TCallResult CountingConnection::Call(const TRoutineDesc& routine,
                                     const std::vector<TBoundValue>& inputs) {
    // Counted before the call: a call that fails still went to the server.
    const QString name = (routine.Package + u'.' + routine.Routine).toUpper();
    ++FCalls[name];
    ++FTotalCalls;
    MaybeFail(name);
    return FInner.Call(routine, inputs);
}

TRowSet CountingConnection::Query(const QString& sql, const std::vector<TBoundValue>& params) {
    MaybeFail();
    return FInner.Query(sql, params);
}

long long CountingConnection::Execute(const QString& sql, const std::vector<TBoundValue>& params) {
    MaybeFail();
    return FInner.Execute(sql, params);
}

QVariant CountingConnection::PackageVariable(const QString& schema, const QString& package,
                                             const QString& name) {
    return FInner.PackageVariable(schema, package, name);
}

void CountingConnection::InsertRows(const TBulkRows& rows) {
    MaybeFail();
    FInner.InsertRows(rows);
}

bool CountingConnection::CopyOut(const QString& select, const TCopySink& sink) {
    if (!IsChosen()) return FInner.CopyOut(select, sink);
    FInner.CopyOut(select, [&](const char* data, qsizetype size) {
        sink(data, size);
        throw Failure();
    });
    throw Failure();  // no copy on this engine, or nothing to copy: it fails as it is sent
}
