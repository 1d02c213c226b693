// Finding a place by name from the location window: the search field and Ctrl+F open the
// search window, its hits carry their paths, and choosing one opens the tree down to it,
// in the console's window and in the picker alike.

#include "Location/Search.h"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>

#include <gtest/gtest.h>

#include "Components/QSearch/FrmQSearch.h"
#include "Location/LocationTree.h"
#include "Location/Main.h"
#include "Location/ObjectNode.h"
#include "Location/ServiceTable.h"
#include "Platform/Data/OraQuery.h"
#include "support/MessageBoxRecorder.h"
#include "support/ModalDriver.h"
#include "support/Snapshot.h"
#include "support/TestDatabase.h"

namespace {

QStringList Column(QTableView& grid, int column) {
    QStringList values;
    for (int row = 0; row < grid.model()->rowCount(); ++row)
        values << grid.model()->index(row, column).data().toString();
    return values;
}

class SearchTest : public ::testing::Test {
protected:
    void SetUp() override {
        FSample = FDb.AddSample();
        FDb.AddLocation(FSample.south, FSample.tR, "Березовский");
    }

    long long KeptHits() {
        return FDb.Raw()
            .Query("SELECT COUNT(*) FROM QXVBASE.SEARCH_HITS", {})
            .Rows.at(0)
            .at(0)
            .toLongLong();
    }

    TestDatabase FDb;
    TestDatabase::TSample FSample{};
    MessageBoxRecorder FBoxes;
    ModalDriver FDriver;
};

TEST_F(SearchTest, TheSearchFieldFindsPlacesWithTheirPathsAndOpensTheTreeAtTheChoice) {
    auto* form = TComBaseForm::Create<TfMain>(nullptr, &FDb.Session(), QString("QXVBASE"));
    const TFormHolder<TfMain> hold(form);
    form->show();
    QStringList names, paths, headers;
    QString count;
    FDriver.Then([&](QDialog& dialog) {
        auto& search = static_cast<TfSearch&>(dialog);
        names = Column(*search.dbgHits, 0);
        paths = Column(*search.dbgHits, 3);
        for (int c = 0; c < search.dbgHits->model()->columnCount(); ++c)
            headers << search.dbgHits->model()->headerData(c, Qt::Horizontal).toString();
        count = search.lblCount->text();
        EXPECT_TRUE(search.FrmQSearch1->SearchOf(search.dbgHits));
        Snapshot(search, "search-window");
        search.dbgHits->selectRow(0);
        QTest::keyClick(search.dbgHits, Qt::Key_Return);
    });
    form->edSearch->setText("березов");  // "ё" in the names, "е" typed
    QTest::keyClick(form->edSearch, Qt::Key_Return);

    ASSERT_EQ(FDriver.Runs().size(), 1u);
    EXPECT_EQ(headers, QStringList({"Название", "Тип", "Уровень", "Путь"}));
    // Both names begin with the text: their paths order them.
    EXPECT_EQ(names, QStringList({"Берёзовка", "Березовский"}));
    EXPECT_EQ(paths, QStringList({"обл. Северная\\р-н. Озёрный\\с. Берёзовка",
                                  "обл. Южная\\р-н. Березовский"}));
    EXPECT_EQ(count, QStringLiteral(" Считано из БД 2 записи"));
    TObjectNode* selected = form->Tree()->Selected();
    ASSERT_TRUE(selected);
    EXPECT_EQ(selected->ID, FSample.birch);
    EXPECT_TRUE(selected->ParentNode()->isExpanded());
    EXPECT_EQ(KeptHits(), 0);  // the window's hits went with it
    EXPECT_EQ(FBoxes.Count(), 0u) << (FBoxes.Count() ? FBoxes.Last().Text.toStdString() : "");
}

TEST_F(SearchTest, CtrlFInThePickerSearchesAndTheChoiceIsWhatThePickerReturns) {
    int id = int(FSample.south);
    FDriver.Then([&](QDialog& picker) {
        auto& form = static_cast<TfMain&>(picker);
        FDriver.Then([&](QDialog& dialog) {
            auto& search = static_cast<TfSearch&>(dialog);
            EXPECT_EQ(search.HitCount(), 0);  // nothing typed yet
            search.edText->setText("  ГАВАНЬ ");
            QTest::keyClick(search.btnFind, Qt::Key_Space);
            ASSERT_EQ(search.HitCount(), 1);
            const QRect cell = search.dbgHits->visualRect(search.dbgHits->model()->index(0, 0));
            // A double click is a click and a second press that the system calls double.
            QTest::mouseClick(search.dbgHits->viewport(), Qt::LeftButton, {}, cell.center());
            QTest::mouseDClick(search.dbgHits->viewport(), Qt::LeftButton, {}, cell.center());
            EXPECT_EQ(search.ChosenID(), FSample.harbour);
            EXPECT_FALSE(search.isVisible());
        });
        form.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
        form.tvObjects->setFocus();
        QTest::keyClick(form.tvObjects, Qt::Key_F, Qt::ControlModifier);
        EXPECT_EQ(form.Tree()->Selected()->ID, FSample.harbour);
        form.btnSelect->click();
    });
    EXPECT_TRUE(ServiceTable::GetLocation(&FDb.Session(), "QXVBASE", &id));
    EXPECT_EQ(id, FSample.harbour);
    EXPECT_EQ(FDriver.Runs().size(), 2u);
}

TEST_F(SearchTest, AFailedSearchSaysSoAndTheWindowGoesOn) {
    auto* search = TComBaseForm::Create<TfSearch>(nullptr, &FDb.Session(), QString("QXVBASE"));
    const TFormHolder<TfSearch> hold(search);
    search->show();
    FDb.Counting().FailRoutine("FILL_T#LOCATION_HITS", 3113,
                               "end-of-file on communication channel");
    search->edText->setText("южная");
    QTest::keyClick(search->edText, Qt::Key_Return);
    ASSERT_EQ(FBoxes.Count(), 1u) << FBoxes.Calls()[0].Text.toStdString() << "|"
                                  << FBoxes.Last().Text.toStdString();
    EXPECT_TRUE(FBoxes.Last().Text.contains("end-of-file on communication channel"));
    EXPECT_EQ(search->HitCount(), 0);
    FDb.Counting().ClearFailures();
    QTest::keyClick(search->edText, Qt::Key_Return);
    EXPECT_EQ(search->HitCount(), 1);
    EXPECT_EQ(FBoxes.Count(), 1u);
}

}  // namespace
