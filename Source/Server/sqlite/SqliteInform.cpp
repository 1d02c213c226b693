// Package QXVERPINFORM of the embedded server: information items attached to objects,
// forming a small tree of their own per object.

#include "Platform/Data/EOraError.h"
#include "Server/sqlite/SqliteServerImpl.h"

namespace SqliteServer {

namespace {

using Ctx = TSqliteRoutineContext;
using TF = TFieldType;

const QString kPackage = QStringLiteral("QXVERPINFORM");

bool ItemExists(Ctx& ctx, const QString& s, const TSqliteInputs& in, long long id) {
    return Exists(ctx,
                  Sql(s,
                      "SELECT 1 FROM {S}.INFORMATION WHERE ID = :ID AND OBJTYPE IS :OBJTYPE AND "
                      "OBJID IS :OBJID"),
                  {{"ID", id}, {"OBJTYPE", in.Value("POBJTYPE")}, {"OBJID", in.Value("POBJID")}});
}

TCallResult GetInformation(Ctx& ctx, const QString& s, const TSqliteInputs& in) {
    const auto parent = in.Id("PID_PARENT");
    const QString sql =
        Sql(s,
            "SELECT I.ID AS ID, I.ID_PARENT AS ID_PARENT, I.INFOTYPE AS INFOTYPE, I.VALUE AS "
            "VALUE, I.DESCRIPTION AS DESCRIPTION, I.ACTIVE AS ACTIVE, (SELECT COUNT(*) FROM "
            "{S}.INFORMATION C WHERE C.ID_PARENT = I.ID) AS CHILD_CNT, I.VERSION AS VERSION, "
            "I.CHANGED_BY AS CHANGED_BY, I.CHANGED_AT AS CHANGED_AT FROM {S}.INFORMATION I "
            "WHERE I.OBJTYPE = :OBJTYPE AND I.OBJID = :OBJID AND ") +
        (parent ? QStringLiteral("I.ID_PARENT = :PARENT") : QStringLiteral("I.ID_PARENT IS NULL")) +
        QStringLiteral(" ORDER BY I.ID");
    return Rows(ctx.Query(sql, {{"OBJTYPE", in.Value("POBJTYPE")},
                                {"OBJID", in.Value("POBJID")},
                                {"PARENT", IdValue(parent)}}),
                {TF::Integer, TF::Integer, TF::Integer, TF::String, TF::String, TF::Integer,
                 TF::Integer, TF::Integer, TF::String, TF::String});
}

TCallResult InsInformation(Ctx& ctx, const QString& s, const TSqliteInputs& in) {
    RequireRight(ctx, s, {3});
    if (!in.Id("POBJID")) return Result(-1);  // an item always belongs to an object
    // An item of a place needs the place: one another session has just deleted takes none.
    if (in.Int("POBJTYPE") == 1 && !Exists(ctx, Sql(s, "SELECT 1 FROM {S}.LOCATION WHERE ID = :ID"),
                                           {{"ID", *in.Id("POBJID")}}))
        RaiseConstraint(OraCode::ParentKeyNotFound, s, "FK_INFORMATION_LOCATION");
    ctx.Execute(Sql(s,
                    "INSERT INTO {S}.INFORMATION (OBJTYPE, OBJID, ID_PARENT, INFOTYPE, VALUE, "
                    "DESCRIPTION, ACTIVE, CHANGED_BY, CHANGED_AT) VALUES (:OBJTYPE, :OBJID, "
                    ":PARENT, :INFOTYPE, :VALUE, :DESCRIPTION, :ACTIVE, :WHO, ") +
                    Sql(s, kNow) + QLatin1Char(')'),
                {{"OBJTYPE", in.Value("POBJTYPE"), TF::Integer},
                 {"OBJID", in.Value("POBJID"), TF::Integer},
                 {"PARENT", IdValue(in.Id("PID_PARENT"))},
                 {"INFOTYPE", in.Value("PINFOTYPE"), TF::Integer},
                 {"VALUE", Text(in, "PVALUE", 255)},
                 {"DESCRIPTION", Text(in, "PDESCRIPTION", 255)},
                 {"ACTIVE", in.Value("PACTIVE"), TF::Integer},
                 Who(ctx)});
    const long long id = ctx.LastInsertId();
    JournalOne(ctx, s, TJournalKind::Item, "ADD", id);
    return Result(id);
}

TCallResult UpdInformation(Ctx& ctx, const QString& s, const TSqliteInputs& in) {
    RequireRight(ctx, s, {3});
    const auto id = in.Id("PID");
    if (!id) return Result(-1);
    RequireVersion(ctx, s, kInfoRows, *id, in);
    if (!ItemExists(ctx, s, in, *id)) return Result(-1);
    const auto parent = in.Id("PID_PARENT");
    if (parent) {
        // The new parent may be neither the item nor anything below it.
        const long long loops =
            Scalar(ctx,
                   Sql(s,
                       "WITH RECURSIVE UP(ID, ID_PARENT) AS ("
                       " SELECT ID, ID_PARENT FROM {S}.INFORMATION WHERE ID = :PARENT"
                       " UNION SELECT I.ID, I.ID_PARENT FROM {S}.INFORMATION I"
                       " JOIN UP ON I.ID = UP.ID_PARENT)"
                       " SELECT COUNT(*) FROM UP WHERE ID = :ID"),
                   {{"PARENT", *parent}, {"ID", *id}})
                .toLongLong();
        if (loops > 0) return Result(-1);
    }
    JournalOne(ctx, s, TJournalKind::Item, "EDIT", *id, [&] {
        ctx.Execute(Sql(s,
                        "UPDATE {S}.INFORMATION SET ID_PARENT = :PARENT, VALUE = :VALUE, "
                        "DESCRIPTION = :DESCRIPTION, ACTIVE = :ACTIVE, ") +
                        Sql(s, kStamp) + QStringLiteral(" WHERE ID = :ID"),
                    {{"PARENT", IdValue(parent)},
                     {"VALUE", Text(in, "PVALUE", 255)},
                     {"DESCRIPTION", Text(in, "PDESCRIPTION", 255)},
                     {"ACTIVE", in.Value("PACTIVE"), TF::Integer},
                     {"ID", *id},
                     Who(ctx)});
    });
    return Result(*id);
}

// The item goes with everything below it. The parent-key trigger checks each row as it
// goes, so the deepest rows are deleted first.
TCallResult DelInformation(Ctx& ctx, const QString& s, const TSqliteInputs& in) {
    RequireRight(ctx, s, {4, 3, 2});
    const auto id = in.Id("PID");
    if (!id || !ItemExists(ctx, s, in, *id)) return Result(-1);
    const QString down = Sql(s,
                             "WITH RECURSIVE DOWN(ID, DEPTH) AS ("
                             " SELECT ID, 0 FROM {S}.INFORMATION WHERE ID = :ID"
                             " UNION SELECT I.ID, DOWN.DEPTH + 1 FROM {S}.INFORMATION I"
                             " JOIN DOWN ON I.ID_PARENT = DOWN.ID)");
    const TRowSet subtree =
        ctx.Query(down + QStringLiteral(" SELECT ID FROM DOWN ORDER BY DEPTH DESC"), {{"ID", *id}});
    const long long mark =
        JournalOpen(ctx, s, TJournalKind::Item, "DELETE",
                    QStringLiteral("X.ID IN (") + down + QStringLiteral(" SELECT ID FROM DOWN)"),
                    {{"ID", *id}});
    const QString del = Sql(s, "DELETE FROM {S}.INFORMATION WHERE ID = :ID");
    for (const auto& row : subtree.Rows) ctx.Execute(del, {{"ID", row[0]}});
    JournalClose(ctx, s, TJournalKind::Item, mark);
    return Result(1);
}

void Add(const char* routine, std::vector<TParamDesc> params, TSqliteRoutineBody body) {
    AddRoutine(kPackage, routine, std::move(params), std::move(body));
}

}  // namespace

void RegisterInformRoutines() {
    Add("GET_T#INFORMATION", {In("POBJTYPE"), In("POBJID"), In("PID_PARENT"), Dataset()},
        GetInformation);
    Add("INS_T#INFORMATION",
        {Ret(), In("POBJTYPE"), In("POBJID"), In("PID_PARENT"), In("PINFOTYPE"),
         In("PVALUE", TF::String), In("PDESCRIPTION", TF::String), In("PACTIVE")},
        InsInformation);
    Add("UPD_T#INFORMATION",
        {Ret(), In("POBJTYPE"), In("POBJID"), In("PID"), In("PID_PARENT"), In("PVALUE", TF::String),
         In("PDESCRIPTION", TF::String), In("PACTIVE"), In("PVERSION")},
        UpdInformation);
    Add("DEL_T#INFORMATION", {Ret(), In("POBJTYPE"), In("POBJID"), In("PID")}, DelInformation);
}

}  // namespace SqliteServer
