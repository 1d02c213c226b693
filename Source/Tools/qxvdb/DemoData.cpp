#include "Tools/qxvdb/DemoData.h"

#include <QBuffer>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QUrl>

#include "Platform/Data/DbBackend.h"
#include "Platform/Data/EOraError.h"
#include "Tools/qxvdb/Routines.h"

namespace {

const QString kLocat = QStringLiteral("QXVERPLOCAT");
const QString kInform = QStringLiteral("QXVERPINFORM");
constexpr int kLocationObject = 1;

QVariant IdOrNull(long long id) { return id > 0 ? QVariant(id) : QVariant(); }

// ---------------------------------------------------------------------------
// Pictures

void DrawHouse(QPainter& p, const QColor& wall, const QColor& roof, int x, int y, int w, int h) {
    p.fillRect(x, y + h / 2, w, h - h / 2, wall);
    QPainterPath path;
    path.moveTo(x - 1, y + h / 2);
    path.lineTo(x + w / 2.0, y);
    path.lineTo(x + w + 1, y + h / 2);
    path.closeSubpath();
    p.fillPath(path, roof);
}

}  // namespace

QByteArray DemoIcon(TIconKind kind) {
    QImage image(16, 16, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter p(&image);
        switch (kind) {
            case TIconKind::Region:  // a flag on a pole
                p.fillRect(2, 1, 1, 14, QColor(90, 60, 30));
                p.fillRect(3, 2, 11, 3, Qt::white);
                p.fillRect(3, 5, 11, 3, QColor(0, 57, 166));
                p.fillRect(3, 8, 11, 3, QColor(213, 43, 30));
                p.setPen(QColor(120, 120, 120));
                p.drawRect(3, 2, 10, 8);
                break;
            case TIconKind::District:  // a map with borders
                p.fillRect(1, 1, 14, 14, QColor(200, 230, 180));
                p.setPen(QPen(QColor(160, 40, 40), 1, Qt::DashLine));
                p.drawLine(1, 7, 15, 9);
                p.drawLine(8, 1, 6, 15);
                p.setPen(QColor(60, 90, 60));
                p.drawRect(1, 1, 13, 13);
                break;
            case TIconKind::City:  // towers
                p.fillRect(1, 6, 4, 9, QColor(70, 90, 140));
                p.fillRect(6, 2, 4, 13, QColor(50, 70, 120));
                p.fillRect(11, 5, 4, 10, QColor(90, 110, 160));
                for (int y = 4; y < 14; y += 2) p.fillRect(7, y, 2, 1, QColor(250, 230, 120));
                break;
            case TIconKind::Town:
                DrawHouse(p, QColor(200, 120, 60), QColor(150, 30, 30), 3, 2, 10, 13);
                p.fillRect(7, 10, 2, 5, QColor(80, 50, 20));
                break;
            case TIconKind::Village:
                DrawHouse(p, QColor(170, 120, 70), QColor(110, 80, 40), 1, 5, 8, 10);
                p.setBrush(QColor(40, 140, 50));
                p.setPen(Qt::NoPen);
                p.drawEllipse(9, 2, 6, 8);
                p.fillRect(11, 10, 2, 5, QColor(100, 70, 30));
                break;
            case TIconKind::Settlement:
                DrawHouse(p, QColor(180, 180, 190), QColor(90, 90, 110), 1, 4, 6, 11);
                DrawHouse(p, QColor(200, 160, 120), QColor(130, 60, 40), 8, 6, 7, 9);
                break;
            case TIconKind::Street:  // a straight road
                p.fillRect(0, 5, 16, 6, QColor(90, 90, 90));
                p.setPen(Qt::white);
                for (int x = 1; x < 16; x += 4) p.drawLine(x, 8, x + 1, 8);
                break;
            case TIconKind::Lane:  // a road that turns
                p.fillRect(0, 9, 10, 5, QColor(110, 110, 110));
                p.fillRect(6, 0, 4, 14, QColor(110, 110, 110));
                break;
            case TIconKind::Avenue:  // a wide road with trees
                p.fillRect(0, 4, 16, 8, QColor(70, 70, 70));
                p.setPen(QColor(250, 210, 0));
                p.drawLine(0, 7, 15, 7);
                p.drawLine(0, 8, 15, 8);
                for (int x = 1; x < 16; x += 5) {
                    p.fillRect(x, 1, 2, 2, QColor(40, 140, 50));
                    p.fillRect(x, 13, 2, 2, QColor(40, 140, 50));
                }
                break;
            case TIconKind::Square:
                p.fillRect(2, 2, 12, 12, QColor(210, 190, 150));
                p.setBrush(QColor(60, 120, 200));
                p.setPen(Qt::NoPen);
                p.drawEllipse(5, 5, 6, 6);
                break;
            case TIconKind::Quarter:  // blocks
                for (int y = 1; y < 16; y += 5)
                    for (int x = 1; x < 16; x += 5)
                        p.fillRect(x, y, 4, 4, QColor(150, 100 + 10 * x, 80 + 8 * y));
                break;
        }
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "BMP");
    return bytes;
}

