#include "Tools/qxvdb/Journal.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

#include "Platform/Data/DbBackend.h"
#include "Platform/Data/EOraError.h"
#include "Server/sqlite/SqliteServer.h"
#include "Tools/qxvdb/Arguments.h"
#include "Tools/qxvdb/Qxvdb.h"
#include "Tools/qxvdb/Records.h"
#include "Tools/qxvdb/Routines.h"

namespace {

const char kJournalUsage[] =
    "usage: qxvdb journal --db CONNECTION [--schema NAME] [--since SEQ] [--place ID]\n"
    "                     [--format csv|json]\n"
    "Prints the directory's changes in the order they were made: one row per changed\n"
    "place, information item, abbreviation or level, with its sequence number, time (UTC),\n"
    "user, operation (ADD, EDIT, MOVE, DELETE), kind (PLACE, ITEM, ABBREV, LEVEL), id,\n"
    "the place it concerns, the place's parent and the fields before and after (JSON).\n"
    "  --since SEQ        only the changes after that sequence number (a follower passes\n"
    "                     the last one it has read)\n"
    "  --place ID         only the changes of that place and its information items\n"
    "  --format csv|json  CSV with a header line (the default) or a JSON array\n";

const char* const kColumns[] = {"SEQ",   "AT",    "WHO",    "OP",     "KIND",
                                "OBJID", "PLACE", "PARENT", "BEFORE", "AFTER"};
constexpr int kPage = 1000;

struct TJournalOptions {
    QString Db;
    QString Schema;
    long long Since = 0;
    long long Place = 0;
    bool Json = false;
    bool Help = false;
};

long long Number(TArguments& arg) {
    bool ok = false;
    const QString text = arg.Value();
    const long long value = text.toLongLong(&ok);
    if (!ok || value < 0)
        throw TUsageError{
            QStringLiteral("%1 takes a whole number, not \"%2\"").arg(arg.Current(), text)};
    return value;
}

TJournalOptions ParseJournalOptions(const QStringList& args) {
    TJournalOptions o;
    TArguments arg(args, 0);
    while (arg.Next()) {
        if (arg.TakeCommon(o)) {
            if (o.Help) return o;
        } else if (arg.Is("--since")) {
            o.Since = Number(arg);
        } else if (arg.Is("--place")) {
            o.Place = Number(arg);
        } else if (arg.Is("--format")) {
            const QString format = arg.Value();
            if (format != QLatin1String("csv") && format != QLatin1String("json"))
                throw TUsageError{QStringLiteral("unknown format \"%1\"").arg(format)};
            o.Json = format == QLatin1String("json");
        } else {
            throw TUsageError{QStringLiteral("unknown option \"%1\"").arg(arg.Current())};
        }
    }
    if (o.Db.isEmpty()) throw TUsageError{QStringLiteral("--db is required")};
    return o;
}

// Writes the rows as they come, page by page.
class TJournalWriter {
public:
    TJournalWriter(QTextStream& out, bool json) : FOut(out), FJson(json) {
        if (FJson) {
            FOut << "[";
            return;
        }
        QStringList header;
        for (const char* c : kColumns) header << QString::fromLatin1(c);
        FOut << header.join(u',') << "\n";
    }
    void Write(const TRowSet& rows, size_t row) {
        if (FJson)
            WriteJson(rows, row);
        else
            WriteCsv(rows, row);
    }
    void Finish() {
        if (FJson) FOut << (FFirst ? "]\n" : "\n]\n");
        FOut.flush();
    }

private:
    static QVariant Value(const TRowSet& rows, size_t row, const char* column) {
        const int c = ColumnIndex(rows, QString::fromLatin1(column));
        return c < 0 ? QVariant() : rows.Rows[row][size_t(c)];
    }
    void WriteCsv(const TRowSet& rows, size_t row) {
        QByteArray line;
        for (const char* c : kColumns) {
            if (c != kColumns[0]) line += ',';
            const QVariant v = Value(rows, row, c);
            AppendCsvField(line, v.isNull() ? QString() : v.toString());
        }
        FOut << QString::fromUtf8(line) << "\n";
    }
    void WriteJson(const TRowSet& rows, size_t row) {
        QJsonObject object;
        for (const char* c : kColumns) {
            const QVariant v = Value(rows, row, c);
            const QString key = QString::fromLatin1(c).toLower();
            if (v.isNull())
                object.insert(key, QJsonValue());
            else if (qstrcmp(c, "BEFORE") == 0 || qstrcmp(c, "AFTER") == 0)
                object.insert(key, QJsonDocument::fromJson(v.toString().toUtf8()).object());
            else if (v.typeId() == QMetaType::QString)
                object.insert(key, v.toString());
            else
                object.insert(key, v.toLongLong());
        }
        FOut << (FFirst ? "\n" : ",\n")
             << QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
        FFirst = false;
    }

    QTextStream& FOut;
    bool FJson;
    bool FFirst = true;
};

void PrintJournal(TRoutines& calls, const TJournalOptions& o, QTextStream& out) {
    const QString package = QStringLiteral("QXVERPLOCAT");
    TJournalWriter writer(out, o.Json);
    if (o.Place > 0) {
        // A place's rows come newest first: printed in the order they were made.
        const TRowSet rows = calls.Rows(package, QStringLiteral("GET_T#JOURNAL_PLACE"),
                                        {{"PID", o.Place}, {"PSUBTREE", 0}});
        const int seq = ColumnIndex(rows, QStringLiteral("SEQ"));
        for (size_t i = rows.Rows.size(); i-- > 0;)
            if (rows.Rows[i][size_t(seq)].toLongLong() > o.Since) writer.Write(rows, i);
    } else {
        long long since = o.Since;
        for (;;) {
            const TRowSet rows = calls.Rows(package, QStringLiteral("GET_T#JOURNAL"),
                                            {{"PSINCE", since}, {"PLIMIT", kPage}});
            if (rows.Rows.empty()) break;
            for (size_t i = 0; i < rows.Rows.size(); ++i) writer.Write(rows, i);
            since =
                rows.Rows[rows.Rows.size() - 1][size_t(ColumnIndex(rows, QStringLiteral("SEQ")))]
                    .toLongLong();
            if (rows.Rows.size() < size_t(kPage)) break;
        }
    }
    writer.Finish();
}

}  // namespace

int RunJournalCommand(const QStringList& args, QTextStream& out, QTextStream& err) {
    const std::optional<TJournalOptions> parsed =
        ParsedOrSaid(ParseJournalOptions, args, kJournalUsage, err);
    if (!parsed) return QxvdbExit::Usage;
    const TJournalOptions& o = *parsed;
    if (o.Help) {
        out << kJournalUsage;
        out.flush();
        return QxvdbExit::Ok;
    }
    try {
        RegisterSqliteServer();
        std::unique_ptr<IDbConnection> db = OpenConnection(o.Db);
        const QString schema = o.Schema.isEmpty() ? db->UserName() : o.Schema;
        CheckSchemaName(schema);
        TRoutines calls(*db, schema);
        PrintJournal(calls, o, out);
        db->Rollback();
        return QxvdbExit::Ok;
    } catch (const EOraError& e) {
        err << "qxvdb: " << e.Message().trimmed() << "\n";
        err.flush();
        return QxvdbExit::DatabaseError;
    }
}
