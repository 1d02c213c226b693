#include "FormReposit/uBaseForm.h"

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QLineEdit>
#include <QMenu>
#include <QTableView>

#include <gtest/gtest.h>

#include <array>
#include <stdexcept>

#include "ComUnits/uAssert.h"
#include "ComUnits/uBaseFormSettings.h"
#include "ComUnits/uComponentTree.h"
#include "Platform/Data/DataSetModel.h"
#include "Platform/Data/OraQuery.h"
#include "Platform/Data/OraSession.h"
#include "Platform/Data/OraStoredProc.h"
#include "Platform/Ini/IniFile.h"
#include "support/FakeConnection.h"
#include "support/MessageBoxRecorder.h"
#include "support/TempDir.h"

namespace {

template <class T>
using TFormPtr = TFormHolder<T>;

const unsigned ErrorFlags = MessageBoxes::KindFlags(TMessageKind::Error);
const unsigned WarningFlags = MessageBoxes::KindFlags(TMessageKind::Warning);

// Records the order of the creation steps. Its designed procedures exercise the schema
// binding; OnCreate adds components as a form handler would.
class TTracedForm : public TBaseForm {
public:
    TTracedForm(QStringList* trace, bool oldCreateOrder, TOraSession* session,
                const QString& schema)
        : TBaseForm(nullptr, session, schema), FTrace(trace) {
        SetOldCreateOrder(oldCreateOrder);
        Kept = Proc("ospKept", "ORX.QXVERPLOCAT.GET_T#LOCATION");
        SetTag(Kept, 1);
        Moved = Proc("ospMoved", "ORX.QXVERPLOCAT.UPD_T#LOCATION_ID_PARENT");
        Moved->Params().CreateParam("RESULT", TFieldType::Integer, TParamDirection::Result);
        Moved->Params().CreateParam("PID").SetAsInteger(12);
        Moved->Params().CreateParam("PID_PARENT").SetAsInteger(34);
        Moved->ParamByName("RESULT").SetAsInteger(-1);
        NoDot = Proc("ospNoDot", "GET_T#LOCATION");
    }

    TOraStoredProc *Kept, *Moved, *NoDot;
    TOraQuery* CreatedQuery = nullptr;
    TOraStoredProc* CreatedProc = nullptr;
    QLineEdit* CreatedEdit = nullptr;
    QStringList PreparedMacros;

protected:
    void InitData() override {
        *FTrace << "InitData";
        TBaseForm::InitData();
    }
    void FormCreate() override {
        TBaseForm::FormCreate();
        *FTrace << "FormCreate";
        CreatedQuery = new TOraQuery(this);
        CreatedQuery->setObjectName("oqCreated");
        CreatedQuery->SetSQLText(
            "begin\n:RESULT := &shema.QXVERPLOCAT.DEL_T#LOCATION(:PID);\nend;");
        CreatedProc = Proc("ospCreated", "ORX.QXVERPLOCAT.GET_T#LOCATION");
        CreatedEdit = new QLineEdit(this);
        CreatedEdit->setReadOnly(true);
    }
    void PostCreate() override {
        *FTrace << "PostCreate";
        TBaseForm::PostCreate();
    }
    void PrepareQueryMacros(TOraQuery* query, TMacro& macro) override {
        PreparedMacros << query->objectName() + "." + macro.Name();
    }

private:
    TOraStoredProc* Proc(const char* name, const QString& routine) {
        auto* proc = new TOraStoredProc(this);
        proc->setObjectName(name);
        proc->SetStoredProcName(routine);
        return proc;
    }
    QStringList* FTrace;
};

class BaseFormTest : public ::testing::Test {
protected:
    BaseFormTest() {
        Fake.AddReader("QXVBASE.QXVERPLOCAT.GET_T#LOCATION", {"PID"}, {});
        Fake.AddFunction("QXVBASE.QXVERPLOCAT.UPD_T#LOCATION_ID_PARENT", {"PID", "PID_PARENT"}, 1);
        Session.AdoptConnection(&Fake);
    }
    ~BaseFormTest() override { TOraSession::SetDefaultSession(nullptr); }

