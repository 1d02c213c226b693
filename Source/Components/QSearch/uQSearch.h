#pragma once

#include <QLineEdit>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

#include "ComUnits/uQXVSourcesComponent.h"
#include "Platform/Data/DataSet.h"

class QFrame;
class QLabel;
class QTableView;
class QWidget;

// The edit box of the quick search panel. Enter and Escape close the panel; characters
// typed while Alt is still held go on into the text.
class TSearchEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TSearchEdit(QWidget* parent);

signals:
    void SearchTextChanged(const QString& text);
    void SearchLeave();

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
};

// Incremental search on one grid: Alt and a letter or digit opens a small panel at the
// grid's bottom-left corner, and every change of its text moves the grid's data set to
// the first record whose field starts with the text.
class TQSearch : public QObject, public ISourcesClient {
    Q_OBJECT
public:
    // May change the field searched or cancel the search.
    using TBeforeSearch = std::function<void(TQSearch* sender, QString& field, bool& cancel)>;
    // Performs the search; the built-in one locates the record.
    using TOnSearch =
        std::function<void(TQSearch* sender, const QString& field, const QString& value)>;

    explicit TQSearch(QObject* owner);
    ~TQSearch() override;

    TQXVSourcesReference* SourceReference() const { return FSourceReference; }
    QTableView* Grid() const { return FGrid.data(); }
    void SetGrid(QTableView* grid);
    const QString& SearchField() const { return FSearchField; }
    void SetSearchField(const QString& field) { FSearchField = field; }
    TLocateOptions LocateOptions() const { return FLocateOptions; }
    void SetLocateOptions(TLocateOptions options) { FLocateOptions = options; }
    const TBeforeSearch& OnBeforeSearch() const { return FOnBeforeSearch; }
    void SetOnBeforeSearch(TBeforeSearch handler) { FOnBeforeSearch = std::move(handler); }
    // An empty handler brings back the built-in search.
    void SetOnSearch(TOnSearch handler);
    bool UseSelectedColumn() const { return FUseSelectedColumn; }
    // Forced false for a grid that shows no data set.
    void SetUseSelectedColumn(bool value);
    bool SearchEnabled() const { return FSearchEnabled; }
    void SetSearchEnabled(bool value) { FSearchEnabled = value; }

    // The panel and its edit box; null until the panel was first shown.
    QFrame* Panel() const { return FPanel.data(); }
    TSearchEdit* Edit() const { return FEdit.data(); }
    bool Shown() const { return FShown; }

    // ISourcesClient
    void SourcesChanged(TQXVSources* sources) override;
    void SetSourceReference(TQXVSourcesReference* reference) override;

    // The data set the grid shows; an assertion names what is missing.
    TDataSet* GridDataSet() const;
    // Whether a character typed with Alt opens the panel.
    static bool OpensSearch(QChar character);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Open(QChar character);
    void SetShown(bool shown);
    void CreatePanel();
    void PlacePanel();
    bool CoversAnotherControl(const QRect& place) const;
    void TextChanged(const QString& text);
    void Leave();
    void Search(const QString& field, const QString& value);
    bool ShowsDataSet() const;
    QString SelectedFieldName() const;
    QString Text(int id) const;

    QPointer<QWidget> FOwner;
    TQXVSourcesReference* FSourceReference = nullptr;
    QPointer<TQXVSources> FSources;
    QPointer<QTableView> FGrid;
    const QObject* FGridObject = nullptr;
    QString FSearchField;
    TLocateOptions FLocateOptions = TLocateOption::CaseInsensitive | TLocateOption::PartialKey;
    TBeforeSearch FOnBeforeSearch;
    TOnSearch FOnSearch;
    bool FUseSelectedColumn = true;
    bool FSearchEnabled = true;
    bool FShown = false;
    QPointer<QFrame> FPanel;
    QPointer<QLabel> FLabel;
    QPointer<TSearchEdit> FEdit;
};
