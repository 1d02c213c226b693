#include "Tools/qxvdb/Namesakes.h"

#include <QHash>
#include <QSet>

#include "Platform/Data/DbBackend.h"
#include "Tools/qxvdb/Routines.h"

namespace {

QString Folded(const QString& name) { return name.toLower().replace(u'ё', u'е').simplified(); }

// A row's parent as the database knows it ('d', 0 for the top) or, for a parent that is
// a new place of the file, as the file does ('f').
QString ParentKey(const TPlaceRow& row, const QSet<qint32>& fileIds, bool newIds) {
    const bool fileOwn = newIds && fileIds.contains(row.Parent);
    return (fileOwn ? QStringLiteral("f") : QStringLiteral("d")) + QString::number(row.Parent);
}

// The database's places under `parents` by parent and folded name, those the file rewrites
// aside.
QHash<QString, qint32> DatabaseNames(TRoutines& calls, const QSet<QString>& parents,
                                     const QSet<qint32>& rewritten) {
    QHash<QString, qint32> names;
    if (parents.isEmpty()) return names;
    const TRowSet places =
        calls.Db().Query(QStringLiteral("SELECT ID, ID_PARENT, NAME FROM %1.LOCATION ORDER BY ID")
                             .arg(QuotedSchemaName(calls.Schema())),
                         {});
    for (const auto& row : places.Rows) {
        const QString parent = QStringLiteral("d") + QString::number(row[1].toInt());
        if (!parents.contains(parent) || rewritten.contains(row[0].toInt())) continue;
        names.insert(parent + u'\t' + Folded(row[2].toString()), row[0].toInt());
    }
    return names;
}

}  // namespace

std::vector<TBadRow> ListNamesakes(TRoutines& calls, const std::vector<TPlaceRow>& rows,
                                   const std::vector<bool>& written, bool newIds) {
    QSet<qint32> fileIds, rewritten;
    QSet<QString> parents;
    for (size_t i = 0; i < rows.size(); ++i) {
        if (!written[i]) continue;
        fileIds.insert(rows[i].Id);
        if (!newIds) rewritten.insert(rows[i].Id);
    }
    for (size_t i = 0; i < rows.size(); ++i)
        if (written[i]) parents.insert(ParentKey(rows[i], fileIds, newIds));
    const QHash<QString, qint32> stored = DatabaseNames(calls, parents, rewritten);
    QHash<QString, int> seen;  // → the line of the first row of that name
    std::vector<TBadRow> warnings;
    for (size_t i = 0; i < rows.size(); ++i) {
        if (!written[i]) continue;
        const QString key = ParentKey(rows[i], fileIds, newIds) + u'\t' + Folded(rows[i].Name);
        const QString already =
            QStringLiteral("a place named \"%1\" already exists here: ").arg(rows[i].Name);
        if (const auto it = stored.constFind(key); it != stored.constEnd())
            warnings.push_back(
                {rows[i].Line, QString(), already + QStringLiteral("the place %1").arg(*it)});
        else if (const auto first = seen.constFind(key); first != seen.constEnd())
            warnings.push_back(
                {rows[i].Line, QString(), already + QStringLiteral("line %1").arg(*first)});
        else
            seen.insert(key, rows[i].Line);
    }
    return warnings;
}
