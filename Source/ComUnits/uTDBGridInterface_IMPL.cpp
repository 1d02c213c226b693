#include "ComUnits/uTDBGridInterface_IMPL.h"

#include <QAction>
#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QToolButton>

#include <numeric>

#include "ComUnits/uAssert.h"
#include "ComUnits/uComFormLibInt.h"
#include "Platform/Data/DataSetModel.h"
#include "Platform/Data/OraQuery.h"

namespace {

const char FilterSQLProperty[] = "FilterSQL";

// Hands the painting of a cell to the adapter's draw handler first.
class TCellDrawForwarder : public QStyledItemDelegate {
public:
    TCellDrawForwarder(IDBGrid* grid, QObject* parent) : QStyledItemDelegate(parent), FGrid(grid) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const IDBGrid::TCellDrawHandler& handler = FGrid->CellDrawHandler();
        if (handler && handler(FGrid->Grid(), option.rect, index.column(),
                               FGrid->ColumnField(index.column()), option.state))
            return;
        QStyledItemDelegate::paint(painter, option, index);
    }

private:
    IDBGrid* FGrid;
};

}  // namespace

TGridInterfaced::~TGridInterfaced() = default;

int FittedColumnWidth(const std::vector<int>& widths, int index, int indicatorWidth,
                      int clientWidth, int minWidth) {
    if (index < 0 || index >= static_cast<int>(widths.size())) return -1;
    const int count = static_cast<int>(widths.size());
    const int other = std::accumulate(widths.begin(), widths.end(), 0) -
                      widths[static_cast<size_t>(index)] + indicatorWidth;
    const int available = clientWidth - other - count - 1;
    return available >= minWidth && available >= MinColumnWidth ? available : -1;
}

std::unique_ptr<TGridInterfaced> TGridInterfaced::Create(TGridIntClass kind, QTableView* grid) {
    if (kind == TGridIntClass::DBGrid) return std::make_unique<TDBGridIntObj>(grid);
    return std::make_unique<TGridInterfaced>(grid);
}

// ---------------------------------------------------------------------------
// TDBGridIntObj

TDBGridIntObj::TDBGridIntObj(QTableView* grid) : TGridInterfaced(grid) {
    Assert(grid != nullptr, QStringLiteral("TDBGridIntObj.Create: AGrid = nil"));
    FDataSource = qobject_cast<TDataSetModel*>(grid->model());
    FDataSet = FDataSource ? FDataSource->DataSet() : nullptr;
    grid->installEventFilter(this);
    grid->viewport()->installEventFilter(this);
    connect(grid, &QTableView::doubleClicked, this, [this] {
        if (FDblClick) FDblClick(Grid());
    });
}

TDBGridIntObj::~TDBGridIntObj() {
    if (QTableView* grid = Grid()) {
        grid->removeEventFilter(this);
        grid->viewport()->removeEventFilter(this);
    }
}

TDataSetModel* TDBGridIntObj::DataSource() const {
    QTableView* grid = Grid();
    if (auto* model = grid ? qobject_cast<TDataSetModel*>(grid->model()) : nullptr) return model;
    return FDataSource.data();
}

TDataSet* TDBGridIntObj::DataSet() const {
    if (TDataSetModel* model = DataSource(); model && model->DataSet()) return model->DataSet();
    return FDataSet.data();
}

int TDBGridIntObj::ColumnCount() const {
    QTableView* grid = Grid();
    return grid && grid->model() ? grid->model()->columnCount() : 0;
}

QString TDBGridIntObj::ColumnTitle(int index) const {
    QTableView* grid = Grid();
    return grid && grid->model() ? grid->model()->headerData(index, Qt::Horizontal).toString()
                                 : QString();
}

int TDBGridIntObj::ColumnWidth(int index) const {
    QTableView* grid = Grid();
    return grid ? grid->columnWidth(index) : 0;
}

void TDBGridIntObj::SetColumnWidth(int index, int width) {
    if (QTableView* grid = Grid()) grid->setColumnWidth(index, width);
}

