#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>

#include "Platform/Data/DbBackend.h"
#include "Platform/qxvglobal.h"

// Conversions shared by fields and parameters, as the server converts: NULL reads
// as 0, "" or false; a text that is not a number is an error (EDatabaseError).
namespace DataConvert {

QXV_PLATFORM_EXPORT long long ToInteger(const QVariant& value);
double ToFloat(const QVariant& value);
QXV_PLATFORM_EXPORT QString ToString(const QVariant& value);
bool ToBoolean(const QVariant& value);
QByteArray ToBytes(const QVariant& value);

// The value stored for a field of `type`; NULL stays NULL.
QVariant Coerce(const QVariant& value, TFieldType type);
// The type a value brings with it (Unknown for NULL).
TFieldType TypeOf(const QVariant& value);

}  // namespace DataConvert
