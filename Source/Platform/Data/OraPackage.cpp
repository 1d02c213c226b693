#include "Platform/Data/OraPackage.h"

#include "Platform/Data/EOraError.h"
#include "Platform/Data/ServerLock.h"

TOraPackage::TOraPackage(QObject* parent) : QObject(parent) {}

TOraPackage::~TOraPackage() = default;

void TOraPackage::SetPackageName(const QString& name) {
    if (name == FPackageName) return;
    FPackageName = name;
    FDescribed.clear();
}

void TOraPackage::SetSession(TOraSession* session) {
    if (session == FSession) return;
    FSession = session;
    FDescribed.clear();
}

TOraSession& TOraPackage::UsedSession() {
    TOraSession* session = FSession ? FSession.data() : TOraSession::DefaultSession();
    if (!session)
        throw EOraError::Make(OraCode::NotConnected,
                              QStringLiteral("not connected to ORACLE (no session)"), this);
    return *session;
}

QString TOraPackage::SchemaName() {
    const qsizetype dot = FPackageName.indexOf(u'.');
    const QString schema = dot < 0 ? UsedSession().UserName() : FPackageName.left(dot);
    CheckSchemaName(schema);
    return schema;
}

QString TOraPackage::Package() const {
    const qsizetype dot = FPackageName.indexOf(u'.');
    return dot < 0 ? FPackageName : FPackageName.mid(dot + 1);
}

const TRoutineDesc& TOraPackage::Describe(const QString& routine) {
    const QString key = routine.toUpper();
    auto it = FDescribed.find(key);
    if (it == FDescribed.end()) {
        const TServerLock turn;
        const QString schema = SchemaName();
        it =
            FDescribed.insert(key, UsedSession().Connection().Describe(schema, Package(), routine));
    }
    return *it;
}

namespace {

template <typename F>
auto Guard(QObject* component, F&& action) -> decltype(action()) {
    const TServerLock turn;
    try {
        return action();
    } catch (EOraError& e) {
        if (!e.Component()) e.SetComponent(component);
        throw;
    }
}

}  // namespace

QVariant TOraPackage::ExecProc(const QString& routine, const QVariantList& args) {
    return Guard(this, [&] {
        const TRoutineDesc& desc = Describe(routine);
        std::vector<TBoundValue> inputs;
        qsizetype next = 0;
        for (const TParamDesc& p : desc.Params) {
            if (p.Direction == TParamDirection::Result || p.Type == TFieldType::Cursor) continue;
            if (next >= args.size()) break;
            const QVariant& value = args[next++];
            if (p.Direction != TParamDirection::Output)
                inputs.push_back(TBoundValue{p.Name, value, p.Type});
        }
        if (next < args.size())
            throw EOraError::Make(OraCode::NoSuchRoutine,
                                  QStringLiteral("PLS-00306: wrong number or types of arguments "
                                                 "in call to '%1'")
                                      .arg(routine),
                                  this);
        const TCallResult result = UsedSession().Connection().Call(desc, inputs);
        return desc.IsFunction() ? result.Value(desc.Params.front().Name) : QVariant();
    });
}

TCallResult TOraPackage::ExecProcEx(const QString& routine, const std::vector<TBoundValue>& args) {
    return Guard(this, [&] {
        const TRoutineDesc& desc = Describe(routine);
        return UsedSession().Connection().Call(desc, args);
    });
}

QVariant TOraPackage::GetVariable(const QString& name) {
    return Guard(this, [&] {
        const QString schema = SchemaName();
        return UsedSession().Connection().PackageVariable(schema, Package(), name);
    });
}
