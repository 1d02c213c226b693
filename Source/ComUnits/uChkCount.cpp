#include "ComUnits/uChkCount.h"

#include <QVariant>
#include <QWidget>

#include <cstdlib>

#include "ComUnits/Lang/uLanguagesDM.h"
#include "ComUnits/uAssert.h"
#include "Platform/Data/DataSet.h"

namespace {

const QString Unit = QStringLiteral("Source/ComUnits/uChkCount");

// Which form of the counter's noun a count takes: 0 "запись", 1 "записи", 2 "записей".
// Russian texts follow Russian grammar; a translation has a singular and a plural.
int CountForm(int count) {
    const TLanguagesDM* languages = LanguagesDM();
    if (languages && languages->AppLanguage() != TLanguagesDM::LangRussian)
        return count == 1 ? 0 : 2;
    const int tens = std::abs(count) % 100;
    const int units = tens % 10;
    if (units == 1 && tens != 11) return 0;
    if (units >= 2 && units <= 4 && (tens < 12 || tens > 14)) return 1;
    return 2;
}

// The format with each "%d" in turn replaced by the next count.
QString Formatted(QString format, std::initializer_list<int> counts) {
    qsizetype from = 0;
    for (int count : counts) {
        const qsizetype at = format.indexOf(QStringLiteral("%d"), from);
        if (at < 0) break;
        const QString number = QString::number(count);
        format.replace(at, 2, number);
        from = at + number.size();
    }
    return format;
}

}  // namespace

QString RecordCountText(const QString& counts, int last) {
    static const char* const phrases[] = {"Считано из БД %s запись", "Считано из БД %s записи",
                                          "Считано из БД %s записей"};
    QString text = TranslateRu(QString::fromUtf8(phrases[CountForm(last)]));
    return u' ' + text.replace(QStringLiteral("%s"), counts);
}

TChkState::TChkState(TChkStateList* owner, TDataSet* dataSet, TUpdateEvent update, TDataSet* second)
    : FOwner(owner), FUpdate(std::move(update)), FDataSet(dataSet), FSecond(second) {
    Assert(static_cast<bool>(FUpdate),
           QStringLiteral("TChkState.Create: pUpdEv=nil (%1)").arg(Unit));
    FOldAfterOpen = dataSet->AfterOpen;
    FOldAfterRefresh = dataSet->AfterRefresh;
    dataSet->AfterOpen = [this](TDataSet* ds) {
        if (FOldAfterOpen) FOldAfterOpen(ds);
        Changed();
    };
    dataSet->AfterRefresh = [this](TDataSet* ds) {
        if (FOldAfterRefresh) FOldAfterRefresh(ds);
        Changed();
    };
}

TChkState::~TChkState() {
    if (!FDataSet) return;
    FDataSet->AfterOpen = FOldAfterOpen;
    FDataSet->AfterRefresh = FOldAfterRefresh;
}

void TChkState::Changed() {
    FState = 0;
    FUpdate(this);
}

TChkStateList::TChkStateList(TControlLookup lookup) : FLookup(std::move(lookup)) {
    Assert(static_cast<bool>(FLookup), QStringLiteral("pEvent=nil (%1)").arg(Unit));
}

void TChkStateList::Add(TDataSet* dataSet, TDataSet* second) {
    FItems.push_back(std::make_unique<TChkState>(
        this, dataSet, [this](TChkState* item) { ItemChanged(item); }, second));
    if (!FActive) FActive = FItems.back().get();
}

int TChkStateList::IndexOf(const TDataSet* dataSet) const {
    for (size_t i = 0; i < FItems.size(); ++i)
        if (FItems[i]->DataSet() == dataSet) return static_cast<int>(i);
    return -1;
}

TChkState* TChkStateList::Find(const TDataSet* dataSet) const {
    const int index = IndexOf(dataSet);
    return index < 0 ? nullptr : FItems[static_cast<size_t>(index)].get();
}

void TChkStateList::Activate(const TDataSet* dataSet) {
    if (TChkState* item = Find(dataSet)) {
        FActive = item;
        UpdateState();
    }
}

void TChkStateList::ItemChanged(TChkState* item) {
    if (item == FActive || (FActive && item->DataSet() == FActive->SecondDataSet())) UpdateState();
}

void TChkStateList::UpdateState() {
    if (FItems.empty()) return;
    Assert(FActive != nullptr,
           QStringLiteral("TChkStateList.UpdateState: FActiveItem=nil (%1)").arg(Unit));
    if (FOnChange) FOnChange(FActive->DataSet(), FActive->State());
    if (!FDisplay) return;
    TDataSet* first = FActive->DataSet();
    TDataSet* second = nullptr;
    if (FActive->SecondDataSet()) {
        second = FActive->SecondDataSet();
    } else if (first && first->MasterSource()) {
        second = first;
        first = first->MasterSource();
    }
    Assert(first != nullptr, QStringLiteral("ds1=nil (%1, line 203)").arg(Unit));
    QWidget* control = FLookup(first);
    if (!control) return;
    QString text;
    QString hint;
    if (!second) {
        const int count = first->RecordCount();
        text = FSingleFormat.isEmpty() ? RecordCountText(QString::number(count), count)
                                       : Formatted(FSingleFormat, {count});
        hint = control->toolTip();
    } else {
        const int counts[] = {first->RecordCount(), second->RecordCount()};
        text = FDoubleFormat.isEmpty()
                   ? RecordCountText(QStringLiteral("%1 (%2)").arg(counts[0]).arg(counts[1]),
                                     counts[1])
                   : Formatted(FDoubleFormat, {counts[0], counts[1]});
        QWidget* secondControl = FLookup(second);
        hint = control->toolTip() + (secondControl
                                         ? QStringLiteral(" (") + secondControl->toolTip() + u')'
                                         : QStringLiteral(" ('')"));
    }
    FDisplay->setProperty("text", text);
    FDisplay->setToolTip(hint);
}
