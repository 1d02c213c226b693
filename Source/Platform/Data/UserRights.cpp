#include "Platform/Data/UserRights.h"

#include "Platform/Data/DbBackend.h"
#include "Platform/Data/EOraError.h"

namespace UserRights {

const char* const Names[Count] = {
    "Просмотр местоположений",
    "Добавление местоположения",
    "Изменение местоположения",
    "Удаление местоположения",
    "Просмотр АТЕ",
    "Добавление АТЕ",
    "Изменение АТЕ",
    "Удаление АТЕ",
    "Просмотр уровней",
    "Добавление уровня",
    "Изменение уровня",
    "Удаление уровня",
};

QString Fetch(IDbConnection& db, const QString& schema) {
    try {
        const TRoutineDesc routine =
            db.Describe(schema, QStringLiteral("QXVERPUSER"), QStringLiteral("GET_USER_RIGHTS"));
        const QString rights = db.Call(routine, {}).Value(QStringLiteral("RESULT")).toString();
        if (rights.size() == Count) return rights;
    } catch (const EOraError&) {
        // A schema without the routine, or a server that cannot answer: look, do not change.
    }
    return QString::fromLatin1(ViewOnly);
}

bool WellFormed(const QString& access) {
    return access.size() == Count + 1 && access.front() == u'1';
}

QString AccessString(const QString& serverRights, const QString& requested) {
    const bool limits = WellFormed(requested);
    QString access = QStringLiteral("1");
    for (int i = 0; i < Count; ++i) {
        const bool granted = i < serverRights.size() && serverRights[i] == u'1' &&
                             (!limits || requested[i + 1] == u'1');
        access += granted ? u'1' : u'0';
    }
    return access;
}

}  // namespace UserRights
