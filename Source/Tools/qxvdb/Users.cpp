#include "Tools/qxvdb/Users.h"

#include <QRegularExpression>

#include <optional>

#include "Platform/Data/DbBackend.h"
#include "Platform/Data/EOraError.h"
#include "Platform/Data/UserRights.h"
#include "Server/sqlite/SqliteServer.h"
#include "Tools/qxvdb/Arguments.h"
#include "Tools/qxvdb/Qxvdb.h"
#include "Tools/qxvdb/Routines.h"

namespace {

const char kUserUsage[] =
    "usage: qxvdb user add|set NAME --db CONNECTION [--schema NAME] [--role ROLE]\n"
    "                  [--rights RIGHTS] [--lang en|ru]\n"
    "       qxvdb user list --db CONNECTION [--schema NAME]\n"
    "       qxvdb user remove NAME --db CONNECTION [--schema NAME]\n"
    "Keeps, per user, what the user may do in the directory. Adding, changing and\n"
    "removing users needs an administrator of the schema.\n"
    "  add NAME       a new user: a reader unless --role or --rights say otherwise\n"
    "  set NAME       changes what the options give of an existing user; --lang alone\n"
    "                 also gives a user the table lacks a language (as a reader)\n"
    "  list           every user with rights, administrator flag and language\n"
    "  remove NAME    the user's row goes: the user may then only look\n"
    "  --role reader  may look at places, information items, abbreviations and levels\n"
    "         editor  may also add, change, move and delete places and their\n"
    "                 information items\n"
    "         admin   may do everything, users included\n"
    "  --rights 1…    \"1\" and one character per right, \"1\" granting it, in this order:\n"
    "                 view, add, edit, delete places; the same for abbreviations; the\n"
    "                 same for levels (the console's access string); with --role it\n"
    "                 replaces the role's rights\n"
    "  --lang en|ru   the user's interface language\n"
    "NAME is the user of the connection: on PostgreSQL the login role, on the embedded\n"
    "engine the user of sqlite:PATH?user=NAME. A user without a row may only look.\n"
    "The user who installs a schema that has no administrator (qxvdb init) becomes one.\n";

struct TUserOptions {
    QString Action;
    QString Name;
    QString Db;
    QString Schema;
    std::optional<QString> Rights;  // twelve characters
    std::optional<bool> Admin;
    std::optional<int> Language;
    bool Help = false;
};

QString RoleRights(const QString& role) {
    if (role == QLatin1String("reader")) return QString::fromLatin1(UserRights::Reader);
    if (role == QLatin1String("editor")) return QString::fromLatin1(UserRights::Editor);
    if (role == QLatin1String("admin")) return QString::fromLatin1(UserRights::Admin);
    throw TUsageError{QStringLiteral("--role takes reader, editor or admin")};
}

TUserOptions ParseUserOptions(const QStringList& args) {
    TUserOptions o;
    static const QStringList actions = {QStringLiteral("add"), QStringLiteral("set"),
                                        QStringLiteral("list"), QStringLiteral("remove")};
    std::optional<QString> roleRights;
    TArguments arg(args, 0);
    while (arg.Next()) {
        const QString& a = arg.Current();
        if (arg.TakeCommon(o)) {
            if (o.Help) return o;
        } else if (a == QLatin1String("--role")) {
            const QString role = arg.Value();
            roleRights = RoleRights(role);
            o.Admin = role == QLatin1String("admin");
        } else if (a == QLatin1String("--rights")) {
            const QString rights = arg.Value();
            if (!UserRights::WellFormed(rights) ||
                rights.mid(1).contains(QRegularExpression(QStringLiteral("[^01]"))))
                throw TUsageError{
                    QStringLiteral("--rights takes \"1\" and %1 characters 0 or 1, not \"%2\"")
                        .arg(UserRights::Count)
                        .arg(rights)};
            o.Rights = rights.mid(1);
        } else if (a == QLatin1String("--lang")) {
            const QString lang = arg.Value();
            if (lang != QLatin1String("en") && lang != QLatin1String("ru"))
                throw TUsageError{QStringLiteral("--lang takes en or ru")};
            o.Language = lang == QLatin1String("en") ? 9 : 25;
        } else if (a.startsWith(QLatin1Char('-')))
            throw TUsageError{QStringLiteral("unknown option \"%1\"").arg(a)};
        else if (o.Action.isEmpty()) {
            if (!actions.contains(a))
                throw TUsageError{QStringLiteral("unknown user action \"%1\"").arg(a)};
            o.Action = a;
        } else if (o.Name.isEmpty())
            o.Name = a;
        else
            throw TUsageError{QStringLiteral("unexpected argument \"%1\"").arg(a)};
    }
    if (o.Action.isEmpty()) throw TUsageError{QStringLiteral("no user action given")};
    if (o.Db.isEmpty()) throw TUsageError{QStringLiteral("--db is required")};
    if (o.Action != QLatin1String("list") && o.Name.isEmpty())
        throw TUsageError{QStringLiteral("user %1 needs the user's name").arg(o.Action)};
    if (!o.Rights && roleRights) o.Rights = roleRights;
    if (o.Action == QLatin1String("add") && !o.Rights)
        o.Rights = QString::fromLatin1(UserRights::Reader);
    return o;
}

QString LanguageName(const QVariant& language) {
    if (language.isNull()) return QStringLiteral("ru");
    return language.toInt() == 9 ? QStringLiteral("en") : language.toString();
}

void ListUsers(TRoutines& calls, QTextStream& out) {
    const TRowSet rows = calls.Rows(QStringLiteral("QXVERPUSER"), QStringLiteral("GET_T#USER"), {});
    out << "user\trights\tadmin\tlanguage\n";
    for (const auto& row : rows.Rows)
        out << row[0].toString() << "\t1" << row[1].toString() << "\t"
            << (row[2].toInt() == 1 ? "yes" : "no") << "\t" << LanguageName(row[3]) << "\n";
}

int ChangeUser(TRoutines& calls, const TUserOptions& o, QTextStream& out, QTextStream& err) {
    const QString package = QStringLiteral("QXVERPUSER");
    long long result = -1;
    if (o.Action == QLatin1String("remove")) {
        result = calls.Result(package, QStringLiteral("DEL_T#USER"), {{"PNAME", o.Name}});
    } else {
        const auto save = [&](bool add) {
            return calls.Result(
                package, add ? QStringLiteral("INS_T#USER") : QStringLiteral("UPD_T#USER"),
                {{"PNAME", o.Name},
                 {"PRIGHTS", o.Rights ? QVariant(*o.Rights) : QVariant()},
                 {"PADMIN", o.Admin ? QVariant(*o.Admin ? 1 : 0) : QVariant()},
                 {"PLANG", o.Language ? QVariant(*o.Language) : QVariant()}});
        };
        result = save(o.Action == QLatin1String("add"));
        // A user the table does not hold may only look: giving one a language keeps it so, as
        // a reader with that language, on any database.
        if (result < 1 && o.Action == QLatin1String("set") && o.Language && !o.Rights && !o.Admin)
            result = save(true);
    }
    if (result < 1) {
        err << "qxvdb: user " << o.Name
            << (o.Action == QLatin1String("add") ? " already exists" : " does not exist")
            << " in schema " << calls.Schema() << "\n";
        return QxvdbExit::DataError;
    }
    out << "user " << o.Name.toUpper() << ": " << o.Action << " done\n";
    return QxvdbExit::Ok;
}

}  // namespace

int RunUserCommand(const QStringList& args, QTextStream& out, QTextStream& err) {
    const std::optional<TUserOptions> parsed = ParsedOrSaid(ParseUserOptions, args, kUserUsage, err);
    if (!parsed) return QxvdbExit::Usage;
    const TUserOptions& o = *parsed;
    if (o.Help) {
        out << kUserUsage;
        out.flush();
        return QxvdbExit::Ok;
    }
    try {
        RegisterSqliteServer();
        std::unique_ptr<IDbConnection> db = OpenConnection(o.Db);
        const QString schema = o.Schema.isEmpty() ? db->UserName() : o.Schema;
        CheckSchemaName(schema);
        TRoutines calls(*db, schema);
        int code = QxvdbExit::Ok;
        if (o.Action == QLatin1String("list"))
            ListUsers(calls, out);
        else
            code = ChangeUser(calls, o, out, err);
        db->Commit();
        out.flush();
        err.flush();
        return code;
    } catch (const EOraError& e) {
        err << "qxvdb: " << e.Message().trimmed() << "\n";
        err.flush();
        return QxvdbExit::DatabaseError;
    }
}
