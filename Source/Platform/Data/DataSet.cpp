#include "Platform/Data/DataSet.h"

#include <algorithm>

#include "Platform/Data/DataConvert.h"

// ---------------------------------------------------------------------------
// TField

TField::TField(TDataSet* dataSet, const QString& name, TFieldType type, TFieldKind kind)
    : FDataSet(dataSet), FFieldName(name), FDataType(type), FFieldKind(kind) {}

int TField::Index() const {
    for (int i = 0; i < FDataSet->FieldCount(); ++i)
        if (FDataSet->Fields(i) == this) return i;
    return -1;
}

void TField::SetIndex(int index) {
    auto& fields = FDataSet->FFields;
    const int from = Index();
    const int to = std::clamp(index, 0, static_cast<int>(fields.size()) - 1);
    if (from < 0 || from == to) return;
    auto moved = std::move(fields[static_cast<size_t>(from)]);
    fields.erase(fields.begin() + from);
    fields.insert(fields.begin() + to, std::move(moved));
    FDataSet->Notify(TDataSet::Notice::DataSet);
}

int TField::DisplayWidth() const {
    if (FDisplayWidth > 0) return FDisplayWidth;
    switch (FDataType) {
        case TFieldType::Integer:
        case TFieldType::Float:
            return 10;
        case TFieldType::Boolean:
            return 5;
        case TFieldType::DateTime:
            return 18;
        default:
            return 20;
    }
}

QVariant TField::Value() const { return FDataSet->ReadValue(*this); }
int TField::AsInteger() const { return static_cast<int>(DataConvert::ToInteger(Value())); }
long long TField::AsLargeInt() const { return DataConvert::ToInteger(Value()); }
double TField::AsFloat() const { return DataConvert::ToFloat(Value()); }
QString TField::AsString() const { return DataConvert::ToString(Value()); }
bool TField::AsBoolean() const { return DataConvert::ToBoolean(Value()); }
QByteArray TField::AsBytes() const { return DataConvert::ToBytes(Value()); }

void TField::SetValue(const QVariant& value) { FDataSet->WriteValue(*this, value); }

void TField::SetLookup(TDataSet* lookupDataSet, const QString& keyFields,
                       const QString& lookupKeyFields, const QString& lookupResultField) {
    FLookupDataSet = lookupDataSet;
    FKeyFields = keyFields;
    FLookupKeyFields = lookupKeyFields;
    FLookupResultField = lookupResultField;
}

// ---------------------------------------------------------------------------
// TDataSet

TDataSet::TDataSet(QObject* parent) : QObject(parent) {}

TDataSet::~TDataSet() = default;

QString TDataSet::ComponentName() const {
    return objectName().isEmpty() ? QString::fromLatin1(metaObject()->className()) : objectName();
}

void TDataSet::Fail(const QString& message) const {
    throw EDatabaseError(ComponentName() + QStringLiteral(": ") + message);
}

void TDataSet::Notify(Notice notice) {
    if (FDisableCount > 0) return;
    switch (notice) {
        case Notice::DataSet:
            emit DataSetChanged();
            break;
        case Notice::Scroll:
            emit Scrolled();
            break;
        case Notice::Record:
            emit RecordChanged();
            break;
        case Notice::State:
            emit StateChanged();
            break;
    }
}

void TDataSet::DisableControls() { ++FDisableCount; }

void TDataSet::EnableControls() {
    if (FDisableCount == 0) return;
    if (--FDisableCount == 0) emit DataSetChanged();
}

void TDataSet::SetState(TDataSetState state) {
    if (FState == state) return;
    FState = state;
    Notify(Notice::State);
}

void TDataSet::CheckActive() const {
    if (!Active()) Fail(QStringLiteral("Cannot perform this operation on a closed dataset"));
}

void TDataSet::CheckBrowseMode() {
    CheckActive();
    if (FState == TDataSetState::Edit || FState == TDataSetState::Insert) Post();
}

void TDataSet::DoAfterScroll() {
    if (AfterScroll) AfterScroll(this);
    Notify(Notice::Scroll);
}

// --- open / close / refresh -------------------------------------------------

void TDataSet::SetActive(bool active) {
    if (active)
        Open();
    else
        Close();
}

TRowSet TDataSet::InternalOpen() { return FLoaded; }

void TDataSet::LoadRows(const TRowSet& rows) {
    Close();
    FLoaded = rows;
    Open();
}

void TDataSet::Open() {
    if (Active()) return;
    if (BeforeOpen) BeforeOpen(this);
    ApplyMasterParams();
    const TRowSet rows = InternalOpen();
    ApplyRows(rows);
    if (AfterOpen) AfterOpen(this);
    Notify(Notice::DataSet);
}

