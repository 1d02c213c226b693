// The components against each engine with the real server routines: the road every
// form takes, from a query's call block to the rows of a cursor. PostgreSQL runs when
// QXV_PG_DSN names a server (and must, in CI).

#include "Platform/Data/EOraError.h"
#include "Platform/Data/OraQuery.h"
#include "Platform/Data/OraStoredProc.h"
#include "Server/ServerInstall.h"
#include "support/EngineSchema.h"

namespace {

class DataOnEngines : public EngineSchemaTest {
protected:
    void SetUp() override {
        EngineSchemaTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        session.SetConnectString(FConnectString);
        session.Connect();
        InstallServerSchema(session.Connection(), schema);
        session.Commit();
    }
    void TearDown() override {
        if (session.Connected()) DropSchema(session.Connection());
    }

    // "begin :RESULT := &shema.PACKAGE.ROUTINE(:A, :B); end;" as the forms hold it.
    void Block(TOraQuery& q, const QString& routine, const QStringList& args) {
        QStringList refs;
        for (const QString& a : args) refs << ":" + a;
        q.SetSession(&session);
        q.SetSQL({"begin",
                  ":RESULT := &shema.QXVERPLOCAT." + routine + "(" + refs.join(", ") + ");",
                  "end;"});
        q.MacroByName("shema").SetValue(schema);
    }

    int AddType(const QString& sname, int level) {
        TOraQuery abbrev;
        Block(abbrev, "INS_T#LOCATABBREV", {"PSNAME", "PNAME"});
        abbrev.ParamByName("PSNAME").SetAsString(sname);
        abbrev.ParamByName("PNAME").SetAsString(sname + " long");
        abbrev.ExecSQL();
        TOraQuery type;
        Block(type, "INS_T#LOCATTYPE", {"PLEVEL#", "PID_ABBREV"});
        type.ParamByName("PLEVEL#").SetAsInteger(level);
        type.ParamByName("PID_ABBREV").SetAsInteger(abbrev.ParamByName("RESULT").AsInteger());
        type.ExecSQL();
        return type.ParamByName("RESULT").AsInteger();
    }

    TOraSession session;
    const QString& schema = FSchema;
};

}  // namespace

TEST_P(DataOnEngines, InsertThroughABlockAndReadBackThroughACursor) {
    const int region = AddType("reg.", 1);
    ASSERT_GE(region, 1);

    TOraQuery add;
    add.setObjectName("oqAddObject");
    Block(add, "INS_T#LOCATION", {"PID_PARENT", "PID_LOCATTYPE", "PNAME"});
    const QStringList names = {"Tver", "O'Hara'); DELETE FROM LOCATION; --", "Pskov"};
    for (const QString& name : names) {
        add.ParamByName("PID_PARENT").SetAsInteger(-1);
        add.ParamByName("PID_LOCATTYPE").SetAsInteger(region);
        add.ParamByName("PNAME").SetAsString(name);
        add.ExecSQL();
        EXPECT_GE(add.ParamByName("RESULT").AsInteger(), 1);
    }

    TOraStoredProc tree;
    tree.setObjectName("ospObjectsTree");
    tree.SetSession(&session);
    tree.SetStoredProcName(schema + ".QXVERPLOCAT.GET_T#LOCATION");
    tree.ParamByName("PID").SetAsInteger(-1);
    tree.ParamByName("PID_PARENT").Clear();
    tree.Open();
    EXPECT_EQ(tree.RecordCount(), 3);
    EXPECT_TRUE(tree.FindField("LEVEL#"));
    EXPECT_TRUE(tree.FindField("ABBREV_SNAME"));
    ASSERT_TRUE(
        tree.Locate("NAME", "o'hara", TLocateOption::CaseInsensitive | TLocateOption::PartialKey));
    EXPECT_EQ(tree.FieldByName("NAME").AsString(), names[1]);  // stored as it was typed
    EXPECT_EQ(tree.FieldByName("ABBREV_SNAME").AsString(), "reg.");
    EXPECT_EQ(tree.FieldByName("LEVEL#").AsInteger(), 1);

    // Delete one and refresh: the data set follows the server.
    TOraQuery del;
    Block(del, "DEL_T#LOCATION", {"PID"});
    del.ParamByName("PID").SetAsInteger(tree.FieldByName("ID").AsInteger());
    del.ExecSQL();
    EXPECT_EQ(del.ParamByName("RESULT").AsInteger(), 1);
    tree.Refresh();
    EXPECT_EQ(tree.RecordCount(), 2);
    EXPECT_FALSE(tree.Locate("NAME", names[1]));
}

