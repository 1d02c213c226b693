#pragma once

#include <QList>
#include <QObject>
#include <QPointer>

#include <functional>

#include "Components/QSearch/uQSearch.h"

class QTableView;

// Gives every grid of a form its quick search: the first time the form is shown it makes
// one TQSearch per grid, in component order, and keeps their settings in step with its own.
class TFrmQSearch : public QObject {
    Q_OBJECT
public:
    using TGrdBeforeSearch =
        std::function<void(QObject* sender, QTableView* grid, QString& field, bool& cancel)>;
    using TGrdOnSearch = std::function<void(QObject* sender, QTableView* grid,
                                            const QString& fieldName, const QString& value)>;

    explicit TFrmQSearch(QObject* owner);
    ~TFrmQSearch() override;

    TQXVSourcesReference* SourceReference() const { return FSourceReference.data(); }
    void SetSourceReference(TQXVSourcesReference* reference);
    bool AutoSearch() const { return FAutoSearch; }
    void SetAutoSearch(bool value);
    const TGrdBeforeSearch& GrdBeforeSearch() const { return FGrdBeforeSearch; }
    void SetGrdBeforeSearch(TGrdBeforeSearch handler);
    const TGrdOnSearch& GrdOnSearch() const { return FGrdOnSearch; }
    void SetGrdOnSearch(TGrdOnSearch handler);
    TLocateOptions LocateOptions() const { return FLocateOptions; }
    void SetLocateOptions(TLocateOptions options);
    bool UseSelectedColumn() const { return FUseSelectedColumn; }
    void SetUseSelectedColumn(bool value);

    // The searches made so far (the form owns them).
    QList<TQSearch*> Searches() const;
    // The search of a grid, or null.
    TQSearch* SearchOf(const QTableView* grid) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void SetUp();
    void ApplyHandlers(TQSearch& search);

    QPointer<QWidget> FOwner;
    QPointer<TQXVSourcesReference> FSourceReference;
    bool FAutoSearch = true;
    TGrdBeforeSearch FGrdBeforeSearch;
    TGrdOnSearch FGrdOnSearch;
    TLocateOptions FLocateOptions = TLocateOption::CaseInsensitive | TLocateOption::PartialKey;
    bool FUseSelectedColumn = true;
    QList<QPointer<TQSearch>> FSearches;
};
