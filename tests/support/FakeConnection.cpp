#include "support/FakeConnection.h"

#include <algorithm>

#include "Platform/Data/EOraError.h"

QVariant FakeConnection::TRecord::Value(const QString& name, bool* bound) const {
    for (const auto& v : Values)
        if (v.Name.compare(name, Qt::CaseInsensitive) == 0) {
            if (bound) *bound = true;
            return v.Value;
        }
    if (bound) *bound = false;
    return {};
}

FakeConnection::FakeConnection(const QString& userName) : FUserName(userName) {}

void FakeConnection::AddRoutine(const QString& qualifiedName, std::vector<TParamDesc> params,
                                TCallHandler handler) {
    const QStringList parts = qualifiedName.split(u'.');
    TRoutine r;
    r.Desc.Schema = parts.value(0);
    r.Desc.Package = parts.value(1);
    r.Desc.Routine = parts.value(2);
    r.Desc.Params = std::move(params);
    r.Handler = std::move(handler);
    FRoutines.insert(Key(qualifiedName), std::move(r));
}

void FakeConnection::AddFunction(const QString& qualifiedName, const QStringList& inputs,
                                 const QVariant& result) {
    std::vector<TParamDesc> params{
        {QStringLiteral("RESULT"), TFieldType::Integer, TParamDirection::Result}};
    for (const QString& in : inputs)
        params.push_back({in, TFieldType::Integer, TParamDirection::Input});
    AddRoutine(qualifiedName, std::move(params),
               [result](const TRoutineDesc&, const std::vector<TBoundValue>&) {
                   TCallResult r;
                   r.OutValues.emplace_back(QStringLiteral("RESULT"), result);
                   return r;
               });
}

void FakeConnection::AddReader(const QString& qualifiedName, const QStringList& inputs,
                               const TRowSet& rows) {
    std::vector<TParamDesc> params;
    for (const QString& in : inputs)
        params.push_back({in, TFieldType::Integer, TParamDirection::Input});
    params.push_back({QStringLiteral("DATASET"), TFieldType::Cursor, TParamDirection::Output});
    AddRoutine(qualifiedName, std::move(params),
               [rows](const TRoutineDesc&, const std::vector<TBoundValue>&) {
                   TCallResult r;
                   r.Cursor = rows;
                   return r;
               });
}

void FakeConnection::SetCallHandler(const QString& qualifiedName, TCallHandler handler) {
    FRoutines[Key(qualifiedName)].Handler = std::move(handler);
}

void FakeConnection::SetVariable(const QString& qualifiedName, const QVariant& value) {
    FVariables.insert(Key(qualifiedName), value);
}

std::vector<FakeConnection::TRecord> FakeConnection::Calls(const QString& qualifiedName) const {
    std::vector<TRecord> calls;
    for (const auto& r : FRecords)
        if (r.What == TRecord::Kind::Call &&
            (qualifiedName.isEmpty() || r.Name.compare(qualifiedName, Qt::CaseInsensitive) == 0))
            calls.push_back(r);
    return calls;
}

int FakeConnection::CountOf(TRecord::Kind kind) const {
    return int(std::count_if(FRecords.begin(), FRecords.end(),
                             [kind](const TRecord& r) { return r.What == kind; }));
}

TRoutineDesc FakeConnection::Describe(const QString& schema, const QString& package,
                                      const QString& routine) {
    const QString name = schema + u'.' + package + u'.' + routine;
    FRecords.push_back({TRecord::Kind::Describe, name, {}});
    const auto it = FRoutines.constFind(Key(name));
    if (it == FRoutines.constEnd())
        throw EOraError::Make(
            OraCode::NoSuchRoutine,
            QStringLiteral("PLS-00201: identifier '%1' must be declared").arg(name.toUpper()));
    TRoutineDesc desc = it->Desc;
    desc.Schema = schema;  // as asked, like a server folding names
    return desc;
}

TCallResult FakeConnection::Call(const TRoutineDesc& routine,
                                 const std::vector<TBoundValue>& inputs) {
    const QString name = routine.Schema + u'.' + routine.Package + u'.' + routine.Routine;
    FRecords.push_back({TRecord::Kind::Call, name, inputs});
    const auto it = FRoutines.constFind(Key(name));
    if (it == FRoutines.constEnd())
        throw EOraError::Make(
            OraCode::NoSuchRoutine,
            QStringLiteral("PLS-00201: identifier '%1' must be declared").arg(name.toUpper()));
    for (const auto& in : inputs) {
        const bool known = std::any_of(
            routine.Params.begin(), routine.Params.end(),
            [&](const TParamDesc& p) { return p.Name.compare(in.Name, Qt::CaseInsensitive) == 0; });
        if (!known)
            throw EOraError::Make(OraCode::NoSuchRoutine,
                                  QStringLiteral("PLS-00306: wrong number or types of arguments "
                                                 "in call to '%1' (%2)")
                                      .arg(routine.Routine, in.Name));
    }
    return it->Handler ? it->Handler(routine, inputs) : TCallResult{};
}

TRowSet FakeConnection::Query(const QString& sql, const std::vector<TBoundValue>& params) {
    FRecords.push_back({TRecord::Kind::Query, sql, params});
    return FOnQuery ? FOnQuery(sql, params) : TRowSet{};
}

long long FakeConnection::Execute(const QString& sql, const std::vector<TBoundValue>& params) {
    FRecords.push_back({TRecord::Kind::Execute, sql, params});
    return FOnExecute ? FOnExecute(sql, params) : 0;
}

QVariant FakeConnection::PackageVariable(const QString& schema, const QString& package,
                                         const QString& name) {
    const QString qualified = schema + u'.' + package + u'.' + name;
    FRecords.push_back({TRecord::Kind::Variable, qualified, {}});
    const auto it = FVariables.constFind(Key(qualified));
    if (it == FVariables.constEnd())
        throw EOraError::Make(
            OraCode::NoSuchRoutine,
            QStringLiteral("PLS-00201: identifier '%1' must be declared").arg(qualified.toUpper()));
    return *it;
}

void FakeConnection::Commit() {
    FRecords.push_back({TRecord::Kind::Commit, {}, {}});
    ++FCommits;
}

void FakeConnection::Rollback() {
    FRecords.push_back({TRecord::Kind::Rollback, {}, {}});
    ++FRollbacks;
}

namespace {
FakeConnection* lastOpened = nullptr;
}

void FakeConnection::Register(std::function<void(FakeConnection&)> setup) {
    RegisterBackend(QStringLiteral("fake"), [setup](const QString&) {
        auto conn = std::make_unique<FakeConnection>();
        if (setup) setup(*conn);
        lastOpened = conn.get();
        return std::unique_ptr<IDbConnection>(std::move(conn));
    });
}

FakeConnection* FakeConnection::LastOpened() { return lastOpened; }
