#include "Tools/qxvdb/Seed.h"

#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <algorithm>
#include <functional>

#include "Tools/qxvdb/MoCatalog.h"

namespace {

// A type as an abbreviation: its full name and its short name.
struct TTypeNames {
    QString Name;
    QString Short;
};

// One place of the tables, before it is numbered.
struct TIsoPlace {
    QString Code;
    QString ParentCode;  // empty for a country
    QString Type;
    QString Name;
    QString NameRu;
    int Level = 1;
};

QJsonArray Table(const TIsoTables& t, const QString& standard) {
    const QString path = t.Folder + QStringLiteral("/iso_%1.json").arg(standard);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw ESeedTables{QStringLiteral("cannot read %1 (%2): the ISO code tables come with "
                                         "the package iso-codes, which scripts/setup installs")
                              .arg(path, file.errorString())};
    const QJsonArray rows = QJsonDocument::fromJson(file.readAll()).object().value(standard).toArray();
    if (rows.isEmpty()) throw ESeedTables{QStringLiteral("%1 holds no table \"%2\"").arg(path, standard)};
    return rows;
}

QHash<QString, QString> Russian(const TIsoTables& t, const QString& standard) {
    return ReadMoCatalog(t.Russian + QStringLiteral("/iso_%1.mo").arg(standard));
}

std::vector<TIsoPlace> Countries(const TIsoTables& t) {
    const QHash<QString, QString> ru = Russian(t, QStringLiteral("3166-1"));
    std::vector<TIsoPlace> places;
    for (const QJsonValue& v : Table(t, QStringLiteral("3166-1"))) {
        const QJsonObject o = v.toObject();
        // The name people use where the table has one ("Bolivia", not "Bolivia,
        // Plurinational State of").
        const QString name = o.value(QStringLiteral("common_name")).toString(
            o.value(QStringLiteral("name")).toString());
        places.push_back({o.value(QStringLiteral("alpha_2")).toString(), QString(),
                          QStringLiteral("Country"), name,
                          ru.value(name, ru.value(o.value(QStringLiteral("name")).toString())), 1});
    }
    return places;
}

// A subdivision's parent: the subdivision its "parent" names, by its whole code or by the
// part after the country's, else the country.
QString ParentCode(const QJsonObject& o, const QHash<QString, int>& subdivisions) {
    const QString code = o.value(QStringLiteral("code")).toString();
    const QString country = code.section(u'-', 0, 0);
    const QString parent = o.value(QStringLiteral("parent")).toString();
    if (parent.isEmpty()) return country;
    if (subdivisions.contains(parent)) return parent;
    const QString within = country + u'-' + parent;
    return subdivisions.contains(within) ? within : country;
}

std::vector<TIsoPlace> Subdivisions(const TIsoTables& t) {
    const QHash<QString, QString> ru = Russian(t, QStringLiteral("3166-2"));
    const QJsonArray table = Table(t, QStringLiteral("3166-2"));
    QHash<QString, int> index;
    for (const QJsonValue& v : table)
        index.insert(v.toObject().value(QStringLiteral("code")).toString(), int(index.size()));
    std::vector<TIsoPlace> places;
    for (const QJsonValue& v : table) {
        const QJsonObject o = v.toObject();
        const QString name = o.value(QStringLiteral("name")).toString();
        places.push_back({o.value(QStringLiteral("code")).toString(), ParentCode(o, index),
                          o.value(QStringLiteral("type")).toString(), name, ru.value(name), 0});
    }
    // A level is the parent's plus one: a country's subdivisions are at 2.
    const std::function<int(size_t)> level = [&](size_t i) -> int {
        if (places[i].Level == 0) {
            const auto parent = index.constFind(places[i].ParentCode);
            places[i].Level = parent == index.constEnd() ? 2 : level(size_t(*parent)) + 1;
        }
        return places[i].Level;
    };
    for (size_t i = 0; i < places.size(); ++i) level(i);
    return places;
}

// The Russian full and short names of the types the tables use, by their English names. Types
// that Russian names alike share one abbreviation ("Oblast" and "Administrative region").
const QHash<QString, TTypeNames>& RussianTypes() {
    static const QHash<QString, TTypeNames> names = [] {
        const std::pair<const char*, std::pair<const char*, const char*>> list[] = {
            {"Country", {"Страна", "стр."}},
            {"Administration", {"Администрация", "адм."}},
            {"Administrative atoll", {"Административный атолл", "адм. ат."}},
            {"Administrative precinct", {"Административный участок", "адм. уч."}},
            {"Administrative region", {"Область", "обл."}},
            {"Administrative territory", {"Край", "край."}},
            {"Arctic region", {"Арктический регион", "аркт. рег."}},
            {"Area", {"Местность", "мест."}},
            {"Autonomous city", {"Город федерального значения", "г. ф. з."}},
            {"Autonomous city in north africa", {"Автономный город", "авт. г."}},
            {"Autonomous community", {"Автономное сообщество", "авт. сооб."}},
            {"Autonomous district", {"Автономный округ", "авт. окр."}},
            {"Autonomous municipality", {"Автономный муниципалитет", "авт. мун."}},
            {"Autonomous province", {"Автономная провинция", "авт. пров."}},
            {"Autonomous region", {"Автономная область", "авт. обл."}},
            {"Autonomous republic", {"Автономная республика", "авт. респ."}},
            {"Autonomous sector", {"Автономный сектор", "авт. сек."}},
            {"Autonomous territorial unit",
             {"Автономное территориальное образование", "авт. т. о."}},
            {"Borough", {"Боро", "боро."}},
            {"Canton", {"Кантон", "кант."}},
            {"Capital", {"Столица", "стол."}},
            {"Capital city", {"Столичный город", "стол. г."}},
            {"Capital district", {"Столичный округ", "стол. окр."}},
            {"Capital territory", {"Столичная территория", "стол. тер."}},
            {"Chain (of islands)", {"Цепь островов", "цепь о-в."}},
            {"City", {"Город", "г."}},
            {"City corporation", {"Городская корпорация", "гор. корп."}},
            {"City municipality", {"Городской муниципалитет", "гор. мун."}},
            {"City with county rights", {"Город на правах повята", "г. на пр."}},
            {"Commune", {"Коммуна", "комм."}},
            {"Council area", {"Область совета", "обл. сов."}},
            {"County", {"Графство", "граф."}},
            {"Decentralized regional entity",
             {"Децентрализованная региональная единица", "дец. р. е."}},
            {"Department", {"Департамент", "деп."}},
            {"Dependency", {"Зависимая территория", "зав. тер."}},
            {"Development region", {"Регион развития", "рег. разв."}},
            {"District", {"Район", "р-н."}},
            {"District municipality", {"Районный муниципалитет", "р-н. мун."}},
            {"District with special status", {"Район с особым статусом", "р-н. о. с."}},
            {"Districts under republic administration",
             {"Районы республиканского подчинения", "р-ны р. п."}},
            {"Division", {"Округ", "окр."}},
            {"Economic prefecture", {"Экономическая префектура", "эк. преф."}},
            {"Emirate", {"Эмират", "эмир."}},
            {"Entity", {"Образование", "обр."}},
            {"Federal capital territory", {"Федеральная столичная территория", "фед. с. т."}},
            {"Federal dependency", {"Федеральное владение", "фед. влад."}},
            {"Federal district", {"Федеральный округ", "фед. окр."}},
            {"Federal territory", {"Федеральная территория", "фед. тер."}},
            {"Free municipal consortium", {"Свободный муниципальный консорциум", "св. м. к."}},
            {"Geographical entity", {"Географическое образование", "геог. обр."}},
            {"Geographical region", {"Географический регион", "геог. рег."}},
            {"Geographical unit", {"Географическая единица", "геог. ед."}},
            {"Governorate", {"Мухафаза", "мух."}},
            {"Group of islands (20 inhabited islands)", {"Группа островов", "гр. о-вов."}},
            {"Indigenous region", {"Регион коренного населения", "рег. к. н."}},
            {"Island", {"Остров", "о."}},
            {"Island council", {"Островной совет", "остр. сов."}},
            {"Islands, groups of islands", {"Острова", "о-ва."}},
            {"Land", {"Земля", "зем."}},
            {"Local council", {"Местный совет", "мест. сов."}},
            {"London borough", {"Лондонский боро", "л. боро."}},
            {"Metropolitan administration", {"Столичная администрация", "стол. адм."}},
            {"Metropolitan city", {"Метрополитенский город", "метр. г."}},
            {"Metropolitan collectivity with special status",
             {"Метрополитенское сообщество с особым статусом", "мет. с. о."}},
            {"Metropolitan department", {"Метрополитенский департамент", "метр. деп."}},
            {"Metropolitan district", {"Метрополитенский район", "метр. р-н."}},
            {"Metropolitan region", {"Метрополитенский регион", "метр. рег."}},
            {"Municipality", {"Муниципалитет", "мун."}},
            {"Oblast", {"Область", "обл."}},
            {"Outlying area", {"Внешняя территория", "внеш. тер."}},
            {"Overseas collectivity", {"Заморское сообщество", "зам. сооб."}},
            {"Overseas collectivity with special status",
             {"Заморское сообщество с особым статусом", "зам. с. о."}},
            {"Overseas department", {"Заморский департамент", "зам. деп."}},
            {"Overseas region", {"Заморский регион", "зам. рег."}},
            {"Overseas territory", {"Заморская территория", "зам. тер."}},
            {"Pakistan administered area", {"Территория под управлением Пакистана", "пак. тер."}},
            {"Parish", {"Приход", "прих."}},
            {"Popularate", {"Шабия", "шаб."}},
            {"Prefecture", {"Префектура", "преф."}},
            {"Province", {"Провинция", "пров."}},
            {"Quarter", {"Квартал", "кварт."}},
            {"Rayon", {"Район", "р-н."}},
            {"Region", {"Регион", "рег."}},
            {"Regional state", {"Региональный штат", "рег. шт."}},
            {"Republic", {"Республика", "респ."}},
            {"Republican city", {"Город республиканского значения", "г. р. з."}},
            {"Rural municipality", {"Сельский муниципалитет", "сел. мун."}},
            {"Self-governed part", {"Самоуправляемая часть", "сам. ч."}},
            {"Special administrative city", {"Особый административный город", "ос. а. г."}},
            {"Special administrative region", {"Специальный административный район", "сп. а. р."}},
            {"Special city", {"Особый город", "ос. г."}},
            {"Special island authority", {"Особая островная администрация", "ос. о. а."}},
            {"Special municipality", {"Особый муниципалитет", "ос. мун."}},
            {"Special region", {"Особый регион", "ос. рег."}},
            {"Special self-governing city", {"Особый самоуправляемый город", "ос. с. г."}},
            {"Special self-governing province", {"Особая самоуправляемая провинция", "ос. с. пр."}},
            {"State", {"Штат", "шт."}},
            {"Territorial unit", {"Территориальная единица", "тер. ед."}},
            {"Territory", {"Территория", "тер."}},
            {"Town", {"Город", "г."}},
            {"Town council", {"Городской совет", "гор. сов."}},
            {"Two-tier county", {"Двухуровневое графство", "дв. граф."}},
            {"Union territory", {"Союзная территория", "с. тер."}},
            {"Unitary authority", {"Унитарная единица", "унит. ед."}},
            {"Urban community", {"Городское сообщество", "гор. сооб."}},
            {"Urban municipality", {"Городской муниципалитет", "гор. мун."}},
            {"Voivodship", {"Воеводство", "воев."}},
            {"Ward", {"Округ", "окр."}},
            {"Zone", {"Зона", "зона."}},
        };
        QHash<QString, TTypeNames> byEnglish;
        for (const auto& [english, russian] : list)
            byEnglish.insert(QString::fromUtf8(english),
                             {QString::fromUtf8(russian.first), QString::fromUtf8(russian.second)});
        return byEnglish;
    }();
    return names;
}

const QStringList kSmallWords = {QStringLiteral("of"),   QStringLiteral("and"),
                                 QStringLiteral("with"), QStringLiteral("in"),
                                 QStringLiteral("the"),  QStringLiteral("under")};

// The words cut to `letters` each, a cut one marked with a full stop.
QString CutWords(const QStringList& words, int letters) {
    QStringList cut;
    for (const QString& w : words) cut << (w.size() > letters ? w.left(letters) + u'.' : w);
    return cut.join(u' ');
}

}  // namespace

