#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>

#include <memory>
#include <vector>

#include "Platform/Data/DbBackend.h"
#include "Platform/qxvglobal.h"

// One parameter of a query or a stored-procedure call. The value is a QVariant;
// a null QVariant is SQL NULL. Setting a value through a typed setter gives the
// parameter that type when it has none yet (a type described by the server is kept).
class QXV_PLATFORM_EXPORT TParam {
public:
    TParam() = default;
    TParam(const QString& name, TFieldType type = TFieldType::Unknown,
           TParamDirection direction = TParamDirection::Input);

    const QString& Name() const { return FName; }
    void SetName(const QString& name) { FName = name; }
    TFieldType DataType() const { return FDataType; }
    void SetDataType(TFieldType type) { FDataType = type; }
    TParamDirection ParamType() const { return FDirection; }
    void SetParamType(TParamDirection direction) { FDirection = direction; }

    const QVariant& Value() const { return FValue; }
    void SetValue(const QVariant& value);
    bool IsNull() const { return FValue.isNull(); }
    void Clear() { FValue = QVariant(); }

    // Reading converts as the server would: NULL gives 0, "" or false; a text that
    // is not a number throws EDatabaseError.
    int AsInteger() const;
    double AsFloat() const;
    QString AsString() const;
    bool AsBoolean() const;
    QByteArray AsBytes() const;

    void SetAsInteger(long long value);
    void SetAsFloat(double value);
    void SetAsString(const QString& value);
    void SetAsBoolean(bool value);
    // A BLOB; an empty array is stored as an empty BLOB, not as NULL.
    void SetAsBytes(const QByteArray& value);

    // Copies definition and value.
    void Assign(const TParam& other) { *this = other; }

private:
    void TypeIfUnknown(TFieldType type);

    QString FName;
    TFieldType FDataType = TFieldType::Unknown;
    TParamDirection FDirection = TParamDirection::Input;
    QVariant FValue;
};

// An ordered collection of parameters; names are matched without regard to case.
// Copying copies definitions and values, so a caller can keep a collection aside
// and restore it later. Param pointers stay valid while the collection is not
// cleared and the parameter is not removed.
class QXV_PLATFORM_EXPORT TParams {
public:
    TParams() = default;
    TParams(const TParams& other);
    TParams& operator=(const TParams& other);
    TParams(TParams&&) noexcept = default;
    TParams& operator=(TParams&&) noexcept = default;

    int Count() const { return static_cast<int>(FItems.size()); }
    bool IsEmpty() const { return FItems.empty(); }
    // By position, 0-based; throws EDatabaseError when out of range.
    TParam& Items(int index);
    const TParam& Items(int index) const;
    TParam& operator[](int index) { return Items(index); }
    const TParam& operator[](int index) const { return Items(index); }

    TParam* FindParam(const QString& name);
    const TParam* FindParam(const QString& name) const;
    // Throws EDatabaseError "Parameter 'NAME' not found".
    TParam& ParamByName(const QString& name);
    const TParam& ParamByName(const QString& name) const;
    int IndexOf(const QString& name) const;

    TParam& CreateParam(const QString& name, TFieldType type = TFieldType::Unknown,
                        TParamDirection direction = TParamDirection::Input);
    void Remove(const QString& name);
    void Clear() { FItems.clear(); }

    // Replaces definitions and values by a copy of `other`.
    void Assign(const TParams& other) { *this = other; }
    // Copies the values (and known types) of the parameters of `other` whose names
    // exist here; other parameters are left alone.
    void AssignValues(const TParams& other);

    // Values as the engine takes them (every parameter, by name).
    std::vector<TBoundValue> BoundValues() const;

private:
    std::vector<std::unique_ptr<TParam>> FItems;
};
