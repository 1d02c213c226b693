#pragma once

#include <QFlags>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>
#include <vector>

#include "Platform/Data/DatabaseError.h"
#include "Platform/Data/DbBackend.h"
#include "Platform/Data/Params.h"
#include "Platform/qxvglobal.h"

class TDataSet;

enum class TDataSetState { Inactive, Browse, Edit, Insert };

enum class TFieldKind { Data, Calculated, Lookup };

enum class TLocateOption { CaseInsensitive = 0x1, PartialKey = 0x2 };
Q_DECLARE_FLAGS(TLocateOptions, TLocateOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(TLocateOptions)

// One column of a data set. It reads and writes the data set's current row;
// a field belongs to its data set and lives until the data set is destroyed or
// reopened with a different set of columns. Display properties set by a form
// survive a refresh or a reopen with the same columns.
class QXV_PLATFORM_EXPORT TField {
public:
    TField(TDataSet* dataSet, const QString& name, TFieldType type, TFieldKind kind);
    TField(const TField&) = delete;
    TField& operator=(const TField&) = delete;

    TDataSet* DataSet() const { return FDataSet; }
    const QString& FieldName() const { return FFieldName; }
    TFieldType DataType() const { return FDataType; }
    TFieldKind FieldKind() const { return FFieldKind; }

    // Position among the data set's fields (0-based); changing it moves the field.
    int Index() const;
    void SetIndex(int index);

    QString DisplayLabel() const { return FDisplayLabel.isEmpty() ? FFieldName : FDisplayLabel; }
    void SetDisplayLabel(const QString& label) { FDisplayLabel = label; }
    int DisplayWidth() const;
    void SetDisplayWidth(int width) { FDisplayWidth = width; }
    bool Visible() const { return FVisible; }
    void SetVisible(bool visible) { FVisible = visible; }
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool readOnly) { FReadOnly = readOnly; }
    int Tag() const { return FTag; }
    void SetTag(int tag) { FTag = tag; }

    // A lookup field shows LookupResultField of the LookupDataSet row whose
    // LookupKeyFields equal this data set's KeyFields (names separated by ';').
    void SetLookup(TDataSet* lookupDataSet, const QString& keyFields,
                   const QString& lookupKeyFields, const QString& lookupResultField);
    TDataSet* LookupDataSet() const { return FLookupDataSet.data(); }
    const QString& KeyFields() const { return FKeyFields; }
    const QString& LookupKeyFields() const { return FLookupKeyFields; }
    const QString& LookupResultField() const { return FLookupResultField; }

    // Reading on a closed or empty data set gives NULL.
    QVariant Value() const;
    bool IsNull() const { return Value().isNull(); }
    int AsInteger() const;
    long long AsLargeInt() const;
    double AsFloat() const;
    QString AsString() const;
    bool AsBoolean() const;
    QByteArray AsBytes() const;

    // Writing needs the data set in edit or insert state (calculated and lookup
    // fields can be written at any time); the value is converted to the field's type.
    void SetValue(const QVariant& value);
    void SetAsInteger(long long value) { SetValue(QVariant(value)); }
    void SetAsFloat(double value) { SetValue(QVariant(value)); }
    void SetAsString(const QString& value) { SetValue(QVariant(value)); }
    void SetAsBoolean(bool value) { SetValue(QVariant(value)); }
    void SetAsBytes(const QByteArray& value) { SetValue(QVariant(value)); }
    void Clear() { SetValue(QVariant()); }

private:
    friend class TDataSet;

    TDataSet* FDataSet;
    QString FFieldName;
    TFieldType FDataType;
    TFieldKind FFieldKind;
    int FBufferIndex = -1;
    QString FDisplayLabel;
    int FDisplayWidth = 0;
    bool FVisible = true;
    bool FReadOnly = false;
    int FTag = 0;
    QPointer<TDataSet> FLookupDataSet;
    QString FKeyFields;
    QString FLookupKeyFields;
    QString FLookupResultField;
};

// A client-side buffered data set: all rows are fetched on open and kept in
// memory. Edit/Insert/Post/Cancel/Delete change only this buffer ("local
// update"): the forms write to the server through routines, never through a
// data set. Observers (grids, detail data sets) listen to the signals, which
// DisableControls holds back; the event hooks below always run.
class QXV_PLATFORM_EXPORT TDataSet : public QObject {
    Q_OBJECT
public:
    using TDataSetNotifyEvent = std::function<void(TDataSet*)>;

    explicit TDataSet(QObject* parent = nullptr);
    ~TDataSet() override;

    // Event hooks. To chain, copy the current hook and call it from the new one.
    TDataSetNotifyEvent BeforeOpen;
    TDataSetNotifyEvent AfterOpen;
    TDataSetNotifyEvent BeforeClose;
    TDataSetNotifyEvent AfterClose;
    TDataSetNotifyEvent BeforeRefresh;
    TDataSetNotifyEvent AfterRefresh;
    TDataSetNotifyEvent AfterScroll;
    TDataSetNotifyEvent BeforePost;
    TDataSetNotifyEvent AfterPost;
    TDataSetNotifyEvent BeforeDelete;
    TDataSetNotifyEvent AfterDelete;
    // Runs for every row after it is read or posted; writes calculated fields.
    TDataSetNotifyEvent OnCalcFields;

