#pragma once

#include <QIcon>
#include <QLibrary>
#include <QString>
#include <QStringList>

#include <memory>

class IHostObject;
class QWidget;
class TOraSession;

// One loaded service plug-in and its five exports.
class ServicePlugin {
public:
    struct TService {
        QString Identifier;
        QString Caption;
        QString Hint;
        QIcon Icon;
    };
    struct TRight {
        int Code;
        QString Name;
    };

    // Loads the library; Ok() tells whether it is a service plug-in.
    explicit ServicePlugin(const QString& path);
    bool Ok() const { return FOk; }
    QString ErrorText() const { return FError; }
    const QString& Path() const { return FPath; }

    QList<TService> Services() const;
    QList<TRight> Rights(const QString& identifier) const;
    // The service's window, or null (the plug-in has told the user why).
    QWidget* OpenService(const QString& identifier, const QString& accessMode,
                         IHostObject* host) const;
    // The modal picker: true and the chosen id, or false when cancelled.
    bool Pick(TOraSession* session, const QString& schema, int& locationId) const;

private:
    using GetServiceListFn = const char* const* (*)();
    using GetServiceAttributeFn = void (*)(void*, const char*);
    using GetAccessListFn = const void* (*)(const char*);
    using InitServiceFormFn = QWidget* (*)(const char*, const char*, IHostObject*);
    using GetLocationFn = unsigned char (*)(TOraSession*, const char*, int*);

    QString FPath;
    std::unique_ptr<QLibrary> FLibrary;
    bool FOk = false;
    QString FError;
    GetServiceListFn FGetServiceList = nullptr;
    GetServiceAttributeFn FGetServiceAttribute = nullptr;
    GetAccessListFn FGetAccessList = nullptr;
    InitServiceFormFn FInitServiceForm = nullptr;
    GetLocationFn FGetLocation = nullptr;
};
