// qxvdb import and export of a generated directory (200,000 places by default; --places=N for
// a quick run) against the engines' own bulk paths in the same run: the floor of an import is
// the same rows loaded raw (SQLite: one prepared INSERT stepped per row in one transaction;
// PostgreSQL: COPY FROM STDIN), the floor of an export the engine's own CSV output of the
// export's query (the sqlite3 program's -csv mode; COPY TO STDOUT). The same places named by
// codes (two each and an English name) are imported with --key against the raw load of the
// places, codes and names into their three tables. PostgreSQL runs when QXV_PG_DSN names a
// server.

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <libpq-fe.h>
#include <sqlite3.h>

#include <cstdio>
#include <memory>
#include <stdexcept>

#include "Arguments.h"
#include "Platform/Data/DbBackend.h"
#include "Platform/Data/EOraError.h"
#include "Ratios.h"
#include "Server/ServerInstall.h"
#include "Server/sqlite/SqliteServer.h"
#include "Tool.h"
#include "Tools/qxvdb/Records.h"
#include "Tools/qxvdb/Routines.h"
#include "support/PlaceTree.h"

namespace {

// About six levels for 200,000 places; every seventh name needs quoting.
std::vector<TPlaceRow> Directory(int n) {
    return PlaceTree(n, [](int i) {
        return (i % 7 == 0 ? QStringLiteral("Улица \"Новая\", %1") : QStringLiteral("Место %1"))
            .arg(i);
    });
}

// The same places as a registry names them: two codes each, the key's ("X17") and a
// GeoNames id, and an English name.
const QString kKey = QStringLiteral("EXTERNAL");

std::vector<TPlaceRow> Coded(std::vector<TPlaceRow> rows) {
    for (TPlaceRow& r : rows) {
        r.Codes = {{kKey, QStringLiteral("X%1").arg(r.Id)},
                   {QStringLiteral("GEONAMES"), QString::number(9000000 + r.Id)}};
        r.Names = {{QStringLiteral("EN"), QStringLiteral("Place %1").arg(r.Id)}};
        if (r.Parent > 0) r.ParentCode = QStringLiteral("X%1").arg(r.Parent);
    }
    return rows;
}

struct TTarget {
    QString Dsn;
    QString File;  // the embedded database's main file
    QString Schema;
    std::vector<long long> TypeOfLevel;  // index: level
};

struct TEngineRun {
    std::string Name;
    QString Base;  // sqlite: the folder for files; postgresql: the DSN
    const std::vector<TPlaceRow>* Rows = nullptr;
    QString Csv;          // the generated file
    QByteArray CopyText;  // the same rows as COPY takes them, with the types' ids
    const std::vector<TPlaceRow>* CodedRows = nullptr;
    QString KeyedCsv;  // the places named by their codes
    QByteArray CopyCodes, CopyNames;
    int Made = 0;
    TTarget Loaded;  // what the exports read

    TTarget Fresh() {
        TTarget t;
        ++Made;
        if (Name == "sqlite") {
            t.File = Base + QStringLiteral("/import%1.db").arg(Made);
            t.Dsn = QStringLiteral("sqlite:") + t.File;
            t.Schema = QStringLiteral("qxvbase");
        } else {
            t.Dsn = Base;
            t.Schema = QStringLiteral("qxvimp_%1_%2")
                           .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'))
                           .arg(Made);
        }
        const auto db = OpenConnection(t.Dsn);
        InstallServerSchema(*db, t.Schema);
        db->Commit();
        TRoutines calls(*db, t.Schema);
        t.TypeOfLevel.assign(kMaxLevel + 1, 0);
        int deepest = 0;
        for (const TPlaceRow& r : *Rows) deepest = std::max(deepest, r.Level);
        std::vector<long long> abbrevs;
        for (const QString& a : PlaceTreeAbbrevs())
            abbrevs.push_back(calls.Result(QStringLiteral("QXVERPLOCAT"),
                                           QStringLiteral("INS_T#LOCATABBREV"),
                                           {{"PSNAME", a}, {"PNAME", a}}));
        for (int level = 1; level <= deepest; ++level)
            t.TypeOfLevel[level] = calls.Result(
                QStringLiteral("QXVERPLOCAT"), QStringLiteral("INS_T#LOCATTYPE"),
                {{"PLEVEL#", level},
                 {"PID_ABBREV", abbrevs[static_cast<size_t>(level - 1) % abbrevs.size()]}});
        db->Commit();
        return t;
    }