QString ShortTypeName(const QString& fullName, const QStringList& taken) {
    QString shortName = fullName.left(kMaxAbbrevLength);
    if (fullName.size() > kMaxAbbrevLength) {
        static const QRegularExpression nonLetters(QStringLiteral("[^\\p{L}]+"));
        QStringList words;
        for (const QString& w : fullName.split(nonLetters, Qt::SkipEmptyParts))
            if (!kSmallWords.contains(w.toLower())) words << w;
        shortName.clear();
        for (int letters = 5; letters >= 2 && shortName.isEmpty(); --letters)
            if (const QString cut = CutWords(words, letters); cut.size() <= kMaxAbbrevLength)
                shortName = cut;
        if (shortName.isEmpty()) {  // the initials, "S.s.g.p."
            for (const QString& w : words) shortName += w.left(1) + u'.';
            shortName = shortName.left(kMaxAbbrevLength);
        }
    }
    // Another type with the same short name: the end gives way to a number.
    const QString base = shortName;
    for (int n = 2; taken.contains(shortName); ++n) {
        const QString number = QString::number(n);
        shortName = base.left(kMaxAbbrevLength - number.size()) + number;
    }
    return shortName;
}

std::vector<TPlaceRow> Iso3166Places(const QString& typeLanguage, const TIsoTables& tables) {
    const bool russian = typeLanguage == QLatin1String("RU");
    std::vector<TIsoPlace> places = Countries(tables);
    std::vector<TIsoPlace> subdivisions = Subdivisions(tables);
    std::stable_sort(subdivisions.begin(), subdivisions.end(),
                     [](const TIsoPlace& a, const TIsoPlace& b) { return a.Level < b.Level; });
    places.insert(places.end(), subdivisions.begin(), subdivisions.end());

    QHash<QString, qint32> ids;
    QHash<QString, TTypeNames> typeNames;  // by the tables' (English) name
    QStringList taken;
    if (russian)
        for (const TTypeNames& t : RussianTypes()) taken << t.Short;
    std::vector<TPlaceRow> rows;
    rows.reserve(places.size());
    for (const TIsoPlace& p : places) {
        const qint32 id = qint32(rows.size()) + 1;
        ids.insert(p.Code, id);
        TTypeNames& type = typeNames[p.Type];
        if (type.Short.isEmpty()) {
            type = russian ? RussianTypes().value(p.Type) : TTypeNames{};
            if (type.Short.isEmpty()) {
                type = {p.Type, ShortTypeName(p.Type, taken)};
                taken << type.Short;
            }
        }
        TPlaceRow row;
        row.Id = id;
        row.Parent = ids.value(p.ParentCode);
        row.Level = p.Level;
        row.Abbrev = type.Short;
        row.AbbrevName = type.Name;
        row.Name = p.Name;
        row.Codes = {{p.Level == 1 ? kIso3166Countries : kIso3166Subdivisions, p.Code}};
        row.Names = {{QStringLiteral("EN"), p.Name}};
        if (!p.NameRu.isEmpty()) row.Names.emplace_back(QStringLiteral("RU"), p.NameRu);
        rows.push_back(std::move(row));
    }
    return rows;
}
