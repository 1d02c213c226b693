#pragma once

#include <QString>
#include <QStringList>

#include "Platform/qxvglobal.h"

// Text handling the PostgreSQL engine needs around its statements.
namespace PgSqlText {

struct TConverted {
    QString Sql;        // with $1, $2 … in place of :NAME
    QStringList Names;  // upper case; Names[i] is bound to $(i+1)
};

// Replaces every :NAME parameter with a positional $n (one number per distinct
// name, matched without regard to case). Text inside string literals, quoted
// identifiers, dollar-quoted bodies and comments is left alone, and so are
// "::" casts and the ":=" assignment.
QXV_PLATFORM_EXPORT TConverted ConvertParameters(const QString& sql);

// Reads the server's text form of a one-dimensional array ("{a,\"b c\",NULL}").
// NULL elements come back as null strings; explicit bounds ("[0:1]={…}") are skipped.
QXV_PLATFORM_EXPORT QStringList ParseTextArray(const QString& text);

}  // namespace PgSqlText
