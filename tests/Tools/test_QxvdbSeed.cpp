// qxvdb on a database that already holds places: ids of the file that collide with them, and
// the world's countries and their subdivisions from the system's code tables.

#include <QFile>
#include <QRandomGenerator>

#include <gtest/gtest.h>

#include "Platform/Data/DbBackend.h"
#include "Platform/Data/EOraError.h"
#include "Server/sqlite/SqliteServer.h"
#include "Tools/qxvdb/Qxvdb.h"
#include "support/PostgresDsn.h"
#include "support/TempDir.h"

namespace {

struct TRun {
    int Code = -1;
    QString Out;
    QString Err;
};

class QxvdbSeedOnEngine : public ::testing::TestWithParam<QString> {
protected:
    void SetUp() override {
        if (GetParam() == QLatin1String("sqlite")) {
            RegisterSqliteServer();
            FDsn = "sqlite:" + FFiles.FilePath("db.sqlite");
            FSchema = "qxvbase";
            return;
        }
        FDsn = PgDsnOrSkip();
        QXV_REQUIRE_PG(FDsn);
        FSchema = QStringLiteral("seed_%1").arg(QRandomGenerator::global()->generate(), 8, 16,
                                                QLatin1Char('0'));
    }

    void TearDown() override {
        if (GetParam() != QLatin1String("postgresql") || FDsn.isEmpty()) return;
        const auto db = OpenConnection(FDsn);
        db->Execute(QStringLiteral("DROP SCHEMA IF EXISTS \"%1\" CASCADE").arg(FSchema), {});
        db->Commit();
    }

    TRun Cmd(const QString& command, const QStringList& more = {}) {
        TRun r;
        QTextStream out(&r.Out), err(&r.Err);
        r.Code = RunQxvdb(QStringList{command, "--db", FDsn, "--schema", FSchema} + more, out, err);
        return r;
    }

    QString FileWith(const QByteArray& bytes) {
        const QString path = FFiles.FilePath("in.csv");
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
        return path;
    }

    QString Exported() {
        const QString path = FFiles.FilePath("out.csv");
        EXPECT_EQ(Cmd("export", {"--file", path}).Code, QxvdbExit::Ok);
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }

    long long Scalar(const QString& sql) {
        const auto db = OpenConnection(FDsn);
        return db->Query(sql.arg(QuotedSchemaName(FSchema)), {}).Rows.at(0).at(0).toLongLong();
    }

    TempDir FFiles;
    QString FDsn;
    QString FSchema;
};

// The demo's places 1 (a region), 2 (its district), 3 (the district's centre) and 4 (a street
// there). The file's 1 and 2 sit where the demo's do and are the same places imported before;
// its 3 and 4 sit elsewhere, so they are other places under taken ids.
TEST_P(QxvdbSeedOnEngine, CollidingIdsAreNamedByLineAndNewIdsImportTheFilesTree) {
    ASSERT_EQ(Cmd("init").Code, QxvdbExit::Ok);
    ASSERT_EQ(Cmd("demo").Code, QxvdbExit::Ok);
    const QString file = FileWith(
        "ID,ID_PARENT,LEVEL,ABBREV,NAME\n1,,1,обл,Тверская\n2,1,2,р-н,Ржевский\n"
        "3,1,2,г,Ржев\n4,3,3,мкр,Заречье\n");
    const long long top = Scalar("SELECT MAX(ID) FROM %1.LOCATION");
    const QString before = Exported();
    const QString town = before.section("\n3,2,3,г,", 1).section(u',', 0, 0);
    const QString street = before.section("\n4,3,4,", 1).section(u'\n', 0, 0).section(u',', 1, 1);
    ASSERT_FALSE(town.isEmpty());
    const struct {
        QStringList Options;
        int Code;
        QStringList Says;
    } steps[] = {
        {{},
         QxvdbExit::DataError,
         {"line 4: the id 3 is already the place \"" + town + "\" (--new-ids",
          "line 5: the id 4 is already the place \"" + street + "\"", "2 bad rows"}},
        {{"--new-ids", "--existing", "skip"}, QxvdbExit::Usage, {"--existing does not apply"}},
        {{"--new-ids", "--dry-run"}, QxvdbExit::Ok, {"would add 4, updated 0, skipped 0"}},
        {{"--new-ids"}, QxvdbExit::Ok, {"added 4, updated 0, skipped 0"}},
    };
    for (const auto& s : steps) {
        const TRun r = Cmd("import", QStringList{"--file", file} + s.Options);
        EXPECT_EQ(r.Code, s.Code) << r.Err.toStdString();
        for (const QString& text : s.Says)
            EXPECT_TRUE((r.Out + r.Err).contains(text)) << r.Err.toStdString() << r.Out.toStdString();
        EXPECT_FALSE(r.Err.contains("the level")) << r.Err.toStdString();
    }
    const QString after = Exported();
    EXPECT_EQ(Scalar("SELECT COUNT(*) FROM %1.LOCATION"), before.count(u'\n') - 1 + 4);
    const auto id = [&](int n) { return QString::number(top + n); };
    for (const QString& line : {id(1) + ",,1,обл,Тверская", id(2) + "," + id(1) + ",2,р-н,Ржевский",
                                id(3) + "," + id(1) + ",2,г,Ржев", id(4) + "," + id(3) + ",3,мкр,Заречье"})
        EXPECT_TRUE(after.contains("\n" + line + ",")) << line.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Engines, QxvdbSeedOnEngine, ::testing::Values("sqlite", "postgresql"),
                         [](const auto& info) { return info.param.toStdString(); });

}  // namespace
