// SUGGEST_T#LOCATION of package QXVERPLOCAT on the embedded server: the few places a text
// typed so far names, and the index of name words that finds them.
//
// Every key a place is found by (its name, its names per language, its codes, and each of
// those from the start of each further word) is a row of LOCATION_WORD under the place's
// level. A suggestion walks that index a level at a time, the top levels first, and stops
// at the rows it returns: a text that starts a million names costs what one that starts
// twenty does.

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSet>

#include <algorithm>

#include "Platform/PlaceCaption.h"
#include "Server/sqlite/SqliteServerImpl.h"

namespace SqliteServer {

namespace {

using Ctx = TSqliteRoutineContext;
using TF = TFieldType;

constexpr int kDefaultLimit = 20;
constexpr int kMaxLimit = 100;

// The keys of the places the conditions pick (%2 of the places, %3 of their names, %4 of
// their codes, %5 of the places merged into them), split into words; codes whole. WHOLE is 1
// for a whole name or code: the text equal to it is an exact hit.
const char* const kWordsOf =
    "INSERT OR IGNORE INTO %1LOCATION_WORD (WORD_KEY, LEVEL_NO, WHOLE, ID_LOCATION) "
    "SELECT W.value, T.LEVEL_NO, W.key = 0, K.ID FROM ("
    "SELECT ID, ID_LOCATTYPE, replace(lower(NAME), 'ё', 'е') AS KEY, 0 AS IS_CODE "
    "FROM %1LOCATION WHERE %2 "
    "UNION SELECT L.ID, L.ID_LOCATTYPE, replace(lower(N.NAME), 'ё', 'е'), 0 "
    "FROM %1LOCATION_NAME N JOIN %1LOCATION L ON L.ID = N.ID_LOCATION WHERE %3 "
    "UNION SELECT L.ID, L.ID_LOCATTYPE, lower(C.CODE), 1 "
    "FROM %1LOCATION_CODE C JOIN %1LOCATION L ON L.ID = C.ID_LOCATION WHERE %4 "
    "UNION SELECT L.ID, L.ID_LOCATTYPE, R.NAME_KEY, 0 "
    "FROM %1LOCATION_REDIRECT R JOIN %1LOCATION L ON L.ID = R.ID_TARGET "
    "WHERE R.NAME_KEY IS NOT NULL AND %5) K "
    "JOIN %1LOCATTYPE T ON T.ID = K.ID_LOCATTYPE, json_each(SEARCH_WORDS(K.KEY)) W "
    "WHERE K.IS_CODE = 0 OR W.key = 0; ";

// The words of every place, for a schema that had none.
QString AllWords(const QString& schema) {
    const QString all = QStringLiteral("1 = 1");
    return QString::fromUtf8(kWordsOf).arg(SchemaIdent(schema) + u'.', all, all, all, all);
}

// A trigger body that makes the words of one place (`id`, NEW.ID or OLD.ID_LOCATION …) again.
QString RefreshWords(const QString& id) {
    return QStringLiteral("DELETE FROM LOCATION_WORD WHERE ID_LOCATION = %1; ").arg(id) +
           QString::fromUtf8(kWordsOf).arg(
               QString(), QStringLiteral("ID = ") + id, QStringLiteral("N.ID_LOCATION = ") + id,
               QStringLiteral("C.ID_LOCATION = ") + id, QStringLiteral("R.ID_TARGET = ") + id);
}

const char* const kLevels = "SELECT DISTINCT LEVEL_NO FROM {S}.LOCATTYPE ORDER BY LEVEL_NO";

const char* const kExactAt =
    "SELECT ID_LOCATION FROM {S}.LOCATION_WORD WHERE LEVEL_NO = :L AND WORD_KEY = :K "
    "AND WHOLE = 1 ORDER BY ID_LOCATION LIMIT :N";

const char* const kBeginningAt =
    "SELECT ID_LOCATION FROM {S}.LOCATION_WORD WHERE LEVEL_NO = :L AND WORD_KEY >= :K "
    "AND WORD_KEY < :K || char(1114111) ORDER BY WORD_KEY, WHOLE, ID_LOCATION LIMIT :N";

const char* const kPinned =
    "SELECT DISTINCT ID_LOCATION FROM {S}.LOCATION_WORD WHERE ID_LOCATION IN "
    "(SELECT value FROM json_each(:IDS)) AND WORD_KEY >= :K AND WORD_KEY < :K || char(1114111)";

// The hits and every place above them, each hit's chain from the top down.
const char* const kChains =
    "WITH RECURSIVE UP (HIT, ID, DEPTH) AS (SELECT value, value, 0 FROM json_each(:IDS) "
    "UNION ALL SELECT UP.HIT, L.ID_PARENT, UP.DEPTH + 1 FROM UP JOIN {S}.LOCATION L "
    "ON L.ID = UP.ID WHERE L.ID_PARENT IS NOT NULL AND UP.DEPTH < 10000) "
    "SELECT UP.HIT, UP.DEPTH, L.ID_PARENT, COALESCE(N.NAME, L.NAME), A.SNAME, A.NAME, T.LEVEL_NO "
    "FROM UP JOIN {S}.LOCATION L ON L.ID = UP.ID "
    "JOIN {S}.LOCATTYPE T ON T.ID = L.ID_LOCATTYPE JOIN {S}.LOCATABBREV A ON A.ID = T.ID_ABBREV "
    "LEFT JOIN {S}.LOCATION_NAME N ON N.ID_LOCATION = L.ID AND N.LANG = :LANG "
    "ORDER BY UP.HIT, UP.DEPTH DESC";

QString JsonIds(const QList<long long>& ids) {
    QJsonArray array;
    for (const long long id : ids) array.append(id);
    return QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Compact));
}

