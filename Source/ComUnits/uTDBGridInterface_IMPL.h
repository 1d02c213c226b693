#pragma once

#include <QFlags>
#include <QFont>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QStyle>
#include <QTableView>
#include <QToolButton>

#include <functional>
#include <memory>
#include <vector>

#include "ComUnits/wwDBGrid.h"

class QAction;
class TDataSet;
class TDataSetModel;
class TField;
class TOraQuery;

enum class TGridOption {
    Indicator = 0x1,  // the row header on the left
    Titles = 0x2,     // the column header
    Editing = 0x4,    // cells can be edited in place
    RowSelect = 0x8,  // a click selects the whole row
    ColLines = 0x10,  // grid lines
    MultiSelect = 0x20,
};
Q_DECLARE_FLAGS(TGridOptions, TGridOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(TGridOptions)

// What the base form and the grid-dialog library know of a grid. One adapter per grid
// implements it; the "data source" of a grid is its data set model.
class IDBGrid {
public:
    // Returns false to let the grid draw the cell itself.
    using TCellDrawHandler = std::function<bool(QTableView* grid, const QRect& rect, int column,
                                                TField* field, QStyle::State state)>;
    using TColumnHandler = std::function<void(QTableView* grid, TField* field)>;
    // Setting the key to 0 reports it as handled.
    using TKeyHandler = std::function<void(QTableView* grid, int& key, Qt::KeyboardModifiers)>;
    using TDataSetChangedHandler = std::function<void(TDataSet* from, TDataSet* to)>;
    using TDataSourceChangedHandler = std::function<void(TDataSetModel* from, TDataSetModel* to)>;
    using TGridEvent = std::function<void(QTableView* grid)>;

    // Defined here, so that the grid-dialog library, which is handed these objects, has
    // the type information too (the sanitizers check the type of every virtual call).
    virtual ~IDBGrid() = default;

    virtual int ColumnCount() const = 0;
    virtual QString ColumnTitle(int index) const = 0;
    virtual int ColumnWidth(int index) const = 0;
    virtual void SetColumnWidth(int index, int width) = 0;
    // The column's field; while the data set is closed, the field of the column's name.
    virtual TField* ColumnField(int index) const = 0;
    virtual TGridOptions Options() const = 0;
    virtual void SetOptions(TGridOptions options) = 0;
    virtual const TCellDrawHandler& CellDrawHandler() const = 0;
    virtual void SetCellDrawHandler(TCellDrawHandler handler) = 0;
    virtual QFont Font() const = 0;
    virtual const TColumnHandler& ColumnHandler() const = 0;
    virtual void SetColumnHandler(TColumnHandler handler) = 0;
    virtual const TKeyHandler& OnKeyDown() const = 0;
    virtual void SetOnKeyDown(TKeyHandler handler) = 0;
    virtual TDataSet* DataSet() const = 0;
    virtual QTableView* Grid() const = 0;
    virtual QString CheckFieldName() const = 0;
    virtual void SetCheckFieldName(const QString& name) = 0;
    virtual bool CheckFieldVisible() const = 0;
    virtual bool CurrentMarked() const = 0;
    virtual bool ColumnVisible(int index) const = 0;
    virtual void SetCurrentMarked(bool marked) = 0;
    // Row selection through the grid-dialog library (modes 0, 1 and 3).
    virtual void MarkAll() = 0;
    virtual void MarkNone() = 0;
    virtual void MarkInvert() = 0;
    virtual void SelectAll(int a, int b, int c, int d) = 0;
    virtual void SelectNone(int a, int b, int c, int d) = 0;
    virtual void SelectInvert(int a, int b, int c, int d) = 0;
    virtual TDataSetModel* DataSource() const = 0;
    virtual void SetDataSource(TDataSetModel* source) = 0;
    virtual void SetDataSet(TDataSet* dataSet) = 0;
    virtual const TDataSetChangedHandler& DataSetChanged() const = 0;
    virtual void SetDataSetChanged(TDataSetChangedHandler handler) = 0;
    virtual const TDataSourceChangedHandler& DataSourceChanged() const = 0;
    virtual void SetDataSourceChanged(TDataSourceChangedHandler handler) = 0;
    virtual void FitLastColumn(int minWidth) = 0;
    virtual void FitColumn(int index, int minWidth) = 0;
    // The grid's double click.
    virtual const TGridEvent& OnDblClick() const = 0;
    virtual void SetOnDblClick(TGridEvent handler) = 0;
};

// The smallest width a column is ever fitted to.
inline constexpr int MinColumnWidth = 20;

// Fit rule of a column: the width that makes all columns fill the client width, or
// -1 when that width is below the minimum or below MinColumnWidth.
int FittedColumnWidth(const std::vector<int>& widths, int index, int indicatorWidth,
                      int clientWidth, int minWidth);

// Which adapter a grid gets.
enum class TGridIntClass { Generic, DBGrid };

// The base of the adapters: it knows its grid and offers no IDBGrid.
class TGridInterfaced {
public:
    explicit TGridInterfaced(QTableView* grid) : FGrid(grid) {}
    virtual ~TGridInterfaced();
    TGridInterfaced(const TGridInterfaced&) = delete;
    TGridInterfaced& operator=(const TGridInterfaced&) = delete;

    QTableView* GridControl() const { return FGrid.data(); }
    virtual IDBGrid* AsDBGrid() { return nullptr; }

    // An adapter of the class for this grid.
    static std::unique_ptr<TGridInterfaced> Create(TGridIntClass kind, QTableView* grid);

protected:
    QPointer<QTableView> FGrid;
};

// The adapter of a standard data grid: a QTableView over a TDataSetModel.
class TDBGridIntObj : public QObject, public TGridInterfaced, public IDBGrid {
    Q_OBJECT
public:
    explicit TDBGridIntObj(QTableView* grid);
    ~TDBGridIntObj() override;

    IDBGrid* AsDBGrid() override { return this; }

    int ColumnCount() const override;
    QString ColumnTitle(int index) const override;
    int ColumnWidth(int index) const override;
    void SetColumnWidth(int index, int width) override;
    TField* ColumnField(int index) const override;
    TGridOptions Options() const override;
    void SetOptions(TGridOptions options) override;
    const TCellDrawHandler& CellDrawHandler() const override { return FCellDraw; }
    void SetCellDrawHandler(TCellDrawHandler handler) override;
    QFont Font() const override;
    const TColumnHandler& ColumnHandler() const override { return FColumnHandler; }
    void SetColumnHandler(TColumnHandler handler) override;
    const TKeyHandler& OnKeyDown() const override { return FKeyDown; }
    void SetOnKeyDown(TKeyHandler handler) override { FKeyDown = std::move(handler); }
    TDataSet* DataSet() const override;
    QTableView* Grid() const override { return GridControl(); }
    QString CheckFieldName() const override { return FCheckFieldName; }
    void SetCheckFieldName(const QString& name) override { FCheckFieldName = name; }
    bool CheckFieldVisible() const override;
    bool CurrentMarked() const override;
    bool ColumnVisible(int index) const override;
    void SetCurrentMarked(bool marked) override;
    void MarkAll() override { RunSelectGrid(0); }
    void MarkNone() override { RunSelectGrid(1); }
    void MarkInvert() override { RunSelectGrid(3); }
    void SelectAll(int a, int b, int c, int d) override { RunMySelect(0, a, b, c, d); }
    void SelectNone(int a, int b, int c, int d) override { RunMySelect(1, a, b, c, d); }
    void SelectInvert(int a, int b, int c, int d) override { RunMySelect(3, a, b, c, d); }
    TDataSetModel* DataSource() const override;
    void SetDataSource(TDataSetModel* source) override;
    void SetDataSet(TDataSet* dataSet) override;
    const TDataSetChangedHandler& DataSetChanged() const override { return FDataSetChanged; }
    void SetDataSetChanged(TDataSetChangedHandler handler) override {
        FDataSetChanged = std::move(handler);
    }
    const TDataSourceChangedHandler& DataSourceChanged() const override {
        return FDataSourceChanged;
    }
    void SetDataSourceChanged(TDataSourceChangedHandler handler) override {
        FDataSourceChanged = std::move(handler);
    }
    void FitLastColumn(int minWidth) override;
    void FitColumn(int index, int minWidth) override;
    const TGridEvent& OnDblClick() const override { return FDblClick; }
    void SetOnDblClick(TGridEvent handler) override { FDblClick = std::move(handler); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TField* CheckField() const;
    void RunSelectGrid(int mode);
    void RunMySelect(int mode, int a, int b, int c, int d);

    QPointer<TDataSetModel> FDataSource;
    QPointer<TDataSet> FDataSet;
    QString FCheckFieldName;
    TCellDrawHandler FCellDraw;
    TColumnHandler FColumnHandler;
    TKeyHandler FKeyDown;
    TDataSetChangedHandler FDataSetChanged;
    TDataSourceChangedHandler FDataSourceChanged;
    TGridEvent FDblClick;
    bool FDrawForwarder = false;
    QMetaObject::Connection FClickLink;
};

// The adapters of one form, found by their grids.
class TDBIntList {
public:
    void Add(std::unique_ptr<TGridInterfaced> item);
    int Count() const { return static_cast<int>(FItems.size()); }
    // Raises "TDBIntList.GetItem(i): IDBGrid interface is not obtained" for an item
    // that does not offer it.
    IDBGrid* GetItem(int index) const;
    // The IDBGrid of the first item whose grid is this one, or null.
    IDBGrid* FindByGrid(const QWidget* grid) const;
    TGridInterfaced* Item(int index) const { return FItems.at(static_cast<size_t>(index)).get(); }

private:
    std::vector<std::unique_ptr<TGridInterfaced>> FItems;
};

// The filter text the grid filter of the dialog library leaves on a query; empty or
// NoFilterSQL when no filter is on.
QString QueryFilterSQL(const TDataSet* dataSet);
void SetQueryFilterSQL(TDataSet* dataSet, const QString& condition);
inline const char NoFilterSQL[] = "((1=1)aNd(1=1))";
bool QueryFilterActive(const TDataSet* dataSet);

// The filter marker of a grid whose query carries a server-side filter: a small button in
// the grid's lower right corner that opens the filter again.
class TDBGridOfQuery : public QObject {
    Q_OBJECT
public:
    // `owner` is the form, `filterAction` its pFilter action.
    TDBGridOfQuery(QWidget* owner, QAction* filterAction, IDBGrid* grid);
    ~TDBGridOfQuery() override;

    QToolButton* Button() const { return FButton.data(); }
    // Shows or hides the button for the data set's filter.
    void UpdateButton();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Hook(TDataSet* dataSet);
    void Unhook();
    void PlaceButton();
    void Clicked();

    QPointer<QWidget> FOwner;
    QPointer<QAction> FFilterAction;
    IDBGrid* FGrid;
    QPointer<QTableView> FGridControl;
    QPointer<QToolButton> FButton;
    QPointer<TDataSet> FHooked;
    std::function<void(TDataSet*)> FOldAfterOpen;
    std::function<void(TDataSet*)> FOldAfterClose;
    QMetaObject::Connection FClick;
};
