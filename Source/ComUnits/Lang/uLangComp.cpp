#include "ComUnits/Lang/uLangComp.h"

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
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTableWidget>
#include <QTreeWidget>
#include <QWidget>

#include <exception>

#include "ComUnits/Lang/uLanguagesDM.h"
#include "ComUnits/uComponentTree.h"
#include "FormReposit/uComBaseForm.h"
#include "Platform/Data/DataSet.h"

namespace {

const QString PhraseSeparator = QStringLiteral(" | ");

bool IsBlank(QChar c) { return c.unicode() <= 32; }

// Qt's own tool tip of an action without one: the text less "&" and a trailing "...".
QString ImplicitActionTip(const QString& text) {
    QString s = text;
    s.remove(QRegularExpression(QStringLiteral("&(?!&)")));
    s.replace(QStringLiteral("&&"), QStringLiteral("&"));
    while (s.endsWith(QLatin1Char('.'))) s.chop(1);
    return s;
}

}  // namespace

TLang::TLang(TLangTranslate translate, TLangFilter filter)
    : FTranslate(std::move(translate)), FFilter(std::move(filter)) {}

bool TLang::Refused(QObject* component) {
    // Asked once per component: the form's filter takes a component off its list
    // when it answers, so a second question would get another answer.
    if (const auto it = FRefused.constFind(component); it != FRefused.constEnd()) return *it;
    // An editable line edit holds the user's data, never a designed text.
    bool refused = false;
    if (auto* edit = qobject_cast<QLineEdit*>(component); edit && !edit->isReadOnly())
        refused = true;
    else
        refused = FFilter && FFilter(component);
    FRefused.insert(component, refused);
    return refused;
}

bool TLang::Permitted(QObject* component) {
    // The second check of three kinds: what a component hangs on must be permitted too.
    if (auto* action = qobject_cast<QAction*>(component)) {
        QObject* holder = action->parent();
        if (auto* menu = qobject_cast<QMenu*>(holder)) {
            if (Refused(menu)) return false;
            QAction* parentItem = menu->menuAction();
            for (QObject* o : parentItem->associatedObjects())
                if (qobject_cast<QMenu*>(o) && Refused(parentItem)) return false;
        } else if (holder && !holder->isWidgetType() && Refused(holder)) {
            return false;  // its action list
        }
    }
    return true;
}

void TLang::CollectComponent(QObject* component, unsigned options) {
    Collect(component, options, true);
}

void TLang::Collect(QObject* component, unsigned options, bool isRoot) {
    if (!component || Refused(component)) return;
    if (options & loOwned) {
        // Every owned component stands for itself: a refused panel keeps its own text,
        // while the buttons and labels on it are components of the form like any other.
        // A frame brings its own components along.
        for (QObject* child : OwnedComponents(component))
            Collect(child, IsComponentOwner(child) ? (options & ~loSkipSelf) : 0u, false);
    }
    if (!(options & loSkipSelf) && Permitted(component)) AddItem(component, isRoot);
    // The items of a popup menu belong to the menu here; each is a component of its own.
    if (auto* menu = qobject_cast<QMenu*>(component)) CollectMenuItems(menu);
}

void TLang::CollectMenuItems(QMenu* menu) {
    for (QAction* item : menu->actions()) {
        if (item->isSeparator()) continue;
        if (!Refused(item) && Permitted(item)) AddItem(item, false);
        if (QMenu* sub = item->menu(); sub && !FAdded.contains(sub)) {
            FAdded << sub;
            FItems.push_back({sub, TKind::Menu, tfCommentMark | tfAccelerator});
            CollectMenuItems(sub);
        }
    }
}

void TLang::AddItem(QObject* component, bool isRoot) {
    if (FAdded.contains(component)) return;
    unsigned flags = tfCommentMark | tfAccelerator;
    TKind kind;
    if (qobject_cast<TDataSet*>(component)) {
        kind = TKind::DataSet;
    } else if (qobject_cast<QAction*>(component)) {
        kind = TKind::Action;
    } else if (qobject_cast<QMenu*>(component)) {
        kind = TKind::Menu;
    } else if (qobject_cast<QPlainTextEdit*>(component)) {
        kind = TKind::Memo;
        flags = tfCommentMark | tfMultiLine | tfPhrases;
    } else if (qobject_cast<QLineEdit*>(component)) {
        kind = TKind::Edit;
        flags = tfCommentMark;
    } else if (qobject_cast<QComboBox*>(component)) {
        kind = TKind::ComboBox;
        flags = tfCommentMark;
    } else if (qobject_cast<QListWidget*>(component)) {
        kind = TKind::ListBox;
    } else if (auto* label = qobject_cast<QLabel*>(component)) {
        kind = TKind::Label;
        // Only plain labels carry " | " phrase lists; derived widgets show one text.
        if (label->metaObject() == &QLabel::staticMetaObject) flags |= tfPhrases;
    } else if (qobject_cast<QAbstractButton*>(component)) {
        kind = TKind::Button;
    } else if (qobject_cast<QGroupBox*>(component)) {
        kind = TKind::GroupBox;
    } else if (qobject_cast<QTabWidget*>(component)) {
        kind = TKind::TabWidget;
    } else if (qobject_cast<QTreeWidget*>(component)) {
        kind = TKind::TreeWidget;
    } else if (qobject_cast<QTableWidget*>(component)) {
        kind = TKind::TableWidget;
    } else if (qobject_cast<QAbstractItemView*>(component)) {
        kind = TKind::ItemView;
    } else if (component->isWidgetType()) {
        kind = isRoot || static_cast<QWidget*>(component)->isWindow() ? TKind::Form : TKind::Widget;
    } else {
        return;  // nothing translatable
    }
    FAdded << component;
    FItems.push_back({component, kind, flags});
}

