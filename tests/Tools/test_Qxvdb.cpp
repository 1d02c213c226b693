// The qxvdb commands: arguments, import files, demo pictures, and init/demo/export/import
// against a real database.

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QRandomGenerator>
#include <QUrl>

#include <gtest/gtest.h>

#include <unistd.h>

#include "Platform/Data/DbBackend.h"
#include "Tools/QxvdbEngine.h"
#include "Tools/qxvdb/Import.h"
#include "Tools/qxvdb/Progress.h"
#include "Tools/qxvdb/Records.h"
#include "Tools/qxvdb/Routines.h"
#include "support/CountingConnection.h"
#include "support/OraErrorOf.h"
#include "support/PlaceTree.h"
#include "support/PostgresDsn.h"
#include "support/TempDir.h"

#include "Server/sqlite/SqliteServer.h"

namespace {

// The number a counting query answers.
long long CountOf(IDbConnection& db, const QString& sql) {
    return db.Query(sql, {}).Rows.at(0).at(0).toLongLong();
}

// --- Without a database -----------------------------------------------------

// Mistakes are usage errors; help is asked for before anything else is required and names
// the file's columns; a database that cannot be reached is a database error.
TEST(QxvdbArguments, EachMistakeHelpAndFailureHasItsOwnCode) {
    const struct {
        const char* Args;
        int Code;
        const char* Says;
    } cases[] = {
        {"", QxvdbExit::Usage, "usage: qxvdb"},
        {"drop", QxvdbExit::Usage, "usage: qxvdb"},
        {"init", QxvdbExit::Usage, "usage: qxvdb"},
        {"init --db", QxvdbExit::Usage, "usage: qxvdb"},
        {"init --db sqlite:x --bogus", QxvdbExit::Usage, "usage: qxvdb"},
        {"export --db sqlite:x", QxvdbExit::Usage, "usage: qxvdb"},
        {"export --db sqlite:x --file - --format xml", QxvdbExit::Usage, "usage: qxvdb"},
        {"init --db sqlite:x --english-user u", QxvdbExit::Usage, "usage: qxvdb"},
        {"import --db sqlite:x --file f --existing replace", QxvdbExit::Usage, "usage: qxvdb"},
        {"export --db sqlite:x --file f --dry-run", QxvdbExit::Usage, "usage: qxvdb"},
        {"journal --db sqlite:x --since -1", QxvdbExit::Usage, "usage: qxvdb journal"},
        {"journal --db sqlite:x --format xml", QxvdbExit::Usage, "usage: qxvdb journal"},
        {"--help", QxvdbExit::Ok, "--existing skip|update"},
        {"import --help", QxvdbExit::Ok, "--existing skip|update"},
        {"export --db sqlite:x -h", QxvdbExit::Ok, "--existing skip|update"},
        {"init --db oracle://x", QxvdbExit::DatabaseError, "ORA-12154"},
        {"init --db postgresql://nobody@127.0.0.1:1/x --schema a;b", QxvdbExit::DatabaseError, ""},
    };
    for (const auto& c : cases) {
        const TRun r = RunTool(QString(c.Args).split(u' ', Qt::SkipEmptyParts));
        EXPECT_EQ(r.Code, c.Code) << c.Args;
        EXPECT_TRUE((r.Out + r.Err).contains(c.Says)) << c.Args << ": " << r.Err.toStdString();
        if (c.Code != QxvdbExit::Ok) continue;
        EXPECT_EQ(r.Err, "");
        for (const char* column : {"ID_PARENT", "LEVEL", "ABBREV", "--create-missing", "--dry-run"})
            EXPECT_TRUE(r.Out.contains(QLatin1String(column))) << column;
    }
}

QByteArray Written(const std::vector<TPlaceRow>& rows, bool json) {
    QByteArray bytes;
    QBuffer to(&bytes);
    to.open(QIODevice::WriteOnly);
    WritePlaces(rows, json, to);
    return bytes;
}

TReadOutcome Read(QByteArray bytes, bool json) {
    QBuffer from(&bytes);
    from.open(QIODevice::ReadOnly);
    return ReadPlaces(from, json);
}

// Names that need quoting, line breaks, Cyrillic and a character beyond the BMP.
const QStringList kAwkwardNames = {
    "Маршала \"Жукова\", 1-я", "Two\r\nlines", "Three\nlines\n", " spaced , ", "\"\"",
    "Gänsehaut 🏔",         "plain"};

// A tree of n places with awkward names throughout.
std::vector<TPlaceRow> Tree(int n) {
    return PlaceTree(
        n, [](int i) { return kAwkwardNames[i % kAwkwardNames.size()] + QString::number(i); });
}

// All the bytes of a literal, NUL bytes included.
template <size_t N>
QByteArray WithNul(const char (&bytes)[N]) {
    return QByteArray(bytes, N - 1);
}

// Any JSON of the shape the export writes is read: any whitespace and key order, escapes,
// numbers written as 1.0 or 1e0 or as texts, members the import does not know. What is not
// is refused with the line its item starts on and the field at fault; broken syntax gives one
// bad row where it breaks, and nothing after it is read.
TEST(QxvdbRecords, JsonIsReadWhateverItsLayoutAndEachFaultNamesItsLine) {
    const struct {
        const char* Name;
        QByteArray Json;
        int Rows;           // read good
        const char* Error;  // how the first bad row begins
        int BadRows;
    } cases[] = {
        {"one line", R"([{"id":1,"parent":null,"level":1,"abbrev":"a","name":"A"}])", 1, "", 0},
        {"any whitespace and key order, a BOM, no parent",
         "\xEF\xBB\xBF \r\n[\t{ \"name\" : \"A\" ,\"abbrev\":\"a\",\"level\" :1, \"id\":1}\n,\n"
         "{\"parent\":1,\"id\":2,\"level\":2,\"abbrev\":\"b\",\"name\":\"B\"}\r\n] \n",
         2, "", 0},
        {"numbers as texts, as 1.0 and 1e0",
         R"([{"id":"7","level":1.0,"parent":null,"abbrev":"a","name":"A"},)"
         R"({"id":8,"level":2e0,"parent":7E0,"abbrev":"a","name":"B"}])",
         2, "", 0},
        {"unknown members of any kind",
         R"([{"id":1,"level":1,"abbrev":"a","name":"A","x":{"y":[1,true,null,{"z":"\""}]},)"
         R"("w":-0.5e-3,"v":false,"u":[]}])",
         1, "", 0},
        {"empty array", " [ ] ", 0, "", 0},
        {"empty object", "[\n{}\n]", 0, "line 2: the id is missing", 1},
        {"not objects", "[\n1,\n\"x\",\n[2]]", 0, "line 2: the item is not an object but a number",
         3},
        {"a key twice", "[\n{\"id\":1,\"id\":2,\"level\":1,\"abbrev\":\"a\",\"name\":\"A\"}]", 0,
         "line 2: the id is given twice", 1},
        {"a fraction", "[\n{\"id\":1.5,\"level\":1,\"abbrev\":\"a\",\"name\":\"A\"}]", 0,
         "line 2: the id is not a whole number", 1},
        {"a level outside 1..15", "[\n{\"id\":1,\"level\":16,\"abbrev\":\"a\",\"name\":\"A\"}]", 0,
         "line 2: the level \"16\" is not a whole number from 1 to 15", 1},
        {"true for a number", "[\n{\"id\":true,\"level\":1,\"abbrev\":\"a\",\"name\":\"A\"}]", 0,
         "line 2: the id is not a number or a text", 1},
        {"a NUL byte in a text",
         WithNul("[\n{\"id\":1,\"level\":1,\"abbrev\":\"a\",\"name\":\"a\0b\"}]"), 0,
         "line 2: the name holds a NUL byte (binary data)", 1},
        {"an escaped NUL", R"([{"id":1,"level":1,"abbrev":"a","name":"a\u0000b"}])", 0,
         "line 1: the name holds a NUL character (binary data)", 1},
        {"a control character", "[{\"id\":1,\"level\":1,\"abbrev\":\"a\",\"name\":\"a\tb\"}]", 0,
         "line 1: the name holds the control character 0x09", 1},
        {"invalid UTF-8", "[{\"id\":1,\"level\":1,\"abbrev\":\"\xC3\x28\",\"name\":\"A\"}]", 0,
         "line 1: the abbreviation is not valid UTF-8 text", 1},
        {"half a surrogate pair", R"([{"id":1,"level":1,"abbrev":"a","name":"\uD83D!"}])", 0,
         "line 1: the name holds half a surrogate pair (\\uD83D), not a character", 1},
        {"an unknown escape", R"([{"id":1,"level":1,"abbrev":"a","name":"\q"}])", 0,
         "line 1: the name has the unknown escape \\q", 1},
        {"a name too long",
         "[\n{\"id\":1,\"level\":1,\"abbrev\":\"a\",\"name\":\"" + QString(256, u'я').toUtf8() +
             "\"}]",
         0, "line 2: the name is longer than 255 characters (256)", 1},
        {"a bad item among good ones",
         "[{\"id\":1,\"level\":1,\"abbrev\":\"a\",\"name\":\"A\"},\n"
         "{\"id\":2,\"level\":1,\"abbrev\":\"a\",\"name\":\"\"},\n"
         "{\"id\":3,\"level\":1,\"abbrev\":\"a\",\"name\":\"C\"}]",
         2, "line 2: the name is missing", 1},
        {"empty file", "", 0, "line 1: the file is empty", 1},
        {"not an array", "\n{\"id\":1}", 0,
         "line 2: the file is not a JSON array of places: it starts with \"{\"", 1},
        {"a missing comma",
         "[{\"id\":1,\"level\":1,\"abbrev\":\"a\",\"name\":\"A\"}\n"
         "{\"id\":2,\"level\":1,\"abbrev\":\"a\",\"name\":\"B\"}]",
         1, "line 2: bad JSON syntax: a comma or ] expected after the item, found \"{\"", 1},
        {"a trailing comma", "[{\"id\":1,\"level\":1,\"abbrev\":\"a\",\"name\":\"A\"},\n]", 1,
         "line 2: bad JSON syntax: a value expected, found \"]\"", 1},
        {"a text never closed", "[{\"id\":1,\"level\":1,\"abbrev\":\"a\",\n\"name\":\"A}]\n", 0,
         "line 2: bad JSON syntax: a text that starts here is not closed by a quote", 1},
        {"the array never closed", "[{\"id\":1,\"level\":1,\"abbrev\":\"a\",\"name\":\"A\"}\n", 1,
         "line 2: bad JSON syntax: the file ends inside the array (] is missing)", 1},
        {"text after the array", "[]\n\nx", 0,
         "line 3: bad JSON syntax: \"x\" after the end of the array", 1},
        {"a malformed number", "[{\"id\":01,\"level\":1,\"abbrev\":\"a\",\"name\":\"A\"}]", 0,
         "line 1: bad JSON syntax: a malformed number", 1},
        {"a bare word", "[{\"id\":1,\"level\":one}]", 0,
         "line 1: bad JSON syntax: a value expected, found \"one\"", 1},
        {"single quotes", "[{'id':1}]", 0,
         "line 1: bad JSON syntax: a key in quotes expected, found \"'\"", 1},
        {"nested too deep", "[{\"x\":" + QByteArray(100, '[') + QByteArray(100, ']') + "}]", 0,
         "line 1: bad JSON syntax: values nested deeper than 64 levels", 1},
    };
    for (const auto& c : cases) {
        const TReadOutcome read = Read(c.Json, true);
        EXPECT_EQ(static_cast<int>(read.Rows.size()), c.Rows) << c.Name;
        ASSERT_EQ(static_cast<int>(read.Bad.size()), c.BadRows) << c.Name;
        if (c.BadRows > 0) {
            EXPECT_TRUE(DescribeBadRow(read.Bad.front()).startsWith(QString::fromUtf8(c.Error)))
                << c.Name << ": " << DescribeBadRow(read.Bad.front()).toStdString();
        }
    }
    // Escapes and surrogate pairs come out as the characters they stand for.
    const TReadOutcome escaped = Read(
        R"([{"id":1,"level":1,"abbrev":"\u0433.","name":"\"\\\/\b\f\n\r\t \u00e4 \uD83C\uDFD4 )"
        "\xF0\x9F\x8F\x94\"}])",
        true);
    ASSERT_EQ(escaped.Rows.size(), 1u);
    EXPECT_EQ(escaped.Rows[0].Abbrev, "г.");
    EXPECT_EQ(escaped.Rows[0].Name, "\"\\/\b\f\n\r\t ä 🏔 🏔");
}

