// The search by name, and by a place's code, in a generated directory of 200,000 places, each
// with a code (--places=N for a quick run),
// on each engine for several texts in one run: the floor (the engine's own C API on the plain
// indexed SQL that yields the same hits with their paths, ranked, ordered and limited) and
// FIND_T#LOCATION through IDbConnection::Call. Before the measurements both answers are
// compared: the same ids with the same paths in the same order, or the run stops. PostgreSQL
// runs when QXV_PG_DSN names a server; --engine=NAME runs one.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <array>
#include <cstdio>
#include <limits>
#include <memory>
#include <stdexcept>

#include "Arguments.h"
#include "Floor.h"
#include "PlaceWords.h"
#include "Platform/Data/DbBackend.h"
#include "Platform/Data/EOraError.h"
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

constexpr int kLimit = 100;
const QString kSeparator = QStringLiteral(". ");

// Names as a directory of villages and towns has them: a prefix and a root in most, a root
// alone, two words, a few Latin ones, numbered ones; one rare name five times in 200,000.
QString PlaceName(int i) {
    static const std::array<const char*, 8> twoWords = {
        "Старые Ёлки", "Новое Село",   "Красная Горка",  "Малые Озёрки",
        "Большой Бор", "Верхние Луга", "Нижняя Дубрава", "Белый Ключ"};
    if (i % 40000 == 777) return QStringLiteral("Тмутаракань");
    const QString prefix = QString::fromUtf8(kNamePrefixes[static_cast<size_t>(i / 10) % 12]);
    const QString root = QString::fromUtf8(kNameRoots[static_cast<size_t>(i / 120) % 16]);
    switch (i % 10) {
        case 6:
            return root.left(1).toUpper() + root.mid(1);
        case 7:
            return QString::fromUtf8(twoWords[static_cast<size_t>(i / 10) % 8]);
        case 8:
            return QString::fromLatin1(kLatinNames[static_cast<size_t>(i / 10) % 8]);
        case 9:
            return prefix + root + u'-' + QString::number(i / 10 % 9 + 1);
        default:
            return prefix + root;
    }
}

struct TText {
    const char* Label;  // ASCII, for the benchmark's name
    QString Text;
};

// Every place has a code of this kind, "X" and its id; the floor's statement takes it as its
// fourth parameter.
const QString kCodeKind = QStringLiteral("EXTERNAL");

// A short prefix of thousands of names, a rare whole name (too few to fill the answer, so the
// scan runs), a text found only inside names, one written with "ё", a place's code (of one
// halfway down the directory).
std::vector<TText> Texts(int places) {
    return {{"common prefix", QStringLiteral("Ново")},
            {"rare name", QStringLiteral("Тмутаракань")},
            {"inside only", QStringLiteral("ольск")},
            {"with yo", QStringLiteral("ёлк")},
            {"exact code", QStringLiteral("X%1").arg(places / 2 + 7)}};
}

// How the floor finds its hits: by the index range on the name's key, by a scan of every key,
// or by the index on the codes.
enum class TMatch { Prefix, Inside, Code };

bool IsCode(const TText& t) { return t.Text.startsWith(u'X'); }

