#pragma once

#include <QIcon>
#include <QString>

class IHostObject;
class QWidget;
class TOraSession;

// The record GetServiceAttribute fills.
struct TServiceAttribute {
    const char* Caption;
    const char* Hint;
    const QIcon* Icon;  // shared: the caller must not free it
};

// One row of the access list; the list ends with Code -1 and null pointers.
struct TServiceAccessItem {
    int Code;
    const char* const* Service;  // the service list's entry of the service
    const char* Name;
};

// What the library offers: its one service, its icon and its twelve rights. Texts
// are UTF-8 and static.
namespace ServiceTable {

constexpr const char* Identifier = "16D1583A-13B8-4D80-BEE1-C05B83C44F41";
constexpr const char* IconName = "_QXVQUILLFEN";
constexpr int RightCount = 12;

// The identifiers of the services, ended by a null pointer.
const char* const* ServiceList();
// The row of a service identifier (matched without regard to letter case), or -1.
int FindService(const char* identifier);
const char* Caption(int row);
const char* Hint(int row);
const TServiceAccessItem* AccessList();
// Registers the service's icon under its resource name.
void RegisterResources();

// The bodies of the exports (the plug-in's extern "C" functions forward to these).
const char* const* GetServiceList();
void GetServiceAttribute(TServiceAttribute* attribute, const char* identifier);
const TServiceAccessItem* GetAccessList(const char* identifier);
QWidget* InitServiceForm(const char* identifier, const char* accessMode, IHostObject* host);
bool GetLocation(TOraSession* session, const char* schema, int* locationId);

}  // namespace ServiceTable
