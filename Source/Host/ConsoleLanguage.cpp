#include "Host/ConsoleLanguage.h"

#include <QCoreApplication>
#include <QHash>
#include <QLibraryInfo>
#include <QTranslator>

#include "ComUnits/Lang/uLanguagesDM.h"

namespace {

// Qt's name of a language by the system's primary language number; English needs none.
QString QtLanguageCode(int language) {
    static const QHash<int, QString> codes = {{TLanguagesDM::LangRussian, QStringLiteral("ru")},
                                              {TLanguagesDM::LangSpanish, QStringLiteral("es")},
                                              {34, QStringLiteral("uk")},
                                              {35, QStringLiteral("be")}};
    return codes.value(language);
}

}  // namespace

namespace ConsoleLanguage {

QTranslator* Install(const QString& schema, TOraSession* session) {
    InitTranslation(schema, session);
    const QString code = QtLanguageCode(UserInterfaceLanguage());
    if (code.isEmpty()) return nullptr;
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(QStringLiteral("qtbase_") + code,
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;  // Qt's translations are not installed: its texts stay English
        return nullptr;
    }
    QCoreApplication::installTranslator(translator);
    return translator;
}

QString Text(const QString& english) { return TranslateEn(english); }

QString ServiceText(const QString& text) { return TranslateRu(text); }

}  // namespace ConsoleLanguage
