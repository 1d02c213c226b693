#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

#include "Platform/Data/DataSet.h"

class TChkStateList;

// Record counters of a form's data sets: a display control shows "Считано из БД %s
// записей" (in the form the count asks for: "1 запись", "2 записи"; "1 record", "2 records")
// with the record count of the data set whose grid is active, or the counts of a master and
// its detail, and its hint names their grids.

// " " + the translated counter phrase in the form the count `last` asks for, its %s made
// `counts`: " Считано из БД 2 записи", " 1 record read from the database".
QString RecordCountText(const QString& counts, int last);

// Watches one data set: after open and after refresh it tells its list.
class TChkState {
public:
    using TUpdateEvent = std::function<void(TChkState*)>;

    TChkState(TChkStateList* owner, TDataSet* dataSet, TUpdateEvent update,
              TDataSet* second = nullptr);
    ~TChkState();
    TChkState(const TChkState&) = delete;
    TChkState& operator=(const TChkState&) = delete;

    TDataSet* DataSet() const { return FDataSet.data(); }
    // A data set shown together with this one (its master).
    TDataSet* SecondDataSet() const { return FSecond.data(); }
    int State() const { return FState; }

private:
    void Changed();

    TChkStateList* FOwner;
    TUpdateEvent FUpdate;
    int FState = 0;
    QPointer<TDataSet> FDataSet;
    QPointer<TDataSet> FSecond;
    std::function<void(TDataSet*)> FOldAfterOpen;
    std::function<void(TDataSet*)> FOldAfterRefresh;
};

class TChkStateList {
public:
    // The control (grid) that shows a data set, or null.
    using TControlLookup = std::function<QWidget*(TDataSet*)>;
    using TChangeEvent = std::function<void(TDataSet* dataSet, int state)>;

    explicit TChkStateList(TControlLookup lookup);

    void Add(TDataSet* dataSet, TDataSet* second = nullptr);
    int IndexOf(const TDataSet* dataSet) const;
    TChkState* Find(const TDataSet* dataSet) const;
    int Count() const { return static_cast<int>(FItems.size()); }
    // Makes the data set's item the one shown; nothing changes for one never added.
    void Activate(const TDataSet* dataSet);
    TChkState* ActiveItem() const { return FActive; }

    void SetDisplay(QWidget* control) { FDisplay = control; }
    void SetOnChange(TChangeEvent handler) { FOnChange = std::move(handler); }
    // A format set here ("%d" for each count) replaces the counter phrase.
    void SetSingleFormat(const QString& format) { FSingleFormat = format; }
    void SetDoubleFormat(const QString& format) { FDoubleFormat = format; }
    const QString& SingleFormat() const { return FSingleFormat; }
    const QString& DoubleFormat() const { return FDoubleFormat; }

private:
    void ItemChanged(TChkState* item);
    void UpdateState();

    std::vector<std::unique_ptr<TChkState>> FItems;
    TChkState* FActive = nullptr;
    QPointer<QWidget> FDisplay;
    TChangeEvent FOnChange;
    QString FSingleFormat;
    QString FDoubleFormat;
    TControlLookup FLookup;
};