    void Drop(const TTarget& t) {
        if (Name == "sqlite") {
            for (const QString& f : {t.File, t.File + u'.' + t.Schema})
                for (const char* suffix : {"", "-wal", "-shm"}) QFile::remove(f + suffix);
            return;
        }
        const auto db = OpenConnection(t.Dsn);
        db->Execute(QStringLiteral("DROP SCHEMA \"%1\" CASCADE").arg(t.Schema), {});
        db->Commit();
    }
};

QString ExportQuery(const QString& schema) {
    const QString s = QuotedSchemaName(schema);
    return QStringLiteral(
               "SELECT L.ID, L.ID_PARENT, T.LEVEL_NO, A.SNAME, L.NAME FROM %1.LOCATION L "
               "JOIN %1.LOCATTYPE T ON T.ID = L.ID_LOCATTYPE "
               "JOIN %1.LOCATABBREV A ON A.ID = T.ID_ABBREV ORDER BY T.LEVEL_NO, L.ID")
        .arg(s);
}

void Check(bool ok, const char* what, const char* detail = "") {
    if (!ok) throw std::runtime_error(std::string(what) + ": " + detail);
}

sqlite3_stmt* Prepare(sqlite3* db, const TTarget& t, const char* insert) {
    const std::string sql = "INSERT INTO " + t.Schema.toStdString() + insert;
    sqlite3_stmt* stmt = nullptr;
    Check(sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) == SQLITE_OK, "prepare",
          sqlite3_errmsg(db));
    return stmt;
}

void BindText(sqlite3_stmt* stmt, int index, const QString& text) {
    const QByteArray bytes = text.toUtf8();
    sqlite3_bind_text(stmt, index, bytes.constData(), static_cast<int>(bytes.size()),
                      SQLITE_TRANSIENT);
}

void Step(sqlite3* db, sqlite3_stmt* stmt) {
    Check(sqlite3_step(stmt) == SQLITE_DONE, "insert", sqlite3_errmsg(db));
    sqlite3_reset(stmt);
}

// A place's pairs (its codes, its names) into the table of them.
void StepPairs(sqlite3* db, sqlite3_stmt* stmt, qint32 id, const TPlacePairs& pairs) {
    for (const auto& [key, value] : pairs) {
        sqlite3_bind_int(stmt, 1, id);
        BindText(stmt, 2, key);
        BindText(stmt, 3, value);
        Step(db, stmt);
    }
}

