// The qxvdb commands: arguments, import files, demo pictures, and init/demo/export/import
// against a real database.

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QMap>
#include <QRandomGenerator>
#include <QSet>

#include <gtest/gtest.h>

#include "Platform/Data/DbBackend.h"
#include "Platform/Data/EOraError.h"
#include "Tools/qxvdb/DemoData.h"
#include "Tools/qxvdb/Qxvdb.h"
#include "Tools/qxvdb/Records.h"
#include "Tools/qxvdb/Routines.h"
#include "support/PostgresDsn.h"
#include "support/TempDir.h"

#include "Server/sqlite/SqliteServer.h"

namespace {

struct TRun {
    int Code = -1;
    QString Out;
    QString Err;
};

TRun RunTool(const QStringList& args) {
    TRun r;
    QTextStream out(&r.Out);
    QTextStream err(&r.Err);
    r.Code = RunQxvdb(args, out, err);
    out.flush();
    err.flush();
    return r;
}

// --- Without a database -----------------------------------------------------

TEST(QxvdbArguments, MistakesAreUsageErrors) {
    const QList<QStringList> wrong = {
        {},
        {QStringLiteral("drop")},
        {QStringLiteral("init")},
        {QStringLiteral("init"), QStringLiteral("--db")},
        {QStringLiteral("init"), QStringLiteral("--db"), QStringLiteral("sqlite:x"),
         QStringLiteral("--bogus")},
        {QStringLiteral("export"), QStringLiteral("--db"), QStringLiteral("sqlite:x")},
        {QStringLiteral("export"), QStringLiteral("--db"), QStringLiteral("sqlite:x"),
         QStringLiteral("--file"), QStringLiteral("-"), QStringLiteral("--format"),
         QStringLiteral("xml")},
        {QStringLiteral("init"), QStringLiteral("--db"), QStringLiteral("sqlite:x"),
         QStringLiteral("--english-user"), QStringLiteral("u")},
    };
    for (const QStringList& args : wrong) {
        const TRun r = RunTool(args);
        EXPECT_EQ(r.Code, QxvdbExit::Usage) << args.join(u' ').toStdString();
        EXPECT_TRUE(r.Err.contains(QStringLiteral("usage: qxvdb"))) << r.Err.toStdString();
    }
}

TEST(QxvdbArguments, DatabaseFailuresAreReportedWithTheirOwnCode) {
    const TRun unknown =
        RunTool({QStringLiteral("init"), QStringLiteral("--db"), QStringLiteral("oracle://x")});
    EXPECT_EQ(unknown.Code, QxvdbExit::DatabaseError);
    EXPECT_TRUE(unknown.Err.contains(QStringLiteral("ORA-12154"))) << unknown.Err.toStdString();

    const TRun badSchema = RunTool({QStringLiteral("init"), QStringLiteral("--db"),
                                    QStringLiteral("postgresql://nobody@127.0.0.1:1/x"),
                                    QStringLiteral("--schema"), QStringLiteral("a;b")});
    EXPECT_EQ(badSchema.Code, QxvdbExit::DatabaseError);
}

QByteArray Written(const std::vector<TRecord>& records, bool json) {
    QByteArray bytes;
    QBuffer to(&bytes);
    to.open(QIODevice::WriteOnly);
    WriteRecords(records, json, to);
    return bytes;
}

std::vector<std::pair<QString, TRecord>> Read(QByteArray bytes, bool json) {
    QBuffer from(&bytes);
    from.open(QIODevice::ReadOnly);
    return ReadRecords(from, json);
}

TEST(QxvdbRecords, WrittenRecordsReadBackInBothFormats) {
    const std::vector<TRecord> records = {
        {QStringLiteral("12"), QString(), QStringLiteral("3"), QStringLiteral("ул."),
         QStringLiteral("Маршала \"Жукова\", 1-я")},
        {QStringLiteral("13"), QStringLiteral("12"), QStringLiteral("4"), QStringLiteral("д."),
         QStringLiteral("Two\r\nlines")},
        {QStringLiteral("14"), QStringLiteral("12"), QStringLiteral("4"), QStringLiteral("д."),
         QStringLiteral("Three\nlines\n")},
    };
    // A CSV record is placed by the line it starts on.
    const QMap<bool, QStringList> places = {
        {false, {QStringLiteral("line 2"), QStringLiteral("line 3"), QStringLiteral("line 5")}},
        {true, {QStringLiteral("item 1"), QStringLiteral("item 2"), QStringLiteral("item 3")}}};
    for (const bool json : {false, true}) {
        const QByteArray bytes = Written(records, json);
        const auto read = Read(bytes, json);
        ASSERT_EQ(read.size(), records.size()) << bytes.toStdString();
        for (size_t i = 0; i < records.size(); ++i) {
            EXPECT_EQ(read[i].first, places[json][static_cast<qsizetype>(i)]);
            EXPECT_EQ(read[i].second, records[i]) << bytes.toStdString();
        }
    }
    EXPECT_TRUE(
        Written(records, false)
            .contains(QStringLiteral("12,,3,ул.,\"Маршала \"\"Жукова\"\", 1-я\"\n").toUtf8()));
}

TEST(QxvdbRecords, UnreadableFilesAreRefusedWithTheirPlace) {
    const struct {
        bool Json;
        QByteArray Bytes;
        QString Error;
    } cases[] = {
        {false, "ID,ID_PARENT,LEVEL,ABBREV,NAME\n1,,1,a,b\n2,1,2,c,\"open\n3,1,2,c,d\n",
         QStringLiteral("line 3: a quoted field is not closed")},
        {true, R"([{"id":1,"level":1},{"id":1.5,"level":2}])",
         QStringLiteral("item 2: id is not a whole number")},
        {true, R"([{"id":1,"parent":2,"level":1e300}])",
         QStringLiteral("item 1: level is not a whole number")},
        {true, R"({"id":1})", QStringLiteral("not a JSON array of locations")},
    };
    for (const auto& c : cases) {
        try {
            Read(c.Bytes, c.Json);
            ADD_FAILURE() << "read: " << c.Bytes.toStdString();
        } catch (const TDataError& e) {
            EXPECT_TRUE(e.Text.startsWith(c.Error)) << e.Text.toStdString();
        }
    }
}

TEST(QxvdbDemo, IconsAreDistinct16x16Bitmaps) {
    QSet<QByteArray> seen;
    for (TIconKind kind :
         {TIconKind::Region, TIconKind::District, TIconKind::City, TIconKind::Town,
          TIconKind::Village, TIconKind::Settlement, TIconKind::Street, TIconKind::Lane,
          TIconKind::Avenue, TIconKind::Square, TIconKind::Quarter}) {
        const QByteArray bmp = DemoIcon(kind);
        ASSERT_TRUE(bmp.startsWith("BM"));
        QImage image;
        ASSERT_TRUE(image.loadFromData(bmp, "BMP"));
        EXPECT_EQ(image.size(), QSize(16, 16));
        seen.insert(bmp);
    }
    EXPECT_EQ(seen.size(), 11);
}

// --- Against each engine ----------------------------------------------------

class QxvdbOnEngine : public ::testing::TestWithParam<QString> {
protected:
    void SetUp() override {
        if (GetParam() == QLatin1String("sqlite")) {
            RegisterSqliteServer();
            FTemp = std::make_unique<TempDir>();
            FDsn = QStringLiteral("sqlite:") + FTemp->FilePath("demo.db");
            FSchema = QStringLiteral("qxvbase");
        } else {
            FDsn = PgDsnOrSkip();
            QXV_REQUIRE_PG(FDsn);
            FSchema = NewSchemaName();
        }
    }

