#include "Platform/Data/OraStoredProc.h"

TOraStoredProc::TOraStoredProc(QObject* parent) : TOraDataSet(parent) {}

TOraStoredProc::~TOraStoredProc() = default;

void TOraStoredProc::SetStoredProcName(const QString& name) {
    if (name == FStoredProcName) return;
    Close();
    Unprepare();
    FStoredProcName = name;
}

void TOraStoredProc::Unprepare() {
    FDescribed.reset();
    TOraDataSet::Unprepare();
}

void TOraStoredProc::Prepare() {
    if (Prepared()) return;
    Guarded([this] {
        const QStringList parts = FStoredProcName.split(u'.');
        if (parts.size() < 2 || parts.size() > 3 ||
            std::any_of(parts.begin(), parts.end(), [](const QString& p) { return p.isEmpty(); }))
            throw EOraError::Make(
                OraCode::NoSuchRoutine,
                QStringLiteral("PLS-00201: identifier '%1' must be declared").arg(FStoredProcName),
                this);
        IDbConnection& db = Db();
        const QString schema = parts.size() == 3 ? parts[0] : UsedSession().UserName();
        CheckSchemaName(schema);
        auto desc = std::make_unique<TRoutineDesc>(
            db.Describe(schema, parts[parts.size() - 2], parts.back()));

        // A component made in code with nothing set up calls its result "Result"; a
        // result the component already has keeps its name.
        QString resultName = FResultParamName;
        for (int i = 0; resultName.isEmpty() && i < Params().Count(); ++i)
            if (Params()[i].ParamType() == TParamDirection::Result) resultName = Params()[i].Name();
        if (resultName.isEmpty())
            resultName = objectName().isEmpty() && !parent() && Params().IsEmpty()
                             ? QStringLiteral("Result")
                             : QStringLiteral("RESULT");

        const TParams old = Params();
        TParams fresh;
        for (const TParamDesc& d : desc->Params) {
            if (d.Type == TFieldType::Cursor) continue;
            const QString name = d.Direction == TParamDirection::Result ? resultName : d.Name;
            TParam& p = fresh.CreateParam(name, d.Type, d.Direction);
            if (const TParam* was = old.FindParam(name);
                was && d.Direction != TParamDirection::Result)
                p.SetValue(was->Value());
        }
        Params() = std::move(fresh);
        FDescribed = std::move(desc);
        SetPrepared(true);
    });
}

TParam& TOraStoredProc::ParamByName(const QString& name) {
    if (!Prepared() && !Params().FindParam(name) && !FStoredProcName.isEmpty()) Prepare();
    return Params().ParamByName(name);
}

TCallResult TOraStoredProc::Call() {
    Prepare();
    return Guarded([this] {
        TCallResult result = Db().Call(*FDescribed, Inputs());
        const QString resultName =
            FDescribed->IsFunction() ? FDescribed->Params.front().Name : QString();
        for (int i = 0; i < Params().Count(); ++i) {
            TParam& p = Params()[i];
            if (p.ParamType() == TParamDirection::Result)
                p.SetValue(result.Value(resultName));
            else if (p.ParamType() == TParamDirection::Output ||
                     p.ParamType() == TParamDirection::InputOutput)
                p.SetValue(result.Value(p.Name()));
        }
        return result;
    });
}

std::vector<TBoundValue> TOraStoredProc::Inputs() const {
    std::vector<TBoundValue> inputs;
    for (int i = 0; i < Params().Count(); ++i) {
        const TParam& p = Params()[i];
        if (p.ParamType() == TParamDirection::Input ||
            p.ParamType() == TParamDirection::InputOutput)
            inputs.push_back(TBoundValue{p.Name(), p.Value(), p.DataType()});
    }
    return inputs;
}

TOraStoredProc::TDetachedCall TOraStoredProc::Detach() {
    Prepare();
    return Guarded([this] { return TDetachedCall{&Db(), *FDescribed, Inputs()}; });
}

TCallResult TOraStoredProc::TDetachedCall::Run() const {
    const TServerLock turn;
    return Db->Call(Routine, Inputs);
}

TRowSet TOraStoredProc::InternalOpen() {
    TCallResult result = Call();
    if (!result.Cursor) Fail(QStringLiteral("%1 returns no cursor").arg(FStoredProcName));
    return std::move(*result.Cursor);
}

void TOraStoredProc::ExecProc() {
    Close();
    TCallResult result = Call();
    if (result.Cursor) SetRows(*result.Cursor);
}
