#pragma once

#include <QString>

#include <stdexcept>

// A programming error detected at run time. The text names the unit and routine,
// so a report points straight at the code ("TScrollComponent.Create: AScrollList = nil").
class EAssertionFailed : public std::logic_error {
public:
    explicit EAssertionFailed(const QString& text);
    QString Text() const { return QString::fromUtf8(what()); }
};

// Throws EAssertionFailed with the text when the condition does not hold.
void Assert(bool condition, const QString& text);
