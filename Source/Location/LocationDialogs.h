#pragma once

#include <QString>

#include <exception>

class QLabel;
class QObject;
class QWidget;
class TOraQuery;
class TOraStoredProc;

// Small pieces the location dialogs and dictionaries share.

// "%s" in a message text replaced by the argument (the texts keep their own format).
QString FormatS(const QString& format, const QString& argument);

// The text without leading and trailing characters of code 32 or below (blanks and
// control characters); inner ones stay.
QString TrimBlanks(const QString& text);

// The area above a dialog's button panel, where the dialog places its controls
// at fixed positions.
QWidget* DialogContent(QWidget* dialog);

// A caption label in the dialogs' blue.
QLabel* BlueLabel(QWidget* parent, const char* name, const QString& text, int x, int y);

// A call of QXVERPLOCAT.<routine> under the design-time schema, bound later by the form.
TOraStoredProc* LocatProc(QObject* form, const char* name, const char* routine);
// A query holding the three-line block "begin", `call`, "end;".
TOraQuery* LocatCallBlock(QObject* form, const char* name, const QString& call);
// What a failed call says (the server's message for a database error; a refusal for want of
// a right in the user's language).
QString ErrorText(const std::exception& error);
// The server's refusal of a call the user has no right to, "Недостаточно прав: <the right>"
// translated; empty for any other failure.
QString RefusalText(const std::exception& error);
// Shows such a refusal over `owner` and says whether the failure was one.
bool ShowRefusal(const std::exception& error, QWidget* owner);
// Whether the failure says that the place a call needed (the parent of a new place, the
// place of an item) was deleted by another user.
bool PlaceGone(const std::exception& error);
// Tells the user that another user deleted the place.
void ShowPlaceGone(QWidget* owner);
// Whether the server refused a change built on an older reading of the row.
bool ChangedByOther(const std::exception& error);
// Tells the user who changed the place last and when (`utcTime` as the server keeps it,
// shown in local time).
void ShowChangedByOther(const QString& user, const QString& utcTime, QWidget* owner);
