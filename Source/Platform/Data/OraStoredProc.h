#pragma once

#include <QString>

#include <memory>

#include "Platform/Data/OraDataSet.h"
#include "Platform/qxvglobal.h"

// A call of one server routine named "SCHEMA.PACKAGE.ROUTINE" ("PACKAGE.ROUTINE":
// the session user's schema). Prepare describes the routine on the server and makes
// the parameters in the routine's order: the function result first, then the
// arguments. The cursor argument (DATASET) is not a parameter: its rows become the
// data set's rows.
//
// The result parameter is named by ResultParamName; left empty (the default) it keeps
// the name of the result parameter the component already has, else it is "RESULT",
// except on a component created in code without a name and without parameters, where
// it is "Result" (names match without regard to case either way).
class QXV_PLATFORM_EXPORT TOraStoredProc : public TOraDataSet {
    Q_OBJECT
public:
    explicit TOraStoredProc(QObject* parent = nullptr);
    ~TOraStoredProc() override;

    const QString& StoredProcName() const { return FStoredProcName; }
    // A different name closes and unprepares; the parameters stay until the next
    // Prepare, which keeps the values of the parameters whose names remain.
    void SetStoredProcName(const QString& name);

    const QString& ResultParamName() const { return FResultParamName; }
    void SetResultParamName(const QString& name) { FResultParamName = name; }

    void Prepare() override;
    void Unprepare() override;

    // Calls the routine with the input parameters; the result and the outputs go
    // back into the parameters; a cursor's rows open the data set.
    void ExecProc();

    // Prepares first when the name is not a parameter yet and the call is not prepared.
    TParam& ParamByName(const QString& name) override;

    // The server's description, once prepared.
    const TRoutineDesc* Description() const { return FDescribed.get(); }

    // The call with the input parameters as they stand, made later and on any thread by Run,
    // which takes the server lock. It touches no component: its outputs and rows are the
    // caller's, and its errors name no component (the caller's thread may give them one).
    struct TDetachedCall {
        IDbConnection* Db = nullptr;
        TRoutineDesc Routine;
        std::vector<TBoundValue> Inputs;
        TCallResult Run() const;
    };
    TDetachedCall Detach();

protected:
    TRowSet InternalOpen() override;

private:
    TCallResult Call();
    std::vector<TBoundValue> Inputs() const;

    QString FStoredProcName;
    QString FResultParamName;
    std::unique_ptr<TRoutineDesc> FDescribed;
};
