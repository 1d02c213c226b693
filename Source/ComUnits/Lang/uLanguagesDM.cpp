#include "ComUnits/Lang/uLanguagesDM.h"

// No translation module is created yet: every text stays as written.
QString TranslateRu(const QString& source) { return source; }

QString TranslateEn(const QString& source) { return source; }
