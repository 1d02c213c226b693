#include "Tools/qxvdb/Qxvdb.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSaveFile>

#include "Platform/Data/DbBackend.h"
#include "Platform/Data/EOraError.h"
#include "Platform/NameLanguage.h"
#include "Server/ServerInstall.h"
#include "Server/sqlite/SqliteServer.h"
#include "Tools/qxvdb/Arguments.h"
#include "Tools/qxvdb/Backup.h"
#include "Tools/qxvdb/DemoData.h"
#include "Tools/qxvdb/Import.h"
#include "Tools/qxvdb/Journal.h"
#include "Tools/qxvdb/Progress.h"
#include "Tools/qxvdb/Records.h"
#include "Tools/qxvdb/Routines.h"
#include "Tools/qxvdb/Seed.h"
#include "Tools/qxvdb/Users.h"

namespace {

const char kUsage[] =
    "usage: qxvdb COMMAND --db CONNECTION [--schema NAME] [options]\n"
    "       qxvdb --help | qxvdb COMMAND --help | qxvdb --version\n"
    "  init                       create or upgrade the directory's tables and routines\n"
    "                             (and the translators' schema OC_57XX)\n"
    "  demo [--english-user NAME] load the demo directory (nothing when places exist);\n"
    "                             NAME (default DEMO) gets English interface texts\n"
    "    --world                  the demo's towns and streets below their real regions\n"
    "                             of the ISO 3166 directory, seeded first into an empty\n"
    "                             schema (see seed)\n"
    "  export --file PATH|-       write the places (CSV, or JSON for a .json file),\n"
    "                             parents before their children, with every column\n"
    "                             below that any place uses\n"
    "    --key KIND               name places and parents by their codes of that kind\n"
    "                             (CODE_KIND, PARENT_CODE) instead of ids\n"
    "  import --file PATH         add the places of such a file; every row is checked\n"
    "                             first, and one bad row imports nothing (bad rows are\n"
    "                             listed by the line they start on, in either format);\n"
    "                             the import waits for another session's move or write\n"
    "                             (at most the lock wait) and holds the tree until done\n"
    "    --existing skip|update   a row whose ID is already in the database: keep the\n"
    "                             database's place (skip, the default) or give it the\n"
    "                             file's parent, level, abbreviation and name (update);\n"
    "                             when skipped, the place must have the row's parent and\n"
    "                             level: another place under that id is a bad row\n"
    "    --new-ids                every row is a new place under a new id; the file's\n"
    "                             ids only say where its places hang\n"
    "    --create-missing         create abbreviations and levels the file names that\n"
    "                             the database lacks (otherwise such a row is bad)\n"
    "    --dry-run                check only, write nothing\n"
    "    --progress               show the progress bar even when stderr is no terminal\n"
    "    --key KIND               rows name themselves by their code of that kind and\n"
    "                             their parents by PARENT_CODE; a code the database\n"
    "                             holds names its place, the others get new ids\n"
    "  seed iso3166               add every country and its subdivisions from the system's\n"
    "                             ISO 3166 tables (package iso-codes): their codes, their\n"
    "                             types as abbreviations (named in the language of the\n"
    "                             user who seeds), English and Russian names\n"
    "                             (takes --dry-run and --progress)\n"
    "  --format csv|json          the file format, whatever the file's name\n"
    "  backup --file PATH         copy an embedded database (all its files) into one file,\n"
    "                             while it is in use\n"
    "  restore --file PATH        put such a copy back in place\n"
    "  user add|set|list|remove   who may do what (qxvdb user --help)\n"
    "  journal [--since SEQ]      the changes made, in order (qxvdb journal --help)\n"
    "CONNECTION is sqlite:PATH or postgresql://user@host:port/db; the schema defaults\n"
    "to the database user's name.\n"
    "CSV files are UTF-8 with a header line naming the columns (in any order):\n"
    "  ID         the place's id, a whole number from 1\n"
    "  ID_PARENT  the id of the place it lies in, in the file or the database;\n"
    "             empty at the top\n"
    "  LEVEL      1 at the top, one more than the parent's, at most 15\n"
    "  ABBREV     the abbreviation's short name, at most 10 characters\n"
    "  NAME       at most 255 characters\n"
    "  ABBREV_NAME  the abbreviation's full name (used when it is created)\n"
    "  NAME_xx    the name in language xx (NAME_EN, NAME_RU ...); empty: none\n"
    "  CODE_KIND  the place's code of that kind (CODE_ISO3166_1, CODE_ISO3166_2,\n"
    "             CODE_OKTMO, CODE_OKATO, CODE_POSTAL, CODE_GEONAMES, CODE_EXTERNAL);\n"
    "             empty: none; at most 64 characters\n"
    "  PARENT_CODE  with --key KIND: the parent's code of that kind, empty at the top;\n"
    "             ID and ID_PARENT are then not needed\n"
    "Fields holding commas, quotes or line breaks are quoted (\"\"), a quote doubled.\n"
    "JSON files are an array of objects with the keys id, parent, level, abbrev, name\n"
    "and the other columns' names in lower case (abbrev_name, name_en, code_oktmo ...)\n"
    "(parent null or left out at the top; numbers may also be written as texts).\n";

struct TOptions {
    QString Command;
    QString Db;
    QString Schema;
    QString File;
    bool Json = false;
    bool Help = false;
    bool Version = false;
    bool Progress = false;
    TImportOptions Import;
    QString EnglishUser = QStringLiteral("DEMO");
    QString Registry;  // what seed fills the schema from
    bool World = false;
};

TOptions ParseOptions(const QStringList& args) {
    TOptions o;
    bool formatGiven = false;
    bool existingGiven = false;
    if (args.isEmpty()) throw TUsageError{QStringLiteral("no command given")};
    o.Command = args.front();
    if (o.Command == QLatin1String("--help") || o.Command == QLatin1String("-h")) {
        o.Help = true;
        return o;
    }
    if (o.Command == QLatin1String("--version")) {
        o.Version = true;
        return o;
    }
    static const QStringList commands = {QStringLiteral("init"),   QStringLiteral("demo"),
                                         QStringLiteral("export"), QStringLiteral("import"),
                                         QStringLiteral("backup"), QStringLiteral("restore"),
                                         QStringLiteral("seed")};
    if (!commands.contains(o.Command))
        throw TUsageError{QStringLiteral("unknown command \"%1\"").arg(o.Command)};
    const bool import = o.Command == QLatin1String("import");
    const bool seed = o.Command == QLatin1String("seed");
    TArguments arg(args, 1);
    while (arg.Next()) {
        const QString& a = arg.Current();
        if (arg.TakeCommon(o)) {
            if (o.Help) return o;
        } else if (a == QLatin1String("--file"))
            o.File = arg.Value();
        else if (a == QLatin1String("--format")) {
            const QString format = arg.Value();
            if (format != QLatin1String("csv") && format != QLatin1String("json"))
                throw TUsageError{QStringLiteral("unknown format \"%1\"").arg(format)};
            o.Json = format == QLatin1String("json");
            formatGiven = true;
        } else if (a == QLatin1String("--english-user") && o.Command == QLatin1String("demo"))
            o.EnglishUser = arg.Value();
        else if (a == QLatin1String("--world") && o.Command == QLatin1String("demo"))
            o.World = true;
        else if (a == QLatin1String("--existing") && import) {
            const QString mode = arg.Value();
            if (mode != QLatin1String("skip") && mode != QLatin1String("update"))
                throw TUsageError{QStringLiteral("--existing takes skip or update")};
            o.Import.Update = mode == QLatin1String("update");
            existingGiven = true;
        } else if (a == QLatin1String("--create-missing") && import)
            o.Import.CreateMissing = true;
        else if (a == QLatin1String("--new-ids") && import)
            o.Import.NewIds = true;
        else if (a == QLatin1String("--dry-run") && (import || seed))
            o.Import.DryRun = true;
        else if (a == QLatin1String("--progress") && (import || seed))
            o.Progress = true;
        else if (a == QLatin1String("--key") && (import || o.Command == QLatin1String("export")))
            o.Import.Key = arg.Value().toUpper();
        else if (seed && o.Registry.isEmpty() && !a.startsWith(u'-'))
            o.Registry = a;
        else
            throw TUsageError{QStringLiteral("unknown option \"%1\"").arg(a)};
    }
    if (seed && o.Registry != QLatin1String("iso3166"))
        throw TUsageError{QStringLiteral("seed takes the name of the tables: iso3166")};
    if (o.Db.isEmpty()) throw TUsageError{QStringLiteral("--db is required")};
    if (o.Import.NewIds && existingGiven)
        throw TUsageError{QStringLiteral("--new-ids adds every row: --existing does not apply")};
    if (o.Import.NewIds && !o.Import.Key.isEmpty())
        throw TUsageError{QStringLiteral("--key names places by code: --new-ids does not apply")};
    const bool needsFile =
        o.Command == QLatin1String("export") || o.Command == QLatin1String("import") ||
        o.Command == QLatin1String("backup") || o.Command == QLatin1String("restore");
    if (needsFile && o.File.isEmpty()) throw TUsageError{QStringLiteral("--file is required")};
    if (!formatGiven) o.Json = o.File.endsWith(QLatin1String(".json"), Qt::CaseInsensitive);
    return o;
}

// At most this many bad rows are listed; the count of the others follows.
constexpr size_t kListedBadRows = 50;

// Imports what was read from `source` (a file's name, or what the rows come from), in one
// transaction, and says how it went.
int ImportRead(TRoutines& calls, const TOptions& o, const QString& source, TReadOutcome read,
               const QElapsedTimer& clock, QTextStream& out, QTextStream& err) {
    TProgress progress(err, o.Progress || TProgress::ErrorIsTerminal());
    const size_t rows = read.Rows.size() + read.Bad.size();
    IDbConnection& db = calls.Db();
    TImportOutcome done;
    try {
        // An import lands whole or not at all; a dry run reads one moment of the database and
        // waits for no writer.
        if (o.Import.DryRun)
            db.StartTransaction();
        else
            BeginImport(calls);
        done = ImportPlaces(calls, std::move(read.Rows), std::move(read.Bad), o.Import, progress);
        if (!done.Bad.empty() || o.Import.DryRun)
            db.Rollback();
        else
            db.Commit();
    } catch (const EOraError& e) {
        progress.Done();
        db.Rollback();
        if (e.ErrorCode() != 54) throw;
        err << "qxvdb: another session is changing the places of schema " << calls.Schema()
            << " and held its lock longer than the import waits; nothing was imported, try "
               "again when it is done ("
            << e.Message().trimmed() << ")\n";
        err.flush();
        return QxvdbExit::DatabaseError;
    } catch (...) {
        progress.Done();
        db.Rollback();
        throw;
    }
    if (!done.Bad.empty()) {
        for (size_t i = 0; i < done.Bad.size() && i < kListedBadRows; ++i)
            err << "qxvdb: " << source << ": " << DescribeBadRow(done.Bad[i]) << "\n";
        if (done.Bad.size() > kListedBadRows)
            err << "qxvdb: … and " << done.Bad.size() - kListedBadRows << " more bad rows\n";
        err << "qxvdb: " << done.Bad.size() << (done.Bad.size() == 1 ? " bad row" : " bad rows")
            << "; nothing was imported\n";
        err.flush();
        return QxvdbExit::DataError;
    }
    for (size_t i = 0; i < done.Warnings.size() && i < kListedBadRows; ++i)
        err << "qxvdb: " << source << ": warning: " << DescribeBadRow(done.Warnings[i]) << "\n";
    if (done.Warnings.size() > kListedBadRows)
        err << "qxvdb: … and " << done.Warnings.size() - kListedBadRows << " more warnings\n";
    err.flush();
    const TImportStats& s = done.Stats;
    out << (o.Import.DryRun ? "checked " : "imported ") << rows << " rows"
        << (o.Import.DryRun ? ", nothing written: would add " : ": added ") << s.Added
        << ", updated " << s.Updated << ", skipped " << s.Skipped << " existing";
    if (s.Abbreviations + s.Levels > 0)
        out << "; " << s.Abbreviations << " abbreviations and " << s.Levels << " levels "
            << (o.Import.DryRun ? "to create" : "created");
    out << " in " << QString::number(clock.elapsed() / 1000.0, 'f', 1) << " s\n";
    return QxvdbExit::Ok;
}

bool HasPlaces(TRoutines& calls) {
    return !calls.Db()
                .Query(QStringLiteral("SELECT 1 FROM %1.LOCATION LIMIT 1")
                           .arg(QuotedSchemaName(calls.Schema())),
                       {})
                .Rows.empty();
}

int RunImport(TRoutines& calls, const TOptions& o, QTextStream& out, QTextStream& err) {
    QFile file(o.File);
    if (!file.open(QIODevice::ReadOnly)) {
        err << "qxvdb: cannot read " << o.File << ": " << file.errorString() << "\n";
        return QxvdbExit::DataError;
    }
    QElapsedTimer clock;
    clock.start();
    return ImportRead(calls, o, o.File, ReadPlaces(file, o.Json), clock, out, err);
}

// The countries and their subdivisions go in as an import of new places with their types,
// whatever else the schema holds; once there, they are not added again.
int RunSeed(TRoutines& calls, const TOptions& o, QTextStream& out, QTextStream& err) {
    QElapsedTimer clock;
    clock.start();
    const TRowSet seeded = calls.Db().Query(
        QStringLiteral("SELECT 1 FROM %1.LOCATION_CODE WHERE KIND = :KIND LIMIT 1")
            .arg(QuotedSchemaName(calls.Schema())),
        {{QStringLiteral("KIND"), kIso3166Countries}});
    if (!seeded.Rows.empty()) {
        out << "schema " << calls.Schema() << " already holds the ISO 3166 places; nothing added\n";
        return QxvdbExit::Ok;
    }
    // An abbreviation has one name for every user: the types are named in the language of
    // the user who seeds, who sets the directory up for its readers.
    const QString typeLanguage =
        NameLanguageOf(calls.Result(QStringLiteral("LANG_PACK"),
                                    QStringLiteral("GET_USER_APL_LANG_ID"), {}));
    TOptions seed = o;
    seed.Import.CreateMissing = true;
    seed.Import.NewIds = true;
    // The tables name a town and the district around it alike ("Tartu" twice under Estonia):
    // namesakes there are the registry's, not a user's slip.
    seed.Import.Namesakes = false;
    try {
        return ImportRead(calls, seed, QStringLiteral("iso3166"),
                          {Iso3166Places(typeLanguage), {}}, clock, out, err);
    } catch (const ESeedTables& e) {
        err << "qxvdb: " << e.Text << "\n";
        return QxvdbExit::DataError;
    }
}

}  // namespace

