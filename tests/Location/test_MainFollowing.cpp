#include <QAbstractItemView>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

#include "Location/Abbreviature.h"
#include "Location/AddEditPlace.h"
#include "Location/Level.h"
#include "Location/LocationTree.h"
#include "Location/Main.h"
#include "Location/PopupEdit.h"
#include "Location/Search.h"
#include "support/MessageBoxRecorder.h"
#include "support/ModalDriver.h"
#include "support/PostgresDsn.h"
#include "support/TestDatabase.h"

namespace {

// Whether a label or a cell of the lists, grids and trees of a window begins with the text.
bool Shows(const QWidget& window, const QString& text) {
    for (const QLabel* label : window.findChildren<QLabel*>())
        if (label->isVisibleTo(&window) && label->text().startsWith(text)) return true;
    for (const QAbstractItemView* view : window.findChildren<QAbstractItemView*>())
        for (int c = 0; view->model() && c < view->model()->columnCount(); ++c)
            if (!view->model()
                     ->match(view->model()->index(0, c), Qt::DisplayRole, text, 1,
                             Qt::MatchStartsWith | Qt::MatchRecursive)
                     .isEmpty())
                return true;
    return false;
}

// The location window open on one database while another program changes it: each change
// shows in the window's tree within a second, the user's expansion and selection kept.
class FollowingTest : public ::testing::TestWithParam<QString> {
protected:
    void SetUp() override {
        const QString dsn = GetParam() == QLatin1String("sqlite") ? QString() : PgDsnOrSkip();
        if (GetParam() != QLatin1String("sqlite")) QXV_REQUIRE_PG(dsn);
        FDb = std::make_unique<TestDatabase>(TestDatabase::NewSchemaName(), dsn);
        S = FDb->AddSample();
        FForm = TComBaseForm::Create<TfMain>(nullptr, &FDb->Session(), FDb->Schema());
        FForm->show();
    }
    void TearDown() override { TComBaseForm::Free(FForm); }

    // One routine called by a program of its own, committed when it ends.
    void CallElsewhere(const char* routine, const QStringList& inputs) {
        QProcess worker;
        worker.start(QStringLiteral(QXV_SERVER_WORKER),
                     QStringList{"call", FDb->ConnectString(), FDb->Schema(), routine} + inputs);
        ASSERT_TRUE(worker.waitForFinished(10000));
        ASSERT_GE(worker.readAllStandardOutput().trimmed().toLongLong(), 1)
            << worker.readAllStandardError().toStdString();
    }
    template <class TForm>
    TFormHolder<TForm> Open() {
        return TFormHolder<TForm>(
            TComBaseForm::Create<TForm>(nullptr, &FDb->Session(), FDb->Schema()));
    }
    QString Children(long long id) {
        QStringList captions;
        if (TObjectNode* node = FForm->Tree()->Find(int(id)))
            for (int i = 0; i < node->childCount(); ++i) captions << node->ChildNode(i)->Caption();
        return captions.join(u'|');
    }

