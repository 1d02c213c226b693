// Package QXVERPLOCAT of the embedded server: locations, location types (levels) and
// abbreviations. Results: 1 or more success (a new id for inserts), -1 refused, -2 the row
// is still referenced.

#include "Platform/Data/EOraError.h"
#include "Server/sqlite/SqliteServerImpl.h"

namespace SqliteServer {

std::optional<long long> LocationLevel(TSqliteRoutineContext& ctx, const QString& s, long long id) {
    const QVariant v = Scalar(ctx,
                              Sql(s,
                                  "SELECT T.LEVEL_NO FROM {S}.LOCATION L JOIN {S}.LOCATTYPE T "
                                  "ON T.ID = L.ID_LOCATTYPE WHERE L.ID = :ID"),
                              {{"ID", id}});
    if (v.isNull()) return std::nullopt;
    return v.toLongLong();
}

bool InSubtree(TSqliteRoutineContext& ctx, const QString& s, long long candidate, long long root) {
    return Scalar(
               ctx,
               Sql(s,
                   "WITH RECURSIVE UP(ID, ID_PARENT) AS ("
                   " SELECT ID, ID_PARENT FROM {S}.LOCATION WHERE ID = :CANDIDATE"
                   " UNION"
                   " SELECT L.ID, L.ID_PARENT FROM {S}.LOCATION L JOIN UP ON L.ID = UP.ID_PARENT)"
                   " SELECT COUNT(*) FROM UP WHERE ID = :ROOT"),
               {{"CANDIDATE", candidate}, {"ROOT", root}})
               .toLongLong() > 0;
}

namespace {

using Ctx = TSqliteRoutineContext;
using TF = TFieldType;

const QString kPackage = QStringLiteral("QXVERPLOCAT");
constexpr long long kMinLevel = 1;
constexpr long long kMaxLevel = 15;

// NAME is the place's name in the reader's language where it has one (:LANG), OWN_NAME the
// place's own.
const char* const kLocationSelect =
    "SELECT L.ID AS ID, COALESCE((SELECT N.NAME FROM {S}.LOCATION_NAME N WHERE N.ID_LOCATION ="
    " L.ID AND N.LANG = :LANG), L.NAME) AS NAME, T.LEVEL_NO AS \"LEVEL#\", A.SNAME AS ABBREV_SNAME,"
    " A.ID AS ABBREV_ID,"
    " (SELECT COUNT(*) FROM {S}.LOCATION C WHERE C.ID_PARENT = L.ID) AS CHILD_CNT,"
    " L.ID_PARENT AS ID_PARENT, L.ID_LOCATTYPE AS ID_LOCATTYPE, A.NAME AS ABBREV_NAME,"
    " L.VERSION AS VERSION, L.CHANGED_BY AS CHANGED_BY, L.CHANGED_AT AS CHANGED_AT,"
    " L.NAME AS OWN_NAME"
    " FROM {S}.LOCATION L"
    " JOIN {S}.LOCATTYPE T ON T.ID = L.ID_LOCATTYPE"
    " JOIN {S}.LOCATABBREV A ON A.ID = T.ID_ABBREV ";

std::optional<long long> TypeLevel(Ctx& ctx, const QString& s, long long id) {
    const QVariant v =
        Scalar(ctx, Sql(s, "SELECT LEVEL_NO FROM {S}.LOCATTYPE WHERE ID = :ID"), {{"ID", id}});
    if (v.isNull()) return std::nullopt;
    return v.toLongLong();
}

bool HasChildren(Ctx& ctx, const QString& s, long long id) {
    return Exists(ctx, Sql(s, "SELECT 1 FROM {S}.LOCATION WHERE ID_PARENT = :ID LIMIT 1"),
                  {{"ID", id}});
}

// The level a location needs under `parent` (none: the top); raises when the parent is missing.
long long LevelUnder(Ctx& ctx, const QString& s, const std::optional<long long>& parent) {
    if (!parent) return kMinLevel;
    const auto level = LocationLevel(ctx, s, *parent);
    if (!level) RaiseConstraint(OraCode::ParentKeyNotFound, s, "FK_LOCATION_PARENT");
    return *level + 1;
}

// The type's level; raises when the type is missing.
long long LevelOfType(Ctx& ctx, const QString& s, long long type) {
    const auto level = TypeLevel(ctx, s, type);
    if (!level) RaiseConstraint(OraCode::ParentKeyNotFound, s, "FK_LOCATION_LOCATTYPE");
    return *level;
}

// ---- locations -------------------------------------------------------------------------

TCallResult GetLocation(Ctx& ctx, const QString& s, const TSqliteInputs& in) {
    QString where;
    std::vector<TBoundValue> params = {{"LANG", NameLanguage(ctx, s)}};
    if (const auto id = in.Id("PID")) {
        where = QStringLiteral("WHERE L.ID = :ID");
        params.push_back({"ID", *id});
    } else if (const auto parent = in.Id("PID_PARENT")) {
        where = QStringLiteral("WHERE L.ID_PARENT = :PARENT");
        params.push_back({"PARENT", *parent});
    } else {
        where = QStringLiteral("WHERE L.ID_PARENT IS NULL");
    }
    return Rows(
        ctx.Query(Sql(s, kLocationSelect) + where + QStringLiteral(" ORDER BY 2, L.ID"), params),
        {TF::Integer, TF::String, TF::Integer, TF::String, TF::Integer, TF::Integer, TF::Integer,
         TF::Integer, TF::String, TF::Integer, TF::String, TF::String, TF::String});
}

TCallResult GetLocationParents(Ctx& ctx, const QString& s, const TSqliteInputs& in) {
    return Rows(ctx.Query(Sql(s,
                              "WITH RECURSIVE UP(ID, ID_PARENT, DEPTH) AS ("
                              " SELECT ID, ID_PARENT, 0 FROM {S}.LOCATION WHERE ID = :ID"
                              " UNION ALL"
                              " SELECT L.ID, L.ID_PARENT, UP.DEPTH + 1 FROM {S}.LOCATION L"
                              " JOIN UP ON L.ID = UP.ID_PARENT WHERE UP.DEPTH < 10000)"
                              " SELECT ID, ID_PARENT FROM UP ORDER BY DEPTH DESC"),
                          {{"ID", IdValue(in.Id("PID"))}}),
                {TF::Integer, TF::Integer});
}

TCallResult GetMaxLevel(Ctx& ctx, const QString& s, const TSqliteInputs&) {
    return Result(Scalar(ctx, Sql(s, "SELECT COALESCE(MAX(LEVEL_NO), 0) FROM {S}.LOCATTYPE"), {})
                      .toLongLong());
}

TCallResult InsLocation(Ctx& ctx, const QString& s, const TSqliteInputs& in) {
    RequireRight(ctx, s, {2});
    const auto parent = in.Id("PID_PARENT");
    const long long wanted = LevelUnder(ctx, s, parent);
    const auto type = in.Id("PID_LOCATTYPE");
    if (!type || LevelOfType(ctx, s, *type) != wanted) return Result(-1);
    ctx.Execute(
        Sql(s,
            "INSERT INTO {S}.LOCATION (ID_PARENT, ID_LOCATTYPE, NAME, CHANGED_BY, "
            "CHANGED_AT) VALUES (:PARENT, :TYPE, :NAME, :WHO, ") +
            Sql(s, kNow) + QLatin1Char(')'),
        {{"PARENT", IdValue(parent)}, {"TYPE", *type}, {"NAME", Text(in, "PNAME", 255)}, Who(ctx)});
    const long long id = ctx.LastInsertId();
    ReplacePlaceCodes(ctx, s, id, in.Value("PCODES"));
    ReplacePlaceNames(ctx, s, id, in.Value("PNAMES"));
    JournalOne(ctx, s, TJournalKind::Place, "ADD", id);
    return Result(id);
}

TCallResult UpdLocation(Ctx& ctx, const QString& s, const TSqliteInputs& in) {
    RequireRight(ctx, s, {3});
    const auto id = in.Id("PID");
    if (!id) return Result(-1);
    const auto oldLevel = LocationLevel(ctx, s, *id);
    if (!oldLevel) return Result(-1);
    RequireVersion(ctx, s, kPlaceRows, *id, in);
    const auto parent = in.Id("PID_PARENT");
    if (parent && InSubtree(ctx, s, *parent, *id)) return Result(-1);
    const long long wanted = LevelUnder(ctx, s, parent);
    const auto type = in.Id("PID_LOCATTYPE");
    if (!type || LevelOfType(ctx, s, *type) != wanted) return Result(-1);
    // Children keep their types: the place may not change depth while it has any.
    if (wanted != *oldLevel && HasChildren(ctx, s, *id)) return Result(-1);
    const QVariant oldParent =
        Scalar(ctx, Sql(s, "SELECT ID_PARENT FROM {S}.LOCATION WHERE ID = :ID"), {{"ID", *id}});
    const bool moves =
        oldParent.isNull() ? parent.has_value() : !parent || *parent != oldParent.toLongLong();
    JournalOne(ctx, s, TJournalKind::Place, moves ? "MOVE" : "EDIT", *id, [&] {
        ctx.Execute(Sql(s,
                        "UPDATE {S}.LOCATION SET ID_PARENT = :PARENT, ID_LOCATTYPE = :TYPE, NAME = "
                        ":NAME, ") +
                        Sql(s, kStamp) + QStringLiteral(" WHERE ID = :ID"),
                    {{"PARENT", IdValue(parent)},
                     {"TYPE", *type},
                     {"NAME", Text(in, "PNAME", 255)},
                     {"ID", *id},
                     Who(ctx)});
        ReplacePlaceCodes(ctx, s, *id, in.Value("PCODES"));
        ReplacePlaceNames(ctx, s, *id, in.Value("PNAMES"));
    });
    return Result(*id);
}

TCallResult DelLocation(Ctx& ctx, const QString& s, const TSqliteInputs& in) {
    RequireRight(ctx, s, {4});
    const auto id = in.Id("PID");
    if (!id || !Exists(ctx, Sql(s, "SELECT 1 FROM {S}.LOCATION WHERE ID = :ID"), {{"ID", *id}}))
        return Result(-1);
    if (HasChildren(ctx, s, *id) ||
        Exists(ctx,
               Sql(s, "SELECT 1 FROM {S}.INFORMATION WHERE OBJTYPE = 1 AND OBJID = :ID LIMIT 1"),
               {{"ID", *id}}))
        return Result(-2);
    JournalOne(ctx, s, TJournalKind::Place, "DELETE", *id, [&] {
        ctx.Execute(Sql(s, "DELETE FROM {S}.LOCATION WHERE ID = :ID"), {{"ID", *id}});
    });
    return Result(1);
}

// Moves a place under another one (or to the top). The first statement writes, so the
// session holds the write lock before it looks at the tree: no other session can move
// a place in between and close a cycle.
TCallResult UpdLocationParent(Ctx& ctx, const QString& s, const TSqliteInputs& in) {
    RequireRight(ctx, s, {3});
    const auto id = in.Id("PID");
    if (!id) return Result(-1);
    if (ctx.Execute(Sql(s, "UPDATE {S}.LOCATION SET ID_PARENT = ID_PARENT WHERE ID = :ID"),
                    {{"ID", *id}}) == 0)
        return Result(-1);
    RequireVersion(ctx, s, kPlaceRows, *id, in);
    const auto parent = in.Id("PID_PARENT");
    long long parentLevel = 0;
    if (parent) {
        if (InSubtree(ctx, s, *parent, *id)) return Result(-1);
        const auto level = LocationLevel(ctx, s, *parent);
        if (!level) return Result(-1);
        parentLevel = *level;
    }
    const long long delta = parentLevel + 1 - *LocationLevel(ctx, s, *id);
    static const char* const subtree =
        "WITH RECURSIVE SUB(ID) AS (SELECT :ID UNION"
        " SELECT L.ID FROM {S}.LOCATION L JOIN SUB ON L.ID_PARENT = SUB.ID) ";
    if (delta != 0) {
        const long long untypable =
            Scalar(
                ctx,
                Sql(s, subtree) +
                    Sql(s,
                        "SELECT COUNT(*) FROM SUB JOIN {S}.LOCATION L ON L.ID = SUB.ID"
                        " JOIN {S}.LOCATTYPE T ON T.ID = L.ID_LOCATTYPE"
                        " WHERE NOT EXISTS (SELECT 1 FROM {S}.LOCATTYPE N"
                        " WHERE N.ID_ABBREV = T.ID_ABBREV AND N.LEVEL_NO = T.LEVEL_NO + :DELTA)"),
                {{"ID", *id}, {"DELTA", delta}})
                .toLongLong();
        if (untypable > 0) return Result(-1);
    }
    const long long mark = JournalOpen(ctx, s, TJournalKind::Place, "MOVE",
                                       QStringLiteral("X.ID = :ID"), {{"ID", *id}});
    if (delta != 0) {
        // The places below keep their depth under the moved one: each changes type.
        JournalOpen(ctx, s, TJournalKind::Place, "EDIT",
                    QStringLiteral("X.ID <> :ID AND X.ID IN (") + Sql(s, subtree) +
                        QStringLiteral("SELECT ID FROM SUB)"),
                    {{"ID", *id}});
        ctx.Execute(Sql(s, subtree) +
                        Sql(s,
                            "UPDATE {S}.LOCATION SET ID_LOCATTYPE = (SELECT N.ID FROM "
                            "{S}.LOCATTYPE T JOIN {S}.LOCATTYPE N ON N.ID_ABBREV = T.ID_ABBREV "
                            "AND N.LEVEL_NO = T.LEVEL_NO + :DELTA WHERE T.ID = "
                            "LOCATION.ID_LOCATTYPE), ") +
                        Sql(s, kStamp) + QStringLiteral(" WHERE ID IN (SELECT ID FROM SUB)"),
                    {{"ID", *id}, {"DELTA", delta}, Who(ctx)});
    }
    ctx.Execute(Sql(s, "UPDATE {S}.LOCATION SET ID_PARENT = :PARENT, ") + Sql(s, kStamp) +
                    QStringLiteral(" WHERE ID = :ID"),
                {{"PARENT", IdValue(parent)}, {"ID", *id}, Who(ctx)});
    JournalClose(ctx, s, TJournalKind::Place, mark);
    return Result(1);
}

// ---- location types ----------------------------------------------------------------------

const std::initializer_list<TFieldType> kTypeColumns = {TF::Integer, TF::Integer, TF::String,
                                                        TF::String,  TF::Integer, TF::Integer,
                                                        TF::String,  TF::String};

TCallResult GetLocatType(Ctx& ctx, const QString& s, const TSqliteInputs& in) {
    const auto id = in.Id("PID");
    const QString sql = Sql(s,
                            "SELECT T.ID AS ID, T.LEVEL_NO AS \"LEVEL#\", A.SNAME AS SNAME, "
                            "A.NAME AS NAME, T.ID_ABBREV AS ID_ABBREV, T.VERSION AS VERSION, "
                            "T.CHANGED_BY AS CHANGED_BY, T.CHANGED_AT AS CHANGED_AT FROM "
                            "{S}.LOCATTYPE T "
                            "JOIN {S}.LOCATABBREV A ON A.ID = T.ID_ABBREV ") +
                        (id ? QStringLiteral("WHERE T.ID = :ID ") : QString()) +
                        QStringLiteral("ORDER BY T.LEVEL_NO, A.SNAME, T.ID");
    return Rows(ctx.Query(sql, {{"ID", IdValue(id)}}), kTypeColumns);
}

TCallResult GetLocatTypeByLevel(Ctx& ctx, const QString& s, const TSqliteInputs& in) {
    return Rows(ctx.Query(Sql(s,
                              "SELECT T.ID AS ID, A.NAME AS NAME, A.SNAME AS SNAME, T.ID_ABBREV "
                              "AS ID_ABBREV, T.LEVEL_NO AS \"LEVEL#\" FROM {S}.LOCATTYPE T JOIN "
                              "{S}.LOCATABBREV A ON A.ID = T.ID_ABBREV WHERE T.LEVEL_NO = :LEVEL "
                              "ORDER BY A.SNAME, T.ID"),
                          {{"LEVEL", in.Value("PLEVEL#")}}),
                {TF::Integer, TF::String, TF::String, TF::Integer, TF::Integer});
}

bool LevelInRange(const std::optional<long long>& level) {
    return level && *level >= kMinLevel && *level <= kMaxLevel;
}

void RequireAbbrev(Ctx& ctx, const QString& s, long long abbrev) {
    if (!Exists(ctx, Sql(s, "SELECT 1 FROM {S}.LOCATABBREV WHERE ID = :ID"), {{"ID", abbrev}}))
        RaiseConstraint(OraCode::ParentKeyNotFound, s, "FK_LOCATTYPE_ABBREV");
}

bool TypePairTaken(Ctx& ctx, const QString& s, long long level, long long abbrev,
                   long long except) {
    return Exists(ctx,
                  Sql(s,
                      "SELECT 1 FROM {S}.LOCATTYPE WHERE LEVEL_NO = :LEVEL AND ID_ABBREV = "
                      ":ABBREV AND ID <> :EXCEPT"),
                  {{"LEVEL", level}, {"ABBREV", abbrev}, {"EXCEPT", except}});
}

bool TypeInUse(Ctx& ctx, const QString& s, long long id) {
    return Exists(ctx, Sql(s, "SELECT 1 FROM {S}.LOCATION WHERE ID_LOCATTYPE = :ID LIMIT 1"),
                  {{"ID", id}});
}

TCallResult InsLocatType(Ctx& ctx, const QString& s, const TSqliteInputs& in) {
    RequireRight(ctx, s, {10});
    const auto level = in.Int("PLEVEL#");
    const auto abbrev = in.Id("PID_ABBREV");
    if (!LevelInRange(level) || !abbrev) return Result(-1);
    RequireAbbrev(ctx, s, *abbrev);
    if (TypePairTaken(ctx, s, *level, *abbrev, 0)) return Result(-1);
    ctx.Execute(Sql(s,
                    "INSERT INTO {S}.LOCATTYPE (LEVEL_NO, ID_ABBREV, CHANGED_BY, CHANGED_AT) "
                    "VALUES (:LEVEL, :ABBREV, :WHO, ") +
                    Sql(s, kNow) + QLatin1Char(')'),
                {{"LEVEL", *level}, {"ABBREV", *abbrev}, Who(ctx)});
    const long long id = ctx.LastInsertId();
    JournalOne(ctx, s, TJournalKind::Level, "ADD", id);
    return Result(id);
}

TCallResult UpdLocatType(Ctx& ctx, const QString& s, const TSqliteInputs& in) {
    RequireRight(ctx, s, {11});
    const auto id = in.Id("PID");
    const auto level = in.Int("PLEVEL#");
    const auto abbrev = in.Id("PID_ABBREV");
    if (!id) return Result(-1);
    RequireVersion(ctx, s, kLevelRows, *id, in);
    if (!LevelInRange(level) || !abbrev) return Result(-1);
    const auto oldLevel = TypeLevel(ctx, s, *id);
    if (!oldLevel) return Result(-1);
    RequireAbbrev(ctx, s, *abbrev);
    if (TypePairTaken(ctx, s, *level, *abbrev, *id)) return Result(-1);
    if (*level != *oldLevel && TypeInUse(ctx, s, *id)) return Result(-2);
    JournalOne(ctx, s, TJournalKind::Level, "EDIT", *id, [&] {
        ctx.Execute(Sql(s, "UPDATE {S}.LOCATTYPE SET LEVEL_NO = :LEVEL, ID_ABBREV = :ABBREV, ") +
                        Sql(s, kStamp) + QStringLiteral(" WHERE ID = :ID"),
                    {{"LEVEL", *level}, {"ABBREV", *abbrev}, {"ID", *id}, Who(ctx)});
    });
    return Result(*id);
}

TCallResult DelLocatType(Ctx& ctx, const QString& s, const TSqliteInputs& in) {
    RequireRight(ctx, s, {12});
    const auto id = in.Id("PID");
    if (!id || !TypeLevel(ctx, s, *id)) return Result(-1);
    if (TypeInUse(ctx, s, *id)) return Result(-2);
    JournalOne(ctx, s, TJournalKind::Level, "DELETE", *id, [&] {
        ctx.Execute(Sql(s, "DELETE FROM {S}.LOCATTYPE WHERE ID = :ID"), {{"ID", *id}});
    });
    return Result(1);
}

// ---- abbreviations -----------------------------------------------------------------------

bool AbbrevExists(Ctx& ctx, const QString& s, long long id) {
    return Exists(ctx, Sql(s, "SELECT 1 FROM {S}.LOCATABBREV WHERE ID = :ID"), {{"ID", id}});
}

bool ShortNameTaken(Ctx& ctx, const QString& s, const QVariant& sname, long long except) {
    return Exists(ctx,
                  Sql(s, "SELECT 1 FROM {S}.LOCATABBREV WHERE SNAME = :SNAME AND ID <> :EXCEPT"),
                  {{"SNAME", sname}, {"EXCEPT", except}});
}

TCallResult GetLocatAbbrev(Ctx& ctx, const QString& s, const TSqliteInputs& in) {
    const auto id = in.Id("PID");
    const QString sql =
        Sql(s,
            "SELECT ID, SNAME, NAME, BMP AS \"BMP16#16\", VERSION, CHANGED_BY, CHANGED_AT FROM "
            "{S}.LOCATABBREV ") +
        (id ? QStringLiteral("WHERE ID = :ID ") : QString()) + QStringLiteral("ORDER BY SNAME, ID");
    return Rows(
        ctx.Query(sql, {{"ID", IdValue(id)}}),
        {TF::Integer, TF::String, TF::String, TF::Blob, TF::Integer, TF::String, TF::String});
}

TCallResult InsLocatAbbrev(Ctx& ctx, const QString& s, const TSqliteInputs& in) {
    RequireRight(ctx, s, {6});
    if (ShortNameTaken(ctx, s, in.Value("PSNAME"), 0)) return Result(-1);
    ctx.Execute(Sql(s,
                    "INSERT INTO {S}.LOCATABBREV (SNAME, NAME, CHANGED_BY, CHANGED_AT) VALUES "
                    "(:SNAME, :NAME, :WHO, ") +
                    Sql(s, kNow) + QLatin1Char(')'),
                {{"SNAME", Text(in, "PSNAME", 10)}, {"NAME", Text(in, "PNAME", 255)}, Who(ctx)});
    const long long id = ctx.LastInsertId();
    JournalOne(ctx, s, TJournalKind::Abbrev, "ADD", id);
    return Result(id);
}

TCallResult UpdLocatAbbrev(Ctx& ctx, const QString& s, const TSqliteInputs& in) {
    RequireRight(ctx, s, {7});
    const auto id = in.Id("PID");
    if (!id) return Result(-1);
    RequireVersion(ctx, s, kAbbrevRows, *id, in);
    if (!AbbrevExists(ctx, s, *id) || ShortNameTaken(ctx, s, in.Value("PSNAME"), *id))
        return Result(-1);
    JournalOne(ctx, s, TJournalKind::Abbrev, "EDIT", *id, [&] {
        ctx.Execute(Sql(s, "UPDATE {S}.LOCATABBREV SET SNAME = :SNAME, NAME = :NAME, ") +
                        Sql(s, kStamp) + QStringLiteral(" WHERE ID = :ID"),
                    {{"SNAME", Text(in, "PSNAME", 10)},
                     {"NAME", Text(in, "PNAME", 255)},
                     {"ID", *id},
                     Who(ctx)});
    });
    return Result(*id);
}

TCallResult DelLocatAbbrev(Ctx& ctx, const QString& s, const TSqliteInputs& in) {
    RequireRight(ctx, s, {8});
    const auto id = in.Id("PID");
    if (!id || !AbbrevExists(ctx, s, *id)) return Result(-1);
    if (Exists(ctx, Sql(s, "SELECT 1 FROM {S}.LOCATTYPE WHERE ID_ABBREV = :ID LIMIT 1"),
               {{"ID", *id}}))
        return Result(-2);
    JournalOne(ctx, s, TJournalKind::Abbrev, "DELETE", *id, [&] {
        ctx.Execute(Sql(s, "DELETE FROM {S}.LOCATABBREV WHERE ID = :ID"), {{"ID", *id}});
    });
    return Result(1);
}

TCallResult SetLocatAbbrevBmp(Ctx& ctx, const QString& s, const TSqliteInputs& in) {
    RequireRight(ctx, s, {6, 7});
    const QVariant picture = in.Value("PBMP16#16");
    const auto id = in.Id("PID");
    if (!id) return {};
    JournalOne(ctx, s, TJournalKind::Abbrev, "EDIT", *id, [&] {
        ctx.Execute(
            Sql(s, "UPDATE {S}.LOCATABBREV SET BMP = :BMP, ") + Sql(s, kStamp) +
                QStringLiteral(" WHERE ID = :ID"),
            {{"BMP", picture.isNull() ? QVariant() : QVariant(picture.toByteArray()), TF::Blob},
             {"ID", *id},
             Who(ctx)});
    });
    return {};
}

void Add(const char* routine, std::vector<TParamDesc> params, TSqliteRoutineBody body) {
    AddRoutine(kPackage, routine, std::move(params), std::move(body));
}

}  // namespace

void RegisterLocatRoutines() {
    Add("GET_T#LOCATION", {In("PID"), In("PID_PARENT"), Dataset()}, GetLocation);
    Add("GET_LOCATION_PARENTS", {In("PID"), Dataset()}, GetLocationParents);
    Add("GET_MAX_LEVEL", {Ret()}, GetMaxLevel);
    // PCODES and PNAMES (optional) replace the place's codes and names per language.
    Add("INS_T#LOCATION",
        {Ret(), In("PID_PARENT"), In("PID_LOCATTYPE"), In("PNAME", TF::String),
         In("PCODES", TF::String), In("PNAMES", TF::String)},
        InsLocation);
    Add("UPD_T#LOCATION",
        {Ret(), In("PID"), In("PID_PARENT"), In("PID_LOCATTYPE"), In("PNAME", TF::String),
         In("PVERSION"), In("PCODES", TF::String), In("PNAMES", TF::String)},
        UpdLocation);
    Add("DEL_T#LOCATION", {Ret(), In("PID")}, DelLocation);
    Add("UPD_T#LOCATION_ID_PARENT", {Ret(), In("PID"), In("PID_PARENT"), In("PVERSION")},
        UpdLocationParent);

    Add("GET_T#LOCATTYPE", {In("PID"), Dataset()}, GetLocatType);
    Add("GET_T#LOCATTYPE_BY_LEVEL", {In("PLEVEL#"), Dataset()}, GetLocatTypeByLevel);
    Add("INS_T#LOCATTYPE", {Ret(), In("PLEVEL#"), In("PID_ABBREV")}, InsLocatType);
    Add("UPD_T#LOCATTYPE", {Ret(), In("PID"), In("PLEVEL#"), In("PID_ABBREV"), In("PVERSION")},
        UpdLocatType);
    Add("DEL_T#LOCATTYPE", {Ret(), In("PID")}, DelLocatType);

    Add("GET_T#LOCATABBREV", {In("PID"), Dataset()}, GetLocatAbbrev);
    Add("INS_T#LOCATABBREV", {Ret(), In("PSNAME", TF::String), In("PNAME", TF::String)},
        InsLocatAbbrev);
    Add("UPD_T#LOCATABBREV",
        {Ret(), In("PID"), In("PSNAME", TF::String), In("PNAME", TF::String), In("PVERSION")},
        UpdLocatAbbrev);
    Add("DEL_T#LOCATABBREV", {Ret(), In("PID")}, DelLocatAbbrev);
    Add("SET_T#LOCATABBREV_BMP", {In("PID"), In("PBMP16#16", TF::Blob)}, SetLocatAbbrevBmp);
}

}  // namespace SqliteServer
