#include "Tool.h"

#include <QTextStream>

#include <stdexcept>

#include "Server/ServerInstall.h"
#include "Tools/qxvdb/Qxvdb.h"
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