    MessageBoxRecorder Boxes;
    FakeConnection Fake;
    TOraSession Session;
    QStringList Trace;
};

// Tagged names and parameter values are kept, and a name the binding refuses stops nothing.
TEST_F(BaseFormTest, CreationStepsRunInOrderAndBindTheDesignedAndTheAddedComponents) {
    for (bool oldOrder : {true, false}) {
        Trace.clear();
        Boxes.Clear();
        TFormPtr<TTracedForm> form(
            TComBaseForm::Create<TTracedForm>(&Trace, oldOrder, &Session, "qxvbase"));
        EXPECT_EQ(Trace, QStringList({"InitData", "FormCreate", "PostCreate"}));
        EXPECT_TRUE(form->Constructed());
        EXPECT_EQ(form->CreatedQuery->Session(), &Session);
        EXPECT_EQ(form->CreatedQuery->MacroByName("shema").Value(), "qxvbase");
        EXPECT_EQ(form->CreatedProc->StoredProcName(), "qxvbase.QXVERPLOCAT.GET_T#LOCATION");
        EXPECT_TRUE(form->PreparedMacros.contains("oqCreated.shema"));
        // The edit control handler gave the read-only edit the button face.
        EXPECT_EQ(form->CreatedEdit->palette().color(QPalette::Base),
                  form->CreatedEdit->palette().color(QPalette::Button));
        EXPECT_EQ(form->CurrentQuery(), form->OraQuery1);

        EXPECT_EQ(form->Kept->StoredProcName(), "ORX.QXVERPLOCAT.GET_T#LOCATION");
        EXPECT_EQ(form->Kept->Session(), &Session);  // the session binding has no exception
        EXPECT_EQ(form->Moved->StoredProcName(), "qxvbase.QXVERPLOCAT.UPD_T#LOCATION_ID_PARENT");
        EXPECT_EQ(form->Moved->ParamByName("PID").AsInteger(), 12);
        EXPECT_EQ(form->Moved->ParamByName("PID_PARENT").AsInteger(), 34);
        EXPECT_EQ(form->Moved->ParamByName("RESULT").AsInteger(), -1);
        ASSERT_EQ(Boxes.Count(), 1u);
        EXPECT_EQ(Boxes.Last().Text,
                  "ospNoDot: uOraFunctions.fSetShemaName: Symbol \".\" is not found in "
                  "\"GET_T#LOCATION\"");
        EXPECT_EQ(form->NoDot->StoredProcName(), "GET_T#LOCATION");
    }
}

// The schema is trimmed, an empty one is the session's user, a change rebinds.
TEST_F(BaseFormTest, TheSchemaAndSessionAreResolvedOrReported) {
    TFormPtr<TBaseForm> blanks(TComBaseForm::Create<TBaseForm>(nullptr, &Session, " \t "));
    EXPECT_FALSE(blanks->Bound());
    EXPECT_EQ(blanks->OraQuery1->Session(), nullptr);
    EXPECT_EQ(Boxes.Count(), 0u);  // nothing was bound, so nothing was refused

    TFormPtr<TBaseForm> form(TComBaseForm::Create<TBaseForm>(nullptr, &Session, "  qxv \n"));
    EXPECT_EQ(form->GetShema(), "qxv");
    form->SetShema("");
    EXPECT_EQ(form->GetShema(), "QXVBASE");
    EXPECT_EQ(form->OraQuery1->MacroByName("shema").Value(), "QXVBASE");

    FakeConnection otherDb;
    TOraSession other;
    other.AdoptConnection(&otherDb);
    form->SetSession(&other);
    EXPECT_EQ(form->OraQuery1->Session(), &other);
    form->SetSession(&Session);
    EXPECT_EQ(Boxes.Count(), 0u);

    // Without a session either is reported in the form's error box.
    TFormPtr<TBaseForm> none(TComBaseForm::Create<TBaseForm>(nullptr, nullptr, ""));
    EXPECT_FALSE(none->Bound());
    EXPECT_EQ(none->GetSession(), nullptr);
    ASSERT_EQ(Boxes.Count(), 1u);
    EXPECT_EQ(Boxes.Last().Text, "Сессия не определена!");
    EXPECT_EQ(Boxes.Last().Flags, ErrorFlags);
    EXPECT_EQ(none->GetShema(), "");
    ASSERT_EQ(Boxes.Count(), 2u);
    EXPECT_EQ(Boxes.Last().Text, "TBaseForm.GetShema: Схема не определена!");
}

// Twelve rights with distinct defaults, registered in order.
class TRightsForm : public TBaseForm {
public:
    static inline int Alive = 0;
    TRightsForm(const QString& mode, TOraSession* session, int rightCount = 12)
        : TBaseForm(nullptr, mode, session, "qxvbase"), FCount(rightCount) {
        ++Alive;
        for (size_t i = 0; i < Rights.size(); ++i) Rights[i] = i % 2 == 0;
    }
    ~TRightsForm() override { --Alive; }
    std::array<bool, 12> Rights{};
    static std::array<bool, 12> Defaults() {
        std::array<bool, 12> d{};
        for (size_t i = 0; i < d.size(); ++i) d[i] = i % 2 == 0;
        return d;
    }

protected:
    void RegisterAccess() override {
        for (int i = 0; i < FCount; ++i)
            AccessList()->Add([this, i](bool granted) { Rights[i] = granted; });
    }

private:
    int FCount;
};

TEST_F(BaseFormTest, TheAccessStringGrantsEachRightByItsCharacter) {
    const std::array<bool, 12> all{true, true, true, true, true, true,
                                   true, true, true, true, true, true};
    const std::array<bool, 12> mixed{true, false, false, false, true,  false,
                                     true, false, false, false, false, true};
    const std::array<bool, 12> defaults = TRightsForm::Defaults();
    struct TCase {
        const char* mode;
        int rights;
        std::array<bool, 12> expected;
        const char* error;
    } const cases[] = {
        {"", 12, defaults, nullptr},  // no access string: the defaults
        {"1", 0, defaults, nullptr},  // no rights registered
        {"1111111111111", 12, all, nullptr},
        {"110x01Y100201", 12, mixed, nullptr},
        {"0111111111111", 12, defaults, "Неверный режим доступа: FMode = \"0111111111111\""},
    };
    for (const TCase& c : cases) {
        Boxes.Clear();
        TFormPtr<TRightsForm> form(TComBaseForm::Create<TRightsForm>(c.mode, &Session, c.rights));
        EXPECT_EQ(form->Rights, c.expected) << c.mode;
        EXPECT_EQ(Boxes.Count(), c.error ? 1u : 0u) << c.mode;
        if (c.error) {
            EXPECT_EQ(Boxes.Last().Text, c.error);
        }
    }
    // The wrong length stops creation and frees the half-made form.
    for (const QString mode : {"1", "111", "1111111111111111"}) {
        const int alive = TRightsForm::Alive;
        try {
            TComBaseForm::Create<TRightsForm>(mode, &Session);
            ADD_FAILURE() << "created with " << mode.toStdString();
        } catch (const EGeneralError& e) {
            EXPECT_EQ(e.Text(),
                      "Некорректный список прав доступа\r\nВыполните процедуру перерегистрации "
                      "сервиса");
        }
        EXPECT_EQ(TRightsForm::Alive, alive);
    }
}

// Exposes the data-set operations, answers from a chosen host folder and may refuse to close;
// counts its saves of state.
class TOperationsForm : public TBaseForm {
public:
    TOperationsForm(TOraSession* session, const QString& hostFolder)
        : TBaseForm(nullptr, session, "qxvbase"), FHostFolder(hostFolder) {
        setObjectName("OperationsForm");
    }
    using TBaseForm::RefreshKeepingPosition;
    using TBaseForm::RefreshToLast;
    using TBaseForm::UpdateFindReportVisibility;
    void Refuse(const QString& why) {
        FCanClose = false;
        FCanCloseMsg = why;
    }
    void Allow() { FCanClose = true; }
    int Finds = 0;
    static inline int Saves = 0;

protected:
    QString HostFolder() const override { return FHostFolder; }
    void FindExecute() override {
        ++Finds;
        throw EGeneralError("TOperationsForm.Find: no grid");
    }
    void BeforeSaveHook() override {
        ++Saves;
        EXPECT_FALSE(StateSaved());
    }

private:
    QString FHostFolder;
};

TEST_F(BaseFormTest, ARefusedCloseExplainsItselfAndEveryEndSavesOnce) {
    TempDir host;
    auto make = [&] { return TComBaseForm::Create<TOperationsForm>(&Session, host.Path()); };
    const int saves = TOperationsForm::Saves;
    TFormPtr<TOperationsForm> form(make());
    form->show();
    form->Refuse("Идет загрузка данных");
    EXPECT_FALSE(form->close());
    ASSERT_EQ(Boxes.Count(), 1u);
    EXPECT_EQ(Boxes.Last().Text, "Идет загрузка данных");
    EXPECT_EQ(Boxes.Last().Flags, WarningFlags);
    EXPECT_EQ(TOperationsForm::Saves - saves, 0);

    form->Allow();
    EXPECT_TRUE(form->close());
    EXPECT_EQ(TOperationsForm::Saves - saves, 1);
    form.reset();  // freeing a closed form does not save again
    EXPECT_EQ(TOperationsForm::Saves - saves, 1);

    TComBaseForm::Free(make());
    EXPECT_EQ(TOperationsForm::Saves - saves, 2);
    make()->deleteLater();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(TOperationsForm::Saves - saves, 3);
}

TEST_F(BaseFormTest, RefreshesReturnToTheSameKeyOrToTheLastRow) {
    TRowSet rows{{{"ID", TFieldType::Integer}, {"NAME", TFieldType::String}},
                 {{1, "a"}, {2, "b"}, {3, "c"}}};
    Fake.SetQueryHandler([&](const QString&, const std::vector<TBoundValue>&) { return rows; });
    TempDir host;
    TFormPtr<TOperationsForm> form(TComBaseForm::Create<TOperationsForm>(&Session, host.Path()));
    TOraQuery* query = form->OraQuery1;
    query->Open();
    ASSERT_TRUE(query->Locate("ID", 2));
    ASSERT_EQ(query->RecNo(), 2);

    rows.Rows = {{5, "e"}, {4, "d"}, {1, "a"}, {2, "b"}};
    form->RefreshKeepingPosition(query);
    EXPECT_EQ(query->FieldByName("ID").AsInteger(), 2);
    EXPECT_EQ(query->RecNo(), 4);
    EXPECT_FALSE(query->ControlsDisabled());

    query->First();
    rows.Rows.push_back({9, "i"});
    form->RefreshToLast(query);
    EXPECT_EQ(query->RecNo(), 5);
    EXPECT_EQ(query->FieldByName("ID").AsInteger(), 9);
    EXPECT_FALSE(query->ControlsDisabled());
}

TEST_F(BaseFormTest, FindShowsOnlyForRowsAndItsFailureReachesTheFormsBox) {
    Application::Instance().Reset();
    TempDir host;
    TFormPtr<TOperationsForm> form(TComBaseForm::Create<TOperationsForm>(&Session, host.Path()));
    TDataSet empty;
    empty.LoadRows({{{"ID", TFieldType::Integer}}, {}});
    TDataSet full;
    full.LoadRows({{{"ID", TFieldType::Integer}}, {{1}}});
    for (TDataSet* rows : {&full, &empty, &full, static_cast<TDataSet*>(nullptr)}) {
        form->UpdateFindReportVisibility(rows);
        EXPECT_EQ(form->pFind->isVisible(), rows == &full);
        EXPECT_EQ(form->pReport->isVisible(), rows == &full);
    }
    form->pFind->setVisible(true);
    form->pFind->trigger();
    EXPECT_EQ(form->Finds, 1);
    ASSERT_EQ(Boxes.Count(), 1u);
    EXPECT_EQ(Boxes.Last().Text,
              "Действие не выполнено из-за ошибки программы. Сообщите администратору текст "
              "ниже.\n\nTOperationsForm.Find: no grid");
}

TEST_F(BaseFormTest, NavigationWithoutAFocusedGridAsksForATableAndMovesNothing) {
    TFormPtr<TBaseForm> form(TComBaseForm::Create<TBaseForm>(nullptr, &Session, "qxvbase"));
    TDataSet rows;
    rows.LoadRows({{{"ID", TFieldType::Integer}}, {{1}, {2}, {3}}});
    auto* grid = new QTableView(form.get());
    TDataSetModel model(&rows);
    grid->setModel(&model);
    auto* edit = new QLineEdit(form.get());
    form->show();

    edit->setFocus();
    form->pNext->trigger();
    ASSERT_EQ(Boxes.Count(), 1u);
    EXPECT_EQ(Boxes.Last().Text, "Выберите таблицу");
    EXPECT_EQ(Boxes.Last().Flags, WarningFlags);
    EXPECT_EQ(rows.RecNo(), 1);

    grid->setFocus();
    form->pNext->trigger();
    EXPECT_EQ(rows.RecNo(), 2);
    form->pLast->trigger();
    EXPECT_EQ(rows.RecNo(), 3);
    form->pFirst->trigger();
    EXPECT_EQ(rows.RecNo(), 1);
    EXPECT_EQ(Boxes.Count(), 1u);
}

TEST_F(BaseFormTest, ShowingFocusesTheGridOfTheCurrentQuery) {
    TFormPtr<TBaseForm> form(TComBaseForm::Create<TBaseForm>(nullptr, &Session, "qxvbase"));
    TDataSet other;
    TDataSetModel otherModel(&other);
    TDataSetModel currentModel(form->OraQuery1);
    auto* edit = new QLineEdit(form.get());
    auto* otherGrid = new QTableView(form.get());
    otherGrid->setModel(&otherModel);
    auto* currentGrid = new QTableView(form.get());
    currentGrid->setModel(&currentModel);
    edit->setFocus();
    form->show();
    EXPECT_EQ(form->focusWidget(), currentGrid);
}

// A right click that no control takes travels up to the form: with no grid active it
// opens nothing and says nothing; over the active grid it opens the menu.
TEST_F(BaseFormTest, ThePopupMenuOpensOnlyOverTheActiveGridAndSilentlyElsewhere) {
    TFormPtr<TBaseForm> form(TComBaseForm::Create<TBaseForm>(nullptr, &Session, "qxvbase"));
    auto* panel = new QWidget(form.get());
    panel->setGeometry(0, 0, 50, 50);
    auto* grid = new QTableView(form.get());
    grid->setGeometry(60, 0, 100, 100);
    form->show();
    auto rightClick = [](QWidget* on) {
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5),
                                on->mapToGlobal(QPoint(5, 5)));
        QCoreApplication::sendEvent(on, &event);
    };
    panel->setFocus();
    rightClick(panel);
    EXPECT_FALSE(form->PopupMenu1->isVisible());
    EXPECT_EQ(Boxes.Count(), 0u);

    grid->setFocus();
    rightClick(grid->viewport());
    EXPECT_TRUE(form->PopupMenu1->isVisible());
    form->PopupMenu1->hide();
    EXPECT_EQ(Boxes.Count(), 0u);
}