void TDataSet::SetRows(const TRowSet& rows) {
    ApplyRows(rows);
    if (AfterOpen) AfterOpen(this);
    Notify(Notice::DataSet);
}

void TDataSet::DefineFields(const std::vector<TColumnDesc>& columns) {
    if (!Active()) BuildFields(columns);
}

void TDataSet::ApplyRows(const TRowSet& rows) {
    BuildFields(rows.Columns);
    const size_t width = FFields.size();
    FRows.clear();
    FRows.reserve(rows.Rows.size());
    for (const auto& src : rows.Rows) {
        std::vector<QVariant> row(width);
        for (const auto& f : FFields) {
            if (f->FFieldKind != TFieldKind::Data ||
                f->FBufferIndex >= static_cast<int>(src.size()))
                continue;
            const QVariant& value = src[static_cast<size_t>(f->FBufferIndex)];
            QVariant& cell = row[static_cast<size_t>(f->FBufferIndex)];
            try {
                cell = DataConvert::Coerce(value, f->FDataType);
            } catch (const EDatabaseError&) {
                cell = value;  // what the server sent is shown as it is, never lost
            }
        }
        FRows.push_back(std::move(row));
    }
    FOldRow.clear();
    FModified = false;
    FCur = FRows.empty() ? -1 : 0;
    FBof = true;
    FEof = FRows.empty();
    FState = TDataSetState::Browse;
    CalcAll();
}

void TDataSet::BuildFields(const std::vector<TColumnDesc>& columns) {
    // Keep field objects whose names remain, so that labels, widths and tags a form
    // gave them survive a reopen; data fields of vanished columns go away.
    std::vector<std::unique_ptr<TField>> old = std::move(FFields);
    FFields.clear();
    auto take = [&old](const QString& name) -> std::unique_ptr<TField> {
        for (auto it = old.begin(); it != old.end(); ++it)
            if ((*it)->FFieldName.compare(name, Qt::CaseInsensitive) == 0) {
                auto f = std::move(*it);
                old.erase(it);
                return f;
            }
        return nullptr;
    };
    const bool sameColumns = [&] {
        int dataFields = 0;
        for (const auto& f : old)
            if (f->FFieldKind == TFieldKind::Data) ++dataFields;
        if (dataFields != static_cast<int>(columns.size())) return false;
        for (const auto& c : columns) {
            const bool found = std::any_of(old.begin(), old.end(), [&](const auto& f) {
                return f->FFieldKind == TFieldKind::Data &&
                       f->FFieldName.compare(c.Name, Qt::CaseInsensitive) == 0;
            });
            if (!found) return false;
        }
        return true;
    }();

    if (sameColumns && !old.empty()) {
        // Same columns: keep the display order the form may have set.
        FFields = std::move(old);
        for (auto& f : FFields)
            if (f->FFieldKind == TFieldKind::Data)
                for (size_t i = 0; i < columns.size(); ++i)
                    if (columns[i].Name.compare(f->FFieldName, Qt::CaseInsensitive) == 0) {
                        f->FBufferIndex = static_cast<int>(i);
                        if (columns[i].Type != TFieldType::Unknown) f->FDataType = columns[i].Type;
                    }
    } else {
        for (size_t i = 0; i < columns.size(); ++i) {
            QString name = columns[i].Name;
            // A repeated column name gets a suffix, as the toolkit names it.
            for (int n = 1; FindField(name); ++n)
                name = columns[i].Name + QStringLiteral("_%1").arg(n);
            std::unique_ptr<TField> f = take(name);
            if (!f || f->FFieldKind != TFieldKind::Data)
                f = std::make_unique<TField>(this, name, columns[i].Type, TFieldKind::Data);
            if (columns[i].Type != TFieldType::Unknown) f->FDataType = columns[i].Type;
            f->FBufferIndex = static_cast<int>(i);
            FFields.push_back(std::move(f));
        }
        for (auto& f : old)
            if (f->FFieldKind != TFieldKind::Data) FFields.push_back(std::move(f));
    }
    int next = static_cast<int>(columns.size());
    for (auto& f : FFields)
        if (f->FFieldKind != TFieldKind::Data) f->FBufferIndex = next++;
}

void TDataSet::Close() {
    if (!Active()) return;
    if (BeforeClose) BeforeClose(this);
    FRows.clear();
    FOldRow.clear();
    FModified = false;
    FCur = -1;
    FBof = FEof = true;
    FState = TDataSetState::Inactive;
    if (AfterClose) AfterClose(this);
    Notify(Notice::DataSet);
    Notify(Notice::State);
}

