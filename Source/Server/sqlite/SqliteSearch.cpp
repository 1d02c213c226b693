// FIND_T#LOCATION of package QXVERPLOCAT on the embedded server: places by name, best
// matches first, each with its address path.

#include <QHash>
#include <QSet>

#include <algorithm>

#include "Platform/PlaceCaption.h"
#include "Server/sqlite/SqliteServerImpl.h"

namespace SqliteServer {

namespace {

using Ctx = TSqliteRoutineContext;
using TF = TFieldType;

constexpr int kDefaultLimit = 100;
constexpr int kMaxLimit = 1000;
constexpr int kMaxDepth = 10000;
constexpr long long kDefaultCountCap = 10000;
constexpr long long kMaxCountCap = 1000000;

// A hit shows its name in the reader's language (:LANG) where it has one; it is ranked by the
// best of all its names (KEYS, split by tabs: per language and of the places merged into it)
// or found by one of its codes (BY_CODE).
const char* const kHitSelect =
    "SELECT L.ID, L.ID_PARENT, COALESCE(N.NAME, L.NAME), L.NAME_KEY, A.SNAME, A.NAME, T.LEVEL_NO,"
    " (SELECT group_concat(O.NAME_KEY, char(9)) FROM (SELECT NAME_KEY FROM {S}.LOCATION_NAME"
    "  WHERE ID_LOCATION = L.ID UNION ALL SELECT NAME_KEY FROM {S}.LOCATION_REDIRECT"
    "  WHERE ID_TARGET = L.ID) O) AS KEYS,"
    " EXISTS (SELECT 1 FROM {S}.LOCATION_CODE C WHERE C.ID_LOCATION = L.ID"
    "  AND C.CODE IN (:CODE, :UPPER_CODE)) AS BY_CODE"
    " FROM {S}.LOCATION L"
    " JOIN {S}.LOCATTYPE T ON T.ID = L.ID_LOCATTYPE"
    " JOIN {S}.LOCATABBREV A ON A.ID = T.ID_ABBREV"
    " LEFT JOIN {S}.LOCATION_NAME N ON N.ID_LOCATION = L.ID AND N.LANG = :LANG WHERE ";

// The places above a set of places, every level of them, with their captions in the reader's
// language, for the paths (a loop in the tree ends where it closes).
const char* const kAncestorsSelect =
    "WITH RECURSIVE UP(ID) AS (SELECT value FROM json_each(:IDS)"
    " UNION SELECT P.ID_PARENT FROM UP JOIN {S}.LOCATION P ON P.ID = UP.ID"
    " WHERE P.ID_PARENT IS NOT NULL)"
    " SELECT L.ID, L.ID_PARENT, COALESCE(N.NAME, L.NAME), A.SNAME FROM {S}.LOCATION L"
    " JOIN {S}.LOCATTYPE T ON T.ID = L.ID_LOCATTYPE"
    " JOIN {S}.LOCATABBREV A ON A.ID = T.ID_ABBREV"
    " LEFT JOIN {S}.LOCATION_NAME N ON N.ID_LOCATION = L.ID AND N.LANG = :LANG"
    " WHERE L.ID IN UP";

// How well a name matches: 0 the name itself, 1 it begins with the text, 2 one of its
// words does, 3 the text is somewhere inside.
int Rank(const QString& nameKey, const QString& key) {
    if (nameKey == key) return 0;
    if (nameKey.startsWith(key)) return 1;
    QString words = nameKey;
    for (QChar& c : words)
        if (QStringLiteral("-().,/\"«»").contains(c)) c = u' ';
    return words.contains(u' ' + key) ? 2 : 3;
}

struct THit {
    QVariantList Row;  // ID, NAME, ABBREV_SNAME, ABBREV_NAME, LEVEL#, ID_PARENT
    int Rank = 3;
    QString Path;
};

// The captions from the top-level place down to a place, joined by "\". Hits share their
// ancestors: those are read in one statement for all the hits, and each ancestor's path is
// built once.
class TPathBuilder {
public:
    TPathBuilder(Ctx& ctx, const QString& schema, const QString& separator, const QString& lang)
        : FCtx(ctx), FSchema(schema), FSeparator(separator), FLang(lang) {}