// SQLite floor: a prepared statement per table, bound and stepped per row, in one transaction.
void RawSqliteLoad(const TTarget& t, const std::vector<TPlaceRow>& rows) {
    sqlite3* db = nullptr;
    Check(sqlite3_open(t.File.toUtf8().constData(), &db) == SQLITE_OK, "open");
    const std::string attach = "ATTACH DATABASE '" + (t.File + u'.' + t.Schema).toStdString() +
                               "' AS " + t.Schema.toStdString();
    Check(sqlite3_exec(db, attach.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK, "attach");
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* places =
        Prepare(db, t, ".LOCATION (ID, ID_PARENT, ID_LOCATTYPE, NAME) VALUES (?, ?, ?, ?)");
    sqlite3_stmt* codes = Prepare(db, t, ".LOCATION_CODE (ID_LOCATION, KIND, CODE) VALUES (?, ?, ?)");
    sqlite3_stmt* names = Prepare(db, t, ".LOCATION_NAME (ID_LOCATION, LANG, NAME) VALUES (?, ?, ?)");
    for (const TPlaceRow& r : rows) {
        sqlite3_bind_int(places, 1, r.Id);
        if (r.Parent > 0)
            sqlite3_bind_int(places, 2, r.Parent);
        else
            sqlite3_bind_null(places, 2);
        sqlite3_bind_int64(places, 3, t.TypeOfLevel[r.Level]);
        BindText(places, 4, r.Name);
        Step(db, places);
        StepPairs(db, codes, r.Id, r.Codes);
        StepPairs(db, names, r.Id, r.Names);
    }
    for (sqlite3_stmt* stmt : {places, codes, names}) sqlite3_finalize(stmt);
    Check(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK, "commit");
    sqlite3_close(db);
}

QByteArray CsvText(const QString& text) { return '"' + text.toUtf8().replace('"', "\"\"") + '"'; }

// The rows' pairs (codes or names) as COPY ... (FORMAT csv) reads them.
QByteArray CopyPairs(const std::vector<TPlaceRow>& rows, TPlacePairs TPlaceRow::*pairs) {
    QByteArray text;
    for (const TPlaceRow& r : rows)
        for (const auto& [key, value] : r.*pairs)
            text += QByteArray::number(r.Id) + ',' + CsvText(key) + ',' + CsvText(value) + '\n';
    return text;
}

// The rows as COPY ... (FORMAT csv) reads them.
QByteArray CopyText(const std::vector<TPlaceRow>& rows, const std::vector<long long>& types) {
    QByteArray text;
    for (const TPlaceRow& r : rows) {
        text += QByteArray::number(r.Id) + ',' +
                (r.Parent > 0 ? QByteArray::number(r.Parent) : QByteArray()) + ',' +
                QByteArray::number(types[r.Level]) + ",\"" + r.Name.toUtf8().replace('"', "\"\"") +
                "\"\n";
    }
    return text;
}

PGconn* Connect(const QString& dsn) {
    PGconn* c = PQconnectdb(dsn.toUtf8().constData());
    Check(PQstatus(c) == CONNECTION_OK, "connect", PQerrorMessage(c));
    return c;
}

void RawPostgresLoad(const TTarget& t, const QByteArray& text,
                     const char* table = "location (id, id_parent, id_locattype, name)",
                     PGconn* open = nullptr) {
    PGconn* c = open ? open : Connect(t.Dsn);
    const std::string sql = "COPY \"" + t.Schema.toLower().toStdString() + "\"." + table +
                            " FROM STDIN (FORMAT csv)";
    PGresult* res = PQexec(c, sql.c_str());
    Check(PQresultStatus(res) == PGRES_COPY_IN, "copy", PQerrorMessage(c));
    PQclear(res);
    Check(PQputCopyData(c, text.constData(), static_cast<int>(text.size())) == 1, "copy data");
    Check(PQputCopyEnd(c, nullptr) == 1, "copy end");
    res = PQgetResult(c);
    Check(PQresultStatus(res) == PGRES_COMMAND_OK, "copy result", PQerrorMessage(c));
    PQclear(res);
    if (!open) PQfinish(c);
}

// The places, their codes and their names, each table by its COPY, in one transaction.
void RawPostgresLoadCoded(const TTarget& t, const TEngineRun& e) {
    PGconn* c = Connect(t.Dsn);
    PQclear(PQexec(c, "BEGIN"));
    RawPostgresLoad(t, e.CopyText, "location (id, id_parent, id_locattype, name)", c);
    RawPostgresLoad(t, e.CopyCodes, "location_code (id_location, kind, code)", c);
    RawPostgresLoad(t, e.CopyNames, "location_name (id_location, lang, name)", c);
    PGresult* res = PQexec(c, "COMMIT");
    Check(PQresultStatus(res) == PGRES_COMMAND_OK, "commit", PQerrorMessage(c));
    PQclear(res);
    PQfinish(c);
}

void RawSqliteCsv(const TTarget& t, const QString& out) {
    QProcess p;
    p.setStandardOutputFile(out);
    p.start(QStringLiteral("sqlite3"),
            {QStringLiteral("-csv"), QStringLiteral("-header"), QStringLiteral("-cmd"),
             QStringLiteral("ATTACH DATABASE '%1.%2' AS %2").arg(t.File, t.Schema), t.File,
             ExportQuery(t.Schema)});
    Check(p.waitForFinished(-1) && p.exitCode() == 0, "sqlite3 -csv");
}

void RawPostgresCsv(const TTarget& t, const QString& out) {
    PGconn* c = Connect(t.Dsn);
    const std::string sql =
        "COPY (" + ExportQuery(t.Schema).toStdString() + ") TO STDOUT (FORMAT csv, HEADER)";
    PGresult* res = PQexec(c, sql.c_str());
    Check(PQresultStatus(res) == PGRES_COPY_OUT, "copy out", PQerrorMessage(c));
    PQclear(res);
    QFile file(out);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    char* buffer = nullptr;
    int n;
    while ((n = PQgetCopyData(c, &buffer, 0)) > 0) {
        file.write(buffer, n);
        PQfreemem(buffer);
    }
    PQclear(PQgetResult(c));
    PQfinish(c);
}

template <typename Load>
void MeasureLoad(benchmark::State& state, TEngineRun* e, Load load) {
    for (auto _ : state) {
        state.PauseTiming();
        const TTarget t = e->Fresh();
        state.ResumeTiming();
        load(t);
        state.PauseTiming();
        e->Drop(t);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(e->Rows->size()));
}

void Register(TEngineRun* e, const QString& dir, std::vector<TRatioReporter::TRatio>& ratios) {
    const std::string raw = e->Name + "/raw bulk load (floor)";
    const std::string import = e->Name + "/qxvdb import";
    const std::string csv = e->Name + "/engine CSV output (floor)";
    const std::string exp = e->Name + "/qxvdb export";
    const bool sqlite = e->Name == "sqlite";
    benchmark::RegisterBenchmark(raw.c_str(),
                                 [=](benchmark::State& s) {
                                     MeasureLoad(s, e, [&](const TTarget& t) {
                                         if (sqlite)
                                             RawSqliteLoad(t, *e->Rows);
                                         else
                                             RawPostgresLoad(t, e->CopyText);
                                     });
                                 })
        ->Unit(benchmark::kMillisecond)
        ->Iterations(2);
    benchmark::RegisterBenchmark(
        import.c_str(),
        [=](benchmark::State& s) {
            MeasureLoad(s, e, [&](const TTarget& t) {
                RunTool({"import", "--db", t.Dsn, "--schema", t.Schema, "--file", e->Csv});
            });
        })
        ->Unit(benchmark::kMillisecond)
        ->Iterations(2);
    const QString out = dir + QStringLiteral("/export-%1.csv").arg(QString::fromStdString(e->Name));
    benchmark::RegisterBenchmark(csv.c_str(),
                                 [=](benchmark::State& s) {
                                     for (auto _ : s) {
                                         if (sqlite)
                                             RawSqliteCsv(e->Loaded, out);
                                         else
                                             RawPostgresCsv(e->Loaded, out);
                                     }
                                 })
        ->Unit(benchmark::kMillisecond)
        ->Iterations(3);
    benchmark::RegisterBenchmark(exp.c_str(),
                                 [=](benchmark::State& s) {
                                     for (auto _ : s)
                                         RunTool({"export", "--db", e->Loaded.Dsn, "--schema",
                                                  e->Loaded.Schema, "--file", out});
                                 })
        ->Unit(benchmark::kMillisecond)
        ->Iterations(3);
    // Runs of a fixed count carry it in their names.
    const auto run = [](const std::string& name, int n) {
        return name + "/iterations:" + std::to_string(n);
    };
    ratios.push_back({run(import, 2), run(raw, 2)});
    ratios.push_back({run(exp, 3), run(csv, 3)});

    const std::string rawCoded = e->Name + "/raw bulk load with codes and names (floor)";
    const std::string keyed = e->Name + "/qxvdb import --key";
    benchmark::RegisterBenchmark(rawCoded.c_str(),
                                 [=](benchmark::State& s) {
                                     MeasureLoad(s, e, [&](const TTarget& t) {
                                         if (sqlite)
                                             RawSqliteLoad(t, *e->CodedRows);
                                         else
                                             RawPostgresLoadCoded(t, *e);
                                     });
                                 })
        ->Unit(benchmark::kMillisecond)
        ->Iterations(2);
    benchmark::RegisterBenchmark(keyed.c_str(),
                                 [=](benchmark::State& s) {
                                     MeasureLoad(s, e, [&](const TTarget& t) {
                                         RunTool({"import", "--db", t.Dsn, "--schema", t.Schema,
                                                  "--file", e->KeyedCsv, "--key", kKey});
                                     });
                                 })
        ->Unit(benchmark::kMillisecond)
        ->Iterations(2);
    ratios.push_back({run(keyed, 2), run(rawCoded, 2)});
}

}  // namespace

