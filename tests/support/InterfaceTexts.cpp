#include "support/InterfaceTexts.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QTabWidget>
#include <QTableView>
#include <QTreeWidget>

namespace {

class TCollector {
public:
    TCollector(QWidget* window, bool hiddenToo) : FWindow(window), FHiddenToo(hiddenToo) {}

    QList<TShownText> Run() {
        Add(FWindow->objectName() + QStringLiteral(".title"), FWindow->windowTitle());
        Widget(FWindow);
        for (QWidget* w : FWindow->findChildren<QWidget*>()) {
            if (!Seen(w)) continue;
            Widget(w);
        }
        for (QAction* a : FWindow->findChildren<QAction*>()) Action(a);
        return FOut;
    }

private:
    bool Seen(QWidget* w) const {
        if (qobject_cast<QMenu*>(w)) return true;  // popups are seen when they open
        if (w->isWindow() && w != FWindow) return false;
        return FHiddenToo || w->isVisibleTo(FWindow);
    }

    void Add(const QString& where, const QString& text) {
        if (!text.trimmed().isEmpty()) FOut.push_back({where, text});
    }

    void Action(QAction* a) {
        if (a->isSeparator()) return;
        // An action counts when a user can reach it: on a visible control or a menu.
        bool reachable = FHiddenToo;
        for (QObject* o : a->associatedObjects())
            if (auto* w = qobject_cast<QWidget*>(o); w && (qobject_cast<QMenu*>(w) || Seen(w)))
                reachable = true;
        if (!reachable) return;
        const QString name = a->objectName().isEmpty() ? a->text() : a->objectName();
        Add(name + QStringLiteral(".text"), a->text());
        // Qt makes a tool tip of the text when none was set: that is no text of its own.
        QString implicit = a->text();
        implicit.remove(QLatin1Char('&'));
        if (a->toolTip() != implicit && a->toolTip() + QStringLiteral("...") != implicit)
            Add(name + QStringLiteral(".hint"), a->toolTip());
    }

    void Header(const QString& where, QAbstractItemView* view, Qt::Orientation orientation) {
        QAbstractItemModel* m = view->model();
        if (!m) return;
        const int n = orientation == Qt::Horizontal ? m->columnCount() : m->rowCount();
        for (int i = 0; i < n; ++i)
            Add(where + QStringLiteral(".header%1").arg(i),
                m->headerData(i, orientation, Qt::DisplayRole).toString());
    }

    void Widget(QWidget* w) {
        const QString n = w->objectName();
        Add(n + QStringLiteral(".hint"), w->toolTip());
        if (auto* l = qobject_cast<QLabel*>(w)) {
            Add(n + QStringLiteral(".text"), l->text());
        } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
            Add(n + QStringLiteral(".text"), b->text());
        } else if (auto* g = qobject_cast<QGroupBox*>(w)) {
            Add(n + QStringLiteral(".title"), g->title());
        } else if (auto* e = qobject_cast<QLineEdit*>(w)) {
            Add(n + QStringLiteral(".placeholder"), e->placeholderText());
            if (e->isReadOnly() && !qobject_cast<QComboBox*>(w->parent()))
                Add(n + QStringLiteral(".text"), e->text());
        } else if (auto* c = qobject_cast<QComboBox*>(w)) {
            for (int i = 0; i < c->count(); ++i)
                Add(n + QStringLiteral(".item%1").arg(i), c->itemText(i));
        } else if (auto* lw = qobject_cast<QListWidget*>(w)) {
            for (int i = 0; i < lw->count(); ++i)
                Add(n + QStringLiteral(".item%1").arg(i), lw->item(i)->text());
        } else if (auto* t = qobject_cast<QTabWidget*>(w)) {
            for (int i = 0; i < t->count(); ++i)
                if (FHiddenToo || t->isTabVisible(i))
                    Add(n + QStringLiteral(".tab%1").arg(i), t->tabText(i));
        } else if (auto* m = qobject_cast<QMenu*>(w)) {
            Add(n + QStringLiteral(".title"), m->title());
        } else if (auto* tree = qobject_cast<QTreeView*>(w)) {
            if (!tree->isHeaderHidden()) Header(n, tree, Qt::Horizontal);
        } else if (auto* table = qobject_cast<QTableView*>(w)) {
            if (FHiddenToo || !table->horizontalHeader()->isHidden())
                Header(n, table, Qt::Horizontal);
        }
    }

    QWidget* FWindow;
    bool FHiddenToo;
    QList<TShownText> FOut;
};

}  // namespace

QList<TShownText> WindowTexts(QWidget* window, bool hiddenToo) {
    return TCollector(window, hiddenToo).Run();
}
