// One behaviour, two engines: every case here runs against the embedded engine and,
// when QXV_PG_DSN names a server, against PostgreSQL. Only the engine-neutral surface is
// used (OpenConnection, InstallServerSchema, IDbConnection) so both backends answer the
// same questions the client asks.

#include <QBuffer>
#include <QImage>
#include <QRandomGenerator>

#include <gtest/gtest.h>

#include <barrier>
#include <memory>
#include <optional>
#include <thread>

#include "Platform/Data/DbBackend.h"
#include "Platform/Data/EOraError.h"
#include "Server/ServerInstall.h"
#include "Server/sqlite/SqliteServer.h"
#include "support/PostgresDsn.h"
#include "support/TempDir.h"

namespace {

using Inputs = std::vector<TBoundValue>;

QVariant Null() { return QVariant(); }

class Conformance : public ::testing::TestWithParam<QString> {
protected:
    void SetUp() override {
        RegisterSqliteServer();
        if (GetParam() == QLatin1String("sqlite")) {
            FTemp = std::make_unique<TempDir>();
            FConnectionString = QStringLiteral("sqlite:") + FTemp->FilePath("conformance.db");
            FSchema = QStringLiteral("qxvbase");
        } else {
            const QString dsn = PgDsnOrSkip();
            QXV_REQUIRE_PG(dsn);
            FConnectionString = dsn;
            FSchema = QStringLiteral("qxvt_%1").arg(QRandomGenerator::global()->generate(), 8, 16,
                                                    QLatin1Char('0'));
        }
        FDb = OpenConnection(FConnectionString);
        InstallServerSchema(*FDb, FSchema);
        FDb->Commit();
    }

    void TearDown() override {
        if (GetParam() != QLatin1String("postgresql") || !FDb) return;
        try {
            FDb->Rollback();
            FDb->Execute(QStringLiteral("DROP SCHEMA \"%1\" CASCADE").arg(FSchema.toLower()), {});
            FDb->Commit();
        } catch (const EOraError&) {
            // A schema left behind in a throwaway server is harmless.
        }
    }

    bool IsSqlite() const { return GetParam() == QLatin1String("sqlite"); }

    // A table of the schema under test, for free SQL.
    QString T(const QString& table) const {
        return QStringLiteral("\"%1\".%2").arg(FSchema.toLower(), table);
    }

    TCallResult CallR(const QString& package, const QString& routine, const Inputs& in = {}) {
        const TRoutineDesc desc = FDb->Describe(FSchema, package, routine);
        return FDb->Call(desc, in);
    }
    long long Loc(const QString& routine, const Inputs& in = {}) {
        return CallR(QStringLiteral("QXVERPLOCAT"), routine, in).Value("RESULT").toLongLong();
    }
    long long Inf(const QString& routine, const Inputs& in = {}) {
        return CallR(QStringLiteral("QXVERPINFORM"), routine, in).Value("RESULT").toLongLong();
    }
    TRowSet Cursor(const QString& package, const QString& routine, const Inputs& in) {
        const TCallResult r = CallR(package, routine, in);
        EXPECT_TRUE(r.Cursor.has_value()) << routine.toStdString() << " gave no cursor";
        return r.Cursor.value_or(TRowSet{});
    }
    long long Count(const QString& table, const QString& where = QString(), const Inputs& in = {}) {
        const TRowSet rs = FDb->Query(
            QStringLiteral("SELECT COUNT(*) AS QNT FROM %1%2")
                .arg(T(table), where.isEmpty() ? QString() : QStringLiteral(" WHERE ") + where),
            in);
        return rs.Rows.at(0).at(0).toLongLong();
    }

    static int Col(const TRowSet& rs, const char* name) {
        for (size_t i = 0; i < rs.Columns.size(); ++i)
            if (rs.Columns[i].Name.compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
                return int(i);
        ADD_FAILURE() << "no column " << name;
        return -1;
    }
    static QVariant At(const TRowSet& rs, size_t row, const char* name) {
        const int c = Col(rs, name);
        return c < 0 || row >= rs.Rows.size() ? QVariant() : rs.Rows[row][size_t(c)];
    }
    // The row whose ID is id, or none.
    static std::optional<size_t> RowOf(const TRowSet& rs, long long id) {
        const int c = Col(rs, "ID");
        for (size_t i = 0; c >= 0 && i < rs.Rows.size(); ++i)
            if (rs.Rows[i][size_t(c)].toLongLong() == id) return i;
        return std::nullopt;
    }

    // Dictionary and location helpers.
    long long AddAbbrev(const QString& sname, const QString& name) {
        return Loc(QStringLiteral("INS_T#LOCATABBREV"), {{"PSNAME", sname}, {"PNAME", name}});
    }
    long long AddType(int level, long long abbrev) {
        return Loc(QStringLiteral("INS_T#LOCATTYPE"), {{"PLEVEL#", level}, {"PID_ABBREV", abbrev}});
    }
    long long AddLocation(QVariant parent, long long type, const QString& name) {
        return Loc(QStringLiteral("INS_T#LOCATION"),
                   {{"PID_PARENT", parent}, {"PID_LOCATTYPE", type}, {"PNAME", name}});
    }
    TRowSet LocationRow(long long id) {
        return Cursor(QStringLiteral("QXVERPLOCAT"), QStringLiteral("GET_T#LOCATION"),
                      {{"PID", id}, {"PID_PARENT", Null()}});
    }
    TRowSet Children(QVariant parent) {
        return Cursor(QStringLiteral("QXVERPLOCAT"), QStringLiteral("GET_T#LOCATION"),
                      {{"PID", -1}, {"PID_PARENT", parent}});
    }
    long long LevelOf(long long id) { return At(LocationRow(id), 0, "LEVEL#").toLongLong(); }
    long long ParentOf(long long id) {
        const QVariant p = At(LocationRow(id), 0, "ID_PARENT");
        return p.isNull() ? -1 : p.toLongLong();
    }
    long long Move(long long id, QVariant parent) {
        return Loc(QStringLiteral("UPD_T#LOCATION_ID_PARENT"),
                   {{"PID", id}, {"PID_PARENT", parent}});
    }

    // A small world:
    //   OBL@1, R@2, G@2, G@3, S@3, S@4
    //   o1 (OBL) ─ r1 (R) ─ s1 (S)
    //            └ g1 (G) ─ s2 (S)
    //   o2 (OBL)
    struct World {
        long long aObl, aR, aG, aS;
        long long tObl1, tR2, tG2, tG3, tS3, tS4;
        long long o1, r1, s1, g1, s2, o2;
    };
    World MakeWorld() {
        World w{};
        w.aObl = AddAbbrev("obl", "Oblast");
        w.aR = AddAbbrev("r-n", "Rajon");
        w.aG = AddAbbrev("g", "Gorod");
        w.aS = AddAbbrev("s", "Selo");
        w.tObl1 = AddType(1, w.aObl);
        w.tR2 = AddType(2, w.aR);
        w.tG2 = AddType(2, w.aG);
        w.tG3 = AddType(3, w.aG);
        w.tS3 = AddType(3, w.aS);
        w.tS4 = AddType(4, w.aS);
        w.o1 = AddLocation(Null(), w.tObl1, "North");
        w.r1 = AddLocation(w.o1, w.tR2, "Lakeside");
        w.s1 = AddLocation(w.r1, w.tS3, "Birch");
        w.g1 = AddLocation(w.o1, w.tG2, "Harbour");
        w.s2 = AddLocation(w.g1, w.tS3, "Mill");
        w.o2 = AddLocation(-1, w.tObl1, "South");
        for (long long id : {w.aObl, w.aR, w.aG, w.aS, w.tObl1, w.tR2, w.tG2, w.tG3, w.tS3, w.tS4,
                             w.o1, w.r1, w.s1, w.g1, w.s2, w.o2})
            EXPECT_GE(id, 1);
        return w;
    }

    std::unique_ptr<TempDir> FTemp;
    QString FConnectionString;
    QString FSchema;
    std::unique_ptr<IDbConnection> FDb;
};

// ---------------------------------------------------------------------------------------
// Abbreviations

TEST_P(Conformance, AbbreviationsInsertUpdateAndRefuseDuplicateShortNames) {
    const long long a = AddAbbrev("obl", "Oblast");
    const long long b = AddAbbrev("g", "Gorod");
    ASSERT_GE(a, 1);
    ASSERT_GE(b, 1);
    EXPECT_NE(a, b);

    EXPECT_EQ(AddAbbrev("obl", "Another"), -1) << "duplicate short name on insert";
    EXPECT_EQ(Loc("UPD_T#LOCATABBREV", {{"PID", b}, {"PSNAME", "obl"}, {"PNAME", "X"}}), -1)
        << "duplicate short name on update";
    EXPECT_EQ(Loc("UPD_T#LOCATABBREV", {{"PID", b}, {"PSNAME", "gor"}, {"PNAME", "Gorod N"}}), b);

    const TRowSet one = Cursor("QXVERPLOCAT", "GET_T#LOCATABBREV", {{"PID", b}});
    ASSERT_EQ(one.Rows.size(), 1u);
    EXPECT_EQ(At(one, 0, "SNAME").toString(), "gor");
    EXPECT_EQ(At(one, 0, "NAME").toString(), "Gorod N");
    EXPECT_GE(Col(one, "BMP16#16"), 0);

    const TRowSet all = Cursor("QXVERPLOCAT", "GET_T#LOCATABBREV", {{"PID", -1}});
    EXPECT_EQ(all.Rows.size(), 2u);
    EXPECT_TRUE(RowOf(all, a).has_value());
    EXPECT_EQ(At(all, *RowOf(all, a), "SNAME").toString(), "obl") << "refused update kept the row";
}

TEST_P(Conformance, AbbreviationPictureIsStoredByteForByte) {
    const long long a = AddAbbrev("g", "Gorod");
    QImage image(16, 16, QImage::Format_RGB32);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) image.setPixel(x, y, qRgb(x * 16, y * 16, (x ^ y) * 16));
    QByteArray bmp;
    QBuffer buffer(&bmp);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(image.save(&buffer, "BMP"));
    ASSERT_GT(bmp.size(), 16 * 16);

