// The history of a place, opened from the tree's context menu by mouse and keys: when, who
// and what changed, for the place alone or with its subtree, in a grid the grid dialogs
// work on, in the user's language.

#include "Location/History.h"

#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include "Components/QSearch/FrmQSearch.h"
#include "Location/LocationTree.h"
#include "Location/Main.h"
#include "Location/ObjectNode.h"
#include "Platform/Data/OraQuery.h"
#include "support/MessageBoxRecorder.h"
#include "support/ModalDriver.h"
#include "support/Snapshot.h"
#include "support/TestDatabase.h"

namespace {

QStringList Column(TDataSet& rows, const char* field) {
    QStringList values;
    for (int row = 0; row < rows.RecordCount(); ++row)
        values << rows.CellValue(row, rows.FieldByName(QString::fromLatin1(field))).toString();
    return values;
}

QStringList Headers(QTableView& grid) {
    QStringList headers;
    for (int c = 0; c < grid.model()->columnCount(); ++c)
        if (!grid.isColumnHidden(c))
            headers << grid.model()->headerData(c, Qt::Horizontal).toString();
    return headers;
}

TEST(History, OpensFromTheTreeMenuListsEachChangedFieldAndTakesTheSubtreeAndTheGridDialogs) {
    TestDatabase db;
    const TestDatabase::TSample s = db.AddSample();
    ASSERT_EQ(db.Call("QXVERPLOCAT", "UPD_T#LOCATION",
                      {{"PID", s.lakeside},
                       {"PID_PARENT", s.north},
                       {"PID_LOCATTYPE", s.tR},
                       {"PNAME", "Приозёрный"}}),
              s.lakeside);
    db.AddInfo(s.birch, -1, 1, "555-12");
    db.Raw().Commit();
    const struct {
        int Language;
        const char* Shot;
        QStringList Headers;
        QStringList Rows;  // action, field, before, after of the place alone
    } cases[] = {
        {25,
         "history-window-ru",
         {"Когда", "Кто", "Действие", "Объект", "Поле", "Было", "Стало"},
         {"Изменено|Название|Озёрный|Приозёрный", "Добавлено|Уровень||LEVEL",
          "Добавлено|Вышестоящее||PARENT", "Добавлено|Название||Озёрный"}},
        {9,
         "history-window",
         {"When", "Who", "Action", "Object", "Field", "Before", "After"},
         {"Changed|Name|Озёрный|Приозёрный", "Added|Level||LEVEL", "Added|Parent||PARENT",
          "Added|Name||Озёрный"}},
    };
    MessageBoxRecorder boxes;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Shot);
        if (c.Language == 9) db.SetUserLanguage(9);
        ModalDriver driver;
        auto* form = TComBaseForm::Create<TfMain>(nullptr, &db.Session(), QString("QXVBASE"));
        const TFormHolder<TfMain> hold(form);
        form->show();
        form->Tree()->ExpandToLocation(int(s.birch));
        QStringList rows, headers, objects;
        int subtree = 0;
        driver.Then([&](QDialog& dialog) {
            auto& history = static_cast<TfHistory&>(dialog);
            history.activateWindow();
            ASSERT_TRUE(QTest::qWaitForWindowActive(&history));
            headers = Headers(*history.dbgHistory);
            TOraQuery& q = *history.oqHistory;
            for (int i = 0; i < q.RecordCount(); ++i)
                rows << QStringList{Column(q, "OP")[i], Column(q, "FIELD")[i],
                                    Column(q, "OLD_VALUE")[i], Column(q, "NEW_VALUE")[i]}
                            .join(u'|');
            EXPECT_TRUE(history.FrmQSearch1->SearchOf(history.dbgHistory));
            QTest::mouseClick(history.cbSubtree, Qt::LeftButton, {},
                              QPoint(8, history.cbSubtree->height() / 2));
            subtree = history.RowCount();
            // Sorted by the object through the sort dialog.
            driver.Then([](QDialog& sort) {
                auto* list = sort.findChild<QListWidget*>("lwFields");
                ASSERT_TRUE(list);
                for (int i = 0; i < list->count(); ++i)
                    list->item(i)->setCheckState(list->item(i)->data(Qt::UserRole) == "OBJECT"
                                                     ? Qt::Checked
                                                     : Qt::Unchecked);
                QTest::mouseClick(sort.findChild<QPushButton*>("btnOk"), Qt::LeftButton);
            });
            history.dbgHistory->setFocus();
            QTest::keyClick(history.dbgHistory, Qt::Key_S, Qt::ControlModifier);
            objects = Column(q, "OBJECT");
            Snapshot(history, c.Shot);
            QTest::mouseClick(history.btnClose, Qt::LeftButton);
        });
        // A right click on the district selects it and opens the menu; Up reaches the history.
        TObjectNode* district = form->Tree()->Selected()->ParentNode();
        const QPoint at = form->tvObjects->visualItemRect(district).center();
        QWidget* viewport = form->tvObjects->viewport();
        QTest::mouseClick(viewport, Qt::RightButton, {}, at);
        // The menu event the system sends after that click.
        QContextMenuEvent menu(QContextMenuEvent::Mouse, at, viewport->mapToGlobal(at));
        QApplication::sendEvent(viewport, &menu);
        ASSERT_TRUE(form->pmTree->isVisible());
        QTest::keyClick(form->pmTree, Qt::Key_Up);
        QTest::keyClick(form->pmTree, Qt::Key_Return);

        ASSERT_EQ(driver.Runs().size(), 2u);
        EXPECT_EQ(headers, c.Headers);
        // Newest first; the next window keeps the order the user sorted by.
        QStringList expected;
        for (const QString& row : c.Rows)
            expected << QString(row)
                            .replace("LEVEL", QString::number(s.tR))
                            .replace("PARENT", QString::number(s.north));
        if (c.Language == 9) {
            rows.sort();
            expected.sort();
        }
        EXPECT_EQ(rows, expected);
        // With the subtree: the village, the town and the village's information item too.
        EXPECT_EQ(subtree, 4 + 3 + 3 + 3);
        QStringList sorted = objects;
        sorted.sort();
        EXPECT_EQ(objects, sorted);
        EXPECT_TRUE(objects.contains("Берёзовка"));
        EXPECT_EQ(boxes.Count(), 0u) << (boxes.Count() ? boxes.Last().Text.toStdString() : "");
    }
}

}  // namespace
