#include "Tools/qxvdb/Qxvdb.h"

#include <QFile>
#include <QHash>
#include <QRegularExpression>

#include <deque>

#include "Platform/Data/DbBackend.h"
#include "Platform/Data/EOraError.h"
#include "Server/ServerInstall.h"
#include "Server/sqlite/SqliteServer.h"
#include "Tools/qxvdb/Backup.h"
#include "Tools/qxvdb/DemoData.h"
#include "Tools/qxvdb/Records.h"
#include "Tools/qxvdb/Routines.h"

namespace {

const QString kLocat = QStringLiteral("QXVERPLOCAT");

const char kUsage[] =
    "usage: qxvdb COMMAND --db CONNECTION [--schema NAME] [options]\n"
    "  init                       create or upgrade the directory's tables and routines\n"
    "                             (and the translators' schema OC_57XX)\n"
    "  demo [--english-user NAME] load the demo directory (nothing when places exist);\n"
    "                             NAME (default DEMO) gets English interface texts\n"
    "  export --file PATH|-       write the locations (CSV, or JSON for a .json file)\n"
    "  import --file PATH         add the locations of such a file\n"
    "  --format csv|json          the file format, whatever the file's name\n"
    "  backup --file PATH         copy an embedded database (all its files) into one file,\n"
    "                             while it is in use\n"
    "  restore --file PATH        put such a copy back in place\n"
    "CONNECTION is sqlite:PATH or postgresql://user@host:port/db; the schema defaults\n"
    "to the database user's name.\n";

struct TUsageError {
    QString Text;
};

struct TOptions {
    QString Command;
    QString Db;
    QString Schema;
    QString File;
    bool Json = false;
    QString EnglishUser = QStringLiteral("DEMO");
};

TOptions ParseOptions(const QStringList& args) {
    TOptions o;
    bool formatGiven = false;
    if (args.isEmpty()) throw TUsageError{QStringLiteral("no command given")};
    o.Command = args.front();
    static const QStringList commands = {QStringLiteral("init"),   QStringLiteral("demo"),
                                         QStringLiteral("export"), QStringLiteral("import"),
                                         QStringLiteral("backup"), QStringLiteral("restore")};
    if (!commands.contains(o.Command))
        throw TUsageError{QStringLiteral("unknown command \"%1\"").arg(o.Command)};
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        auto value = [&]() -> QString {
            if (i + 1 >= args.size()) throw TUsageError{QStringLiteral("%1 needs a value").arg(a)};
            return args[++i];
        };
        if (a == QLatin1String("--db"))
            o.Db = value();
        else if (a == QLatin1String("--schema"))
            o.Schema = value();
        else if (a == QLatin1String("--file"))
            o.File = value();
        else if (a == QLatin1String("--format")) {
            const QString format = value();
            if (format != QLatin1String("csv") && format != QLatin1String("json"))
                throw TUsageError{QStringLiteral("unknown format \"%1\"").arg(format)};
            o.Json = format == QLatin1String("json");
            formatGiven = true;
        } else if (a == QLatin1String("--english-user") && o.Command == QLatin1String("demo"))
            o.EnglishUser = value();
        else
            throw TUsageError{QStringLiteral("unknown option \"%1\"").arg(a)};
    }
    if (o.Db.isEmpty()) throw TUsageError{QStringLiteral("--db is required")};
    const bool needsFile =
        o.Command == QLatin1String("export") || o.Command == QLatin1String("import") ||
        o.Command == QLatin1String("backup") || o.Command == QLatin1String("restore");
    if (needsFile && o.File.isEmpty()) throw TUsageError{QStringLiteral("--file is required")};
    if (!formatGiven) o.Json = o.File.endsWith(QLatin1String(".json"), Qt::CaseInsensitive);
    return o;
}