// The peak resident memory of this process, where the system tells it.
qint64 PeakKilobytes() {
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').front().toLongLong();
    return -1;
}

// In either format a 50 MB record is refused without being held, and the reader goes on.
TEST(QxvdbRecords, AFiftyMegabyteRecordIsRefusedWithoutHoldingIt) {
    struct TCase {
        bool Json;
        QByteArray Head, Tail;
        const char* Fault;
    };
    const TCase cases[] = {
        {false, "ID,ID_PARENT,LEVEL,ABBREV,NAME\n1,,1,a,", "\n2,,1,a,b\n",
         "line 2: the line is longer than %1 bytes"},
        {true, "[\n{\"id\": 1, \"level\": 1, \"abbrev\": \"a\", \"name\": \"",
         "\"},\n{\"id\": 2, \"level\": 1, \"abbrev\": \"a\", \"name\": \"b\"}\n]\n",
         "line 2: the item is longer than %1 bytes"},
    };
    TempDir temp;
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Json ? "JSON" : "CSV");
        // A head, 50 MB of x written a megabyte at a time, and a tail.
        QFile file(temp.FilePath("huge"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(c.Head);
        const QByteArray mb(1 << 20, 'x');
        for (int i = 0; i < 50; ++i) file.write(mb);
        file.write(c.Tail);
        file.close();
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const qint64 before = PeakKilobytes();
        const TReadOutcome read = ReadPlaces(file, c.Json);
        ASSERT_EQ(read.Bad.size(), 1u);
        EXPECT_EQ(DescribeBadRow(read.Bad.front()),
                  QString::fromLatin1(c.Fault).arg(kMaxRecordBytes));
        ASSERT_EQ(read.Rows.size(), 1u);  // the reader goes on after it
        EXPECT_EQ(read.Rows.front().Line, 3);
        EXPECT_TRUE(file.atEnd());
        if (before >= 0) {
            EXPECT_LT(PeakKilobytes() - before, 16 * 1024);
        }
    }
}