namespace {

// ---------------------------------------------------------------------------
// The directory

struct TAbbrevDef {
    const char* SName;
    const char* Name;
    TIconKind Icon;
    std::vector<int> Levels;
};

const std::vector<TAbbrevDef>& Abbreviations() {
    static const std::vector<TAbbrevDef> list = {
        {"обл", "область", TIconKind::Region, {1}},
        {"край", "край", TIconKind::Region, {1}},
        {"респ", "республика", TIconKind::Region, {1}},
        {"р-н", "район", TIconKind::District, {2}},
        {"г", "город", TIconKind::City, {2, 3}},
        {"пгт", "посёлок городского типа", TIconKind::Settlement, {3}},
        {"с", "село", TIconKind::Village, {3}},
        {"д", "деревня", TIconKind::Village, {3}},
        {"п", "посёлок", TIconKind::Town, {3}},
        {"мкр", "микрорайон", TIconKind::Quarter, {3}},
        {"ул", "улица", TIconKind::Street, {3, 4}},
        {"пер", "переулок", TIconKind::Lane, {3, 4}},
        {"пр-т", "проспект", TIconKind::Avenue, {3, 4}},
        {"пл", "площадь", TIconKind::Square, {3, 4}},
        {"ш", "шоссе", TIconKind::Street, {3, 4}},
    };
    return list;
}

struct TDistrictDef {
    const char* Name;    // "Одинцовский"
    const char* Center;  // its town
};

struct TRegionDef {
    const char* Name;
    const char* Abbrev;
    std::vector<TDistrictDef> Districts;
    std::vector<const char*> Cities;  // cities of regional significance
    const char* Phone;
    const char* Site;
    const char* Iso;  // its ISO 3166-2 code, where the real directory has it
};

const std::vector<TRegionDef>& Regions() {
    static const std::vector<TRegionDef> list = {
        {"Московская",
         "обл",
         {{"Одинцовский", "Одинцово"},
          {"Истринский", "Истра"},
          {"Раменский", "Раменское"},
          {"Сергиево-Посадский", "Сергиев Посад"}},
         {"Подольск", "Химки"},
         "+7 (495) 100-20-30",
         "https://mosreg.example.ru",
         "RU-MOS"},
        {"Ленинградская",
         "обл",
         {{"Всеволожский", "Всеволожск"},
          {"Гатчинский", "Гатчина"},
          {"Выборгский", "Выборг"},
          {"Лужский", "Луга"}},
         {"Сосновый Бор"},
         "+7 (812) 200-30-40",
         "https://lenobl.example.ru",
         "RU-LEN"},
        {"Новосибирская",
         "обл",
         {{"Искитимский", "Искитим"},
          {"Колыванский", "Колывань"},
          {"Тогучинский", "Тогучин"},
          {"Ордынский", "Ордынское"}},
         {"Бердск"},
         "+7 (383) 300-40-50",
         "https://nso.example.ru",
         "RU-NVS"},
        {"Краснодарский",
         "край",
         {{"Анапский", "Анапа"},
          {"Темрюкский", "Темрюк"},
          {"Крымский", "Крымск"},
          {"Ейский", "Ейск"}},
         {"Сочи", "Новороссийск"},
         "+7 (861) 400-50-60",
         "https://krasnodar.example.ru",
         "RU-KDA"},
        {"Татарстан",
         "респ",
         {{"Зеленодольский", "Зеленодольск"},
          {"Лаишевский", "Лаишево"},
          {"Высокогорский", "Высокая Гора"}},
         {"Казань"},
         "+7 (843) 500-60-70",
         "https://tatarstan.example.ru",
         "RU-TA"},
    };
    return list;
}

const QStringList kVillages = {
    QStringLiteral("Никольское"), QStringLiteral("Покровское"),    QStringLiteral("Петровка"),
    QStringLiteral("Ивановка"),   QStringLiteral("Александровка"), QStringLiteral("Михайловка"),
    QStringLiteral("Берёзовка"),  QStringLiteral("Сосновка"),      QStringLiteral("Каменка"),
    QStringLiteral("Знаменка"),   QStringLiteral("Васильевка"),    QStringLiteral("Горки"),
    QStringLiteral("Дубки"),      QStringLiteral("Липки"),         QStringLiteral("Ключи"),
    QStringLiteral("Озёрки"),     QStringLiteral("Красное"),       QStringLiteral("Ольховка"),
    QStringLiteral("Троицкое"),   QStringLiteral("Воскресенское"), QStringLiteral("Богородское"),
    QStringLiteral("Малиновка"),  QStringLiteral("Юрьево"),        QStringLiteral("Рождествено"),
};
const QStringList kVillageKinds = {QStringLiteral("с"), QStringLiteral("д"), QStringLiteral("п"),
                                   QStringLiteral("д"), QStringLiteral("пгт")};

struct TStreetDef {
    const char* Abbrev;
    const char* Name;
};
const std::vector<TStreetDef> kStreets = {
    {"ул", "Ленина"},      {"ул", "Садовая"},    {"ул", "Школьная"}, {"пер", "Лесной"},
    {"ул", "Центральная"}, {"ул", "Молодёжная"}, {"пр-т", "Мира"},   {"пл", "Советская"},
    {"ул", "Набережная"},  {"пер", "Почтовый"},  {"ул", "Гагарина"}, {"ш", "Московское"},
    {"ул", "Полевая"},     {"ул", "Заречная"},   {"пр-т", "Победы"}, {"ул", "Пушкина"},
};

const QStringList kPeople = {
    QStringLiteral("Иванов Сергей Петрович"),     QStringLiteral("Смирнова Анна Викторовна"),
    QStringLiteral("Кузнецов Олег Иванович"),     QStringLiteral("Попова Елена Сергеевна"),
    QStringLiteral("Васильев Дмитрий Андреевич"), QStringLiteral("Морозова Ольга Николаевна"),
};

class TDemoLoader {
public:
    TDemoLoader(IDbConnection& db, const QString& schema, bool world)
        : FCalls(db, schema), FWorld(world) {}