int ExportToFile(TRoutines& calls, const QString& path, bool json, QTextStream& err,
                 const QString& key) {
    const bool toStdout = path == QLatin1String("-");
    const QFileInfo target(path);
    // A file takes the places whole or keeps what it held: they go to a file of their own
    // beside it, which replaces it once everything is written. A device, a pipe or the
    // standard output takes them as they come.
    const bool whole = !toStdout && (!target.exists() || target.isFile());
    QSaveFile replacing(path);
    replacing.setDirectWriteFallback(true);  // a folder that takes no other file
    QFile direct(toStdout ? QString() : path);
    QFileDevice& file = whole ? static_cast<QFileDevice&>(replacing) : direct;
    const auto failed = [&] {
        err << "qxvdb: cannot write " << path << ": " << file.errorString() << "\n";
        return QxvdbExit::DataError;
    };
    const bool opened = toStdout ? direct.open(stdout, QIODevice::WriteOnly)
                                 : file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    if (!opened) return failed();
    if (json)
        WritePlaces(ExportPlaces(calls, key), true, file, key);
    else
        ExportPlacesCsv(calls, file, key);
    const bool written =
        whole ? replacing.commit() : direct.flush() && direct.error() == QFileDevice::NoError;
    return written ? QxvdbExit::Ok : failed();
}

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
                                          : RestoreEmbedded(o.File, path.captured(1), o.Schema);
        out << (backup ? "backed up " : "restored ") << stats.Files << " files, " << stats.Bytes
            << " bytes\n";
        return 0;
    } catch (const EBackupError& e) {
        err << "qxvdb: " << e.Text << "\n";
        return QxvdbExit::DataError;
    }
}