// --- Against each engine ----------------------------------------------------

class QxvdbOnEngine : public QxvdbEngineTest {
protected:
    // Abbreviations and levels of a schema.
    std::pair<long long, long long> DictionaryCounts(const QString& schema) {
        const auto db = OpenConnection(FConnectString);
        const QString s = QuotedSchemaName(schema);
        const auto count = [&](const char* table) {
            return CountOf(*db, QStringLiteral("SELECT COUNT(*) FROM %1.%2").arg(s, table));
        };
        return {count("LOCATABBREV"), count("LOCATTYPE")};
    }

    // The type of the row's level, with the row's abbreviation, made when first needed.
    static long long TypeOf(TRoutines& calls, std::map<int, long long>& types,
                            const TPlaceRow& row) {
        if (!types.count(row.Level))
            types[row.Level] = calls.Result(
                "QXVERPLOCAT", "INS_T#LOCATTYPE",
                {{"PLEVEL#", row.Level},
                 {"PID_ABBREV", calls.Result("QXVERPLOCAT", "INS_T#LOCATABBREV",
                                             {{"PSNAME", row.Abbrev}, {"PNAME", row.Abbrev}})}});
        return types[row.Level];
    }
};

TEST_P(QxvdbOnEngine, InitThenDemoTwiceLoadsOnce) {
    TRun r = Cmd("init", FSchema);
    ASSERT_EQ(r.Code, QxvdbExit::Ok) << r.Err.toStdString();

    // The connected user is made the English-speaking one.
    const auto db = OpenConnection(FConnectString);
    r = Cmd("demo", FSchema, {"--english-user", db->UserName().toLower()});
    ASSERT_EQ(r.Code, QxvdbExit::Ok) << r.Err.toStdString();
    EXPECT_TRUE(r.Out.contains("demo data loaded")) << r.Out.toStdString();

    TRoutines lang(*db, FSchema);
    EXPECT_EQ(lang.Result("LANG_PACK", "GET_USER_APL_LANG_ID", {}), 9);
    const auto translate = [&](const char* routine, const QString& text) {
        return lang.Call("LANG_PACK", QString::fromLatin1(routine), {{"PTEXT", text}})
            .Value("RESULT")
            .toString();
    };
    EXPECT_EQ(translate("GET_RESOURCE_APL_EN_TXT", "Dobavit'..."), "Add...");
    EXPECT_EQ(translate("GET_RESOURCE_APL_TXT", "Местоположение"), "Location");
    const QString s = QuotedSchemaName(FSchema);
    const auto placesNow = [&] {
        return CountOf(*db, QStringLiteral("SELECT COUNT(*) FROM %1.LOCATION").arg(s));
    };
    const long long places = placesNow();
    EXPECT_GE(places, 300);
    EXPECT_GE(CountOf(*db, QStringLiteral("SELECT MAX(T.LEVEL_NO) FROM %1.LOCATION L JOIN "
                                          "%1.LOCATTYPE T ON T.ID = L.ID_LOCATTYPE")
                               .arg(s)),
              4);
    db->Rollback();

    TRoutines calls(*db, FSchema);
    const TRowSet abbrevs = calls.Rows("QXVERPLOCAT", "GET_T#LOCATABBREV", {{"PID", -1}});
    ASSERT_GE(abbrevs.Rows.size(), 8u);
    for (const auto& row : abbrevs.Rows) {
        QImage icon;
        EXPECT_TRUE(icon.loadFromData(row[ColumnIndex(abbrevs, "BMP16#16")].toByteArray(), "BMP"))
            << row[ColumnIndex(abbrevs, "SNAME")].toString().toStdString();
        EXPECT_EQ(icon.size(), QSize(16, 16));
    }

    // Loading again is refused politely and adds nothing. (The reader steps aside first:
    // an embedded database takes one writer at a time.)
    db->Rollback();
    r = Cmd("demo", FSchema);
    EXPECT_EQ(r.Code, QxvdbExit::Ok) << r.Err.toStdString();
    EXPECT_TRUE(r.Out.contains("already holds")) << r.Out.toStdString();
    EXPECT_EQ(placesNow(), places);
}

