#include "ComUnits/uUserError.h"

#include "ComUnits/Lang/uLanguagesDM.h"
#include "ComUnits/uAssert.h"
#include "Platform/Data/EOraError.h"

namespace {

// A server routine's own refusal (ORA-20000 to ORA-20999) is written for the user already.
bool IsServerRefusal(int code) { return code >= OraCode::UserDefined && code < 21000; }

QString DatabaseSentence(int code) {
    switch (code) {
        case OraCode::NotConnected:
        case OraCode::ConnectionLost:
            return QStringLiteral(
                "Связь с базой данных прервалась, действие не выполнено. "
                "Повторите его.");
        case OraCode::NoSpace:
            return QStringLiteral(
                "В базе данных нет места, ничего не сохранено. Освободите "
                "место на диске и повторите действие.");
        case 54:
            return QStringLiteral(
                "Эти данные сейчас изменяет другой пользователь. Повторите "
                "действие немного позже.");
        case 1013:
            return QStringLiteral(
                "Сервер не ответил вовремя, действие не выполнено. Повторите "
                "его позже.");
        case 12154:
            return QStringLiteral(
                "Не удалось подключиться к базе данных. Проверьте строку "
                "подключения и что сервер запущен.");
        case 942:
        case OraCode::NoSuchRoutine:
            return QStringLiteral(
                "В базе данных нет справочника местоположений или он устарел. "
                "Обратитесь к администратору.");
        default:
            return QStringLiteral(
                "Сервер не выполнил действие. Повторите его; если ошибка "
                "повторится, сообщите администратору текст ниже.");
    }
}

// "ORA-20001: text\n" -> "text".
QString WithoutCode(const QString& message) {
    const qsizetype colon = message.indexOf(QLatin1String(": "));
    return (colon < 0 ? message : message.mid(colon + 2)).trimmed();
}

}  // namespace

QString UserErrorText(const std::exception& error, const QString& otherwise) {
    QString sentence;
    QString code = ExceptionText(error).trimmed();
    if (const auto* oracle = dynamic_cast<const EOraError*>(&error)) {
        code = oracle->Message().trimmed();
        sentence = IsServerRefusal(oracle->ErrorCode()) ? WithoutCode(code)
                                                        : DatabaseSentence(oracle->ErrorCode());
        if (IsServerRefusal(oracle->ErrorCode()))
            code = code.left(code.indexOf(QLatin1String(": ")));
    } else {
        sentence = !otherwise.isEmpty()
                       ? otherwise
                       : QStringLiteral(
                             "Действие не выполнено из-за ошибки программы. Сообщите "
                             "администратору текст ниже.");
    }
    return TranslateRu(sentence) + QStringLiteral("\n\n") + code;
}