// One location as the files carry it: ID, ID_PARENT, LEVEL, ABBREV, NAME.
// Every location, parents before their children (breadth first).
std::vector<TRecord> ReadPlaces(TRoutines& calls) {
    std::vector<TRecord> records;
    std::deque<QVariant> parents{QVariant()};
    while (!parents.empty()) {
        const QVariant parent = parents.front();
        parents.pop_front();
        const TRowSet rows =
            calls.Rows(kLocat, QStringLiteral("GET_T#LOCATION"),
                       {{QStringLiteral("PID"), -1}, {QStringLiteral("PID_PARENT"), parent}});
        const int id = ColumnIndex(rows, QStringLiteral("ID"));
        const int level = ColumnIndex(rows, QStringLiteral("LEVEL#"));
        const int abbrev = ColumnIndex(rows, QStringLiteral("ABBREV_SNAME"));
        const int name = ColumnIndex(rows, QStringLiteral("NAME"));
        const int children = ColumnIndex(rows, QStringLiteral("CHILD_CNT"));
        for (const auto& row : rows.Rows) {
            records.push_back({row[id].toString(), parent.toString(), row[level].toString(),
                               row[abbrev].toString(), row[name].toString()});
            if (row[children].toLongLong() > 0) parents.push_back(row[id]);
        }
    }
    return records;
}

int Import(TRoutines& calls, const std::vector<std::pair<QString, TRecord>>& records,
           QTextStream& out) {
    // Types by "level/short name"; missing abbreviations and levels are created.
    QHash<QString, long long> abbrevIds;
    const TRowSet abbrevs =
        calls.Rows(kLocat, QStringLiteral("GET_T#LOCATABBREV"), {{QStringLiteral("PID"), -1}});
    for (const auto& row : abbrevs.Rows)
        abbrevIds.insert(row[ColumnIndex(abbrevs, QStringLiteral("SNAME"))].toString(),
                         row[ColumnIndex(abbrevs, QStringLiteral("ID"))].toLongLong());
    QHash<QString, long long> typeIds;
    const TRowSet types =
        calls.Rows(kLocat, QStringLiteral("GET_T#LOCATTYPE"), {{QStringLiteral("PID"), -1}});
    for (const auto& row : types.Rows)
        typeIds.insert(QStringLiteral("%1/%2")
                           .arg(row[ColumnIndex(types, QStringLiteral("LEVEL#"))].toInt())
                           .arg(row[ColumnIndex(types, QStringLiteral("SNAME"))].toString()),
                       row[ColumnIndex(types, QStringLiteral("ID"))].toLongLong());

    auto typeOf = [&](int level, const QString& sname) -> long long {
        const QString key = QStringLiteral("%1/%2").arg(level).arg(sname);
        if (const auto it = typeIds.constFind(key); it != typeIds.constEnd()) return *it;
        long long abbrevId = abbrevIds.value(sname, 0);
        if (abbrevId <= 0) {
            abbrevId =
                calls.Result(kLocat, QStringLiteral("INS_T#LOCATABBREV"),
                             {{QStringLiteral("PSNAME"), sname}, {QStringLiteral("PNAME"), sname}});
            abbrevIds.insert(sname, abbrevId);
        }
        const long long typeId = calls.Result(
            kLocat, QStringLiteral("INS_T#LOCATTYPE"),
            {{QStringLiteral("PLEVEL#"), level}, {QStringLiteral("PID_ABBREV"), abbrevId}});
        if (typeId <= 0)
            throw TDataError{
                QStringLiteral("level %1 of \"%2\" cannot be created").arg(level).arg(sname)};
        typeIds.insert(key, typeId);
        return typeId;
    };

    QHash<QString, long long> newIds;  // id in the file → id in the database
    int added = 0;
    for (const auto& [where, f] : records) {
        if (f.size() != 5)
            throw TDataError{
                QStringLiteral("%1: 5 fields expected, %2 found").arg(where).arg(f.size())};
        bool levelOk = false;
        const int level = f[2].toInt(&levelOk);
        if (!levelOk || f[3].isEmpty() || f[4].isEmpty())
            throw TDataError{
                QStringLiteral("%1: a level, an abbreviation and a name are required").arg(where)};
        QVariant parent;
        if (!f[1].isEmpty()) {
            if (!newIds.contains(f[1]))
                throw TDataError{
                    QStringLiteral("%1: parent %2 is not defined above").arg(where).arg(f[1])};
            parent = newIds.value(f[1]);
        }
        const long long id = calls.Result(kLocat, QStringLiteral("INS_T#LOCATION"),
                                          {{QStringLiteral("PID_PARENT"), parent},
                                           {QStringLiteral("PID_LOCATTYPE"), typeOf(level, f[3])},
                                           {QStringLiteral("PNAME"), f[4]}});
        if (id <= 0)
            throw TDataError{QStringLiteral("%1: \"%2\" does not fit at level %3")
                                 .arg(where)
                                 .arg(f[4])
                                 .arg(level)};
        newIds.insert(f[0], id);
        ++added;
    }
    out << "imported " << added << " locations\n";
    return added;
}

}  // namespace