    // Opening and closing.
    bool Active() const { return FState != TDataSetState::Inactive; }
    void SetActive(bool active);
    void Open();
    void Close();
    // Re-reads the rows the last open read; keeps the record number where possible.
    void Refresh();
    TDataSetState State() const { return FState; }

    // An in-memory data set: opens on these rows; Refresh shows them again.
    void LoadRows(const TRowSet& rows);

    // Navigation. RecNo is 1-based (0 when empty).
    void First();
    void Last();
    void Next();
    void Prior();
    int MoveBy(int distance);
    bool Bof() const { return FBof; }
    bool Eof() const { return FEof; }
    int RecordCount() const { return static_cast<int>(FRows.size()); }
    bool IsEmpty() const { return FRows.empty(); }
    int RecNo() const;
    void SetRecNo(int recNo);

    // Finds the first row whose fields (names separated by ';') equal the values
    // (one value, or a QVariantList for several fields) and makes it current.
    // Not found: false, the position is kept.
    bool Locate(const QString& keyFields, const QVariant& keyValues, TLocateOptions options = {});
    // The value of `resultField` in the first row matching exactly, without moving;
    // NULL when there is none.
    QVariant Lookup(const QString& keyFields, const QVariant& keyValues,
                    const QString& resultField) const;

    // Fields, in display order.
    int FieldCount() const { return static_cast<int>(FFields.size()); }
    TField* Fields(int index) const;
    TField* FindField(const QString& name) const;
    // Throws EDatabaseError naming the field and the data set.
    TField& FieldByName(const QString& name) const;
    QStringList FieldNames() const;
    // Declares a calculated or lookup field (or a data field whose properties should
    // be ready before the first open). Data fields are otherwise made on open.
    TField& AddField(const QString& name, TFieldType type, TFieldKind kind);
    // The value of a field in any row (0-based), for views showing all rows.
    QVariant CellValue(int row, const TField& field) const;

    // Local editing.
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool readOnly) { FReadOnly = readOnly; }
    bool Modified() const { return FModified; }
    void Edit();  // on an empty data set this inserts, as the toolkit does
    void Insert();
    void Append();
    void Post();
    void Cancel();
    void Delete();

    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return FDisableCount > 0; }

    TParams& Params() { return FParams; }
    const TParams& Params() const { return FParams; }
    virtual TParam& ParamByName(const QString& name) { return FParams.ParamByName(name); }
    TParam* FindParam(const QString& name) { return FParams.FindParam(name); }

    // Master/detail: when the master's current row changes (or it is reopened), an
    // open detail copies the master's field values into its parameters of the same
    // names and reopens.
    void SetMasterSource(TDataSet* master);
    TDataSet* MasterSource() const { return FMaster.data(); }

    // The name used in messages: the object name, or the class name.
    QString ComponentName() const;

signals:
    // The whole content changed (open, close, refresh, insert, delete, re-enabled controls).
    void DataSetChanged();
    // The current row changed.
    void Scrolled();
    // The values of the current row changed (field written, post, cancel).
    void RecordChanged();
    void StateChanged();

protected:
    // Reads the rows for Open and Refresh. The base class gives the rows of LoadRows.
    virtual TRowSet InternalOpen();
    // Opens on rows a call has already fetched (an executed routine that returned a
    // cursor): BeforeOpen does not run, the call being over, but AfterOpen does, so
    // whatever follows opened rows sees these too.
    void SetRows(const TRowSet& rows);
    // Makes the fields of these columns on a closed data set (a prepared query knows
    // its columns before it is opened); nothing when the data set is open.
    void DefineFields(const std::vector<TColumnDesc>& columns);
    // Whether to translate errors: derived data sets set the component of an EOraError.
    [[noreturn]] void Fail(const QString& message) const;

private:
    friend class TField;

    enum class Notice { DataSet, Scroll, Record, State };

    void Notify(Notice notice);
    void ApplyRows(const TRowSet& rows);
    void BuildFields(const std::vector<TColumnDesc>& columns);
    int FindRow(const QString& keyFields, const QVariant& keyValues, TLocateOptions options) const;
    void CalcRow(int row);
    void CalcAll();
    void CheckActive() const;
    void CheckBrowseMode();
    void DoAfterScroll();
    void SetState(TDataSetState state);
    void MasterChanged();
    void ApplyMasterParams();
    QVariant ReadValue(const TField& field) const;
    void WriteValue(TField& field, const QVariant& value);

    std::vector<std::unique_ptr<TField>> FFields;
    std::vector<std::vector<QVariant>> FRows;
    std::vector<QVariant> FOldRow;
    TRowSet FLoaded;
    TParams FParams;
    TDataSetState FState = TDataSetState::Inactive;
    int FCur = -1;
    int FCalcRow = -1;
    bool FBof = true;
    bool FEof = true;
    bool FModified = false;
    bool FReadOnly = false;
    int FDisableCount = 0;
    QPointer<TDataSet> FMaster;
    QMetaObject::Connection FMasterScroll;
    QMetaObject::Connection FMasterChange;
};
