#include "Platform/Data/OraSession.h"

#include "Platform/Data/DataSet.h"
#include "Platform/Data/EOraError.h"
#include "Platform/Data/ServerLock.h"

namespace {

QPointer<TOraSession>& DefaultSessionRef() {
    static QPointer<TOraSession> session;
    return session;
}

}  // namespace

TOraSession::TOraSession(QObject* parent) : QObject(parent) {}

TOraSession::~TOraSession() = default;

void TOraSession::SetConnectString(const QString& connectString) { FConnectString = connectString; }

void TOraSession::Connect() {
    if (Connected()) return;
    // The hook runs before anything is tried: the forms use it to report a
    // connection attempt on a session that should have been given a connection.
    if (BeforeConnect) BeforeConnect(this);
    emit Connecting();
    if (FConnectString.isEmpty())
        throw EOraError::Make(OraCode::NotConnected, QStringLiteral("not connected to ORACLE"),
                              this);
    try {
        FOwned = OpenConnection(FConnectString);
    } catch (EOraError& e) {
        if (!e.Component()) e.SetComponent(this);
        throw;
    }
    FConnection = FOwned.get();
    if (AfterConnect) AfterConnect(this);
}

void TOraSession::Disconnect() {
    FConnection = nullptr;
    FOwned.reset();
}

void TOraSession::AdoptConnection(IDbConnection* connection) {
    FOwned.reset();
    FConnection = connection;
}

void TOraSession::SetConnection(std::unique_ptr<IDbConnection> connection) {
    FOwned = std::move(connection);
    FConnection = FOwned.get();
}

IDbConnection& TOraSession::Connection() {
    if (!FConnection) Connect();
    return *FConnection;
}

QString TOraSession::UserName() const {
    if (FConnection) return FConnection->UserName();
    return FUserName;
}

QString TOraSession::Server() const {
    if (FConnection) return FConnection->Server();
    return FConnectString;
}

void TOraSession::Commit() {
    if (!FConnection) return;  // nothing was done, so nothing to commit
    const TServerLock turn;
    try {
        FConnection->Commit();
    } catch (EOraError& e) {
        if (!e.Component()) e.SetComponent(this);
        throw;
    }
}

void TOraSession::Rollback() {
    if (!FConnection) return;
    const TServerLock turn;
    try {
        FConnection->Rollback();
    } catch (EOraError& e) {
        if (!e.Component()) e.SetComponent(this);
        throw;
    }
}

TOraSession* TOraSession::DefaultSession() { return DefaultSessionRef().data(); }

void TOraSession::SetDefaultSession(TOraSession* session) { DefaultSessionRef() = session; }

QList<TDataSet*> TOraSession::DataSets() const {
    QList<TDataSet*> sets;
    for (const auto& p : FDataSets)
        if (p) sets << p.data();
    return sets;
}

void TOraSession::AttachDataSet(TDataSet* dataSet) {
    if (dataSet && !DataSets().contains(dataSet)) FDataSets << dataSet;
}

void TOraSession::DetachDataSet(TDataSet* dataSet) {
    FDataSets.removeIf([dataSet](const QPointer<TDataSet>& p) { return !p || p == dataSet; });
}