bool QxvdbNeedsApplication(const QStringList& args) {
    try {
        const TOptions o = ParseOptions(args);
        return !o.Help && !o.Version;
    } catch (const TUsageError&) {
        return false;
    }
}

namespace {

// What failed and what to do, for the failures a user can mend; the server's own text
// follows it for whoever looks into them. Empty when the server's text is all there is.
QString WhatToDo(const EOraError& e, const TOptions& o, const QString& schema) {
    switch (e.ErrorCode()) {
        case 12154:
            return QStringLiteral(
                       "cannot open the database \"%1\": give --db sqlite:PATH or "
                       "postgresql://USER@HOST:PORT/NAME, and check that the server "
                       "is running")
                .arg(o.Db);
        case 942:
            return QStringLiteral(
                       "the schema %1 holds no location directory: make one with "
                       "qxvdb init --db %2 --schema %1, or name another with --schema")
                .arg(schema.toUpper(), o.Db);
        case OraCode::NoSpace:
            return QStringLiteral(
                       "the file or the disk is full: nothing of the %1 was kept; "
                       "make room and run it again")
                .arg(o.Command);
        default:
            return {};
    }
}

}  // namespace

int RunQxvdb(const QStringList& args, QTextStream& out, QTextStream& err) {
    if (args.value(0) == QLatin1String("user")) return RunUserCommand(args.mid(1), out, err);
    if (args.value(0) == QLatin1String("journal"))
        return RunJournalCommand(args.mid(1), out, err);
    const std::optional<TOptions> parsed = ParsedOrSaid(ParseOptions, args, kUsage, err);
    if (!parsed) return QxvdbExit::Usage;
    const TOptions& o = *parsed;
    if (o.Help || o.Version) {
        out << (o.Help ? kUsage : "qxvdb " QXV_VERSION "\n");
        out.flush();
        return QxvdbExit::Ok;
    }
    if (o.Command == QLatin1String("backup") || o.Command == QLatin1String("restore"))
        return RunBackupCommand(o, out, err);
    QString schema = o.Schema;
    try {
        // An embedded database answers with the routines of this program.
        RegisterSqliteServer();
        std::unique_ptr<IDbConnection> db = OpenConnection(o.Db);
        if (schema.isEmpty()) schema = db->UserName();
        CheckSchemaName(schema);
        TRoutines calls(*db, schema);
        if (o.Command == QLatin1String("init")) {
            InstallServerSchema(*db, schema);
            InstallPhraseCaptureSchema(*db);
            db->Commit();
            out << "schema " << schema << " is ready on " << db->Server() << "\n";
        } else if (o.Command == QLatin1String("demo")) {
            if (o.World && !HasPlaces(calls)) {
                // The seed names the types in its user's language: the English demo user
                // reads English ones.
                if (!o.EnglishUser.isEmpty()) {
                    AddEnglishUser(*db, schema, o.EnglishUser);
                    db->Commit();
                }
                const int code = RunSeed(calls, o, out, err);
                if (code != QxvdbExit::Ok) return code;
            }
            const std::optional<TDemoStats> stats =
                LoadDemoData(*db, schema, o.EnglishUser, o.World);
            if (!stats) {
                out << "schema " << schema << " already holds locations; demo data not loaded\n";
            } else {
                out << "demo data loaded: " << stats->Locations << " locations, "
                    << stats->Abbreviations << " abbreviations, " << stats->LocationTypes
                    << " levels, " << stats->InformationItems << " information items\n";
            }
        } else if (o.Command == QLatin1String("export")) {
            const int code = ExportToFile(calls, o.File, o.Json, err, o.Import.Key);
            if (code != QxvdbExit::Ok) return code;
        } else {
            const bool seed = o.Command == QLatin1String("seed");
            const int code = seed ? RunSeed(calls, o, out, err) : RunImport(calls, o, out, err);
            out.flush();
            if (code != QxvdbExit::Ok) return code;
        }
        out.flush();
        return QxvdbExit::Ok;
    } catch (const EOraError& e) {
        const QString advice = WhatToDo(e, o, schema);
        err << "qxvdb: "
            << (advice.isEmpty() ? e.Message().trimmed()
                                 : advice + " (" + e.Message().trimmed() + ")")
            << "\n";
        err.flush();
        return QxvdbExit::DatabaseError;
    }
}
