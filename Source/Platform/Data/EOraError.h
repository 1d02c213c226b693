#pragma once

#include <QPointer>
#include <QString>

#include <stdexcept>

#include "Platform/qxvglobal.h"

class QObject;

// An error of the database layer, shaped as the server reports it: an Oracle
// error number and a message "ORA-00001: unique constraint (SCHEMA.NAME) violated"
// ending in a line feed, plus the component that raised it (may be none).
class QXV_PLATFORM_EXPORT EOraError : public std::runtime_error {
public:
    EOraError(int errorCode, const QString& message, QObject* component = nullptr);

    // "ORA-%05d: " + text + "\n": the form every backend uses for its messages.
    static EOraError Make(int errorCode, const QString& text, QObject* component = nullptr);

    int ErrorCode() const { return FErrorCode; }
    const QString& Message() const { return FMessage; }
    QObject* Component() const { return FComponent.data(); }
    void SetComponent(QObject* component) { FComponent = component; }

private:
    int FErrorCode;
    QString FMessage;
    QPointer<QObject> FComponent;
};

// Error numbers the layer and the error handler rely on.
namespace OraCode {
constexpr int UniqueViolation = 1;
constexpr int CheckViolation = 2290;
constexpr int ParentKeyNotFound = 2291;
constexpr int ChildRecordFound = 2292;
constexpr int NotConnected = 3114;
constexpr int ConnectionLost = 3135;  // lost and re-established: the action must be repeated
constexpr int NoSpace = 1653;         // the database could not grow (a full disk or file limit)
constexpr int InvalidIdentifier = 904;
constexpr int NoSuchRoutine = 6550;
constexpr int UserDefined = 20000;
// A change built on an older reading of the row: another user changed it since.
constexpr int ChangedByOther = 20001;
// Another user deleted the row since it was read.
constexpr int DeletedByOther = 20002;
// A place's code or name per language that the server does not take ("<phrase>: <details>").
constexpr int PlaceDataRefused = 20003;
// A merge of two places that cannot be one (a place into itself, its own subtree, another level).
constexpr int MergeRefused = 20004;
}  // namespace OraCode
