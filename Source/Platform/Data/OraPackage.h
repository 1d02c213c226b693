#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariant>
#include <QVariantList>

#include <vector>

#include "Platform/Data/DbBackend.h"
#include "Platform/Data/OraSession.h"
#include "Platform/qxvglobal.h"

// Calls routines of one server package "SCHEMA.PACKAGE" ("PACKAGE": the session
// user's schema) and reads its package variables.
class QXV_PLATFORM_EXPORT TOraPackage : public QObject {
    Q_OBJECT
public:
    explicit TOraPackage(QObject* parent = nullptr);
    ~TOraPackage() override;

    const QString& PackageName() const { return FPackageName; }
    void SetPackageName(const QString& name);

    TOraSession* Session() const { return FSession.data(); }
    void SetSession(TOraSession* session);

    // Calls ROUTINE with the arguments in the routine's order (the cursor argument
    // is skipped) and gives back the function result (null for a procedure).
    QVariant ExecProc(const QString& routine, const QVariantList& args = {});
    // Calls ROUTINE with arguments by name; gives back everything the server returned.
    TCallResult ExecProcEx(const QString& routine, const std::vector<TBoundValue>& args);

    // A package variable, such as GC_MULTI_LANG.
    QVariant GetVariable(const QString& name);

private:
    TOraSession& UsedSession();
    const TRoutineDesc& Describe(const QString& routine);
    QString SchemaName();
    QString Package() const;

    QString FPackageName;
    QPointer<TOraSession> FSession;
    QHash<QString, TRoutineDesc> FDescribed;
};