    // Reads the places above these parents, every level of them.
    void ReadAncestors(const std::vector<QVariant>& parents) {
        QSet<long long> wanted;
        for (const QVariant& id : parents)
            if (!id.isNull()) wanted.insert(id.toLongLong());
        if (wanted.isEmpty()) return;
        QString list = QStringLiteral("[");
        for (const long long id : wanted) list += QString::number(id) + u',';
        list.back() = u']';
        const TRowSet rows =
            FCtx.Query(Sql(FSchema, kAncestorsSelect), {{"IDS", list}, {"LANG", FLang}});
        for (const TRowView row : rows.Rows)
            FNodes.insert(row[0].toLongLong(),
                          {row[1], PlaceCaption(row[3].toString(), FSeparator, row[2].toString())});
    }

    QString PathOf(const QVariant& parent, const QString& caption) {
        if (parent.isNull() || !FNodes.contains(parent.toLongLong())) return caption;
        return PathAt(parent.toLongLong()) + u'\\' + caption;
    }

private:
    struct TNode {
        QVariant Parent;
        QString Caption;
    };

    // The path of a place that was read; a place missing from the table ends the walk up.
    QString PathAt(long long id) {
        std::vector<long long> chain;  // from the place up to the first one with a path
        for (long long at = id;
             !FPaths.contains(at) && FNodes.contains(at) && chain.size() < size_t(kMaxDepth);) {
            chain.push_back(at);
            const QVariant& parent = FNodes.constFind(at)->Parent;
            if (parent.isNull()) break;
            at = parent.toLongLong();
        }
        for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
            const TNode& node = *FNodes.constFind(*it);
            const auto above = node.Parent.isNull() ? FPaths.constEnd()
                                                    : FPaths.constFind(node.Parent.toLongLong());
            FPaths.insert(
                *it, above == FPaths.constEnd() ? node.Caption : *above + u'\\' + node.Caption);
        }
        return FPaths.value(id);
    }

