#pragma once

#include <QString>

// Run-time translation of the program's texts. Texts written in code are Russian
// and pass through TranslateRu before they are shown; without a translation
// module (translation off, or no module yet) every text stays as written.

// Translates one text of the base language.
QString TranslateRu(const QString& source);
// Translates one Latin (transliterated) text.
QString TranslateEn(const QString& source);
