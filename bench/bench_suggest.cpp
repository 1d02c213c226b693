// One keystroke's suggestions in a generated directory of 1,350,000 places (--places=N for
// a quick run): many namesakes, long and short names, Cyrillic and Latin, a name per
// language on some. On each engine, for several texts: the floor (the engine's own C API on
// one statement that reads the same 20 places from the index of name words, a level at a
// time, with their paths) and SUGGEST_T#LOCATION through IDbConnection::Call. Both answers
// are compared before the measurements: the same ids with the same paths in the same order,
// or the run stops. PostgreSQL runs when QXV_PG_DSN names a server; --engine=NAME runs one.

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <array>
#include <cstdio>
#include <memory>
#include <stdexcept>

#include "Arguments.h"
#include "Floor.h"
#include "PlaceWords.h"
#include "Platform/Data/DbBackend.h"
#include "Ratios.h"
#include "RoutineVsFloor.h"
#include "Server/ServerInstall.h"
#include "Server/sqlite/SqliteServer.h"
#include "Server/sqlite/SqliteServerImpl.h"
#include "Tool.h"
#include "Tools/qxvdb/Records.h"
#include "WideNode.h"
#include "support/PlaceTree.h"

namespace {

constexpr int kLimit = 20;
const QString kSeparator = QStringLiteral(". ");

// Names as a national registry has them: roots shared by thousands of villages, prefixes,
// two- and three-word names, short ones, long ones, Latin ones, numbered ones.
QString PlaceName(int i) {
    static const std::array<const char*, 8> words = {"Александровка", "Михайловка", "Ивановка",
                                                     "Николаевка",    "Покровка",   "Никольское",
                                                     "Сосновка",      "Каменка"};
    static const std::array<const char*, 6> shorts = {"Ия", "Ом", "Уя", "Юг", "Бор", "Ик"};
    if (i % 100000 == 777) return QStringLiteral("Тмутаракань");  // a dozen in the registry
    const size_t a = static_cast<size_t>(i / 10), b = static_cast<size_t>(i / 130);
    switch (i % 10) {
        case 5:
            return QString::fromUtf8(words[a % 8]);  // namesakes by the thousand
        case 6:
            return QStringLiteral("Новая ") + QString::fromUtf8(words[b % 8]);
        case 7:
            return QString::fromUtf8(shorts[a % 6]);
        case 8:
            return QString::fromLatin1(kLatinNames[a % 8]) +
                   (a % 3 ? QString() : QStringLiteral(" Park"));
        case 9:
            return QString::fromUtf8(kNamePrefixes[a % 12]) +
                   QString::fromUtf8(kNameRoots[b % 16]) +
                   QStringLiteral(" имени Героев Социалистического Труда ") +
                   QString::number(a % 97);
        default:
            return QString::fromUtf8(kNamePrefixes[a % 12]) + QString::fromUtf8(kNameRoots[b % 16]);
    }
}

struct TText {
    const char* Label;  // ASCII, for the benchmark's name
    QString Text;
};

// Two letters that start a hundred thousand names, a root thousands of villages share whole
// (exact names first), a second word, a Latin prefix, a rare name (too few to fill the list).
std::vector<TText> Texts() {
    return {{"two letters", QStringLiteral("но")},
            {"namesakes", QStringLiteral("Михайловка")},
            {"second word", QStringLiteral("никол")},
            {"latin", QStringLiteral("spr")},
            {"rare", QStringLiteral("тмутар")}};
}

// The floor: the levels' index ranges in one statement, exact names first, 20 rows each at
// most, the first 20 in that order, walked up to the top with their paths. `levels` are the
// levels the directory has.
QString FloorSql(bool sqlite, const QString& schema, const std::vector<int>& levels) {
    const QString s = QuotedSchemaName(schema);
    const QString k = sqlite ? QStringLiteral("?1") : QStringLiteral("$1");
    const QString hi = sqlite ? QStringLiteral("?1 || char(1114111)") : QStringLiteral("$4");
    const QString n = sqlite ? QStringLiteral("?3") : QStringLiteral("$3::integer");
    const QString whole = sqlite ? QStringLiteral("1") : QStringLiteral("true");
    QStringList branches;
    int b = 0;
    for (const bool exact : {true, false})
        for (const int level : levels)
            branches
                << QStringLiteral(
                       "SELECT * FROM (SELECT %1 AS b, w.word_key, w.whole, w.id_location "
                       "FROM %2.location_word w WHERE w.level_no = %3 AND %4 "
                       "ORDER BY w.word_key, w.whole, w.id_location LIMIT %5) x%1")
                       .arg(QString::number(b++), s, QString::number(level),
                            exact ? QStringLiteral("w.word_key = %1 AND w.whole = %2").arg(k, whole)
                                  : QStringLiteral("w.word_key >= %1 AND w.word_key < %2 AND "
                                                   "NOT (w.word_key = %1 AND w.whole = %3)")
                                        .arg(k, hi, whole),
                            n);
    const QString caption = sqlite ? QStringLiteral(
                                         "CASE WHEN coalesce(a.sname, '') = '' THEN %1.name WHEN "
                                         "substr(a.sname, -1) = '.' AND substr(?2, 1, 1) = '.' "
                                         "THEN a.sname || substr(?2, 2) || %1.name ELSE a.sname || "
                                         "?2 || %1.name END")
                                   : QStringLiteral(
                                         "CASE WHEN coalesce(a.sname, '') = '' THEN %1.name::text "
                                         "WHEN right(a.sname, 1) = '.' AND left($2, 1) = '.' THEN "
                                         "a.sname || substr($2, 2) || %1.name ELSE a.sname || $2 "
                                         "|| %1.name END");
    return QStringLiteral(
               "WITH RECURSIVE hit AS (SELECT h.id_location AS id, h.o FROM (SELECT id_location, "
               "row_number() OVER (ORDER BY b, word_key, whole, id_location) AS o FROM (%1) u) h "
               "ORDER BY h.o LIMIT %2),"
               " up(id, o, next, path) AS (SELECT l.id, hit.o, l.id_parent, %3 FROM hit"
               " JOIN %4.location l ON l.id = hit.id JOIN %4.locattype t ON t.id = l.id_locattype"
               " JOIN %4.locatabbrev a ON a.id = t.id_abbrev"
               " UNION ALL SELECT up.id, up.o, p.id_parent, %5 || '\\' || up.path FROM up"
               " JOIN %4.location p ON p.id = up.next JOIN %4.locattype t ON t.id = p.id_locattype"
               " JOIN %4.locatabbrev a ON a.id = t.id_abbrev)"
               " SELECT id, path FROM up WHERE next IS NULL ORDER BY o")
        .arg(branches.join(QStringLiteral(" UNION ALL ")), n, caption.arg(QLatin1Char('l')), s,
             caption.arg(QLatin1Char('p')));
}

std::vector<int> Levels(TEngine& e) {
    std::vector<int> levels;
    for (const TRowView row :
         e.Db->Query(QStringLiteral("SELECT DISTINCT level_no FROM %1.locattype ORDER BY 1")
                         .arg(QuotedSchemaName(e.Schema)),
                     {})
             .Rows)
        levels.push_back(row[0].toInt());
    return levels;
}

THitCase MakeCase(THitEngine& s, const TText& t, const std::vector<int>& levels) {
    const bool sqlite = s.Engine->Name == "sqlite";
    const QString key = SqliteServer::SearchKey(t.Text);
    THitCase c;
    c.Name = s.Engine->Name + '/' + t.Label;
    c.FloorSql = FloorSql(sqlite, s.Engine->Schema, levels);
    c.FloorParams = {key.toStdString(), kSeparator.toStdString(), std::to_string(kLimit)};
    if (!sqlite) c.FloorParams.push_back((key + QChar(0xDBFF) + QChar(0xDFFF)).toStdString());
    c.Inputs = {
        {"PTEXT", t.Text}, {"PLIMIT", kLimit}, {"PSEPARATOR", kSeparator}, {"PFIRST", QVariant()}};
    s.CheckSame(c);
    return c;
}

}  // namespace