    // The demo is there (places at the top, or in the real directory its first region's), or
    // the real directory is not.
    bool HasLocations() {
        if (FWorld && !FindRegions()) return true;
        const TRowSet top = FCalls.Rows(
            kLocat, QStringLiteral("GET_T#LOCATION"),
            {{QStringLiteral("PID"), QVariant()},
             {QStringLiteral("PID_PARENT"), FWorld ? QVariant(FRegionIds.front()) : QVariant()}});
        return !top.Rows.empty();
    }

    TDemoStats Load(const QString& englishUser) {
        LoadDictionaries();
        int serial = 0;
        for (size_t r = 0; r < Regions().size(); ++r) {
            const TRegionDef& region = Regions()[r];
            const long long regionId =
                FWorld ? FRegionIds[r]
                       : AddLocation(-1, 1, QString::fromUtf8(region.Abbrev),
                                     QString::fromUtf8(region.Name));
            AddRegionInformation(regionId, region);
            for (const TDistrictDef& district : region.Districts) {
                const long long districtId = AddLocation(regionId, 2, QStringLiteral("р-н"),
                                                         QString::fromUtf8(district.Name));
                const long long centerId = AddLocation(districtId, 3, QStringLiteral("г"),
                                                       QString::fromUtf8(district.Center));
                AddStreets(centerId, 4, serial, 6);
                AddAdministration(centerId, QString::fromUtf8(district.Center), serial);
                for (int v = 0; v < 5; ++v) {
                    const QString name = kVillages[(serial * 5 + v * 7) % kVillages.size()];
                    const QString kind = kVillageKinds[(serial + v) % kVillageKinds.size()];
                    const long long villageId = AddLocation(districtId, 3, kind, name);
                    AddStreets(villageId, 4, serial + v, 3);
                    if (v == 0)
                        AddNote(villageId,
                                QStringLiteral("Почтовое отделение работает по будним дням"));
                }
                ++serial;
            }
            for (const char* city : region.Cities) {
                const long long cityId =
                    AddLocation(regionId, 2, QStringLiteral("г"), QString::fromUtf8(city));
                AddStreets(cityId, 3, serial, 8);
                AddAdministration(cityId, QString::fromUtf8(city), serial);
                const long long quarterId =
                    AddLocation(cityId, 3, QStringLiteral("мкр"), QStringLiteral("Северный"));
                AddStreets(quarterId, 4, serial + 3, 2);
                ++serial;
            }
        }
        if (!englishUser.isEmpty()) MakeEnglishUser(englishUser);
        return FStats;
    }

private:
    // The real regions the demo's places go below; their level sets the demo's levels.
    bool FindRegions() {
        const QString s = QuotedSchemaName(FCalls.Schema());
        const QString select =
            QStringLiteral("SELECT C.ID_LOCATION, T.LEVEL_NO FROM %1.LOCATION_CODE C "
                           "JOIN %1.LOCATION L ON L.ID = C.ID_LOCATION "
                           "JOIN %1.LOCATTYPE T ON T.ID = L.ID_LOCATTYPE "
                           "WHERE C.KIND = :KIND AND C.CODE = :CODE")
                .arg(s);
        FRegionIds.clear();
        for (const TRegionDef& region : Regions()) {
            const TRowSet found = FCalls.Db().Query(
                select, {{QStringLiteral("KIND"), QStringLiteral("ISO3166_2")},
                         {QStringLiteral("CODE"), QString::fromLatin1(region.Iso)}});
            if (found.Rows.empty()) return false;
            FRegionIds.push_back(found.Rows[0][0].toLongLong());
            FShift = found.Rows[0][1].toInt() - 1;
        }
        return true;
    }

