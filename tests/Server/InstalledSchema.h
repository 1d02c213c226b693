#pragma once

#include <memory>
#include <vector>

#include "Platform/Data/DbBackend.h"
#include "Server/ServerInstall.h"
#include "support/EngineSchema.h"

// A test on one engine whose schema holds the installed server, reached through FDb and
// dropped afterwards.
class InstalledSchemaTest : public EngineSchemaTest {
protected:
    using Inputs = std::vector<TBoundValue>;

    void SetUp() override {
        EngineSchemaTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        Install();
    }
    void TearDown() override {
        if (FDb) DropSchema(*FDb);
    }
    // Opens FDb and installs the server; a SetUp that changes the connection string first
    // calls it itself.
    void Install() {
        FDb = OpenConnection(FConnectString);
        InstallServerSchema(*FDb, FSchema);
        FDb->Commit();
    }

    TCallResult Call(const QString& package, const QString& routine, const Inputs& in = {}) {
        return FDb->Call(FDb->Describe(FSchema, package, routine), in);
    }
    long long Result(const QString& package, const QString& routine, const Inputs& in = {}) {
        return Call(package, routine, in).Value(QStringLiteral("RESULT")).toLongLong();
    }
    long long Loc(const QString& routine, const Inputs& in = {}) {
        return Result(QStringLiteral("QXVERPLOCAT"), routine, in);
    }
    // Dictionary rows and places through the server's own routines.
    long long AddAbbrev(const QString& sname, const QString& name) {
        return Loc(QStringLiteral("INS_T#LOCATABBREV"), {{"PSNAME", sname}, {"PNAME", name}});
    }
    long long AddType(int level, const QVariant& abbrev) {
        return Loc(QStringLiteral("INS_T#LOCATTYPE"), {{"PLEVEL#", level}, {"PID_ABBREV", abbrev}});
    }
    long long AddLocation(const QVariant& parent, const QVariant& type, const QString& name) {
        return Loc(QStringLiteral("INS_T#LOCATION"),
                   {{"PID_PARENT", parent}, {"PID_LOCATTYPE", type}, {"PNAME", name}});
    }
    long long Inf(const QString& routine, const Inputs& in = {}) {
        return Result(QStringLiteral("QXVERPINFORM"), routine, in);
    }
    // An active information item of a place, described as "desc <value>".
    Inputs InfoInputs(const QVariant& obj, const QVariant& parent, int type, const QString& value) {
        return {{"POBJTYPE", 1},     {"POBJID", obj},   {"PID_PARENT", parent},
                {"PINFOTYPE", type}, {"PVALUE", value}, {"PDESCRIPTION", "desc " + value},
                {"PACTIVE", 1}};
    }
    long long AddInfo(long long obj, const QVariant& parent, int type, const QString& value) {
        return Inf(QStringLiteral("INS_T#INFORMATION"), InfoInputs(obj, parent, type, value));
    }
    // The rows of a table of the schema as db sees them, those matching where if it is given.
    long long Count(IDbConnection& db, const QString& table, const QString& where = QString(),
                    const Inputs& in = {}) {
        return db
            .Query(
                QStringLiteral("SELECT COUNT(*) AS QNT FROM %1%2")
                    .arg(T(table), where.isEmpty() ? QString() : QStringLiteral(" WHERE ") + where),
                in)
            .Rows.at(0)
            .at(0)
            .toLongLong();
    }
    long long Count(const QString& table, const QString& where = QString(), const Inputs& in = {}) {
        return Count(*FDb, table, where, in);
    }

    std::unique_ptr<IDbConnection> FDb;
};

#define QXV_ON_POSTGRESQL(Suite)                                                             \
    INSTANTIATE_TEST_SUITE_P(Engine, Suite, ::testing::Values(QStringLiteral("postgresql")), \
                             EngineSchemaTest::EngineName)