// Filters compare UPPER of both sides: every letter must fold, as on the server engine.
TEST_P(DataOnEngines, UpperAndLowerFoldEveryLetter) {
    TOraQuery q;
    q.SetSession(&session);
    q.SetSQLText("SELECT UPPER(:T) AS U, LOWER(:T) AS L, UPPER(NULL) AS N");
    q.ParamByName("T").SetAsString(QString::fromUtf8("Ёлка öl Tver"));
    q.Open();
    EXPECT_EQ(q.FieldByName("U").AsString(), QString::fromUtf8("ЁЛКА ÖL TVER"));
    EXPECT_EQ(q.FieldByName("L").AsString(), QString::fromUtf8("ёлка öl tver"));
    EXPECT_TRUE(q.FieldByName("N").IsNull());
}

// A foreign key the schema does not guard with its own check still says which side broke it.
TEST_P(DataOnEngines, APlainForeignKeyNamesTheSideThatBrokeIt) {
    const bool sqlite = GetParam() == QLatin1String("sqlite");
    const QString s = sqlite ? schema : '"' + schema.toLower() + '"';
    IDbConnection& db = session.Connection();
    db.Execute("CREATE TABLE " + s + ".FK_P (ID INTEGER PRIMARY KEY)", {});
    db.Execute("CREATE TABLE " + s + ".FK_C (ID_P INTEGER REFERENCES " +
                   (sqlite ? QString("FK_P") : s + ".FK_P") + " (ID))",
               {});
    db.Execute("INSERT INTO " + s + ".FK_P (ID) VALUES (1)", {});
    db.Execute("INSERT INTO " + s + ".FK_C (ID_P) VALUES (1)", {});
    session.Commit();
    const std::pair<QString, int> cases[] = {
        {"INSERT INTO " + s + ".FK_C (ID_P) VALUES (2)", OraCode::ParentKeyNotFound},
        {"DELETE FROM " + s + ".FK_P WHERE ID = 1", OraCode::ChildRecordFound},
    };
    for (const auto& [sql, code] : cases) {
        try {
            db.Execute(sql, {});
            ADD_FAILURE() << sql.toStdString();
        } catch (const EOraError& e) {
            EXPECT_EQ(e.ErrorCode(), code) << sql.toStdString();
        }
        session.Rollback();
    }
}

TEST_P(DataOnEngines, PreparingASelectAsksTheServer) {
    TOraQuery list;
    list.setObjectName("OraQuery1");
    list.SetSession(&session);
    list.SetSQL({"SELECT ID, SNAME FROM &shema.LOCATABBREV", "&ORDER &FIELD"});
    list.MacroByName("shema").SetValue("\"" + schema.toLower() + "\"");
    list.MacroByName("ORDER").SetValue("ORDER BY");
    list.MacroByName("FIELD").SetValue("SNAME");
    list.Prepare();
    EXPECT_TRUE(list.Prepared());
    EXPECT_EQ(list.FieldNames().join(',').toUpper(), "ID,SNAME");

    list.SetSQL({"SELECT * FROM &shema.NO_SUCH_TABLE"});
    EXPECT_THROW(list.Prepare(), EOraError);
    EXPECT_FALSE(list.Prepared());
}

QXV_ON_BOTH_ENGINES(DataOnEngines);
