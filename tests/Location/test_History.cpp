// The history of a place, opened from the tree's context menu by mouse and keys: when, who
// and what changed, for the place alone or with its subtree, in a grid the grid dialogs
// work on, in the user's language.

#include "Location/History.h"

#include <QCheckBox>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>

#include <algorithm>

#include "Components/QSearch/FrmQSearch.h"
#include "LocationWindowFixture.h"
#include "support/Snapshot.h"

namespace {

// The shown cells of a grid's row, or its titles for row -1.
QStringList Cells(QTableView& grid, int row) {
    QStringList cells;
    for (int c = 0; c < grid.model()->columnCount(); ++c)
        if (!grid.isColumnHidden(c))
            cells << (row < 0 ? grid.model()->headerData(c, Qt::Horizontal)
                              : grid.model()->index(row, c).data())
                         .toString();
    return cells;
}

TEST(History, OpensFromTheTreeMenuListsEachChangedFieldAndTakesTheSubtreeAndTheGridDialogs) {
    TestDatabase db;
    const TestDatabase::TSample s = db.AddSample();
    db.Call("QXVERPLOCAT", "UPD_T#LOCATION",
            {{"PID", s.lakeside},
             {"PID_PARENT", s.north},
             {"PID_LOCATTYPE", s.tR},
             {"PNAME", "Приозёрный"}});
    // There and back through a region deleted since: named by its id.
    const long long gone = db.AddLocation(-1, s.tObl, "Временная");
    for (long long parent : {gone, s.north})
        db.Call("QXVERPLOCAT", "UPD_T#LOCATION_ID_PARENT",
                {{"PID", s.lakeside}, {"PID_PARENT", parent}});
    db.Call("QXVERPLOCAT", "DEL_T#LOCATION", {{"PID", gone}});
    db.AddInfo(s.birch, -1, 1, "555-12");
    db.Raw().Commit();
    const QString was = QString::number(gone), parent = "обл. Северная";
    // Titles, then action, field, before, after of the place alone: in Russian, then in English.
    const std::pair<const char*, QStringList> cases[] = {
        {"history-window-ru",
         {"Действие|Поле|Было|Стало", "Перемещено|Вышестоящее|" + was + " (удалено)|" + parent,
          "Перемещено|Вышестоящее|" + parent + "|" + was + " (удалено)",
          "Изменено|Название|Озёрный|Приозёрный", "Добавлено|Уровень||2: район (р-н)",
          "Добавлено|Вышестоящее||" + parent, "Добавлено|Название||Озёрный"}},
        {"history-window",
         {"Action|Field|Before|After", "Moved|Parent|" + was + " (deleted)|" + parent,
          "Moved|Parent|" + parent + "|" + was + " (deleted)", "Changed|Name|Озёрный|Приозёрный",
          "Added|Level||2: район (р-н)", "Added|Parent||" + parent, "Added|Name||Озёрный"}},
    };
    MessageBoxRecorder boxes;
    for (const auto& [shot, expectedRows] : cases) {
        SCOPED_TRACE(shot);
        const bool english = shot == cases[1].first;
        if (english) db.SetUserLanguage(9);
        ModalDriver driver;
        TFormHolder<TfMain> form(TComBaseForm::Create<TfMain>(nullptr, &db.Session(), "QXVBASE"));
        form->show();
        form->Tree()->ExpandToLocation(int(s.birch));
        QStringList rows, objects;
        int subtree = 0;
        driver.Then([&](QDialog& dialog) {
            auto& history = static_cast<TfHistory&>(dialog);
            history.activateWindow();
            ASSERT_TRUE(QTest::qWaitForWindowActive(&history));
            for (int row = -1; row < history.RowCount(); ++row) {
                const QStringList cells = Cells(*history.dbgHistory, row);
                rows << QStringList{cells[2], cells[4], cells[5], cells[6]}.join(u'|');
            }
            EXPECT_TRUE(history.FrmQSearch1->SearchOf(history.dbgHistory));
            QTest::mouseClick(history.cbSubtree, Qt::LeftButton, {},
                              QPoint(8, history.cbSubtree->height() / 2));
            subtree = history.RowCount();
            driver.Then([](QDialog& sort) {  // the rows sorted by their object
                auto* list = sort.findChild<QListWidget*>("lwFields");
                for (int i = 0; list && i < list->count(); ++i)
                    list->item(i)->setCheckState(list->item(i)->data(Qt::UserRole) == "OBJECT"
                                                     ? Qt::Checked
                                                     : Qt::Unchecked);
                QTest::mouseClick(sort.findChild<QPushButton*>("btnOk"), Qt::LeftButton);
            });
            history.dbgHistory->setFocus();
            QTest::keyClick(history.dbgHistory, Qt::Key_S, Qt::ControlModifier);
            for (int row = 0; row < history.RowCount(); ++row)
                objects << Cells(*history.dbgHistory, row)[3];
            Snapshot(history, shot);
            QTest::mouseClick(history.btnClose, Qt::LeftButton);
        });
        // A right click on the district selects it and opens the menu; Up walks to the history.
        RightClick(*form, form->Tree()->Selected()->ParentNode());
        ASSERT_TRUE(form->pmTree->isVisible());
        for (int i = 0; i < 8 && form->pmTree->activeAction() != form->aHistory; ++i)
            QTest::keyClick(form->pmTree, Qt::Key_Up);
        QTest::keyClick(form->pmTree, Qt::Key_Return);

        ASSERT_EQ(driver.Runs().size(), 2u);
        // Newest first; the next window keeps the order the user sorted by.
        QStringList expected = expectedRows;
        if (english)
            std::sort(rows.begin() + 1, rows.end()),
                std::sort(expected.begin() + 1, expected.end());
        EXPECT_EQ(rows, expected);
        // With the subtree: the village, the town and the village's information item too.
        EXPECT_EQ(subtree, 6 + 3 + 3 + 3);
        EXPECT_TRUE(std::is_sorted(objects.begin(), objects.end()))
            << objects.join(u',').toStdString();
        EXPECT_EQ(boxes.Count(), 0u) << (boxes.Count() ? boxes.Last().Text.toStdString() : "");
    }
}

}  // namespace