    void LoadDictionaries() {
        // What the dictionaries already hold is reused, so a partial setup is completed.
        const TRowSet abbrevs =
            FCalls.Rows(kLocat, QStringLiteral("GET_T#LOCATABBREV"), {{QStringLiteral("PID"), -1}});
        const int aId = ColumnIndex(abbrevs, QStringLiteral("ID"));
        const int aSName = ColumnIndex(abbrevs, QStringLiteral("SNAME"));
        for (const auto& row : abbrevs.Rows)
            FAbbrevIds.insert(row[aSName].toString(), row[aId].toLongLong());

        for (const TAbbrevDef& def : Abbreviations()) {
            const QString sname = QString::fromUtf8(def.SName);
            long long id = FAbbrevIds.value(sname, 0);
            if (id <= 0) {
                id = FCalls.Result(kLocat, QStringLiteral("INS_T#LOCATABBREV"),
                                   {{QStringLiteral("PSNAME"), sname},
                                    {QStringLiteral("PNAME"), QString::fromUtf8(def.Name)}});
                if (id <= 0)
                    throw EOraError::Make(
                        OraCode::UserDefined,
                        QStringLiteral("abbreviation \"%1\" was refused (%2)").arg(sname).arg(id));
                ++FStats.Abbreviations;
                FCalls.Call(kLocat, QStringLiteral("SET_T#LOCATABBREV_BMP"),
                            {{QStringLiteral("PID"), id},
                             {QStringLiteral("PBMP16#16"), DemoIcon(def.Icon)}});
                FAbbrevIds.insert(sname, id);
            }
        }

        const TRowSet types =
            FCalls.Rows(kLocat, QStringLiteral("GET_T#LOCATTYPE"), {{QStringLiteral("PID"), -1}});
        const int tId = ColumnIndex(types, QStringLiteral("ID"));
        const int tLevel = ColumnIndex(types, QStringLiteral("LEVEL#"));
        const int tAbbrev = ColumnIndex(types, QStringLiteral("ID_ABBREV"));
        for (const auto& row : types.Rows)
            FTypeIds.insert(TypeKey(row[tLevel].toInt(), row[tAbbrev].toLongLong()),
                            row[tId].toLongLong());

        for (const TAbbrevDef& def : Abbreviations()) {
            const long long abbrevId = FAbbrevIds.value(QString::fromUtf8(def.SName));
            for (int level : def.Levels) {
                level += FShift;
                if (FTypeIds.contains(TypeKey(level, abbrevId))) continue;
                const long long id = FCalls.Result(
                    kLocat, QStringLiteral("INS_T#LOCATTYPE"),
                    {{QStringLiteral("PLEVEL#"), level}, {QStringLiteral("PID_ABBREV"), abbrevId}});
                if (id <= 0)
                    throw EOraError::Make(OraCode::UserDefined,
                                          QStringLiteral("level %1 of \"%2\" was refused")
                                              .arg(level)
                                              .arg(QString::fromUtf8(def.SName)));
                ++FStats.LocationTypes;
                FTypeIds.insert(TypeKey(level, abbrevId), id);
            }
        }
    }