void TLang::TranslateAll() {
    // Owned components before their owner: the root comes last.
    std::vector<const TItem*> order;
    for (const TItem& item : FItems)
        if (item.Kind != TKind::Form) order.push_back(&item);
    for (const TItem& item : FItems)
        if (item.Kind == TKind::Form) order.push_back(&item);
    for (const TItem* item : order) {
        if (!item->Component) continue;
        try {
            TranslateItem(*item);
        } catch (const std::exception& e) {
            qDebug("Translation of %s failed: %s", qPrintable(item->Component->objectName()),
                   e.what());
        } catch (...) {
        }
    }
}

QString TLang::Tr(const QString& text, unsigned flags, const QObject* component) const {
    return TranslateText(text, flags, component->objectName());
}

void TLang::TranslateItem(const TItem& item) {
    QObject* c = item.Component;
    const unsigned f = item.Flags;
    const bool keepText = TagOf(c) == KeepCaptionTag;

    if (item.Kind == TKind::DataSet) {
        auto* ds = static_cast<TDataSet*>(c);
        for (int i = 0; i < ds->FieldCount(); ++i) {
            TField* field = ds->Fields(i);
            if (!field) continue;
            const QString label = field->DisplayLabel();
            const QString t = TranslateText(label, f, field->FieldName());
            if (t != label) field->SetDisplayLabel(t);
        }
        return;
    }
    if (item.Kind == TKind::Action) {
        auto* a = static_cast<QAction*>(c);
        // Menu items keep their caption with the Tag; actions have no such rule.
        const bool keepCaption = keepText && qobject_cast<QMenu*>(a->parent());
        const QString tip = a->toolTip();
        const bool ownTip = tip != ImplicitActionTip(a->text());
        const QString status = a->statusTip();
        if (const QString t = Tr(status, f, c); t != status) a->setStatusTip(t);
        const QString text = a->text();
        if (!keepCaption)
            if (const QString t = Tr(text, f, c); t != text) a->setText(t);
        // A tip equal to the caption may still be one of its own: it then stays
        // behind when the caption changes.
        if (ownTip || a->toolTip() == tip)
            if (const QString t = Tr(tip, f, c); t != tip) a->setToolTip(t);
        return;
    }

    auto* w = static_cast<QWidget*>(c);
    // The hint first, whatever the Tag.
    const QString tip = w->toolTip();
    if (const QString t = Tr(tip, f, c); t != tip) w->setToolTip(t);
    const QString status = w->statusTip();
    if (const QString t = Tr(status, f, c); t != status) w->setStatusTip(t);

    switch (item.Kind) {
        case TKind::ListBox: {
            auto* list = static_cast<QListWidget*>(w);
            for (int i = 0; i < list->count(); ++i) {
                QListWidgetItem* it = list->item(i);
                it->setText(Tr(it->text(), f, c));
            }
            return;
        }
        case TKind::ComboBox: {
            if (keepText) return;  // the items keep their texts with the caption
            auto* combo = static_cast<QComboBox*>(w);
            const int index = combo->currentIndex();
            const QSignalBlocker block(combo);
            for (int i = 0; i < combo->count(); ++i)
                combo->setItemText(i, Tr(combo->itemText(i), f, c));
            if (index != -1) combo->setCurrentIndex(index);
            return;
        }
        case TKind::TabWidget: {
            auto* tabs = static_cast<QTabWidget*>(w);
            for (int i = 0; i < tabs->count(); ++i) {
                if (!tabs->isTabVisible(i)) continue;
                tabs->setTabToolTip(i, Tr(tabs->tabToolTip(i), f, tabs->widget(i)));
                if (TagOf(tabs->widget(i)) != KeepCaptionTag)
                    tabs->setTabText(i, Tr(tabs->tabText(i), f, tabs->widget(i)));
            }
            return;
        }
        case TKind::TreeWidget: {
            QTreeWidgetItem* header = static_cast<QTreeWidget*>(w)->headerItem();
            for (int i = 0; header && i < header->columnCount(); ++i)
                header->setText(i, Tr(header->text(i), f, c));
            return;
        }
        case TKind::ItemView: {
            QAbstractItemModel* model = static_cast<QAbstractItemView*>(w)->model();
            for (int i = 0; model && i < model->columnCount(); ++i) {
                const QString h = model->headerData(i, Qt::Horizontal).toString();
                if (const QString t = Tr(h, f, c); t != h)
                    model->setHeaderData(i, Qt::Horizontal, t);
            }
            return;
        }
        case TKind::TableWidget: {
            auto* table = static_cast<QTableWidget*>(w);
            for (int i = 0; i < table->columnCount(); ++i)
                if (QTableWidgetItem* h = table->horizontalHeaderItem(i))
                    h->setText(Tr(h->text(), f, c));
            return;
        }
        default:
            break;
    }

    if (keepText) return;
    switch (item.Kind) {
        case TKind::Label: {
            auto* l = static_cast<QLabel*>(w);
            if (const QString t = Tr(l->text(), f, c); t != l->text()) l->setText(t);
            break;
        }
        case TKind::Button: {
            auto* b = static_cast<QAbstractButton*>(w);
            if (const QString t = Tr(b->text(), f, c); t != b->text()) b->setText(t);
            break;
        }
        case TKind::GroupBox: {
            auto* g = static_cast<QGroupBox*>(w);
            if (const QString t = Tr(g->title(), f, c); t != g->title()) g->setTitle(t);
            break;
        }
        case TKind::Edit: {
            auto* e = static_cast<QLineEdit*>(w);
            if (const QString t = Tr(e->text(), f, c); t != e->text()) e->setText(t);
            const QString ph = e->placeholderText();
            if (const QString t = Tr(ph, f, c); t != ph) e->setPlaceholderText(t);
            break;
        }
        case TKind::Memo: {
            auto* m = static_cast<QPlainTextEdit*>(w);
            const QString text = m->toPlainText();
            QString t = Tr(text, f, c);
            t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
            if (t != text) m->setPlainText(t);
            break;
        }
        case TKind::Menu: {
            auto* menu = static_cast<QMenu*>(w);
            if (const QString t = Tr(menu->title(), f, c); t != menu->title()) menu->setTitle(t);
            break;
        }
        case TKind::Form: {
            if (const QString t = Tr(w->windowTitle(), f, c); t != w->windowTitle())
                w->setWindowTitle(t);
            break;
        }
        default:
            break;
    }
}