// The floor's statement: hits with their captions, walked up to the top with the path built
// on the way, ranked and ordered as the routine orders. `prefix` chooses the index range on
// the key; otherwise every key is scanned for the text.
QString SqliteFloorSql(const QString& schema, TMatch match) {
    const QString caption = QStringLiteral(
        "CASE WHEN coalesce(a.sname, '') = '' THEN %1.name WHEN substr(a.sname, -1) = '.' AND "
        "substr(?2, 1, 1) = '.' THEN a.sname || substr(?2, 2) || %1.name ELSE a.sname || ?2 || "
        "%1.name END");
    return QStringLiteral(
               "WITH RECURSIVE up(hit, next, path) AS ("
               " SELECT l.id, l.id_parent, %2 FROM %1.location l"
               " JOIN %1.locattype t ON t.id = l.id_locattype"
               " JOIN %1.locatabbrev a ON a.id = t.id_abbrev WHERE %4"
               " UNION ALL"
               " SELECT up.hit, p.id_parent, %3 || '\\' || up.path FROM up"
               " JOIN %1.location p ON p.id = up.next"
               " JOIN %1.locattype t ON t.id = p.id_locattype"
               " JOIN %1.locatabbrev a ON a.id = t.id_abbrev)"
               " SELECT up.hit, up.path FROM up JOIN %1.location l ON l.id = up.hit"
               " WHERE up.next IS NULL ORDER BY"
               " CASE WHEN l.name_key = ?1 THEN 0"
               " WHEN substr(l.name_key, 1, length(?1)) = ?1 THEN 1"
               " WHEN instr(' ' || replace(replace(replace(replace(replace(replace(replace("
               "replace(replace(l.name_key, '-', ' '), '(', ' '), ')', ' '), '.', ' '), ',', ' '),"
               " '/', ' '), '\"', ' '), '«', ' '), '»', ' '), ' ' || ?1) > 0 THEN 2 ELSE 3 END,"
               " up.path, up.hit LIMIT ?3")
        .arg(QuotedSchemaName(schema), caption.arg(QLatin1Char('l')), caption.arg(QLatin1Char('p')),
             match == TMatch::Prefix
                 ? QStringLiteral("l.name_key >= ?1 AND l.name_key < ?1 || char(1114111)")
             : match == TMatch::Inside
                 ? QStringLiteral("instr(l.name_key, ?1) > 0")
                 : QStringLiteral(
                       "l.id IN (SELECT id_location FROM %1.location_code WHERE code = ?4)")
                       .arg(QuotedSchemaName(schema)));
}

// The same on PostgreSQL; $4 is the key as a LIKE pattern, for the index on the key. Its
// planner guesses the rows of the walk up, and a wrong guess (a scan's hits are guessed at a
// third of the table) joins the whole table at every step; `lookup` makes each step one index
// lookup a row instead.
QString PostgresFloorSql(const QString& schema, TMatch match, bool lookup) {
    const QString caption = QStringLiteral(
        "CASE WHEN coalesce(a.sname, '') = '' THEN %1.name::text WHEN right(a.sname, 1) = '.' "
        "AND left($2, 1) = '.' THEN a.sname || substr($2, 2) || %1.name ELSE a.sname || $2 || "
        "%1.name END");
    const QString captions = QStringLiteral(
        " JOIN %1.locattype t ON t.id = %2.id_locattype JOIN %1.locatabbrev a ON a.id = "
        "t.id_abbrev");
    const QString s = QuotedSchemaName(schema);
    const QString step =
        lookup ? QStringLiteral(
                     " SELECT up.hit, p.id_parent, p.caption || '\\' || up.path FROM up"
                     " CROSS JOIN LATERAL (SELECT p.id_parent, %2 AS caption"
                     " FROM %1.location p%3 WHERE p.id = up.next LIMIT 1) p")
                     .arg(s, caption.arg(QLatin1Char('p')), captions.arg(s, QStringLiteral("p")))
               : QStringLiteral(
                     " SELECT up.hit, p.id_parent, %2 || '\\' || up.path FROM up"
                     " JOIN %1.location p ON p.id = up.next%3")
                     .arg(s, caption.arg(QLatin1Char('p')), captions.arg(s, QStringLiteral("p")));
    return QStringLiteral(
               "WITH RECURSIVE up(hit, next, path) AS ("
               " SELECT l.id, l.id_parent, %2 FROM %1.location l%3 WHERE %4"
               " UNION ALL%5)"
               " SELECT up.hit, up.path FROM up JOIN %1.location l ON l.id = up.hit"
               " WHERE up.next IS NULL ORDER BY"
               " CASE WHEN l.name_key = $1 THEN 0 WHEN l.name_key LIKE $4 THEN 1"
               " WHEN strpos(' ' || translate(l.name_key, '-().,/\"«»', '         '), ' ' || $1)"
               " > 0 THEN 2 ELSE 3 END, up.path COLLATE \"C\", up.hit LIMIT $3")
        .arg(s, caption.arg(QLatin1Char('l')), captions.arg(s, QStringLiteral("l")),
             match == TMatch::Prefix ? QStringLiteral("l.name_key LIKE $4")
             : match == TMatch::Inside
                 ? QStringLiteral("strpos(l.name_key, $1) > 0")
                 : QStringLiteral(
                       "l.id IN (SELECT id_location FROM %1.location_code WHERE code = $4)")
                       .arg(s),
             step);
}

