#pragma once

#include <QRandomGenerator>
#include <QString>

#include <gtest/gtest.h>

#include <memory>

#include "Platform/Data/DbBackend.h"
#include "Platform/Data/EOraError.h"
#include "Server/ServerInstall.h"
#include "support/PostgresDsn.h"

// A schema of its own for each test, dropped afterwards.
class PgSchemaTest : public ::testing::Test {
protected:
    void SetUp() override {
        FDsn = PgDsnOrSkip();
        QXV_REQUIRE_PG(FDsn);
        FSchema = QStringLiteral("qxvpg_%1")
                      .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
        FDb = OpenConnection(FDsn);
        InstallServerSchema(*FDb, FSchema);
    }

    void TearDown() override {
        if (!FDb) return;
        try {
            FDb->Rollback();
            FDb->Execute(QStringLiteral("DROP SCHEMA \"%1\" CASCADE").arg(FSchema), {});
            FDb->Commit();
        } catch (const EOraError&) {
            // Left behind in a throwaway server: harmless.
        }
    }

    TCallResult Call(const QString& package, const QString& routine,
                     const std::vector<TBoundValue>& in = {}) {
        return FDb->Call(FDb->Describe(FSchema, package, routine), in);
    }
    long long Locat(const QString& routine, const std::vector<TBoundValue>& in = {}) {
        return Call(QStringLiteral("QXVERPLOCAT"), routine, in)
            .Value(QStringLiteral("RESULT"))
            .toLongLong();
    }
    long long Count(IDbConnection& db, const QString& table) {
        return db
            .Query(QStringLiteral("SELECT count(*) AS n FROM \"%1\".%2").arg(FSchema, table), {})
            .Rows.at(0)
            .at(0)
            .toLongLong();
    }

    QString FDsn;
    QString FSchema;
    std::unique_ptr<IDbConnection> FDb;
};
