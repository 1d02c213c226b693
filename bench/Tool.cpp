#include "Tool.h"

#include <QDir>
#include <QFile>
#include <QTextStream>

#include <stdexcept>

#include "Server/ServerInstall.h"
#include "Tools/qxvdb/Qxvdb.h"
#include "Tools/qxvdb/Records.h"
#include "WideNode.h"

void RunTool(const QStringList& args) {
    QString out, err;
    QTextStream o(&out), e(&err);
    const int code = RunQxvdb(args, o, e);
    e.flush();
    if (code != 0) throw std::runtime_error(err.toStdString());
}

void LoadWithTool(TEngine& e, const QString& file, const QString& table) {
    InstallServerSchema(*e.Db, e.Schema);
    e.Db->Commit();
    RunTool({"import", "--db", ConnectionString(e), "--schema", e.Schema, "--file", file,
             "--create-missing"});
    if (e.Name == "postgresql") {
        e.Db->Execute(QStringLiteral("ANALYZE %1.%2").arg(QuotedSchemaName(e.Schema), table), {});
        e.Db->Commit();
    }
}

QString WritePlacesCsv(const QString& dir, const std::vector<TPlaceRow>& rows) {
    const QString csv = QDir(dir).filePath(QStringLiteral("places.csv"));
    QFile f(csv);
    f.open(QIODevice::WriteOnly);
    WritePlaces(rows, false, f);
    return csv;
}
