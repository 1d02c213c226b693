#pragma once

#include <QApplication>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <memory>
#include <utility>

// A user's drag of a tree row, as the platform delivers it to the tree's viewport:
// the row pressed and moved past the drag distance (which makes it current and lets
// the view make the drag's data for it), then enter, moves and a drop, in that order.
// Each answer is whether the tree accepted the event.
class TreeDrag {
public:
    // Starts dragging `row` with the data the view makes for it.
    static TreeDrag Start(QTreeWidget* view, QTreeWidgetItem* row) {
        view->scrollToItem(row);
        const QPoint at = view->visualItemRect(row).center();
        QTest::mousePress(view->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseMove(view->viewport(), at + QPoint(0, QApplication::startDragDistance() + 2));
        QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, at);
        EXPECT_EQ(view->currentItem(), row) << "pressing a row makes it the dragged one";
        TreeDrag drag(view, std::shared_ptr<QMimeData>(view->model()->mimeData(
                                view->selectionModel()->selectedIndexes())));
        drag.FStart = at;
        return drag;
    }
    // A drag of data made elsewhere (another program, another tree); `data` stays the caller's.
    TreeDrag(QTreeWidget* view, QMimeData* data)
        : TreeDrag(view, std::shared_ptr<QMimeData>(data, [](QMimeData*) {})) {}

    bool Enter() { return Send<QDragEnterEvent>(FStart); }
    bool Move(QTreeWidgetItem* over) { return MoveTo(Centre(over)); }
    bool MoveTo(const QPoint& at) { return Send<QDragMoveEvent>(at); }
    bool Drop(QTreeWidgetItem* on) { return Send<QDropEvent>(Centre(on)); }
    void Leave() {
        QDragLeaveEvent leave;
        QCoreApplication::sendEvent(FView->viewport(), &leave);
    }
    QPoint Centre(QTreeWidgetItem* row) const { return FView->visualItemRect(row).center(); }

private:
    template <class E>
    bool Send(const QPoint& at) {
        E event(at, Qt::MoveAction | Qt::CopyAction, FData.get(), Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(FView->viewport(), &event);
        return event.isAccepted();
    }
    TreeDrag(QTreeWidget* view, std::shared_ptr<QMimeData> data)
        : FView(view), FData(std::move(data)) {}

    QTreeWidget* FView;
    std::shared_ptr<QMimeData> FData;
    QPoint FStart;
};
