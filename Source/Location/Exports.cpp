// The plug-in's outside contract: five functions the console (and any program that
// wants the picker) resolves by name.
#include "Location/ServiceTable.h"

#define QXV_SERVICE_EXPORT extern "C" __attribute__((visibility("default")))

QXV_SERVICE_EXPORT const char* const* GetServiceList() { return ServiceTable::GetServiceList(); }

QXV_SERVICE_EXPORT void GetServiceAttribute(TServiceAttribute* attribute, const char* identifier) {
    ServiceTable::GetServiceAttribute(attribute, identifier);
}

QXV_SERVICE_EXPORT const TServiceAccessItem* GetAccessList(const char* identifier) {
    return ServiceTable::GetAccessList(identifier);
}

QXV_SERVICE_EXPORT QWidget* InitServiceForm(const char* identifier, const char* accessMode,
                                            IHostObject* host) {
    return ServiceTable::InitServiceForm(identifier, accessMode, host);
}

// Exceptions travel to the caller, who shares this library's C++ runtime.
QXV_SERVICE_EXPORT unsigned char GetLocation(TOraSession* session, const char* schema,
                                             int* locationId) {
    return ServiceTable::GetLocation(session, schema, locationId) ? 1 : 0;
}
