#pragma once

// The floor every measurement is held against: the same rows read with nothing but the
// engines' own C APIs, and a level put into a bare QTreeWidget with Qt's own insert and sort.

#include <QIcon>
#include <QString>

#include <memory>
#include <string>
#include <vector>

struct sqlite3;
struct pg_conn;
class QTreeWidgetItem;

// One child as a plain program keeps it: the nine columns of the children's select.
struct TFloorRow {
    long long Id = 0;
    std::string Name;
    long long Level = 0;
    std::string ShortName;
    long long AbbrevId = 0;
    long long ChildCount = 0;
    long long Parent = 0;
    long long Type = 0;
    std::string AbbrevName;
};

// One place found by name, as the search's floor reads it.
struct TFloorHit {
    long long Id = 0;
    std::string Path;
    bool operator==(const TFloorHit&) const = default;
};

// The embedded database file with its schema file attached under the schema's name.
class TRawSqlite {
public:
    TRawSqlite(const QString& file, const QString& schema);
    ~TRawSqlite();
    TRawSqlite(const TRawSqlite&) = delete;
    TRawSqlite& operator=(const TRawSqlite&) = delete;
    // sql names its one parameter :PARENT.
    std::vector<TFloorRow> Select(const QString& sql, long long parent);
    // sql yields the id and the path of each hit; its parameters are ?1, ?2 … bound as text.
    std::vector<TFloorHit> Hits(const QString& sql, const std::vector<std::string>& params);

private:
    sqlite3* FDb = nullptr;
};

class TRawPostgres {
public:
    // options: server settings for the session, as libpq's "options" takes them ("-c jit=off").
    explicit TRawPostgres(const QString& dsn, const char* options = "");
    ~TRawPostgres();
    TRawPostgres(const TRawPostgres&) = delete;
    TRawPostgres& operator=(const TRawPostgres&) = delete;
    // sql names its one parameter :PARENT; it is sent as $1, unprepared, text results.
    std::vector<TFloorRow> Select(const QString& sql, long long parent);
    // sql yields the id and the path of each hit; its parameters are $1, $2 … sent as text.
    std::vector<TFloorHit> Hits(const QString& sql, const std::vector<std::string>& params);

private:
    pg_conn* FConn = nullptr;
};

// A level the way a bare tree takes it: one item per row with its caption and icon, one
// insertion, then Qt's own sort by caption.
void BareTreeFill(QTreeWidgetItem* parent, const std::vector<TFloorRow>& rows, const QIcon& icon);

// The floor's own connection to an engine's database: one of the two raw kinds.
struct TRawConnection {
    std::unique_ptr<TRawSqlite> Sqlite;
    std::unique_ptr<TRawPostgres> Postgres;

    // Select and Hits of whichever kind is open.
    std::vector<TFloorRow> Select(const QString& sql, long long parent);
    std::vector<TFloorHit> Hits(const QString& sql, const std::vector<std::string>& params);
};
