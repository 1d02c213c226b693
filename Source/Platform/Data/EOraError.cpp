#include "Platform/Data/EOraError.h"

EOraError::EOraError(int errorCode, const QString& message, QObject* component)
    : std::runtime_error(message.toStdString()),
      FErrorCode(errorCode),
      FMessage(message),
      FComponent(component) {}

EOraError EOraError::Make(int errorCode, const QString& text, QObject* component) {
    return EOraError(
        errorCode, QStringLiteral("ORA-%1: %2\n").arg(errorCode, 5, 10, QLatin1Char('0')).arg(text),
        component);
}
