#pragma once

// A main-chain form with a master grid of abbreviations and a detail grid of the levels
// that use the current abbreviation, over real queries; shared by the grid tests.

#include <QTableView>

#include <memory>

#include "FormReposit/uBaseForm.h"
#include "Platform/Data/DataSetModel.h"
#include "Platform/Data/OraQuery.h"
#include "Platform/Data/OraSession.h"
#include "Platform/Ini/IniFile.h"
#include "Server/ServerInstall.h"
#include "Server/sqlite/SqliteServer.h"
#include "support/CountingConnection.h"
#include "support/TempDir.h"

class TfGridTest : public TBaseForm {
public:
    struct TOptions {
        QString HostFolder;
        bool BrokenQuery = false;
        bool EnhancedGrid = false;
    };

    TfGridTest(TOraSession* session, const QString& schema, TOptions options)
        : TBaseForm(nullptr, session, schema), FOptions(std::move(options)) {
        setObjectName("fGridTest");
        setWindowTitle("Abbreviations and levels");
    }

    TOraQuery* oqAbbrev = nullptr;
    TOraQuery* oqTypes = nullptr;
    TOraQuery* oqBroken = nullptr;
    QTableView* dbgAbbrev = nullptr;
    QTableView* dbgTypes = nullptr;
    QTableView* dbgBroken = nullptr;

    using TBaseForm::GridInterfaceDataSet;

protected:
    QString HostFolder() const override { return FOptions.HostFolder; }

    void FormCreate() override {
        TBaseForm::FormCreate();
        resize(640, 480);
        oqAbbrev = new TOraQuery(this);
        oqAbbrev->setObjectName("oqAbbrev");
        oqAbbrev->SetSQL({"SELECT A.ID, A.SNAME, A.NAME, '-' AS RCHECK,",
                          "  CAST(A.ID AS VARCHAR(20)) AS ROWID_QUERY",
                          "FROM &shema.LOCATABBREV A &GUID_SERVICE", "&ORDER &FIELD"});
        oqAbbrev->MacroByName("ORDER").SetValue("ORDER BY");
        oqAbbrev->MacroByName("FIELD").SetValue("ID");
        // The selection key travels as the macro's value; the macro adds no SQL.
        oqAbbrev->MacroByName("GUID_SERVICE").SetValue("{5E1EC7ED-0000-4000-8000-00000000A001}");
        oqAbbrev->MacroByName("GUID_SERVICE").SetActive(false);
        oqTypes = new TOraQuery(this);
        oqTypes->setObjectName("oqTypes");
        oqTypes->SetSQL({"SELECT T.ID, T.LEVEL_NO, T.ID_ABBREV FROM &shema.LOCATTYPE T",
                         "WHERE T.ID_ABBREV = :ID ORDER BY T.ID"});
        oqTypes->ParamByName("ID").SetDataType(TFieldType::Integer);
        oqTypes->SetMasterSource(oqAbbrev);

        dbgAbbrev = FOptions.EnhancedGrid ? new TwwDBGrid(this) : new QTableView(this);
        dbgAbbrev->setObjectName("dbgAbbrev");
        dbgAbbrev->setToolTip("Abbreviations");
        dbgAbbrev->setModel(new TDataSetModel(oqAbbrev, dbgAbbrev));
        dbgAbbrev->setGeometry(0, 0, 640, 240);
        dbgTypes = new QTableView(this);
        dbgTypes->setObjectName("dbgTypes");
        dbgTypes->setToolTip("Levels");
        dbgTypes->setModel(new TDataSetModel(oqTypes, dbgTypes));
        dbgTypes->setGeometry(0, 240, 640, 240);
        if (FOptions.BrokenQuery) {
            oqBroken = new TOraQuery(this);
            oqBroken->setObjectName("oqBroken");
            oqBroken->SetSQLText("SELECT * FROM &shema.NO_SUCH_TABLE");
            dbgBroken = new QTableView(this);
            dbgBroken->setObjectName("dbgBroken");
            dbgBroken->setToolTip("Broken");
            dbgBroken->setModel(new TDataSetModel(oqBroken, dbgBroken));
        }
    }

    void AfterCreateHook() override {
        TBaseForm::AfterCreateHook();
        oqAbbrev->Open();  // the detail opens later, when a test asks for it
    }

private:
    TOptions FOptions;
};

// One engine's database with the server schema and a few abbreviations and levels.
class TGridEngine {
public:
    // "sqlite", or a PostgreSQL connection string.
    explicit TGridEngine(const QString& where) {
        if (where == "sqlite") {
            RegisterSqliteServer();
            FSchema = "QXVBASE";
            FRaw = OpenConnection("sqlite:" + FTemp.FilePath("grid.db") + "?user=" + FSchema);
        } else {
            FSchema =
                QStringLiteral("qxvgrid_%1").arg(QDateTime::currentMSecsSinceEpoch() % 100000000);
            FRaw = OpenConnection(where);
            FDrop = true;
        }
        InstallServerSchema(*FRaw, FSchema);
        FRaw->Commit();
        FCounting = std::make_unique<CountingConnection>(*FRaw);
        FSession = std::make_unique<TOraSession>();
        FSession->setObjectName("GridSession");
        FSession->AdoptConnection(FCounting.get());
    }
    ~TGridEngine() {
        if (TOraSession::DefaultSession() == FSession.get())
            TOraSession::SetDefaultSession(nullptr);
        FSession.reset();
        if (!FDrop) return;
        try {
            FRaw->Rollback();
            FRaw->Execute(QStringLiteral("DROP SCHEMA \"%1\" CASCADE").arg(FSchema.toLower()), {});
            FRaw->Commit();
        } catch (...) {
        }
    }

    long long Call(const QString& package, const QString& routine,
                   const std::vector<TBoundValue>& inputs) {
        const TRoutineDesc desc = FRaw->Describe(FSchema, package, routine);
        return FRaw->Call(desc, inputs).Value("RESULT").toLongLong();
    }
    long long AddAbbrev(const QString& shortName, const QString& name) {
        return Call("QXVERPLOCAT", "INS_T#LOCATABBREV", {{"PSNAME", shortName}, {"PNAME", name}});
    }
    long long AddType(int level, long long abbrev) {
        return Call("QXVERPLOCAT", "INS_T#LOCATTYPE", {{"PLEVEL#", level}, {"PID_ABBREV", abbrev}});
    }
    long long Selected(const QString& component) {
        return FRaw
            ->Query(QStringLiteral("SELECT COUNT(*) FROM %1.TEMP_SELECT WHERE COMPONENT = :C")
                        .arg(FDrop ? '"' + FSchema.toLower() + '"' : FSchema),
                    {{"C", component}})
            .Rows.at(0)
            .at(0)
            .toLongLong();
    }

    const QString& Schema() const { return FSchema; }
    TOraSession& Session() { return *FSession; }
    CountingConnection& Counting() { return *FCounting; }
    IDbConnection& Raw() { return *FRaw; }

private:
    TempDir FTemp;
    QString FSchema;
    bool FDrop = false;
    std::unique_ptr<IDbConnection> FRaw;
    std::unique_ptr<CountingConnection> FCounting;
    std::unique_ptr<TOraSession> FSession;
};

using TFormPtr = TFormHolder<TfGridTest>;

// The engines the grid tests run on: the embedded one, and PostgreSQL when a server is named.
inline QStringList GridEngines() {
    QStringList engines{"sqlite"};
    const QString dsn = qEnvironmentVariable("QXV_PG_DSN");
    if (!dsn.isEmpty()) engines << dsn;
    return engines;
}
