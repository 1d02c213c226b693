#include "ComUnits/uAssert.h"

EAssertionFailed::EAssertionFailed(const QString& text) : std::logic_error(text.toStdString()) {}

void Assert(bool condition, const QString& text) {
    if (!condition) throw EAssertionFailed(text);
}

EGeneralError::EGeneralError(const QString& text) : std::runtime_error(text.toStdString()) {}

QString ExceptionText(const std::exception& e) { return QString::fromUtf8(e.what()); }
