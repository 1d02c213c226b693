// A user's own places (the last chosen and the starred), namesakes among siblings, and the
// merge of a place into another one, whose old id then stands for the survivor.

#include <QStringList>

#include "Platform/Data/EOraError.h"
#include "Server/sqlite/SqliteServerImpl.h"

namespace SqliteServer {

namespace {

using Ctx = TSqliteRoutineContext;
using TF = TFieldType;

const QString kPackage = QStringLiteral("QXVERPLOCAT");
constexpr int kChosenKept = 20;

// The inputs of a routine that name places: an information item's object of kind 1, and the
// place ids of the routines about places (levels and abbreviations have ids of their own).
QStringList PlaceInputs(const QString& package, const char* routine) {
    if (package == QLatin1String("QXVERPINFORM")) return {QStringLiteral("POBJID")};
    const QString name = QString::fromLatin1(routine);
    if (package != QLatin1String("QXVERPLOCAT") ||
        !(name.contains(QLatin1String("LOCATION")) || name.contains(QLatin1String("PLACE"))))
        return {};
    return {QStringLiteral("PID"), QStringLiteral("PID_PARENT"), QStringLiteral("PID_TARGET")};
}

QVariant Resolved(Ctx& ctx, const QString& s, const QVariant& id) {
    const QVariant target = Scalar(
        ctx, Sql(s, "SELECT ID_TARGET FROM {S}.LOCATION_REDIRECT WHERE ID = :ID"), {{"ID", id}});
    return target.isNull() ? id : target;
}

bool IsPlaceInput(const TSqliteInputs& in, const QString& name) {
    return name != QLatin1String("POBJID") || in.Int(QStringLiteral("POBJTYPE")) == 1;
}

// ---- the user's places ---------------------------------------------------------------------

TBoundValue User(Ctx& ctx) { return {"WHO", ctx.UserName().toUpper()}; }

bool PlaceExists(Ctx& ctx, const QString& s, const std::optional<long long>& id) {
    return id && Exists(ctx, Sql(s, "SELECT 1 FROM {S}.LOCATION WHERE ID = :ID"), {{"ID", *id}});
}

// Starred first by name, then the last chosen, the latest first; a deleted place is gone.
TCallResult GetUserPlaces(Ctx& ctx, const QString& s, const TSqliteInputs&) {
    return Rows(
        ctx.Query(Sql(s,
                      "SELECT L.ID AS ID, COALESCE(N.NAME, L.NAME) AS NAME,"
                      " A.SNAME AS ABBREV_SNAME, A.ID AS ABBREV_ID, T.LEVEL_NO AS \"LEVEL#\","
                      " L.ID_PARENT AS ID_PARENT, U.STARRED AS STARRED"
                      " FROM {S}.USER_PLACE U JOIN {S}.LOCATION L ON L.ID = U.ID_LOCATION"
                      " JOIN {S}.LOCATTYPE T ON T.ID = L.ID_LOCATTYPE"
                      " JOIN {S}.LOCATABBREV A ON A.ID = T.ID_ABBREV"
                      " LEFT JOIN {S}.LOCATION_NAME N ON N.ID_LOCATION = L.ID"
                      " AND N.LANG = :LANG WHERE U.USER_NAME = :WHO"
                      " ORDER BY U.STARRED DESC,"
                      " CASE WHEN U.STARRED = 1 THEN COALESCE(N.NAME, L.NAME) END,"
                      " U.CHOSEN_SEQ DESC, L.ID"),
                  {User(ctx), {"LANG", NameLanguage(ctx, s)}}),
        {TF::Integer, TF::String, TF::String, TF::Integer, TF::Integer, TF::Integer, TF::Integer});
}

void DropUnused(Ctx& ctx, const QString& s) {
    ctx.Execute(Sql(s,
                    "DELETE FROM {S}.USER_PLACE WHERE USER_NAME = :WHO AND STARRED = 0 AND "
                    "CHOSEN_SEQ IS NULL"),
                {User(ctx)});
}

TCallResult SaveChosenPlace(Ctx& ctx, const QString& s, const TSqliteInputs& in) {
    const auto id = in.Id("PID");
    if (!PlaceExists(ctx, s, id)) return Result(-1);
    ctx.Execute(Sql(s,
                    "INSERT INTO {S}.USER_PLACE (USER_NAME, ID_LOCATION, CHOSEN_SEQ) VALUES (:WHO,"
                    " :ID, (SELECT COALESCE(MAX(CHOSEN_SEQ), 0) + 1 FROM {S}.USER_PLACE WHERE"
                    " USER_NAME = :WHO)) ON CONFLICT (USER_NAME, ID_LOCATION) DO UPDATE SET"
                    " CHOSEN_SEQ = excluded.CHOSEN_SEQ"),
                {User(ctx), {"ID", *id}});
    ctx.Execute(Sql(s,
                    "UPDATE {S}.USER_PLACE SET CHOSEN_SEQ = NULL WHERE USER_NAME = :WHO AND "
                    "CHOSEN_SEQ <= (SELECT CHOSEN_SEQ FROM {S}.USER_PLACE WHERE USER_NAME = :WHO "
                    "AND CHOSEN_SEQ IS NOT NULL ORDER BY CHOSEN_SEQ DESC LIMIT 1 OFFSET :KEPT)"),
                {User(ctx), {"KEPT", kChosenKept}});
    DropUnused(ctx, s);
    return Result(1);
}

TCallResult SetPlaceStar(Ctx& ctx, const QString& s, const TSqliteInputs& in) {
    const auto id = in.Id("PID");
    if (!PlaceExists(ctx, s, id)) return Result(-1);
    ctx.Execute(Sql(s,
                    "INSERT INTO {S}.USER_PLACE (USER_NAME, ID_LOCATION, STARRED) VALUES (:WHO, "
                    ":ID, :STARRED) ON CONFLICT (USER_NAME, ID_LOCATION) DO UPDATE SET STARRED = "
                    "excluded.STARRED"),
                {User(ctx), {"ID", *id}, {"STARRED", in.Int("PSTARRED").value_or(0) ? 1 : 0}});
    DropUnused(ctx, s);
    return Result(1);
}

// ---- namesakes -----------------------------------------------------------------------------

// A name as namesakes compare: the search's key with its runs of blanks made one.
QString NamesakeKey(const QString& name) { return SearchKey(name).simplified(); }

// The places under PID_PARENT (the top for none) named as PNAME is (as PID is for none), but
// for PID itself.
TCallResult GetNamesakes(Ctx& ctx, const QString& s, const TSqliteInputs& in) {
    const auto parent = in.Id("PID_PARENT");
    const QVariant name = in.IsNull("PNAME")
                              ? Scalar(ctx, Sql(s, "SELECT NAME FROM {S}.LOCATION WHERE ID = :ID"),
                                       {{"ID", IdValue(in.Id("PID"))}})
                              : in.Value("PNAME");
    const QString key = NamesakeKey(name.toString());
    const TRowSet siblings = ctx.Query(
        Sql(s,
            "SELECT L.ID AS ID, L.NAME AS NAME, A.SNAME AS ABBREV_SNAME FROM {S}.LOCATION L"
            " JOIN {S}.LOCATTYPE T ON T.ID = L.ID_LOCATTYPE"
            " JOIN {S}.LOCATABBREV A ON A.ID = T.ID_ABBREV WHERE ") +
            (parent ? QStringLiteral("L.ID_PARENT = :PARENT")
                    : QStringLiteral("L.ID_PARENT IS NULL")) +
            QStringLiteral(" AND L.ID IS NOT :ID ORDER BY L.ID"),
        {{"PARENT", IdValue(parent)}, {"ID", IdValue(in.Id("PID"))}});
    TRowSet namesakes;
    namesakes.Columns = siblings.Columns;
    for (const TRowView row : siblings.Rows)
        if (NamesakeKey(row[1].toString()) == key)
            namesakes.Rows.push_back({row[0], row[1], row[2]});
    return Rows(std::move(namesakes), {TF::Integer, TF::String, TF::String});
}

// ---- merge ---------------------------------------------------------------------------------

[[noreturn]] void RefuseMerge(const char* why) {
    throw EOraError::Make(OraCode::MergeRefused, QString::fromUtf8(why));
}

// What the merged place has moves to the survivor: children, information items, codes, the
// names in languages the survivor has none in, and its users' stars and choices. Its id and
// its name stay as a redirect: the id reads as the survivor's, the name finds the survivor.
void MoveBelongings(Ctx& ctx, const QString& s, long long id, long long target) {
    const std::vector<TBoundValue> ids = {{"ID", id}, {"TARGET", target}};
    for (const char* sql :
         {"UPDATE {S}.INFORMATION SET OBJID = :TARGET WHERE OBJTYPE = 1 AND OBJID = :ID",
          "INSERT OR IGNORE INTO {S}.LOCATION_CODE (ID_LOCATION, KIND, CODE) SELECT :TARGET, "
          "KIND, CODE FROM {S}.LOCATION_CODE WHERE ID_LOCATION = :ID",
          "INSERT OR IGNORE INTO {S}.LOCATION_NAME (ID_LOCATION, LANG, NAME) SELECT :TARGET, "
          "LANG, NAME FROM {S}.LOCATION_NAME WHERE ID_LOCATION = :ID",
          "UPDATE {S}.USER_PLACE SET STARRED = 1 WHERE ID_LOCATION = :TARGET AND USER_NAME IN "
          "(SELECT USER_NAME FROM {S}.USER_PLACE WHERE ID_LOCATION = :ID AND STARRED = 1)",
          "INSERT OR IGNORE INTO {S}.USER_PLACE (USER_NAME, ID_LOCATION, STARRED, CHOSEN_SEQ) "
          "SELECT USER_NAME, :TARGET, STARRED, CHOSEN_SEQ FROM {S}.USER_PLACE WHERE ID_LOCATION "
          "= :ID",
          "UPDATE {S}.LOCATION_REDIRECT SET ID_TARGET = :TARGET WHERE ID_TARGET = :ID",
          "INSERT INTO {S}.LOCATION_REDIRECT (ID, ID_TARGET, NAME, NAME_KEY) SELECT :ID, "
          ":TARGET, NAME, NAME_KEY FROM {S}.LOCATION WHERE ID = :ID"})
        ctx.Execute(Sql(s, sql), ids);
    ctx.Execute(Sql(s, "UPDATE {S}.LOCATION SET ID_PARENT = :TARGET, ") + Sql(s, kStamp) +
                    QStringLiteral(" WHERE ID_PARENT = :ID"),
                {{"ID", id}, {"TARGET", target}, Who(ctx)});
}

// The journal of a merge: the items that change place, then the children that move, the
// survivor that takes the codes and names, and the place that goes. Items are closed before
// the places are opened, as closing fills every row after its mark from one kind's table.
void JournalMerge(Ctx& ctx, const QString& s, long long id, long long target,
                  const std::function<void()>& merge) {
    const std::vector<TBoundValue> ids = {{"ID", id}, {"TARGET", target}};
    const long long items = JournalOpen(ctx, s, TJournalKind::Item, "EDIT",
                                        QStringLiteral("X.OBJTYPE = 1 AND X.OBJID = :ID"), ids);
    ctx.Execute(Sql(s, "UPDATE {S}.INFORMATION SET OBJID = :TARGET WHERE OBJTYPE = 1 AND "
                       "OBJID = :ID"),
                ids);
    JournalClose(ctx, s, TJournalKind::Item, items);
    const long long places =
        JournalOpen(ctx, s, TJournalKind::Place, "MOVE", QStringLiteral("X.ID_PARENT = :ID"), ids);
    JournalOpen(ctx, s, TJournalKind::Place, "EDIT", QStringLiteral("X.ID = :TARGET"), ids);
    JournalOpen(ctx, s, TJournalKind::Place, "DELETE", QStringLiteral("X.ID = :ID"), ids);
    merge();
    JournalClose(ctx, s, TJournalKind::Place, places);
}

// Merges PID into PID_TARGET, a place of the same level outside PID's subtree. The first
// statement writes, so the tree cannot change under the checks.
TCallResult MergeLocation(Ctx& ctx, const QString& s, const TSqliteInputs& in) {
    RequireRight(ctx, s, {3});
    RequireRight(ctx, s, {4});
    const auto id = in.Id("PID");
    const auto target = in.Id("PID_TARGET");
    if (!id || !target) return Result(-1);
    if (ctx.Execute(Sql(s, "UPDATE {S}.LOCATION SET ID_PARENT = ID_PARENT WHERE ID = :ID"),
                    {{"ID", *id}}) == 0)
        return Result(-1);
    RequireVersion(ctx, s, kPlaceRows, *id, in);
    if (*id == *target) RefuseMerge("Местоположение нельзя объединить с самим собой");
    const auto level = LocationLevel(ctx, s, *target);
    if (!level) return Result(-1);
    if (InSubtree(ctx, s, *target, *id))
        RefuseMerge("Местоположение нельзя объединить с подчинённым ему");
    if (*level != LocationLevel(ctx, s, *id))
        RefuseMerge("Объединять можно только местоположения одного уровня");
    JournalMerge(ctx, s, *id, *target, [&] {
        MoveBelongings(ctx, s, *id, *target);
        ctx.Execute(Sql(s, "UPDATE {S}.LOCATION SET ") + Sql(s, kStamp) +
                        QStringLiteral(" WHERE ID = :TARGET"),
                    {{"TARGET", *target}, Who(ctx)});
        ctx.Execute(Sql(s, "DELETE FROM {S}.LOCATION WHERE ID = :ID"), {{"ID", *id}});
    });
    return Result(1);
}

}  // namespace

TSqliteRoutineBody ResolvingPlaces(const QString& package, const char* routine,
                                   TSqliteRoutineBody body) {
    const QStringList names = PlaceInputs(package, routine);
    if (names.isEmpty()) return body;
    return [names, body = std::move(body)](Ctx& ctx, const QString& s, const TSqliteInputs& in) {
        std::vector<TBoundValue> values = in.Values();
        for (TBoundValue& v : values) {
            const QString name =
                v.Name.startsWith(u':') ? v.Name.mid(1).toUpper() : v.Name.toUpper();
            if (names.contains(name) && IsPlaceInput(in, name) && in.Id(name))
                v.Value = Resolved(ctx, s, v.Value);
        }
        return body(ctx, s, TSqliteInputs(values));
    };
}

void RegisterPlaceRoutines() {
    auto add = [](const char* routine, std::vector<TParamDesc> params, TSqliteRoutineBody body) {
        AddRoutine(kPackage, routine, std::move(params), std::move(body));
    };
    add("GET_USER_PLACES", {Dataset()}, GetUserPlaces);
    add("SAVE_CHOSEN_PLACE", {Ret(), In("PID")}, SaveChosenPlace);
    add("SET_PLACE_STAR", {Ret(), In("PID"), In("PSTARRED")}, SetPlaceStar);
    add("GET_PLACE_NAMESAKES", {In("PID_PARENT"), In("PNAME", TF::String), In("PID"), Dataset()},
        GetNamesakes);
    add("MERGE_T#LOCATION", {Ret(), In("PID"), In("PID_TARGET"), In("PVERSION")}, MergeLocation);
}

}  // namespace SqliteServer
