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

// A failure that stops what the program was doing, with a text for the user
// that begins with the unit or class and routine ("uOraFunctions.fSetShemaName: ...").
class EGeneralError : public std::runtime_error {
public:
    explicit EGeneralError(const QString& text);
    QString Text() const { return QString::fromUtf8(what()); }
};

// The text of any exception, as the user should read it.
QString ExceptionText(const std::exception& e);

// Throws EAssertionFailed with the text when the condition does not hold.
void Assert(bool condition, const QString& text);