TEST_P(QxvdbOnEngine, ImportAndExportRoundTripThroughBothFormats) {
    const std::vector<TPlaceRow> rows = Tree(250);
    const QByteArray csv = Written(rows, false);
    const QString file = FileWith("places.csv", csv);
    ASSERT_EQ(Cmd("init", FSchema).Code, QxvdbExit::Ok);
    TRun r = Cmd("import", FSchema, {"--file", file, "--create-missing"});
    ASSERT_EQ(r.Code, QxvdbExit::Ok) << r.Err.toStdString();
    EXPECT_TRUE(r.Out.contains("added 250")) << r.Out.toStdString();
    EXPECT_EQ(Exported(FSchema), csv);

    // Through JSON into another schema.
    const QString viaJson = NewSchema();
    ASSERT_EQ(Cmd("init", viaJson).Code, QxvdbExit::Ok);
    const QString json = FileWith("places.json", Exported(FSchema, "out.json"));
    r = Cmd("import", viaJson, {"--file", json, "--create-missing"});
    ASSERT_EQ(r.Code, QxvdbExit::Ok) << r.Err.toStdString();
    EXPECT_EQ(Exported(viaJson), csv);
    EXPECT_EQ(Exported(viaJson, "out.json"), Exported(FSchema, "out.json"));

    // New places after an import are numbered past the ids it brought.
    const auto db = OpenConnection(FConnectString);
    TRoutines calls(*db, FSchema);
    const long long type = calls.Rows("QXVERPLOCAT", "GET_T#LOCATTYPE_BY_LEVEL", {{"PLEVEL#", 1}})
                               .Rows.at(0)
                               .at(0)
                               .toLongLong();
    EXPECT_EQ(calls.Result("QXVERPLOCAT", "INS_T#LOCATION",
                           {{"PID_LOCATTYPE", type}, {"PNAME", "after"}}),
              251);
}

// A small directory: a region, its district, a town in it and a street.
const char kBase[] =
    "ID,ID_PARENT,LEVEL,ABBREV,NAME\n"
    "1,,1,обл.,Область\n2,1,2,р-н,Район\n3,2,3,г.,Город\n4,3,4,ул.,Улица\n";

TEST_P(QxvdbOnEngine, EachBadFileNamesItsLineAndFieldAndChangesNothing) {
    ASSERT_EQ(Cmd("init", FSchema).Code, QxvdbExit::Ok);
    const TRun base =
        Cmd("import", FSchema, {"--file", FileWith("base.csv", kBase), "--create-missing"});
    ASSERT_EQ(base.Code, QxvdbExit::Ok) << base.Err.toStdString();
    const QByteArray header = "ID,ID_PARENT,LEVEL,ABBREV,NAME\n";
    const QByteArray good = header + "10,1,2,р-н,Хороший\n";  // its line 2 is good
    const QByteArray goodItem = R"({"id":10,"parent":1,"level":2,"abbrev":"р-н","name":"Х"})";
    const struct {
        const char* Name;
        QByteArray Bytes;
        const char* Error;
        const char* File = "bad.csv";
    } cases[] = {
        {"duplicate id", good + "10,1,2,р-н,Другой\n", "line 3: the id 10 is already on line 2"},
        {"unknown parent", good + "11,99,2,р-н,Сирота\n",
         "line 3: the parent 99 is neither in the file nor in the database"},
        {"cycle", header + "20,21,2,р-н,А\n21,20,2,р-н,Б\n",
         "line 2: the parent makes a cycle: 20 → 21"},
        {"wrong level", good + "11,1,3,г.,Глубоко\n",
         "line 3: the level 3 does not follow the parent's level 1 (expected 2)"},
        {"unknown abbreviation", good + "11,1,2,пос.,Х\n",
         "line 3: the abbreviation \"пос.\" is not in the dictionary (--create-missing adds it)"},
        {"abbreviation not of this level", good + "11,1,2,г.,Х\n",
         "line 3: the abbreviation \"г.\" is not a type of level 2"},
        {"long abbreviation", good + "11,1,2,abcdefghijk,Х\n",
         "line 3: the abbreviation is longer than 10 characters (11)"},
        {"stray quote", good + "11,1,2,р-н,Маршала \"Жукова\n",
         "line 3: the name has a quote inside a field that does not start with one"},
        {"text after the closing quote", good + "11,1,2,р-н,\"Жукова\" 1\n",
         "line 3: the name has text after its closing quote"},
        {"unclosed quote", good + "11,1,2,р-н,\"open\n12,1,2,р-н,Х\n",
         "line 3: the name has a quote that is not closed"},
        {"NUL byte", good + QByteArray("11,1,2,р-н,a\0b\n", 18),
         "line 3: the name holds a NUL byte (binary data)"},
        {"invalid UTF-8", good + "11,1,2,р-н,\xC3\x28\n", "line 3: the name is not valid UTF-8"},
        {"encoded surrogate", good + "11,1,2,р-н,\xED\xA0\x80\n",
         "line 3: the name is not valid UTF-8"},
        {"name of blanks", good + "11,1,2,р-н,   \n", "line 3: the name is missing"},
        {"too few fields", good + "11,1,2,р-н\n", "line 3: 5 fields expected, 4 found"},
        {"lines counted across a quoted line break",
         header + "10,1,2,р-н,\"two\nlines\"\n11,1,2,р-н,\n", "line 4: the name is missing"},
        {"no header", "10,1,2,р-н,Хороший\n",
         "line 1: the header ID,ID_PARENT,LEVEL,ABBREV,NAME is required as the first line"},
        {"empty", "", "the file is empty"},
        {"JSON syntax", "[\n" + goodItem + ",\n{\"id\": 11 \"level\": 2}\n]",
         "line 3: bad JSON syntax: a comma or } expected, found \"\"\"", "bad.json"},
    };
    const QByteArray before = Exported(FSchema);
    const auto dictionaries = DictionaryCounts(FSchema);
    for (const auto& c : cases) {
        const TRun r = Cmd("import", FSchema, {"--file", FileWith(c.File, c.Bytes)});
        EXPECT_EQ(r.Code, QxvdbExit::DataError) << c.Name;
        EXPECT_TRUE(r.Err.contains(QString::fromUtf8(c.Error)))
            << c.Name << ": " << r.Err.toStdString();
        EXPECT_TRUE(r.Err.contains("nothing was imported")) << c.Name;
    }
    EXPECT_EQ(Exported(FSchema), before);
    EXPECT_EQ(DictionaryCounts(FSchema), dictionaries);
}