    Ctx& FCtx;
    const QString& FSchema;
    const QString FSeparator;
    const QString FLang;
    QHash<long long, TNode> FNodes;
    QHash<long long, QString> FPaths;
};

// The best rank among a place's own name and its names per language; 0 for a code.
int BestRank(const TRowView& r, const QString& key) {
    if (r[8].toLongLong() != 0) return 0;
    int best = Rank(r[3].toString(), key);
    for (const QString& other : r[7].toString().split(u'\t', Qt::SkipEmptyParts))
        best = std::min(best, Rank(other, key));
    return best;
}

// What a text finds: places whose names (their own, one per language or of a place merged
// into them) begin with it and places that have it as a code come through the indexes;
// `inside` adds the places with the text anywhere in a name, which takes a scan of every name.
QString MatchedIds(const QString& s, bool inside) {
    const char* const name = inside ? "instr(NAME_KEY, :K) > 0"
                                    : "NAME_KEY >= :K AND NAME_KEY < :K || char(1114111)";
    return Sql(s, "SELECT ID FROM {S}.LOCATION WHERE ") + QLatin1String(name) +
           Sql(s, " UNION SELECT ID_LOCATION FROM {S}.LOCATION_NAME WHERE ") + QLatin1String(name) +
           Sql(s,
               " UNION SELECT ID_TARGET FROM {S}.LOCATION_REDIRECT R WHERE EXISTS (SELECT 1 "
               "FROM {S}.LOCATION P WHERE P.ID = R.ID_TARGET) AND ") +
           QLatin1String(name) +
           Sql(s,
               " UNION SELECT ID_LOCATION FROM {S}.LOCATION_CODE WHERE CODE IN (:CODE, "
               ":UPPER_CODE)");
}

std::vector<TBoundValue> MatchParams(const QString& text, const QString& key) {
    return {{"K", key}, {"CODE", text.trimmed()}, {"UPPER_CODE", text.trimmed().toUpper()}};
}

// A text that is a place's code is taken for a code: it finds that place and the names that
// begin with it, and no scan of every name runs for it.
bool IsSomeCode(Ctx& ctx, const QString& s, const std::vector<TBoundValue>& matchParams) {
    return Scalar(ctx,
                  Sql(s, "SELECT EXISTS (SELECT 1 FROM {S}.LOCATION_CODE WHERE CODE IN (:CODE, "
                         ":UPPER_CODE))"),
                  matchParams)
               .toLongLong() != 0;
}

std::vector<THit> Hits(Ctx& ctx, const QString& s, const QString& text, const QString& key,
                       int limit, const QString& lang) {
    std::vector<TBoundValue> params = MatchParams(text, key);
    params.push_back({"LANG", lang});
    const QString select = Sql(s, kHitSelect) + QStringLiteral("L.ID IN (");
    // The scan for the text inside a name runs only when the indexed matches do not fill the
    // answer and the text is no code.
    TRowSet rows = ctx.Query(select + MatchedIds(s, false) + u')', params);
    bool byCode = false;
    for (const TRowView r : rows.Rows) byCode = byCode || r[8].toLongLong() != 0;
    if (static_cast<int>(rows.Rows.size()) < limit && !byCode)
        rows = ctx.Query(select + MatchedIds(s, true) + u')', params);
    std::vector<THit> hits;
    hits.reserve(rows.Rows.size());
    for (const auto& r : rows.Rows)
        hits.push_back({{r[0], r[2], r[4], r[5], r[6], r[1]}, BestRank(r, key), {}});
    return hits;
}

TCallResult FindLocation(Ctx& ctx, const QString& s, const TSqliteInputs& in) {
    TRowSet out;
    out.Columns = {{"ID", TF::Integer},          {"NAME", TF::String},
                   {"ABBREV_SNAME", TF::String}, {"ABBREV_NAME", TF::String},
                   {"LEVEL#", TF::Integer},      {"ID_PARENT", TF::Integer},
                   {"PATH", TF::String},         {"RANK", TF::Integer}};
    const QString key = SearchKey(in.Text("PTEXT"));
    const int limit = static_cast<int>(
        std::clamp<long long>(in.Int("PLIMIT").value_or(kDefaultLimit), 1, kMaxLimit));
    const QString separator =
        in.IsNull("PSEPARATOR") ? QStringLiteral(". ") : in.Text("PSEPARATOR");
    if (key.isEmpty()) return Rows(std::move(out), {});

    const QString lang = NameLanguage(ctx, s);
    std::vector<THit> hits = Hits(ctx, s, in.Text("PTEXT"), key, limit, lang);
    std::stable_sort(hits.begin(), hits.end(),
                     [](const THit& a, const THit& b) { return a.Rank < b.Rank; });
    // Paths only for the groups the answer reaches into: the last of them is cut by path.
    size_t reach = 0;
    while (reach < hits.size() &&
           (reach < static_cast<size_t>(limit) || hits[reach].Rank == hits[limit - 1].Rank))
        ++reach;
    hits.resize(reach);
    TPathBuilder paths(ctx, s, separator, lang);
    std::vector<QVariant> parents;
    parents.reserve(hits.size());
    for (const THit& hit : hits) parents.push_back(hit.Row[5]);
    paths.ReadAncestors(parents);
    for (THit& hit : hits)
        hit.Path = paths.PathOf(
            hit.Row[5], PlaceCaption(hit.Row[2].toString(), separator, hit.Row[1].toString()));
    std::sort(hits.begin(), hits.end(), [](const THit& a, const THit& b) {
        if (a.Rank != b.Rank) return a.Rank < b.Rank;
        if (a.Path != b.Path) return a.Path < b.Path;
        return a.Row[0].toLongLong() < b.Row[0].toLongLong();
    });
    if (hits.size() > static_cast<size_t>(limit)) hits.resize(static_cast<size_t>(limit));
    for (THit& hit : hits) {
        std::vector<QVariant> row(hit.Row.begin(), hit.Row.end());
        row.push_back(hit.Path);
        row.push_back(hit.Rank);
        out.Rows.push_back(std::move(row));
    }
    return Rows(std::move(out), {});
}

// A window's hits live in a TEMP table of its own connection: keeping them takes no lock on
// the schema, so a search never waits for another program's write.
void CreateHitsTable(Ctx& ctx) {
    ctx.Execute(QStringLiteral("CREATE TEMP TABLE IF NOT EXISTS SEARCH_HITS (GUID VARCHAR(38) NOT "
                               "NULL, HIT_NO INTEGER NOT NULL, ID INTEGER NOT NULL, NAME "
                               "VARCHAR(255), ABBREV_SNAME VARCHAR(10), ABBREV_NAME VARCHAR(255), "
                               "LEVEL_NO INTEGER, ID_PARENT INTEGER, PATH TEXT, HIT_RANK INTEGER, "
                               "PRIMARY KEY (GUID, HIT_NO))"),
                {});
}

long long DropHits(Ctx& ctx, const QVariant& guid) {
    CreateHitsTable(ctx);
    return ctx.Execute(QStringLiteral("DELETE FROM temp.SEARCH_HITS WHERE GUID = :G"),
                       {{"G", guid}});
}

// The hits of a search kept for a window under its key (the window's earlier hits go).
TCallResult FillLocationHits(Ctx& ctx, const QString& s, const TSqliteInputs& in) {
    const QVariant guid = Text(in, "PGUID", 38);
    DropHits(ctx, guid);
    const TCallResult found = FindLocation(ctx, s, in);
    long long number = 0;
    for (const auto& row : found.Cursor->Rows)
        ctx.Execute(QStringLiteral("INSERT INTO temp.SEARCH_HITS (GUID, HIT_NO, ID, NAME, "
                                   "ABBREV_SNAME, ABBREV_NAME, LEVEL_NO, ID_PARENT, PATH, "
                                   "HIT_RANK) VALUES (:G, :N, :ID, :NAME, :SNAME, :ANAME, :LEVEL, "
                                   ":PARENT, :PATH, :RANK)"),
                    {{"G", guid},
                     {"N", ++number},
                     {"ID", row[0]},
                     {"NAME", row[1]},
                     {"SNAME", row[2]},
                     {"ANAME", row[3]},
                     {"LEVEL", row[4]},
                     {"PARENT", row[5]},
                     {"PATH", row[6]},
                     {"RANK", row[7]}});
    return Result(number);
}

TCallResult DelLocationHits(Ctx& ctx, const QString&, const TSqliteInputs& in) {
    return Result(DropHits(ctx, in.Value("PGUID")));
}

// How many places a search finds, counted no further than one past the cap: a window whose
// list is cut says how much more there is without paying for a count of every place.
TCallResult CountLocation(Ctx& ctx, const QString& s, const TSqliteInputs& in) {
    const QString text = in.Text("PTEXT");
    const QString key = SearchKey(text);
    if (key.isEmpty()) return Result(0);
    const long long cap =
        std::clamp<long long>(in.Int("PCAP").value_or(kDefaultCountCap), 1, kMaxCountCap);
    std::vector<TBoundValue> params = MatchParams(text, key);
    const bool inside = !IsSomeCode(ctx, s, params);
    params.push_back({"N", cap + 1});
    return Result(Scalar(ctx,
                         QStringLiteral("SELECT COUNT(*) FROM (") + MatchedIds(s, inside) +
                             QStringLiteral(" LIMIT :N)"),
                         params));
}

}  // namespace

QString SearchKey(const QString& text) { return text.trimmed().toLower().replace(u'ё', u'е'); }

void RegisterSearchRoutines() {
    // Searching only reads the schema: the hits go to the connection's own TEMP table.
    const auto add = [](const char* routine, std::vector<TParamDesc> params,
                        TSqliteRoutineBody body) {
        RegisterSqliteRoutine(QStringLiteral("QXVERPLOCAT"), QString::fromLatin1(routine),
                              std::move(params), std::move(body), TSqliteRoutineKind::Reads);
    };
    add("FIND_T#LOCATION",
        {In("PTEXT", TF::String), In("PLIMIT"), In("PSEPARATOR", TF::String), Dataset()},
        FindLocation);
    add("COUNT_T#LOCATION", {Ret(), In("PTEXT", TF::String), In("PCAP")}, CountLocation);
    add("FILL_T#LOCATION_HITS",
        {Ret(), In("PGUID", TF::String), In("PTEXT", TF::String), In("PLIMIT"),
         In("PSEPARATOR", TF::String)},
        FillLocationHits);
    add("DEL_T#LOCATION_HITS", {Ret(), In("PGUID", TF::String)}, DelLocationHits);
}

}  // namespace SqliteServer
