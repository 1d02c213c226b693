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

const QStringList kSmallWords = {QStringLiteral("of"), QStringLiteral("and"),
                                 QStringLiteral("with"), QStringLiteral("in"),
                                 QStringLiteral("the"), QStringLiteral("under")};

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

std::vector<TPlaceRow> Iso3166Places(const TIsoTables& tables) {
    std::vector<TIsoPlace> places = Countries(tables);
    std::vector<TIsoPlace> subdivisions = Subdivisions(tables);
    std::stable_sort(subdivisions.begin(), subdivisions.end(),
                     [](const TIsoPlace& a, const TIsoPlace& b) { return a.Level < b.Level; });
    places.insert(places.end(), subdivisions.begin(), subdivisions.end());

    QHash<QString, qint32> ids;
    QHash<QString, QString> shortNames;  // full name → short name
    QStringList taken;
    std::vector<TPlaceRow> rows;
    rows.reserve(places.size());
    for (const TIsoPlace& p : places) {
        const qint32 id = qint32(rows.size()) + 1;
        ids.insert(p.Code, id);
        QString& shortName = shortNames[p.Type];
        if (shortName.isEmpty()) taken << (shortName = ShortTypeName(p.Type, taken));
        TPlaceRow row;
        row.Id = id;
        row.Parent = ids.value(p.ParentCode);
        row.Level = p.Level;
        row.Abbrev = shortName;
        row.AbbrevName = p.Type;
        row.Name = p.Name;
        row.Codes = {{p.Level == 1 ? kIso3166Countries : kIso3166Subdivisions, p.Code}};
        row.Names = {{QStringLiteral("EN"), p.Name}};
        if (!p.NameRu.isEmpty()) row.Names.emplace_back(QStringLiteral("RU"), p.NameRu);
        rows.push_back(std::move(row));
    }
    return rows;
}