TEST_P(QxvdbOnEngine, ReimportSkipsOrUpdatesByIdAndAttachesToExistingPlaces) {
    ASSERT_EQ(Cmd("init", FSchema).Code, QxvdbExit::Ok);
    const QString base = FileWith("base.csv", kBase);
    ASSERT_EQ(Cmd("import", FSchema, {"--file", base, "--create-missing"}).Code, QxvdbExit::Ok);
    // Place 3 again under a new name, and a new town below district 2, which only the
    // database holds.
    const QString again = FileWith(
        "again.csv", "NAME,ID,ID_PARENT,LEVEL,ABBREV\nНовое имя,3,2,3,г.\nПосёлок,50,2,3,г.\n");
    const struct {
        QStringList Options;
        const char* Summary;
        bool Renamed;
        bool Added;
    } steps[] = {
        {{"--dry-run"}, "would add 1, updated 0, skipped 1", false, false},
        {{}, "added 1, updated 0, skipped 1", false, true},
        {{"--existing", "skip"}, "added 0, updated 0, skipped 2", false, true},
        {{"--existing", "update", "--dry-run"}, "would add 0, updated 2, skipped 0", false, true},
        {{"--existing", "update"}, "added 0, updated 2, skipped 0", true, true},
    };
    long long seq = 0;
    // The rows qxvdb journal prints after seq ("OP OBJID NAME after"), read from its JSON.
    const auto journal = [&] {
        QStringList rows;
        const TRun r =
            Cmd("journal", FSchema, {"--since", QString::number(seq), "--format", "json"});
        for (const QJsonValue v : QJsonDocument::fromJson(r.Out.toUtf8()).array()) {
            rows << v["op"].toString() + ' ' + QString::number(v["objid"].toInteger()) + ' ' +
                        v["after"]["NAME"].toString();
            seq = v["seq"].toInteger();
        }
        return rows.join(u'|');
    };
    journal();
    for (const auto& s : steps) {
        const TRun r = Cmd("import", FSchema, QStringList{"--file", again} + s.Options);
        ASSERT_EQ(r.Code, QxvdbExit::Ok)
            << s.Options.join(u' ').toStdString() << r.Err.toStdString();
        EXPECT_TRUE(r.Out.contains(QString::fromUtf8(s.Summary))) << r.Out.toStdString();
        const QString now = QString::fromUtf8(Exported(FSchema));
        EXPECT_EQ(now.contains("3,2,3,г.,Новое имя\n"), s.Renamed) << now.toStdString();
        EXPECT_EQ(now.contains("50,2,3,г.,Посёлок\n"), s.Added) << now.toStdString();
        EXPECT_EQ(now.contains("4,3,4,ул.,Улица\n"), true);
    }
    EXPECT_EQ(journal(), "ADD 50 Посёлок|EDIT 3 Новое имя|EDIT 50 Посёлок") << "none for a dry run";
    // Namesakes under one parent, in the database or earlier in the file, are imported and
    // listed as warnings with their lines.
    const TRun twins = Cmd("import", FSchema,
                           {"--file", FileWith("twins.csv", "ID,ID_PARENT,LEVEL,ABBREV,NAME\n"
                                                            "60,2,3,г.,ПОСЕЛОК\n61,2,3,г.,новое  "
                                                            "имя\n62,2,3,г.,Новый\n63,2,3,г.,"
                                                            "новый\n64,3,4,ул.,Новый\n")});
    ASSERT_EQ(twins.Code, QxvdbExit::Ok) << twins.Err.toStdString();
    EXPECT_TRUE(twins.Out.contains("added 5")) << twins.Out.toStdString();
    EXPECT_EQ(twins.Err.count("warning: "), 3) << twins.Err.toStdString();
    for (const char* warning :
         {"line 2: a place named \"ПОСЕЛОК\" already exists here: the place 50",
          "line 3: a place named \"новое  имя\" already exists here: the place 3",
          "line 5: a place named \"новый\" already exists here: line 4"})
        EXPECT_TRUE(twins.Err.contains(QString::fromUtf8(warning))) << twins.Err.toStdString();

    // An update that would hang a place below its own descendant is a cycle through the
    // database's rows.
    const QByteArray beforeCycle = Exported(FSchema);
    const TRun cycle =
        Cmd("import", FSchema,
            {"--file", FileWith("cycle.csv", "ID,ID_PARENT,LEVEL,ABBREV,NAME\n2,4,2,р-н,Район\n"),
             "--existing", "update"});
    EXPECT_EQ(cycle.Code, QxvdbExit::DataError);
    EXPECT_TRUE(cycle.Err.contains("line 2: the parent makes a cycle: 2 → 4 → 3 → 2"))
        << cycle.Err.toStdString();
    EXPECT_EQ(Exported(FSchema), beforeCycle);
}

// A server failure at any request of an import leaves the database as it was.
TEST_P(QxvdbOnEngine, AFailureAtAnyRequestKeepsNothingOfTheImport) {
    ASSERT_EQ(Cmd("init", FSchema).Code, QxvdbExit::Ok);
    QByteArray bytes = Written(Tree(12000), false);
    const auto db = OpenConnection(FConnectString);
    CountingConnection counting(*db);
    TRoutines calls(counting, FSchema);
    QTextStream quiet(stderr);
    TProgress progress(quiet, false);
    for (int n = 1;; ++n) {
        ASSERT_LT(n, 40) << "the import never succeeded";
        QBuffer file(&bytes);
        file.open(QIODevice::ReadOnly);
        TReadOutcome read = ReadPlaces(file, false);
        ASSERT_TRUE(read.Bad.empty());
        counting.FailNthRequest(n);
        TImportOptions options;
        options.CreateMissing = true;
        try {
            BeginImport(calls);
            const TImportOutcome done =
                ImportPlaces(calls, std::move(read.Rows), {}, options, progress);
            counting.Commit();
            EXPECT_TRUE(done.Bad.empty());
            EXPECT_EQ(done.Stats.Added, 12000);
            EXPECT_GT(n, 3);  // the reads, the dictionaries and the batches were all tried
            break;
        } catch (const EOraError& e) {
            counting.Rollback();
            EXPECT_EQ(e.ErrorCode(), 3113);
            EXPECT_EQ(Exported(FSchema), QByteArray("ID,ID_PARENT,LEVEL,ABBREV,NAME\n")) << n;
            EXPECT_EQ(DictionaryCounts(FSchema), std::make_pair(0LL, 0LL)) << n;
        }
    }
    counting.ClearFailures();
    EXPECT_EQ(Exported(FSchema), bytes);
}

