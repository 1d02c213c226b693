#include "Floor.h"

#include <QTreeWidgetItem>

#include <libpq-fe.h>
#include <sqlite3.h>

#include <cstdlib>
#include <stdexcept>

namespace {

std::string Text(const unsigned char* s) { return s ? reinterpret_cast<const char*>(s) : ""; }

long long Integer(const char* s) { return s && *s ? std::strtoll(s, nullptr, 10) : 0; }

}  // namespace

TRawSqlite::TRawSqlite(const QString& file, const QString& schema) {
    if (sqlite3_open_v2(file.toUtf8().constData(), &FDb, SQLITE_OPEN_READWRITE, nullptr) !=
        SQLITE_OK)
        throw std::runtime_error("raw sqlite: cannot open the database");
    const std::string attach = "ATTACH DATABASE '" +
                               (file + u'.' + schema.toLower()).toStdString() + "' AS " +
                               schema.toLower().toStdString();
    if (sqlite3_exec(FDb, attach.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(FDb));
}

TRawSqlite::~TRawSqlite() { sqlite3_close(FDb); }

std::vector<TFloorRow> TRawSqlite::Select(const QString& sql, long long parent) {
    const QByteArray text = sql.toUtf8();
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(FDb, text.constData(), int(text.size()), &stmt, nullptr) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(FDb));
    sqlite3_bind_int64(stmt, 1, parent);
    std::vector<TFloorRow> rows;
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        TFloorRow& r = rows.emplace_back();
        r.Id = sqlite3_column_int64(stmt, 0);
        r.Name = Text(sqlite3_column_text(stmt, 1));
        r.Level = sqlite3_column_int64(stmt, 2);
        r.ShortName = Text(sqlite3_column_text(stmt, 3));
        r.AbbrevId = sqlite3_column_int64(stmt, 4);
        r.ChildCount = sqlite3_column_int64(stmt, 5);
        r.Parent = sqlite3_column_int64(stmt, 6);
        r.Type = sqlite3_column_int64(stmt, 7);
        r.AbbrevName = Text(sqlite3_column_text(stmt, 8));
    }
    sqlite3_finalize(stmt);
    return rows;
}

std::vector<TFloorHit> TRawSqlite::Hits(const QString& sql,
                                        const std::vector<std::string>& params) {
    const QByteArray text = sql.toUtf8();
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(FDb, text.constData(), int(text.size()), &stmt, nullptr) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(FDb));
    for (size_t i = 0; i < params.size(); ++i)
        sqlite3_bind_text(stmt, int(i + 1), params[i].data(), int(params[i].size()), SQLITE_STATIC);
    std::vector<TFloorHit> hits;
    while (sqlite3_step(stmt) == SQLITE_ROW)
        hits.push_back({sqlite3_column_int64(stmt, 0), Text(sqlite3_column_text(stmt, 1))});
    sqlite3_finalize(stmt);
    return hits;
}

TRawPostgres::TRawPostgres(const QString& dsn, const char* options) {
    const QByteArray dbname = dsn.toUtf8();
    const char* keys[] = {"dbname", "options", nullptr};
    const char* values[] = {dbname.constData(), options, nullptr};
    FConn = PQconnectdbParams(keys, values, 1);
    if (PQstatus(FConn) != CONNECTION_OK) throw std::runtime_error(PQerrorMessage(FConn));
}

TRawPostgres::~TRawPostgres() { PQfinish(FConn); }

std::vector<TFloorRow> TRawPostgres::Select(const QString& sql, long long parent) {
    QString numbered = sql;
    numbered.replace(QLatin1String(":PARENT"), QLatin1String("$1"));
    const QByteArray text = numbered.toUtf8();
    const std::string value = std::to_string(parent);
    const char* values[] = {value.c_str()};
    PGresult* res = PQexecParams(FConn, text.constData(), 1, nullptr, values, nullptr, nullptr, 0);
    if (PQresultStatus(res) != PGRES_TUPLES_OK) {
        const std::string message = PQresultErrorMessage(res);
        PQclear(res);
        throw std::runtime_error(message);
    }
    const int n = PQntuples(res);
    std::vector<TFloorRow> rows(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        TFloorRow& r = rows[static_cast<size_t>(i)];
        r.Id = Integer(PQgetvalue(res, i, 0));
        r.Name = PQgetvalue(res, i, 1);
        r.Level = Integer(PQgetvalue(res, i, 2));
        r.ShortName = PQgetvalue(res, i, 3);
        r.AbbrevId = Integer(PQgetvalue(res, i, 4));
        r.ChildCount = Integer(PQgetvalue(res, i, 5));
        r.Parent = Integer(PQgetvalue(res, i, 6));
        r.Type = Integer(PQgetvalue(res, i, 7));
        r.AbbrevName = PQgetvalue(res, i, 8);
    }
    PQclear(res);
    return rows;
}

std::vector<TFloorHit> TRawPostgres::Hits(const QString& sql,
                                          const std::vector<std::string>& params) {
    const QByteArray text = sql.toUtf8();
    std::vector<const char*> values;
    for (const std::string& p : params) values.push_back(p.c_str());
    PGresult* res = PQexecParams(FConn, text.constData(), int(values.size()), nullptr,
                                 values.data(), nullptr, nullptr, 0);
    if (PQresultStatus(res) != PGRES_TUPLES_OK) {
        const std::string message = PQresultErrorMessage(res);
        PQclear(res);
        throw std::runtime_error(message);
    }
    const int n = PQntuples(res);
    std::vector<TFloorHit> hits(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        hits[static_cast<size_t>(i)] = {Integer(PQgetvalue(res, i, 0)), PQgetvalue(res, i, 1)};
    PQclear(res);
    return hits;
}

void BareTreeFill(QTreeWidgetItem* parent, const std::vector<TFloorRow>& rows, const QIcon& icon) {
    QList<QTreeWidgetItem*> items;
    items.reserve(qsizetype(rows.size()));
    for (const TFloorRow& r : rows) {
        auto* item = new QTreeWidgetItem;
        item->setText(0,
                      QString::fromStdString(r.ShortName) + u' ' + QString::fromStdString(r.Name));
        item->setIcon(0, icon);
        if (r.ChildCount > 0) item->addChild(new QTreeWidgetItem);
        items << item;
    }
    parent->addChildren(items);
    parent->sortChildren(0, Qt::AscendingOrder);
}

std::vector<TFloorRow> TRawConnection::Select(const QString& sql, long long parent) {
    return Sqlite ? Sqlite->Select(sql, parent) : Postgres->Select(sql, parent);
}

std::vector<TFloorHit> TRawConnection::Hits(const QString& sql,
                                            const std::vector<std::string>& params) {
    return Sqlite ? Sqlite->Hits(sql, params) : Postgres->Hits(sql, params);
}
