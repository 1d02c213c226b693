// Helper programs of the server tests, started as processes of their own so that several
// programs work on one database at once:
//   ServerWorker concurrency DSN SCHEMA SEED SESSION SESSIONS OPERATIONS
//     one session's random work on the shared directory (see test_Concurrency.cpp);
//   ServerWorker writer DSN
//     adds places one call at a time and prints each id once its call has returned, until
//     it is killed (see test_SqliteFaults.cpp);
//   ServerWorker call DSN SCHEMA ROUTINE [NAME=VALUE]...
//     one call of a location routine (or of PACKAGE.ROUTINE), committed; prints its RESULT (see
//     test_MainFollowing.cpp);
//   ServerWorker hold DSN
//     renames every place inside one write transaction, prints "held" and keeps the
//     transaction open until its input closes (see test_Search.cpp).

#include <QCoreApplication>
#include <QHash>
#include <QRandomGenerator>

#include <iostream>
#include <map>

#include "Platform/Data/DbBackend.h"
#include "Platform/Data/EOraError.h"
#include "Server/sqlite/SqliteServer.h"

namespace {

using Inputs = std::vector<TBoundValue>;

// One session's random work on the shared directory.
class TWorker {
public:
    TWorker(IDbConnection& db, QString schema, quint32 seed, int session, int sessions)
        : FDb(db),
          FSchema(std::move(schema)),
          FRandom(seed),
          FSession(session),
          FSessions(sessions) {}

    // Prints "ANSWER operation answer count" for every answer met and "NAME place name" for
    // the last name this session gave each place it renamed.
    void Run(int operations) {
        // Every item belongs to the one object the world gave them.
        FObject = Rows(QStringLiteral("SELECT MIN(OBJID) FROM %1").arg(T("INFORMATION")))
                      .Rows.at(0)
                      .at(0);
        for (int n = 0; n < operations; ++n) Step(n);
        for (const auto& [key, n] : FAnswers)
            std::cout << "ANSWER " << key.first.toStdString() << ' ' << key.second << ' ' << n
                      << '\n';
        for (auto it = FLastNames.begin(); it != FLastNames.end(); ++it)
            std::cout << "NAME " << it.key() << ' ' << it.value().toStdString() << '\n';
        std::cout << std::flush;
    }

private:
    long long Call(const char* package, const char* routine, const Inputs& in) {
        const TRoutineDesc desc =
            FDb.Describe(FSchema, QString::fromLatin1(package), QString::fromLatin1(routine));
        return FDb.Call(desc, in).Value("RESULT").toLongLong();
    }
    TRowSet Rows(const QString& sql, const Inputs& in = {}) { return FDb.Query(sql, in); }
    QString T(const char* table) const {
        return QStringLiteral("\"%1\".%2").arg(FSchema.toLower(), QLatin1String(table));
    }
    // The id of a random row of the table, of those the condition takes; none if none is.
    QVariant AnyOf(const char* table, const QString& where = QStringLiteral("1 = 1")) {
        const TRowSet ids = Rows(QStringLiteral("SELECT ID FROM %1 WHERE %2").arg(T(table), where));
        if (ids.Rows.empty()) return {};
        return ids.Rows[FRandom.bounded(int(ids.Rows.size()))][0];
    }
    // A place only this session renames.
    QVariant Owned() {
        return AnyOf("LOCATION", QStringLiteral("MOD(ID, %1) = %2").arg(FSessions).arg(FSession));
    }
    QVariant ParentOrTop(const char* table) {
        return FRandom.bounded(5) == 0 ? QVariant(-1) : AnyOf(table);
    }
    // What adding and changing an information item have in common.
    Inputs Item(const QVariant& parent, const QString& value) const {
        return {{"POBJTYPE", 1},   {"POBJID", FObject},   {"PID_PARENT", parent},
                {"PVALUE", value}, {"PDESCRIPTION", "d"}, {"PACTIVE", 1}};
    }
    QVariant TypeOfLevel(long long level) {
        return Rows(QStringLiteral("SELECT ID FROM %1 WHERE LEVEL_NO = :L").arg(T("LOCATTYPE")),
                    {{"L", level}})
            .Rows.at(0)
            .at(0);
    }
    long long LevelOf(const QVariant& place) {
        if (place.toLongLong() < 1) return 0;
        const TRowSet r = Rows(QStringLiteral("SELECT T.LEVEL_NO FROM %1 L JOIN %2 T ON T.ID = "
                                              "L.ID_LOCATTYPE WHERE L.ID = :P")
                                   .arg(T("LOCATION"), T("LOCATTYPE")),
                               {{"P", place}});
        return r.Rows.empty() ? -1 : r.Rows[0][0].toLongLong();
    }
    void Note(const char* operation, long long answer) {
        ++FAnswers[{QString::fromLatin1(operation), answer}];
    }

