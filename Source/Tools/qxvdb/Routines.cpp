#include "Tools/qxvdb/Routines.h"

TCallResult TRoutines::Call(const QString& package, const QString& routine,
                            const std::vector<TBoundValue>& inputs) {
    const QString key = package + u'.' + routine;
    auto it = FDescribed.find(key);
    if (it == FDescribed.end())
        it = FDescribed.insert(key, FDb.Describe(FSchema, package, routine));
    return FDb.Call(*it, inputs);
}

long long TRoutines::Result(const QString& package, const QString& routine,
                            const std::vector<TBoundValue>& inputs) {
    return Call(package, routine, inputs).Value(QStringLiteral("RESULT")).toLongLong();
}

TRowSet TRoutines::Rows(const QString& package, const QString& routine,
                        const std::vector<TBoundValue>& inputs) {
    TCallResult result = Call(package, routine, inputs);
    return result.Cursor ? std::move(*result.Cursor) : TRowSet{};
}

int ColumnIndex(const TRowSet& rows, const QString& name) {
    for (size_t i = 0; i < rows.Columns.size(); ++i)
        if (rows.Columns[i].Name.compare(name, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    return -1;
}
