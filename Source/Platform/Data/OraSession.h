#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>

#include "Platform/Data/DbBackend.h"
#include "Platform/qxvglobal.h"

class TDataSet;

// A database session: one connection and its one implicit transaction. It either
// opens the connection itself from ConnectString (and owns it) or adopts one the
// host opened (and leaves it open). Components that use a session never free it.
class QXV_PLATFORM_EXPORT TOraSession : public QObject {
    Q_OBJECT
public:
    using TSessionEvent = std::function<void(TOraSession*)>;

    explicit TOraSession(QObject* parent = nullptr);
    ~TOraSession() override;

    // Runs before every connect attempt, also the implicit one made by a component
    // that uses a session that is not connected. To chain, keep the previous hook.
    TSessionEvent BeforeConnect;
    TSessionEvent AfterConnect;

    // "sqlite:PATH" or "postgresql://…".
    const QString& ConnectString() const { return FConnectString; }
    void SetConnectString(const QString& connectString);

    bool Connected() const { return FConnection != nullptr; }
    // Runs BeforeConnect, then opens ConnectString; nothing when already connected.
    // Throws EOraError (3114) when there is nothing to connect to.
    void Connect();
    // Closes an owned connection, forgets an adopted one (without closing it).
    void Disconnect();

    // Uses a connection opened elsewhere; its owner keeps it alive while the
    // session uses it. Does not run BeforeConnect: nothing is connected here.
    void AdoptConnection(IDbConnection* connection);
    // Takes an open connection and owns it.
    void SetConnection(std::unique_ptr<IDbConnection> connection);

    // The connection; connects first when needed (throws EOraError when impossible).
    IDbConnection& Connection();
    IDbConnection* ConnectionOrNull() const { return FConnection; }

    // The database user (also the default schema) and the server, for messages.
    QString UserName() const;
    void SetUserName(const QString& userName) { FUserName = userName; }
    QString Server() const;

    void Commit();
    void Rollback();

    // The session components fall back to when they have none of their own.
    static TOraSession* DefaultSession();
    static void SetDefaultSession(TOraSession* session);

    // Data sets currently attached to this session, in attachment order.
    QList<TDataSet*> DataSets() const;
    void AttachDataSet(TDataSet* dataSet);
    void DetachDataSet(TDataSet* dataSet);

signals:
    void Connecting();

private:
    QString FConnectString;
    QString FUserName;
    std::unique_ptr<IDbConnection> FOwned;
    IDbConnection* FConnection = nullptr;
    QList<QPointer<TDataSet>> FDataSets;
};
