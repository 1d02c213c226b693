// The change journal of the embedded server: one row per changed object, written inside the
// changing routine's own unit of work, and the routines that read it back.

#include "Server/sqlite/SqliteServerImpl.h"

namespace SqliteServer {

namespace {

using Ctx = TSqliteRoutineContext;
using TF = TFieldType;

// What a journal row records of each kind of object: its table, its fields as a JSON object,
// the place the row concerns and (for places) the parent, each over the row aliased X.
struct TJournalShape {
    const char* Kind;
    const char* Table;
    const char* Fields;
    const char* Place;
    const char* Parent;
};

// A place's codes ("KIND<tab>code") and names ("LANG<tab>name") are part of the place: a
// change of them alone is an edit of the place.
const TJournalShape kShapes[] = {
    {"PLACE", "LOCATION",
     "json_object('NAME', X.NAME, 'ID_PARENT', X.ID_PARENT, 'ID_LOCATTYPE', X.ID_LOCATTYPE,"
     " 'CODES', (SELECT group_concat(KIND || char(9) || CODE, char(10)) FROM (SELECT KIND, CODE"
     " FROM {S}.LOCATION_CODE WHERE ID_LOCATION = X.ID ORDER BY KIND, CODE)),"
     " 'NAMES', (SELECT group_concat(LANG || char(9) || NAME, char(10)) FROM (SELECT LANG, NAME"
     " FROM {S}.LOCATION_NAME WHERE ID_LOCATION = X.ID ORDER BY LANG)))",
     "X.ID", "X.ID_PARENT"},
    {"ITEM", "INFORMATION",
     "json_object('OBJTYPE', X.OBJTYPE, 'OBJID', X.OBJID, 'ID_PARENT', X.ID_PARENT,"
     " 'INFOTYPE', X.INFOTYPE, 'VALUE', X.VALUE, 'DESCRIPTION', X.DESCRIPTION,"
     " 'ACTIVE', X.ACTIVE)",
     "CASE WHEN X.OBJTYPE = 1 THEN X.OBJID END", "NULL"},
    {"ABBREV", "LOCATABBREV",
     "json_object('SNAME', X.SNAME, 'NAME', X.NAME, 'BMP', CASE WHEN X.BMP IS NOT NULL THEN"
     " hex(X.BMP) END)",
     "NULL", "NULL"},
    {"LEVEL", "LOCATTYPE", "json_object('LEVEL_NO', X.LEVEL_NO, 'ID_ABBREV', X.ID_ABBREV)", "NULL",
     "NULL"},
};

const TJournalShape& ShapeOf(TJournalKind kind) { return kShapes[int(kind)]; }

QString Expand(const QString& s, const TJournalShape& shape, const char* sql) {
    return Sql(s, sql)
        .replace(QStringLiteral("{TABLE}"), QString::fromLatin1(shape.Table))
        .replace(QStringLiteral("{FIELDS}"), Sql(s, shape.Fields))
        .replace(QStringLiteral("{PLACE}"), QString::fromLatin1(shape.Place))
        .replace(QStringLiteral("{PARENT}"), QString::fromLatin1(shape.Parent));
}

const char* const kColumns = "SEQ, AT, WHO, OP, KIND, OBJID, PLACE, PARENT, BEFORE, AFTER";
const std::initializer_list<TFieldType> kColumnTypes = {
    TF::Integer, TF::String,  TF::String,  TF::String, TF::String,
    TF::Integer, TF::Integer, TF::Integer, TF::String, TF::String};

TCallResult GetJournalSeq(Ctx& ctx, const QString& s, const TSqliteInputs&) {
    return Result(JournalMark(ctx, s));
}

TCallResult GetJournal(Ctx& ctx, const QString& s, const TSqliteInputs& in) {
    const auto limit = in.Int("PLIMIT");
    return Rows(
        ctx.Query(Sql(s, "SELECT ") + QString::fromLatin1(kColumns) +
                      Sql(s,
                          " FROM {S}.JOURNAL WHERE SEQ > :SINCE ORDER BY SEQ"
                          " LIMIT :LIMIT"),
                  {{"SINCE", in.Int("PSINCE").value_or(0)}, {"LIMIT", limit ? *limit : 1000}}),
        kColumnTypes);
}

// The rows of a place, or of every place now in its subtree, items of those places included.
TCallResult GetJournalPlace(Ctx& ctx, const QString& s, const TSqliteInputs& in) {
    return Rows(
        ctx.Query(Sql(s,
                      "WITH RECURSIVE SUB(ID) AS (SELECT :ID UNION SELECT L.ID FROM"
                      " {S}.LOCATION L JOIN SUB ON L.ID_PARENT = SUB.ID WHERE :SUBTREE = 1)"
                      " SELECT ") +
                      QString::fromLatin1(kColumns) +
                      Sql(s,
                          " FROM {S}.JOURNAL WHERE PLACE IN (SELECT ID FROM SUB)"
                          " ORDER BY SEQ DESC"),
                  {{"ID", IdValue(in.Id("PID"))}, {"SUBTREE", in.Int("PSUBTREE").value_or(0)}}),
        kColumnTypes);
}

}  // namespace

const char* const kJournalTable =
    "CREATE TABLE IF NOT EXISTS {S}.JOURNAL ("
    " SEQ INTEGER PRIMARY KEY AUTOINCREMENT,"
    " AT VARCHAR(19) NOT NULL,"
    " WHO VARCHAR(128),"
    " OP VARCHAR(6) NOT NULL,"
    " KIND VARCHAR(6) NOT NULL,"
    " OBJID INTEGER NOT NULL,"
    " PLACE INTEGER,"
    " PARENT INTEGER,"
    " BEFORE TEXT,"
    " AFTER TEXT)";

long long JournalMark(Ctx& ctx, const QString& s) {
    return Scalar(ctx, Sql(s, "SELECT COALESCE(MAX(SEQ), 0) FROM {S}.JOURNAL"), {}).toLongLong();
}

long long JournalOpen(Ctx& ctx, const QString& s, TJournalKind kind, const char* op,
                      const QString& where, std::vector<TBoundValue> params) {
    const TJournalShape& shape = ShapeOf(kind);
    const long long mark = JournalMark(ctx, s);
    const bool adds = QByteArray(op) == "ADD";
    params.push_back({"OP", QString::fromLatin1(op)});
    params.push_back({"KIND", QString::fromLatin1(shape.Kind)});
    params.push_back(Who(ctx));
    ctx.Execute(Expand(s, shape,
                       "INSERT INTO {S}.JOURNAL (AT, WHO, OP, KIND, OBJID, PLACE, PARENT, BEFORE)"
                       " SELECT strftime('%Y-%m-%d %H:%M:%S', 'now'), :WHO, :OP, :KIND, X.ID,"
                       " {PLACE}, {PARENT}, ") +
                    (adds ? QStringLiteral("NULL") : Sql(s, shape.Fields)) +
                    Expand(s, shape, " FROM {S}.{TABLE} X WHERE ") + where +
                    QStringLiteral(" ORDER BY X.ID"),
                params);
    return mark;
}

void JournalClose(Ctx& ctx, const QString& s, TJournalKind kind, long long mark) {
    ctx.Execute(
        Expand(s, ShapeOf(kind),
               "UPDATE {S}.JOURNAL SET"
               " AFTER = (SELECT {FIELDS} FROM {S}.{TABLE} X WHERE X.ID = JOURNAL.OBJID),"
               " PLACE = COALESCE((SELECT {PLACE} FROM {S}.{TABLE} X WHERE X.ID = JOURNAL.OBJID),"
               " PLACE),"
               " PARENT = CASE WHEN OP = 'DELETE' THEN PARENT ELSE (SELECT {PARENT} FROM"
               " {S}.{TABLE} X WHERE X.ID = JOURNAL.OBJID) END"
               " WHERE SEQ > :MARK"),
        {{"MARK", mark}});
}

void JournalOne(Ctx& ctx, const QString& s, TJournalKind kind, const char* op, long long id,
                const std::function<void()>& change) {
    const long long mark =
        JournalOpen(ctx, s, kind, op, QStringLiteral("X.ID = :ID"), {{"ID", id}});
    if (change) change();
    JournalClose(ctx, s, kind, mark);
}

void RegisterJournalRoutines() {
    const QString package = QStringLiteral("QXVERPLOCAT");
    AddRoutine(package, "GET_JOURNAL_SEQ", {Ret()}, GetJournalSeq);
    AddRoutine(package, "GET_T#JOURNAL", {In("PSINCE"), In("PLIMIT"), Dataset()}, GetJournal);
    AddRoutine(package, "GET_T#JOURNAL_PLACE", {In("PID"), In("PSUBTREE"), Dataset()},
               GetJournalPlace);
}

}  // namespace SqliteServer