    static QString TypeKey(int level, long long abbrevId) {
        return QStringLiteral("%1/%2").arg(level).arg(abbrevId);
    }

    long long AddLocation(long long parentId, int level, const QString& abbrev,
                          const QString& name) {
        level += FShift;
        const long long typeId = FTypeIds.value(TypeKey(level, FAbbrevIds.value(abbrev)), 0);
        const long long id = FCalls.Result(kLocat, QStringLiteral("INS_T#LOCATION"),
                                           {{QStringLiteral("PID_PARENT"), IdOrNull(parentId)},
                                            {QStringLiteral("PID_LOCATTYPE"), typeId},
                                            {QStringLiteral("PNAME"), name}});
        if (id <= 0)
            throw EOraError::Make(
                OraCode::UserDefined,
                QStringLiteral("location \"%1 %2\" was refused (%3)").arg(abbrev, name).arg(id));
        ++FStats.Locations;
        return id;
    }

    void AddStreets(long long parentId, int level, int seed, int count) {
        for (int i = 0; i < count; ++i) {
            const TStreetDef& street = kStreets[(seed * 3 + i * 5) % kStreets.size()];
            // One street of a name per place: skip a repeat of the cycle.
            if (i > 0 && (seed * 3 + i * 5) % kStreets.size() == (seed * 3) % kStreets.size())
                break;
            AddLocation(parentId, level, QString::fromUtf8(street.Abbrev),
                        QString::fromUtf8(street.Name));
        }
    }

    long long AddInfo(long long objectId, long long parentId, int kind, const QString& value,
                      const QString& description, bool active) {
        const long long id = FCalls.Result(kInform, QStringLiteral("INS_T#INFORMATION"),
                                           {{QStringLiteral("POBJTYPE"), kLocationObject},
                                            {QStringLiteral("POBJID"), objectId},
                                            {QStringLiteral("PID_PARENT"), IdOrNull(parentId)},
                                            {QStringLiteral("PINFOTYPE"), kind},
                                            {QStringLiteral("PVALUE"), value},
                                            {QStringLiteral("PDESCRIPTION"), description},
                                            {QStringLiteral("PACTIVE"), active ? 1 : 0}});
        ++FStats.InformationItems;
        return id;
    }