    void TearDown() override {
        if (GetParam() != QLatin1String("postgresql") || FDsn.isEmpty()) return;
        try {
            const auto db = OpenConnection(FDsn);
            for (const QString& s : FDropped)
                db->Execute(QStringLiteral("DROP SCHEMA IF EXISTS \"%1\" CASCADE").arg(s), {});
            db->Commit();
        } catch (const EOraError&) {
        }
    }

    QString NewSchemaName() {
        const QString name =
            QStringLiteral("qxvdb_%1")
                .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
        FDropped << name;
        return name;
    }

    TRun Cmd(const QString& command, const QString& schema, const QStringList& more = {}) {
        return RunTool(
            QStringList{command, QStringLiteral("--db"), FDsn, QStringLiteral("--schema"), schema} +
            more);
    }

    // All locations of a schema, walked through GET_T#LOCATION, and the deepest level met.
    std::pair<int, int> CountPlaces(IDbConnection& db, const QString& schema) {
        TRoutines calls(db, schema);
        int count = 0, deepest = 0;
        std::vector<QVariant> parents{QVariant()};
        while (!parents.empty()) {
            const QVariant parent = parents.back();
            parents.pop_back();
            const TRowSet rows =
                calls.Rows(QStringLiteral("QXVERPLOCAT"), QStringLiteral("GET_T#LOCATION"),
                           {{QStringLiteral("PID"), -1}, {QStringLiteral("PID_PARENT"), parent}});
            for (const auto& row : rows.Rows) {
                ++count;
                deepest =
                    std::max(deepest, row[ColumnIndex(rows, QStringLiteral("LEVEL#"))].toInt());
                if (row[ColumnIndex(rows, QStringLiteral("CHILD_CNT"))].toInt() > 0)
                    parents.push_back(row[ColumnIndex(rows, QStringLiteral("ID"))]);
            }
        }
        return {count, deepest};
    }