void TDataSet::Refresh() {
    CheckBrowseMode();
    if (BeforeRefresh) BeforeRefresh(this);
    const int recNo = FCur;
    ApplyMasterParams();
    const TRowSet rows = InternalOpen();
    ApplyRows(rows);
    if (!FRows.empty()) {
        FCur = std::clamp(recNo, 0, RecordCount() - 1);
        FBof = FCur == 0 && recNo <= 0;
        FEof = false;
    }
    if (AfterRefresh) AfterRefresh(this);
    Notify(Notice::DataSet);
}

// --- navigation ---------------------------------------------------------------

int TDataSet::RecNo() const { return Active() && !FRows.empty() ? FCur + 1 : 0; }

void TDataSet::SetRecNo(int recNo) {
    CheckBrowseMode();
    if (FRows.empty()) return;
    const int target = std::clamp(recNo - 1, 0, RecordCount() - 1);
    FBof = FEof = false;
    if (target == FCur) return;
    FCur = target;
    DoAfterScroll();
}

void TDataSet::First() {
    CheckBrowseMode();
    const int was = FCur;
    FCur = FRows.empty() ? -1 : 0;
    FBof = true;
    FEof = FRows.empty();
    if (was != FCur) DoAfterScroll();
}

void TDataSet::Last() {
    CheckBrowseMode();
    const int was = FCur;
    FCur = RecordCount() - 1;
    FEof = true;
    FBof = FRows.empty();
    if (was != FCur) DoAfterScroll();
}

int TDataSet::MoveBy(int distance) {
    CheckBrowseMode();
    if (FRows.empty() || distance == 0) return 0;
    const int target = std::clamp(FCur + distance, 0, RecordCount() - 1);
    const int moved = target - FCur;
    FBof = distance < 0 && moved != distance;
    FEof = distance > 0 && moved != distance;
    if (moved != 0) {
        FCur = target;
        DoAfterScroll();
    }
    return moved;
}

void TDataSet::Next() { MoveBy(1); }

void TDataSet::Prior() { MoveBy(-1); }

int TDataSet::FindRow(const QString& keyFields, const QVariant& keyValues,
                      TLocateOptions options) const {
    const QStringList names = keyFields.split(u';', Qt::SkipEmptyParts);
    std::vector<const TField*> fields;
    for (const QString& n : names) fields.push_back(&FieldByName(n.trimmed()));
    if (fields.empty()) return -1;
    QVariantList keys;
    if (fields.size() == 1)
        keys.append(keyValues);
    else
        keys = keyValues.toList();
    if (keys.size() != static_cast<qsizetype>(fields.size()))
        Fail(QStringLiteral("%1 key fields but %2 values").arg(fields.size()).arg(keys.size()));

    const Qt::CaseSensitivity cs =
        options.testFlag(TLocateOption::CaseInsensitive) ? Qt::CaseInsensitive : Qt::CaseSensitive;
    const bool partial = options.testFlag(TLocateOption::PartialKey);
    auto matches = [&](const QVariant& cell, const QVariant& key, TFieldType type) {
        if (key.isNull() || cell.isNull()) return key.isNull() && cell.isNull();
        // A partial key is a beginning of the shown text, whatever the field's type.
        if (partial) {
            return DataConvert::ToString(cell).startsWith(DataConvert::ToString(key), cs);
        }
        try {
            switch (type) {
                case TFieldType::Integer:
                case TFieldType::Float:
                    return DataConvert::ToFloat(cell) == DataConvert::ToFloat(key);
                case TFieldType::Boolean:
                    return DataConvert::ToBoolean(cell) == DataConvert::ToBoolean(key);
                default:
                    break;
            }
        } catch (const EDatabaseError&) {
            return false;  // a key that is not a number matches no number
        }
        const QString text = DataConvert::ToString(cell);
        const QString wanted = DataConvert::ToString(key);
        return text.compare(wanted, cs) == 0;
    };
    for (int row = 0; row < RecordCount(); ++row) {
        bool all = true;
        for (size_t k = 0; k < fields.size() && all; ++k)
            all = matches(CellValue(row, *fields[k]), keys[static_cast<qsizetype>(k)],
                          fields[k]->DataType());
        if (all) return row;
    }
    return -1;
}