// Backups work on the files of an embedded database, beneath the routines.
int RunBackupCommand(const TOptions& o, QTextStream& out, QTextStream& err) {
    static const QRegularExpression embedded(QStringLiteral("^sqlite:([^?]+)"));
    const QRegularExpressionMatch path = embedded.match(o.Db);
    if (!path.hasMatch() || path.captured(1) == QLatin1String(":memory:")) {
        err << "qxvdb: " << o.Command
            << " copies an embedded database (sqlite:PATH); a PostgreSQL database is copied "
               "with the server's own tools (pg_dump)\n";
        return QxvdbExit::Usage;
    }
    try {
        const bool backup = o.Command == QLatin1String("backup");
        const TBackupStats stats = backup ? BackupEmbedded(path.captured(1), o.File)
                                          : RestoreEmbedded(o.File, path.captured(1));
        out << (backup ? "backed up " : "restored ") << stats.Files << " files, " << stats.Bytes
            << " bytes\n";
        return 0;
    } catch (const EBackupError& e) {
        err << "qxvdb: " << e.Text << "\n";
        return QxvdbExit::DataError;
    }
}

int RunQxvdb(const QStringList& args, QTextStream& out, QTextStream& err) {
    TOptions o;
    try {
        o = ParseOptions(args);
    } catch (const TUsageError& e) {
        err << "qxvdb: " << e.Text << "\n" << kUsage;
        err.flush();
        return QxvdbExit::Usage;
    }
    if (o.Command == QLatin1String("backup") || o.Command == QLatin1String("restore"))
        return RunBackupCommand(o, out, err);
    try {
        // An embedded database answers with the routines of this program.
        RegisterSqliteServer();
        std::unique_ptr<IDbConnection> db = OpenConnection(o.Db);
        const QString schema = o.Schema.isEmpty() ? db->UserName() : o.Schema;
        CheckSchemaName(schema);
        TRoutines calls(*db, schema);
        if (o.Command == QLatin1String("init")) {
            InstallServerSchema(*db, schema);
            InstallPhraseCaptureSchema(*db);
            db->Commit();
            out << "schema " << schema << " is ready on " << db->Server() << "\n";
        } else if (o.Command == QLatin1String("demo")) {
            const std::optional<TDemoStats> stats = LoadDemoData(*db, schema, o.EnglishUser);
            if (!stats) {
                out << "schema " << schema << " already holds locations; demo data not loaded\n";
            } else {
                out << "demo data loaded: " << stats->Locations << " locations, "
                    << stats->Abbreviations << " abbreviations, " << stats->LocationTypes
                    << " levels, " << stats->InformationItems << " information items\n";
            }
        } else if (o.Command == QLatin1String("export")) {
            QFile file(o.File);
            const bool opened = o.File == QLatin1String("-")
                                    ? file.open(stdout, QIODevice::WriteOnly)
                                    : file.open(QIODevice::WriteOnly | QIODevice::Truncate);
            if (!opened) {
                err << "qxvdb: cannot write " << o.File << ": " << file.errorString() << "\n";
                return QxvdbExit::DataError;
            }
            WriteRecords(ReadPlaces(calls), o.Json, file);
        } else {
            QFile file(o.File);
            if (!file.open(QIODevice::ReadOnly)) {
                err << "qxvdb: cannot read " << o.File << ": " << file.errorString() << "\n";
                return QxvdbExit::DataError;
            }
            try {
                db->StartTransaction();  // an import lands whole or not at all
                Import(calls, ReadRecords(file, o.Json), out);
                db->Commit();
            } catch (...) {
                db->Rollback();
                throw;
            }
        }
        out.flush();
        return QxvdbExit::Ok;
    } catch (const EOraError& e) {
        err << "qxvdb: " << e.Message().trimmed() << "\n";
        err.flush();
        return QxvdbExit::DatabaseError;
    } catch (const TDataError& e) {
        err << "qxvdb: " << e.Text << "\n";
        err.flush();
        return QxvdbExit::DataError;
    }
}