    bool EngineAvailable() {
        try {
            OpenConnection(FDsn);
            return true;
        } catch (const EOraError&) {
            return false;
        }
    }

    std::unique_ptr<TempDir> FTemp;
    QString FDsn;
    QString FSchema;
    QStringList FDropped;
};

TEST_P(QxvdbOnEngine, InitTwiceThenDemoTwiceLoadsOnce) {
    if (!EngineAvailable())
        GTEST_SKIP() << "no " << GetParam().toStdString() << " engine in this build";
    TRun r = Cmd(QStringLiteral("init"), FSchema);
    ASSERT_EQ(r.Code, QxvdbExit::Ok) << r.Err.toStdString();
    r = Cmd(QStringLiteral("init"), FSchema);
    ASSERT_EQ(r.Code, QxvdbExit::Ok) << r.Err.toStdString();

    // The connected user is made the English-speaking one.
    const auto db = OpenConnection(FDsn);
    r = Cmd(QStringLiteral("demo"), FSchema,
            {QStringLiteral("--english-user"), db->UserName().toLower()});
    ASSERT_EQ(r.Code, QxvdbExit::Ok) << r.Err.toStdString();
    EXPECT_TRUE(r.Out.contains(QStringLiteral("demo data loaded"))) << r.Out.toStdString();

    TRoutines lang(*db, FSchema);
    EXPECT_EQ(lang.Result(QStringLiteral("LANG_PACK"), QStringLiteral("GET_USER_APL_LANG_ID"), {}),
              9);
    const auto translate = [&](const char* routine, const QString& text) {
        return lang
            .Call(QStringLiteral("LANG_PACK"), QString::fromLatin1(routine),
                  {{QStringLiteral("PTEXT"), text}})
            .Value(QStringLiteral("RESULT"))
            .toString();
    };
    EXPECT_EQ(translate("GET_RESOURCE_APL_EN_TXT", QStringLiteral("Dobavit'...")),
              QStringLiteral("Add..."));
    EXPECT_EQ(translate("GET_RESOURCE_APL_TXT", QStringLiteral("Местоположение")),
              QStringLiteral("Location"));
    EXPECT_TRUE(translate("GET_RESOURCE_APL_TXT", QStringLiteral("Нет такой фразы")).isEmpty());
    db->Rollback();

    const auto [places, deepest] = CountPlaces(*db, FSchema);
    EXPECT_GE(places, 300);
    EXPECT_GE(deepest, 4);

    TRoutines calls(*db, FSchema);
    const TRowSet abbrevs =
        calls.Rows(QStringLiteral("QXVERPLOCAT"), QStringLiteral("GET_T#LOCATABBREV"),
                   {{QStringLiteral("PID"), -1}});
    ASSERT_GE(abbrevs.Rows.size(), 8u);
    for (const auto& row : abbrevs.Rows) {
        QImage icon;
        EXPECT_TRUE(icon.loadFromData(
            row[ColumnIndex(abbrevs, QStringLiteral("BMP16#16"))].toByteArray(), "BMP"))
            << row[ColumnIndex(abbrevs, QStringLiteral("SNAME"))].toString().toStdString();
    }

    // Loading again is refused politely and adds nothing. (The reader steps aside first:
    // an embedded database takes one writer at a time.)
    db->Rollback();
    r = Cmd(QStringLiteral("demo"), FSchema);
    EXPECT_EQ(r.Code, QxvdbExit::Ok) << r.Err.toStdString();
    EXPECT_TRUE(r.Out.contains(QStringLiteral("already holds"))) << r.Out.toStdString();
    EXPECT_EQ(CountPlaces(*db, FSchema).first, places);
    // A second init leaves the data alone too.
    db->Rollback();
    EXPECT_EQ(Cmd(QStringLiteral("init"), FSchema).Code, QxvdbExit::Ok);
    EXPECT_EQ(CountPlaces(*db, FSchema).first, places);
}

TEST_P(QxvdbOnEngine, ExportedPlacesImportIntoAnotherSchema) {
    if (!EngineAvailable())
        GTEST_SKIP() << "no " << GetParam().toStdString() << " engine in this build";
    ASSERT_EQ(Cmd(QStringLiteral("init"), FSchema).Code, QxvdbExit::Ok);
    ASSERT_EQ(Cmd(QStringLiteral("demo"), FSchema).Code, QxvdbExit::Ok);
    TempDir dir;
    const QString csv = dir.FilePath("places.csv");
    TRun r = Cmd(QStringLiteral("export"), FSchema, {QStringLiteral("--file"), csv});
    ASSERT_EQ(r.Code, QxvdbExit::Ok) << r.Err.toStdString();

    const QString target =
        GetParam() == QLatin1String("sqlite") ? QStringLiteral("qxvcopy") : NewSchemaName();
    ASSERT_EQ(Cmd(QStringLiteral("init"), target).Code, QxvdbExit::Ok);
    r = Cmd(QStringLiteral("import"), target, {QStringLiteral("--file"), csv});
    ASSERT_EQ(r.Code, QxvdbExit::Ok) << r.Err.toStdString();

    // The same through JSON, chosen by the file's name.
    const QString json = dir.FilePath("places.json");
    r = Cmd(QStringLiteral("export"), FSchema, {QStringLiteral("--file"), json});
    ASSERT_EQ(r.Code, QxvdbExit::Ok) << r.Err.toStdString();
    const QString jsonTarget =
        GetParam() == QLatin1String("sqlite") ? QStringLiteral("qxvjson") : NewSchemaName();
    ASSERT_EQ(Cmd(QStringLiteral("init"), jsonTarget).Code, QxvdbExit::Ok);
    r = Cmd(QStringLiteral("import"), jsonTarget, {QStringLiteral("--file"), json});
    ASSERT_EQ(r.Code, QxvdbExit::Ok) << r.Err.toStdString();

    const auto db = OpenConnection(FDsn);
    EXPECT_EQ(CountPlaces(*db, target), CountPlaces(*db, FSchema));
    EXPECT_EQ(CountPlaces(*db, jsonTarget), CountPlaces(*db, FSchema));
    db->Rollback();
    // A CSV file read as JSON is refused, and nothing is added.
    r = Cmd(QStringLiteral("import"), jsonTarget,
            {QStringLiteral("--file"), csv, QStringLiteral("--format"), QStringLiteral("json")});
    EXPECT_EQ(r.Code, QxvdbExit::DataError);

    // A file whose row names a parent that comes later is refused as a whole.
    const QString bad = dir.FilePath("bad.csv");
    QFile f(bad);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("ID,ID_PARENT,LEVEL,ABBREV,NAME\n1,,1,обл.,Новая\n2,7,2,р-н,Сирота\n");
    f.close();
    const int before = CountPlaces(*db, target).first;
    db->Rollback();
    r = Cmd(QStringLiteral("import"), target, {QStringLiteral("--file"), bad});
    EXPECT_EQ(r.Code, QxvdbExit::DataError);
    EXPECT_TRUE(r.Err.contains(QStringLiteral("line 3"))) << r.Err.toStdString();
    db->Rollback();
    EXPECT_EQ(CountPlaces(*db, target).first, before);
}

INSTANTIATE_TEST_SUITE_P(Engines, QxvdbOnEngine,
                         ::testing::Values(QStringLiteral("sqlite"), QStringLiteral("postgresql")),
                         [](const auto& info) { return info.param.toStdString(); });

}  // namespace