bool TDataSet::Locate(const QString& keyFields, const QVariant& keyValues, TLocateOptions options) {
    CheckBrowseMode();
    const int row = FindRow(keyFields, keyValues, options);
    if (row < 0) return false;
    FBof = FEof = false;
    if (row != FCur) {
        FCur = row;
        DoAfterScroll();
    }
    return true;
}

QVariant TDataSet::Lookup(const QString& keyFields, const QVariant& keyValues,
                          const QString& resultField) const {
    if (!Active()) return {};
    const int row = FindRow(keyFields, keyValues, {});
    return row < 0 ? QVariant() : CellValue(row, FieldByName(resultField));
}

// --- fields ---------------------------------------------------------------------

TField* TDataSet::Fields(int index) const {
    if (index < 0 || index >= FieldCount())
        Fail(QStringLiteral("Field index %1 out of range").arg(index));
    return FFields[static_cast<size_t>(index)].get();
}

TField* TDataSet::FindField(const QString& name) const {
    for (const auto& f : FFields)
        if (f->FFieldName.compare(name, Qt::CaseInsensitive) == 0) return f.get();
    return nullptr;
}

TField& TDataSet::FieldByName(const QString& name) const {
    if (TField* f = FindField(name)) return *f;
    Fail(QStringLiteral("Field '%1' not found").arg(name));
}

QStringList TDataSet::FieldNames() const {
    QStringList names;
    for (const auto& f : FFields) names << f->FFieldName;
    return names;
}

TField& TDataSet::AddField(const QString& name, TFieldType type, TFieldKind kind) {
    if (Active()) Fail(QStringLiteral("Cannot add field '%1' to an open dataset").arg(name));
    if (FindField(name)) Fail(QStringLiteral("Duplicate field name '%1'").arg(name));
    FFields.push_back(std::make_unique<TField>(this, name, type, kind));
    return *FFields.back();
}

QVariant TDataSet::CellValue(int row, const TField& field) const {
    if (row < 0 || row >= RecordCount() || field.FDataSet != this) return {};
    const auto& r = FRows[static_cast<size_t>(row)];
    const auto i = static_cast<size_t>(field.FBufferIndex);
    return i < r.size() ? r[i] : QVariant();
}

QVariant TDataSet::ReadValue(const TField& field) const {
    const int row = FCalcRow >= 0 ? FCalcRow : FCur;
    return CellValue(row, field);
}

void TDataSet::WriteValue(TField& field, const QVariant& value) {
    const bool computed = field.FFieldKind != TFieldKind::Data;
    if (!computed) {
        if (FState != TDataSetState::Edit && FState != TDataSetState::Insert)
            Fail(QStringLiteral("Dataset not in edit or insert mode"));
        if (field.FReadOnly)
            Fail(QStringLiteral("Field '%1' cannot be modified").arg(field.FFieldName));
    }
    const int row = FCalcRow >= 0 ? FCalcRow : FCur;
    if (row < 0 || row >= RecordCount()) Fail(QStringLiteral("No current record"));
    QVariant stored;
    try {
        stored = DataConvert::Coerce(value, field.FDataType);
    } catch (const EDatabaseError& e) {
        Fail(QStringLiteral("Field '%1': %2").arg(field.FFieldName, e.Message()));
    }
    FRows[static_cast<size_t>(row)][static_cast<size_t>(field.FBufferIndex)] = stored;
    if (!computed) {
        FModified = true;
        Notify(Notice::Record);
    }
}

void TDataSet::CalcRow(int row) {
    if (row < 0 || row >= RecordCount()) return;
    bool calculated = false;
    for (const auto& f : FFields) {
        if (f->FFieldKind == TFieldKind::Calculated) calculated = true;
        if (f->FFieldKind != TFieldKind::Lookup || !f->FLookupDataSet) continue;
        QVariantList keys;
        for (const QString& k : f->FKeyFields.split(u';', Qt::SkipEmptyParts))
            keys << CellValue(row, FieldByName(k.trimmed()));
        const QVariant key = keys.size() == 1 ? keys.front() : QVariant(keys);
        const QVariant found =
            f->FLookupDataSet->Lookup(f->FLookupKeyFields, key, f->FLookupResultField);
        QVariant value;
        try {
            value = DataConvert::Coerce(found, f->FDataType);
        } catch (const EDatabaseError&) {
            value = QVariant();  // a value the field cannot hold shows as empty
        }
        FRows[static_cast<size_t>(row)][static_cast<size_t>(f->FBufferIndex)] = value;
    }
    if (!OnCalcFields || !calculated) return;
    FCalcRow = row;
    try {
        OnCalcFields(this);
    } catch (...) {
        FCalcRow = -1;
        throw;
    }
    FCalcRow = -1;
}

