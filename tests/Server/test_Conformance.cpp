// One behaviour, two engines: every case here runs against the embedded engine and,
// when QXV_PG_DSN names a server, against PostgreSQL. Only the engine-neutral surface is
// used (OpenConnection, InstallServerSchema, IDbConnection) so both backends answer the
// same questions the client asks.

#include <QRegularExpression>

#include <gtest/gtest.h>

#include <barrier>
#include <thread>

#include "Platform/Data/UserRights.h"
#include "Platform/JournalChanges.h"
#include "Server/InstalledSchema.h"
#include "Server/sqlite/SqliteServer.h"
#include "support/OraErrorOf.h"

namespace {

QVariant Null() { return QVariant(); }

class Conformance : public InstalledSchemaTest {
protected:
    TRowSet Cursor(const QString& package, const QString& routine, const Inputs& in) {
        const TCallResult r = Call(package, routine, in);
        EXPECT_TRUE(r.Cursor.has_value()) << routine.toStdString() << " gave no cursor";
        return r.Cursor.value_or(TRowSet{});
    }
    TRowSet LocCursor(const QString& routine, const Inputs& in) {
        return Cursor("QXVERPLOCAT", routine, in);
    }

    static int Col(const TRowSet& rs, const QString& name) {
        for (size_t i = 0; i < rs.Columns.size(); ++i)
            if (rs.Columns[i].Name.compare(name, Qt::CaseInsensitive) == 0) return int(i);
        ADD_FAILURE() << "no column " << name.toStdString();
        return -1;
    }
    // The named columns of one row, "|"-joined; NULL reads "null", a missing row "none".
    static QString Fields(const TRowSet& rs, size_t row, const QString& names) {
        if (row >= rs.Rows.size()) return "none";
        QStringList out;
        for (const QString& name : names.split(u' ')) {
            const int c = Col(rs, name);
            const QVariant v = c < 0 ? QVariant() : rs.Rows[row][size_t(c)];
            out << (v.isNull() ? "null" : v.toString());
        }
        return out.join(u'|');
    }
    // The same for the row whose ID is id.
    static QString FieldsOf(const TRowSet& rs, long long id, const QString& names) {
        const int c = Col(rs, "ID");
        size_t i = 0;
        while (c >= 0 && i < rs.Rows.size() && rs.Rows[i][size_t(c)].toLongLong() != id) ++i;
        return Fields(rs, i, names);
    }
    // One column over all rows, "|"-joined.
    static QString Column(const TRowSet& rs, const QString& name) {
        QStringList out;
        for (size_t i = 0; i < rs.Rows.size(); ++i) out << Fields(rs, i, name);
        return out.join(u'|');
    }