namespace {

// A backup taken while the database is open elsewhere holds that moment of every file; put
// back over the open database, the other program sees it on its next call.
TEST(QxvdbBackup, ABackupTakenInUseRestoresThatMomentUnderAnOpenSession) {
    RegisterSqliteServer();
    TempDir temp;
    const QString db = QStringLiteral("sqlite:") + temp.FilePath("places.db");
    const QString backup = temp.FilePath("places.backup");
    ASSERT_EQ(RunTool({"init", "--db", db, "--schema", "QXVBASE"}).Code, 0);
    ASSERT_EQ(RunTool({"demo", "--db", db, "--schema", "QXVBASE"}).Code, 0);
    const auto session = OpenConnection(db + QStringLiteral("?user=QXVBASE"));
    auto places = [&session] {
        return session->Query(QStringLiteral("SELECT COUNT(*) AS N FROM \"qxvbase\".LOCATION"), {})
            .Rows.at(0)
            .at(0)
            .toLongLong();
    };
    const long long atBackup = places();
    ASSERT_GT(atBackup, 0);

    session->StartTransaction();  // a reader in the middle of its work does not hold it up
    places();
    const TRun taken = RunTool({"backup", "--db", db, "--file", backup});
    session->Commit();
    ASSERT_EQ(taken.Code, 0) << taken.Err.toStdString();
    // The main file, the directory's schema and the translators' schema that init makes.
    EXPECT_TRUE(taken.Out.contains("backed up 3 files")) << taken.Out.toStdString();

    auto renamed = [&session] {
        return session
            ->Query(QStringLiteral(
                        "SELECT COUNT(*) AS N FROM \"qxvbase\".LOCATION WHERE NAME = 'gone'"),
                    {})
            .Rows.at(0)
            .at(0)
            .toLongLong();
    };
    session->Execute(QStringLiteral("UPDATE \"qxvbase\".LOCATION SET NAME = 'gone'"), {});
    ASSERT_EQ(renamed(), atBackup);

    // Bad input first: what is not a backup is refused and nothing is written.
    QFile notABackup(temp.FilePath("places.csv"));
    ASSERT_TRUE(notABackup.open(QIODevice::WriteOnly));
    notABackup.write("ID,ID_PARENT\n1,\n");
    notABackup.close();
    for (const QString& bad : {notABackup.fileName(), temp.FilePath("missing.backup")}) {
        const TRun refused = RunTool({"restore", "--db", db, "--file", bad});
        EXPECT_EQ(refused.Code, QxvdbExit::DataError) << bad.toStdString();
        EXPECT_FALSE(refused.Err.isEmpty());
    }
    EXPECT_EQ(renamed(), atBackup);

    const TRun restored = RunTool({"restore", "--db", db, "--file", backup});
    ASSERT_EQ(restored.Code, 0) << restored.Err.toStdString();
    EXPECT_EQ(places(), atBackup);
    EXPECT_EQ(renamed(), 0);
    EXPECT_EQ(
        session->Query(QStringLiteral("PRAGMA \"qxvbase\".integrity_check"), {}).Rows.at(0).at(0),
        QStringLiteral("ok"));

    // Into a new place as well, and only for embedded databases.
    const QString copy = QStringLiteral("sqlite:") + temp.FilePath("copy/places.db");
    ASSERT_EQ(RunTool({"restore", "--db", copy, "--file", backup}).Code, 0);
    const TRun exported = RunTool({"export", "--db", copy, "--schema", "QXVBASE", "--file", "-"});
    EXPECT_EQ(exported.Code, 0);
    EXPECT_EQ(RunTool({"backup", "--db", "postgresql://u@127.0.0.1:1/x", "--file", backup}).Code,
              QxvdbExit::Usage);
}

}  // namespace
