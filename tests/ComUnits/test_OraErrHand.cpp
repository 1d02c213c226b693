// The error handler on both engines: real constraint violations turned into the error
// table's texts, the lookup rules and the debug header.

#include "ComUnits/OraErrHand.h"
#include "ComUnits/uAssert.h"
#include "Platform/Data/EOraError.h"
#include "Platform/Data/OraSession.h"
#include "Platform/Ui/Application.h"
#include "Server/ServerInstall.h"
#include "support/EngineSchema.h"
#include "support/MessageBoxRecorder.h"

namespace {

class OraErrHandOnEngines : public EngineSchemaTest {
protected:
    void SetUp() override {
        EngineSchemaTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        session.SetConnectString(FConnectString);
        session.Connect();
        InstallServerSchema(session.Connection(), FSchema);
        session.Commit();
        Application::Instance().SetTitle("Locations");
    }
    void TearDown() override {
        Application::Instance().Reset();
        if (session.Connected()) DropSchema(session.Connection());
    }
    void Execute(const QString& sql) { session.Connection().Execute(sql, {}); }

    // The text the handler shows for what the statement raises (with this code, unless 0).
    QString Shown(TOraErrorHandler& handler, const QString& sql, int code = 0) {
        MessageBoxRecorder boxes;
        try {
            Execute(sql);
        } catch (EOraError& error) {
            session.Rollback();
            if (code) {
                EXPECT_EQ(error.ErrorCode(), code) << sql.toStdString();
            }
            handler.HandleException(nullptr, error);
            EXPECT_EQ(boxes.Count(), 1u);
            EXPECT_EQ(boxes.Last().Caption, "Locations");
            EXPECT_EQ(boxes.Last().Flags, MB_OK | MB_ICONERROR);
            return boxes.Last().Text;
        }
        ADD_FAILURE() << "no error from " << sql.toStdString();
        return {};
    }

