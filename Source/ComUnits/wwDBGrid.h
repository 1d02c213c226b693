#pragma once

#include <QString>
#include <QTableView>

#include <functional>
#include <memory>
#include <vector>

class QAction;
class QMenu;
class TDataSetModel;
class TField;
class TwwDBGrid;

// One column of the enhanced grid. Its place, visibility and width are the grid's
// own, not the header's, so they survive the data set being closed and reopened.
class TwwColumn {
public:
    TwwColumn(TwwDBGrid* grid, QString fieldName) : FGrid(grid), FFieldName(std::move(fieldName)) {}
    TwwColumn(const TwwColumn&) = delete;
    TwwColumn& operator=(const TwwColumn&) = delete;

    // The column's identifier: the name of the field it shows.
    const QString& FieldName() const { return FFieldName; }
    TField* Field() const;
    // The caption of its title, as the header shows it.
    QString Title() const;
    // Position among the grid's columns (0-based); setting it moves the column.
    int Index() const;
    void SetIndex(int index);
    bool Visible() const { return FVisible; }
    void SetVisible(bool visible);
    // In pixels; a hidden column keeps the width it had when shown.
    int Width() const;
    void SetWidth(int width);
    // Whether the column view may show or hide the column.
    bool CanRepresent() const { return FCanRepresent; }
    void SetCanRepresent(bool can) { FCanRepresent = can; }

private:
    friend class TwwDBGrid;

    TwwDBGrid* FGrid;
    QString FFieldName;
    bool FVisible = true;
    int FWidth = -1;  // the header's default until sized
    bool FCanRepresent = true;
};

// The texts the grid hands to its column view.
struct TColumnViewTexts {
    QString Caption = QStringLiteral("Отображаемые столбцы");
    QString OKCaption = QStringLiteral("&Применить");
    QString CancelCaption = QStringLiteral("&Отмена");
    QString AllHint = QStringLiteral("Выделить все");
    QString ClearHint = QStringLiteral("Снять выделение");
    QString InversHint = QStringLiteral("Обратить выделение");
};

// The enhanced data grid: a QTableView over a TDataSetModel whose columns, one per
// field the model shows, can be hidden, moved and sized, with fixed columns on the
// left and a column menu on its header that opens the column view.
class TwwDBGrid : public QTableView {
    Q_OBJECT
public:
    // Asked before the column view shows or hides a column; clearing `allow` keeps it.
    using TColumnViewChange = std::function<void(TwwDBGrid* grid, TwwColumn* column, bool& allow)>;

    explicit TwwDBGrid(QWidget* parent = nullptr);
    ~TwwDBGrid() override;

    void setModel(QAbstractItemModel* model) override;
    // The grid's data source; null when the model is not one.
    TDataSetModel* DataSource() const;

    // The columns in the order they are shown.
    int ColumnCount() const { return static_cast<int>(FColumns.size()); }
    TwwColumn* Column(int index) const { return FColumns.at(static_cast<size_t>(index)).get(); }
    TwwColumn* ColumnByName(const QString& fieldName) const;

    // Columns before this index can be neither hidden nor shown by the user.
    int FixedCols() const { return FFixedCols; }
    void SetFixedCols(int count) { FFixedCols = count; }

    const TColumnViewTexts& ColumnViewTexts() const { return FTexts; }
    void SetColumnViewTexts(TColumnViewTexts texts) { FTexts = std::move(texts); }
    const TColumnViewChange& OnColumnViewChange() const { return FColumnViewChange; }
    void SetOnColumnViewChange(TColumnViewChange handler) {
        FColumnViewChange = std::move(handler);
    }

    // The context menu of the header and its item that opens the column view.
    QMenu* ColumnMenu() const { return FColumnMenu; }
    QAction* ColumnViewAction() const { return FColumnViewAction; }

private:
    friend class TwwColumn;

    int LogicalIndexOf(const TwwColumn& column) const;
    // Takes the model's columns after a reset: known ones keep their state, new ones
    // are added at the end, gone ones are dropped.
    void SyncColumns();
    void ApplyColumns();
    void SectionMoved();
    void SectionResized(int logical, int newSize);
    void PopupColumnMenu(const QPoint& at);

    std::vector<std::unique_ptr<TwwColumn>> FColumns;
    int FFixedCols = 0;
    TColumnViewTexts FTexts;
    TColumnViewChange FColumnViewChange;
    QMenu* FColumnMenu;
    QAction* FColumnViewAction;
    QMetaObject::Connection FResetLink;
    bool FApplying = false;
};