    void Step(int n) {
        const int pick = FRandom.bounded(100);
        const char* operation = "";
        try {
            if (pick < 30) {
                operation = "move-place";
                const QVariant place = AnyOf("LOCATION");
                if (place.isNull()) return;
                Note(operation, Call("QXVERPLOCAT", "UPD_T#LOCATION_ID_PARENT",
                                     {{"PID", place}, {"PID_PARENT", ParentOrTop("LOCATION")}}));
            } else if (pick < 50) {
                operation = "rename-place";
                Rename(n);
            } else if (pick < 58) {
                operation = "add-place";
                const QVariant parent = ParentOrTop("LOCATION");
                const long long level = LevelOf(parent);
                if (level < 0 || level >= 15) return;
                const long long id = Call("QXVERPLOCAT", "INS_T#LOCATION",
                                          {{"PID_PARENT", parent},
                                           {"PID_LOCATTYPE", TypeOfLevel(level + 1)},
                                           {"PNAME", "new"}});
                Note(operation, id > 0 ? 1 : id);
            } else if (pick < 64) {
                operation = "delete-place";
                const QVariant place = AnyOf("LOCATION");
                // The items' place stays, so that items can always be added.
                if (place.isNull() || place.toLongLong() == FObject.toLongLong()) return;
                Note(operation, Call("QXVERPLOCAT", "DEL_T#LOCATION", {{"PID", place}}));
            } else if (pick < 88) {
                operation = "move-item";
                const QVariant item = AnyOf("INFORMATION");
                if (item.isNull()) return;
                Inputs in = Item(ParentOrTop("INFORMATION"), QStringLiteral("v%1").arg(n));
                in.push_back({"PID", item});
                const long long r = Call("QXVERPINFORM", "UPD_T#INFORMATION", in);
                Note(operation, r > 0 ? 1 : r);
            } else if (pick < 95) {
                operation = "add-item";
                Inputs in = Item(ParentOrTop("INFORMATION"), QStringLiteral("n%1").arg(n));
                in.push_back({"PINFOTYPE", 5});
                const long long id = Call("QXVERPINFORM", "INS_T#INFORMATION", in);
                Note(operation, id > 0 ? 1 : id);
            } else {
                operation = "delete-item";
                const QVariant item = AnyOf("INFORMATION");
                if (item.isNull()) return;
                Note(operation, Call("QXVERPINFORM", "DEL_T#INFORMATION",
                                     {{"POBJTYPE", 1}, {"POBJID", FObject}, {"PID", item}}));
            }
        } catch (const EOraError& e) {
            Note(operation, -e.ErrorCode());  // an error is an answer too, if it is a defined one
        }
    }

    // Renames a place of this session's own, keeping its parent and type as they are now.
    void Rename(int n) {
        const QVariant place = Owned();
        if (place.isNull()) return;
        const TRowSet row =
            Rows(QStringLiteral("SELECT ID_PARENT, ID_LOCATTYPE FROM %1 WHERE ID = :P")
                     .arg(T("LOCATION")),
                 {{"P", place}});
        if (row.Rows.empty()) return;
        const QString name = QStringLiteral("s%1-%2").arg(FSession).arg(n);
        const QVariant parent = row.Rows[0][0].isNull() ? QVariant(-1) : row.Rows[0][0];
        const long long r = Call("QXVERPLOCAT", "UPD_T#LOCATION",
                                 {{"PID", place},
                                  {"PID_PARENT", parent},
                                  {"PID_LOCATTYPE", row.Rows[0][1]},
                                  {"PNAME", name}});
        Note("rename-place", r > 0 ? 1 : r);
        if (r > 0) FLastNames.insert(place.toLongLong(), name);
    }

    IDbConnection& FDb;
    QString FSchema;
    QRandomGenerator FRandom;
    int FSession;
    int FSessions;
    QVariant FObject;
    std::map<std::pair<QString, long long>, int> FAnswers;  // (operation, result or -error)
    QHash<long long, QString> FLastNames;
};

void RunWriter(IDbConnection& db) {
    const TRoutineDesc add = db.Describe("qxvbase", "QXVERPLOCAT", "INS_T#LOCATION");
    const QVariant type =
        db.Query("SELECT MIN(ID) FROM \"qxvbase\".LOCATTYPE", {}).Rows.at(0).at(0);
    for (int i = 0;; ++i) {
        const QVariant id =
            db.Call(add,
                    {{"PID_PARENT", -1}, {"PID_LOCATTYPE", type}, {"PNAME", QString::number(i)}})
                .Value("RESULT");
        std::cout << id.toLongLong() << std::endl;  // the call returned: committed
    }
}

// What a long import does to other programs: the write lock taken and kept.
void HoldWriteLock(IDbConnection& db) {
    db.StartWriteTransaction("qxvbase");
    db.Execute("UPDATE \"qxvbase\".LOCATION SET NAME = NAME || ' (changing)'", {});
    std::cout << "held" << std::endl;
    while (std::cin.get() != EOF) {
    }
    db.Rollback();
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList a = app.arguments();
    RegisterSqliteServer();
    try {
        if (a.size() == 8 && a[1] == QLatin1String("concurrency")) {
            const auto db = OpenConnection(a[2]);
            TWorker(*db, a[3], a[4].toUInt(), a[5].toInt(), a[6].toInt()).Run(a[7].toInt());
            return 0;
        }
        if (a.size() >= 5 && a[1] == QLatin1String("call")) {
            const auto db = OpenConnection(a[2]);
            Inputs inputs;
            for (const QString& pair : a.mid(5)) {
                bool number = false;
                const QString value = pair.section(u'=', 1);
                const qlonglong n = value.toLongLong(&number);
                inputs.push_back(
                    {pair.section(u'=', 0, 0), number ? QVariant(n) : QVariant(value)});
            }
            const QString routine = a[4].contains(u'.') ? a[4] : "QXVERPLOCAT." + a[4];
            const TCallResult r = db->Call(
                db->Describe(a[3], routine.section(u'.', 0, 0), routine.section(u'.', 1)), inputs);
            std::cout << r.Value("RESULT").toLongLong() << std::endl;
            return 0;
        }
        if (a.size() == 3 && (a[1] == QLatin1String("hold") || a[1] == QLatin1String("writer"))) {
            (a[1] == QLatin1String("hold") ? HoldWriteLock : RunWriter)(*OpenConnection(a[2]));
            return 0;
        }
    } catch (const EOraError& e) {
        std::cerr << e.Message().toStdString() << std::endl;
        return 1;
    }
    std::cerr << "usage: ServerWorker concurrency|writer|call|hold ..." << std::endl;
    return 2;
}