    TOraSession session;
};

TEST_P(OraErrHandOnEngines, ConstraintViolationsShowTheTableTexts) {
    Execute("INSERT INTO " + T("LOCATABBREV") + " (ID, SNAME, NAME) VALUES (1, 'g.', 'town')");
    Execute("INSERT INTO " + T("LOCATTYPE") + " (ID, LEVEL_NO, ID_ABBREV) VALUES (1, 3, 1)");
    session.Commit();

    TOraErrorHandler handler;
    handler.SetSession(&session);
    handler.SetTableName(T("ERROR_MESSAGES"));
    handler.SetActive(true);
    ASSERT_TRUE(handler.Active());

    // The named rows of a code come before its catch-all row.
    EXPECT_EQ(Shown(handler,
                    "INSERT INTO " + T("LOCATABBREV") +
                        " (ID, SNAME, NAME) VALUES (2, 'g.', 'city')",
                    OraCode::UniqueViolation),
              "Сокращение с таким кратким наименованием уже существует");
    EXPECT_EQ(Shown(handler,
                    "INSERT INTO " + T("LOCATION") +
                        " (ID, ID_PARENT, ID_LOCATTYPE, NAME) VALUES (1, NULL, 99, 'x')",
                    OraCode::ParentKeyNotFound),
              "Тип местоположения не найден");
    EXPECT_EQ(Shown(handler, "DELETE FROM " + T("LOCATABBREV") + " WHERE ID = 1",
                    OraCode::ChildRecordFound),
              "Сокращение используется в справочнике уровней");

    // A text the server raises for a code the table does not know stays as it is.
    handler.SetDebug(true);
    const QString shown = Shown(handler, "SELECT NO_SUCH_COLUMN FROM " + T("LOCATABBREV"));
    EXPECT_TRUE(shown.startsWith("Sender Name:   " + handler.objectName() +
                                 "\rExcept. Class:   "
                                 "EOraError\rError Code:       "))
        << shown.toStdString();
    EXPECT_FALSE(shown.contains("Original Msg:")) << shown.toStdString();
}

TEST_P(OraErrHandOnEngines, TableRowsDecideByCodeAndConstraint) {
    Execute("DELETE FROM " + T("ERROR_MESSAGES"));
    Execute("INSERT INTO " + T("ERROR_MESSAGES") +
            " (ErrorCode, Constraint, Message) VALUES (1, 'uk_x', 'named'), (1, 'S.UK_Y', 'full'), "
            "(1, NULL, 'any unique'), (0, NULL, 'not oracle')");
    session.Commit();
    TOraErrorHandler handler;
    handler.setObjectName("ErrHand");
    handler.SetSession(&session);
    handler.SetTableName(T("ERROR_MESSAGES"));
    handler.SetActive(true);

    const struct {
        int Code;
        QString Message;
        bool Debug;
        QString Expected;
    } cases[] = {
        {1, "ORA-00001: unique constraint (S.UK_X) violated\n", false, "named"},
        {1, "ORA-00001: unique constraint (S.UK_Y) violated\n", false, "full"},
        {1, "ORA-00001: unique constraint (S.UK_Z) violated\n", false, "any unique"},
        {1, "ORA-00001: unique constraint (S.UK_X) violated\n", true,
         "Sender Name:   ErrHand\rExcept. Class:   EOraError\rError Code:       1\r"
         "Constraint:        UK_X\r\rOriginal Msg:    ORA-00001: unique constraint (S.UK_X) "
         "violated\n\r\rnamed"},
        {942, "ORA-00942: table or view does not exist\n", false,
         "ORA-00942: table or view does not exist\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Expected.toStdString());
        MessageBoxRecorder boxes;
        handler.SetDebug(c.Debug);
        EOraError error(c.Code, c.Message);
        handler.HandleException(nullptr, error);
        ASSERT_EQ(boxes.Count(), 1u);
        EXPECT_EQ(boxes.Last().Text, c.Expected);
    }

    // Code 0 for what is not an Oracle error; the table's row for it answers.
    MessageBoxRecorder boxes;
    handler.SetDebug(false);
    EGeneralError general("broken");
    Application::Instance().HandleException(nullptr, general);
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes.Last().Text, "not oracle");
}

QXV_ON_BOTH_ENGINES(OraErrHandOnEngines);

TEST(OraErrHand, EventsAndInactiveTable) {
    MessageBoxRecorder boxes;
    std::optional<TOraErrorHandler> handler;
    handler.emplace();
    EXPECT_THROW(handler->SetActive(true), EGeneralError);  // "TableName must be defined"

    // Without a table the OnError handler is asked, with the parsed constraint.
    QString seenConstraint;
    handler->SetOnError(
        [&](QObject* sender, std::exception&, int code, const QString& name, QString& message) {
            EXPECT_EQ(sender, &*handler);
            EXPECT_EQ(code, 2292);
            seenConstraint = name;
            message = "from OnError";
        });
    EOraError error(2292,
                    "ORA-02292: integrity constraint (QXVBASE.FK_A) violated - child "
                    "record found\n");
    Application::Instance().HandleException(nullptr, error);
    EXPECT_EQ(seenConstraint, "FK_A");
    EXPECT_EQ(boxes.Last().Text, "from OnError");

    // The extended event replaces it and may keep the box from showing.
    handler->SetOnErrorEx([](QObject*, std::exception&, int, const QString&, QString&,
                             bool& handled) { handled = true; });
    boxes.Clear();
    Application::Instance().HandleException(nullptr, error);
    EXPECT_EQ(boxes.Count(), 0u);

    // Destruction uninstalls the handler: the application shows the raw text again.
    handler.reset();
    EXPECT_FALSE(Application::Instance().OnException());
}

TEST(OraErrHand, ConstraintNamesOfAMessage) {
    const struct {
        int Code;
        QString Message;
        QString Full, Name;
    } cases[] = {
        {1, "ORA-00001: unique constraint (S.UK_X) violated\n", "S.UK_X", "UK_X"},
        {2290, "ORA-02290: check constraint (CK_A) violated\n", "CK_A", "CK_A"},
        {2291, "ORA-02291: integrity constraint without a bracket\n", "", ""},
        {942, "ORA-00942: table (S.T) does not exist\n", "", ""},
    };
    for (const auto& c : cases) {
        const TOraErrorHandler::TConstraint got = TOraErrorHandler::ConstraintOf(c.Code, c.Message);
        EXPECT_EQ(got.Full, c.Full) << c.Message.toStdString();
        EXPECT_EQ(got.Name, c.Name) << c.Message.toStdString();
    }
}

}  // namespace
