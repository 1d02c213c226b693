#include <QElapsedTimer>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

#include "Location/LocationTree.h"
#include "Location/Main.h"
#include "Location/PopupEdit.h"
#include "support/MessageBoxRecorder.h"
#include "support/PostgresDsn.h"
#include "support/TestDatabase.h"

namespace {

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

TEST_P(FollowingTest, AnotherProgramsChangeShowsWithinASecondWithThePlaceKept) {
    auto id = [](long long v) { return QString::number(v); };
    for (long long place : {S.north, S.lakeside, S.birch}) {
        FForm->tvObjects->setCurrentItem(FForm->Tree()->Find(int(place)));
        FForm->Tree()->Selected()->setExpanded(true);
    }
    const struct {
        const char* Routine;
        QStringList In;
        long long Parent;      // whose children are looked at
        const char* Children;  // as the tree shows them then
        long long Selected;
    } cases[] = {
        // clang-format off
        {"INS_T#LOCATION", {"PID_PARENT=" + id(S.lakeside), "PID_LOCATTYPE=" + id(S.tS3), "PNAME=Аистово"},
         S.lakeside, "г. Гавань|с. Аистово|с. Берёзовка", S.birch},
        {"UPD_T#LOCATION", {"PID=" + id(S.harbour), "PID_PARENT=" + id(S.lakeside), "PID_LOCATTYPE=" + id(S.tS3), "PNAME=Ясная"},
         S.lakeside, "с. Аистово|с. Берёзовка|с. Ясная", S.birch},
        {"UPD_T#LOCATION_ID_PARENT", {"PID=" + id(S.lakeside), "PID_PARENT=" + id(S.south)},
         S.south, "р-н. Озёрный", S.birch},
        {"DEL_T#LOCATION", {"PID=" + id(S.birch)}, S.lakeside, "с. Аистово|с. Ясная", S.lakeside},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Routine);
        CallElsewhere(c.Routine, c.In);
        QElapsedTimer waited;
        waited.start();
        while (Children(c.Parent) != QString::fromUtf8(c.Children) && waited.elapsed() < 1000)
            QTest::qWait(10);
        EXPECT_EQ(Children(c.Parent), QString::fromUtf8(c.Children));
        EXPECT_EQ(FForm->Tree()->SelectedID(), c.Selected);
        EXPECT_TRUE(FForm->Tree()->Find(int(S.lakeside))->isExpanded());
        EXPECT_EQ(FForm->cbObject->Text(), FForm->Tree()->AddressPath());  // the line follows
    }
    EXPECT_TRUE(FBoxes.Calls().empty());
}

INSTANTIATE_TEST_SUITE_P(Engines, FollowingTest,
                         ::testing::Values(QStringLiteral("sqlite"), QStringLiteral("postgresql")),
                         [](const auto& info) { return info.param.toStdString(); });

}  // namespace
