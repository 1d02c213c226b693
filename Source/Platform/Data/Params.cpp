#include "Platform/Data/Params.h"

#include "Platform/Data/DataConvert.h"
#include "Platform/Data/DatabaseError.h"

TParam::TParam(const QString& name, TFieldType type, TParamDirection direction)
    : FName(name), FDataType(type), FDirection(direction) {}

void TParam::TypeIfUnknown(TFieldType type) {
    if (FDataType == TFieldType::Unknown) FDataType = type;
}

void TParam::SetValue(const QVariant& value) {
    FValue = value.isNull() ? QVariant() : value;
    TypeIfUnknown(DataConvert::TypeOf(FValue));
}

int TParam::AsInteger() const { return static_cast<int>(DataConvert::ToInteger(FValue)); }
double TParam::AsFloat() const { return DataConvert::ToFloat(FValue); }
QString TParam::AsString() const { return DataConvert::ToString(FValue); }
bool TParam::AsBoolean() const { return DataConvert::ToBoolean(FValue); }
QByteArray TParam::AsBytes() const { return DataConvert::ToBytes(FValue); }

void TParam::SetAsInteger(long long value) {
    FValue = QVariant(value);
    TypeIfUnknown(TFieldType::Integer);
}

void TParam::SetAsFloat(double value) {
    FValue = QVariant(value);
    TypeIfUnknown(TFieldType::Float);
}

void TParam::SetAsString(const QString& value) {
    // An empty text is a value here; the server decides whether it is NULL.
    FValue = QVariant(value.isNull() ? QStringLiteral("") : value);
    TypeIfUnknown(TFieldType::String);
}

void TParam::SetAsBoolean(bool value) {
    FValue = QVariant(value);
    TypeIfUnknown(TFieldType::Boolean);
}

void TParam::SetAsBytes(const QByteArray& value) {
    FValue = QVariant(value.isNull() ? QByteArray("") : value);
    TypeIfUnknown(TFieldType::Blob);
}

TParams::TParams(const TParams& other) { *this = other; }

TParams& TParams::operator=(const TParams& other) {
    if (this == &other) return *this;
    std::vector<std::unique_ptr<TParam>> copy;
    copy.reserve(other.FItems.size());
    for (const auto& p : other.FItems) copy.push_back(std::make_unique<TParam>(*p));
    FItems = std::move(copy);
    return *this;
}

TParam& TParams::Items(int index) {
    if (index < 0 || index >= Count())
        throw EDatabaseError(QStringLiteral("Parameter index %1 out of range (%2 parameters)")
                                 .arg(index)
                                 .arg(Count()));
    return *FItems[static_cast<size_t>(index)];
}

const TParam& TParams::Items(int index) const { return const_cast<TParams*>(this)->Items(index); }

int TParams::IndexOf(const QString& name) const {
    for (size_t i = 0; i < FItems.size(); ++i)
        if (FItems[i]->Name().compare(name, Qt::CaseInsensitive) == 0) return static_cast<int>(i);
    return -1;
}

TParam* TParams::FindParam(const QString& name) {
    const int i = IndexOf(name);
    return i < 0 ? nullptr : FItems[static_cast<size_t>(i)].get();
}

const TParam* TParams::FindParam(const QString& name) const {
    return const_cast<TParams*>(this)->FindParam(name);
}

TParam& TParams::ParamByName(const QString& name) {
    if (TParam* p = FindParam(name)) return *p;
    throw EDatabaseError(QStringLiteral("Parameter '%1' not found").arg(name));
}

const TParam& TParams::ParamByName(const QString& name) const {
    return const_cast<TParams*>(this)->ParamByName(name);
}

TParam& TParams::CreateParam(const QString& name, TFieldType type, TParamDirection direction) {
    FItems.push_back(std::make_unique<TParam>(name, type, direction));
    return *FItems.back();
}

void TParams::Remove(const QString& name) {
    const int i = IndexOf(name);
    if (i >= 0) FItems.erase(FItems.begin() + i);
}

void TParams::AssignValues(const TParams& other) {
    for (const auto& src : other.FItems) {
        if (TParam* dst = FindParam(src->Name())) {
            dst->Clear();
            if (dst->DataType() == TFieldType::Unknown) dst->SetDataType(src->DataType());
            dst->SetValue(src->Value());
        }
    }
}

std::vector<TBoundValue> TParams::BoundValues() const {
    std::vector<TBoundValue> values;
    values.reserve(FItems.size());
    for (const auto& p : FItems)
        values.push_back(TBoundValue{p->Name(), p->Value(), p->DataType()});
    return values;
}