int main(int argc, char** argv) {
    const int places = TakeCount(argc, argv, "--places=", 1350000);
    const std::string only = TakeText(argc, argv, "--engine=", std::string());  // else both
    QCoreApplication app(argc, argv);
    RegisterSqliteServer();
    QTemporaryDir dir;
    QString csv;
    {  // the rows go once written
        std::vector<TPlaceRow> rows = PlaceTree(places, PlaceName);
        // Every twentieth place has an English name of its own.
        for (TPlaceRow& r : rows)
            if (r.Id % 20 == 3)
                r.Names = {{QStringLiteral("EN"), QStringLiteral("Place %1").arg(r.Id)}};
        csv = WritePlacesCsv(dir.path(), rows);
    }
    std::vector<std::unique_ptr<TEngine>> engines;
    std::vector<std::unique_ptr<THitEngine>> suggests;
    std::vector<TRatioReporter::TRatio> ratios;
    try {
        engines = OpenEngines(dir.path(), only);
        for (auto& e : engines) {
            LoadWithTool(*e, csv, QStringLiteral("location_word"));
            auto& s =
                *suggests.emplace_back(std::make_unique<THitEngine>(*e, "SUGGEST_T#LOCATION"));
            const std::vector<int> levels = Levels(*e);
            for (const TText& t : Texts()) s.Add(MakeCase(s, t, levels), t.Text, "places");
            s.Register("raw indexed prefix select (floor)", ratios);
        }
    } catch (const std::exception& e) {  // EOraError among them
        std::fprintf(stderr, "bench setup failed: %s\n", e.what());
        DropSchemas(engines);
        return 1;
    }
    RunWithRatios(argc, argv, ratios);
    suggests.clear();
    DropSchemas(engines);
    return 0;
}
