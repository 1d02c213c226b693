#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>

#include <memory>
#include <vector>

#include "Platform/Data/DbBackend.h"
#include "support/CountingConnection.h"
#include "support/TempDir.h"

class TOraSession;

// A fresh embedded database with the directory's schema installed, reached through
// a call-counting connection and a session that components can use. Helpers add
// dictionary rows and places through the server routines, as the product does.
class TestDatabase {
public:
    explicit TestDatabase(const QString& schema = QStringLiteral("QXVBASE"));
    // The same on the PostgreSQL server the connection string names, the schema dropped with
    // the object; an empty string means the embedded engine.
    TestDatabase(const QString& schema, const QString& serverConnectString);
    // A schema name of its own for a database on a shared server.
    static QString NewSchemaName();
    ~TestDatabase();

    const QString& Schema() const { return FSchema; }
    // A table of the schema, for free SQL.
    QString Table(const QString& name) const;
    // How a second, independent session reaches the same database.
    const QString& ConnectString() const { return FConnectString; }
    IDbConnection& Raw() { return *FRaw; }
    CountingConnection& Counting() { return *FCounting; }
    TOraSession& Session() { return *FSession; }

    // A routine's RESULT (0 for a procedure).
    long long Call(const QString& package, const QString& routine,
                   const std::vector<TBoundValue>& inputs);
    TRowSet Rows(const QString& package, const QString& routine,
                 const std::vector<TBoundValue>& inputs);
    // A cell of a row set by its column's name, in any letter case (a failure when absent).
    static QVariant Cell(const TRowSet& rows, size_t row, const QString& column);

    // The session's user reads the interface (and reports) in `language` (9 English, 10 Spanish).
    void SetUserLanguage(int language);

    long long AddAbbrev(const QString& shortName, const QString& name,
                        const QByteArray& bmp = QByteArray());
    long long AddType(int level, long long abbrevId);
    // parent -1 for the top level.
    long long AddLocation(long long parent, long long typeId, const QString& name);
    long long AddInfo(long long objId, long long parent, int infoType, const QString& value,
                      const QString& description = QString(), bool active = true);

    // A small directory: two regions, a district with a town and a village, three levels deep.
    struct TSample {
        long long aObl, aR, aG, aS;         // abbreviations "обл.", "р-н", "г.", "с."
        long long tObl, tR, tG3, tS3, tS4;  // types: level 1, 2, 3, 3, 4
        long long north, lakeside, birch, harbour, south;
    };
    TSample AddSample();

private:
    TempDir FTemp;
    bool FDropSchema = false;
    QString FSchema;
    QString FConnectString;
    std::unique_ptr<IDbConnection> FRaw;
    std::unique_ptr<CountingConnection> FCounting;
    std::unique_ptr<TOraSession> FSession;
};
