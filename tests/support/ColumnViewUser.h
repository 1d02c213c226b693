#pragma once

// What a user does to reach and use the column view of an enhanced grid.

#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QListWidget>
#include <QMenu>
#include <QStyle>
#include <QTest>

#include "ComUnits/wwDBGrid.h"

// A right click on the first title of the grid, then a click on the column menu's item.
inline void OpenColumnView(TwwDBGrid& grid) {
    QHeaderView* header = grid.horizontalHeader();
    const QPoint at(header->sectionViewportPosition(header->logicalIndex(0)) + 5,
                    header->height() / 2);
    // The context menu event a right click becomes; QTest's clicks skip that step.
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, header->viewport()->mapToGlobal(at));
    QApplication::sendEvent(header->viewport(), &event);
    QMenu* menu = grid.ColumnMenu();
    if (!menu->isVisible()) return;
    QTest::mouseClick(menu, Qt::LeftButton, {},
                      menu->actionGeometry(grid.ColumnViewAction()).center());
}

// A click on the check box of a list item.
inline void ClickCheck(QListWidget& list, int row) {
    QStyleOptionViewItem option;
    option.initFrom(list.viewport());
    option.rect = list.visualItemRect(list.item(row));
    option.features = QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDisplay;
    option.text = list.item(row)->text();
    const QRect box =
        list.style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, &list);
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, box.center());
}
