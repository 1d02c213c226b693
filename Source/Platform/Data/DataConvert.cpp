#include "Platform/Data/DataConvert.h"

#include <QDateTime>
#include <QLocale>

#include <cmath>

#include "Platform/Data/DatabaseError.h"

namespace DataConvert {

namespace {

bool IsNumber(const QVariant& v) {
    switch (v.typeId()) {
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Long:
        case QMetaType::ULong:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::Double:
        case QMetaType::Float:
            return true;
        default:
            return false;
    }
}

bool IsFloating(const QVariant& v) {
    return v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Float;
}

QString TextOf(const QVariant& v) {
    if (v.typeId() == QMetaType::QByteArray) return QString::fromUtf8(v.toByteArray());
    return v.toString();
}

}  // namespace

double ToFloat(const QVariant& value) {
    if (value.isNull()) return 0.0;
    if (value.typeId() == QMetaType::Bool) return value.toBool() ? 1.0 : 0.0;
    if (IsNumber(value)) return value.toDouble();
    const QString text = TextOf(value).trimmed();
    if (text.isEmpty()) return 0.0;
    bool ok = false;
    const double d = QLocale::c().toDouble(text, &ok);
    if (!ok)
        throw EDatabaseError(QStringLiteral("'%1' is not a valid floating point value").arg(text));
    return d;
}

long long ToInteger(const QVariant& value) {
    if (value.isNull()) return 0;
    if (value.typeId() == QMetaType::Bool) return value.toBool() ? 1 : 0;
    if (IsFloating(value)) return std::llround(value.toDouble());
    if (IsNumber(value)) return value.toLongLong();
    const QString text = TextOf(value).trimmed();
    if (text.isEmpty()) return 0;
    bool ok = false;
    const long long n = text.toLongLong(&ok);
    if (ok) return n;
    const double d = QLocale::c().toDouble(text, &ok);
    if (!ok || !std::isfinite(d))
        throw EDatabaseError(QStringLiteral("'%1' is not a valid integer value").arg(text));
    return std::llround(d);
}

QString ToString(const QVariant& value) {
    if (value.isNull()) return {};
    switch (value.typeId()) {
        case QMetaType::Bool:
            return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
        case QMetaType::Double:
        case QMetaType::Float:
            return QString::number(value.toDouble(), 'g', 15);
        case QMetaType::QDateTime:
            return value.toDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
        default:
            return TextOf(value);
    }
}

bool ToBoolean(const QVariant& value) {
    if (value.isNull()) return false;
    if (value.typeId() == QMetaType::Bool) return value.toBool();
    if (IsNumber(value)) return value.toDouble() != 0.0;
    const QString text = TextOf(value).trimmed().toLower();
    static const QStringList yes = {QStringLiteral("true"), QStringLiteral("t"),
                                    QStringLiteral("y"), QStringLiteral("yes"),
                                    QStringLiteral("1")};
    static const QStringList no = {QStringLiteral("false"), QStringLiteral("f"),
                                   QStringLiteral("n"),     QStringLiteral("no"),
                                   QStringLiteral("0"),     QString()};
    if (yes.contains(text)) return true;
    if (no.contains(text)) return false;
    throw EDatabaseError(QStringLiteral("'%1' is not a valid boolean value").arg(TextOf(value)));
}

QByteArray ToBytes(const QVariant& value) {
    if (value.isNull()) return {};
    if (value.typeId() == QMetaType::QByteArray) return value.toByteArray();
    return ToString(value).toUtf8();
}

namespace {

// Whether a value is already held as a field of `type` keeps it, so that converting would copy it.
bool HeldAs(const QVariant& value, TFieldType type) {
    switch (type) {
        case TFieldType::Integer:
            return value.typeId() == QMetaType::LongLong;
        case TFieldType::Float:
            return value.typeId() == QMetaType::Double;
        case TFieldType::String:
            return value.typeId() == QMetaType::QString;
        case TFieldType::Boolean:
            return value.typeId() == QMetaType::Bool;
        case TFieldType::Blob:
            return value.typeId() == QMetaType::QByteArray;
        case TFieldType::DateTime:
            return value.typeId() == QMetaType::QDateTime;
        default:
            return true;
    }
}

}  // namespace

QVariant Coerce(const QVariant& value, TFieldType type) {
    if (value.isNull()) return {};
    if (HeldAs(value, type)) return value;
    switch (type) {
        case TFieldType::Integer:
            return QVariant(ToInteger(value));
        case TFieldType::Float:
            return QVariant(ToFloat(value));
        case TFieldType::String:
            return QVariant(ToString(value));
        case TFieldType::Boolean:
            return QVariant(ToBoolean(value));
        case TFieldType::Blob:
            return QVariant(ToBytes(value));
        case TFieldType::DateTime:
            if (value.typeId() == QMetaType::QDateTime) return value;
            {
                const QDateTime dt = QDateTime::fromString(ToString(value), Qt::ISODate);
                if (!dt.isValid())
                    throw EDatabaseError(
                        QStringLiteral("'%1' is not a valid date and time").arg(ToString(value)));
                return QVariant(dt);
            }
        default:
            return value;
    }
}

TFieldType TypeOf(const QVariant& value) {
    if (!value.isValid()) return TFieldType::Unknown;
    switch (value.typeId()) {
        case QMetaType::Bool:
            return TFieldType::Boolean;
        case QMetaType::Double:
        case QMetaType::Float:
            return TFieldType::Float;
        case QMetaType::QByteArray:
            return TFieldType::Blob;
        case QMetaType::QDateTime:
            return TFieldType::DateTime;
        case QMetaType::QString:
            return TFieldType::String;
        default:
            return IsNumber(value) ? TFieldType::Integer : TFieldType::Unknown;
    }
}

}  // namespace DataConvert
