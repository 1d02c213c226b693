#include "ComUnits/uAssert.h"

EAssertionFailed::EAssertionFailed(const QString& text) : std::logic_error(text.toStdString()) {}

void Assert(bool condition, const QString& text) {
    if (!condition)
        throw EAssertionFailed(text);
}