// While another session moves a place (and holds the tree lock the move takes until it
// commits), an import waits for it, then gives up in words and changes nothing; a dry run
// reads on. Once the mover is done the import goes through.
TEST_P(QxvdbOnEngine, AnImportWaitsForTheTreeLockOrGivesUpCleanly) {
    ASSERT_EQ(Cmd("init", FSchema).Code, QxvdbExit::Ok);
    ASSERT_EQ(
        Cmd("import", FSchema, {"--file", FileWith("base.csv", kBase), "--create-missing"}).Code,
        QxvdbExit::Ok);
    const auto mover = OpenConnection(FConnectString);
    TRoutines moves(*mover, FSchema);
    mover->StartTransaction();
    ASSERT_EQ(
        moves.Result("QXVERPLOCAT", "UPD_T#LOCATION_ID_PARENT", {{"PID", 4}, {"PID_PARENT", 3}}),
        1);

    // A short wait: the embedded engine's busy timeout, PostgreSQL's lock_timeout.
    const QString impatient = FConnectString + (FConnectString.contains(u'?') ? u'&' : u'?') +
                              (IsSqlite() ? "timeout=200" : "options=-c%20lock_timeout%3D200");
    const QString file = FileWith("more.csv", "ID,ID_PARENT,LEVEL,ABBREV,NAME\n5,3,4,ул.,Новая\n");
    const auto import = [&](const QStringList& more = {}) {
        return RunTool(
            QStringList{"import", "--db", impatient, "--schema", FSchema, "--file", file} + more);
    };
    const QByteArray before = Exported(FSchema);
    const auto dictionaries = DictionaryCounts(FSchema);
    QElapsedTimer clock;
    clock.start();
    TRun r = import();
    EXPECT_GE(clock.elapsed(), 150) << "it waited for the lock";
    EXPECT_EQ(r.Code, QxvdbExit::DatabaseError) << r.Out.toStdString();
    EXPECT_TRUE(r.Err.contains("another session is changing the places") &&
                r.Err.contains("nothing was imported"))
        << r.Err.toStdString();
    EXPECT_EQ(Exported(FSchema), before);
    EXPECT_EQ(DictionaryCounts(FSchema), dictionaries);

    r = import({"--dry-run"});
    EXPECT_EQ(r.Code, QxvdbExit::Ok) << r.Err.toStdString();
    EXPECT_TRUE(r.Out.contains("would add 1")) << r.Out.toStdString();

    mover->Commit();
    r = import();
    EXPECT_EQ(r.Code, QxvdbExit::Ok) << r.Err.toStdString();
    EXPECT_TRUE(r.Out.contains("added 1")) << r.Out.toStdString();

    // The other way round: from the moment an import starts, before it has read or written
    // anything, a move waits for it and gives up after its wait.
    const auto importer = OpenConnection(FConnectString);
    TRoutines importing(*importer, FSchema);
    BeginImport(importing);
    const auto late = OpenConnection(impatient);
    TRoutines lateMoves(*late, FSchema);
    const auto move = [&] {
        return lateMoves.Result("QXVERPLOCAT", "UPD_T#LOCATION_ID_PARENT",
                                {{"PID", 5}, {"PID_PARENT", 3}});
    };
    EXPECT_EQ(CodeOf([&] { move(); }), 54);
    importer->Rollback();
    EXPECT_EQ(move(), 1) << "once the import is over, the move goes through";
}

// Places a file could not bring, written past the import's checks: empty-looking names,
// the copy's end-of-data mark, quotes, commas and line breaks in names and abbreviations.
TEST_P(QxvdbOnEngine, EveryWayOfExportingWritesTheWritersBytes) {
    ASSERT_EQ(Cmd("init", FSchema).Code, QxvdbExit::Ok);
    const QStringList names = kAwkwardNames + QStringList{QString(), " ",  "\\.", "NULL",
                                                          ",",       "\"", "\r",  "Ёж 𝄞🏔"};
    const QStringList abbrevs = {"a,\"b\"", "ё 🏔", "\\.", "x\ny"};
    std::vector<TPlaceRow> rows = PlaceTree(3000, [&](int i) { return names[i % names.size()]; });
    const auto db = OpenConnection(FConnectString);
    TRoutines calls(*db, FSchema);
    std::map<int, long long> types;
    TBulkRows places{FSchema, "LOCATION", {"ID", "ID_PARENT", "ID_LOCATTYPE", "NAME"}, "ID", {}};
    for (TPlaceRow& r : rows) {
        r.Abbrev = abbrevs[(r.Level - 1) % abbrevs.size()];
        places.Values.insert(places.Values.end(),
                             {r.Id, r.Parent > 0 ? QVariant(r.Parent) : QVariant(),
                              TypeOf(calls, types, r), r.Name});
    }
    db->InsertRows(places);
    const QByteArray expected = Written(rows, false);

    QByteArray streamed, paged;
    QBuffer streamTo(&streamed), pageTo(&paged);
    streamTo.open(QIODevice::WriteOnly);
    pageTo.open(QIODevice::WriteOnly);
    ExportPlacesCsv(calls, streamTo);
    WritePlaces(ExportPlaces(calls), false, pageTo);
    EXPECT_EQ(streamed, expected);
    EXPECT_EQ(paged, expected);
}

