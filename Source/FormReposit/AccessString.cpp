#include "FormReposit/AccessString.h"

TAccessString TAccessString::Parse(const QString& mode, int rightCount) {
    TAccessString result;
    if (mode.isEmpty() || rightCount <= 0) return result;
    if (mode.front() != u'1') {
        result.Kind = TKind::InvalidMode;
        return result;
    }
    if (mode.size() - 1 != rightCount) {
        result.Kind = TKind::WrongCount;
        return result;
    }
    result.Kind = TKind::Rights;
    result.Granted.reserve(static_cast<size_t>(rightCount));
    for (qsizetype i = 1; i < mode.size(); ++i) result.Granted.push_back(mode.at(i) == u'1');
    return result;
}
