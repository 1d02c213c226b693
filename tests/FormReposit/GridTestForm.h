#pragma once

// A main-chain form with a master grid of abbreviations and a detail grid of the levels
// that use the current abbreviation, over real queries; shared by the grid tests.

#include <QTableView>
#include <QTest>

#include <gtest/gtest.h>

#include "FormReposit/uBaseForm.h"
#include "Platform/Data/DataSetModel.h"
#include "Platform/Data/OraQuery.h"
#include "Platform/Data/OraSession.h"
#include "support/TestDatabase.h"

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

// One engine's database with the server schema: "sqlite", or a PostgreSQL connection string.
class TGridEngine : public TestDatabase {
public:
    explicit TGridEngine(const QString& where)
        : TestDatabase(where == "sqlite" ? QStringLiteral("QXVBASE") : NewSchemaName(),
                       where == "sqlite" ? QString() : where) {}

    // The rows of a component marked on the server.
    long long Selected(const QString& component) {
        return Raw()
            .Query(QStringLiteral("SELECT COUNT(*) FROM %1 WHERE COMPONENT = :C")
                       .arg(Table("TEMP_SELECT")),
                   {{"C", component}})
            .Rows.at(0)
            .at(0)
            .toLongLong();
    }
};

using TFormPtr = TFormHolder<TfGridTest>;

// The form over `engine`, shown and active, as the user finds it.
inline TFormPtr ShowGridTest(TGridEngine& engine, TfGridTest::TOptions options) {
    TFormPtr form(TComBaseForm::Create<TfGridTest>(&engine.Session(), engine.Schema(),
                                                   std::move(options)));
    form->show();
    form->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(form.get()));
    return form;
}

// The engines the grid tests run on: the embedded one, and PostgreSQL when a server is named.
inline QStringList GridEngines() {
    QStringList engines{"sqlite"};
    const QString dsn = qEnvironmentVariable("QXV_PG_DSN");
    if (!dsn.isEmpty()) engines << dsn;
    return engines;
}

// The suite once per engine, named "sqlite" and "postgres".
#define QXV_ON_GRID_ENGINES(Suite)                                                 \
    INSTANTIATE_TEST_SUITE_P(                                                      \
        Engines, Suite, ::testing::ValuesIn(GridEngines()), [](const auto& info) { \
            return std::string(info.param == "sqlite" ? "sqlite" : "postgres");    \
        })
