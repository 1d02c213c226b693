#include "Platform/Data/Postgres/PgSqlText.h"

namespace PgSqlText {

namespace {

bool IsNameStart(QChar c) { return c.isLetter() || c == u'_'; }

bool IsNamePart(QChar c) { return c.isLetterOrNumber() || c == u'_' || c == u'#' || c == u'$'; }

// Skips to the end of a block that starts at i; returns the index after it.
qsizetype SkipQuoted(const QString& sql, qsizetype i, QChar quote) {
    ++i;
    while (i < sql.size()) {
        if (sql[i] == quote) {
            if (i + 1 < sql.size() && sql[i + 1] == quote) {
                i += 2;
                continue;
            }
            return i + 1;
        }
        ++i;
    }
    return i;
}

// A dollar quote "$tag$" starts at i; returns the length of the tag, or 0.
qsizetype DollarTag(const QString& sql, qsizetype i) {
    qsizetype j = i + 1;
    if (j < sql.size() && sql[j] != u'$' && !IsNameStart(sql[j])) return 0;
    while (j < sql.size() && sql[j] != u'$') {
        if (!(sql[j].isLetterOrNumber() || sql[j] == u'_')) return 0;
        ++j;
    }
    return j < sql.size() ? j - i + 1 : 0;
}

}  // namespace

TConverted ConvertParameters(const QString& sql) {
    TConverted out;
    out.Sql.reserve(sql.size() + 8);
    qsizetype i = 0;
    const qsizetype n = sql.size();
    while (i < n) {
        const QChar c = sql[i];
        qsizetype end = i;
        if (c == u'\'' || c == u'"') {
            end = SkipQuoted(sql, i, c);
        } else if (c == u'-' && i + 1 < n && sql[i + 1] == u'-') {
            end = sql.indexOf(u'\n', i);
            end = end < 0 ? n : end;
        } else if (c == u'/' && i + 1 < n && sql[i + 1] == u'*') {
            end = sql.indexOf(QLatin1String("*/"), i + 2);
            end = end < 0 ? n : end + 2;
        } else if (c == u'$' && (i == 0 || !IsNamePart(sql[i - 1]))) {
            if (const qsizetype tag = DollarTag(sql, i); tag > 0) {
                const qsizetype close = sql.indexOf(sql.mid(i, tag), i + tag);
                end = close < 0 ? n : close + tag;
            }
        } else if (c == u':') {
            if (i + 1 < n && (sql[i + 1] == u':' || sql[i + 1] == u'=')) {
                end = i + 2;
            } else if (i + 1 < n && IsNameStart(sql[i + 1])) {
                qsizetype j = i + 1;
                while (j < n && IsNamePart(sql[j])) ++j;
                const QString name = sql.mid(i + 1, j - i - 1).toUpper();
                qsizetype index = out.Names.indexOf(name);
                if (index < 0) {
                    out.Names << name;
                    index = out.Names.size() - 1;
                }
                out.Sql += u'$' + QString::number(index + 1);
                i = j;
                continue;
            }
        }
        if (end <= i) end = i + 1;
        out.Sql += QStringView(sql).mid(i, end - i);
        i = end;
    }
    return out;
}

QStringList ParseTextArray(const QString& text) {
    QStringList items;
    QString body = text.trimmed();
    // Arrays not starting at 1 carry their bounds first: "[0:1]={…}".
    if (body.startsWith(u'[')) {
        const qsizetype eq = body.indexOf(u'=');
        body = eq < 0 ? QString() : body.mid(eq + 1);
    }
    if (body.size() < 2 || body.front() != u'{' || body.back() != u'}') return items;
    qsizetype i = 1;
    const qsizetype end = body.size() - 1;
    if (i == end) return items;
    while (i <= end) {
        QString item;
        bool quoted = false;
        if (i < end && body[i] == u'"') {
            quoted = true;
            ++i;
            while (i < end && body[i] != u'"') {
                if (body[i] == u'\\' && i + 1 < end) ++i;
                item += body[i++];
            }
            ++i;  // closing quote
        } else {
            while (i < end && body[i] != u',') item += body[i++];
        }
        if (!quoted && item == QLatin1String("NULL"))
            items << QString();
        else
            items << item;
        ++i;  // the comma, or past the closing brace
    }
    return items;
}

}  // namespace PgSqlText
