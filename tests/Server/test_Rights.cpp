// The rights the server keeps: every changing routine refuses a user without its right with
// ORA-01031 and changes nothing, and works with that right alone; on both engines.

#include <QUrl>

#include <gtest/gtest.h>

#include "Platform/Data/UserRights.h"
#include "Server/InstalledSchema.h"
#include "Tools/QxvdbEngine.h"
#include "support/OraErrorOf.h"

namespace {

const QString Locat = QStringLiteral("QXVERPLOCAT");
const QString Inform = QStringLiteral("QXVERPINFORM");
const QString Users = QStringLiteral("QXVERPUSER");

class Rights : public InstalledSchemaTest {
protected:
    void SetUp() override {
        EngineSchemaTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        if (IsSqlite()) FConnectString += QStringLiteral("?user=CLERK");
        Install();  // its installer administers it
    }
    // The session's own user keeps administering users whatever rights it is given.
    void SetOwnRights(const QString& rights) {
        ASSERT_EQ(Result(Users, QStringLiteral("UPD_T#USER"),
                         {{"PNAME", FDb->UserName()}, {"PRIGHTS", rights}}),
                  1);
    }
    QString Snapshot() {
        QString all;
        for (const char* table : {"LOCATION", "LOCATTYPE", "LOCATABBREV", "INFORMATION",
                                  "LOCATION_CODE", "LOCATION_NAME", "JOURNAL"}) {
            const TRowSet rows =
                FDb->Query(QStringLiteral("SELECT * FROM %1 ORDER BY 1, 2").arg(T(QLatin1String(table))), {});
            for (const auto& row : rows.Rows)
                for (const QVariant& v : row) all += v.toString() + QLatin1Char('|');
            all += QLatin1Char('\n');
        }
        return all;
    }
};

TEST_P(Rights, EveryChangingRoutineNeedsItsRight) {
    const long long aObl = AddAbbrev("обл.", "область"), aR = AddAbbrev("р-н", "район");
    const long long aFree = AddAbbrev("х.", "хутор");
    const long long t1 = AddType(1, aObl), t2 = AddType(2, aR), tFree = AddType(3, aR);
    const long long north = AddLocation(-1, t1, "Северная"), south = AddLocation(-1, t1, "Южная");
    const long long lake = AddLocation(north, t2, "Озёрный"),
                    leaf = AddLocation(south, t2, "Лесной");
    const long long west = AddLocation(-1, t1, "Западная"), east = AddLocation(-1, t1, "Восточная");
    // An information item of a place, under no other, with the fields given.
    auto itemOf = [](long long place, std::vector<TBoundValue> in) {
        in.insert(in.end(), {{"POBJTYPE", 1},
                             {"POBJID", place},
                             {"PID_PARENT", -1},
                             {"PDESCRIPTION", ""},
                             {"PACTIVE", 1}});
        return in;
    };
    const long long note = AddInfo(north, -1, 5, "заметка"), gone = AddInfo(north, -1, 5, "лишнее");
    const QByteArray bmp(64, 'x');

    struct TCase {
        const QString& Package;
        const char* Routine;
        std::vector<int> AnyOf;  // the first alone is enough
        std::vector<TBoundValue> In;
        int AlsoNeeded = 0;  // a right needed besides, kept in both runs
    };
    const std::vector<TCase> cases = {
        {Locat,
         "INS_T#LOCATION",
         {2},
         {{"PID_PARENT", north}, {"PID_LOCATTYPE", t2}, {"PNAME", "Новый"}}},
        {Locat,
         "UPD_T#LOCATION",
         {3},
         {{"PID", lake}, {"PID_PARENT", north}, {"PID_LOCATTYPE", t2}, {"PNAME", "Озёрный!"}}},
        {Locat, "UPD_T#LOCATION_ID_PARENT", {3}, {{"PID", lake}, {"PID_PARENT", south}}},
        {Locat, "DEL_T#LOCATION", {4}, {{"PID", leaf}}},
        {Locat, "SET_T#LOCATION_CODES", {3}, {{"PID", lake}, {"PCODES", "OKTMO\t1\n"}}},
        {Locat, "MERGE_T#LOCATION", {3}, {{"PID", west}, {"PID_TARGET", east}}, 4},
        {Locat, "MERGE_T#LOCATION", {4}, {{"PID", north}, {"PID_TARGET", east}}, 3},
        {Locat, "SET_T#LOCATION_NAMES", {3}, {{"PID", lake}, {"PNAMES", "EN\tLake\n"}}},
        {Locat, "INS_T#LOCATTYPE", {10}, {{"PLEVEL#", 4}, {"PID_ABBREV", aR}}},
        {Locat, "UPD_T#LOCATTYPE", {11}, {{"PID", tFree}, {"PLEVEL#", 5}, {"PID_ABBREV", aR}}},
        {Locat, "DEL_T#LOCATTYPE", {12}, {{"PID", tFree}}},
        {Locat, "INS_T#LOCATABBREV", {6}, {{"PSNAME", "д."}, {"PNAME", "деревня"}}},
        {Locat, "UPD_T#LOCATABBREV", {7}, {{"PID", aR}, {"PSNAME", "р-н"}, {"PNAME", "район!"}}},
        {Locat,
         "SET_T#LOCATABBREV_BMP",
         {6, 7},
         {{"PID", aR}, {"PBMP16#16", bmp, TFieldType::Blob}}},
        {Locat, "DEL_T#LOCATABBREV", {8}, {{"PID", aFree}}},
        {Inform, "INS_T#INFORMATION", {3}, itemOf(south, {{"PINFOTYPE", 1}, {"PVALUE", "a@b.c"}})},
        {Inform, "UPD_T#INFORMATION", {3}, itemOf(north, {{"PID", note}, {"PVALUE", "заметка!"}})},
        {Inform,
         "DEL_T#INFORMATION",
         {4, 3, 2},
         {{"POBJTYPE", 1}, {"POBJID", north}, {"PID", gone}}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Routine);
        QString without(UserRights::Count, u'1');
        for (int code : c.AnyOf) without[code - 1] = u'0';
        SetOwnRights(without);
        const QString before = Snapshot();
        try {
            Result(c.Package, QString::fromLatin1(c.Routine), c.In);
            ADD_FAILURE() << "not refused";
        } catch (const EOraError& e) {
            EXPECT_EQ(e.ErrorCode(), UserRights::Refused);
            EXPECT_TRUE(
                e.Message().contains(QStringLiteral("Недостаточно прав: ") +
                                     QString::fromUtf8(UserRights::Names[c.AnyOf.front() - 1])))
                << e.Message().toStdString();
        }
        FDb->Commit();
        EXPECT_EQ(Snapshot(), before);

        QString only(UserRights::Count, u'0');
        only[c.AnyOf.front() - 1] = u'1';
        if (c.AlsoNeeded) only[c.AlsoNeeded - 1] = u'1';
        SetOwnRights(only);
        const TRoutineDesc routine =
            FDb->Describe(FSchema, c.Package, QString::fromLatin1(c.Routine));
        const TCallResult done = FDb->Call(routine, c.In);
        if (routine.Params.front().Direction == TParamDirection::Result) {
            EXPECT_GE(done.Value(QStringLiteral("RESULT")).toLongLong(), 1);
        }
        FDb->Commit();
        EXPECT_NE(Snapshot(), before);
    }
}

// `qxvdb user`: the roles' rights as the session sees them, the language, and a user who is
// not an administrator refused.
TEST_P(Rights, QxvdbUserKeepsRolesAndOnlyAdministratorsChangeThem) {
    auto run = [&](const QStringList& args) {
        const TRun r = RunTool(QStringList{"user"} + args +
                               QStringList{"--db", FConnectString, "--schema", FSchema});
        return std::make_pair(r.Code, r.Out + r.Err);
    };
    EXPECT_EQ(run({"add", "ann", "--role", "editor", "--lang", "en"}).first, QxvdbExit::Ok);
    EXPECT_EQ(run({"add", "ann"}).first, QxvdbExit::DataError);  // already there
    EXPECT_EQ(run({"set", "bob", "--role", "admin"}).first, QxvdbExit::DataError);
    EXPECT_EQ(run({"add", "ann", "--rights", "10"}).first, QxvdbExit::Usage);
    const QString list = run({"list"}).second;
    EXPECT_TRUE(list.contains(QStringLiteral("ANN\t1") + UserRights::Editor + "\tno\ten"))
        << list.toStdString();
    // A user the table lacks takes a language alone, as a reader.
    EXPECT_EQ(run({"set", "reader", "--lang", "en"}).first, QxvdbExit::Ok);
    EXPECT_TRUE(run({"list"}).second.contains("READER\t1100010001000\tno\ten"));

    // The session's own user given an editor's rights without the administrator flag.
    EXPECT_EQ(run({"set", FDb->UserName(), "--role", "editor"}).first, QxvdbExit::Ok);
    EXPECT_EQ(UserRights::Fetch(*FDb, FSchema), QStringLiteral("111110001000"));
    const auto refused = run({"remove", "ann"});
    EXPECT_EQ(refused.first, QxvdbExit::DatabaseError);
    EXPECT_TRUE(refused.second.contains(QStringLiteral("Недостаточно прав")))
        << refused.second.toStdString();
    EXPECT_EQ(UserRights::AccessString(UserRights::Fetch(*FDb, FSchema), "1011111111111"),
              QStringLiteral("1011110001000"));  // the console's --rights only takes away
}

// PostgreSQL as the boundary, with real login roles: a reader and an editor write no table
// directly; the reader's changes through the routines are refused, its reading and searching
// work; the editor's changes go through; every changing routine runs as the owner with its
// search path pinned; neither reaches the tables or routines of a schema it is no user of.
// Roles are PostgreSQL's: this suite runs on that engine alone.
class PostgresRoles : public Rights {};

TEST_P(PostgresRoles, WriteOnlyThroughTheRoutines) {
    const QString readerDsn = ConnectStringOfNewUser(*FDb, "qxvreader", UserRights::Reader);
    const QString editorDsn = ConnectStringOfNewUser(*FDb, "qxveditor", UserRights::Editor);
    const QString reader = QUrl(readerDsn).userName(), editor = QUrl(editorDsn).userName();
    const long long type = AddType(1, AddAbbrev("обл.", "область"));
    const long long place = AddLocation(-1, type, "Озёрная");
    const QString other = QStringLiteral("qxvother_") + FSchema;  // whose users they are not
    InstallServerSchema(*FDb, other);
    FDb->Commit();

    const QString s = QStringLiteral("\"%1\".").arg(FSchema.toLower());
    const QStringList writes = {
        QStringLiteral("INSERT INTO %1location (id_locattype, name) VALUES (%2, 'x')")
            .arg(s)
            .arg(type),
        QStringLiteral("UPDATE %1location SET id_parent = id").arg(s),
        QStringLiteral("DELETE FROM %1location").arg(s),
        QStringLiteral("UPDATE %1user_rights SET is_admin = 1").arg(s)};
    auto refused = [](const std::function<void()>& action) {
        return CodeOf(action) == UserRights::Refused;
    };
    for (const QString& role : {reader, editor}) {
        SCOPED_TRACE(role.toStdString());
        const auto db = OpenConnection(role == reader ? readerDsn : editorDsn);
        for (const QString& sql : writes + QStringList{"SELECT * FROM \"" + other + "\".location",
                                                       "DELETE FROM \"" + other + "\".location"}) {
            EXPECT_TRUE(refused([&] { db->Execute(sql, {}); })) << sql.toStdString();
            db->Rollback();
        }
        EXPECT_TRUE(refused([&] {
            db->Call(db->Describe(other, Locat, QStringLiteral("DEL_T#LOCATABBREV")), {{"PID", 1}});
        })) << "another schema's routine";
        db->Rollback();
        auto call = [&](const QString& package, const char* routine,
                        const std::vector<TBoundValue>& in) {
            return db->Call(db->Describe(FSchema, package, QString::fromLatin1(routine)), in);
        };
        EXPECT_EQ(call(Locat, "GET_T#LOCATION", {{"PID", place}}).Cursor->Rows.size(), 1u);
        EXPECT_EQ(call(Locat, "FILL_T#LOCATION_HITS", {{"PGUID", role}, {"PTEXT", "озёр"}})
                      .Value(QStringLiteral("RESULT"))
                      .toInt(),
                  1);
        EXPECT_EQ(db->Query("SELECT NAME FROM SEARCH_HITS", {}).Rows.size(), 1u);
        const bool mayEdit = role == editor;
        EXPECT_EQ(
            refused([&] {
                call(
                    Locat, "UPD_T#LOCATION",
                    {{"PID", place}, {"PID_PARENT", -1}, {"PID_LOCATTYPE", type}, {"PNAME", role}});
            }),
            !mayEdit);
        db->Commit();
    }
    const TRowSet loose = FDb->Query(
        QStringLiteral("SELECT p.proname FROM pg_proc p WHERE p.pronamespace = (SELECT oid FROM "
                       "pg_namespace WHERE nspname = :S) "
                       "AND p.proname ~ '\\.(INS|UPD|DEL|SET)_' AND p.proname !~ '_HITS$' "
                       "AND NOT (p.prosecdef AND "
                       "array_to_string(p.proconfig, ',') LIKE '%search_path=%')"),
        {{"S", FSchema.toLower()}});
    EXPECT_EQ(loose.Rows.size(), 0u)
        << "changing routines without SECURITY DEFINER and search_path";
    FDb->Execute(QStringLiteral("DROP SCHEMA \"%1\" CASCADE").arg(other), {});
    for (const QString& dsn : {readerDsn, editorDsn}) DropRole(*FDb, dsn);
    FDb->Commit();
}

QXV_ON_BOTH_ENGINES(Rights);
INSTANTIATE_TEST_SUITE_P(Engine, PostgresRoles, ::testing::Values(QStringLiteral("postgresql")),
                         EngineSchemaTest::EngineName);

}  // namespace
