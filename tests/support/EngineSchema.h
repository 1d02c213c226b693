#pragma once

#include <QRandomGenerator>
#include <QString>
#include <QUrl>

#include <gtest/gtest.h>

#include <string>

#include "Platform/Data/DbBackend.h"
#include "Platform/Data/EOraError.h"
#include "Server/sqlite/SqliteServer.h"
#include "support/PostgresDsn.h"
#include "support/TempDir.h"

// A test that runs on both engines, its parameter naming one: "sqlite" is a fresh file of the
// test's own, "postgresql" a schema of a random name on the throwaway server (QXV_PG_DSN),
// dropped again by DropSchema. Without a server SetUp skips (or fails in CI): a derived SetUp
// returns when IsSkipped() or HasFatalFailure().
class EngineSchemaTest : public ::testing::TestWithParam<QString> {
protected:
    void SetUp() override {
        RegisterSqliteServer();
        if (IsSqlite()) {
            FConnectString =
                QStringLiteral("sqlite:") + FTemp.FilePath(QStringLiteral("engine.db"));
            FSchema = QStringLiteral("qxvbase");
            return;
        }
        FConnectString = PgDsnOrSkip();
        QXV_REQUIRE_PG(FConnectString);
        FSchema = QStringLiteral("qxvt_%1").arg(QRandomGenerator::global()->generate(), 8, 16,
                                                QLatin1Char('0'));
    }

    bool IsSqlite() const { return GetParam() == QLatin1String("sqlite"); }

    // A table of the schema, for free SQL.
    QString T(const QString& table) const {
        return QStringLiteral("\"%1\".%2").arg(FSchema.toLower(), table);
    }

    // Drops the server's schema through db, which may be inside a transaction.
    void DropSchema(IDbConnection& db) {
        if (IsSqlite()) return;
        try {
            db.Rollback();
            db.Execute(QStringLiteral("DROP SCHEMA \"%1\" CASCADE").arg(FSchema.toLower()), {});
            db.Commit();
        } catch (const EOraError&) {
            // A schema left behind in a throwaway server is harmless.
        }
    }

    // Another user of the schema with these rights, registered through db: on PostgreSQL a
    // login role named after the schema (dropped by DropRole), on SQLite a name in the
    // connection string. Returns the user's connection string.
    QString ConnectStringOfNewUser(IDbConnection& db, const QString& prefix, const char* rights) {
        QString user = prefix.toUpper(), dsn = FConnectString + QStringLiteral("?user=") + user;
        if (!IsSqlite()) {
            user = prefix + u'_' + FSchema;
            db.Execute(QStringLiteral("CREATE ROLE \"%1\" LOGIN").arg(user), {});  // a known name
            QUrl url(FConnectString);
            url.setUserName(user);
            dsn = url.toString();
        }
        db.Call(db.Describe(FSchema, QStringLiteral("QXVERPUSER"), QStringLiteral("INS_T#USER")),
                {{"PNAME", user}, {"PRIGHTS", QString::fromLatin1(rights)}});
        return dsn;
    }
    // The role of a connection string ConnectStringOfNewUser made, with what it was granted.
    void DropRole(IDbConnection& db, const QString& connectString) {
        if (IsSqlite()) return;
        const QString role = QUrl(connectString).userName();
        db.Execute(QStringLiteral("DROP OWNED BY \"%1\"").arg(role), {});
        db.Execute(QStringLiteral("DROP ROLE \"%1\"").arg(role), {});
    }

public:
    static std::string EngineName(const ::testing::TestParamInfo<QString>& info) {
        return info.param.toStdString();
    }

protected:
    TempDir FTemp;
    QString FConnectString;
    QString FSchema;
};

#define QXV_ON_BOTH_ENGINES(Suite)                                                                 \
    INSTANTIATE_TEST_SUITE_P(                                                                      \
        Engines, Suite, ::testing::Values(QStringLiteral("sqlite"), QStringLiteral("postgresql")), \
        EngineSchemaTest::EngineName)