// Collects distinct places in the order found, up to the limit.
class THits {
public:
    explicit THits(int limit) : FLimit(limit) {}
    bool Full() const { return FIds.size() >= FLimit; }
    int Wanted() const { return static_cast<int>(FLimit - FIds.size()); }
    void Add(const QVariant& id) {
        if (!Full() && !FSeen.contains(id.toLongLong())) {
            FSeen.insert(id.toLongLong());
            FIds.append(id.toLongLong());
        }
    }
    const QList<long long>& Ids() const { return FIds; }

private:
    qsizetype FLimit;
    QList<long long> FIds;
    QSet<long long> FSeen;
};

// Adds the rows of one level's statement; a place found by several of its words comes back
// more than once, so a short batch is read again with room for them.
void AddLevel(Ctx& ctx, const QString& sql, std::vector<TBoundValue> params, THits& hits) {
    for (int room = hits.Wanted(); !hits.Full(); room *= 4) {
        params.back() = {"N", room};
        const TRowSet rows = ctx.Query(sql, params);
        for (const auto& row : rows.Rows) hits.Add(row[0]);
        if (static_cast<int>(rows.Rows.size()) < room) return;
    }
}

QList<long long> PinnedIds(const QString& text) {
    QList<long long> ids;
    for (const QString& part : text.split(u',', Qt::SkipEmptyParts)) {
        bool ok = false;
        const long long id = part.trimmed().toLongLong(&ok);
        if (ok) ids.append(id);
    }
    return ids;
}

void AddPinned(Ctx& ctx, const QString& s, const QString& key, const QString& pinned, THits& hits) {
    const QList<long long> ids = PinnedIds(pinned);
    if (ids.isEmpty()) return;
    QSet<long long> matching;
    for (const auto& row : ctx.Query(Sql(s, kPinned), {{"IDS", JsonIds(ids)}, {"K", key}}).Rows)
        matching.insert(row[0].toLongLong());
    for (const long long id : ids)
        if (matching.contains(id)) hits.Add(id);
}

THits Ranked(Ctx& ctx, const QString& s, const QString& key, const QString& pinned, int limit) {
    THits hits(limit);
    AddPinned(ctx, s, key, pinned, hits);
    std::vector<long long> levels;
    for (const auto& row : ctx.Query(Sql(s, kLevels), {}).Rows)
        levels.push_back(row[0].toLongLong());
    for (const char* sql : {kExactAt, kBeginningAt})
        for (const long long level : levels) {
            if (hits.Full()) return hits;
            AddLevel(ctx, Sql(s, sql), {{"L", level}, {"K", key}, {"N", 0}}, hits);
        }
    return hits;
}

