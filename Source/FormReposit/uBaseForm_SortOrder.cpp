// The remembered sort order of the form's queries (TBaseForm).
#include <optional>

#include "ComUnits/Lang/uLanguagesDM.h"
#include "ComUnits/uBaseFormSettings.h"
#include "ComUnits/uComponentTree.h"
#include "FormReposit/uBaseForm.h"
#include "Platform/Data/OraQuery.h"
#include "Platform/Ui/MessageBoxes.h"

namespace S = BaseFormSettings;

namespace {

// The macros a remembered sort order lives in, when the query is sorted through them.
struct TSortMacros {
    TMacro* Order = nullptr;
    TMacro* Field = nullptr;
};

TSortMacros SortMacros(TOraQuery& query) {
    TSortMacros m{query.FindMacro(QStringLiteral("ORDER")),
                  query.FindMacro(QStringLiteral("FIELD"))};
    if (!m.Order || !m.Field ||
        m.Order->Value().left(5).compare(QLatin1String("ORDER"), Qt::CaseInsensitive) != 0)
        return {};
    return m;
}

// The query's field names; a closed query is asked for its columns.
QStringList FieldNamesOf(TOraQuery& query) {
    if (query.FieldCount() == 0 && !query.Active()) {
        try {
            query.Prepare();
        } catch (const std::exception&) {
            return {};
        }
    }
    return query.FieldNames();
}

// The first item of a sort list that names no field of the query ("DESC" aside).
std::optional<QString> UnknownSortItem(TOraQuery& query, const QString& list) {
    const QStringList names = FieldNamesOf(query);
    for (const QString& item : S::CommaTextItems(list)) {
        if (item.compare(QLatin1String("DESC"), Qt::CaseInsensitive) == 0) continue;
        if (!names.contains(item, Qt::CaseInsensitive)) return item;
    }
    return std::nullopt;
}

}  // namespace

void TBaseForm::LoadSortOrder(TOraQuery* query) {
    if (!S::SortOrderSaving(FShema)) return;
    const TSortMacros macros = SortMacros(*query);
    if (!macros.Field) return;
    const QString key = S::QueryKey(*query);
    S::WriteSortDefault(FShema, key, macros.Field->Value());
    QString saved;
    if (!S::ReadSortOrder(FShema, key, saved)) return;
    if (const auto unknown = UnknownSortItem(*query, saved)) {
        MessageBoxes::ShowKind(
            TMessageKind::Error,
            QStringLiteral("TBaseForm.NotFindFieldForOrder: ") +
                TranslateRu(QStringLiteral("Некорректное поле \"%s\" для сортировки"))
                    .replace(QStringLiteral("%s"), query->objectName() + u'.' + *unknown),
            this, QStringLiteral("Ошибка"));
        S::DeleteSortOrder(FShema, key);
        return;
    }
    macros.Order->SetActive(!saved.isEmpty());
    macros.Field->SetActive(!saved.isEmpty());
    const bool wasOpen = query->Active();
    if (wasOpen) query->Close();
    macros.Field->SetValue(saved);
    if (wasOpen) query->Open();
}

void TBaseForm::SaveSortOrder() {
    if (!S::SortOrderSaving(FShema)) return;
    for (QObject* component : OwnedComponents(this)) {
        auto* query = qobject_cast<TOraQuery*>(component);
        const TSortMacros macros = query ? SortMacros(*query) : TSortMacros{};
        if (!macros.Field) continue;
        const QString key = S::QueryKey(*query);
        QString design;
        if (!S::ReadSortDefault(FShema, key, design)) continue;
        if (macros.Field->Value() != design)
            S::WriteSortOrder(FShema, key, macros.Field->Value());
        else
            S::DeleteSortOrder(FShema, key);
        S::DeleteSortDefault(FShema, key);
    }
}
