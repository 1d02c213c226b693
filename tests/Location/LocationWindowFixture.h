#pragma once

// The location window over the sample directory, shown, with the message boxes recorded and
// every dialog scripted.

#include <QApplication>
#include <QContextMenuEvent>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include "Location/LocationTree.h"
#include "Location/Main.h"
#include "Location/ObjectNode.h"
#include "support/MessageBoxRecorder.h"
#include "support/ModalDriver.h"
#include "support/TestDatabase.h"

// Typing, one key a character with its text, as a keyboard of any layout sends them (the key
// simulation spells only ASCII by itself).
inline void Type(QWidget* widget, const QString& text) {
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

// A right click on a row of the window's tree, which selects it, and the context menu the
// system asks for after it.
inline void RightClick(TfMain& form, QTreeWidgetItem* row) {
    QWidget* viewport = form.tvObjects->viewport();
    const QPoint at = form.tvObjects->visualItemRect(row).center();
    QTest::mouseClick(viewport, Qt::RightButton, {}, at);
    QContextMenuEvent menu(QContextMenuEvent::Mouse, at, viewport->mapToGlobal(at));
    QApplication::sendEvent(viewport, &menu);
}

class LocationWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        FSample = FDb.AddSample();
        FForm = TComBaseForm::Create<TfMain>(nullptr, &FDb.Session(), QString("QXVBASE"));
        FForm->show();
    }
    void TearDown() override { TComBaseForm::Free(FForm); }

    // The node of a place the tree has read (the root for -1), or null.
    TObjectNode* Node(long long id) const { return FForm->Tree()->Find(int(id)); }
    // A column of a place's row as the server has it now.
    QVariant InDb(long long id, const char* column) {
        const TRowSet rows =
            FDb.Rows("QXVERPLOCAT", "GET_T#LOCATION", {{"PID", id}, {"PID_PARENT", {}}});
        return rows.Rows.empty() ? QVariant("missing") : TestDatabase::Cell(rows, 0, column);
    }

    TestDatabase FDb;
    TestDatabase::TSample FSample{};
    MessageBoxRecorder FBoxes;
    ModalDriver FDriver;
    TfMain* FForm = nullptr;
};