// Of two forms of the floor's statement, the one that runs faster (best of three runs each).
QString Faster(THitEngine& s, const std::array<QString, 2>& forms,
               const std::vector<std::string>& params) {
    std::array<qint64, 2> best = {};
    for (size_t f = 0; f < forms.size(); ++f) {
        best[f] = std::numeric_limits<qint64>::max();
        for (int run = 0; run < 3; ++run) {
            QElapsedTimer timer;
            timer.start();
            s.Floor.Hits(forms[f], params);
            best[f] = std::min(best[f], timer.nsecsElapsed());
        }
    }
    return forms[best[1] < best[0] ? 1 : 0];
}

// The case of a text: the floor takes the index range when the names that begin with the text
// fill the answer, as the routine does, and the scan otherwise; on PostgreSQL the faster of
// its two forms.
THitCase MakeCase(THitEngine& s, const TText& t) {
    const TEngine& e = *s.Engine;
    const bool sqlite = e.Name == "sqlite";
    const QString key = SqliteServer::SearchKey(t.Text);
    QString pattern = key;
    pattern.replace(u'\\', QLatin1String("\\\\"))
        .replace(u'%', QLatin1String("\\%"))
        .replace(u'_', QLatin1String("\\_"));
    THitCase c;
    c.Name = e.Name + '/' + t.Label;
    // The fourth parameter: the code, or on PostgreSQL the key as a LIKE pattern.
    c.FloorParams = {key.toStdString(), kSeparator.toStdString(), std::to_string(kLimit)};
    if (IsCode(t))
        c.FloorParams.push_back(t.Text.toStdString());
    else if (!sqlite)
        c.FloorParams.push_back((pattern + u'%').toStdString());
    c.Inputs = {{"PTEXT", t.Text}, {"PLIMIT", kLimit}, {"PSEPARATOR", kSeparator}};
    const auto prefix = [&] {
        return s.Floor
                   .Hits(sqlite ? SqliteFloorSql(e.Schema, TMatch::Prefix)
                                : PostgresFloorSql(e.Schema, TMatch::Prefix, true),
                         c.FloorParams)
                   .size() >= size_t(kLimit);
    };
    const TMatch match = IsCode(t) ? TMatch::Code : prefix() ? TMatch::Prefix : TMatch::Inside;
    if (sqlite)
        c.FloorSql = SqliteFloorSql(e.Schema, match);
    else
        c.FloorSql = Faster(
            s, {PostgresFloorSql(e.Schema, match, false), PostgresFloorSql(e.Schema, match, true)},
            c.FloorParams);
    s.CheckSame(c);
    return c;
}

}  // namespace

int main(int argc, char** argv) {
    const int places = TakeCount(argc, argv, "--places=", 200000);
    const std::string only = TakeText(argc, argv, "--engine=", std::string());  // else both
    QCoreApplication app(argc, argv);
    RegisterSqliteServer();
    QTemporaryDir dir;
    QString csv;
    {  // the rows go once written
        std::vector<TPlaceRow> rows = PlaceTree(places, PlaceName);
        for (TPlaceRow& r : rows) r.Codes = {{kCodeKind, QStringLiteral("X%1").arg(r.Id)}};
        csv = WritePlacesCsv(dir.path(), rows);
    }
    std::vector<std::unique_ptr<TEngine>> engines;
    std::vector<std::unique_ptr<THitEngine>> searches;
    std::vector<TRatioReporter::TRatio> ratios;
    try {
        engines = OpenEngines(dir.path(), only);
        for (auto& e : engines) {
            LoadWithTool(*e, csv, QStringLiteral("location"));
            auto& s = *searches.emplace_back(std::make_unique<THitEngine>(*e, "FIND_T#LOCATION"));
            for (const TText& t : Texts(places)) s.Add(MakeCase(s, t), t.Text, "hits");
            s.Register("raw indexed query (floor)", ratios);
        }
    } catch (const std::exception& e) {  // EOraError among them
        std::fprintf(stderr, "bench setup failed: %s\n", e.what());
        DropSchemas(engines);
        return 1;
    }
    RunWithRatios(argc, argv, ratios);
    searches.clear();
    DropSchemas(engines);
    return 0;
}
