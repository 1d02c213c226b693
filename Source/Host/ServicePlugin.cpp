#include "Host/ServicePlugin.h"

#include <QWidget>

namespace {

// The records the plug-in fills, as the plug-in declares them.
struct TServiceAttributeRecord {
    const char* Caption;
    const char* Hint;
    const QIcon* Icon;
};

struct TServiceAccessRecord {
    int Code;
    const char* const* Service;
    const char* Name;
};

}  // namespace

ServicePlugin::ServicePlugin(const QString& path)
    : FPath(path), FLibrary(std::make_unique<QLibrary>(path)) {
    if (!FLibrary->load()) {
        FError = FLibrary->errorString();
        return;
    }
    FGetServiceList = reinterpret_cast<GetServiceListFn>(FLibrary->resolve("GetServiceList"));
    FGetServiceAttribute =
        reinterpret_cast<GetServiceAttributeFn>(FLibrary->resolve("GetServiceAttribute"));
    FGetAccessList = reinterpret_cast<GetAccessListFn>(FLibrary->resolve("GetAccessList"));
    FInitServiceForm = reinterpret_cast<InitServiceFormFn>(FLibrary->resolve("InitServiceForm"));
    FGetLocation = reinterpret_cast<GetLocationFn>(FLibrary->resolve("GetLocation"));
    FOk = FGetServiceList && FGetServiceAttribute && FGetAccessList && FInitServiceForm;
    if (!FOk) FError = QStringLiteral("%1 is not a service plug-in").arg(path);
}

QList<ServicePlugin::TService> ServicePlugin::Services() const {
    QList<TService> services;
    if (!FOk) return services;
    for (const char* const* id = FGetServiceList(); id && *id; ++id) {
        TServiceAttributeRecord record{};
        FGetServiceAttribute(&record, *id);
        TService service;
        service.Identifier = QString::fromUtf8(*id);
        service.Caption = QString::fromUtf8(record.Caption);
        service.Hint = QString::fromUtf8(record.Hint);
        if (record.Icon) service.Icon = *record.Icon;
        services << service;
    }
    return services;
}

QList<ServicePlugin::TRight> ServicePlugin::Rights(const QString& identifier) const {
    QList<TRight> rights;
    if (!FOk) return rights;
    const auto* row =
        static_cast<const TServiceAccessRecord*>(FGetAccessList(identifier.toUtf8().constData()));
    for (; row && row->Code != -1; ++row) rights << TRight{row->Code, QString::fromUtf8(row->Name)};
    return rights;
}

QWidget* ServicePlugin::OpenService(const QString& identifier, const QString& accessMode,
                                    IHostObject* host) const {
    if (!FOk) return nullptr;
    return FInitServiceForm(identifier.toUtf8().constData(), accessMode.toUtf8().constData(), host);
}

bool ServicePlugin::Pick(TOraSession* session, const QString& schema, int& locationId) const {
    if (!FGetLocation) return false;
    return FGetLocation(session, schema.toUtf8().constData(), &locationId) == 1;
}