TCallResult SuggestLocation(Ctx& ctx, const QString& s, const TSqliteInputs& in) {
    TRowSet out;
    out.Columns = {{"ID", TF::Integer},          {"NAME", TF::String},
                   {"ABBREV_SNAME", TF::String}, {"ABBREV_NAME", TF::String},
                   {"LEVEL#", TF::Integer},      {"ID_PARENT", TF::Integer},
                   {"PATH", TF::String}};
    const QString key = SearchKey(in.Text("PTEXT"));
    if (key.isEmpty()) return Rows(std::move(out), {});
    const int limit = static_cast<int>(
        std::clamp<long long>(in.Int("PLIMIT").value_or(kDefaultLimit), 1, kMaxLimit));
    const QString separator =
        in.IsNull("PSEPARATOR") ? QStringLiteral(". ") : in.Text("PSEPARATOR");
    const QList<long long> ids = Ranked(ctx, s, key, in.Text("PFIRST"), limit).Ids();
    if (ids.isEmpty()) return Rows(std::move(out), {});

    QHash<long long, std::vector<QVariant>> rows;
    for (const auto& r :
         ctx.Query(Sql(s, kChains), {{"IDS", JsonIds(ids)}, {"LANG", NameLanguage(ctx, s)}}).Rows) {
        const QString caption = PlaceCaption(r[4].toString(), separator, r[3].toString());
        auto& row = rows[r[0].toLongLong()];
        if (row.empty())
            row = {r[0], QVariant(), QVariant(), QVariant(), QVariant(), QVariant(), QString()};
        QString path = row[6].toString();
        row[6] = path.isEmpty() ? caption : path + u'\\' + caption;
        if (r[1].toLongLong() == 0) {
            row[1] = r[3];
            row[2] = r[4];
            row[3] = r[5];
            row[4] = r[6];
            row[5] = r[2];
        }
    }
    for (const long long id : ids)
        if (rows.contains(id)) out.Rows.push_back(rows.value(id));
    return Rows(std::move(out), {});
}

}  // namespace

void InstallNameWords(IDbConnection& db, const QString& schema) {
    const bool made = !db.Query(Sql(schema,
                                    "SELECT 1 FROM {S}.sqlite_master WHERE type = 'table' AND "
                                    "name = 'LOCATION_WORD'"),
                                {})
                           .Rows.empty();
    for (const char* ddl :
         {"CREATE TABLE IF NOT EXISTS {S}.LOCATION_WORD (LEVEL_NO INTEGER NOT NULL, WORD_KEY "
          "TEXT NOT NULL, WHOLE INTEGER NOT NULL, ID_LOCATION INTEGER NOT NULL, PRIMARY KEY "
          "(LEVEL_NO, WORD_KEY, WHOLE, ID_LOCATION)) WITHOUT ROWID",
          "CREATE INDEX IF NOT EXISTS {S}.IX_LOCATION_WORD_PLACE ON LOCATION_WORD (ID_LOCATION)"})
        db.Execute(Sql(schema, ddl), {});
    const QString s = SchemaIdent(schema);
    const auto trigger = [&](const char* name, const char* when, const QString& body) {
        db.Execute(QStringLiteral("CREATE TRIGGER IF NOT EXISTS %1.%2 %3 BEGIN %4END")
                       .arg(s, QLatin1String(name), QLatin1String(when), body),
                   {});
    };
    trigger("TR_LOCATION_WORD_INS", "AFTER INSERT ON LOCATION", RefreshWords("NEW.ID"));
    trigger("TR_LOCATION_WORD_UPD", "AFTER UPDATE OF NAME, ID_LOCATTYPE ON LOCATION",
            RefreshWords("NEW.ID"));
    trigger("TR_LOCATION_WORD_DEL", "AFTER DELETE ON LOCATION",
            QStringLiteral("DELETE FROM LOCATION_WORD WHERE ID_LOCATION = OLD.ID; "));
    trigger("TR_LOCATION_REDIRECT_WORD_INS", "AFTER INSERT ON LOCATION_REDIRECT",
            RefreshWords("NEW.ID_TARGET"));
    trigger("TR_LOCATION_REDIRECT_WORD_UPD", "AFTER UPDATE ON LOCATION_REDIRECT",
            RefreshWords("NEW.ID_TARGET"));
    for (const char* table : {"NAME", "CODE"}) {
        const QString t = QLatin1String(table);
        for (const char* event : {"INSERT", "UPDATE", "DELETE"}) {
            const QString e = QLatin1String(event);
            const QString row = e == QLatin1String("DELETE") ? QStringLiteral("OLD.ID_LOCATION")
                                                             : QStringLiteral("NEW.ID_LOCATION");
            db.Execute(QStringLiteral("CREATE TRIGGER IF NOT EXISTS %1.TR_LOCATION_%2_WORD_%3 "
                                      "AFTER %4 ON LOCATION_%2 BEGIN %5END")
                           .arg(s, t, e.left(3), e, RefreshWords(row)),
                       {});
        }
    }
    if (!made) db.Execute(AllWords(schema), {});
}

void RegisterSuggestRoutines() {
    RegisterSqliteRoutine(QStringLiteral("QXVERPLOCAT"), QStringLiteral("SUGGEST_T#LOCATION"),
                          {In("PTEXT", TF::String), In("PLIMIT"), In("PSEPARATOR", TF::String),
                           In("PFIRST", TF::String), Dataset()},
                          SuggestLocation, TSqliteRoutineKind::Reads);
}

}  // namespace SqliteServer
