#include "WideNode.h"

#include "Platform/Data/EOraError.h"
#include "Server/ServerInstall.h"

#include <QRandomGenerator>

#include <cstdio>

namespace {

long long Result(IDbConnection& db, const QString& schema, const char* routine,
                 std::vector<TBoundValue> in) {
    return db
        .Call(db.Describe(schema, QStringLiteral("QXVERPLOCAT"), QString::fromLatin1(routine)), in)
        .Value(QStringLiteral("RESULT"))
        .toLongLong();
}

}  // namespace

// A schema with one place holding e.Count children, built through the routines.
void Prepare(TEngine& e) {
    IDbConnection& db = *e.Db;
    InstallServerSchema(db, e.Schema);
    const long long abbrev =
        Result(db, e.Schema, "INS_T#LOCATABBREV",
               {{"PSNAME", QStringLiteral("b")}, {"PNAME", QStringLiteral("bench")}});
    const long long top =
        Result(db, e.Schema, "INS_T#LOCATTYPE", {{"PLEVEL#", 1}, {"PID_ABBREV", abbrev}});
    const long long below =
        Result(db, e.Schema, "INS_T#LOCATTYPE", {{"PLEVEL#", 2}, {"PID_ABBREV", abbrev}});
    e.Parent = Result(
        db, e.Schema, "INS_T#LOCATION",
        {{"PID_PARENT", QVariant()}, {"PID_LOCATTYPE", top}, {"PNAME", QStringLiteral("root")}});
    const TRoutineDesc insert =
        db.Describe(e.Schema, QStringLiteral("QXVERPLOCAT"), QStringLiteral("INS_T#LOCATION"));
    for (int i = 0; i < e.Count; ++i)
        db.Call(insert, {{"PID_PARENT", e.Parent},
                         {"PID_LOCATTYPE", below},
                         {"PNAME", QStringLiteral("place %1").arg(i, 6, 10, QLatin1Char('0'))}});
    db.Commit();
    e.Children =
        db.Describe(e.Schema, QStringLiteral("QXVERPLOCAT"), QStringLiteral("GET_T#LOCATION"));
    // The same rows, columns and order as the routine's cursor.
    e.Select =
        QStringLiteral(
            "WITH kids AS (SELECT l.id, l.name, l.id_parent, l.id_locattype FROM \"%1\".location l "
            "WHERE l.id_parent = :PARENT) "
            "SELECT k.id, k.name, t.level_no, a.sname, a.id, coalesce(cc.n, 0), k.id_parent, "
            "k.id_locattype, a.name FROM kids k "
            "JOIN \"%1\".locattype t ON t.id = k.id_locattype "
            "JOIN \"%1\".locatabbrev a ON a.id = t.id_abbrev "
            "LEFT JOIN (SELECT c.id_parent, count(*) AS n FROM \"%1\".location c "
            "WHERE c.id_parent IN (SELECT id FROM kids) GROUP BY c.id_parent) cc ON cc.id_parent = "
            "k.id "
            "ORDER BY k.name, k.id")
            .arg(e.Schema.toLower());
}

std::vector<std::unique_ptr<TEngine>> OpenEngines(const QString& dir, const std::string& only) {
    std::vector<std::unique_ptr<TEngine>> engines;
    if (only.empty() || only == "sqlite") {
        auto& sqlite = *engines.emplace_back(std::make_unique<TEngine>());
        sqlite.Name = "sqlite";
        sqlite.Connection = dir + QStringLiteral("/bench.db");
        sqlite.Db = OpenConnection(ConnectionString(sqlite));
        sqlite.Schema = QStringLiteral("qxvbase");
    }
    if (!only.empty() && only != "postgresql") return engines;
    const QString dsn = qEnvironmentVariable("QXV_PG_DSN");
    if (dsn.isEmpty()) {
        std::fprintf(stderr, "QXV_PG_DSN is not set: PostgreSQL is skipped\n");
        return engines;
    }
    auto& postgres = *engines.emplace_back(std::make_unique<TEngine>());
    postgres.Name = "postgresql";
    postgres.Connection = dsn;
    postgres.Db = OpenConnection(dsn);
    postgres.Schema = QStringLiteral("qxvbench_%1")
                          .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
    postgres.DropSchema = true;
    return engines;
}

std::vector<std::unique_ptr<TEngine>> PrepareEngines(const QString& dir, int children) {
    std::vector<std::unique_ptr<TEngine>> engines = OpenEngines(dir);
    for (auto& e : engines) {
        e->Count = children;
        Prepare(*e);
    }
    return engines;
}

QString ConnectionString(const TEngine& e) {
    return e.Name == "sqlite" ? QStringLiteral("sqlite:") + e.Connection : e.Connection;
}

void DropSchemas(std::vector<std::unique_ptr<TEngine>>& engines) {
    for (auto& e : engines) {
        if (!e->DropSchema) continue;
        try {
            e->Db->Rollback();
            e->Db->Execute(QStringLiteral("DROP SCHEMA \"%1\" CASCADE").arg(e->Schema), {});
            e->Db->Commit();
        } catch (const EOraError&) {
        }
    }
}

TRawConnection OpenFloor(const TEngine& e, const char* postgresOptions) {
    TRawConnection raw;
    if (e.Name == "sqlite")
        raw.Sqlite = std::make_unique<TRawSqlite>(e.Connection, e.Schema);
    else
        raw.Postgres = std::make_unique<TRawPostgres>(e.Connection, postgresOptions);
    return raw;
}
