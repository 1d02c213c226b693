// Registries as they come: places named by codes, names per language and full type names
// through import and export on both engines.

#include <gtest/gtest.h>

#include "Tools/QxvdbEngine.h"

namespace {

// A new schema with the directory's tables.
class Registries : public QxvdbEngineTest {
protected:
    QString Schema() {
        const QString schema = NewSchema();
        EXPECT_EQ(Cmd("init", schema).Code, QxvdbExit::Ok);
        return schema;
    }
};

// Export, import into an empty schema, export again: the same bytes, by id and by key, in both
// formats; the first export keeps every column the file brought, and the full type names.
TEST_P(Registries, CodesNamesAndFullTypeNamesRoundTrip) {
    const QByteArray byId =
        "ID,ID_PARENT,LEVEL,ABBREV,ABBREV_NAME,NAME,NAME_EN,NAME_RU,CODE_ISO3166_1,CODE_ISO3166_2,"
        "CODE_POSTAL\n"
        "7,,1,стр.,Страна,Россия,Russia,,RU,,\n"
        "9,7,2,обл.,Область,Московская,Moscow Oblast,Московская область,,RU-MOS,\n"
        "12,9,3,г.,Город,\"Химки, город\",,,,,141400\n";
    const QByteArray byKey =
        "LEVEL,ABBREV,ABBREV_NAME,NAME,NAME_EN,CODE_EXTERNAL,CODE_OKTMO,PARENT_CODE\n"
        "1,стр.,Страна,Россия,Russia,R,,\n"
        "2,обл.,Область,Московская,Moscow Oblast,R.MOS,46000000,R\n"
        "3,г.,Город,Химки,Khimki,R.MOS.KH,46783000,R.MOS\n";
    const struct {
        const QByteArray& Source;
        QStringList Key;
        const char* Name;
        const char* Header;  // of the first export (CSV)
    } cases[] = {
        {byId, {}, "id.csv",
         "ID,ID_PARENT,LEVEL,ABBREV,NAME,ABBREV_NAME,NAME_EN,NAME_RU,CODE_ISO3166_1,"
         "CODE_ISO3166_2,CODE_POSTAL\n7,,1,стр.,Россия,Страна,Russia,,RU,,\n"},
        {byId, {}, "id.json", nullptr},
        {byKey, {"--key", "EXTERNAL"}, "key.csv",
         "LEVEL,ABBREV,NAME,ABBREV_NAME,NAME_EN,CODE_EXTERNAL,CODE_OKTMO,PARENT_CODE\n"
         "1,стр.,Россия,Страна,Russia,R,,\n"},
        {byKey, {"--key", "external"}, "key.json", nullptr},
    };
    for (const auto& c : cases) {
        const QString first = Schema(), second = Schema();
        const TRun in =
            Cmd("import", first,
                QStringList{"--file", FileWith("in.csv", c.Source), "--create-missing"} + c.Key);
        ASSERT_EQ(in.Code, QxvdbExit::Ok) << c.Name << in.Err.toStdString();
        const QByteArray exported = Exported(first, c.Name, c.Key);
        if (c.Header) {
            EXPECT_TRUE(exported.startsWith(c.Header)) << c.Name << exported.constData();
        }
        const TRun again =
            Cmd("import", second,
                QStringList{"--file", FileWith(c.Name, exported), "--create-missing"} + c.Key);
        ASSERT_EQ(again.Code, QxvdbExit::Ok) << c.Name << again.Err.toStdString();
        EXPECT_EQ(Exported(second, c.Name, c.Key), exported) << c.Name;
    }
}

// Rows that cannot be named, codes that cannot be given: each is named by its line, and
// nothing is imported. A keyed file names places the database holds by their codes.
TEST_P(Registries, KeyedRowsAndCodesAreCheckedAgainstFileAndDatabase) {
    const QString schema = Schema();
    const QByteArray header = "LEVEL,ABBREV,NAME,CODE_ISO3166_2,PARENT_CODE\n";
    ASSERT_EQ(
        Cmd("import", schema,
            {"--file",
             FileWith("base.csv", header + "1,стр.,Россия,RU-X,\n2,обл.,Московская,RU-MOS,RU-X\n"),
             "--create-missing", "--key", "ISO3166_2"})
            .Code,
        QxvdbExit::Ok);
    const struct {
        QByteArray File;
        QStringList Options;
        const char* Says;
    } cases[] = {
        {header + "2,обл.,Тверская,,RU-X\n", {"--key", "ISO3166_2"},
         "line 2: the code ISO3166_2 is missing"},
        {header + "2,обл.,Тверская,RU-TVE,RU-ZZ\n", {"--key", "ISO3166_2"},
         "line 2: the parent's code \"RU-ZZ\" is neither in the file nor in the database"},
        {header + "2,обл.,Тверская,RU-TVE,RU-X\n2,обл.,Тульская,RU-TVE,RU-X\n", {"--key", "ISO3166_2"},
         "line 3: the code ISO3166_2 \"RU-TVE\" is already on line 2"},
        {"ID,ID_PARENT,LEVEL,ABBREV,NAME,CODE_ISO3166_2\n50,,1,стр.,Другая,RU-MOS\n", {},
         "line 2: the code ISO3166_2 \"RU-MOS\" is already the place \"Московская\""},
        {"ID,LEVEL,ABBREV,NAME,CODE_FOO\n50,1,стр.,Другая,1\n", {},
         "line 2: the code FOO is of a kind the dictionary lacks"},
        {"ID,LEVEL,ABBREV,NAME,NAME_EN\n50,1,стр.,Другая,\"Two\nlines\"\n", {},
         "line 2: the name in EN holds a tab or a line break"},
        {header + "1,стр.,Другая,RU-Y,\n", {"--key", "POSTAL"},
         "--key POSTAL is not a kind of code that names one place per code"},
        {header + "1,стр.,Другая,RU-Y,\n", {}, "line 2: the id is missing"},
    };
    for (const auto& c : cases) {
        const TRun r =
            Cmd("import", schema,
                QStringList{"--file", FileWith("bad.csv", c.File), "--create-missing"} + c.Options);
        EXPECT_EQ(r.Code, QxvdbExit::DataError) << c.Says;
        EXPECT_TRUE((r.Out + r.Err).contains(QString::fromUtf8(c.Says))) << r.Err.toStdString();
    }
    const TRun child = Cmd("import", schema,
                           {"--file", FileWith("more.csv", header + "3,г.,Химки,RU-KHI,RU-MOS\n"),
                            "--create-missing", "--key", "ISO3166_2"});
    EXPECT_EQ(child.Code, QxvdbExit::Ok) << child.Err.toStdString();
    const QByteArray all = Exported(schema, "all.csv", {"--key", "ISO3166_2"});
    EXPECT_TRUE(all.endsWith("3,г.,Химки,RU-KHI,RU-MOS\n")) << all.constData();
    EXPECT_TRUE(Cmd("import", schema,
                    {"--file", FileWith("base2.csv", all), "--key", "ISO3166_2", "--dry-run"})
                    .Out.contains("add 0, updated 0, skipped 3"));
}

QXV_ON_BOTH_ENGINES(Registries);

}  // namespace
