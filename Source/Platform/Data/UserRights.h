#pragma once

#include <QString>

#include "Platform/qxvglobal.h"

class IDbConnection;

// The rights the server keeps per user: the twelve of the location service's access list,
// in its order, one character each ("1" granted).
namespace UserRights {

constexpr int Count = 12;
// The error number of a call refused for want of a right (Oracle's "insufficient
// privileges"); its message is "Недостаточно прав: " and the right's name.
constexpr int Refused = 1031;
// A user the server has no row for may look, never change.
inline constexpr const char* ViewOnly = "100010001000";
// The roles of `qxvdb user`: a reader looks, an editor also changes places and their
// information items, an administrator may do everything, users included.
inline constexpr const char* Reader = "100010001000";
inline constexpr const char* Editor = "111110001000";
inline constexpr const char* Admin = "111111111111";
// The rights in code order, as the server names them when it refuses.
QXV_PLATFORM_EXPORT extern const char* const Names[Count];

// The session user's rights in `schema`; view-only when the server cannot tell.
QXV_PLATFORM_EXPORT QString Fetch(IDbConnection& db, const QString& schema);

// Whether `access` is "1" and one character per right.
QXV_PLATFORM_EXPORT bool WellFormed(const QString& access);

// The access string a host hands to a service: "1" and the server's rights, less what
// `requested` (an access string, empty for none) takes away. A requested string that is not
// "1" and one character per right takes nothing away and adds nothing.
QXV_PLATFORM_EXPORT QString AccessString(const QString& serverRights, const QString& requested);

}  // namespace UserRights
