#pragma once

#include <QString>

#include <stdexcept>

#include "Platform/qxvglobal.h"

// A misuse of a data set or a parameter found on the client (unknown field,
// data set not in edit mode, a text that is not a number). Unlike EOraError it
// carries no server error number: the error handler reports it with code 0.
class QXV_PLATFORM_EXPORT EDatabaseError : public std::runtime_error {
public:
    explicit EDatabaseError(const QString& message)
        : std::runtime_error(message.toStdString()), FMessage(message) {}

    const QString& Message() const { return FMessage; }

private:
    QString FMessage;
};
