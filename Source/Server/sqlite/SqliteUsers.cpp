// Package QXVERPUSER of the embedded server: who may do what. The rights of a user are the
// twelve of the service's access list, one character each ("1" granted), and an administrator
// flag for the users themselves. The user is the connection string's `user`.

#include <algorithm>

#include "Platform/Data/EOraError.h"
#include "Platform/Data/UserRights.h"
#include "Server/sqlite/SqliteServerImpl.h"

namespace SqliteServer {

namespace {

using Ctx = TSqliteRoutineContext;
using TF = TFieldType;

const QString kPackage = QStringLiteral("QXVERPUSER");

const QString kAdministration = QStringLiteral("Администрирование пользователей");

QString RightsRow(Ctx& ctx, const QString& s, const QString& column, const QString& user) {
    return Scalar(
               ctx,
               Sql(s, "SELECT %1 FROM {S}.USER_RIGHTS WHERE USER_NAME = UPPER(:USER)").arg(column),
               {{"USER", user}})
        .toString();
}

QString SessionRights(Ctx& ctx, const QString& s) {
    const QString rights = RightsRow(ctx, s, QStringLiteral("RIGHTS"), ctx.UserName());
    return rights.size() == UserRights::Count ? rights : QString::fromLatin1(UserRights::ViewOnly);
}

bool SessionIsAdmin(Ctx& ctx, const QString& s) {
    return RightsRow(ctx, s, QStringLiteral("IS_ADMIN"), ctx.UserName()) == QLatin1String("1");
}

[[noreturn]] void Refuse(const QString& what) {
    throw EOraError::Make(UserRights::Refused, QStringLiteral("Недостаточно прав: ") + what);
}

void RequireAdmin(Ctx& ctx, const QString& s) {
    if (!SessionIsAdmin(ctx, s)) Refuse(kAdministration);
}

TCallResult GetUserRights(Ctx& ctx, const QString& s, const TSqliteInputs&) {
    return Result(SessionRights(ctx, s));
}

TCallResult GetUsers(Ctx& ctx, const QString& s, const TSqliteInputs&) {
    return Rows(ctx.Query(Sql(s,
                              "SELECT R.USER_NAME AS USER_NAME, R.RIGHTS AS RIGHTS, R.IS_ADMIN AS "
                              "IS_ADMIN, L.APL_LANG_ID AS LANG_ID FROM {S}.USER_RIGHTS R LEFT "
                              "JOIN {S}.LANG_USER L ON UPPER(L.USER_NAME) = R.USER_NAME "
                              "ORDER BY R.USER_NAME"),
                          {}),
                {TF::String, TF::String, TF::Integer, TF::Integer});
}

bool ValidRights(const QVariant& rights) {
    const QString text = rights.toString();
    return text.size() == UserRights::Count &&
           std::all_of(text.begin(), text.end(), [](QChar c) { return c == u'0' || c == u'1'; });
}

bool UserExists(Ctx& ctx, const QString& s, const QString& name) {
    return Exists(ctx, Sql(s, "SELECT 1 FROM {S}.USER_RIGHTS WHERE USER_NAME = UPPER(:NAME)"),
                  {{"NAME", name}});
}

void SetLanguage(Ctx& ctx, const QString& s, const QString& name, const QVariant& language) {
    if (language.isNull()) return;
    ctx.Execute(Sql(s, "DELETE FROM {S}.LANG_USER WHERE UPPER(USER_NAME) = UPPER(:NAME)"),
                {{"NAME", name}});
    ctx.Execute(Sql(s,
                    "INSERT INTO {S}.LANG_USER (USER_NAME, APL_LANG_ID, APL_LANG_SUB_ID, "
                    "REP_LANG_ID, REP_LANG_SUB_ID) VALUES (UPPER(:NAME), :LANG, 0, :LANG, 0)"),
                {{"NAME", name}, {"LANG", language, TF::Integer}});
}

// INS_T#USER and UPD_T#USER: NULL keeps a value (on insert: rights of a reader, no admin).
TCallResult SaveUser(Ctx& ctx, const QString& s, const TSqliteInputs& in, bool insert) {
    RequireAdmin(ctx, s);
    const QString name = in.Text("PNAME").trimmed();
    const QVariant rights = in.Value("PRIGHTS");
    if (name.isEmpty() || name.size() > 128 || (!rights.isNull() && !ValidRights(rights)))
        return Result(-1);
    if (UserExists(ctx, s, name) == insert) return Result(-1);
    if (insert)
        ctx.Execute(Sql(s,
                        "INSERT INTO {S}.USER_RIGHTS (USER_NAME, RIGHTS, IS_ADMIN) VALUES "
                        "(UPPER(:NAME), :RIGHTS, 0)"),
                    {{"NAME", name}, {"RIGHTS", QString::fromLatin1(UserRights::ViewOnly)}});
    ctx.Execute(Sql(s,
                    "UPDATE {S}.USER_RIGHTS SET RIGHTS = COALESCE(:RIGHTS, RIGHTS), IS_ADMIN = "
                    "COALESCE(:ADMIN, IS_ADMIN) WHERE USER_NAME = UPPER(:NAME)"),
                {{"NAME", name}, {"RIGHTS", rights}, {"ADMIN", in.Value("PADMIN"), TF::Integer}});
    SetLanguage(ctx, s, name, in.Value("PLANG"));
    return Result(1);
}

TCallResult DelUser(Ctx& ctx, const QString& s, const TSqliteInputs& in) {
    RequireAdmin(ctx, s);
    const long long removed =
        ctx.Execute(Sql(s, "DELETE FROM {S}.USER_RIGHTS WHERE USER_NAME = UPPER(:NAME)"),
                    {{"NAME", in.Text("PNAME").trimmed()}});
    return Result(removed > 0 ? 1 : -1);
}

void Add(const char* routine, std::vector<TParamDesc> params, TSqliteRoutineBody body) {
    AddRoutine(kPackage, routine, std::move(params), std::move(body));
}

}  // namespace

void RequireRight(TSqliteRoutineContext& ctx, const QString& schema,
                  std::initializer_list<int> anyOf) {
    const QString rights = SessionRights(ctx, schema);
    for (const int code : anyOf)
        if (rights.at(code - 1) == u'1') return;
    Refuse(QString::fromUtf8(UserRights::Names[*anyOf.begin() - 1]));
}

void InstallUsers(IDbConnection& db, const QString& schema) {
    db.Execute(Sql(schema,
                   "CREATE TABLE IF NOT EXISTS {S}.USER_RIGHTS (USER_NAME VARCHAR(128) NOT NULL "
                   "PRIMARY KEY, RIGHTS VARCHAR(12) NOT NULL CONSTRAINT CK_USER_RIGHTS CHECK "
                   "(length(RIGHTS) = 12 AND RIGHTS NOT GLOB '*[^01]*'), IS_ADMIN INTEGER NOT "
                   "NULL DEFAULT 0)"),
               {});
    // A schema always has someone who may grant rights: whoever installs it, when nobody can.
    db.Execute(Sql(schema,
                   "INSERT INTO {S}.USER_RIGHTS (USER_NAME, RIGHTS, IS_ADMIN) SELECT UPPER(:USER), "
                   ":ALL, 1 WHERE NOT EXISTS (SELECT 1 FROM {S}.USER_RIGHTS WHERE IS_ADMIN = 1) "
                   "ON CONFLICT (USER_NAME) DO UPDATE SET RIGHTS = excluded.RIGHTS, IS_ADMIN = 1"),
               {{"USER", db.UserName()}, {"ALL", QString(UserRights::Count, u'1')}});
}

void RegisterUserRoutines() {
    Add("GET_USER_RIGHTS", {Ret(TF::String)}, GetUserRights);
    Add("GET_T#USER", {Dataset()}, GetUsers);
    const std::vector<TParamDesc> user = {Ret(), In("PNAME", TF::String), In("PRIGHTS", TF::String),
                                          In("PADMIN"), In("PLANG")};
    Add("INS_T#USER", user, [](Ctx& ctx, const QString& s, const TSqliteInputs& in) {
        return SaveUser(ctx, s, in, true);
    });
    Add("UPD_T#USER", user, [](Ctx& ctx, const QString& s, const TSqliteInputs& in) {
        return SaveUser(ctx, s, in, false);
    });
    Add("DEL_T#USER", {Ret(), In("PNAME", TF::String)}, DelUser);
}

}  // namespace SqliteServer
