#pragma once

#include <QFile>
#include <QTextStream>

#include "Tools/qxvdb/Qxvdb.h"
#include "support/EngineSchema.h"

// What one run of qxvdb returned and wrote.
struct TRun {
    int Code = -1;
    QString Out;
    QString Err;
};

inline TRun RunTool(const QStringList& args) {
    TRun r;
    QTextStream out(&r.Out);
    QTextStream err(&r.Err);
    r.Code = RunQxvdb(args, out, err);
    out.flush();
    err.flush();
    return r;
}

// A file's bytes; none when it cannot be read.
inline QByteArray Bytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// qxvdb on one engine: FSchema and every schema NewSchema made are dropped afterwards.
class QxvdbEngineTest : public EngineSchemaTest {
protected:
    void TearDown() override {
        if (IsSqlite() || FConnectString.isEmpty()) return;
        try {
            const auto db = OpenConnection(FConnectString);
            for (const QString& s : FSchemas + QStringList{FSchema})
                db->Execute(QStringLiteral("DROP SCHEMA IF EXISTS \"%1\" CASCADE").arg(s), {});
            db->Commit();
        } catch (const EOraError&) {
            // A schema left behind in a throwaway server is harmless.
        }
    }

    QString NewSchema() {
        FSchemas << QStringLiteral("qxvt_%1").arg(QRandomGenerator::global()->generate(), 8, 16,
                                                  QLatin1Char('0'));
        return FSchemas.back();
    }
    TRun Cmd(const QString& command, const QString& schema, const QStringList& more = {}) {
        return RunTool(QStringList{command, "--db", FConnectString, "--schema", schema} + more);
    }
    QString FileWith(const QString& name, const QByteArray& bytes) {
        const QString path = FTemp.FilePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
        return path;
    }
    // The schema exported to a file of that name (its extension names the format).
    QByteArray Exported(const QString& schema, const QString& name = QStringLiteral("out.csv"),
                        const QStringList& more = {}) {
        const QString path = FTemp.FilePath(name);
        const TRun r = Cmd(QStringLiteral("export"), schema, QStringList{"--file", path} + more);
        EXPECT_EQ(r.Code, QxvdbExit::Ok) << r.Err.toStdString();
        return Bytes(path);
    }

    QStringList FSchemas;
};
