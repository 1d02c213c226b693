#pragma once

#include <QString>

class QObject;
class TOraSession;
class TParam;

// Binding a form's call components to the host's session and the configured schema,
// and the small call helpers the location forms share.

// Gives the session to every call component owned by the form, in component order.
void fSetSession(QObject* form, TOraSession* session);
// Binds every component owned by the form to the schema; an empty schema binds nothing
// and is reported.
void fSetShema(QObject* form, const QString& schema);
// Binds one component: a query's "shema" macro, a package's or stored procedure's
// schema prefix. A component whose Tag is not 0 keeps its binding; a failure is
// reported and leaves the component as it was.
void fSetShemaComponent(QObject* component, const QString& schema);
// "ORX.QXVERPLOCAT.GET_T#LOCATION" with "qxvbase" -> "qxvbase.QXVERPLOCAT.GET_T#LOCATION".
// Throws EGeneralError when the name has no dot.
void fSetShemaName(QString& name, const QString& schema);

// An identifier parameter: values below 1 travel as NULL.
void SetParamID(TParam& param, int value);

// The exclamation box the location forms use for their error texts.
void ShowWarning(const QString& caption, const QString& text);
