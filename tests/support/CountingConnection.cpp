#include "support/CountingConnection.h"

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
    FTotalCalls = FQueries = FExecutes = FDescribes = 0;
}

TRoutineDesc CountingConnection::Describe(const QString& schema, const QString& package,
                                          const QString& routine) {
    ++FDescribes;
    return FInner.Describe(schema, package, routine);
}

TCallResult CountingConnection::Call(const TRoutineDesc& routine,
                                     const std::vector<TBoundValue>& inputs) {
    // Counted before the call: a call that fails still went to the server.
    ++FCalls[(routine.Package + u'.' + routine.Routine).toUpper()];
    ++FTotalCalls;
    return FInner.Call(routine, inputs);
}

TRowSet CountingConnection::Query(const QString& sql, const std::vector<TBoundValue>& params) {
    ++FQueries;
    return FInner.Query(sql, params);
}

long long CountingConnection::Execute(const QString& sql, const std::vector<TBoundValue>& params) {
    ++FExecutes;
    return FInner.Execute(sql, params);
}

QVariant CountingConnection::PackageVariable(const QString& schema, const QString& package,
                                             const QString& name) {
    return FInner.PackageVariable(schema, package, name);
}