// The forms' handler (its text is the find failure's, above) goes with the last form.
TEST_F(BaseFormTest, TheFormsExceptionHandlerGoesWithTheLastForm) {
    Application::Instance().Reset();
    TComBaseForm::Free(TComBaseForm::Create<TBaseForm>(nullptr, &Session, "qxvbase"));
    std::runtime_error later("later");
    Application::Instance().HandleException(nullptr, later);
    ASSERT_EQ(Boxes.Count(), 1u);
    EXPECT_EQ(Boxes.Last().Text, "later");
}

// A form whose list is sorted through its ORDER and FIELD macros.
class TSortedForm : public TBaseForm {
public:
    explicit TSortedForm(TOraSession* session) : TBaseForm(nullptr, session, "qxvbase") {
        setObjectName("SortedForm");
        oqList = new TOraQuery(this);
        oqList->setObjectName("oqList");
        oqList->SetSQLText("SELECT ID, NAME FROM &shema.T_LIST &ORDER &FIELD");
        oqList->MacroByName("ORDER").SetValue("order by");
        oqList->MacroByName("FIELD").SetValue("ID");
    }
    TOraQuery* oqList;
};

TEST_F(BaseFormTest, ARememberedSortOrderIsCheckedAppliedAndSavedAgainOnClose) {
    namespace S = BaseFormSettings;
    Fake.SetQueryHandler([](const QString&, const std::vector<TBoundValue>&) {
        return TRowSet{{{"ID", TFieldType::Integer}, {"NAME", TFieldType::String}}, {}};
    });
    struct TCase {
        const char* saved;  // nullptr: none
        const char* field;  // FIELD after creation
        bool active;
        const char* error;
    };
    const TCase cases[] = {
        {nullptr, "ID", true, nullptr},
        {"NAME DESC,ID", "NAME DESC,ID", true, nullptr},
        {"", "", false, nullptr},
        {"NAME,BOGUS", "ID", true,
         "TBaseForm.NotFindFieldForOrder: Некорректное поле \"oqList.BOGUS\" для сортировки"},
    };
    const QString key = S::QueryKey(*TSortedForm(&Session).oqList);  // as the form makes it
    EXPECT_TRUE(key.startsWith("SortedForm.oqList.")) << key.toStdString();
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.saved ? c.saved : "(none)");
        Boxes.Clear();
        S::DeleteSortOrder("qxvbase", key);
        if (c.saved) S::WriteSortOrder("qxvbase", key, c.saved);
        TFormPtr<TSortedForm> form(TComBaseForm::Create<TSortedForm>(&Session));
        EXPECT_EQ(form->oqList->MacroByName("FIELD").Value(), c.field);
        EXPECT_EQ(form->oqList->MacroByName("ORDER").Active(), c.active);
        QString design;
        EXPECT_TRUE(S::ReadSortDefault("qxvbase", key, design));
        EXPECT_EQ(design, "ID");
        if (c.error) {
            ASSERT_EQ(Boxes.Count(), 1u);
            EXPECT_EQ(Boxes.Last().Text, c.error);
            EXPECT_EQ(Boxes.Last().Caption, "Ошибка");
            QString left;
            EXPECT_FALSE(S::ReadSortOrder("qxvbase", key, left)) << "a bad list is forgotten";
        } else {
            EXPECT_EQ(Boxes.Count(), 0u);
        }
    }
    // On close a changed order is kept and the design order forgets it; the default goes.
    struct TClose {
        const char* field;
        bool kept;
    } const closes[] = {{"NAME", true}, {"ID", false}};
    for (const TClose& c : closes) {
        TFormPtr<TSortedForm> form(TComBaseForm::Create<TSortedForm>(&Session));
        form->oqList->MacroByName("FIELD").SetValue(c.field);
        form->close();
        QString value;
        EXPECT_EQ(S::ReadSortOrder("qxvbase", key, value), c.kept) << c.field;
        if (c.kept) {
            EXPECT_EQ(value, c.field);
        }
        EXPECT_FALSE(S::ReadSortDefault("qxvbase", key, value));
    }
    // A schema may switch the memory off.
    S::ComFormGFG().WriteBool("QXVBASE_ORDERBY", "SAVE", false);
    S::WriteSortOrder("qxvbase", key, "NAME");
    TFormPtr<TSortedForm> off(TComBaseForm::Create<TSortedForm>(&Session));
    EXPECT_EQ(off->oqList->MacroByName("FIELD").Value(), "ID");
}

}  // namespace