TField* TDBGridIntObj::ColumnField(int index) const {
    TDataSetModel* model = DataSource();
    if (TField* field = model ? model->FieldAt(index) : nullptr) return field;
    // A closed data set still has the fields it was prepared with: find them by name.
    TDataSet* dataSet = DataSet();
    const QString name = ColumnTitle(index);
    return dataSet && !name.isEmpty() ? dataSet->FindField(name) : nullptr;
}

TGridOptions TDBGridIntObj::Options() const {
    QTableView* grid = Grid();
    if (!grid) return {};
    TGridOptions options;
    options.setFlag(TGridOption::Indicator, !grid->verticalHeader()->isHidden());
    options.setFlag(TGridOption::Titles, !grid->horizontalHeader()->isHidden());
    options.setFlag(TGridOption::Editing,
                    grid->editTriggers() != QAbstractItemView::NoEditTriggers);
    options.setFlag(TGridOption::RowSelect,
                    grid->selectionBehavior() == QAbstractItemView::SelectRows);
    options.setFlag(TGridOption::ColLines, grid->showGrid());
    options.setFlag(TGridOption::MultiSelect,
                    grid->selectionMode() == QAbstractItemView::ExtendedSelection);
    return options;
}

void TDBGridIntObj::SetOptions(TGridOptions options) {
    QTableView* grid = Grid();
    if (!grid) return;
    grid->verticalHeader()->setHidden(!options.testFlag(TGridOption::Indicator));
    grid->horizontalHeader()->setHidden(!options.testFlag(TGridOption::Titles));
    grid->setEditTriggers(options.testFlag(TGridOption::Editing)
                              ? QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                              : QAbstractItemView::NoEditTriggers);
    grid->setSelectionBehavior(options.testFlag(TGridOption::RowSelect)
                                   ? QAbstractItemView::SelectRows
                                   : QAbstractItemView::SelectItems);
    grid->setShowGrid(options.testFlag(TGridOption::ColLines));
    grid->setSelectionMode(options.testFlag(TGridOption::MultiSelect)
                               ? QAbstractItemView::ExtendedSelection
                               : QAbstractItemView::SingleSelection);
}

void TDBGridIntObj::SetCellDrawHandler(TCellDrawHandler handler) {
    FCellDraw = std::move(handler);
    QTableView* grid = Grid();
    // A grid that paints its cells its own way keeps doing so.
    const bool ownDelegate =
        grid && grid->itemDelegate() && !dynamic_cast<TCellDrawForwarder*>(grid->itemDelegate()) &&
        grid->itemDelegate()->metaObject() != &QStyledItemDelegate::staticMetaObject;
    if (grid && FCellDraw && !FDrawForwarder && !ownDelegate) {
        grid->setItemDelegate(new TCellDrawForwarder(this, grid));
        FDrawForwarder = true;
    }
}

QFont TDBGridIntObj::Font() const {
    QTableView* grid = Grid();
    return grid ? grid->font() : QFont();
}

void TDBGridIntObj::SetColumnHandler(TColumnHandler handler) {
    FColumnHandler = std::move(handler);
    QTableView* grid = Grid();
    if (!grid || FClickLink) return;
    // A click on a cell reports the cell's column.
    FClickLink = connect(grid, &QTableView::clicked, this, [this](const QModelIndex& index) {
        if (FColumnHandler) FColumnHandler(Grid(), ColumnField(index.column()));
    });
}

void TDBGridIntObj::SetDataSource(TDataSetModel* source) {
    QTableView* grid = Grid();
    TDataSetModel* current = DataSource();
    if (source != current && FDataSourceChanged) FDataSourceChanged(current, source);
    FDataSource = source;
    if (grid) grid->setModel(source);
    SetDataSet(source ? source->DataSet() : nullptr);
}

void TDBGridIntObj::SetDataSet(TDataSet* dataSet) {
    if (dataSet != FDataSet && FDataSetChanged) FDataSetChanged(FDataSet.data(), dataSet);
    FDataSet = dataSet;
    QTableView* grid = Grid();
    TDataSetModel* model = DataSource();
    // A model shows one data set for its life: a new data set gets a new model.
    if (grid && model && model->DataSet() != dataSet) {
        auto* replacement = new TDataSetModel(dataSet, grid);
        FDataSource = replacement;
        grid->setModel(replacement);
        if (model->parent() == grid) model->deleteLater();
    }
}

