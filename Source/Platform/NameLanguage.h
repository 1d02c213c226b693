#pragma once

#include <QString>

// The two letters a place's names per language are kept under, for an interface language
// as the users' table numbers it (9 English, 25 Russian …); empty for one without names.
inline QString NameLanguageOf(long long languageId) {
    switch (languageId) {
        case 7: return QStringLiteral("DE");
        case 9: return QStringLiteral("EN");
        case 10: return QStringLiteral("ES");
        case 12: return QStringLiteral("FR");
        case 16: return QStringLiteral("IT");
        case 25: return QStringLiteral("RU");
        case 34: return QStringLiteral("UK");
        default: return QString();
    }
}