    std::unique_ptr<TestDatabase> FDb;
    TestDatabase::TSample S{};
    MessageBoxRecorder FBoxes;
    TfMain* FForm = nullptr;
};

// The tree, the dictionaries, the search window, the information frame and the selected
// place's dialog, open all along, each show a change; once the place is gone, the information
// shown is its parent's.
TEST_P(FollowingTest, AnotherProgramsChangeShowsInEveryWindowWithinASecondWithThePlaceKept) {
    auto id = [](long long v) { return QString::number(v); };
    for (long long place : {S.north, S.lakeside, S.birch}) {
        FForm->tvObjects->setCurrentItem(FForm->Tree()->Find(int(place)));
        FForm->Tree()->Selected()->setExpanded(true);
    }
    const auto abbreviations = Open<TfAbbreviature>();
    const auto levels = Open<TfLevel>();
    const auto search = Open<TfSearch>();
    search->SetText(QStringLiteral("Берёз"));
    search->Search();
    ModalDriver driver;
    driver.Then([&](QDialog& place) {
        static_cast<TfAddEditPlace&>(place).edtName->setText(QStringLiteral("Берёзки"));
        const struct {
            const char* Routine;
            QStringList In;
            QWidget* Window;       // one besides the tree
            const char* Shown;     // what it shows then
            long long Parent;      // whose children are looked at
            const char* Children;  // as the tree shows them then
            long long Selected;
        } cases[] = {
            // clang-format off
            {"INS_T#LOCATION", {"PID_PARENT=" + id(S.lakeside), "PID_LOCATTYPE=" + id(S.tS3), "PNAME=Аистово"},
             nullptr, "", S.lakeside, "г. Гавань|с. Аистово|с. Берёзовка", S.birch},
            {"UPD_T#LOCATION", {"PID=" + id(S.harbour), "PID_PARENT=" + id(S.lakeside), "PID_LOCATTYPE=" + id(S.tS3), "PNAME=Ясная"},
             nullptr, "", S.lakeside, "с. Аистово|с. Берёзовка|с. Ясная", S.birch},
            {"UPD_T#LOCATION_ID_PARENT", {"PID=" + id(S.lakeside), "PID_PARENT=" + id(S.south)},
             nullptr, "", S.south, "р-н. Озёрный", S.birch},
            {"INS_T#LOCATABBREV", {"PSNAME=х.", "PNAME=хутор"},
             abbreviations.get(), "хутор", S.lakeside, "с. Аистово|с. Берёзовка|с. Ясная", S.birch},
            {"UPD_T#LOCATABBREV", {"PID=" + id(S.aS), "PSNAME=с.", "PNAME=сельцо", "PVERSION=1"},
             levels.get(), "сельцо", S.lakeside, "с. Аистово|с. Берёзовка|с. Ясная", S.birch},
            {"INS_T#LOCATION", {"PID_PARENT=" + id(S.lakeside), "PID_LOCATTYPE=" + id(S.tS3), "PNAME=Берёзово"},
             search.get(), "Берёзово", S.lakeside, "с. Аистово|с. Берёзовка|с. Берёзово|с. Ясная", S.birch},
            {"UPD_T#LOCATION", {"PID=" + id(S.birch), "PID_PARENT=" + id(S.lakeside), "PID_LOCATTYPE=" + id(S.tS3), "PNAME=Берёза"},
             &place, "Местоположение изменено пользователем", S.lakeside, "с. Аистово|с. Берёза|с. Берёзово|с. Ясная", S.birch},
            {"DEL_T#LOCATION", {"PID=" + id(S.birch)},
             &place, "Местоположение удалено другим пользователем", S.lakeside, "с. Аистово|с. Берёзово|с. Ясная", S.lakeside},
            {"QXVERPINFORM.INS_T#INFORMATION", {"POBJTYPE=1", "POBJID=" + id(S.lakeside), "PINFOTYPE=1", "PVALUE=555-12", "PACTIVE=1"},
             FForm, "555-12", S.lakeside, "с. Аистово|с. Берёзово|с. Ясная", S.lakeside},
            // clang-format on
        };
        for (const auto& c : cases) {
            SCOPED_TRACE(c.Routine);
            const QString shown = QString::fromUtf8(c.Shown),
                          children = QString::fromUtf8(c.Children);
            if (c.Window) c.Window->show();
            EXPECT_FALSE(c.Window && Shows(*c.Window, shown));
            CallElsewhere(c.Routine, c.In);
            const auto settled = [&] {
                return (!c.Window || Shows(*c.Window, shown)) && Children(c.Parent) == children;
            };
            QElapsedTimer waited;
            waited.start();
            while (!settled() && waited.elapsed() < 1000) QTest::qWait(10);
            EXPECT_TRUE(!c.Window || Shows(*c.Window, shown));
            EXPECT_EQ(Children(c.Parent), children);
            EXPECT_EQ(FForm->Tree()->SelectedID(), c.Selected);
            EXPECT_TRUE(FForm->Tree()->Find(int(S.lakeside))->isExpanded());
            EXPECT_EQ(FForm->cbObject->Text(), FForm->Tree()->AddressPath());  // the line follows
        }
        EXPECT_EQ(static_cast<TfAddEditPlace&>(place).edtName->text(), "Берёзки");  // kept
    });
    FForm->aObjectEdit->trigger();
    EXPECT_EQ(driver.Runs().size(), 1u);
    EXPECT_TRUE(FBoxes.Calls().empty());
}

INSTANTIATE_TEST_SUITE_P(Engines, FollowingTest,
                         ::testing::Values(QStringLiteral("sqlite"), QStringLiteral("postgresql")),
                         [](const auto& info) { return info.param.toStdString(); });

}  // namespace