    CallR("QXVERPLOCAT", "SET_T#LOCATABBREV_BMP",
          {{"PID", a}, {"PBMP16#16", bmp, TFieldType::Blob}});
    const TRowSet rs = Cursor("QXVERPLOCAT", "GET_T#LOCATABBREV", {{"PID", a}});
    ASSERT_EQ(rs.Rows.size(), 1u);
    const QByteArray back = At(rs, 0, "BMP16#16").toByteArray();
    EXPECT_EQ(back, bmp);
    QImage loaded;
    ASSERT_TRUE(loaded.loadFromData(back, "BMP"));
    EXPECT_EQ(loaded.size(), QSize(16, 16));
    EXPECT_EQ(loaded.pixel(3, 5), image.pixel(3, 5));
}

TEST_P(Conformance, ReferencedDictionaryRowsAreNotDeleted) {
    const World w = MakeWorld();
    EXPECT_EQ(Loc("DEL_T#LOCATABBREV", {{"PID", w.aS}}), -2) << "abbreviation used by a level";
    EXPECT_EQ(Loc("DEL_T#LOCATTYPE", {{"PID", w.tS3}}), -2) << "level used by a location";
    EXPECT_EQ(Count("LOCATABBREV", "ID = :ID", {{"ID", w.aS}}), 1);
    EXPECT_EQ(Count("LOCATTYPE", "ID = :ID", {{"ID", w.tS3}}), 1);

    EXPECT_EQ(Loc("DEL_T#LOCATTYPE", {{"PID", w.tS4}}), 1) << "unused level";
    EXPECT_EQ(Count("LOCATTYPE", "ID = :ID", {{"ID", w.tS4}}), 0);
    const long long spare = AddAbbrev("x", "Unused");
    EXPECT_EQ(Loc("DEL_T#LOCATABBREV", {{"PID", spare}}), 1);
    EXPECT_EQ(Count("LOCATABBREV", "ID = :ID", {{"ID", spare}}), 0);
}

// ---------------------------------------------------------------------------------------
// Levels

TEST_P(Conformance, LevelsRefuseDuplicatesAndLevelsOutsideTheRange) {
    const long long a = AddAbbrev("g", "Gorod");
    const long long b = AddAbbrev("s", "Selo");
    const long long t = AddType(2, a);
    ASSERT_GE(t, 1);
    EXPECT_EQ(AddType(2, a), -1) << "duplicate level and abbreviation";
    EXPECT_EQ(AddType(0, a), -1);
    EXPECT_EQ(AddType(16, a), -1);
    EXPECT_GE(AddType(15, a), 1);
    EXPECT_GE(AddType(1, a), 1);

    const long long t2 = AddType(3, b);
    EXPECT_EQ(Loc("UPD_T#LOCATTYPE", {{"PID", t2}, {"PLEVEL#", 2}, {"PID_ABBREV", a}}), -1)
        << "update onto an existing pair";
    EXPECT_EQ(Loc("UPD_T#LOCATTYPE", {{"PID", t2}, {"PLEVEL#", 16}, {"PID_ABBREV", b}}), -1);
    EXPECT_EQ(Loc("UPD_T#LOCATTYPE", {{"PID", t2}, {"PLEVEL#", 4}, {"PID_ABBREV", b}}), t2);

    const TRowSet one = Cursor("QXVERPLOCAT", "GET_T#LOCATTYPE", {{"PID", t2}});
    ASSERT_EQ(one.Rows.size(), 1u);
    EXPECT_EQ(At(one, 0, "LEVEL#").toLongLong(), 4);
    EXPECT_EQ(At(one, 0, "SNAME").toString(), "s");
    EXPECT_EQ(At(one, 0, "NAME").toString(), "Selo");
    EXPECT_EQ(At(one, 0, "ID_ABBREV").toLongLong(), b);

    EXPECT_EQ(Cursor("QXVERPLOCAT", "GET_T#LOCATTYPE", {{"PID", -1}}).Rows.size(), 4u);
}

TEST_P(Conformance, LevelQueriesAndMaxLevel) {
    EXPECT_EQ(Loc("GET_MAX_LEVEL"), 0) << "no level yet";
    const World w = MakeWorld();
    EXPECT_EQ(Loc("GET_MAX_LEVEL"), 4);

    const TRowSet level3 = Cursor("QXVERPLOCAT", "GET_T#LOCATTYPE_BY_LEVEL", {{"PLEVEL#", 3}});
    ASSERT_EQ(level3.Rows.size(), 2u);
    for (const char* c : {"ID", "NAME", "SNAME", "ID_ABBREV", "LEVEL#"})
        EXPECT_GE(Col(level3, c), 0) << c;
    ASSERT_TRUE(RowOf(level3, w.tG3).has_value());
    const size_t g = *RowOf(level3, w.tG3);
    EXPECT_EQ(At(level3, g, "NAME").toString(), "Gorod");
    EXPECT_EQ(At(level3, g, "SNAME").toString(), "g");
    EXPECT_EQ(At(level3, g, "ID_ABBREV").toLongLong(), w.aG);
    EXPECT_EQ(At(level3, g, "LEVEL#").toLongLong(), 3);
    EXPECT_TRUE(RowOf(level3, w.tS3).has_value());
    EXPECT_TRUE(Cursor("QXVERPLOCAT", "GET_T#LOCATTYPE_BY_LEVEL", {{"PLEVEL#", 9}}).Rows.empty());

    EXPECT_EQ(Loc("UPD_T#LOCATTYPE", {{"PID", w.tS3}, {"PLEVEL#", 5}, {"PID_ABBREV", w.aS}}), -2)
        << "a level in use keeps its number";
    EXPECT_EQ(LevelOf(w.s1), 3);
}

// ---------------------------------------------------------------------------------------
// Locations

TEST_P(Conformance, LocationRowsChildrenAndExactChildCounts) {
    const World w = MakeWorld();
    const TRowSet top = Children(Null());
    ASSERT_EQ(top.Rows.size(), 2u) << "NULL parent gives the top level";
    for (const char* c : {"ID", "NAME", "LEVEL#", "ABBREV_SNAME", "ABBREV_ID", "CHILD_CNT",
                          "ID_PARENT", "ID_LOCATTYPE", "ABBREV_NAME"})
        EXPECT_GE(Col(top, c), 0) << c;
    ASSERT_TRUE(RowOf(top, w.o1) && RowOf(top, w.o2));
    EXPECT_EQ(At(top, *RowOf(top, w.o1), "CHILD_CNT").toLongLong(), 2);
    EXPECT_EQ(At(top, *RowOf(top, w.o2), "CHILD_CNT").toLongLong(), 0);
    EXPECT_TRUE(At(top, *RowOf(top, w.o1), "ID_PARENT").isNull());

    const TRowSet sub = Children(w.o1);
    ASSERT_EQ(sub.Rows.size(), 2u);
    ASSERT_TRUE(RowOf(sub, w.g1).has_value());
    const size_t g = *RowOf(sub, w.g1);
    EXPECT_EQ(At(sub, g, "NAME").toString(), "Harbour");
    EXPECT_EQ(At(sub, g, "LEVEL#").toLongLong(), 2);
    EXPECT_EQ(At(sub, g, "ABBREV_SNAME").toString(), "g");
    EXPECT_EQ(At(sub, g, "ABBREV_NAME").toString(), "Gorod");
    EXPECT_EQ(At(sub, g, "ABBREV_ID").toLongLong(), w.aG);
    EXPECT_EQ(At(sub, g, "ID_PARENT").toLongLong(), w.o1);
    EXPECT_EQ(At(sub, g, "ID_LOCATTYPE").toLongLong(), w.tG2);
    EXPECT_EQ(At(sub, g, "CHILD_CNT").toLongLong(), 1);

    const TRowSet row = LocationRow(w.s2);
    ASSERT_EQ(row.Rows.size(), 1u);
    EXPECT_EQ(At(row, 0, "NAME").toString(), "Mill");
    EXPECT_EQ(At(row, 0, "CHILD_CNT").toLongLong(), 0);

    // A third child makes the count exactly three, whatever the engine caches.
    AddLocation(w.o1, w.tG2, "Third");
    AddLocation(w.o1, w.tR2, "Fourth");
    EXPECT_EQ(At(LocationRow(w.o1), 0, "CHILD_CNT").toLongLong(), 4);
    EXPECT_EQ(Children(-1).Rows.size(), 2u) << "PID_PARENT -1 also means the top level";
}

TEST_P(Conformance, ParentsChainRunsTopDownAndEndsWithTheLocation) {
    const World w = MakeWorld();
    const TRowSet chain = Cursor("QXVERPLOCAT", "GET_LOCATION_PARENTS", {{"PID", w.s2}});
    ASSERT_EQ(chain.Rows.size(), 3u);
    EXPECT_EQ(At(chain, 0, "ID").toLongLong(), w.o1);
    EXPECT_TRUE(At(chain, 0, "ID_PARENT").isNull());
    EXPECT_EQ(At(chain, 1, "ID").toLongLong(), w.g1);
    EXPECT_EQ(At(chain, 1, "ID_PARENT").toLongLong(), w.o1);
    EXPECT_EQ(At(chain, 2, "ID").toLongLong(), w.s2);
    EXPECT_EQ(At(chain, 2, "ID_PARENT").toLongLong(), w.g1);

    EXPECT_EQ(Cursor("QXVERPLOCAT", "GET_LOCATION_PARENTS", {{"PID", w.o2}}).Rows.size(), 1u);
    EXPECT_TRUE(Cursor("QXVERPLOCAT", "GET_LOCATION_PARENTS", {{"PID", 987654}}).Rows.empty());
}

TEST_P(Conformance, SearchByNameRanksThenOrdersByAddressPath) {
    const World w = MakeWorld();
    AddLocation(w.r1, w.tS3, "Ёлкино");
    AddLocation(w.g1, w.tS3, "Старое Елкино");
    AddLocation(w.r1, w.tS3, "Новоелкино");
    AddLocation(w.g1, w.tS3, "елкино");
    AddLocation(w.r1, w.tS3, "100%_done");
    // A short name with its own full stop takes the separator without one, also above a hit.
    const long long pier = AddLocation(w.g1, AddType(3, AddAbbrev("ul.", "Ulitsa")), "Pier");
    AddLocation(pier, w.tS4, "Dock");
    const struct {
        QString Text;
        QVariant Limit;
        QString Separator;
        QStringList Hits;  // path and rank
    } cases[] = {
        {" ЕЛКИНО ",
         Null(),
         ". ",
         {"obl. North\\g. Harbour\\s. елкино 0", "obl. North\\r-n. Lakeside\\s. Ёлкино 0",
          "obl. North\\g. Harbour\\s. Старое Елкино 2",
          "obl. North\\r-n. Lakeside\\s. Новоелкино 3"}},
        {"ёлк",
         3,
         ". ",
         {"obl. North\\g. Harbour\\s. елкино 1", "obl. North\\r-n. Lakeside\\s. Ёлкино 1",
          "obl. North\\g. Harbour\\s. Старое Елкино 2"}},
        {"south", Null(), " ", {"obl South 0"}},
        {"or", Null(), ". ", {"obl. North 3"}},
        {"%_", Null(), ". ", {"obl. North\\r-n. Lakeside\\s. 100%_done 3"}},
        {"_", 1, ". ", {"obl. North\\r-n. Lakeside\\s. 100%_done 3"}},
        {"pier", Null(), ". ", {"obl. North\\g. Harbour\\ul. Pier 0"}},
        {"dock", Null(), ". ", {"obl. North\\g. Harbour\\ul. Pier\\s. Dock 0"}},
        {"   ", Null(), ". ", {}},
        {"nowhere", Null(), ". ", {}},
    };
    for (const auto& c : cases) {
        const TRowSet found =
            Cursor("QXVERPLOCAT", "FIND_T#LOCATION",
                   {{"PTEXT", c.Text}, {"PLIMIT", c.Limit}, {"PSEPARATOR", c.Separator}});
        QStringList hits;
        for (size_t i = 0; i < found.Rows.size(); ++i)
            hits << At(found, i, "PATH").toString() + u' ' + At(found, i, "RANK").toString();
        EXPECT_EQ(hits, c.Hits) << c.Text.toStdString();
    }
    // Each hit carries what the tree shows of it.
    const TRowSet one = Cursor("QXVERPLOCAT", "FIND_T#LOCATION",
                               {{"PTEXT", "mill"}, {"PLIMIT", Null()}, {"PSEPARATOR", Null()}});
    ASSERT_EQ(one.Rows.size(), 1u);
    EXPECT_EQ(At(one, 0, "ID").toLongLong(), w.s2);
    EXPECT_EQ(At(one, 0, "NAME").toString(), "Mill");
    EXPECT_EQ(At(one, 0, "ABBREV_SNAME").toString(), "s");
    EXPECT_EQ(At(one, 0, "ABBREV_NAME").toString(), "Selo");
    EXPECT_EQ(At(one, 0, "LEVEL#").toLongLong(), 3);
    EXPECT_EQ(At(one, 0, "ID_PARENT").toLongLong(), w.g1);
    EXPECT_EQ(At(one, 0, "PATH").toString(), "obl. North\\g. Harbour\\s. Mill");

    // A window's hits are kept under its key, in the search's order, until it searches again.
    const QString windowKey = "{5E1EC7ED-0000-4000-8000-00000000B001}";
    auto kept = [&] {
        QStringList names;
        for (const auto& row :
             FDb->Query(QStringLiteral("SELECT NAME FROM %1 WHERE GUID = :G ORDER BY HIT_NO")
                            .arg(T("SEARCH_HITS")),
                        {{"G", windowKey}})
                 .Rows)
            names << row[0].toString();
        return names;
    };
    auto fill = [&](const QString& text) {
        return Loc(
            "FILL_T#LOCATION_HITS",
            {{"PGUID", windowKey}, {"PTEXT", text}, {"PLIMIT", Null()}, {"PSEPARATOR", Null()}});
    };
    EXPECT_EQ(fill("елкино"), 4);
    EXPECT_EQ(kept(), QStringList({"елкино", "Ёлкино", "Старое Елкино", "Новоелкино"}));
    EXPECT_EQ(fill("mill"), 1);
    EXPECT_EQ(kept(), QStringList({"Mill"}));
    EXPECT_EQ(Loc("DEL_T#LOCATION_HITS", {{"PGUID", windowKey}}), 1);
    EXPECT_TRUE(kept().isEmpty());
}

// Hits at different depths share ancestors, one hit lies inside another, and ids run against
// the paths' order: a limit that cuts a rank group still keeps the group's first paths.
TEST_P(Conformance, SearchLimitCutsARankGroupByPath) {
    const World w = MakeWorld();
    const long long pinewood = AddLocation(w.o2, w.tG2, "Pinewood");
    AddLocation(pinewood, w.tS3, "Pine Hill");
    AddLocation(w.r1, w.tS3, "Pinegrove");
    AddLocation(w.s1, w.tS4, "Pines");
    AddLocation(w.g1, w.tS3, "Pine");
    const QStringList all = {"obl. North\\g. Harbour\\s. Pine 0",
                             "obl. North\\r-n. Lakeside\\s. Birch\\s. Pines 1",
                             "obl. North\\r-n. Lakeside\\s. Pinegrove 1",
                             "obl. South\\g. Pinewood 1",
                             "obl. South\\g. Pinewood\\s. Pine Hill 1"};
    for (const int limit : {1, 3, 4, 100}) {
        const TRowSet found = Cursor("QXVERPLOCAT", "FIND_T#LOCATION",
                                     {{"PTEXT", "pine"}, {"PLIMIT", limit}, {"PSEPARATOR", ". "}});
        QStringList hits;
        for (size_t i = 0; i < found.Rows.size(); ++i)
            hits << At(found, i, "PATH").toString() + u' ' + At(found, i, "RANK").toString();
        EXPECT_EQ(hits, all.mid(0, limit)) << "limit " << limit;
    }
}

TEST_P(Conformance, InsertAndUpdateFollowTheLevelRule) {
    const World w = MakeWorld();
    EXPECT_EQ(AddLocation(Null(), w.tG2, "Wrong top"), -1) << "a top location needs level 1";
    EXPECT_EQ(AddLocation(w.o1, w.tS3, "Too deep"), -1) << "level 3 under level 1";
    EXPECT_EQ(AddLocation(w.r1, w.tObl1, "Too high"), -1);
    EXPECT_EQ(Count("LOCATION"), 6);

    EXPECT_EQ(Loc("UPD_T#LOCATION", {{"PID", w.s1},
                                     {"PID_PARENT", w.r1},
                                     {"PID_LOCATTYPE", w.tG3},
                                     {"PNAME", "Birch town"}}),
              w.s1);
    const TRowSet row = LocationRow(w.s1);
    EXPECT_EQ(At(row, 0, "NAME").toString(), "Birch town");
    EXPECT_EQ(At(row, 0, "ID_LOCATTYPE").toLongLong(), w.tG3);
    EXPECT_EQ(At(row, 0, "ABBREV_SNAME").toString(), "g");

    EXPECT_EQ(
        Loc("UPD_T#LOCATION",
            {{"PID", w.s1}, {"PID_PARENT", w.r1}, {"PID_LOCATTYPE", w.tG2}, {"PNAME", "Bad"}}),
        -1);
    EXPECT_EQ(At(LocationRow(w.s1), 0, "NAME").toString(), "Birch town") << "refused update";
}

TEST_P(Conformance, MissingParentOrTypeRaisesParentKeyNotFound) {
    const World w = MakeWorld();
    try {
        AddLocation(987654, w.tR2, "Orphan");
        ADD_FAILURE() << "no error for a missing parent";
    } catch (const EOraError& e) {
        EXPECT_EQ(e.ErrorCode(), 2291) << e.Message().toStdString();
        EXPECT_TRUE(e.Message().startsWith("ORA-02291")) << e.Message().toStdString();
    }
    try {
        AddLocation(Null(), 987654, "Typeless");
        ADD_FAILURE() << "no error for a missing type";
    } catch (const EOraError& e) {
        EXPECT_EQ(e.ErrorCode(), 2291) << e.Message().toStdString();
    }
    EXPECT_EQ(Count("LOCATION"), 6);
}

TEST_P(Conformance, DeleteRefusesLocationsWithChildrenOrInformation) {
    const World w = MakeWorld();
    EXPECT_EQ(Loc("DEL_T#LOCATION", {{"PID", w.g1}}), -2) << "has a child";
    Inf("INS_T#INFORMATION", {{"POBJTYPE", 1},
                              {"POBJID", w.o2},
                              {"PID_PARENT", Null()},
                              {"PINFOTYPE", 1},
                              {"PVALUE", "south@example.org"},
                              {"PDESCRIPTION", "office"},
                              {"PACTIVE", 1}});
    EXPECT_EQ(Loc("DEL_T#LOCATION", {{"PID", w.o2}}), -2) << "has an information item";
    EXPECT_EQ(Count("LOCATION"), 6);

    EXPECT_EQ(Loc("DEL_T#LOCATION", {{"PID", w.s2}}), 1);
    EXPECT_EQ(Loc("DEL_T#LOCATION", {{"PID", w.g1}}), 1) << "childless now";
    EXPECT_EQ(Count("LOCATION"), 4);
    EXPECT_EQ(At(LocationRow(w.o1), 0, "CHILD_CNT").toLongLong(), 1);
}

// ---------------------------------------------------------------------------------------
// Re-parenting

TEST_P(Conformance, MoveRefusesSelfDescendantsAndMissingTypes) {
    const World w = MakeWorld();
    EXPECT_LT(Move(w.o1, w.o1), 1) << "onto itself";
    EXPECT_LT(Move(w.o1, w.s1), 1) << "into its own subtree";
    EXPECT_LT(Move(w.r1, w.s1), 1) << "onto its own child";
    EXPECT_LT(Move(w.s1, w.o2), 1) << "no S at level 2";
    EXPECT_LT(Move(w.g1, Null()), 1) << "no G at level 1";
    EXPECT_LT(Move(w.r1, w.g1), 1) << "no R at level 3, though its child S would fit at 4";

    // Nothing changed anywhere.
    EXPECT_EQ(ParentOf(w.o1), -1);
    EXPECT_EQ(ParentOf(w.r1), w.o1);
    EXPECT_EQ(ParentOf(w.s1), w.r1);
    EXPECT_EQ(ParentOf(w.g1), w.o1);
    EXPECT_EQ(LevelOf(w.s1), 3);
    EXPECT_EQ(LevelOf(w.g1), 2);
    EXPECT_EQ(At(LocationRow(w.s1), 0, "ID_LOCATTYPE").toLongLong(), w.tS3);
}

TEST_P(Conformance, NoPlaceBecomesItsOwnAncestorEvenWhenTypesWouldFit) {
    // One abbreviation with a type on every level: only the tree itself can refuse a move.
    const long long g = AddAbbrev("g", "Gorod");
    std::vector<long long> types(16, -1);
    for (int level = 1; level <= 15; ++level) types[size_t(level)] = AddType(level, g);
    const long long a = AddLocation(Null(), types[1], "A");
    const long long b = AddLocation(a, types[2], "B");
    const long long c = AddLocation(b, types[3], "C");

    EXPECT_LT(Move(a, a), 1) << "onto itself";
    EXPECT_LT(Move(a, c), 1) << "below its grandchild";
    EXPECT_LT(Move(b, c), 1) << "below its child";
    EXPECT_LT(Loc("UPD_T#LOCATION",
                  {{"PID", a}, {"PID_PARENT", c}, {"PID_LOCATTYPE", types[4]}, {"PNAME", "A"}}),
              1)
        << "an edit may not close a cycle either";
    EXPECT_LT(Loc("UPD_T#LOCATION",
                  {{"PID", c}, {"PID_PARENT", c}, {"PID_LOCATTYPE", types[4]}, {"PNAME", "C"}}),
              1)
        << "nor make a leaf its own parent";
    EXPECT_EQ(ParentOf(a), -1);
    EXPECT_EQ(ParentOf(b), a);
    EXPECT_EQ(ParentOf(c), b);
    EXPECT_EQ(LevelOf(a), 1);
    EXPECT_EQ(LevelOf(c), 3);
    EXPECT_EQ(Cursor("QXVERPLOCAT", "GET_LOCATION_PARENTS", {{"PID", c}}).Rows.size(), 3u);

    // The same move the other way round is fine and retypes the whole chain.
    ASSERT_GE(Move(c, Null()), 1);
    EXPECT_EQ(LevelOf(c), 1);
    ASSERT_GE(Move(a, c), 1);
    EXPECT_EQ(LevelOf(a), 2);
    EXPECT_EQ(LevelOf(b), 3);
    EXPECT_EQ(At(LocationRow(b), 0, "ID_LOCATTYPE").toLongLong(), types[3]);
}

TEST_P(Conformance, MoveToAnotherDepthRetypesTheSubtree) {
    const World w = MakeWorld();
    ASSERT_GE(Move(w.g1, w.r1), 1);
    EXPECT_EQ(ParentOf(w.g1), w.r1);
    TRowSet g = LocationRow(w.g1);
    EXPECT_EQ(At(g, 0, "LEVEL#").toLongLong(), 3);
    EXPECT_EQ(At(g, 0, "ID_LOCATTYPE").toLongLong(), w.tG3);
    TRowSet s = LocationRow(w.s2);
    EXPECT_EQ(At(s, 0, "LEVEL#").toLongLong(), 4);
    EXPECT_EQ(At(s, 0, "ID_LOCATTYPE").toLongLong(), w.tS4);
    EXPECT_EQ(At(s, 0, "ABBREV_ID").toLongLong(), w.aS);
    EXPECT_EQ(At(LocationRow(w.r1), 0, "CHILD_CNT").toLongLong(), 2);
    EXPECT_EQ(At(LocationRow(w.o1), 0, "CHILD_CNT").toLongLong(), 1);

    const TRowSet chain = Cursor("QXVERPLOCAT", "GET_LOCATION_PARENTS", {{"PID", w.s2}});
    ASSERT_EQ(chain.Rows.size(), 4u);
    EXPECT_EQ(At(chain, 1, "ID").toLongLong(), w.r1);

    // And back up again: the types return to their levels.
    ASSERT_GE(Move(w.g1, w.o2), 1);
    EXPECT_EQ(At(LocationRow(w.g1), 0, "ID_LOCATTYPE").toLongLong(), w.tG2);
    EXPECT_EQ(At(LocationRow(w.s2), 0, "ID_LOCATTYPE").toLongLong(), w.tS3);
}

TEST_P(Conformance, MoveAtTheSameDepthKeepsTypes) {
    const World w = MakeWorld();
    ASSERT_GE(Move(w.r1, w.o2), 1);
    EXPECT_EQ(ParentOf(w.r1), w.o2);
    EXPECT_EQ(At(LocationRow(w.r1), 0, "ID_LOCATTYPE").toLongLong(), w.tR2);
    EXPECT_EQ(At(LocationRow(w.s1), 0, "ID_LOCATTYPE").toLongLong(), w.tS3);
    EXPECT_EQ(At(LocationRow(w.o2), 0, "CHILD_CNT").toLongLong(), 1);

    // A top-level place moves below another one when its abbreviation has a type one deeper,
    // but not while a descendant lacks one: o2 now carries r1, and R has no level 3.
    const long long extra = AddType(2, w.aObl);
    EXPECT_LT(Move(w.o2, w.o1), 1);
    EXPECT_EQ(ParentOf(w.o2), -1);
    EXPECT_EQ(LevelOf(w.r1), 2);
    const long long o3 = AddLocation(Null(), w.tObl1, "East");
    ASSERT_GE(Move(o3, w.o1), 1);
    EXPECT_EQ(At(LocationRow(o3), 0, "ID_LOCATTYPE").toLongLong(), extra);
    EXPECT_EQ(LevelOf(o3), 2);
}

// ---------------------------------------------------------------------------------------
// Information items

TEST_P(Conformance, InformationItemsFormTheirOwnTree) {
    const World w = MakeWorld();
    auto ins = [&](QVariant parent, int type, const QString& value) {
        return Inf("INS_T#INFORMATION", {{"POBJTYPE", 1},
                                         {"POBJID", w.g1},
                                         {"PID_PARENT", parent},
                                         {"PINFOTYPE", type},
                                         {"PVALUE", value},
                                         {"PDESCRIPTION", "desc " + value},
                                         {"PACTIVE", 1}});
    };
    const long long person = ins(Null(), 4, "Ivanov");
    const long long phone = ins(person, 2, "+1 555 0100");
    const long long mobile = ins(phone, 6, "+1 555 0199");
    const long long mail = ins(-1, 1, "harbour@example.org");
    for (long long id : {person, phone, mobile, mail}) ASSERT_GE(id, 1);

    const TRowSet top = Cursor("QXVERPINFORM", "GET_T#INFORMATION",
                               {{"POBJTYPE", 1}, {"POBJID", w.g1}, {"PID_PARENT", Null()}});
    ASSERT_EQ(top.Rows.size(), 2u);
    for (const char* c :
         {"ID", "ID_PARENT", "INFOTYPE", "VALUE", "DESCRIPTION", "ACTIVE", "CHILD_CNT"})
        EXPECT_GE(Col(top, c), 0) << c;
    ASSERT_TRUE(RowOf(top, person).has_value());
    EXPECT_EQ(At(top, *RowOf(top, person), "CHILD_CNT").toLongLong(), 1);
    EXPECT_EQ(At(top, *RowOf(top, person), "INFOTYPE").toLongLong(), 4);
    EXPECT_EQ(At(top, *RowOf(top, mail), "VALUE").toString(), "harbour@example.org");
    EXPECT_EQ(At(top, *RowOf(top, mail), "DESCRIPTION").toString(), "desc harbour@example.org");
    EXPECT_EQ(At(top, *RowOf(top, mail), "ACTIVE").toLongLong(), 1);
    EXPECT_TRUE(Cursor("QXVERPINFORM", "GET_T#INFORMATION",
                       {{"POBJTYPE", 1}, {"POBJID", w.o2}, {"PID_PARENT", -1}})
                    .Rows.empty())
        << "items belong to their object";

    const TRowSet under = Cursor("QXVERPINFORM", "GET_T#INFORMATION",
                                 {{"POBJTYPE", 1}, {"POBJID", w.g1}, {"PID_PARENT", person}});
    ASSERT_EQ(under.Rows.size(), 1u);
    EXPECT_EQ(At(under, 0, "ID").toLongLong(), phone);
    EXPECT_EQ(At(under, 0, "ID_PARENT").toLongLong(), person);

    auto upd = [&](long long id, QVariant parent, const QString& value, int active) {
        return Inf("UPD_T#INFORMATION", {{"POBJTYPE", 1},
                                         {"POBJID", w.g1},
                                         {"PID", id},
                                         {"PID_PARENT", parent},
                                         {"PVALUE", value},
                                         {"PDESCRIPTION", "changed"},
                                         {"PACTIVE", active}});
    };
    EXPECT_EQ(upd(person, person, "Self", 1), -1) << "own parent";
    EXPECT_EQ(upd(person, mobile, "Loop", 1), -1) << "parent inside its own subtree";
    EXPECT_EQ(upd(mail, phone, "mail@example.org", 0), mail);
    const TRowSet moved = Cursor("QXVERPINFORM", "GET_T#INFORMATION",
                                 {{"POBJTYPE", 1}, {"POBJID", w.g1}, {"PID_PARENT", phone}});
    ASSERT_EQ(moved.Rows.size(), 2u);
    EXPECT_EQ(At(moved, *RowOf(moved, mail), "VALUE").toString(), "mail@example.org");
    EXPECT_EQ(At(moved, *RowOf(moved, mail), "ACTIVE").toLongLong(), 0);
    EXPECT_EQ(Count("INFORMATION", "ID = :ID AND VALUE = :V", {{"ID", person}, {"V", "Ivanov"}}), 1)
        << "refused updates changed nothing";

    // An item goes with its whole subtree, also when a descendant is older than its
    // parent (the phone, moved under an item made after it).
    const long long fax = ins(person, 7, "+1 555 0111");
    EXPECT_EQ(upd(phone, fax, "+1 555 0100", 1), phone);
    auto del = [&](long long obj, long long id) {
        return Inf("DEL_T#INFORMATION", {{"POBJTYPE", 1}, {"POBJID", obj}, {"PID", id}});
    };
    EXPECT_EQ(del(w.o2, fax), -1) << "another object's item";
    EXPECT_EQ(Count("INFORMATION"), 5);
    EXPECT_EQ(del(w.g1, fax), 1);
    EXPECT_EQ(Count("INFORMATION"), 1);
    EXPECT_EQ(Count("INFORMATION", "ID = :ID", {{"ID", person}}), 1);
    EXPECT_EQ(del(w.g1, fax), -1) << "already gone";
}

// ---------------------------------------------------------------------------------------
// Errors as the error handler reads them

TEST_P(Conformance, FreeSqlUniqueViolationNamesTheConstraint) {
    AddAbbrev("obl", "Oblast");
    FDb->Commit();
    try {
        FDb->Execute(
            QStringLiteral("INSERT INTO %1 (SNAME, NAME) VALUES (:S, :N)").arg(T("LOCATABBREV")),
            {{"S", "obl"}, {"N", "Dup"}});
        ADD_FAILURE() << "duplicate short name accepted";
    } catch (const EOraError& e) {
        EXPECT_EQ(e.ErrorCode(), 1);
        const QString expected = "(" + FSchema.toUpper() + ".UK_LOCATABBREV_SNAME)";
        EXPECT_TRUE(e.Message().startsWith("ORA-00001: unique constraint "))
            << e.Message().toStdString();
        EXPECT_TRUE(e.Message().contains(expected)) << e.Message().toStdString();
        EXPECT_TRUE(e.Message().endsWith("\n"));
    }
    // The session is still usable after the error.
    FDb->Rollback();
    EXPECT_EQ(Count("LOCATABBREV"), 1);
}

TEST_P(Conformance, FreeSqlDeleteOfReferencedRowsIsChildRecordFound) {
    const World w = MakeWorld();
    FDb->Commit();
    try {
        FDb->Execute(QStringLiteral("DELETE FROM %1 WHERE ID = :ID").arg(T("LOCATABBREV")),
                     {{"ID", w.aG}});
        ADD_FAILURE() << "referenced abbreviation deleted";
    } catch (const EOraError& e) {
        EXPECT_EQ(e.ErrorCode(), 2292);
        EXPECT_TRUE(e.Message().contains("FK_LOCATTYPE_ABBREV")) << e.Message().toStdString();
    }
    FDb->Rollback();
    EXPECT_EQ(Count("LOCATABBREV", "ID = :ID", {{"ID", w.aG}}), 1);
}

TEST_P(Conformance, ValuesAreStoredVerbatimAndNeverRunAsSql) {
    const QStringList hostile = {"o'clock",
                                 "x'); DELETE FROM LOCATABBREV; --",
                                 "a;b; DROP TABLE LOCATION",
                                 "/* c */ -- d",
                                 "\"quoted\" \\ back",
                                 "Местоположение"};
    QList<long long> ids;
    int n = 0;
    for (const QString& name : hostile) ids << AddAbbrev(QString::number(++n), name);
    for (long long id : ids) ASSERT_GE(id, 1);
    EXPECT_EQ(Count("LOCATABBREV"), hostile.size());
    for (int i = 0; i < hostile.size(); ++i) {
        const TRowSet rs = Cursor("QXVERPLOCAT", "GET_T#LOCATABBREV", {{"PID", ids[i]}});
        ASSERT_EQ(rs.Rows.size(), 1u);
        EXPECT_EQ(At(rs, 0, "NAME").toString(), hostile[i]);
    }
    // Free SQL binds as well.
    const TRowSet rs =
        FDb->Query(QStringLiteral("SELECT ID FROM %1 WHERE NAME = :N").arg(T("LOCATABBREV")),
                   {{"N", hostile[1]}});
    ASSERT_EQ(rs.Rows.size(), 1u);
    EXPECT_EQ(rs.Rows[0][0].toLongLong(), ids[1]);
    const TRowSet none =
        FDb->Query(QStringLiteral("SELECT ID FROM %1 WHERE NAME = :N").arg(T("LOCATABBREV")),
                   {{"N", "' OR '1'='1"}});
    EXPECT_TRUE(none.Rows.empty());
}

TEST_P(Conformance, HostileSchemaNamesAreRefusedBeforeTheEngine) {
    for (const QString& bad : {QStringLiteral("x\"; drop table"), QStringLiteral("a.b"),
                               QStringLiteral("1abc"), QString(), QStringLiteral("x y")}) {
        try {
            FDb->Describe(bad, "QXVERPLOCAT", "GET_MAX_LEVEL");
            ADD_FAILURE() << "accepted " << bad.toStdString();
        } catch (const EOraError& e) {
            EXPECT_EQ(e.ErrorCode(), OraCode::InvalidIdentifier) << bad.toStdString();
        }
        try {
            InstallServerSchema(*FDb, bad);
            ADD_FAILURE() << "installed " << bad.toStdString();
        } catch (const EOraError& e) {
            EXPECT_EQ(e.ErrorCode(), OraCode::InvalidIdentifier) << bad.toStdString();
        }
    }
    EXPECT_EQ(Loc("GET_MAX_LEVEL"), 0) << "the real schema is untouched";
}

TEST_P(Conformance, UnknownRoutinesAndSchemasAreNotDeclared) {
    const std::vector<std::tuple<QString, QString, QString>> unknown = {
        {FSchema, "QXVERPLOCAT", "NO_SUCH_ROUTINE"},
        {FSchema, "NO_SUCH_PACKAGE", "GET_MAX_LEVEL"},
        {"qxv_not_installed", "QXVERPLOCAT", "GET_MAX_LEVEL"}};
    for (const auto& [schema, package, routine] : unknown) {
        try {
            FDb->Describe(schema, package, routine);
            ADD_FAILURE() << routine.toStdString() << " described";
        } catch (const EOraError& e) {
            EXPECT_EQ(e.ErrorCode(), OraCode::NoSuchRoutine);
            EXPECT_TRUE(e.Message().contains("must be declared")) << e.Message().toStdString();
        }
    }
}

TEST_P(Conformance, DescribeListsParametersInOrder) {
    const TRoutineDesc get = FDb->Describe(FSchema, "QXVERPLOCAT", "GET_T#LOCATION");
    EXPECT_FALSE(get.IsFunction());
    QStringList names;
    for (const TParamDesc& p : get.Params)
        if (p.Type != TFieldType::Cursor) names << p.Name;
    EXPECT_EQ(names, QStringList({"PID", "PID_PARENT"}));

    const TRoutineDesc upd = FDb->Describe(FSchema, "QXVERPLOCAT", "UPD_T#LOCATION_ID_PARENT");
    ASSERT_TRUE(upd.IsFunction());
    EXPECT_EQ(upd.Params.front().Name, "RESULT");
    ASSERT_EQ(upd.Params.size(), 3u);
    EXPECT_EQ(upd.Params[1].Name, "PID");
    EXPECT_EQ(upd.Params[2].Name, "PID_PARENT");
    EXPECT_FALSE(FDb->Describe(FSchema, "QXVERPLOCAT", "SET_T#LOCATABBREV_BMP").IsFunction());
}

// ---------------------------------------------------------------------------------------
// Translation, catalogue and report selection

TEST_P(Conformance, LangPackLanguagesAndTranslations) {
    auto lang = [&](const char* routine) {
        return CallR("LANG_PACK", routine).Value("RESULT").toLongLong();
    };
    EXPECT_EQ(lang("GET_USER_APL_LANG_ID"), 25) << "a user without a row speaks Russian";
    EXPECT_EQ(lang("GET_USER_APL_LANG_SUB_ID"), 0);
    EXPECT_EQ(lang("GET_USER_REP_LANG_ID"), 25);
    EXPECT_EQ(lang("GET_USER_REP_LANG_SUB_ID"), 0);

    FDb->Execute(QStringLiteral("INSERT INTO %1 (USER_NAME, APL_LANG_ID, APL_LANG_SUB_ID, "
                                "REP_LANG_ID, REP_LANG_SUB_ID) VALUES (:U, :A, :ASUB, :R, :RSUB)")
                     .arg(T("LANG_USER")),
                 {{"U", FDb->UserName().toUpper()}, {"A", 9}, {"ASUB", 1}, {"R", 10}, {"RSUB", 2}});
    EXPECT_EQ(lang("GET_USER_APL_LANG_ID"), 9);
    EXPECT_EQ(lang("GET_USER_APL_LANG_SUB_ID"), 1);
    EXPECT_EQ(lang("GET_USER_REP_LANG_ID"), 10);
    EXPECT_EQ(lang("GET_USER_REP_LANG_SUB_ID"), 2);

    const QString insTrans =
        QStringLiteral("INSERT INTO %1 (PHRASE, LANG_ID, TRANSLATION) VALUES (:P, :L, :T)")
            .arg(T("LANG_TRANS_RU"));
    // Phrases of their own: the installer seeds the interface's phrases already.
    FDb->Execute(insTrans, {{"P", "Проверка связи"}, {"L", 9}, {"T", "Link check"}});
    FDb->Execute(insTrans, {{"P", "Проверка связи"}, {"L", 34}, {"T", "Перевірка зв'язку"}});
    FDb->Execute(insTrans, {{"P", "Proverka svjazi..."}, {"L", 9}, {"T", "Link check..."}});

    auto txt = [&](const char* routine, const QString& text) {
        return CallR("LANG_PACK", routine, {{"PTEXT", text}}).Value("RESULT");
    };
    EXPECT_EQ(txt("GET_RESOURCE_APL_TXT", "Проверка связи").toString(), "Link check");
    EXPECT_EQ(txt("GET_RESOURCE_APL_EN_TXT", "Proverka svjazi...").toString(), "Link check...");
    EXPECT_TRUE(txt("GET_RESOURCE_APL_TXT", "Нет такой фразы").toString().isEmpty());
    EXPECT_TRUE(txt("GET_RESOURCE_APL_EN_TXT", "Nothing").toString().isEmpty());

    CallR("LANG_PACK", "SAVE_RUSSIAN_PHRASE",
          {{"PTEXT", "Новая фраза"}, {"PID_DFM", 7}, {"PCOMMENT", ""}});
    CallR("LANG_PACK", "SAVE_RUSSIAN_PHRASE",
          {{"PTEXT", "Новая фраза"}, {"PID_DFM", 7}, {"PCOMMENT", ""}});
    EXPECT_EQ(Count("LANG_TRANS_RU", "PHRASE = :P", {{"P", "Новая фраза"}}), 1)
        << "a phrase is kept once";
}

TEST_P(Conformance, MultiLanguageSwitchAndCatalogue) {
    EXPECT_EQ(FDb->PackageVariable(FSchema, "LANG_PACK", "GC_MULTI_LANG").toLongLong(), 1);
    FDb->Execute(QStringLiteral("UPDATE %1 SET VALUE = '0' WHERE NAME = 'GC_MULTI_LANG'")
                     .arg(T("LANG_SETTINGS")),
                 {});
    EXPECT_EQ(FDb->PackageVariable(FSchema, "LANG_PACK", "GC_MULTI_LANG").toLongLong(), 0);

    const QString catalogue = QStringLiteral(
        " SELECT COUNT(1) AS QNT FROM ALL_OBJECTS T  WHERE T.OBJECT_TYPE = 'PACKAGE' AND "
        "T.OBJECT_NAME = 'LANG_PACK'   AND T.STATUS = 'VALID'   AND T.OWNER = UPPER(:OWNER)");
    EXPECT_EQ(FDb->Query(catalogue, {{"OWNER", FSchema}}).Rows.at(0).at(0).toLongLong(), 1);
    EXPECT_EQ(FDb->Query(catalogue, {{"OWNER", FSchema.toUpper()}}).Rows.at(0).at(0).toLongLong(),
              1);
    EXPECT_EQ(FDb->Query(catalogue, {{"OWNER", "qxv_not_installed"}}).Rows.at(0).at(0).toLongLong(),
              0);
}

TEST_P(Conformance, ReportSelectionRowsComeAndGo) {
    const Inputs row = {{"PGUID", "{A1B2}"}, {"PCOMPONENT", "oqLocations"}, {"PROWID", "AAAB12"}};
    CallR("TEMP_SELECT_PACK", "INS_ORDER_LINES_REPORT", row);
    CallR("TEMP_SELECT_PACK", "INS_ORDER_LINES_REPORT",
          {{"PGUID", "{A1B2}"}, {"PCOMPONENT", "oqLocations"}, {"PROWID", "AAAB13"}});
    EXPECT_EQ(Count("TEMP_SELECT", "GUID_SERVICE = :G AND COMPONENT = :C",
                    {{"G", "{A1B2}"}, {"C", "oqLocations"}}),
              2);
    CallR("TEMP_SELECT_PACK", "DEL_ORDER_LINES_REPORT", row);
    EXPECT_EQ(Count("TEMP_SELECT", "ROW_ID = :R", {{"R", "AAAB12"}}), 0);
    EXPECT_EQ(Count("TEMP_SELECT", "ROW_ID = :R", {{"R", "AAAB13"}}), 1);
}

// ---------------------------------------------------------------------------------------
// Transactions

TEST_P(Conformance, EveryCallIsItsOwnUnitOfWorkUnlessATransactionIsOpen) {
    // A call is kept the moment it returns: another session sees it, a rollback cannot undo it.
    const long long kept = AddAbbrev("kept", "Committed by the call");
    auto other = OpenConnection(FConnectionString);
    const auto countIn = [&](IDbConnection& db) {
        return db.Query(QStringLiteral("SELECT COUNT(*) FROM %1").arg(T("LOCATABBREV")), {})
            .Rows.at(0)
            .at(0)
            .toLongLong();
    };
    EXPECT_EQ(countIn(*other), 1);
    FDb->Rollback();
    EXPECT_EQ(Count("LOCATABBREV"), 1);

    // An explicit transaction spans calls until Commit or Rollback.
    FDb->StartTransaction();
    AddAbbrev("gone", "Rolled back");
    EXPECT_EQ(countIn(*other), 1);
    FDb->Rollback();
    EXPECT_EQ(Count("LOCATABBREV"), 1);
    FDb->StartTransaction();
    AddAbbrev("late", "Never committed");
    FDb.reset();  // closing inside a transaction discards it

    // No lock outlives a call: the other session writes at once.
    EXPECT_GT(other
                  ->Call(other->Describe(FSchema, "QXVERPLOCAT", "INS_T#LOCATABBREV"),
                         {{"PSNAME", "next"}, {"PNAME", "Second session"}})
                  .Value("RESULT")
                  .toLongLong(),
              0);
    FDb = OpenConnection(FConnectionString);
    const TRowSet all = Cursor("QXVERPLOCAT", "GET_T#LOCATABBREV", {{"PID", -1}});
    ASSERT_EQ(all.Rows.size(), 2u);
    ASSERT_TRUE(RowOf(all, kept).has_value());
    EXPECT_EQ(At(all, *RowOf(all, kept), "SNAME").toString(), "kept");
}

// Texts that CSV, JSON and array forms must carry through untouched.
const QStringList kBulkNames = {
    QStringLiteral(""),           QStringLiteral(" "),
    QStringLiteral("\\."),        QStringLiteral("NULL"),
    QStringLiteral("a,\"b\"\\c"), QStringLiteral("two\r\nlines\n"),
    QStringLiteral("{x,\"y\"}"),  QStringLiteral("Ёлки-Палки 🏔")};

// A bulk insert lands every value as bound parameters would, joins the open transaction, keeps
// nothing of a batch the table refuses, and new places are numbered after it.
TEST_P(Conformance, BulkInsertKeepsValuesAsTheyAreAndFailsWhole) {
    const long long type = AddType(1, AddAbbrev("obl", "Oblast"));
    TBulkRows rows{FSchema,
                   QStringLiteral("LOCATION"),
                   {QStringLiteral("ID"), QStringLiteral("ID_PARENT"),
                    QStringLiteral("ID_LOCATTYPE"), QStringLiteral("NAME")},
                   QStringLiteral("ID"),
                   {}};
    for (qsizetype i = 0; i < kBulkNames.size(); ++i)
        rows.Values.insert(rows.Values.end(), {1000 + i, Null(), type, kBulkNames[i]});
    FDb->StartTransaction();
    FDb->InsertRows(rows);
    TBulkRows orphan = rows;
    orphan.Values = {2000, 999, type, "orphan", 2001, Null(), type, "kept with the orphan"};
    try {
        FDb->InsertRows(orphan);
        ADD_FAILURE() << "a place below a missing parent was written";
    } catch (const EOraError& e) {
        EXPECT_EQ(e.ErrorCode(), OraCode::ParentKeyNotFound) << e.Message().toStdString();
    }
    FDb->Commit();

    const TRowSet back = FDb->Query(
        QStringLiteral("SELECT ID, ID_PARENT, NAME FROM %1 ORDER BY ID").arg(T("LOCATION")), {});
    ASSERT_EQ(back.Rows.size(), size_t(kBulkNames.size()));
    for (size_t i = 0; i < back.Rows.size(); ++i) {
        EXPECT_EQ(back.Rows[i][0].toLongLong(), 1000 + qsizetype(i));
        EXPECT_TRUE(back.Rows[i][1].isNull()) << i;
        EXPECT_EQ(back.Rows[i][2].toString(), kBulkNames[qsizetype(i)]) << i;
    }
    EXPECT_EQ(AddLocation(Null(), type, "after"), 1000 + kBulkNames.size());
    EXPECT_THROW(FDb->InsertRows({FSchema, "LOCATION", {"ID; DROP"}, {}, {1}}), EOraError);
}

// The engine's own CSV output where it has one: the rows in order as the contract words them,
// and a server failure or a sink that gives up in the middle leaves the session usable.
TEST_P(Conformance, CopyOutStreamsCsvOrSaysItCannot) {
    QByteArray csv;
    const auto into = [&](const char* data, qsizetype size) { csv.append(data, size); };
    const long long type = AddType(1, AddAbbrev("obl", "Oblast"));
    for (const QString& name : kBulkNames) AddLocation(Null(), type, name);
    const QString select =
        QStringLiteral("SELECT ID, ID_PARENT, NAME FROM %1 ORDER BY ID").arg(T("LOCATION"));
    if (!FDb->CopyOut(select, into)) {
        EXPECT_TRUE(IsSqlite()) << "the server engine writes CSV itself";
        EXPECT_TRUE(csv.isEmpty());
        return;
    }
    QByteArray expected;
    for (qsizetype i = 0; i < kBulkNames.size(); ++i) {
        QByteArray name = kBulkNames[i].toUtf8();
        if (name.isEmpty() || name.contains(',') || name.contains('"') || name.contains('\n') ||
            name.contains('\r'))
            name = '"' + name.replace('"', "\"\"") + '"';
        expected += QByteArray::number(i + 1) + ",," + name + '\n';
    }
    EXPECT_EQ(csv, expected);

    // The server fails after thousands of rows have gone out.
    csv.clear();
    EXPECT_THROW(FDb->CopyOut(QStringLiteral("SELECT g, 1 / (60000 - g) FROM "
                                             "generate_series(1, 100000) g"),
                              into),
                 EOraError);
    EXPECT_GT(csv.size(), 0);
    struct TFull {};
    int pieces = 0;
    EXPECT_THROW(FDb->CopyOut(QStringLiteral("SELECT g FROM generate_series(1, 2000000) g"),
                              [&](const char*, qsizetype) {
                                  ++pieces;
                                  throw TFull();
                              }),
                 TFull);
    EXPECT_EQ(pieces, 1);
    FDb->StartTransaction();
    EXPECT_THROW(FDb->CopyOut(QStringLiteral("SELECT 1 / 0"), into), EOraError);
    EXPECT_EQ(AddLocation(Null(), type, "in the same transaction"), kBulkNames.size() + 1);
    FDb->Commit();
    EXPECT_EQ(Count("LOCATION"), kBulkNames.size() + 1);
}

// Where the engines used to answer differently, one answer: identifiers below 1 are "none",
// a text longer than its column is ORA-12899, the types of a level come by short name.
TEST_P(Conformance, EdgeInputsGetOneAnswerOnBothEngines) {
    const World w = MakeWorld();
    for (const QVariant& none : {QVariant(0), QVariant(-7), QVariant(-1), Null()}) {
        EXPECT_EQ(Children(none).Rows.size(), 2u) << "top level for " << none.toInt();
        const TRowSet asList =
            Cursor("QXVERPLOCAT", "GET_T#LOCATION", {{"PID", none}, {"PID_PARENT", w.o1}});
        EXPECT_EQ(asList.Rows.size(), 2u) << "children of o1 for PID " << none.toInt();
    }
    const long long top = AddLocation(0, w.tObl1, "Zero parent");
    ASSERT_GE(top, 1);
    EXPECT_EQ(ParentOf(top), -1);

    const QString longName(256, QLatin1Char('x'));
    const struct {
        const char* Routine;
        Inputs In;
    } tooLong[] = {
        {"INS_T#LOCATABBREV", {{"PSNAME", QString(11, QLatin1Char('s'))}, {"PNAME", "n"}}},
        {"INS_T#LOCATABBREV", {{"PSNAME", "ok"}, {"PNAME", longName}}},
        {"INS_T#LOCATION", {{"PID_PARENT", -1}, {"PID_LOCATTYPE", w.tObl1}, {"PNAME", longName}}},
        {"UPD_T#LOCATION",
         {{"PID", w.o2}, {"PID_PARENT", -1}, {"PID_LOCATTYPE", w.tObl1}, {"PNAME", longName}}},
    };
    for (const auto& c : tooLong) {
        int code = 0;
        try {
            Loc(c.Routine, c.In);
        } catch (const EOraError& e) {
            code = e.ErrorCode();
        }
        EXPECT_EQ(code, 12899) << c.Routine;
    }
    int infoCode = 0;
    try {
        Inf("INS_T#INFORMATION", {{"POBJTYPE", 1},
                                  {"POBJID", w.g1},
                                  {"PID_PARENT", 0},
                                  {"PINFOTYPE", 5},
                                  {"PVALUE", longName},
                                  {"PDESCRIPTION", "d"},
                                  {"PACTIVE", 1}});
    } catch (const EOraError& e) {
        infoCode = e.ErrorCode();
    }
    EXPECT_EQ(infoCode, 12899);
    EXPECT_EQ(Count("LOCATABBREV"), 4) << "nothing of a refused call is kept";

    // A required identifier left out (NULL, 0 or below) is that routine's refusal, -1.
    const struct {
        const char* Package;
        const char* Routine;
        Inputs In;
    } missing[] = {
        {"QXVERPLOCAT",
         "INS_T#LOCATION",
         {{"PID_PARENT", -1}, {"PID_LOCATTYPE", Null()}, {"PNAME", "n"}}},
        {"QXVERPLOCAT",
         "INS_T#LOCATION",
         {{"PID_PARENT", -1}, {"PID_LOCATTYPE", 0}, {"PNAME", "n"}}},
        {"QXVERPLOCAT",
         "UPD_T#LOCATION",
         {{"PID", w.o2}, {"PID_PARENT", -1}, {"PID_LOCATTYPE", Null()}, {"PNAME", "n"}}},
        {"QXVERPLOCAT", "INS_T#LOCATTYPE", {{"PLEVEL#", 3}, {"PID_ABBREV", Null()}}},
        {"QXVERPLOCAT", "INS_T#LOCATTYPE", {{"PLEVEL#", 3}, {"PID_ABBREV", -1}}},
        {"QXVERPLOCAT",
         "UPD_T#LOCATTYPE",
         {{"PID", w.tObl1}, {"PLEVEL#", 1}, {"PID_ABBREV", Null()}}},
        {"QXVERPINFORM",
         "INS_T#INFORMATION",
         {{"POBJTYPE", 1},
          {"POBJID", Null()},
          {"PID_PARENT", 0},
          {"PINFOTYPE", 5},
          {"PVALUE", "v"},
          {"PDESCRIPTION", "d"},
          {"PACTIVE", 1}}},
    };
    const long long places = Count("LOCATION"), types = Count("LOCATTYPE");
    for (const auto& c : missing) {
        SCOPED_TRACE(c.Routine);
        long long result = 0;
        int code = 0;
        try {
            result = CallR(QString::fromLatin1(c.Package), QString::fromLatin1(c.Routine), c.In)
                         .Value("RESULT")
                         .toLongLong();
        } catch (const EOraError& e) {
            code = e.ErrorCode();
        }
        EXPECT_EQ(code, 0);
        EXPECT_EQ(result, -1);
    }
    EXPECT_EQ(Count("LOCATION"), places);
    EXPECT_EQ(Count("LOCATTYPE"), types);

    // "g" before "r-n" by short name, though "Gorod" and "Rajon" would sort the same way; add
    // one whose name sorts first but short name last.
    const long long z = AddAbbrev("zz", "Aaa");
    ASSERT_GE(AddType(2, z), 1);
    const TRowSet level2 = Cursor("QXVERPLOCAT", "GET_T#LOCATTYPE_BY_LEVEL", {{"PLEVEL#", 2}});
    QStringList shortNames;
    for (size_t i = 0; i < level2.Rows.size(); ++i) shortNames << At(level2, i, "SNAME").toString();
    EXPECT_EQ(shortNames, (QStringList{"g", "r-n", "zz"}));
}

// Two users drag two places (and two information items) under each other at the same moment:
// the lock taken inside the move lets exactly one through, whatever the interleaving.
TEST_P(Conformance, CrossingMovesFromTwoSessionsNeverCloseACycle) {
    const World w = MakeWorld();
    ASSERT_GE(AddType(3, w.aR), 1);  // either district can go below the other
    auto info = [&](long long id, QVariant parent) -> Inputs {
        return {{"POBJTYPE", 1}, {"POBJID", w.g1},      {"PID", id},   {"PID_PARENT", parent},
                {"PVALUE", "v"}, {"PDESCRIPTION", "d"}, {"PACTIVE", 1}};
    };
    const auto addInfo = [&] {
        return Inf("INS_T#INFORMATION", {{"POBJTYPE", 1},
                                         {"POBJID", w.g1},
                                         {"PID_PARENT", Null()},
                                         {"PINFOTYPE", 5},
                                         {"PVALUE", "v"},
                                         {"PDESCRIPTION", "d"},
                                         {"PACTIVE", 1}});
    };
    const long long i1 = addInfo(), i2 = addInfo();
    struct TCross {
        const char* Package;
        const char* Routine;
        Inputs First, Second, UndoFirst, UndoSecond;
    };
    const std::vector<TCross> crossings{
        {"QXVERPLOCAT",
         "UPD_T#LOCATION_ID_PARENT",
         {{"PID", w.r1}, {"PID_PARENT", w.g1}},
         {{"PID", w.g1}, {"PID_PARENT", w.r1}},
         {{"PID", w.r1}, {"PID_PARENT", w.o1}},
         {{"PID", w.g1}, {"PID_PARENT", w.o1}}},
        {"QXVERPINFORM", "UPD_T#INFORMATION", info(i1, i2), info(i2, i1), info(i1, Null()),
         info(i2, Null())},
    };
    auto a = OpenConnection(FConnectionString);
    auto b = OpenConnection(FConnectionString);
    const auto call = [&](IDbConnection& db, const TCross& c, const Inputs& in) {
        return db.Call(db.Describe(FSchema, c.Package, c.Routine), in).Value("RESULT").toLongLong();
    };
    constexpr int kRounds = 8;
    for (const TCross& c : crossings) {
        int firstWon = 0;
        for (int round = 0; round < kRounds; ++round) {
            long long ra = 0, rb = 0;
            std::string error;
            std::barrier start(2);
            std::thread other([&] {
                start.arrive_and_wait();
                try {
                    rb = call(*b, c, c.Second);
                } catch (const EOraError& e) {
                    error = e.what();
                }
            });
            start.arrive_and_wait();
            ra = call(*a, c, c.First);
            other.join();
            ASSERT_EQ(error, "") << c.Routine;
            ASSERT_EQ((ra >= 1) + (rb >= 1), 1)
                << c.Routine << " round " << round << ": " << ra << ", " << rb;
            EXPECT_TRUE(ra == -1 || rb == -1) << "the refused move answers -1";
            firstWon += ra >= 1;
            ASSERT_GE(call(*FDb, c, ra >= 1 ? c.UndoFirst : c.UndoSecond), 1);
        }
        RecordProperty(c.Routine, firstWon);
    }
    EXPECT_EQ(ParentOf(w.r1), w.o1);
    EXPECT_EQ(ParentOf(w.g1), w.o1);
    EXPECT_EQ(LevelOf(w.s2), 3);
}

TEST_P(Conformance, InstallingTwiceKeepsData) {
    const long long a = AddAbbrev("obl", "Oblast");
    FDb->Commit();
    InstallServerSchema(*FDb, FSchema);
    FDb->Commit();
    EXPECT_EQ(Count("LOCATABBREV", "ID = :ID", {{"ID", a}}), 1);
    EXPECT_EQ(AddAbbrev("obl", "Again"), -1) << "constraints survive a second install";
}

INSTANTIATE_TEST_SUITE_P(Engines, Conformance,
                         ::testing::Values(QStringLiteral("sqlite"), QStringLiteral("postgresql")),
                         [](const ::testing::TestParamInfo<QString>& info) {
                             return info.param.toStdString();
                         });

}  // namespace
