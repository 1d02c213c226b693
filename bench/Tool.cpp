#include "Tool.h"

#include <QTextStream>

#include <stdexcept>

#include "Tools/qxvdb/Qxvdb.h"

void RunTool(const QStringList& args) {
    QString out, err;
    QTextStream o(&out), e(&err);
    const int code = RunQxvdb(args, o, e);
    e.flush();
    if (code != 0) throw std::runtime_error(err.toStdString());
}
