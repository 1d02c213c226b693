#include "Location/RowDragTree.h"

#include <QDropEvent>
#include <QMimeData>

TRowDragTree::TRowDragTree(QWidget* parent) : QTreeWidget(parent) {
    setDragEnabled(true);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDropIndicatorShown(true);
}

QByteArray TRowDragTree::Identity() const {
    return QByteArray::number(reinterpret_cast<quintptr>(this));
}

QMimeData* TRowDragTree::mimeData(const QList<QTreeWidgetItem*>& items) const {
    QMimeData* data = QTreeWidget::mimeData(items);
    if (data) data->setData(QString::fromLatin1(RowsFormat), Identity());
    return data;
}

bool TRowDragTree::IsOwnDrag(const QDropEvent* event) const {
    if (event->source()) return event->source() == this;
    const QMimeData* data = event->mimeData();
    return data && data->data(QString::fromLatin1(RowsFormat)) == Identity();
}

bool TRowDragTree::AcceptsAt(const QDropEvent* event) const {
    return IsOwnDrag(event) && CanDrop && CanDrop(itemAt(event->position().toPoint()));
}

void TRowDragTree::dragEnterEvent(QDragEnterEvent* event) {
    QTreeWidget::dragEnterEvent(event);
    if (IsOwnDrag(event)) {
        setState(DraggingState);
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void TRowDragTree::dragMoveEvent(QDragMoveEvent* event) {
    const bool accepted = AcceptsAt(event);
    setDropIndicatorShown(accepted);  // the indicator only where the row may land
    QTreeWidget::dragMoveEvent(event);
    if (accepted)
        event->acceptProposedAction();
    else
        event->ignore();
}

void TRowDragTree::dropEvent(QDropEvent* event) {
    stopAutoScroll();
    setState(NoState);
    viewport()->update();
    if (!AcceptsAt(event) || !Drop) {
        event->ignore();
        return;
    }
    Drop(itemAt(event->position().toPoint()));
    // The row is already where it belongs: a copy action keeps the view from
    // removing the dragged original once the drag ends.
    event->setDropAction(Qt::CopyAction);
    event->accept();
}
