#include "ComFormLibs/FilterDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>

#include "ComFormLibs/GridDialogs.h"
#include "Platform/Data/OraQuery.h"

using ComFormLibs::Text;

namespace {

// Where the query's own text is kept while a filter wraps it, and where the framework
// reads the filter condition (its filter marker).
const char OriginalSQLProperty[] = "ComFormLibsSQL";
const char FilterSQLProperty[] = "FilterSQL";

enum TOp { Equal, NotEqual, Contains, BeginsWith };

bool PlainIdentifier(const QString& name) {
    static const QRegularExpression re("^[A-Za-z_][A-Za-z0-9_#$]*$");
    return re.match(name).hasMatch();
}

}  // namespace

TFilterDialog::TFilterDialog(TOraQuery* query, int language) : FQuery(query) {
    setObjectName("fFilterDialog");
    setWindowTitle(Text(language, "Фильтр", "Filter"));
    auto* form = new QFormLayout(this);
    const QVariantMap previous = query->property("ComFormLibsFilter").toMap();
    for (int i = 0; i < query->FieldCount(); ++i) {
        const TField* field = query->Fields(i);
        if (!field->Visible() || field->FieldKind() != TFieldKind::Data ||
            !PlainIdentifier(field->FieldName()))
            continue;
        auto* op = new QComboBox(this);
        op->setObjectName("cbOp_" + field->FieldName());
        op->addItems({"=", "<>", Text(language, "содержит", "contains"),
                      Text(language, "начинается с", "begins with")});
        auto* value = new QLineEdit(this);
        value->setObjectName("edtValue_" + field->FieldName());
        const QStringList kept = previous.value(field->FieldName()).toStringList();
        if (kept.size() == 2) {
            op->setCurrentIndex(kept[0].toInt());
            value->setText(kept[1]);
        }
        auto* row = new QHBoxLayout;
        row->addWidget(op);
        row->addWidget(value, 1);
        form->addRow(field->DisplayLabel(), row);
        FRows.append({field->FieldName(), op, value});
    }
    auto* buttons = ComFormLibs::OkCancel(this, language);
    QPushButton* clear =
        buttons->addButton(Text(language, "Очистить", "Clear"), QDialogButtonBox::ResetRole);
    clear->setObjectName("btnClear");
    connect(clear, &QPushButton::clicked, this, [this] {
        for (const TRow& row : FRows) row.Value->clear();
        accept();
    });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
}

void TFilterDialog::Clear() {
    for (const TRow& row : FRows) row.Value->clear();
    Apply();
}

void TFilterDialog::Apply() {
    QStringList conditions;
    QVariantMap kept;
    std::vector<std::pair<QString, QString>> values;
    for (const TRow& row : FRows) {
        const QString text = row.Value->text();
        if (text.isEmpty()) continue;
        kept[row.Field] = QStringList{QString::number(row.Op->currentIndex()), text};
        const QString param = QStringLiteral("QXVF%1").arg(values.size() + 1);
        const QString cell = QStringLiteral("CAST(%1 AS VARCHAR(4000))").arg(row.Field);
        switch (row.Op->currentIndex()) {
            case NotEqual:
                conditions << QStringLiteral("(%1 <> :%2)").arg(cell, param);
                values.emplace_back(param, text);
                break;
            case Contains:
                conditions << QStringLiteral("(UPPER(%1) LIKE UPPER(:%2))").arg(cell, param);
                values.emplace_back(param, '%' + text + '%');
                break;
            case BeginsWith:
                conditions << QStringLiteral("(UPPER(%1) LIKE UPPER(:%2))").arg(cell, param);
                values.emplace_back(param, text + '%');
                break;
            default:
                conditions << QStringLiteral("(%1 = :%2)").arg(cell, param);
                values.emplace_back(param, text);
        }
    }
    QString original = FQuery->property(OriginalSQLProperty).toString();
    if (original.isNull()) original = FQuery->SQLText();
    const bool wasOpen = FQuery->Active();
    if (conditions.isEmpty()) {
        FQuery->SetSQLText(original);
        FQuery->setProperty(OriginalSQLProperty, QVariant());
        FQuery->setProperty(FilterSQLProperty, QString::fromLatin1(NoFilterCondition));
    } else {
        const QString condition = "((1=1)aNd(" + conditions.join(" AND ") + "))";
        FQuery->setProperty(OriginalSQLProperty, original);
        FQuery->SetSQLText("SELECT * FROM (\n" + original + "\n) QXV_FILTER WHERE " + condition);
        for (const auto& [param, value] : values) FQuery->ParamByName(param).SetValue(value);
        FQuery->setProperty(FilterSQLProperty, condition);
    }
    FQuery->setProperty("ComFormLibsFilter", kept);
    if (wasOpen) FQuery->Open();
}
