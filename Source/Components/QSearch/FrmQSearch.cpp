#include "Components/QSearch/FrmQSearch.h"

#include <QEvent>
#include <QTableView>

#include "ComUnits/uComponentTree.h"

TFrmQSearch::TFrmQSearch(QObject* owner) : QObject(owner) {
    FOwner = qobject_cast<QWidget*>(owner);
    if (FOwner) FOwner->installEventFilter(this);
}

TFrmQSearch::~TFrmQSearch() {
    if (FOwner) FOwner->removeEventFilter(this);
}

bool TFrmQSearch::eventFilter(QObject* watched, QEvent* event) {
    if (watched == FOwner && event->type() == QEvent::Show && FSearches.isEmpty()) SetUp();
    return false;
}

void TFrmQSearch::SetUp() {
    for (QObject* component : OwnedComponents(FOwner)) {
        auto* grid = qobject_cast<QTableView*>(component);
        if (!grid) continue;
        auto* search = new TQSearch(FOwner);
        search->SetSourceReference(FSourceReference);
        search->SetGrid(grid);
        ApplyHandlers(*search);
        search->SetUseSelectedColumn(FUseSelectedColumn);
        search->SetLocateOptions(FLocateOptions);
        search->SetSearchEnabled(FAutoSearch);
        FSearches << search;
    }
}

// The form's handlers get the grid of the search as well.
void TFrmQSearch::ApplyHandlers(TQSearch& search) {
    QTableView* grid = search.Grid();
    if (FGrdOnSearch)
        search.SetOnSearch([this, grid](TQSearch*, const QString& field, const QString& value) {
            FGrdOnSearch(this, grid, field, value);
        });
    else
        search.SetOnSearch({});
    if (FGrdBeforeSearch)
        search.SetOnBeforeSearch([this, grid](TQSearch*, QString& field, bool& cancel) {
            FGrdBeforeSearch(this, grid, field, cancel);
        });
    else
        search.SetOnBeforeSearch({});
}

QList<TQSearch*> TFrmQSearch::Searches() const {
    QList<TQSearch*> searches;
    for (const QPointer<TQSearch>& search : FSearches)
        if (search) searches << search.data();
    return searches;
}

TQSearch* TFrmQSearch::SearchOf(const QTableView* grid) const {
    for (TQSearch* search : Searches())
        if (search->Grid() == grid) return search;
    return nullptr;
}

void TFrmQSearch::SetSourceReference(TQXVSourcesReference* reference) {
    FSourceReference = reference;
    for (TQSearch* search : Searches()) search->SetSourceReference(reference);
}

void TFrmQSearch::SetAutoSearch(bool value) {
    FAutoSearch = value;
    for (TQSearch* search : Searches()) search->SetSearchEnabled(value);
}

void TFrmQSearch::SetGrdBeforeSearch(TGrdBeforeSearch handler) {
    FGrdBeforeSearch = std::move(handler);
    for (TQSearch* search : Searches()) ApplyHandlers(*search);
}

void TFrmQSearch::SetGrdOnSearch(TGrdOnSearch handler) {
    FGrdOnSearch = std::move(handler);
    for (TQSearch* search : Searches()) ApplyHandlers(*search);
}

void TFrmQSearch::SetLocateOptions(TLocateOptions options) {
    FLocateOptions = options;
    for (TQSearch* search : Searches()) search->SetLocateOptions(options);
}

void TFrmQSearch::SetUseSelectedColumn(bool value) {
    FUseSelectedColumn = value;
    for (TQSearch* search : Searches()) search->SetUseSelectedColumn(value);
}