QString TLang::TranslatePhrase(const QString& phrase, unsigned flags, bool accelerator) const {
    int start = 0;
    int end = phrase.size();
    while (start < end && IsBlank(phrase[start])) ++start;
    while (end > start && IsBlank(phrase[end - 1])) --end;
    QString core = phrase.mid(start, end - start);
    if (core.isEmpty()) return core;
    if ((flags & tfCommentMark) && core.startsWith(QStringLiteral("//"))) return core.mid(2);
    int amp = -1;
    if (accelerator && core.size() > 1) {
        amp = core.left(10).indexOf(QLatin1Char('&'));
        if (amp >= 0) core.remove(amp, 1);
    }
    QString translated = FTranslate ? FTranslate(core) : core;
    if (amp >= 0)
        translated.insert(qMin(amp, static_cast<int>(translated.size())), QLatin1Char('&'));
    return phrase.left(start) + translated + phrase.mid(end);
}

QString TLang::TranslateText(const QString& text, unsigned flags, const QString& name) const {
    bool blank = true;
    for (QChar ch : text)
        if (!IsBlank(ch)) {
            blank = false;
            break;
        }
    if (blank) return text;
    const QStringList lines = (flags & tfMultiLine)
                                  ? text.split(QRegularExpression(QStringLiteral("\r\n|\r|\n")))
                                  : QStringList{text};
    if (lines.size() == 1 && lines.front() == name) return text;
    bool accelerator = flags & tfAccelerator;
    QStringList out;
    for (const QString& line : lines) {
        QStringList phrases;
        if (flags & tfPhrases)
            phrases = line.split(PhraseSeparator);
        else
            phrases = {QString(line).replace(PhraseSeparator, QStringLiteral(" "))};
        QStringList done;
        for (const QString& phrase : phrases) {
            done << TranslatePhrase(phrase, flags, accelerator);
            accelerator = false;
        }
        out << done.join(QLatin1Char(' '));
    }
    return out.join(QStringLiteral("\r\n"));
}

void TranslateComponents(QObject* root, const TLangTranslate& translate, const TLangFilter& filter,
                         unsigned options) {
    TLang lang(translate, filter);
    lang.CollectComponent(root, options);
    lang.TranslateAll();
}

void InstallTranslationPass() {
    TComBaseForm::SetTranslatePass(
        [](TComBaseForm& form, const QList<QObject*>&, unsigned options) {
            if (!LanguagesDM()) return;
            // The form's list names what must stay as designed; taking each out of
            // the list makes it count for this pass only.
            TranslateComponents(
                &form, &TranslateFormText,
                [&form](QObject* component) { return form.TakeExclusion(component); }, options);
        });
}
