#include "ComFormLibs/SortDialog.h"

#include <QDialogButtonBox>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "ComFormLibs/GridDialogs.h"
#include "Platform/Data/OraQuery.h"

using ComFormLibs::Text;

namespace {
constexpr int DescendingRole = Qt::UserRole + 1;

constexpr int TitleRole = Qt::UserRole + 2;

// The field under the title the grid shows for it.
void ShowItem(QListWidgetItem* item) {
    const bool descending = item->data(DescendingRole).toBool();
    item->setText(item->data(TitleRole).toString() + (descending ? " ▼" : " ▲"));
}
}  // namespace

TSortDialog::TSortDialog(TOraQuery* query, int language) : FQuery(query) {
    setObjectName("fSortDialog");
    setWindowTitle(Text(language, "Сортировка", "Sort"));
    lwFields = new QListWidget(this);
    lwFields->setObjectName("lwFields");
    // The current order first, in its order, then the other fields.
    const TMacro* macro = query->FindMacro("FIELD");
    QStringList current;
    if (macro && macro->Active())
        for (const QString& part : macro->Value().split(u',', Qt::SkipEmptyParts))
            current << part.trimmed();
    QStringList names;
    for (const QString& part : current) names << part.section(u' ', 0, 0);
    for (const QString& name : query->FieldNames())
        if (!names.contains(name, Qt::CaseInsensitive)) names << name;
    for (const QString& name : names) {
        // A field the grid does not show is no choice of the user's; an order by it stays.
        const TField* field = query->FindField(name);
        if (field && !field->Visible()) {
            for (const QString& part : current)
                if (part.section(u' ', 0, 0).compare(name, Qt::CaseInsensitive) == 0)
                    FKeptOrder << part;
            continue;
        }
        auto* item = new QListWidgetItem(lwFields);
        item->setData(Qt::UserRole, name);
        item->setData(TitleRole, field ? field->DisplayLabel() : name);
        const auto it = std::find_if(current.begin(), current.end(), [&](const QString& part) {
            return part.section(u' ', 0, 0).compare(name, Qt::CaseInsensitive) == 0;
        });
        item->setData(DescendingRole,
                      it != current.end() && it->endsWith("DESC", Qt::CaseInsensitive));
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(it != current.end() ? Qt::Checked : Qt::Unchecked);
        ShowItem(item);
    }
    auto* tools = new QDialogButtonBox(this);
    auto addTool = [&](const char* name, const QString& text, auto slot) {
        QPushButton* b = tools->addButton(text, QDialogButtonBox::ActionRole);
        b->setObjectName(name);
        connect(b, &QPushButton::clicked, this, slot);
    };
    addTool("btnDirection", Text(language, "По возр./убыв.", "Asc/Desc"),
            [this] { ToggleDirection(); });
    addTool("btnUp", Text(language, "Выше", "Up"), [this] { Move(-1); });
    addTool("btnDown", Text(language, "Ниже", "Down"), [this] { Move(1); });
    auto* buttons = ComFormLibs::OkCancel(this, language);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lwFields);
    layout->addWidget(tools);
    layout->addWidget(buttons);
}

void TSortDialog::ToggleDirection() {
    if (QListWidgetItem* item = lwFields->currentItem()) {
        item->setData(DescendingRole, !item->data(DescendingRole).toBool());
        ShowItem(item);
    }
}

void TSortDialog::Move(int by) {
    const int row = lwFields->currentRow();
    const int to = row + by;
    if (row < 0 || to < 0 || to >= lwFields->count()) return;
    QListWidgetItem* item = lwFields->takeItem(row);
    lwFields->insertItem(to, item);
    lwFields->setCurrentRow(to);
}

QString TSortDialog::SortList() const {
    QStringList parts;
    for (int i = 0; i < lwFields->count(); ++i) {
        const QListWidgetItem* item = lwFields->item(i);
        if (item->checkState() != Qt::Checked) continue;
        parts << item->data(Qt::UserRole).toString() +
                     (item->data(DescendingRole).toBool() ? " DESC" : "");
    }
    for (const QString& part : FKeptOrder) parts << part;
    return parts.join(", ");
}

void TSortDialog::Apply() {
    TMacro* order = FQuery->FindMacro("ORDER");
    TMacro* field = FQuery->FindMacro("FIELD");
    if (!order || !field) return;
    const QString list = SortList();
    const bool wasOpen = FQuery->Active();
    FQuery->Close();
    field->SetValue(list);
    field->SetActive(!list.isEmpty());
    order->SetActive(!list.isEmpty());
    if (order->Value().isEmpty()) order->SetValue("ORDER BY");
    if (wasOpen) FQuery->Open();
}