// A failure of the server at any request of an export, also in the middle of a copy, leaves
// the file as the last export that succeeded wrote it; a file that cannot take the places is
// named with the reason.
TEST_P(QxvdbOnEngine, AFailedExportLeavesTheFileAsItWas) {
    ASSERT_EQ(Cmd("init", FSchema).Code, QxvdbExit::Ok);
    const QByteArray bytes = Written(Tree(12000), false);
    ASSERT_EQ(
        Cmd("import", FSchema, {"--file", FileWith("places.csv", bytes), "--create-missing"}).Code,
        QxvdbExit::Ok);
    TempDir out;
    const QString path = out.FilePath("out.csv");
    const auto db = OpenConnection(FConnectString);
    CountingConnection counting(*db);
    TRoutines calls(counting, FSchema);
    QString errors;
    QTextStream err(&errors);
    for (const bool json : {false, true}) {
        const QByteArray before = "the export before\n";
        QFile earlier(path);
        ASSERT_TRUE(earlier.open(QIODevice::WriteOnly | QIODevice::Truncate));
        earlier.write(before);
        earlier.close();
        for (int n = 1;; ++n) {
            ASSERT_LT(n, 20) << "the export never succeeded";
            counting.FailNthRequest(n);
            try {
                ASSERT_EQ(ExportToFile(calls, path, json, err), QxvdbExit::Ok);
                break;
            } catch (const EOraError& e) {
                EXPECT_EQ(e.ErrorCode(), 3113);
                EXPECT_EQ(Bytes(path), before) << n;
                EXPECT_EQ(QDir(out.Path()).entryList(QDir::Files), QStringList{"out.csv"}) << n;
            }
        }
        EXPECT_GT(counting.FailuresThrown(), 0);
        counting.ClearFailures();
        if (!json) {
            EXPECT_EQ(Bytes(path), bytes);
        }
        EXPECT_EQ(Read(Bytes(path), json).Rows.size(), 12000u);
    }
    EXPECT_TRUE(errors.isEmpty()) << errors.toStdString();
    if (QFile::exists("/dev/full")) {
        EXPECT_EQ(ExportToFile(calls, "/dev/full", false, err), QxvdbExit::DataError);
        err.flush();
        EXPECT_TRUE(errors.startsWith("qxvdb: cannot write /dev/full: ")) << errors.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Engines, QxvdbOnEngine, ::testing::Values("sqlite", "postgresql"),
                         [](const auto& info) { return info.param.toStdString(); });

// A backup taken while the database is open elsewhere holds that moment of every file; put
// back over the open database, the other program sees it on its next call.
TEST(QxvdbBackup, ABackupTakenInUseRestoresThatMomentUnderAnOpenSession) {
    RegisterSqliteServer();
    TempDir temp;
    const QString db = "sqlite:" + temp.FilePath("places.db");
    const QString backup = temp.FilePath("places.backup");
    ASSERT_EQ(RunTool({"init", "--db", db, "--schema", "QXVBASE"}).Code, 0);
    ASSERT_EQ(RunTool({"demo", "--db", db, "--schema", "QXVBASE"}).Code, 0);
    const auto session = OpenConnection(db + "?user=QXVBASE");
    auto places = [&session] {
        return CountOf(*session, "SELECT COUNT(*) FROM \"qxvbase\".LOCATION");
    };
    const long long atBackup = places();
    ASSERT_GT(atBackup, 0);

    session->StartTransaction();  // a reader in the middle of its work does not hold it up
    places();
    const TRun taken = RunTool({"backup", "--db", db, "--file", backup});
    session->Commit();
    ASSERT_EQ(taken.Code, 0) << taken.Err.toStdString();
    // The main file, the directory's schema and the translators' schema that init makes.
    EXPECT_TRUE(taken.Out.contains("backed up 3 files")) << taken.Out.toStdString();

    auto renamed = [&session] {
        return CountOf(*session, "SELECT COUNT(*) FROM \"qxvbase\".LOCATION WHERE NAME = 'gone'");
    };
    session->Execute("UPDATE \"qxvbase\".LOCATION SET NAME = 'gone'", {});
    ASSERT_EQ(renamed(), atBackup);

    // Bad input first: what is not a backup is refused and nothing is written.
    QFile notABackup(temp.FilePath("places.csv"));
    ASSERT_TRUE(notABackup.open(QIODevice::WriteOnly));
    notABackup.write("ID,ID_PARENT\n1,\n");
    notABackup.close();
    for (const QString& bad : {notABackup.fileName(), temp.FilePath("missing.backup")}) {
        const TRun refused = RunTool({"restore", "--db", db, "--file", bad});
        EXPECT_EQ(refused.Code, QxvdbExit::DataError) << bad.toStdString();
        EXPECT_FALSE(refused.Err.isEmpty());
    }
    EXPECT_EQ(renamed(), atBackup);

    const TRun restored = RunTool({"restore", "--db", db, "--file", backup});
    ASSERT_EQ(restored.Code, 0) << restored.Err.toStdString();
    EXPECT_EQ(places(), atBackup);
    EXPECT_EQ(renamed(), 0);
    EXPECT_EQ(session->Query("PRAGMA \"qxvbase\".integrity_check", {}).Rows.at(0).at(0), "ok");

    // Into a new place as well, and only for embedded databases.
    const QString copy = "sqlite:" + temp.FilePath("copy/places.db");
    ASSERT_EQ(RunTool({"restore", "--db", copy, "--file", backup}).Code, 0);
    const TRun exported = RunTool({"export", "--db", copy, "--schema", "QXVBASE", "--file", "-"});
    EXPECT_EQ(exported.Code, 0);
    EXPECT_EQ(RunTool({"backup", "--db", "postgresql://u@127.0.0.1:1/x", "--file", backup}).Code,
              QxvdbExit::Usage);
}

long long PlacesIn(const QString& db, const QString& schema) {
    return CountOf(*OpenConnection(db),
                   QStringLiteral("SELECT COUNT(*) FROM \"%1\".LOCATION").arg(schema));
}

// The program itself, started by a shell that first runs `prelude` (a limit, another user).
TRun RunProgram(const QString& prelude, const QStringList& args) {
    QProcess process;
    process.start(QStringLiteral("bash"),
                  QStringList{QStringLiteral("-c"), prelude + QStringLiteral(" \"$@\""),
                              QStringLiteral("qxvdb"), QXVDB_PROGRAM} +
                      args);
    EXPECT_TRUE(process.waitForFinished(120000));
    TRun r;
    r.Code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    r.Out = QString::fromUtf8(process.readAllStandardOutput());
    r.Err = QString::fromUtf8(process.readAllStandardError());
    return r;
}

TEST(QxvdbBackup, ARestoreForASchemaTheBackupLacksIsRefusedNamingBothAndWritesNothing) {
    RegisterSqliteServer();
    TempDir temp;
    const QString from = QStringLiteral("sqlite:") + temp.FilePath("from.db");
    const QString into = temp.FilePath("into.db");
    const QString backup = temp.FilePath("from.backup");
    ASSERT_EQ(RunTool({"init", "--db", from, "--schema", "QXVBASE"}).Code, 0);
    ASSERT_EQ(RunTool({"backup", "--db", from, "--file", backup}).Code, 0);
    ASSERT_EQ(RunTool({"init", "--db", "sqlite:" + into, "--schema", "OTHER"}).Code, 0);
    ASSERT_EQ(RunTool({"demo", "--db", "sqlite:" + into, "--schema", "OTHER"}).Code, 0);
    const QByteArray main = Bytes(into), other = Bytes(into + ".other");

    const TRun r =
        RunTool({"restore", "--db", "sqlite:" + into, "--file", backup, "--schema", "OTHER"});
    EXPECT_EQ(r.Code, QxvdbExit::DataError);
    EXPECT_TRUE(r.Err.contains("QXVBASE") && r.Err.contains("OTHER") &&
                r.Err.contains("nothing was restored"))
        << r.Err.toStdString();
    EXPECT_EQ(Bytes(into), main);
    EXPECT_EQ(Bytes(into + ".other"), other);
    EXPECT_GT(PlacesIn("sqlite:" + into, "other"), 0);
}

// A write past the file-size limit would end the program with a signal; it must say the
// file is full and keep nothing of the import.
TEST(QxvdbLimits, AnImportPastTheFileSizeLimitSaysTheFileIsFullAndKeepsNothing) {
    RegisterSqliteServer();
    TempDir temp;
    const QString db = QStringLiteral("sqlite:") + temp.FilePath("limited.db");
    ASSERT_EQ(RunTool({"init", "--db", db, "--schema", "QXVBASE"}).Code, 0);
    const long long before = PlacesIn(db, "qxvbase");
    QFile csv(temp.FilePath("big.csv"));
    ASSERT_TRUE(csv.open(QIODevice::WriteOnly));
    csv.write("ID,ID_PARENT,LEVEL,ABBREV,NAME\n");
    const QByteArray name(200, 'n');
    for (int id = 1; id <= 40000; ++id) csv.write(QByteArray::number(id) + ",,1,x," + name + "\n");
    csv.close();
    qint64 largest = 0;
    for (const QFileInfo& file : QDir(temp.Path()).entryInfoList({"limited.db*"}, QDir::Files))
        largest = std::max(largest, file.size());

    const TRun r = RunProgram(QStringLiteral("ulimit -f %1 && exec").arg(largest / 1024 + 256),
                              {"import", "--db", db, "--schema", "QXVBASE", "--file",
                               csv.fileName(), "--create-missing"});
    EXPECT_EQ(r.Code, QxvdbExit::DatabaseError) << r.Err.toStdString();
    EXPECT_TRUE(r.Err.contains("the file or the disk is full") && r.Err.contains("ORA-01653"))
        << r.Err.toStdString();
    EXPECT_EQ(PlacesIn(db, "qxvbase"), before);
}

// The reading commands work on a database in a folder the user may not write to.
TEST(QxvdbReadOnly, ExportAndBackupReadADatabaseInAReadOnlyFolder) {
    RegisterSqliteServer();
    TempDir temp;
    const QString folder = temp.FilePath("ro"), out = temp.FilePath("out");
    ASSERT_TRUE(QDir().mkpath(folder) && QDir().mkpath(out));
    const QString db = QStringLiteral("sqlite:") + folder + "/places.db";
    ASSERT_EQ(RunTool({"init", "--db", db, "--schema", "QXVBASE"}).Code, 0);
    ASSERT_EQ(RunTool({"demo", "--db", db, "--schema", "QXVBASE"}).Code, 0);
    const long long places = PlacesIn(db, "qxvbase");
    const auto readable = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther | QFile::ExeOwner |
                          QFile::ExeGroup | QFile::ExeOther;
    for (const QFileInfo& file : QDir(folder).entryInfoList(QDir::Files))
        QFile::setPermissions(file.filePath(),
                              readable & ~(QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther));
    QFile::setPermissions(folder, readable);
    QFile::setPermissions(temp.Path(), readable | QFile::WriteOwner);
    QFile::setPermissions(out,
                          readable | QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther);
    // The superuser may write anywhere: the commands run as a user who may not.
    const QString asUser =
        ::geteuid() == 0 ? QStringLiteral("exec runuser -u nobody --") : QStringLiteral("exec");
    const TRun exported =
        RunProgram(asUser, {"export", "--db", db, "--schema", "QXVBASE", "--file", "-"});
    EXPECT_EQ(exported.Code, 0) << exported.Err.toStdString();
    EXPECT_EQ(exported.Out.count(u'\n'), places + 1);
    const TRun backup = RunProgram(asUser, {"backup", "--db", db, "--file", out + "/copy"});
    EXPECT_EQ(backup.Code, 0) << backup.Err.toStdString();
    QFile::setPermissions(folder, readable | QFile::WriteOwner);
    ASSERT_EQ(
        RunTool({"restore", "--db", "sqlite:" + out + "/back.db", "--file", out + "/copy"}).Code,
        0);
    EXPECT_EQ(PlacesIn("sqlite:" + out + "/back.db", "qxvbase"), places);
}

TEST(QxvdbArguments, ABadConnectionStringOrASchemaWithoutADirectorySaysWhatToDo) {
    RegisterSqliteServer();
    TempDir temp;
    const QString db = QStringLiteral("sqlite:") + temp.FilePath("places.db");
    ASSERT_EQ(RunTool({"init", "--db", db, "--schema", "QXVBASE"}).Code, 0);
    const struct {
        QStringList Args;
        const char* Says;
        const char* Code;
    } cases[] = {
        {{"export", "--db", "places.db", "--file", "-"},
         "cannot open the database \"places.db\": give --db sqlite:PATH or postgresql://",
         "(ORA-12154: "},
        {{"export", "--db", db, "--schema", "nope", "--file", "-"},
         "the schema NOPE holds no location directory: make one with qxvdb init --db ",
         "(ORA-00942: "},
    };
    for (const auto& c : cases) {
        const TRun r = RunTool(c.Args);
        EXPECT_EQ(r.Code, QxvdbExit::DatabaseError);
        EXPECT_TRUE(r.Err.startsWith(QStringLiteral("qxvdb: ") + c.Says)) << r.Err.toStdString();
        EXPECT_TRUE(r.Err.contains(c.Code)) << r.Err.toStdString();
    }
}

// A database made with the C locale folds only ASCII by itself; the search by name folds
// Cyrillic and "ё" on it all the same.
TEST(QxvdbPostgres, TheSearchFoldsCyrillicOnADatabaseOfTheCLocale) {
    const QString dsn = PgDsnOrSkip();
    QXV_REQUIRE_PG(dsn);
    const QString name = QStringLiteral("qxv_c_%1")
                             .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
    const auto psql = [&dsn](const QString& sql) {
        QProcess p;
        p.start(QStringLiteral("psql"), {dsn, "-v", "ON_ERROR_STOP=1", "-qc", sql});
        return p.waitForFinished(60000) && p.exitCode() == 0;
    };
    ASSERT_TRUE(psql(QStringLiteral("CREATE DATABASE %1 TEMPLATE template0 ENCODING 'UTF8' "
                                    "LOCALE 'C'")
                         .arg(name)));
    QUrl url(dsn);
    url.setPath(u'/' + name);
    const QString db = url.toString();
    EXPECT_EQ(RunTool({"init", "--db", db, "--schema", "qxvbase"}).Code, 0);
    EXPECT_EQ(RunTool({"demo", "--db", db, "--schema", "qxvbase"}).Code, 0);
    for (const QString& text : {QStringLiteral("озерки"), QStringLiteral("ОЗЁРКИ")}) {
        const TRowSet hits = OpenConnection(db)->Query(
            QStringLiteral("SELECT \"NAME\" FROM qxvbase.\"QXVERPLOCAT.FIND_T#LOCATION\"(:T)"),
            {{"T", text}});
        ASSERT_FALSE(hits.Rows.empty()) << text.toStdString();
        EXPECT_EQ(hits.Rows.at(0).at(0).toString(), QStringLiteral("Озёрки"));
    }
    EXPECT_TRUE(psql(QStringLiteral("DROP DATABASE %1").arg(name)));
}

}  // namespace
