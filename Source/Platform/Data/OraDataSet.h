#pragma once

#include <QPointer>

#include "Platform/Data/DataSet.h"
#include "Platform/Data/EOraError.h"
#include "Platform/Data/OraSession.h"
#include "Platform/Data/ServerLock.h"
#include "Platform/qxvglobal.h"

// What queries and stored-procedure calls share: a session (or the default one)
// and the prepared state. Errors of the engine leave these components as
// EOraError with the component set to the data set that made the call.
class QXV_PLATFORM_EXPORT TOraDataSet : public TDataSet {
    Q_OBJECT
public:
    explicit TOraDataSet(QObject* parent = nullptr);
    ~TOraDataSet() override;

    TOraSession* Session() const { return FSession.data(); }
    // Does not take ownership; closes and unprepares when the session changes.
    void SetSession(TOraSession* session);

    virtual void Prepare() = 0;
    virtual void Unprepare() { FPrepared = false; }
    bool Prepared() const { return FPrepared; }

protected:
    // The session to use: the own one, else the default one; throws EOraError
    // (3114, not connected) when there is none.
    TOraSession& UsedSession();
    // The connection of that session, connecting it when needed.
    IDbConnection& Db();
    void SetPrepared(bool prepared) { FPrepared = prepared; }
    // Runs `action` holding the server lock, giving any EOraError this component when it has
    // none.
    template <typename F>
    auto Guarded(F&& action) -> decltype(action()) {
        const TServerLock turn;
        try {
            return action();
        } catch (EOraError& e) {
            if (!e.Component()) e.SetComponent(this);
            throw;
        }
    }

private:
    QPointer<TOraSession> FSession;
    bool FPrepared = false;
};
