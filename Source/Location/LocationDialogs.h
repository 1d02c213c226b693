#pragma once

#include <QString>

#include <exception>
#include <functional>
#include <initializer_list>

#include "Platform/Data/DbBackend.h"

class QLabel;
class QObject;
class QWidget;
class TDataSet;
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
// A column of a grid read from a session's own table; a null label keeps it hidden.
struct TSessionField {
    const char* Field;
    TFieldType Type;
    const char* Label;  // translated from Russian when shown
    int Width;
};
// The query of a grid over the rows a window keeps in a session's own table under its
// :GUID (named without a schema, bound to one by the form all the same), ordered by
// `orderField` until the user sorts.
TOraQuery* SessionRowsQuery(QObject* form, const char* name, const QStringList& sql,
                            const char* orderField, const QString& guid,
                            std::initializer_list<TSessionField> columns);
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
// Who changed the row last and when, in the user's language: `phrase` (%1 the user, %2 the
// time) translated, `utcTime` as the server keeps it shown in local time.
QString ChangedByOtherText(const QString& user, const QString& utcTime, const QString& phrase);
// Tells the user who changed the row last and when (`utcTime` as the server keeps it, shown
// in local time); `phrase` has %1 for the user and %2 for the time.
void ShowChangedByOther(
    const QString& user, const QString& utcTime, QWidget* owner,
    const QString& phrase = QStringLiteral("Местоположение изменено пользователем %1 в %2"));
// Whether the server refused a change to a row another user deleted since it was read.
bool DeletedByOther(const std::exception& error);

// A row a dialog edits, as it was last read from the server: its version goes with the change,
// so the change never overwrites another user's.
struct TEditedRow {
    int Version = 0;
    // Another user deleted the row: the user was told, the list drops it.
    bool Gone = false;
    // Another user changed the row: the dialog shows it as stored now.
    bool Reloaded = false;
    // What the user is told: %1 the user, %2 the time; the deletion.
    QString ChangedPhrase;
    QString DeletedPhrase;

    // Takes the version from the row just read.
    void Read(const TDataSet& row);
    // Tells the user that another user deleted the row.
    void TellGone(QWidget* owner);
    // Answers a save the server refused because another user changed or deleted the row:
    // `reload` reads the row again into `row` and shows it (false when it is gone), and the
    // user is told which. False for any other failure, which is left to the caller.
    bool Answer(const std::exception& error, const TDataSet& row,
                const std::function<bool()>& reload, QWidget* owner);
};