    // Place and information helpers.
    long long UpdLocation(long long id, QVariant parent, QVariant type, const QString& name) {
        return Loc("UPD_T#LOCATION",
                   {{"PID", id}, {"PID_PARENT", parent}, {"PID_LOCATTYPE", type}, {"PNAME", name}});
    }
    Inputs InfoUpdate(long long obj, long long id, QVariant parent, const QString& value,
                      int active = 1) {
        return {{"POBJTYPE", 1},        {"POBJID", obj},   {"PID", id},
                {"PID_PARENT", parent}, {"PVALUE", value}, {"PDESCRIPTION", "changed"},
                {"PACTIVE", active}};
    }
    TRowSet LocationRow(long long id) {
        return LocCursor("GET_T#LOCATION", {{"PID", id}, {"PID_PARENT", Null()}});
    }
    TRowSet Children(QVariant parent) {
        return LocCursor("GET_T#LOCATION", {{"PID", -1}, {"PID_PARENT", parent}});
    }
    // The named columns of a place as the server has it now.
    QString Place(long long id, const QString& names) { return Fields(LocationRow(id), 0, names); }
    long long LevelOf(long long id) { return Place(id, "LEVEL#").toLongLong(); }
    long long ParentOf(long long id) {
        const QString p = Place(id, "ID_PARENT");
        return p == QLatin1String("null") ? -1 : p.toLongLong();
    }
    long long Move(long long id, QVariant parent) {
        return Loc("UPD_T#LOCATION_ID_PARENT", {{"PID", id}, {"PID_PARENT", parent}});
    }
    // The parent chain of a place, top down, as ids.
    QString Chain(long long id) {
        return Column(LocCursor("GET_LOCATION_PARENTS", {{"PID", id}}), "ID");
    }
    // Search hits as "path rank".
    QStringList Found(const QString& text, QVariant limit, QVariant separator) {
        const TRowSet found = LocCursor(
            "FIND_T#LOCATION", {{"PTEXT", text}, {"PLIMIT", limit}, {"PSEPARATOR", separator}});
        QStringList hits;
        for (size_t i = 0; i < found.Rows.size(); ++i)
            hits << Fields(found, i, "PATH RANK").replace(u'|', u' ');
        return hits;
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
};

// ---------------------------------------------------------------------------------------
// Abbreviations

TEST_P(Conformance, AbbreviationsInsertUpdateAndRefuseDuplicateShortNames) {
    const long long a = AddAbbrev("obl", "Oblast"), b = AddAbbrev("g", "Gorod");
    ASSERT_TRUE(a >= 1 && b >= 1 && a != b);
    const auto update = [&](const QString& sname, const QString& name) {
        return Loc("UPD_T#LOCATABBREV", {{"PID", b}, {"PSNAME", sname}, {"PNAME", name}});
    };
    EXPECT_EQ(AddAbbrev("obl", "Another"), -1) << "duplicate short name on insert";
    EXPECT_EQ(update("obl", "X"), -1) << "duplicate short name on update";
    EXPECT_EQ(update("gor", "Gorod N"), b);

    EXPECT_EQ(Fields(LocCursor("GET_T#LOCATABBREV", {{"PID", b}}), 0, "SNAME NAME BMP16#16"),
              "gor|Gorod N|null");
    const TRowSet all = LocCursor("GET_T#LOCATABBREV", {{"PID", -1}});
    EXPECT_EQ(all.Rows.size(), 2u);
    EXPECT_EQ(FieldsOf(all, a, "SNAME"), "obl") << "refused update kept the row";

    // The picture is stored byte for byte, every byte value and NUL included.
    QByteArray bmp(1000, '\0');
    for (int i = 0; i < bmp.size(); ++i) bmp[i] = char(i * 7);
    Call("QXVERPLOCAT", "SET_T#LOCATABBREV_BMP",
         {{"PID", b}, {"PBMP16#16", bmp, TFieldType::Blob}});
    const TRowSet rs = LocCursor("GET_T#LOCATABBREV", {{"PID", b}});
    EXPECT_EQ(rs.Rows.at(0)[size_t(Col(rs, "BMP16#16"))].toByteArray(), bmp);
}

// A row that another one uses is refused and kept; once unused, it goes.
TEST_P(Conformance, DeletesRefuseRowsInUse) {
    const World w = MakeWorld();
    AddInfo(w.o2, Null(), 1, "south@example.org");
    const long long spare = AddAbbrev("x", "Unused");
    const struct {
        const char* Routine;
        long long Id, Answer;
        const char* Why;
    } steps[] = {
        {"DEL_T#LOCATABBREV", w.aS, -2, "an abbreviation a level uses"},
        {"DEL_T#LOCATTYPE", w.tS3, -2, "a level a place has"},
        {"DEL_T#LOCATION", w.g1, -2, "a place with a child"},
        {"DEL_T#LOCATION", w.o2, -2, "a place with an information item"},
        {"DEL_T#LOCATTYPE", w.tS4, 1, "an unused level"},
        {"DEL_T#LOCATABBREV", spare, 1, "an unused abbreviation"},
        {"DEL_T#LOCATION", w.s2, 1, "a leaf"},
        {"DEL_T#LOCATION", w.g1, 1, "a place childless now"},
    };
    for (const auto& step : steps) {
        EXPECT_EQ(Loc(step.Routine, {{"PID", step.Id}}), step.Answer) << step.Why;
        EXPECT_EQ(Count(QString(step.Routine).mid(6), "ID = :ID", {{"ID", step.Id}}),
                  step.Answer < 0 ? 1 : 0)
            << step.Why;
    }
    EXPECT_EQ(Place(w.o1, "CHILD_CNT"), "1");
}

// ---------------------------------------------------------------------------------------
// Levels

TEST_P(Conformance, LevelsRefuseDuplicatesAndLevelsOutsideTheRange) {
    const long long a = AddAbbrev("g", "Gorod"), b = AddAbbrev("s", "Selo");
    ASSERT_GE(AddType(2, a), 1);
    EXPECT_EQ(AddType(2, a), -1) << "duplicate level and abbreviation";
    EXPECT_EQ(AddType(0, a), -1);
    EXPECT_EQ(AddType(16, a), -1);
    EXPECT_GE(AddType(15, a), 1);
    EXPECT_GE(AddType(1, a), 1);

    const long long t2 = AddType(3, b);
    const auto update = [&](int level, long long abbrev) {
        return Loc("UPD_T#LOCATTYPE", {{"PID", t2}, {"PLEVEL#", level}, {"PID_ABBREV", abbrev}});
    };
    EXPECT_EQ(update(2, a), -1) << "update onto an existing pair";
    EXPECT_EQ(update(16, b), -1);
    EXPECT_EQ(update(4, b), t2);
    EXPECT_EQ(Fields(LocCursor("GET_T#LOCATTYPE", {{"PID", t2}}), 0, "LEVEL# SNAME NAME ID_ABBREV"),
              QStringLiteral("4|s|Selo|%1").arg(b));
    EXPECT_EQ(LocCursor("GET_T#LOCATTYPE", {{"PID", -1}}).Rows.size(), 4u);
}

TEST_P(Conformance, LevelQueriesAndMaxLevel) {
    EXPECT_EQ(Loc("GET_MAX_LEVEL"), 0) << "no level yet";
    const World w = MakeWorld();
    EXPECT_EQ(Loc("GET_MAX_LEVEL"), 4);

    const TRowSet level3 = LocCursor("GET_T#LOCATTYPE_BY_LEVEL", {{"PLEVEL#", 3}});
    ASSERT_EQ(level3.Rows.size(), 2u);
    EXPECT_EQ(FieldsOf(level3, w.tG3, "NAME SNAME ID_ABBREV LEVEL#"),
              QStringLiteral("Gorod|g|%1|3").arg(w.aG));
    // By short name: "zz" last, though its name sorts first.
    ASSERT_GE(AddType(2, AddAbbrev("zz", "Aaa")), 1);
    EXPECT_EQ(Column(LocCursor("GET_T#LOCATTYPE_BY_LEVEL", {{"PLEVEL#", 2}}), "SNAME"), "g|r-n|zz");
    EXPECT_TRUE(LocCursor("GET_T#LOCATTYPE_BY_LEVEL", {{"PLEVEL#", 9}}).Rows.empty());

    EXPECT_EQ(Loc("UPD_T#LOCATTYPE", {{"PID", w.tS3}, {"PLEVEL#", 5}, {"PID_ABBREV", w.aS}}), -2)
        << "a level in use keeps its number";
    EXPECT_EQ(LevelOf(w.s1), 3);
}

// ---------------------------------------------------------------------------------------
// Locations

TEST_P(Conformance, LocationRowsChildrenCountsAndParentChains) {
    const World w = MakeWorld();
    const TRowSet top = Children(Null());
    ASSERT_EQ(top.Rows.size(), 2u) << "NULL parent gives the top level";
    EXPECT_EQ(FieldsOf(top, w.o1, "CHILD_CNT ID_PARENT"), "2|null");
    EXPECT_EQ(FieldsOf(top, w.o2, "CHILD_CNT"), "0");

    const TRowSet sub = Children(w.o1);
    ASSERT_EQ(sub.Rows.size(), 2u);
    EXPECT_EQ(FieldsOf(sub, w.g1,
                       "NAME LEVEL# ABBREV_SNAME ABBREV_NAME ABBREV_ID ID_PARENT ID_LOCATTYPE "
                       "CHILD_CNT"),
              QStringLiteral("Harbour|2|g|Gorod|%1|%2|%3|1").arg(w.aG).arg(w.o1).arg(w.tG2));
    EXPECT_EQ(Place(w.s2, "NAME CHILD_CNT"), "Mill|0");
    EXPECT_EQ(LocationRow(w.s2).Rows.size(), 1u);

    // More children make the count exactly four, whatever the engine caches.
    AddLocation(w.o1, w.tG2, "Third");
    AddLocation(w.o1, w.tR2, "Fourth");
    EXPECT_EQ(Place(w.o1, "CHILD_CNT"), "4");

    // The parent chain runs top down and ends with the place itself.
    const TRowSet chain = LocCursor("GET_LOCATION_PARENTS", {{"PID", w.s2}});
    EXPECT_EQ(Column(chain, "ID"), QStringLiteral("%1|%2|%3").arg(w.o1).arg(w.g1).arg(w.s2));
    EXPECT_EQ(Column(chain, "ID_PARENT"), QStringLiteral("null|%1|%2").arg(w.o1).arg(w.g1));
    EXPECT_EQ(Chain(w.o2), QString::number(w.o2));
    EXPECT_EQ(Chain(987654), "");
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
    for (const auto& c : cases)
        EXPECT_EQ(Found(c.Text, c.Limit, c.Separator), c.Hits) << c.Text.toStdString();
    // Each hit carries what the tree shows of it.
    const TRowSet one = LocCursor("FIND_T#LOCATION",
                                  {{"PTEXT", "mill"}, {"PLIMIT", Null()}, {"PSEPARATOR", Null()}});
    ASSERT_EQ(one.Rows.size(), 1u);
    EXPECT_EQ(
        Fields(one, 0, "ID NAME ABBREV_SNAME ABBREV_NAME LEVEL# ID_PARENT PATH"),
        QStringLiteral("%1|Mill|s|Selo|3|%2|obl. North\\g. Harbour\\s. Mill").arg(w.s2).arg(w.g1));

    // How many places a text finds, counted no further than one past the cap.
    const std::tuple<const char*, QVariant, long long> counts[] = {
        {"елкино", Null(), 4}, {"елкино", 2, 3}, {"елкино", 4, 4}, {"  ", Null(), 0}};
    for (const auto& [text, cap, count] : counts)
        EXPECT_EQ(Loc("COUNT_T#LOCATION", {{"PTEXT", text}, {"PCAP", cap}}), count) << text;

    // A window's hits are kept in its session's own table under its key, in the search's
    // order, until it searches again.
    const QString windowKey = "{5E1EC7ED-0000-4000-8000-00000000B001}";
    auto kept = [&] {
        return Column(FDb->Query(QStringLiteral("SELECT NAME FROM SEARCH_HITS WHERE GUID = :G "
                                                "ORDER BY HIT_NO"),
                                 {{"G", windowKey}}),
                      "NAME");
    };
    auto fill = [&](const QString& text) {
        return Loc(
            "FILL_T#LOCATION_HITS",
            {{"PGUID", windowKey}, {"PTEXT", text}, {"PLIMIT", Null()}, {"PSEPARATOR", Null()}});
    };
    EXPECT_EQ(fill("елкино"), 4);
    EXPECT_EQ(kept(), "елкино|Ёлкино|Старое Елкино|Новоелкино");
    EXPECT_EQ(fill("mill"), 1);
    EXPECT_EQ(kept(), "Mill");
    EXPECT_EQ(Loc("DEL_T#LOCATION_HITS", {{"PGUID", windowKey}}), 1);
    EXPECT_EQ(kept(), "");
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
    const QStringList all = {
        "obl. North\\g. Harbour\\s. Pine 0", "obl. North\\r-n. Lakeside\\s. Birch\\s. Pines 1",
        "obl. North\\r-n. Lakeside\\s. Pinegrove 1", "obl. South\\g. Pinewood 1",
        "obl. South\\g. Pinewood\\s. Pine Hill 1"};
    for (const int limit : {1, 3, 4, 100})
        EXPECT_EQ(Found("pine", limit, ". "), all.mid(0, limit)) << "limit " << limit;
}

TEST_P(Conformance, InsertAndUpdateFollowTheLevelRule) {
    const World w = MakeWorld();
    EXPECT_EQ(AddLocation(Null(), w.tG2, "Wrong top"), -1) << "a top location needs level 1";
    EXPECT_EQ(AddLocation(w.o1, w.tS3, "Too deep"), -1) << "level 3 under level 1";
    EXPECT_EQ(AddLocation(w.r1, w.tObl1, "Too high"), -1);
    EXPECT_EQ(Count("LOCATION"), 6);

    EXPECT_EQ(UpdLocation(w.s1, w.r1, w.tG3, "Birch town"), w.s1);
    EXPECT_EQ(Place(w.s1, "NAME ID_LOCATTYPE ABBREV_SNAME"),
              QStringLiteral("Birch town|%1|g").arg(w.tG3));
    EXPECT_EQ(UpdLocation(w.s1, w.r1, w.tG2, "Bad"), -1);
    EXPECT_EQ(Place(w.s1, "NAME"), "Birch town") << "refused update";
}

// ---------------------------------------------------------------------------------------
// Re-parenting

// Refused moves and edits change nothing anywhere: a cycle is refused even where every level
// has a type, and a move where the place or a descendant lacks a type at its new depth.
TEST_P(Conformance, MovesThatCloseACycleOrLackATypeAreRefused) {
    const World w = MakeWorld();
    const long long any = AddAbbrev("any", "Any level");
    std::vector<long long> types(16, -1);
    for (int level = 1; level <= 15; ++level) types[size_t(level)] = AddType(level, any);
    const long long a = AddLocation(Null(), types[1], "A");
    const long long b = AddLocation(a, types[2], "B");
    const long long c = AddLocation(b, types[3], "C");
    const auto places = [&] {
        QStringList cells;
        for (const auto& row :
             FDb->Query(QStringLiteral("SELECT * FROM %1 ORDER BY ID").arg(T("LOCATION")), {}).Rows)
            for (const QVariant& cell : row) cells << cell.toString();
        return cells;
    };
    const auto before = places();
    const std::pair<const char*, std::function<long long()>> refused[] = {
        {"onto itself", [&] { return Move(a, a); }},
        {"below its grandchild", [&] { return Move(a, c); }},
        {"below its child", [&] { return Move(b, c); }},
        {"an edit closing a cycle", [&] { return UpdLocation(a, c, types[4], "A"); }},
        {"a leaf its own parent", [&] { return UpdLocation(c, c, types[4], "C"); }},
        {"into its own subtree", [&] { return Move(w.o1, w.s1); }},
        {"onto its own child", [&] { return Move(w.r1, w.s1); }},
        {"no S at level 2", [&] { return Move(w.s1, w.o2); }},
        {"no G at level 1", [&] { return Move(w.g1, Null()); }},
        {"no R at level 3, though its child S fits at 4", [&] { return Move(w.r1, w.g1); }},
    };
    for (const auto& [why, move] : refused) EXPECT_LT(move(), 1) << why;
    EXPECT_EQ(places(), before);

    // The same move the other way round is fine and retypes the whole chain.
    ASSERT_GE(Move(c, Null()), 1);
    EXPECT_EQ(LevelOf(c), 1);
    ASSERT_GE(Move(a, c), 1);
    EXPECT_EQ(LevelOf(a), 2);
    EXPECT_EQ(Place(b, "LEVEL# ID_LOCATTYPE"), QStringLiteral("3|%1").arg(types[3]));
}

// A move to another depth retypes the subtree by the difference; at the same depth the
// types stay.
TEST_P(Conformance, MovesRetypeTheSubtreeByTheChangeOfDepth) {
    const World w = MakeWorld();
    ASSERT_GE(Move(w.g1, w.r1), 1);
    EXPECT_EQ(Place(w.g1, "ID_PARENT LEVEL# ID_LOCATTYPE"),
              QStringLiteral("%1|3|%2").arg(w.r1).arg(w.tG3));
    EXPECT_EQ(Place(w.s2, "LEVEL# ID_LOCATTYPE ABBREV_ID"),
              QStringLiteral("4|%1|%2").arg(w.tS4).arg(w.aS));
    EXPECT_EQ(Place(w.r1, "CHILD_CNT"), "2");
    EXPECT_EQ(Place(w.o1, "CHILD_CNT"), "1");
    EXPECT_EQ(Chain(w.s2), QStringLiteral("%1|%2|%3|%4").arg(w.o1).arg(w.r1).arg(w.g1).arg(w.s2));

    // Back up again, the types return to their levels; across at the same depth, they stay.
    ASSERT_GE(Move(w.g1, w.o2), 1);
    EXPECT_EQ(Place(w.g1, "ID_LOCATTYPE"), QString::number(w.tG2));
    EXPECT_EQ(Place(w.s2, "ID_LOCATTYPE"), QString::number(w.tS3));
    ASSERT_GE(Move(w.r1, w.o2), 1);
    EXPECT_EQ(Place(w.r1, "ID_PARENT ID_LOCATTYPE"), QStringLiteral("%1|%2").arg(w.o2).arg(w.tR2));
    EXPECT_EQ(Place(w.s1, "ID_LOCATTYPE"), QString::number(w.tS3));

    // A top-level place moves below another one when its abbreviation has a type one deeper,
    // but not while a descendant lacks one: o2 now carries r1, and R has no level 3.
    const long long extra = AddType(2, w.aObl);
    EXPECT_LT(Move(w.o2, w.o1), 1);
    EXPECT_EQ(ParentOf(w.o2), -1);
    EXPECT_EQ(LevelOf(w.r1), 2);
    const long long o3 = AddLocation(Null(), w.tObl1, "East");
    ASSERT_GE(Move(o3, w.o1), 1);
    EXPECT_EQ(Place(o3, "ID_LOCATTYPE LEVEL#"), QStringLiteral("%1|2").arg(extra));
}

// ---------------------------------------------------------------------------------------
// Information items

TEST_P(Conformance, InformationItemsFormTheirOwnTree) {
    const World w = MakeWorld();
    const long long person = AddInfo(w.g1, Null(), 4, "Ivanov");
    const long long phone = AddInfo(w.g1, person, 2, "+1 555 0100");
    const long long mobile = AddInfo(w.g1, phone, 6, "+1 555 0199");
    const long long mail = AddInfo(w.g1, -1, 1, "harbour@example.org");
    for (long long id : {person, phone, mobile, mail}) ASSERT_GE(id, 1);
    const auto items = [&](long long obj, QVariant parent) {
        return Cursor("QXVERPINFORM", "GET_T#INFORMATION",
                      {{"POBJTYPE", 1}, {"POBJID", obj}, {"PID_PARENT", parent}});
    };

    const TRowSet top = items(w.g1, Null());
    ASSERT_EQ(top.Rows.size(), 2u);
    EXPECT_EQ(FieldsOf(top, person, "CHILD_CNT INFOTYPE ID_PARENT"), "1|4|null");
    EXPECT_EQ(FieldsOf(top, mail, "VALUE DESCRIPTION ACTIVE"),
              "harbour@example.org|desc harbour@example.org|1");
    EXPECT_TRUE(items(w.o2, -1).Rows.empty()) << "items belong to their object";
    EXPECT_EQ(Fields(items(w.g1, person), 0, "ID ID_PARENT"),
              QStringLiteral("%1|%2").arg(phone).arg(person));
    EXPECT_EQ(items(w.g1, person).Rows.size(), 1u);

    auto upd = [&](long long id, QVariant parent, const QString& value, int active) {
        return Inf("UPD_T#INFORMATION", InfoUpdate(w.g1, id, parent, value, active));
    };
    EXPECT_EQ(upd(person, person, "Self", 1), -1) << "own parent";
    EXPECT_EQ(upd(person, mobile, "Loop", 1), -1) << "parent inside its own subtree";
    EXPECT_EQ(upd(mail, phone, "mail@example.org", 0), mail);
    const TRowSet moved = items(w.g1, phone);
    EXPECT_EQ(moved.Rows.size(), 2u);
    EXPECT_EQ(FieldsOf(moved, mail, "VALUE ACTIVE"), "mail@example.org|0");
    EXPECT_EQ(Count("INFORMATION", "ID = :ID AND VALUE = :V", {{"ID", person}, {"V", "Ivanov"}}), 1)
        << "refused updates changed nothing";

    // An item goes with its whole subtree, also when a descendant is older than its
    // parent (the phone, moved under an item made after it).
    const long long fax = AddInfo(w.g1, person, 7, "+1 555 0111");
    EXPECT_EQ(upd(phone, fax, "+1 555 0100", 1), phone);
    auto del = [&](long long obj, long long id) {
        return Inf("DEL_T#INFORMATION", {{"POBJTYPE", 1}, {"POBJID", obj}, {"PID", id}});
    };
    EXPECT_EQ(del(w.o2, fax), -1) << "another object's item";
    EXPECT_EQ(Count("INFORMATION"), 5);
    EXPECT_EQ(del(w.g1, fax), 1);
    EXPECT_EQ(Count("INFORMATION", "ID = :ID", {{"ID", person}}), 1);
    EXPECT_EQ(Count("INFORMATION"), 1);
    EXPECT_EQ(del(w.g1, fax), -1) << "already gone";
}

// ---------------------------------------------------------------------------------------
// Errors as the error handler reads them

// Word for word, with the line feed at the end; a statement that fails keeps none of its
// rows, and the session goes on.
TEST_P(Conformance, ConstraintViolationsReadAsOracleErrors) {
    const World w = MakeWorld();
    FDb->Commit();
    const QString s = FSchema.toUpper();
    // A statement on a table, its %1.
    const auto on = [this](const char* table, const QString& statement, const Inputs& in = {}) {
        return [=, this] { FDb->Execute(statement.arg(T(table)), in); };
    };
    const QString parentKey =
        "ORA-02291: integrity constraint (%1.FK_LOCATION_%2) violated - "
        "parent key not found\n";
    const struct {
        std::function<void()> Act;
        QString Message;  // the whole message, or how it begins
    } cases[] = {
        {on("LOCATABBREV", "INSERT INTO %1 (SNAME, NAME) VALUES ('fresh', 'x'), (:S, 'Dup')",
            {{"S", "obl"}}),
         "ORA-00001: unique constraint (%1.UK_LOCATABBREV_SNAME) violated\n"},
        {[&] { AddLocation(987654, w.tR2, "Orphan"); }, parentKey.arg("%1", "PARENT")},
        {[&] { AddLocation(Null(), 987654, "Typeless"); }, parentKey.arg("%1", "LOCATTYPE")},
        {on("LOCATION", "INSERT INTO %1 (ID_PARENT, ID_LOCATTYPE, NAME) VALUES (987654, :T, 'x')",
            {{"T", w.tR2}}),
         parentKey.arg("%1", "PARENT")},
        {on("LOCATABBREV", "DELETE FROM %1 WHERE ID = :ID", {{"ID", w.aG}}),
         "ORA-02292: integrity constraint (%1.FK_LOCATTYPE_ABBREV) violated - child record "
         "found\n"},
        {on("LOCATTYPE", "UPDATE %1 SET LEVEL_NO = 99"),
         "ORA-02290: check constraint (%1.CK_LOCATTYPE_LEVEL) violated\n"},
        {[&] { AddInfo(w.g1, Null(), 8, "x"); },
         "ORA-02290: check constraint (%1.CK_INFORMATION_INFOTYPE) violated\n"},
        {on("NO_TABLE", "SELECT * FROM %1"), "ORA-00942: "},
    };
    for (const auto& c : cases) {
        const QString message = MessageOf(c.Act);
        EXPECT_TRUE(message.startsWith(c.Message.arg(s))) << message.toStdString();
    }
    EXPECT_EQ(Count("LOCATABBREV"), 4);
    EXPECT_EQ(Count("LOCATION"), 6);
    EXPECT_EQ(Count("LOCATTYPE", "LEVEL_NO = 99"), 0);
    FDb->Rollback();
    EXPECT_GE(AddAbbrev("fresh", "after the errors"), 1);
}

TEST_P(Conformance, ValuesAreStoredVerbatimAndNeverRunAsSql) {
    const QStringList hostile = {"o'clock",
                                 "x'); DELETE FROM LOCATABBREV; --",
                                 "a;b; DROP TABLE LOCATION",
                                 "/* c */ -- d :PNAME $1",
                                 "\"quoted\" \\ back",
                                 "Местоположение"};
    QList<long long> ids;
    for (const QString& name : hostile) ids << AddAbbrev(QString::number(ids.size()), name);
    EXPECT_EQ(Count("LOCATABBREV"), hostile.size());
    for (int i = 0; i < hostile.size(); ++i)
        EXPECT_EQ(Fields(LocCursor("GET_T#LOCATABBREV", {{"PID", ids[i]}}), 0, "NAME"), hostile[i]);
}

TEST_P(Conformance, SchemaNamesAndRoutinesAreCheckedBeforeTheEngine) {
    for (const QString& bad : QStringList{"x\"; drop table", "a.b", "1abc", QString(), "x y",
                                          FSchema + "\".x; DROP SCHEMA public; --"}) {
        EXPECT_EQ(CodeOf([&] { FDb->Describe(bad, "QXVERPLOCAT", "GET_MAX_LEVEL"); }),
                  OraCode::InvalidIdentifier)
            << bad.toStdString();
        EXPECT_EQ(CodeOf([&] { InstallServerSchema(*FDb, bad); }), OraCode::InvalidIdentifier)
            << bad.toStdString();
    }
    EXPECT_EQ(Loc("GET_MAX_LEVEL"), 0) << "the real schema is untouched";
    // Unquoted names in any letter case reach the same routine.
    EXPECT_EQ(FDb->Call(FDb->Describe(FSchema.toUpper(), "qxverplocat", "Get_Max_Level"), {})
                  .Value("RESULT"),
              0);
    // An unknown routine, package or schema is not declared.
    const std::vector<std::tuple<QString, QString, QString>> unknown = {
        {FSchema, "QXVERPLOCAT", "NO_SUCH_ROUTINE"},
        {FSchema, "NO_SUCH_PACKAGE", "GET_MAX_LEVEL"},
        {"qxv_not_installed", "QXVERPLOCAT", "GET_MAX_LEVEL"}};
    for (const auto& [schema, package, routine] : unknown) {
        const auto describe = [&] { FDb->Describe(schema, package, routine); };
        EXPECT_EQ(CodeOf(describe), OraCode::NoSuchRoutine);
        const QString message = MessageOf(describe);
        EXPECT_TRUE(message.startsWith("ORA-06550: ") && message.contains("must be declared"))
            << message.toStdString();
    }
}

// ---------------------------------------------------------------------------------------
// Translation, catalogue and report selection

TEST_P(Conformance, LangPackLanguagesAndTranslations) {
    auto languages = [&] {
        QStringList out;
        for (const char* r : {"GET_USER_APL_LANG_ID", "GET_USER_APL_LANG_SUB_ID",
                              "GET_USER_REP_LANG_ID", "GET_USER_REP_LANG_SUB_ID"})
            out << Call("LANG_PACK", r).Value("RESULT").toString();
        return out.join(u' ');
    };
    EXPECT_EQ(languages(), "25 0 25 0") << "a user without a row speaks Russian";
    FDb->Execute(QStringLiteral("INSERT INTO %1 (USER_NAME, APL_LANG_ID, APL_LANG_SUB_ID, "
                                "REP_LANG_ID, REP_LANG_SUB_ID) VALUES (:U, :A, :ASUB, :R, :RSUB)")
                     .arg(T("LANG_USER")),
                 {{"U", FDb->UserName().toUpper()}, {"A", 9}, {"ASUB", 1}, {"R", 10}, {"RSUB", 2}});
    EXPECT_EQ(languages(), "9 1 10 2");

    const QString insTrans =
        QStringLiteral("INSERT INTO %1 (PHRASE, LANG_ID, TRANSLATION) VALUES (:P, :L, :T)")
            .arg(T("LANG_TRANS_RU"));
    // Phrases of their own: the installer seeds the interface's phrases already.
    FDb->Execute(insTrans, {{"P", "Проверка связи"}, {"L", 9}, {"T", "Link check"}});
    FDb->Execute(insTrans, {{"P", "Проверка связи"}, {"L", 34}, {"T", "Перевірка зв'язку"}});
    FDb->Execute(insTrans, {{"P", "Proverka svjazi..."}, {"L", 9}, {"T", "Link check..."}});
    auto txt = [&](const char* routine, const QString& text) {
        return Call("LANG_PACK", routine, {{"PTEXT", text}}).Value("RESULT").toString();
    };
    EXPECT_EQ(txt("GET_RESOURCE_APL_TXT", "Проверка связи"), "Link check");
    EXPECT_EQ(txt("GET_RESOURCE_APL_EN_TXT", "Proverka svjazi..."), "Link check...");
    EXPECT_EQ(txt("GET_RESOURCE_APL_TXT", "Нет такой фразы"), "");
    EXPECT_EQ(txt("GET_RESOURCE_APL_EN_TXT", "Nothing"), "");

    for (int i = 0; i < 2; ++i)
        Call("LANG_PACK", "SAVE_RUSSIAN_PHRASE",
             {{"PTEXT", "Новая фраза"}, {"PID_DFM", 7}, {"PCOMMENT", ""}});
    EXPECT_EQ(Count("LANG_TRANS_RU", "PHRASE = :P", {{"P", "Новая фраза"}}), 1)
        << "a phrase is kept once";
}

TEST_P(Conformance, MultiLanguageSwitchAndCatalogue) {
    const auto multi = [&] {
        return FDb->PackageVariable(FSchema, "LANG_PACK", "GC_MULTI_LANG").toLongLong();
    };
    EXPECT_EQ(multi(), 1);
    FDb->Execute(QStringLiteral("UPDATE %1 SET VALUE = '0' WHERE NAME = 'GC_MULTI_LANG'")
                     .arg(T("LANG_SETTINGS")),
                 {});
    EXPECT_EQ(multi(), 0);
    EXPECT_THROW(FDb->PackageVariable(FSchema, "LANG_PACK", "NO_SUCH"), EOraError);

    const QString catalogue = QStringLiteral(
        " SELECT COUNT(1) AS QNT FROM ALL_OBJECTS T  WHERE T.OBJECT_TYPE = 'PACKAGE' AND "
        "T.OBJECT_NAME = 'LANG_PACK'   AND T.STATUS = 'VALID'   AND T.OWNER = UPPER(:OWNER)");
    for (const auto& [owner, count] : {std::pair{FSchema, "1"},
                                       {FSchema.toUpper(), "1"},
                                       {"qxv_not_installed", "0"},
                                       {FSchema + "' OR '1'='1", "0"}})
        EXPECT_EQ(Column(FDb->Query(catalogue, {{"OWNER", owner}}), "QNT"), count);
}

TEST_P(Conformance, ReportSelectionRowsComeAndGo) {
    const auto select = [&](const char* routine, const char* row) {
        Call("TEMP_SELECT_PACK", routine,
             {{"PGUID", "{A1B2}"}, {"PCOMPONENT", "oqLocations"}, {"PROWID", row}});
    };
    select("INS_ORDER_LINES_REPORT", "AAAB12");
    select("INS_ORDER_LINES_REPORT", "AAAB13");
    EXPECT_EQ(Count("TEMP_SELECT", "GUID_SERVICE = :G AND COMPONENT = :C",
                    {{"G", "{A1B2}"}, {"C", "oqLocations"}}),
              2);
    select("DEL_ORDER_LINES_REPORT", "AAAB12");
    EXPECT_EQ(Count("TEMP_SELECT", "ROW_ID = :R", {{"R", "AAAB12"}}), 0);
    EXPECT_EQ(Count("TEMP_SELECT", "ROW_ID = :R", {{"R", "AAAB13"}}), 1);
}

// ---------------------------------------------------------------------------------------
// Transactions

TEST_P(Conformance, EveryCallIsItsOwnUnitOfWorkUnlessATransactionIsOpen) {
    // A call or a statement is kept the moment it returns: another session sees it, a
    // rollback cannot undo it.
    const long long kept = AddAbbrev("kept", "Committed by the call");
    FDb->Execute(QStringLiteral("INSERT INTO %1 (SNAME, NAME) VALUES ('free', 'Free SQL')")
                     .arg(T("LOCATABBREV")),
                 {});
    auto other = OpenConnection(FConnectString);
    EXPECT_EQ(Count(*other, "LOCATABBREV"), 2);
    FDb->Rollback();
    EXPECT_EQ(Count("LOCATABBREV"), 2);

    // An explicit transaction spans calls until Commit or Rollback.
    FDb->StartTransaction();
    AddAbbrev("gone", "Rolled back");
    EXPECT_EQ(Count(*other, "LOCATABBREV"), 2);
    FDb->Rollback();
    EXPECT_EQ(Count("LOCATABBREV"), 2);
    FDb->StartTransaction();
    AddAbbrev("shown", "Committed");
    EXPECT_EQ(Count(*other, "LOCATABBREV"), 2);
    FDb->Commit();
    FDb->Commit();  // nothing open: harmless
    EXPECT_EQ(Count(*other, "LOCATABBREV"), 3);
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
    FDb = OpenConnection(FConnectString);
    const TRowSet all = LocCursor("GET_T#LOCATABBREV", {{"PID", -1}});
    EXPECT_EQ(all.Rows.size(), 4u);
    EXPECT_EQ(FieldsOf(all, kept, "SNAME"), "kept");
}

// Texts that CSV, JSON and array forms must carry through untouched.
const QStringList kBulkNames = {"",           " ",
                                "\\.",        "NULL",
                                "a,\"b\"\\c", "two\r\nlines\n",
                                "{x,\"y\"}",  "Ёлки-Палки 🏔"};

// A bulk insert lands every value as bound parameters would, joins the open transaction, keeps
// nothing of a batch the table refuses, and new places are numbered after it. Its places, codes
// and names get the words a change of one place makes again.
TEST_P(Conformance, BulkInsertKeepsValuesAsTheyAreAndFailsWhole) {
    const long long type = AddType(1, AddAbbrev("obl", "Oblast"));
    TBulkRows rows{FSchema, "LOCATION", {"ID", "ID_PARENT", "ID_LOCATTYPE", "NAME"}, "ID", {}};
    for (qsizetype i = 0; i < kBulkNames.size(); ++i)
        rows.Values.insert(rows.Values.end(), {1000 + i, Null(), type, kBulkNames[i]});
    FDb->StartTransaction();
    FDb->InsertRows(rows);
    FDb->InsertRows(
        {FSchema, "LOCATION_CODE", {"ID_LOCATION", "KIND", "CODE"}, {}, {1007, "OKTMO", "AB 45"}});
    FDb->InsertRows(
        {FSchema, "LOCATION_NAME", {"ID_LOCATION", "LANG", "NAME"}, {}, {1007, "EN", "Fir Hill"}});
    const QString sql = "SELECT * FROM " + T("LOCATION_WORD") + " ORDER BY 1, 2, 3, 4";
    const QString bulkWords = Column(FDb->Query(sql, {}), "ID_LOCATION LEVEL_NO WORD_KEY WHOLE");
    FDb->Execute("UPDATE " + T("LOCATION") + " SET NAME = NAME", {});
    EXPECT_EQ(Column(FDb->Query(sql, {}), "ID_LOCATION LEVEL_NO WORD_KEY WHOLE"), bulkWords);
    TBulkRows orphan = rows;
    orphan.Values = {2000, 999, type, "orphan", 2001, Null(), type, "kept with the orphan"};
    EXPECT_EQ(CodeOf([&] { FDb->InsertRows(orphan); }), OraCode::ParentKeyNotFound);
    FDb->Commit();

    const TRowSet back = FDb->Query(
        QStringLiteral("SELECT ID, ID_PARENT, NAME FROM %1 ORDER BY ID").arg(T("LOCATION")), {});
    ASSERT_EQ(back.Rows.size(), size_t(kBulkNames.size()));
    for (size_t i = 0; i < back.Rows.size(); ++i)
        EXPECT_EQ(Fields(back, i, "ID ID_PARENT NAME"),
                  QStringLiteral("%1|null|%2").arg(1000 + i).arg(kBulkNames[qsizetype(i)]));
    EXPECT_EQ(AddLocation(Null(), type, "after"), 1000 + kBulkNames.size());
    EXPECT_THROW(FDb->InsertRows({FSchema, "LOCATION", {"ID; DROP"}, {}, {1}}), EOraError);
}

// The engine's own CSV output where it has one: the rows in order as the contract words them,
// and a server failure or a sink that gives up in the middle leaves the session usable.
TEST_P(Conformance, CopyOutStreamsCsvOrSaysItCannot) {
    QByteArray csv;
    const auto into = [&](const char* data, qsizetype size) { csv.append(data, size); };
    const long long type = AddType(1, AddAbbrev("obl", "Oblast"));
    AddLocation(Null(), type, "a,\"b\"");
    const QString select =
        QStringLiteral("SELECT ID, ID_PARENT, NAME FROM %1 ORDER BY ID").arg(T("LOCATION"));
    if (!FDb->CopyOut(select, into)) {
        EXPECT_TRUE(IsSqlite()) << "the server engine writes CSV itself";
        EXPECT_TRUE(csv.isEmpty());
        return;
    }
    EXPECT_EQ(csv, "1,,\"a,\"\"b\"\"\"\n");

    // The server fails after thousands of rows have gone out.
    csv.clear();
    EXPECT_THROW(FDb->CopyOut("SELECT g, 1 / (60000 - g) FROM generate_series(1, 100000) g", into),
                 EOraError);
    EXPECT_GT(csv.size(), 0);
    struct TFull {};
    int pieces = 0;
    EXPECT_THROW(FDb->CopyOut("SELECT g FROM generate_series(1, 2000000) g",
                              [&](const char*, qsizetype) {
                                  ++pieces;
                                  throw TFull();
                              }),
                 TFull);
    EXPECT_EQ(pieces, 1);
    FDb->StartTransaction();
    EXPECT_THROW(FDb->CopyOut("SELECT 1 / 0", into), EOraError);
    EXPECT_EQ(AddLocation(Null(), type, "in the same transaction"), 2);
    FDb->Commit();
    EXPECT_EQ(Count("LOCATION"), 2);
}

// Where the engines used to answer differently, one answer: identifiers below 1 are "none",
// a text longer than its column is ORA-12899.
TEST_P(Conformance, EdgeInputsGetOneAnswerOnBothEngines) {
    const World w = MakeWorld();
    for (const QVariant& none : {QVariant(0), QVariant(-7), QVariant(-1), Null()}) {
        EXPECT_EQ(Children(none).Rows.size(), 2u) << "top level for " << none.toInt();
        EXPECT_EQ(LocCursor("GET_T#LOCATION", {{"PID", none}, {"PID_PARENT", w.o1}}).Rows.size(),
                  2u)
            << "children of o1 for PID " << none.toInt();
    }
    const long long top = AddLocation(0, w.tObl1, "Zero parent");
    ASSERT_GE(top, 1);
    EXPECT_EQ(ParentOf(top), -1);

    const QString longName(256, QLatin1Char('x'));
    const std::function<void()> tooLong[] = {
        [&] { AddAbbrev(QString(11, QLatin1Char('s')), "n"); },
        [&] { AddAbbrev("ok", longName); },
        [&] { AddLocation(-1, w.tObl1, longName); },
        [&] { UpdLocation(w.o2, -1, w.tObl1, longName); },
        [&] { AddInfo(w.g1, 0, 5, longName); },
    };
    for (const auto& act : tooLong) EXPECT_EQ(CodeOf(act), 12899);
    EXPECT_EQ(Count("LOCATABBREV"), 4) << "nothing of a refused call is kept";

    // A required identifier left out (NULL, 0 or below) is that routine's refusal, -1.
    const long long places = Count("LOCATION"), types = Count("LOCATTYPE");
    const std::function<long long()> missing[] = {
        [&] { return AddLocation(-1, Null(), "n"); },
        [&] { return AddLocation(-1, 0, "n"); },
        [&] { return UpdLocation(w.o2, -1, Null(), "n"); },
        [&] { return AddType(3, -1); },
        [&] { return AddType(3, Null()); },
        [&] {
            return Loc("UPD_T#LOCATTYPE",
                       {{"PID", w.tObl1}, {"PLEVEL#", 1}, {"PID_ABBREV", Null()}});
        },
        [&] { return Inf("INS_T#INFORMATION", InfoInputs(Null(), 0, 5, "v")); },
    };
    for (size_t i = 0; i < std::size(missing); ++i) {
        long long result = 0;
        EXPECT_EQ(CodeOf([&] { result = missing[i](); }), 0) << i;
        EXPECT_EQ(result, -1) << i;
    }
    EXPECT_EQ(Count("LOCATION"), places);
    EXPECT_EQ(Count("LOCATTYPE"), types);
}

// Two users drag two places (and two information items) under each other at the same moment:
// the lock taken inside the move lets exactly one through, whatever the interleaving.
TEST_P(Conformance, CrossingMovesFromTwoSessionsNeverCloseACycle) {
    const World w = MakeWorld();
    ASSERT_GE(AddType(3, w.aR), 1);  // either district can go below the other
    auto info = [&](long long id, QVariant parent) { return InfoUpdate(w.g1, id, parent, "v"); };
    const long long i1 = AddInfo(w.g1, Null(), 5, "v"), i2 = AddInfo(w.g1, Null(), 5, "v");
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
    auto a = OpenConnection(FConnectString);
    auto b = OpenConnection(FConnectString);
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

// Installing again, under the name in any letter case, keeps the rows, the seeded texts,
// the constraints and the numbering.
TEST_P(Conformance, InstallingTwiceKeepsData) {
    const long long a = AddAbbrev("obl", "Oblast");
    FDb->Commit();
    const long long texts = Count("ERROR_MESSAGES"), settings = Count("LANG_SETTINGS");
    EXPECT_GT(texts, 0);
    InstallServerSchema(*FDb, FSchema);
    InstallServerSchema(*FDb, FSchema.toUpper());
    FDb->Commit();
    EXPECT_EQ(Count("LOCATABBREV", "ID = :ID", {{"ID", a}}), 1);
    EXPECT_EQ(Count("ERROR_MESSAGES"), texts);
    EXPECT_EQ(Count("LANG_SETTINGS"), settings);
    EXPECT_EQ(AddAbbrev("obl", "Again"), -1) << "constraints survive a second install";
    EXPECT_GT(AddAbbrev("g", "Gorod"), a) << "the numbering goes on";
}

// A change sent with the version its caller read is refused once another change came in
// between, names who made that one and changes nothing, and says so when the row was deleted
// meanwhile; without a version it goes through.
TEST_P(Conformance, StaleVersionsAreRefusedWithTheLastChange) {
    const World w = MakeWorld();
    const long long item = AddInfo(w.s1, Null(), 1, "555"), spare = AddAbbrev("x", "Spare");
    const Inputs items{{"POBJTYPE", 1}, {"POBJID", w.s1}, {"PID_PARENT", Null()}};
    // `routine` changes row `id`, which `get` lists for `key`: without a version as before, with
    // an old one refused saying `changed`, with the current one done; once `del` deleted the
    // row (none for places), refused saying `deleted`.
    auto check = [&](const char* package, const char* routine, const Inputs& in, long long done,
                     const char* get, const Inputs& key, long long id, const char* changed,
                     const Inputs& del = {}, const char* deleted = nullptr) {
        SCOPED_TRACE(routine);
        auto call = [&](const QVariant& version) {
            Inputs with = in;
            if (version.isValid()) with.push_back({"PVERSION", version});
            return Call(package, routine, with).Value("RESULT").toLongLong();
        };
        auto read = [&] {
            return FieldsOf(Cursor(package, get, key), id, "VERSION CHANGED_BY CHANGED_AT");
        };
        const long long old = read().section(u'|', 0, 0).toLongLong();
        EXPECT_EQ(call(QVariant()), done);
        const QString now = read();
        const long long seq = Loc("GET_JOURNAL_SEQ");
        const QStringList by = now.split(u'|');
        EXPECT_GT(by[0].toLongLong(), old);
        EXPECT_EQ(CodeOf([&] { call(old); }), OraCode::ChangedByOther);
        EXPECT_EQ(MessageOf([&] { call(old); }).trimmed(),
                  QStringLiteral("ORA-20001: ") + QString::fromUtf8(changed).arg(by[1], by[2]));
        EXPECT_EQ(read(), now) << "nothing changed";
        EXPECT_EQ(Loc("GET_JOURNAL_SEQ"), seq) << "nor journaled";
        EXPECT_EQ(call(by[0].toLongLong()), done);
        if (!deleted) return;
        const QString gone = QString::fromLatin1(routine).replace("UPD_", "DEL_");
        ASSERT_EQ(Call(package, gone, del).Value("RESULT").toLongLong(), 1);
        EXPECT_EQ(MessageOf([&] { call(1); }).trimmed(),
                  QStringLiteral("ORA-20002: ") + QString::fromUtf8(deleted));
    };
    const Inputs place{{"PID", w.s1}, {"PID_PARENT", Null()}};
    const char* placeChanged = "Местоположение изменено пользователем %1 в %2";
    check("QXVERPLOCAT", "UPD_T#LOCATION",
          {{"PID", w.s1}, {"PID_PARENT", w.r1}, {"PID_LOCATTYPE", w.tS3}, {"PNAME", "Mine"}}, w.s1,
          "GET_T#LOCATION", place, w.s1, placeChanged);
    check("QXVERPLOCAT", "UPD_T#LOCATION_ID_PARENT", {{"PID", w.s1}, {"PID_PARENT", w.g1}}, 1,
          "GET_T#LOCATION", place, w.s1, placeChanged);
    check("QXVERPLOCAT", "UPD_T#LOCATABBREV", {{"PID", spare}, {"PSNAME", "y"}, {"PNAME", "S"}},
          spare, "GET_T#LOCATABBREV", {{"PID", spare}}, spare,
          "Сокращение изменено пользователем %1 в %2", {{"PID", spare}},
          "Сокращение удалено другим пользователем");
    check("QXVERPLOCAT", "UPD_T#LOCATTYPE", {{"PID", w.tS4}, {"PLEVEL#", 5}, {"PID_ABBREV", w.aS}},
          w.tS4, "GET_T#LOCATTYPE", {{"PID", w.tS4}}, w.tS4,
          "Уровень изменён пользователем %1 в %2", {{"PID", w.tS4}},
          "Уровень удалён другим пользователем");
    Inputs edit = items;
    edit.insert(edit.end(),
                {{"PID", item}, {"PVALUE", "556"}, {"PDESCRIPTION", ""}, {"PACTIVE", 1}});
    check("QXVERPINFORM", "UPD_T#INFORMATION", edit, item, "GET_T#INFORMATION", items, item,
          "Информация изменена пользователем %1 в %2", {items[0], items[1], {"PID", item}},
          "Информация удалена другим пользователем");
    EXPECT_EQ(Place(w.s1, "NAME ID_PARENT"), QStringLiteral("Mine|%1").arg(w.g1));
}

// Codes and names per language: each write is checked whole (a refusal keeps what was there),
// the reader's language names the places the windows get, and the search finds any name and
// an exact code.
TEST_P(Conformance, CodesAndNamesPerLanguageAreCheckedShownAndFound) {
    const World w = MakeWorld();
    const struct {
        const char* Routine;
        long long Place;
        const char* List;
        long long Result;     // when no error
        const char* Refusal;  // the ORA-20003 text, or nothing
    } steps[] = {
        {"SET_T#LOCATION_CODES", w.o1, "ISO3166_2\tRU-NOR\nPOSTAL\t101000\n", 1, nullptr},
        {"SET_T#LOCATION_CODES", w.o2, "ISO3166_2\tRU-NOR\n", 0,
         "Код принадлежит другому местоположению: ISO3166_2 RU-NOR, «North»"},
        {"SET_T#LOCATION_CODES", w.o2, "NOPE\tx\n", 0, "Неизвестный вид кода: NOPE"},
        {"SET_T#LOCATION_CODES", w.o2, "OKTMO\t \n", 0, "Пустой код: OKTMO"},
        {"SET_T#LOCATION_CODES", w.o2, "POSTAL\t101000\nOKTMO\t45000\n", 1, nullptr},
        {"SET_T#LOCATION_CODES", 99999, "POSTAL\t1\n", -1, nullptr},
        {"SET_T#LOCATION_NAMES", w.o1, "EN\tNord\nRU\tСевер\n", 1, nullptr},
        {"SET_T#LOCATION_NAMES", w.o2, "english\tSouth\n", 0, "Неизвестный язык имени: english"},
        {"SET_T#LOCATION_NAMES", w.o2, "EN\t \n", 0, "Пустое имя на языке: EN"},
    };
    for (const auto& step : steps) {
        const bool codes = QString(step.Routine).endsWith("CODES");
        long long result = 0;
        const QString message = MessageOf([&] {
            result =
                Loc(step.Routine, {{"PID", step.Place}, {codes ? "PCODES" : "PNAMES", step.List}});
        });
        if (step.Refusal) {
            EXPECT_TRUE(message.contains(QString::fromUtf8(step.Refusal))) << message.toStdString();
            EXPECT_TRUE(message.startsWith("ORA-20003")) << message.toStdString();
        } else {
            EXPECT_EQ(message, "") << message.toStdString();
            EXPECT_EQ(result, step.Result) << step.List;
        }
    }
    EXPECT_EQ(Column(LocCursor("GET_T#LOCATION_CODE", {{"PID", w.o1}}), "CODE"), "RU-NOR|101000");
    EXPECT_EQ(Column(LocCursor("GET_T#LOCATION_CODE", {{"PID", w.o2}}), "KIND"), "OKTMO|POSTAL");
    EXPECT_EQ(Column(LocCursor("GET_T#LOCATION_NAME", {{"PID", w.o1}}), "LANG NAME"),
              "EN|Nord|RU|Север");
    EXPECT_EQ(Column(LocCursor("GET_T#CODE_KIND", {}), "KIND"),
              "EXTERNAL|GEONAMES|ISO3166_1|ISO3166_2|OKATO|OKTMO|POSTAL");

    // A user without a language reads Russian; an English one English, its own name aside.
    EXPECT_EQ(Place(w.o1, "NAME OWN_NAME"), "Север|North");
    FDb->Execute(QStringLiteral("INSERT INTO %1 (USER_NAME, APL_LANG_ID) VALUES (:U, 9)")
                     .arg(T("LANG_USER")),
                 {{"U", FDb->UserName().toUpper()}});
    EXPECT_EQ(Place(w.o1, "NAME OWN_NAME"), "Nord|North");
    EXPECT_EQ(Column(Children(Null()), "NAME"), "Nord|South");
    // Any name finds a place, and an exact code; the count finds what the search finds.
    const std::tuple<const char*, long long, const char*> found[] = {
        {"nord", 1, "obl. Nord 0"},
        {"сев", 1, "obl. Nord 1"},
        {"RU-nor", 1, "obl. Nord 0"},
        {"101000", 2, "obl. Nord 0"},  // a code many places share
        {"mill", 1, "obl. Nord\\g. Harbour\\s. Mill 0"}};
    for (const auto& [text, count, first] : found) {
        const QStringList hits = Found(text, Null(), ". ");
        EXPECT_EQ(Loc("COUNT_T#LOCATION", {{"PTEXT", text}, {"PCAP", Null()}}), count) << text;
        EXPECT_EQ(hits.size(), count) << text;
        EXPECT_EQ(hits.value(0), QString::fromUtf8(first)) << text;
    }

    // The update replaces codes and names when it is given them and keeps them otherwise;
    // a deleted place takes its own along.
    EXPECT_EQ(Loc("UPD_T#LOCATION", {{"PID", w.o1},
                                     {"PID_PARENT", Null()},
                                     {"PID_LOCATTYPE", w.tObl1},
                                     {"PNAME", "North"},
                                     {"PCODES", "ISO3166_2\tRU-NO\n"}}),
              w.o1);
    EXPECT_EQ(Column(LocCursor("GET_T#LOCATION_CODE", {{"PID", w.o1}}), "CODE"), "RU-NO");
    EXPECT_EQ(Place(w.o1, "NAME"), "Nord");
    EXPECT_EQ(Loc("DEL_T#LOCATION", {{"PID", w.o2}}), 1);
    EXPECT_EQ(Count("LOCATION_CODE", "ID_LOCATION = :ID", {{"ID", w.o2}}), 0);
}

// ---------------------------------------------------------------------------------------
// The journal

// Each changing routine writes exactly its rows, inside its own call: the operation, the
// object, the place and parent it concerns and what changed; a refused call writes none.
TEST_P(Conformance, EveryChangeWritesItsJournalRows) {
    const World w = MakeWorld();
    long long item = 0, sub = 0, ab = 0, lv = 0;
    // Rows "OP KIND OBJID PLACE PARENT|changes", names standing for the ids they hold now.
    auto ids = [&] {
        return std::vector<std::pair<const char*, long long>>{
            {"item", item}, {"sub", sub},   {"ab", ab},     {"lv", lv},     {"o1", w.o1},
            {"o2", w.o2},   {"r1", w.r1},   {"s1", w.s1},   {"g1", w.g1},   {"s2", w.s2},
            {"tR2", w.tR2}, {"tG2", w.tG2}, {"tG3", w.tG3}, {"tS3", w.tS3}, {"tS4", w.tS4}};
    };
    const struct {
        const char* Name;
        std::function<void()> Call;
        QStringList Rows;
    } cases[] = {
        {"rename",
         [&] { UpdLocation(w.s1, w.r1, w.tS3, "Birchwood"); },
         {"EDIT PLACE s1 s1 r1|NAME: Birch -> Birchwood"}},
        {"edit under another parent",
         [&] { UpdLocation(w.s1, w.g1, w.tS3, "Birchwood"); },
         {"MOVE PLACE s1 s1 g1|ID_PARENT: r1 -> g1"}},
        {"move a level down, the subtree retyped",
         [&] { Move(w.g1, w.r1); },
         {"MOVE PLACE g1 g1 r1|ID_LOCATTYPE: tG2 -> tG3; ID_PARENT: o1 -> r1",
          "EDIT PLACE s1 s1 g1|ID_LOCATTYPE: tS3 -> tS4",
          "EDIT PLACE s2 s2 g1|ID_LOCATTYPE: tS3 -> tS4"}},
        {"names and codes",
         [&] {
             Loc("SET_T#LOCATION_NAMES", {{"PID", w.o1}, {"PNAMES", "EN\tNorth\n"}});
             Loc("SET_T#LOCATION_CODES", {{"PID", w.o2}, {"PCODES", "OKATO\t12\n"}});
         },
         {"EDIT PLACE o1 o1 null|NAMES:  -> EN\tNorth",
          "EDIT PLACE o2 o2 null|CODES:  -> OKATO\t12"}},
        {"add a place and delete it",
         [&] {
             Loc("DEL_T#LOCATION", {{"PID", sub = AddLocation(w.o2, w.tR2, "East")}});
         },
         {"ADD PLACE sub sub o2|ID_LOCATTYPE:  -> tR2; ID_PARENT:  -> o2; NAME:  -> East",
          "DELETE PLACE sub sub o2|ID_LOCATTYPE: tR2 -> ; ID_PARENT: o2 -> ; NAME: East -> "}},
        {"a wrong level and a cycle refused",
         [&] { EXPECT_EQ(AddLocation(w.o2, w.tS3, "Wrong") + Move(w.r1, w.s1), -2); },
         {}},
        {"add items",
         [&] { item = AddInfo(w.s1, Null(), 1, "5"), sub = AddInfo(w.s1, item, 2, "x"); },
         {"ADD ITEM item s1 null|ACTIVE:  -> 1; DESCRIPTION:  -> desc 5; INFOTYPE:  -> 1; "
          "OBJID:  -> s1; OBJTYPE:  -> 1; VALUE:  -> 5",
          "ADD ITEM sub s1 null|ACTIVE:  -> 1; DESCRIPTION:  -> desc x; ID_PARENT:  -> item; "
          "INFOTYPE:  -> 2; OBJID:  -> s1; OBJTYPE:  -> 1; VALUE:  -> x"}},
        {"edit an item",
         [&] { Inf("UPD_T#INFORMATION", InfoUpdate(w.s1, item, Null(), "6", 0)); },
         {"EDIT ITEM item s1 null|ACTIVE: 1 -> 0; DESCRIPTION: desc 5 -> changed; VALUE: 5 -> 6"}},
        {"delete it with the one below",
         [&] {
             Inf("DEL_T#INFORMATION", {{"POBJTYPE", 1}, {"POBJID", w.s1}, {"PID", item}});
         },
         {"DELETE ITEM item s1 null|ACTIVE: 0 -> ; DESCRIPTION: changed -> ; INFOTYPE: 1 -> ; "
          "OBJID: s1 -> ; OBJTYPE: 1 -> ; VALUE: 6 -> ",
          "DELETE ITEM sub s1 null|ACTIVE: 1 -> ; DESCRIPTION: desc x -> ; ID_PARENT: item -> ; "
          "INFOTYPE: 2 -> ; OBJID: s1 -> ; OBJTYPE: 1 -> ; VALUE: x -> "}},
        {"abbreviation, picture, edit",
         [&] {
             ab = AddAbbrev("pos", "Pos");
             Call("QXVERPLOCAT", "SET_T#LOCATABBREV_BMP",
                  {{"PID", ab}, {"PBMP16#16", QByteArray("BM"), TFieldType::Blob}});
             Loc("UPD_T#LOCATABBREV", {{"PID", ab}, {"PSNAME", "p"}, {"PNAME", "Pos"}});
         },
         {"ADD ABBREV ab null null|NAME:  -> Pos; SNAME:  -> pos",
          "EDIT ABBREV ab null null|BMP:  -> 424D", "EDIT ABBREV ab null null|SNAME: pos -> p"}},
        {"level added, edited",
         [&] {
             lv = AddType(5, ab);
             Loc("UPD_T#LOCATTYPE", {{"PID", lv}, {"PLEVEL#", 6}, {"PID_ABBREV", ab}});
         },
         {"ADD LEVEL lv null null|ID_ABBREV:  -> ab; LEVEL_NO:  -> 5",
          "EDIT LEVEL lv null null|LEVEL_NO: 5 -> 6"}},
        {"both deleted",
         [&] {
             Loc("DEL_T#LOCATTYPE", {{"PID", lv}}), Loc("DEL_T#LOCATABBREV", {{"PID", ab}});
         },
         {"DELETE LEVEL lv null null|ID_ABBREV: ab -> ; LEVEL_NO: 6 -> ",
          "DELETE ABBREV ab null null|BMP: 424D -> ; NAME: Pos -> ; SNAME: p -> "}},
    };
    const QString who = Place(w.s1, "CHANGED_BY");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const long long since = Loc("GET_JOURNAL_SEQ");
        c.Call();
        const TRowSet rs = LocCursor("GET_T#JOURNAL", {{"PSINCE", since}, {"PLIMIT", Null()}});
        QStringList got, expected;
        for (size_t i = 0; i < rs.Rows.size(); ++i) {
            got << Fields(rs, i, "OP KIND OBJID PLACE PARENT").replace(u'|', u' ') + u'|' +
                       JournalChangesText(Fields(rs, i, "BEFORE"), Fields(rs, i, "AFTER"));
            EXPECT_TRUE(Fields(rs, i, "WHO") == who && Fields(rs, i, "AT").size() == 19);
        }
        for (QString row : c.Rows) {
            for (const auto& [name, id] : ids())
                row.replace(QRegularExpression(QStringLiteral("\\b%1\\b").arg(name)),
                            QString::number(id));
            expected << row;
        }
        EXPECT_EQ(got, expected);
        EXPECT_EQ(Loc("GET_JOURNAL_SEQ"), since + qsizetype(got.size()));
    }
    // A place's own rows, or those of its subtree now (its items included), newest first.
    auto history = [&](long long place, int subtree) {
        return LocCursor("GET_T#JOURNAL_PLACE", {{"PID", place}, {"PSUBTREE", subtree}});
    };
    EXPECT_EQ(Column(history(w.g1, 0), "OP"), "MOVE|ADD");
    EXPECT_EQ(history(w.g1, 1).Rows.size(), 2u + 2 + 4 + 5) << "g1, s2, s1 and s1's items";
    EXPECT_EQ(LocCursor("GET_T#JOURNAL", {{"PSINCE", 0}, {"PLIMIT", 2}}).Rows.size(), 2u);
}

// Suggestions: the user's own places that match, exact names, then the rest a level at a
// time from the top, in word order; each place once; every change of a name, a code or a
// place shows at once.
TEST_P(Conformance, SuggestionsComeExactThenByLevelAndFollowChanges) {
    const World w = MakeWorld();
    const long long nizhny = AddLocation(w.o1, w.tG2, "Нижний Новгород");
    AddLocation(w.r1, w.tS3, "Новгородка");
    AddLocation(w.g1, w.tS3, "Новая Новь");
    const long long nov = AddLocation(w.r1, w.tS3, "Нов");
    const long long old = AddLocation(w.s1, w.tS4, "Старый Новгород");
    AddLocation(w.g1, w.tS3, "Ёлкино");
    Loc("SET_T#LOCATION_CODES", {{"PID", w.o2}, {"PCODES", "ISO3166_2\tRU-SOU\n"}});
    Loc("SET_T#LOCATION_NAMES", {{"PID", w.o1}, {"PNAMES", "EN\tNord\n"}});
    const auto suggested = [&](const QString& text, QVariant limit = Null(),
                               QVariant first = Null()) {
        return Column(LocCursor("SUGGEST_T#LOCATION", {{"PTEXT", text},
                                                       {"PLIMIT", limit},
                                                       {"PSEPARATOR", ". "},
                                                       {"PFIRST", first}}),
                      "PATH")
            .replace("obl. North\\", "~");
    };
    const QString nizhnyPath = "~g. Нижний Новгород", novayaPath = "~g. Harbour\\s. Новая Новь",
                  novPath = "~r-n. Lakeside\\s. Нов", gorodkaPath = "~r-n. Lakeside\\s. Новгородка",
                  oldPath = "~r-n. Lakeside\\s. Birch\\s. Старый Новгород";
    const struct {
        QString Text;
        QVariant Limit, First;
        QStringList Paths;
    } cases[] = {
        {"нов", Null(), Null(), {novPath, nizhnyPath, novayaPath, gorodkaPath, oldPath}},
        {" НОВ", 3, Null(), {novPath, nizhnyPath, novayaPath}},
        {"нов",
         Null(),
         QStringLiteral("%1, 999999,%2,x").arg(old).arg(w.o2),
         {oldPath, novPath, nizhnyPath, novayaPath, gorodkaPath}},
        {"нижний нов", Null(), Null(), {nizhnyPath}},
        {"новгород", Null(), Null(), {nizhnyPath, gorodkaPath, oldPath}},
        {"ёлк", Null(), Null(), {"~g. Harbour\\s. Ёлкино"}},
        {"ru-so", Null(), Null(), {"obl. South"}},
        {"nord", Null(), Null(), {"obl. North"}},
        {"  ", Null(), Null(), {}},
        {"nowhere", Null(), Null(), {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(suggested(c.Text, c.Limit, c.First), c.Paths.join(u'|')) << c.Text.toStdString();

    UpdLocation(w.s2, w.g1, w.tS3, "Новь");
    Loc("DEL_T#LOCATION", {{"PID", nov}});
    Loc("UPD_T#LOCATION",
        {{"PID", nizhny}, {"PID_PARENT", w.o1}, {"PID_LOCATTYPE", w.tG2}, {"PNAME", "Нижний"}});
    Loc("SET_T#LOCATION_CODES", {{"PID", w.o2}, {"PCODES", ""}});
    const std::pair<QString, QStringList> after[] = {
        {"mill", {}},
        {"новь", {"~g. Harbour\\s. Новь", novayaPath}},
        {"нов", {novayaPath, gorodkaPath, "~g. Harbour\\s. Новь", oldPath}},
        {"ru-so", {}},
    };
    for (const auto& [text, paths] : after)
        EXPECT_EQ(suggested(text), paths.join(u'|')) << text.toStdString();
}

// A user's own places, namesakes, merge

TEST_P(Conformance, ChosenAndStarredPlacesAreKeptPerUser) {
    const World w = MakeWorld();
    std::vector<long long> towns;
    for (int i = 0; i < 22; ++i)
        towns.push_back(AddLocation(w.o2, w.tG2, QStringLiteral("Town %1").arg(i, 2, 10, QLatin1Char('0'))));
    const auto choose = [&](long long id) { return Loc("SAVE_CHOSEN_PLACE", {{"PID", id}}); };
    const auto star = [&](long long id, int on) {
        return Loc("SET_PLACE_STAR", {{"PID", id}, {"PSTARRED", on}});
    };
    const auto listed = [&](IDbConnection& db) {
        return Column(db.Call(db.Describe(FSchema, "QXVERPLOCAT", "GET_USER_PLACES"), {})
                          .Cursor.value_or(TRowSet{}),
                      "NAME STARRED");
    };
    const auto recent = [](std::initializer_list<int> order) {
        QStringList out;
        for (int i : order) out << QStringLiteral("Town %1|0").arg(i, 2, 10, QLatin1Char('0'));
        return out.join(u'|');
    };
    EXPECT_EQ(star(w.s1, 1) + star(w.o1, 1), 2);
    for (long long town : towns) EXPECT_EQ(choose(town), 1);
    EXPECT_EQ(listed(*FDb), "Birch|1|North|1|" + recent({21, 20, 19, 18, 17, 16, 15, 14, 13, 12,
                                                          11, 10, 9, 8, 7, 6, 5, 4, 3, 2}))
        << "starred by name, then the last twenty chosen";
    EXPECT_EQ(choose(towns[5]) + choose(w.o1), 2);
    EXPECT_EQ(Loc("DEL_T#LOCATION", {{"PID", towns[21]}}), 1);
    EXPECT_EQ(star(w.s1, 0), 1);
    EXPECT_EQ(choose(99999) + star(99999, 1), -2) << "no such place";
    const QString mine = "North|1|" + recent({5, 20, 19, 18, 17, 16, 15, 14, 13, 12, 11, 10, 9, 8,
                                              7, 6, 4, 3});
    EXPECT_EQ(listed(*FDb), mine) << "a deleted place and an unstarred one drop out";
    const QString otherUser = ConnectStringOfNewUser(*FDb, "qxvother", UserRights::Reader);
    FDb->Commit();

    const auto other = OpenConnection(otherUser);
    EXPECT_EQ(listed(*other), "");
    other->Call(other->Describe(FSchema, "QXVERPLOCAT", "SET_PLACE_STAR"),
                {{"PID", w.s2}, {"PSTARRED", 1}});
    other->Commit();
    EXPECT_EQ(listed(*OpenConnection(otherUser)), "Mill|1");
    EXPECT_EQ(listed(*OpenConnection(FConnectString)), mine) << "kept over a new session";
    DropRole(*FDb, otherUser);
    FDb->Commit();
}

TEST_P(Conformance, NamesakesAreSiblingsOfTheSameFoldedName) {
    const World w = MakeWorld();
    const long long yolk = AddLocation(w.o2, w.tG2, "Ёлкино  Новое");
    const long long harbour = AddLocation(w.o2, w.tG2, "HARBOUR");
    const struct {
        QVariant Parent;
        QVariant Name;  // none: the name of the excepted place (a move)
        QVariant Except;
        const char* Found;
    } cases[] = {
        {w.o2, " ЕЛКИНО новое ", Null(), "Ёлкино  Новое"},
        {w.o2, "елкино новое", yolk, ""},
        {w.o2, "Елкино", Null(), ""},
        {w.o1, "елкино новое", Null(), ""},
        {w.o1, "harbour", Null(), "Harbour"},
        {Null(), "NORTH", Null(), "North"},
        {-1, "south", w.o2, ""},
        {w.o1, Null(), harbour, "Harbour"},
        {w.o2, Null(), harbour, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Column(LocCursor("GET_PLACE_NAMESAKES",
                                   {{"PID_PARENT", c.Parent}, {"PNAME", c.Name}, {"PID", c.Except}}),
                         "NAME"),
                  c.Found)
            << c.Name.toString().toStdString();
}

TEST_P(Conformance, MergeMovesWhatThePlaceHasAndLeavesItsIdAsARedirect) {
    const World w = MakeWorld();
    const struct {
        long long Id, Target;
        const char* Refusal;
    } refused[] = {
        {w.g1, w.g1, "с самим собой"},
        {w.o1, w.r1, "с подчинённым ему"},
        {w.r1, w.s2, "одного уровня"},
        {99999, w.o2, nullptr},
    };
    for (const auto& c : refused) {
        long long result = 0;
        const QString message = MessageOf(
            [&] { result = Loc("MERGE_T#LOCATION", {{"PID", c.Id}, {"PID_TARGET", c.Target}}); });
        if (c.Refusal)
            EXPECT_TRUE(message.startsWith("ORA-20004") && message.contains(c.Refusal))
                << message.toStdString();
        else
            EXPECT_EQ(result, -1);
    }
    const long long item = AddInfo(w.o1, Null(), 5, "note");
    EXPECT_EQ(Loc("SET_T#LOCATION_CODES", {{"PID", w.o1}, {"PCODES", "OKTMO\t45\n"}}), 1);
    EXPECT_EQ(Loc("SET_T#LOCATION_NAMES", {{"PID", w.o1}, {"PNAMES", "EN\tNord\nRU\tСевер\n"}}), 1);
    EXPECT_EQ(Loc("SET_T#LOCATION_NAMES", {{"PID", w.o2}, {"PNAMES", "RU\tЮг\n"}}), 1);
    EXPECT_EQ(Loc("SET_PLACE_STAR", {{"PID", w.o1}, {"PSTARRED", 1}}), 1);

    const long long seq = Loc("GET_JOURNAL_SEQ");
    EXPECT_EQ(Loc("MERGE_T#LOCATION", {{"PID", w.o1}, {"PID_TARGET", w.o2}}), 1);
    EXPECT_EQ(Column(LocCursor("GET_T#JOURNAL", {{"PSINCE", seq}, {"PLIMIT", Null()}}),
                     "OP KIND OBJID"),
              QStringLiteral("EDIT|ITEM|%1|MOVE|PLACE|%2|MOVE|PLACE|%3|EDIT|PLACE|%4|DELETE|PLACE|%5")
                  .arg(item)
                  .arg(w.r1)
                  .arg(w.g1)
                  .arg(w.o2)
                  .arg(w.o1));
    EXPECT_EQ(Column(Children(w.o2), "NAME"), "Harbour|Lakeside");
    EXPECT_EQ(Place(w.o1, "ID NAME"), QStringLiteral("%1|Юг").arg(w.o2)) << "the old id reads";
    EXPECT_EQ(Column(LocCursor("GET_T#LOCATION_CODE", {{"PID", w.o2}}), "CODE"), "45");
    EXPECT_EQ(Column(LocCursor("GET_T#LOCATION_NAME", {{"PID", w.o1}}), "LANG NAME"), "EN|Nord|RU|Юг");
    EXPECT_EQ(Column(Cursor("QXVERPINFORM", "GET_T#INFORMATION",
                            {{"POBJTYPE", 1}, {"POBJID", w.o1}, {"PID_PARENT", Null()}}),
                     "ID"),
              QString::number(item));
    EXPECT_EQ(Column(LocCursor("GET_USER_PLACES", {}), "ID STARRED"), QStringLiteral("%1|1").arg(w.o2));
    const long long under = AddLocation(w.o1, w.tR2, "New");
    EXPECT_EQ(ParentOf(under), w.o2) << "a new place under the old id";

    // Merged again: both old ids and both old names lead to the last survivor.
    const long long west = AddLocation(Null(), w.tObl1, "West");
    EXPECT_EQ(Loc("MERGE_T#LOCATION", {{"PID", w.o2}, {"PID_TARGET", west}}), 1);
    for (long long old : {w.o1, w.o2}) EXPECT_EQ(Place(old, "ID").toLongLong(), west);
    for (const char* routine : {"SUGGEST_T#LOCATION", "FIND_T#LOCATION"})
        for (const char* name : {"north", "south"})
            EXPECT_EQ(Column(LocCursor(routine, {{"PTEXT", name}}), "ID"), QString::number(west));
    EXPECT_EQ(MessageOf([&] { Loc("MERGE_T#LOCATION", {{"PID", w.o1}, {"PID_TARGET", west}}); })
                  .contains("с самим собой"),
              true);
}

QXV_ON_BOTH_ENGINES(Conformance);

}  // namespace