void TDataSet::CalcAll() {
    for (int row = 0; row < RecordCount(); ++row) CalcRow(row);
}

// --- editing ----------------------------------------------------------------------

void TDataSet::Edit() {
    CheckActive();
    if (FState == TDataSetState::Edit || FState == TDataSetState::Insert) return;
    if (FReadOnly) Fail(QStringLiteral("Cannot modify a read-only dataset"));
    if (FRows.empty()) {
        Insert();
        return;
    }
    FOldRow = FRows[static_cast<size_t>(FCur)];
    FModified = false;
    SetState(TDataSetState::Edit);
}

void TDataSet::Insert() {
    CheckBrowseMode();
    if (FReadOnly) Fail(QStringLiteral("Cannot modify a read-only dataset"));
    const int at = FRows.empty() ? 0 : FCur;
    FRows.insert(FRows.begin() + at, std::vector<QVariant>(FFields.size()));
    FCur = at;
    FBof = FEof = false;
    FModified = false;
    SetState(TDataSetState::Insert);
    Notify(Notice::DataSet);
}

void TDataSet::Append() {
    CheckBrowseMode();
    if (FReadOnly) Fail(QStringLiteral("Cannot modify a read-only dataset"));
    FRows.emplace_back(FFields.size());
    FCur = RecordCount() - 1;
    FBof = false;
    FEof = true;
    FModified = false;
    SetState(TDataSetState::Insert);
    Notify(Notice::DataSet);
}

void TDataSet::Post() {
    CheckActive();
    if (FState != TDataSetState::Edit && FState != TDataSetState::Insert)
        Fail(QStringLiteral("Dataset not in edit or insert mode"));
    if (BeforePost) BeforePost(this);
    FOldRow.clear();
    FModified = false;
    SetState(TDataSetState::Browse);
    CalcRow(FCur);
    if (AfterPost) AfterPost(this);
    Notify(Notice::Record);
}

void TDataSet::Cancel() {
    if (FState == TDataSetState::Insert) {
        FRows.erase(FRows.begin() + FCur);
        if (FCur >= RecordCount()) FCur = RecordCount() - 1;
        FBof = FEof = FRows.empty();
        FModified = false;
        SetState(TDataSetState::Browse);
        Notify(Notice::DataSet);
    } else if (FState == TDataSetState::Edit) {
        FRows[static_cast<size_t>(FCur)] = FOldRow;
        FOldRow.clear();
        FModified = false;
        SetState(TDataSetState::Browse);
        Notify(Notice::Record);
    }
}

void TDataSet::Delete() {
    CheckActive();
    if (FState == TDataSetState::Insert) {
        Cancel();
        return;
    }
    if (FRows.empty()) Fail(QStringLiteral("Cannot perform this operation on an empty dataset"));
    if (FReadOnly) Fail(QStringLiteral("Cannot modify a read-only dataset"));
    if (FState == TDataSetState::Edit) Cancel();
    if (BeforeDelete) BeforeDelete(this);
    FRows.erase(FRows.begin() + FCur);
    if (FCur >= RecordCount()) FCur = RecordCount() - 1;
    FBof = FRows.empty();
    FEof = FRows.empty();
    if (AfterDelete) AfterDelete(this);
    Notify(Notice::DataSet);
    if (AfterScroll) AfterScroll(this);
}

// --- master / detail --------------------------------------------------------------

void TDataSet::SetMasterSource(TDataSet* master) {
    if (master == this) Fail(QStringLiteral("Circular datalinks are not allowed"));
    for (TDataSet* m = master; m; m = m->MasterSource())
        if (m == this) Fail(QStringLiteral("Circular datalinks are not allowed"));
    disconnect(FMasterScroll);
    disconnect(FMasterChange);
    FMaster = master;
    if (master) {
        FMasterScroll = connect(master, &TDataSet::Scrolled, this, &TDataSet::MasterChanged);
        FMasterChange = connect(master, &TDataSet::DataSetChanged, this, &TDataSet::MasterChanged);
    }
}

void TDataSet::ApplyMasterParams() {
    if (!FMaster || !FMaster->Active()) return;
    for (int i = 0; i < FParams.Count(); ++i) {
        TParam& p = FParams[i];
        if (const TField* f = FMaster->FindField(p.Name())) p.SetValue(f->Value());
    }
}

void TDataSet::MasterChanged() {
    if (!Active() || FState != TDataSetState::Browse) return;
    DisableControls();
    try {
        Close();
        Open();
    } catch (...) {
        EnableControls();
        throw;
    }
    EnableControls();
}