TField* TDBGridIntObj::CheckField() const {
    TDataSet* dataSet = DataSet();
    return dataSet && !FCheckFieldName.isEmpty() ? dataSet->FindField(FCheckFieldName) : nullptr;
}

bool TDBGridIntObj::CheckFieldVisible() const {
    const TField* field = CheckField();
    return field && field->Visible();
}

bool TDBGridIntObj::CurrentMarked() const {
    const TField* field = CheckField();
    return field && field->AsBoolean();
}

bool TDBGridIntObj::ColumnVisible(int index) const {
    QTableView* grid = Grid();
    return grid && index >= 0 && index < ColumnCount() && !grid->isColumnHidden(index);
}

void TDBGridIntObj::SetCurrentMarked(bool marked) {
    TField* field = CheckField();
    if (!field) return;
    TDataSet* dataSet = field->DataSet();
    const bool startEdit =
        dataSet->State() != TDataSetState::Edit && dataSet->State() != TDataSetState::Insert;
    if (startEdit) dataSet->Edit();
    field->SetAsBoolean(marked);
    if (startEdit) dataSet->Post();
}

void TDBGridIntObj::RunSelectGrid(int mode) {
    uComFormLibInt::RunSelectGrid(this, static_cast<unsigned char>(mode), QStringLiteral("RCHECK"));
}

void TDBGridIntObj::RunMySelect(int mode, int a, int b, int c, int d) {
    uComFormLibInt::RunMySelect(Grid(), static_cast<unsigned char>(mode), a, b, c, d,
                                QStringLiteral("RCHECK"));
}

void TDBGridIntObj::FitLastColumn(int minWidth) { FitColumn(ColumnCount() - 1, minWidth); }

void TDBGridIntObj::FitColumn(int index, int minWidth) {
    QTableView* grid = Grid();
    if (!grid) return;
    std::vector<int> widths;
    for (int i = 0; i < ColumnCount(); ++i) widths.push_back(grid->columnWidth(i));
    const int indicator = grid->verticalHeader()->isHidden() ? 0 : grid->verticalHeader()->width();
    const int width = FittedColumnWidth(widths, index, indicator,
                                        grid->viewport()->width() + indicator, minWidth);
    if (width >= 0) grid->setColumnWidth(index, width);
}

bool TDBGridIntObj::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Grid() && event->type() == QEvent::KeyPress && FKeyDown) {
        auto* keyEvent = static_cast<QKeyEvent*>(event);
        int key = keyEvent->key();
        FKeyDown(Grid(), key, keyEvent->modifiers());
        if (key == 0) return true;  // handled: the grid does not see it
    }
    return QObject::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------
// TDBIntList

void TDBIntList::Add(std::unique_ptr<TGridInterfaced> item) { FItems.push_back(std::move(item)); }

IDBGrid* TDBIntList::GetItem(int index) const {
    IDBGrid* grid = index >= 0 && index < Count() ? Item(index)->AsDBGrid() : nullptr;
    if (!grid)
        throw EGeneralError(
            QStringLiteral("TDBIntList.GetItem(%1): IDBGrid interface is not obtained").arg(index));
    return grid;
}

IDBGrid* TDBIntList::FindByGrid(const QWidget* grid) const {
    if (!grid) return nullptr;
    for (const auto& item : FItems) {
        if (item->GridControl() == grid) return item->AsDBGrid();
    }
    return nullptr;
}

// ---------------------------------------------------------------------------
// The filter text of a query

QString QueryFilterSQL(const TDataSet* dataSet) {
    return dataSet ? dataSet->property(FilterSQLProperty).toString() : QString();
}

void SetQueryFilterSQL(TDataSet* dataSet, const QString& condition) {
    if (dataSet) dataSet->setProperty(FilterSQLProperty, condition);
}

bool QueryFilterActive(const TDataSet* dataSet) {
    if (!qobject_cast<const TOraQuery*>(dataSet)) return false;
    const QString filter = QueryFilterSQL(dataSet);
    return !filter.isEmpty() && filter != QLatin1String(NoFilterSQL);
}

