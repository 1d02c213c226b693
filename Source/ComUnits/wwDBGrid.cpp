#include "ComUnits/wwDBGrid.h"

#include <QAction>
#include <QHeaderView>
#include <QMenu>

#include <algorithm>

#include "ComUnits/Lang/uLanguagesDM.h"
#include "Components/ColumnView/uColumnView.h"
#include "Platform/Data/DataSetModel.h"

// ---------------------------------------------------------------------------
// TwwColumn

TField* TwwColumn::Field() const {
    TDataSetModel* source = FGrid->DataSource();
    TDataSet* dataSet = source ? source->DataSet() : nullptr;
    return dataSet ? dataSet->FindField(FFieldName) : nullptr;
}

QString TwwColumn::Title() const {
    const int logical = FGrid->LogicalIndexOf(*this);
    return logical < 0 ? FFieldName
                       : FGrid->model()->headerData(logical, Qt::Horizontal).toString();
}

int TwwColumn::Index() const {
    const auto& columns = FGrid->FColumns;
    const auto it = std::find_if(columns.begin(), columns.end(),
                                 [this](const auto& column) { return column.get() == this; });
    return static_cast<int>(it - columns.begin());
}

void TwwColumn::SetIndex(int index) {
    auto& columns = FGrid->FColumns;
    index = std::clamp(index, 0, FGrid->ColumnCount() - 1);
    const int from = Index();
    if (from == index) return;
    std::unique_ptr<TwwColumn> self = std::move(columns[static_cast<size_t>(from)]);
    columns.erase(columns.begin() + from);
    columns.insert(columns.begin() + index, std::move(self));
    FGrid->ApplyColumns();
}

void TwwColumn::SetVisible(bool visible) {
    if (FVisible == visible) return;
    if (!visible) FWidth = Width();  // the header forgets the size of a hidden section
    FVisible = visible;
    FGrid->ApplyColumns();
}

int TwwColumn::Width() const {
    if (FWidth > 0) return FWidth;
    const int logical = FGrid->LogicalIndexOf(*this);
    QHeaderView* header = FGrid->horizontalHeader();
    return logical >= 0 && FVisible ? header->sectionSize(logical) : header->defaultSectionSize();
}

void TwwColumn::SetWidth(int width) {
    if (width <= 0) return;
    FWidth = width;
    FGrid->ApplyColumns();
}

// ---------------------------------------------------------------------------
// TwwDBGrid

TwwDBGrid::TwwDBGrid(QWidget* parent) : QTableView(parent) {
    QHeaderView* header = horizontalHeader();
    header->setSectionsMovable(true);
    header->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(header, &QHeaderView::customContextMenuRequested, this, &TwwDBGrid::PopupColumnMenu);
    connect(header, &QHeaderView::sectionMoved, this, &TwwDBGrid::SectionMoved);
    connect(header, &QHeaderView::sectionResized, this,
            [this](int logical, int, int newSize) { SectionResized(logical, newSize); });
    FColumnMenu = new QMenu(this);
    FColumnMenu->setObjectName("pmColumns");
    FColumnViewAction = FColumnMenu->addAction(TranslateRu(FTexts.Caption));
    FColumnViewAction->setObjectName("actGetColumnSee");
    connect(FColumnViewAction, &QAction::triggered, this,
            [this] { ShowColumnView(this, FColumnViewChange); });
}

TwwDBGrid::~TwwDBGrid() = default;

void TwwDBGrid::setModel(QAbstractItemModel* model) {
    disconnect(FResetLink);
    QTableView::setModel(model);
    // Connected after the header, which resets its sections first.
    if (model)
        FResetLink = connect(model, &QAbstractItemModel::modelReset, this, &TwwDBGrid::SyncColumns);
    SyncColumns();
}

TDataSetModel* TwwDBGrid::DataSource() const { return qobject_cast<TDataSetModel*>(model()); }

TwwColumn* TwwDBGrid::ColumnByName(const QString& fieldName) const {
    for (const auto& column : FColumns)
        if (column->FieldName().compare(fieldName, Qt::CaseInsensitive) == 0) return column.get();
    return nullptr;
}

int TwwDBGrid::LogicalIndexOf(const TwwColumn& column) const {
    TDataSetModel* source = DataSource();
    TField* field = source ? column.Field() : nullptr;
    return field ? source->ColumnOf(field) : -1;
}

void TwwDBGrid::SyncColumns() {
    TDataSetModel* source = DataSource();
    const int count = source ? source->columnCount() : 0;
    if (count == 0) return;  // a data set without fields yet, or none: nothing to follow
    std::vector<std::unique_ptr<TwwColumn>> columns;
    for (auto& column : FColumns)
        if (LogicalIndexOf(*column) >= 0) columns.push_back(std::move(column));
    FColumns = std::move(columns);
    for (int logical = 0; logical < count; ++logical) {
        TField* field = source->FieldAt(logical);
        if (field && !ColumnByName(field->FieldName()))
            FColumns.push_back(std::make_unique<TwwColumn>(this, field->FieldName()));
    }
    ApplyColumns();
}

void TwwDBGrid::ApplyColumns() {
    QHeaderView* header = horizontalHeader();
    FApplying = true;
    int visual = 0;
    for (const auto& column : FColumns) {
        const int logical = LogicalIndexOf(*column);
        if (logical < 0) continue;
        header->moveSection(header->visualIndex(logical), visual++);
        header->setSectionHidden(logical, !column->FVisible);
        if (column->FVisible && column->FWidth > 0) header->resizeSection(logical, column->FWidth);
    }
    FApplying = false;
}

void TwwDBGrid::SectionMoved() {
    if (FApplying) return;
    QHeaderView* header = horizontalHeader();
    auto visualOf = [&](const std::unique_ptr<TwwColumn>& column) {
        const int logical = LogicalIndexOf(*column);
        return logical < 0 ? header->count() : header->visualIndex(logical);
    };
    std::stable_sort(FColumns.begin(), FColumns.end(),
                     [&](const auto& a, const auto& b) { return visualOf(a) < visualOf(b); });
}

void TwwDBGrid::SectionResized(int logical, int newSize) {
    if (FApplying || newSize <= 0) return;
    TDataSetModel* source = DataSource();
    TField* field = source ? source->FieldAt(logical) : nullptr;
    if (TwwColumn* column = field ? ColumnByName(field->FieldName()) : nullptr)
        column->FWidth = newSize;
}

void TwwDBGrid::PopupColumnMenu(const QPoint& at) {
    FColumnViewAction->setText(TranslateRu(FTexts.Caption));
    FColumnMenu->popup(horizontalHeader()->viewport()->mapToGlobal(at));
}
