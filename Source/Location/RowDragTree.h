#pragma once

#include <QTreeWidget>

#include <functional>

// A tree whose rows are re-parented by dragging them onto other rows of the same
// tree. The dragged row is the current one. Any drag of the tree's own rows is
// taken in on entering, whatever lies under the mouse at first (the dragged row
// itself); each move then asks the owner whether the row may land there, and the
// drop hands the move to the owner, which changes the tree itself. The view's own
// handling still draws the drop indicator and scrolls near the edges.
class TRowDragTree : public QTreeWidget {
    Q_OBJECT
public:
    explicit TRowDragTree(QWidget* parent);

    // Whether the current row may land on `target` (null: over no row). Asked only
    // for drags of the tree's own rows.
    std::function<bool(QTreeWidgetItem* target)> CanDrop;
    // Moves the current row under `target`; called only where CanDrop agreed.
    std::function<void(QTreeWidgetItem* target)> Drop;

    // The format that names the tree the dragged rows come from.
    static constexpr const char* RowsFormat = "application/x-qxv-tree-rows";
    // Whether a drag carries this tree's own rows. The rows' origin travels with
    // them, so a platform that cannot tell a drag's source (an offscreen one) still
    // lets the tree recognise its own.
    bool IsOwnDrag(const QDropEvent* event) const;

protected:
    QMimeData* mimeData(const QList<QTreeWidgetItem*>& items) const override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    QByteArray Identity() const;
    bool AcceptsAt(const QDropEvent* event) const;
};
