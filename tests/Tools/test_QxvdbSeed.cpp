// qxvdb on a database that already holds places: ids of the file that collide with them, and
// the world's countries and their subdivisions from the system's code tables.

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>

#include <gtest/gtest.h>

#include "Platform/Data/DbBackend.h"
#include "Platform/Data/EOraError.h"
#include "Platform/PlaceCaption.h"
#include "Server/sqlite/SqliteServer.h"
#include "Tools/qxvdb/Qxvdb.h"
#include "Tools/qxvdb/Seed.h"
#include "support/PostgresDsn.h"
#include "support/TempDir.h"

namespace {

// Types' short names fit the column, say which type they are, and never stand for two types.
TEST(ShortTypeName, FitsTheColumnAndNamesOneTypeOnly) {
    const struct {
        const char* Full;
        QStringList Taken;
        const char* Short;
    } cases[] = {
        {"Province", {}, "Province"},
        {"Administrative region", {}, "Adm. reg."},
        {"Municipality", {}, "Munic."},
        {"Metropolitan city", {}, "Metr. city"},
        {"City with county rights", {}, "C.c.r."},
        {"Group of islands (20 inhabited islands)", {}, "G.i.i.i."},
        {"Administrative region", {"Adm. reg."}, "Adm. reg.2"},
        {"Municipality", {"Munic.", "Munic.2"}, "Munic.3"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ShortTypeName(c.Full, c.Taken), QString::fromUtf8(c.Short)) << c.Full;
}

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

// How many places a table of the system's ISO 3166 files holds.
qsizetype IsoTableSize(const QString& standard) {
    QFile f(TIsoTables().Folder + "/iso_" + standard + ".json");
    return f.open(QIODevice::ReadOnly)
               ? QJsonDocument::fromJson(f.readAll()).object().value(standard).toArray().size()
               : -1;
}

TEST_P(QxvdbSeedOnEngine, TheSeedHoldsEveryCountryAndSubdivisionOfTheSystemsTables) {
    ASSERT_EQ(Cmd("init").Code, QxvdbExit::Ok);
    const TRun seeded = Cmd("seed", {"iso3166"});
    ASSERT_EQ(seeded.Code, QxvdbExit::Ok) << seeded.Err.toStdString();
    const QString codes = "SELECT COUNT(*) FROM %1.LOCATION_CODE WHERE KIND = '%2'";
    EXPECT_EQ(Scalar(codes.arg("%1", "ISO3166_1")), IsoTableSize("3166-1"));
    EXPECT_EQ(Scalar(codes.arg("%1", "ISO3166_2")), IsoTableSize("3166-2"));
    EXPECT_EQ(Scalar("SELECT COUNT(*) FROM %1.LOCATION"),
              IsoTableSize("3166-1") + IsoTableSize("3166-2"));

    const auto db = OpenConnection(FDsn);
    const QString place = QStringLiteral(
        "SELECT T.LEVEL_NO, E.NAME, R.NAME, P.CODE FROM %1.LOCATION_CODE C "
        "JOIN %1.LOCATION L ON L.ID = C.ID_LOCATION JOIN %1.LOCATTYPE T ON T.ID = L.ID_LOCATTYPE "
        "LEFT JOIN %1.LOCATION_NAME E ON E.ID_LOCATION = L.ID AND E.LANG = 'EN' "
        "LEFT JOIN %1.LOCATION_NAME R ON R.ID_LOCATION = L.ID AND R.LANG = 'RU' "
        "LEFT JOIN %1.LOCATION_CODE P ON P.ID_LOCATION = L.ID_PARENT "
        "WHERE C.CODE = :CODE").arg(QuotedSchemaName(FSchema));
    const struct {
        const char* Code;
        int Level;
        const char* English;
        const char* Russian;
        const char* Parent;
    } known[] = {
        {"DE", 1, "Germany", "Германия", ""},
        {"BO", 1, "Bolivia", "Боливия", ""},
        {"RU-MOS", 2, "Moskovskaja oblast'", "Московская область", "RU"},
        {"GB-SCT", 2, "Scotland", "", "GB"},
        {"GB-ABD", 3, "Aberdeenshire", "Абердиншир", "GB-SCT"},
    };
    for (const auto& k : known) {
        const TRowSet rows = db->Query(place, {{"CODE", QString(k.Code)}});
        ASSERT_EQ(rows.Rows.size(), 1u) << k.Code;
        const auto& r = rows.Rows[0];
        EXPECT_EQ(r[0].toInt(), k.Level) << k.Code;
        EXPECT_EQ(r[1].toString(), QString::fromUtf8(k.English)) << k.Code;
        EXPECT_EQ(r[2].toString(), QString::fromUtf8(k.Russian)) << k.Code;
        EXPECT_EQ(r[3].toString(), QString::fromUtf8(k.Parent)) << k.Code;
    }
    // Every type's caption takes one full stop, whatever its short name ends with.
    const TRowSet types = db->Query(
        QStringLiteral("SELECT SNAME, NAME FROM %1.LOCATABBREV").arg(QuotedSchemaName(FSchema)), {});
    EXPECT_GT(types.Rows.size(), 50u);
    for (const auto& t : types.Rows) {
        EXPECT_LE(t[0].toString().size(), 10) << t[1].toString().toStdString();
        EXPECT_FALSE(PlaceCaption(t[0].toString(), ". ", "Name").contains("..")) << t[0].toString().toStdString();
    }
    const TRun again = Cmd("seed", {"iso3166"});
    EXPECT_EQ(again.Code, QxvdbExit::Ok);
    EXPECT_TRUE(again.Out.contains("already holds")) << again.Out.toStdString() << again.Err.toStdString();
    EXPECT_EQ(Scalar("SELECT COUNT(*) FROM %1.LOCATION"),
              IsoTableSize("3166-1") + IsoTableSize("3166-2"));
}

INSTANTIATE_TEST_SUITE_P(Engines, QxvdbSeedOnEngine, ::testing::Values("sqlite", "postgresql"),
                         [](const auto& info) { return info.param.toStdString(); });

}  // namespace