    void AddRegionInformation(long long regionId, const TRegionDef& region) {
        const QString site = QString::fromUtf8(region.Site);
        const QString host = QUrl(site).host();
        AddInfo(regionId, -1, 3, site, QStringLiteral("Официальный портал"), true);
        const long long phone = AddInfo(regionId, -1, 2, QString::fromUtf8(region.Phone),
                                        QStringLiteral("Приёмная"), true);
        AddInfo(regionId, phone, 4, kPeople[static_cast<int>(regionId) % kPeople.size()],
                QStringLiteral("Секретарь"), true);
        AddInfo(regionId, -1, 1, QStringLiteral("info@") + host, QStringLiteral("Общие вопросы"),
                true);
        AddInfo(
            regionId, -1, 7,
            QString::fromUtf8(region.Phone).replace(QStringLiteral("-30"), QStringLiteral("-39")),
            QStringLiteral("Факс приёмной (отключён)"), false);
    }

    void AddAdministration(long long placeId, const QString& placeName, int seed) {
        const QString code = QString::number(100 + seed * 7 % 900);
        const long long phone =
            AddInfo(placeId, -1, 2,
                    QStringLiteral("+7 (%1) 2%2-1%3-00").arg(code).arg(seed % 10).arg(seed % 7),
                    QStringLiteral("Администрация: %1").arg(placeName), true);
        const long long contact = AddInfo(placeId, phone, 4, kPeople[seed % kPeople.size()],
                                          QStringLiteral("Глава администрации"), true);
        AddInfo(placeId, contact, 6,
                QStringLiteral("+7 (9%1) 5%2-0%3-1%4")
                    .arg(seed % 10, 2, 10, QLatin1Char('0'))
                    .arg(seed % 10)
                    .arg(seed % 9)
                    .arg(seed % 8),
                QStringLiteral("Мобильный"), true);
        AddInfo(placeId, -1, 1, QStringLiteral("adm%1@mail.example.ru").arg(seed),
                QStringLiteral("Приёмная"), true);
        AddInfo(placeId, -1, 2, QStringLiteral("+7 (%1) 2%2-00-00").arg(code).arg(seed % 10),
                QStringLiteral("Старый номер"), false);
        if (seed % 2 == 0)
            AddInfo(placeId, -1, 3, QStringLiteral("https://adm%1.example.ru").arg(seed),
                    QStringLiteral("Сайт администрации"), true);
    }

    void AddNote(long long placeId, const QString& text) {
        AddInfo(placeId, -1, 5, text, QString(), true);
    }

    void MakeEnglishUser(const QString& englishUser) {
        AddEnglishUser(FCalls.Db(), FCalls.Schema(), englishUser);
    }

    TRoutines FCalls;
    const bool FWorld;
    std::vector<long long> FRegionIds;  // the real regions, in the order of Regions()
    int FShift = 0;                     // how far below the top the demo's regions are
    QHash<QString, long long> FAbbrevIds;
    QHash<QString, long long> FTypeIds;
    TDemoStats FStats;
};

}  // namespace

void AddEnglishUser(IDbConnection& db, const QString& schema, const QString& user) {
    // The language table has no routines: written with bound values.
    db.Execute(
        QStringLiteral("INSERT INTO %1.lang_user (user_name, apl_lang_id, apl_lang_sub_id, "
                       "rep_lang_id, rep_lang_sub_id) SELECT :USER_NAME, 9, 0, 9, 0 WHERE NOT "
                       "EXISTS (SELECT 1 FROM %1.lang_user WHERE upper(user_name) = "
                       "upper(:USER_NAME))")
            .arg(QuotedSchemaName(schema)),
        {{QStringLiteral("USER_NAME"), user.toUpper()}});
}

std::optional<TDemoStats> LoadDemoData(IDbConnection& db, const QString& schema,
                                       const QString& englishUser, bool world) {
    CheckSchemaName(schema);
    TDemoLoader loader(db, schema, world);
    try {
        if (loader.HasLocations()) return std::nullopt;
        db.StartTransaction();
        TDemoStats stats = loader.Load(englishUser);
        db.Commit();
        return stats;
    } catch (...) {
        db.Rollback();
        throw;
    }
}