int main(int argc, char** argv) {
    const int places = TakeCount(argc, argv, "--places=", 200000);
    QCoreApplication app(argc, argv);
    RegisterSqliteServer();
    QTemporaryDir dir;
    const std::vector<TPlaceRow> rows = Directory(places);
    const std::vector<TPlaceRow> coded = Coded(rows);
    const QString csv = dir.filePath(QStringLiteral("places.csv"));
    const QString keyed = dir.filePath(QStringLiteral("keyed.csv"));
    for (const auto& [path, key] : {std::pair(csv, QString()), std::pair(keyed, kKey)}) {
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        WritePlaces(key.isEmpty() ? rows : coded, false, f, key);
    }
    std::fprintf(stderr, "%d places, %lld bytes of CSV\n", places,
                 static_cast<long long>(QFile(csv).size()));
    std::vector<std::unique_ptr<TEngineRun>> engines;
    std::vector<TRatioReporter::TRatio> ratios;
    try {
        engines.push_back(std::make_unique<TEngineRun>());
        engines.back()->Name = "sqlite";
        engines.back()->Base = dir.path();
        const QString dsn = qEnvironmentVariable("QXV_PG_DSN");
        if (dsn.isEmpty()) {
            std::fprintf(stderr, "QXV_PG_DSN is not set: PostgreSQL is skipped\n");
        } else {
            engines.push_back(std::make_unique<TEngineRun>());
            engines.back()->Name = "postgresql";
            engines.back()->Base = dsn;
        }
        for (auto& e : engines) {
            e->Rows = &rows;
            e->Csv = csv;
            e->CodedRows = &coded;
            e->KeyedCsv = keyed;
            e->CopyCodes = CopyPairs(coded, &TPlaceRow::Codes);
            e->CopyNames = CopyPairs(coded, &TPlaceRow::Names);
            e->Loaded = e->Fresh();
            e->CopyText = CopyText(rows, e->Loaded.TypeOfLevel);
            RunTool({"import", "--db", e->Loaded.Dsn, "--schema", e->Loaded.Schema, "--file", csv});
            Register(e.get(), dir.path(), ratios);
        }
    } catch (const std::exception& e) {  // EOraError among them
        std::fprintf(stderr, "bench setup failed: %s\n", e.what());
        return 1;
    }
    RunWithRatios(argc, argv, ratios);
    for (auto& e : engines) e->Drop(e->Loaded);
    return 0;
}