// ---------------------------------------------------------------------------
// TDBGridOfQuery

TDBGridOfQuery::TDBGridOfQuery(QWidget* owner, QAction* filterAction, IDBGrid* grid)
    : QObject(owner), FOwner(owner), FFilterAction(filterAction), FGrid(grid) {
    Assert(owner != nullptr, QStringLiteral("constructor TDBGridOfQuery.Create: AOwner = nil"));
    Assert(grid != nullptr && grid->Grid() != nullptr,
           QStringLiteral("constructor TDBGridOfQuery.Create: Grig = nil"));
    FGridControl = grid->Grid();
    FButton = new QToolButton();
    FButton->setObjectName(FGridControl->objectName() + QStringLiteral("_SQLFilterButton"));
    FButton->setAttribute(Qt::WA_AlwaysShowToolTips);
    FButton->hide();
    FGridControl->viewport()->installEventFilter(this);
    Hook(grid->DataSet());
    UpdateButton();
}

TDBGridOfQuery::~TDBGridOfQuery() {
    if (FGridControl) FGridControl->viewport()->removeEventFilter(this);
    Unhook();
    delete FButton.data();
}

void TDBGridOfQuery::Hook(TDataSet* dataSet) {
    if (!dataSet) return;
    FHooked = dataSet;
    FOldAfterOpen = dataSet->AfterOpen;
    FOldAfterClose = dataSet->AfterClose;
    dataSet->AfterOpen = [this](TDataSet* ds) {
        if (FOldAfterOpen) FOldAfterOpen(ds);
        UpdateButton();
    };
    dataSet->AfterClose = [this](TDataSet* ds) {
        UpdateButton();
        if (FOldAfterClose) FOldAfterClose(ds);
    };
}

void TDBGridOfQuery::Unhook() {
    if (!FHooked) return;
    FHooked->AfterOpen = FOldAfterOpen;
    FHooked->AfterClose = FOldAfterClose;
    FHooked = nullptr;
}

void TDBGridOfQuery::UpdateButton() {
    QToolButton* button = FButton.data();
    QTableView* grid = FGridControl.data();
    if (!button) return;
    TDataSet* dataSet = FHooked.data();
    if (!grid || !dataSet || !dataSet->Active() || !QueryFilterActive(dataSet)) {
        button->setIcon(QIcon());
        button->hide();
        button->setParent(nullptr);
        disconnect(FClick);
        return;
    }
    button->setParent(grid);
    PlaceButton();
    const QString filterHint = FFilterAction ? FFilterAction->toolTip() : QString();
    button->setToolTip(filterHint + QStringLiteral("  \"") + grid->toolTip() + u'"');
    const QIcon icon = FFilterAction ? FFilterAction->icon() : QIcon();
    // Without a picture for the filter action the button says what it is in a letter.
    bool hasPicture = !icon.isNull() && !icon.pixmap(16, 16).isNull();
    if (hasPicture)
        button->setIcon(icon);
    else
        button->setText(QStringLiteral("F"));
    disconnect(FClick);
    FClick = connect(button, &QToolButton::clicked, this, &TDBGridOfQuery::Clicked);
    button->show();
    button->raise();
}

// In the bottom-right corner of the rows' area, clear of the scroll bars; a child of the
// grid rather than of its viewport, which would scroll it away with the rows.
void TDBGridOfQuery::PlaceButton() {
    QToolButton* button = FButton.data();
    QTableView* grid = FGridControl.data();
    if (!button || !grid || button->parentWidget() != grid) return;
    const QRect rows = grid->viewport()->geometry();
    button->setGeometry(rows.right() - 23, rows.bottom() - 23, 24, 24);
}

bool TDBGridOfQuery::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize && FGridControl && watched == FGridControl->viewport())
        PlaceButton();
    return QObject::eventFilter(watched, event);
}

void TDBGridOfQuery::Clicked() {
    QTableView* grid = FGridControl.data();
    if (!grid || !grid->isEnabled() || grid->focusPolicy() == Qt::NoFocus) return;
    grid->setFocus();
    if (FFilterAction) FFilterAction->trigger();
}
