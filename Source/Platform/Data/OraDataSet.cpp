#include "Platform/Data/OraDataSet.h"

TOraDataSet::TOraDataSet(QObject* parent) : TDataSet(parent) {}

TOraDataSet::~TOraDataSet() {
    if (FSession) FSession->DetachDataSet(this);
}

void TOraDataSet::SetSession(TOraSession* session) {
    if (FSession == session) return;
    Close();
    Unprepare();
    if (FSession) FSession->DetachDataSet(this);
    FSession = session;
    if (session) session->AttachDataSet(this);
}

TOraSession& TOraDataSet::UsedSession() {
    TOraSession* session = FSession ? FSession.data() : TOraSession::DefaultSession();
    if (!session)
        throw EOraError::Make(OraCode::NotConnected,
                              QStringLiteral("not connected to ORACLE (no session)"), this);
    return *session;
}

IDbConnection& TOraDataSet::Db() {
    return Guarded([this]() -> IDbConnection& { return UsedSession().Connection(); });
}
