// qxvdb on a database that already holds places: ids of the file that collide with them, and
// the world's countries and their subdivisions from the system's code tables.

#include <gtest/gtest.h>

#include "Platform/PlaceCaption.h"
#include "Tools/QxvdbEngine.h"
#include "Tools/qxvdb/Seed.h"

namespace {

class QxvdbSeedOnEngine : public QxvdbEngineTest {
protected:
    // The exit code, a bar, and what the command wrote.
    QString Said(const QString& command, const QStringList& more = {}) {
        const TRun r = Cmd(command, FSchema, more);
        return QString::number(r.Code) + u'|' + r.Out + r.Err;
    }
    QVariant Value(const QString& sql) {
        const auto db = OpenConnection(FConnectString);
        return db->Query(sql.arg(QuotedSchemaName(FSchema)), {}).Rows.at(0).at(0);
    }
    long long Scalar(const QString& sql) { return Value(sql).toLongLong(); }
};

// The demo's places 1 (a region), 2 (its district), 3 (the district's centre) and 4 (a street
// there). The file's 1 and 2 sit where the demo's do and are the same places imported before;
// its 3 and 4 sit elsewhere, so they are other places under taken ids.
TEST_P(QxvdbSeedOnEngine, CollidingIdsAreNamedByLineAndNewIdsImportTheFilesTree) {
    ASSERT_TRUE(Said("init").startsWith("0|") && Said("demo").startsWith("0|"));
    const QString file = FileWith("in.csv",
                                  "ID,ID_PARENT,LEVEL,ABBREV,NAME\n1,,1,обл,Тверская\n"
                                  "2,1,2,р-н,Ржевский\n3,1,2,г,Ржев\n4,3,3,мкр,Заречье\n");
    const long long top = Scalar("SELECT MAX(ID) FROM %1.LOCATION");
    const QString name = "the place \"%1\"";
    const struct {
        QStringList Options;
        QStringList Says;
    } steps[] = {
        {{},
         {"3|",
          "line 4: the id 3 is already " +
              name.arg(Value("SELECT NAME FROM %1.LOCATION WHERE ID = 3").toString()),
          "line 5: the id 4 is already " +
              name.arg(Value("SELECT NAME FROM %1.LOCATION WHERE ID = 4").toString()),
          "2 bad rows"}},
        {{"--new-ids", "--existing", "skip"}, {"2|", "--existing does not apply"}},
        {{"--new-ids"}, {"0|", "added 4, updated 0, skipped 0"}},
    };
    for (const auto& s : steps) {
        const QString said = Said("import", QStringList{"--file", file} + s.Options);
        for (const QString& text : s.Says) EXPECT_TRUE(said.contains(text)) << said.toStdString();
        EXPECT_FALSE(said.contains("the level")) << said.toStdString();
    }
    // Four new places, each but the top one below another of them.
    const QString added =
        "SELECT COUNT(*) FROM %1.LOCATION C LEFT JOIN %1.LOCATION P ON P.ID = "
        "C.ID_PARENT WHERE C.ID > " +
        QString::number(top);
    EXPECT_EQ(Scalar(added), 4);
    EXPECT_EQ(Scalar(added + " AND P.ID > " + QString::number(top)), 3);
}

// How many places a table of the system's ISO 3166 files holds: each has one such key.
qsizetype IsoTableSize(const QString& standard, const char* key) {
    QFile f(TIsoTables().Folder + "/iso_" + standard + ".json");
    return f.open(QIODevice::ReadOnly) ? f.readAll().count(key) : -1;
}

TEST_P(QxvdbSeedOnEngine, TheSeedHoldsEveryCountryAndSubdivisionOfTheSystemsTables) {
    ASSERT_TRUE(Said("init").startsWith("0|"));
    const QString seeded = Said("seed", {"iso3166"});
    ASSERT_TRUE(seeded.startsWith("0|"));
    EXPECT_FALSE(seeded.contains("warning")) << "the registry's namesakes are its own";
    const QString codes = "SELECT COUNT(*) FROM %1.LOCATION_CODE WHERE KIND = '%2'";
    const qsizetype countries = IsoTableSize("3166-1", "\"alpha_2\""),
                    subdivisions = IsoTableSize("3166-2", "\"code\"");
    EXPECT_EQ(Scalar(codes.arg("%1", "ISO3166_1")), countries);
    EXPECT_EQ(Scalar(codes.arg("%1", "ISO3166_2")), subdivisions);

    // Level, English and Russian name, the parent's code and the type of a place found by its
    // code. The test's user reads Russian, so the seed named the types in Russian; an English
    // user's seed names them in English.
    const QString place = QStringLiteral(
        "SELECT T.LEVEL_NO || '|' || coalesce(E.NAME, '') || '|' || coalesce(R.NAME, '') "
        "|| '|' || coalesce(P.CODE, '') || '|' || A.SNAME || '|' || A.NAME FROM "
        "%1.LOCATION_CODE C JOIN %1.LOCATION L ON L.ID = C.ID_LOCATION JOIN %1.LOCATTYPE T ON "
        "T.ID = L.ID_LOCATTYPE JOIN %1.LOCATABBREV A ON A.ID = T.ID_ABBREV LEFT JOIN "
        "%1.LOCATION_NAME E ON E.ID_LOCATION = L.ID AND E.LANG = 'EN' "
        "LEFT JOIN %1.LOCATION_NAME R ON R.ID_LOCATION = L.ID AND R.LANG = 'RU' "
        "LEFT JOIN %1.LOCATION_CODE P ON P.ID_LOCATION = L.ID_PARENT "
        "WHERE C.CODE = '%2'");
    const struct {
        const char* Code;
        const char* Is;
        const char* EnglishType;
    } known[] = {
        {"DE", "1|Germany|Германия||стр.|Страна", "Country|Country"},
        {"RU-MOS", "2|Moskovskaja oblast'|Московская область|RU|обл.|Область",
         "Adm. reg.|Administrative region"},
        {"RU-MOW", "2|Moskva|Москва|RU|г. ф. з.|Город федерального значения",
         "Auto. city|Autonomous city"},
        {"GB-ABD", "3|Aberdeenshire|Абердиншир|GB-SCT|обл. сов.|Область совета",
         "Coun. area|Council area"}};
    QHash<QString, QString> englishTypes;
    for (const TPlaceRow& row : Iso3166Places("EN"))
        englishTypes.insert(row.Codes.at(0).second, row.Abbrev + u'|' + row.AbbrevName);
    for (const auto& k : known) {
        EXPECT_EQ(Value(place.arg("%1", k.Code)).toString(), QString::fromUtf8(k.Is));
        EXPECT_EQ(englishTypes.value(k.Code), QString::fromUtf8(k.EnglishType));
    }
    // Every type's caption takes one full stop, whatever its short name ends with.
    const TRowSet types = OpenConnection(FConnectString)
                              ->Query(QStringLiteral("SELECT SNAME, NAME FROM %1.LOCATABBREV")
                                          .arg(QuotedSchemaName(FSchema)),
                                      {});
    EXPECT_GT(types.Rows.size(), 50u);
    for (const auto& t : types.Rows) {
        EXPECT_LE(t[0].toString().size(), 10) << t[1].toString().toStdString();
        EXPECT_FALSE(PlaceCaption(t[0].toString(), ". ", "Name").contains(".."))
            << t[0].toString().toStdString();
    }
    EXPECT_TRUE(Said("seed", {"iso3166"}).contains("already holds"));
    EXPECT_EQ(Scalar("SELECT COUNT(*) FROM %1.LOCATION"), countries + subdivisions);
}

QXV_ON_BOTH_ENGINES(QxvdbSeedOnEngine);

}  // namespace
