#include "Platform/Data/SqlText.h"

#include <QLocale>
#include <QRegularExpression>

#include <algorithm>
#include <vector>

namespace SqlText {

namespace {

bool IsIdentStart(QChar c) { return c.isLetter() || c == u'_'; }

bool IsIdentChar(QChar c) { return c.isLetterOrNumber() || c == u'_' || c == u'$' || c == u'#'; }

// Walks the text; `visit` sees every character outside literals, quoted names
// and comments with its index and may consume more (returns the next index).
// Skipped spans are handed to `skipped` unchanged.
template <typename Visit, typename Skip>
void Walk(const QString& s, Visit visit, Skip skipped) {
    const qsizetype n = s.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = s[i];
        qsizetype end = -1;
        if (c == u'\'' || c == u'"') {
            end = i + 1;
            while (end < n) {
                if (s[end] == c) {
                    if (c == u'\'' && end + 1 < n && s[end + 1] == u'\'') {
                        end += 2;  // '' inside a literal
                        continue;
                    }
                    ++end;
                    break;
                }
                ++end;
            }
            skipped(i, end, false);
        } else if (c == u'-' && i + 1 < n && s[i + 1] == u'-') {
            end = s.indexOf(u'\n', i);
            if (end < 0) end = n;
            skipped(i, end, true);
        } else if (c == u'/' && i + 1 < n && s[i + 1] == u'*') {
            end = s.indexOf(QStringLiteral("*/"), i + 2);
            end = end < 0 ? n : end + 2;
            skipped(i, end, true);
        }
        if (end >= 0) {
            i = std::min(end, n);
            continue;
        }
        i = visit(i);
    }
}

qsizetype IdentEnd(const QString& s, qsizetype from) {
    qsizetype j = from;
    while (j < s.size() && IsIdentChar(s[j])) ++j;
    return j;
}

void AddOnce(QStringList& list, const QString& name) {
    if (!list.contains(name, Qt::CaseInsensitive)) list << name;
}

}  // namespace

TScan Scan(const QString& sql) {
    TScan scan;
    Walk(
        sql,
        [&](qsizetype i) -> qsizetype {
            const QChar c = sql[i];
            const qsizetype next = i + 1;
            if (c == u'&' && next < sql.size() && IsIdentStart(sql[next])) {
                const qsizetype end = IdentEnd(sql, next);
                AddOnce(scan.Macros, sql.mid(next, end - next));
                return end;
            }
            if (c == u':') {
                if (next < sql.size() && sql[next] == u':') return next + 1;  // a "::" cast
                if (next < sql.size() && IsIdentStart(sql[next]) &&
                    !(i > 0 && IsIdentChar(sql[i - 1]))) {
                    const qsizetype end = IdentEnd(sql, next);
                    AddOnce(scan.Params, sql.mid(next, end - next));
                    return end;
                }
            }
            return next;
        },
        [](qsizetype, qsizetype, bool) {});
    return scan;
}

QString ExpandMacros(const QString& sql,
                     const std::function<std::optional<QString>(const QString&)>& value) {
    QString out;
    out.reserve(sql.size());
    Walk(
        sql,
        [&](qsizetype i) -> qsizetype {
            const QChar c = sql[i];
            if (c == u'&' && i + 1 < sql.size() && IsIdentStart(sql[i + 1])) {
                const qsizetype end = IdentEnd(sql, i + 1);
                const QString name = sql.mid(i + 1, end - i - 1);
                if (const auto v = value(name)) {
                    out += *v;
                    return end;
                }
                out += sql.mid(i, end - i);
                return end;
            }
            out += c;
            return i + 1;
        },
        [&](qsizetype from, qsizetype to, bool) { out += sql.mid(from, to - from); });
    return out;
}

QString StripComments(const QString& sql) {
    QString out;
    out.reserve(sql.size());
    Walk(
        sql,
        [&](qsizetype i) -> qsizetype {
            out += sql[i];
            return i + 1;
        },
        [&](qsizetype from, qsizetype to, bool comment) {
            out += comment ? QStringLiteral(" ") : sql.mid(from, to - from);
        });
    return out;
}

QString FirstWord(const QString& sql) {
    const QString text = StripComments(sql).trimmed();
    qsizetype j = 0;
    while (j < text.size() && IsIdentChar(text[j])) ++j;
    return text.left(j).toUpper();
}

namespace {

// Splits at top-level commas; std::nullopt when the text is not a plain
// argument list (unbalanced parentheses or a statement separator).
std::optional<QStringList> SplitArguments(const QString& text) {
    QStringList parts;
    QString current;
    int depth = 0;
    bool bad = false;
    Walk(
        text,
        [&](qsizetype i) -> qsizetype {
            const QChar c = text[i];
            if (c == u'(')
                ++depth;
            else if (c == u')' && --depth < 0)
                bad = true;
            else if (c == u';')
                bad = true;
            if (c == u',' && depth == 0) {
                parts << current;
                current.clear();
            } else {
                current += c;
            }
            return i + 1;
        },
        [&](qsizetype from, qsizetype to, bool comment) {
            if (!comment) current += text.mid(from, to - from);
        });
    if (bad || depth != 0) return std::nullopt;
    parts << current;
    return parts;
}

std::optional<TArgument> ParseArgument(QString text) {
    TArgument arg;
    text = text.trimmed();
    static const QRegularExpression named(QStringLiteral(R"(^([A-Za-z_][\w$#]*)\s*=>\s*(.*)$)"),
                                          QRegularExpression::DotMatchesEverythingOption);
    if (const auto m = named.match(text); m.hasMatch()) {
        arg.Name = m.captured(1);
        text = m.captured(2).trimmed();
    }
    static const QRegularExpression param(QStringLiteral(R"(^:([A-Za-z_][\w$#]*)$)"));
    static const QRegularExpression number(
        QStringLiteral(R"(^[+-]?(\d+(\.\d*)?|\.\d+)([eE][+-]?\d+)?$)"));
    if (const auto m = param.match(text); m.hasMatch()) {
        arg.ParamRef = m.captured(1);
    } else if (text.size() >= 2 && text.startsWith(u'\'') && text.endsWith(u'\'')) {
        const QString inner = text.mid(1, text.size() - 2);
        // A lone quote inside means the literal was not one piece.
        if (QString(inner).replace(QStringLiteral("''"), QString()).contains(u'\''))
            return std::nullopt;
        arg.Literal = QString(inner).replace(QStringLiteral("''"), QStringLiteral("'"));
    } else if (number.match(text).hasMatch()) {
        bool ok = false;
        const long long n = text.toLongLong(&ok);
        arg.Literal = ok ? QVariant(n) : QVariant(QLocale::c().toDouble(text));
    } else if (text.compare(QLatin1String("NULL"), Qt::CaseInsensitive) == 0) {
        arg.Literal = QVariant();
    } else if (text.compare(QLatin1String("TRUE"), Qt::CaseInsensitive) == 0 ||
               text.compare(QLatin1String("FALSE"), Qt::CaseInsensitive) == 0) {
        arg.Literal = QVariant(text.compare(QLatin1String("TRUE"), Qt::CaseInsensitive) == 0);
    } else {
        return std::nullopt;
    }
    return arg;
}

}  // namespace

namespace {

// The text with literals, quoted names and comments blanked out (same length), so that
// words and brackets can be found by position. A quoted name stays one word.
QString Masked(const QString& sql) {
    QString masked = sql;
    Walk(
        sql, [](qsizetype i) { return i + 1; },
        [&](qsizetype from, qsizetype to, bool comment) {
            for (qsizetype k = from; k < std::min(to, masked.size()); ++k)
                masked[k] = comment ? u' ' : u'_';
        });
    return masked;
}

struct TWord {
    qsizetype Start;
    qsizetype End;
    int Depth;
};

// The words of the masked text outside parameter and macro references, with their
// bracket depth.
std::vector<TWord> Words(const QString& masked) {
    std::vector<TWord> words;
    int depth = 0;
    for (qsizetype i = 0; i < masked.size();) {
        const QChar c = masked[i];
        if (c == u'(') ++depth;
        if (c == u')') --depth;
        if (!IsIdentStart(c)) {
            ++i;
            continue;
        }
        const qsizetype end = IdentEnd(masked, i);
        const bool reference = i > 0 && (masked[i - 1] == u':' || masked[i - 1] == u'&');
        if (!reference) words.push_back({i, end, depth});
        i = end;
    }
    return words;
}

bool Is(const QString& masked, const TWord& word, QLatin1String text) {
    return QStringView(masked)
               .mid(word.Start, word.End - word.Start)
               .compare(text, Qt::CaseInsensitive) == 0;
}

}  // namespace

QString QuoteReservedNames(const QString& sql) {
    static const QStringList data = {"SELECT", "INSERT", "UPDATE", "DELETE", "WITH"};
    if (!data.contains(FirstWord(sql))) return sql;
    const QString masked = Masked(sql);
    QString out = sql;
    const std::vector<TWord> words = Words(masked);
    for (auto w = words.rbegin(); w != words.rend(); ++w)
        if (Is(masked, *w, QLatin1String("CONSTRAINT")))
            out.replace(w->Start, w->End - w->Start, QStringLiteral("\"constraint\""));
    return out;
}

QString OracleNullOrdering(const QString& sql) {
    const QString masked = Masked(sql);
    const std::vector<TWord> words = Words(masked);
    // The last ORDER BY outside brackets.
    size_t by = words.size();
    for (size_t k = 0; k + 1 < words.size(); ++k)
        if (words[k].Depth == 0 && Is(masked, words[k], QLatin1String("ORDER")) &&
            Is(masked, words[k + 1], QLatin1String("BY")))
            by = k + 1;
    if (by == words.size()) return sql;
    // Where the terms end: a closing bracket, a semicolon, LIMIT, OFFSET, FETCH or FOR.
    qsizetype end = masked.size();
    for (size_t k = by + 1; k < words.size(); ++k)
        if (words[k].Depth == 0 && (Is(masked, words[k], QLatin1String("LIMIT")) ||
                                    Is(masked, words[k], QLatin1String("OFFSET")) ||
                                    Is(masked, words[k], QLatin1String("FETCH")) ||
                                    Is(masked, words[k], QLatin1String("FOR")))) {
            end = words[k].Start;
            break;
        }
    std::vector<qsizetype> termEnds;
    int depth = 0;
    for (qsizetype i = words[by].End; i < end; ++i) {
        const QChar c = masked[i];
        if (c == u'(') ++depth;
        if (c == u')' && --depth < 0) {
            end = i;
            break;
        }
        if (c == u';' && depth == 0) {
            end = i;
            break;
        }
        if (c == u',' && depth == 0) termEnds.push_back(i);
    }
    termEnds.push_back(end);
    QString out = sql;
    qsizetype termStart = words[by].End;
    std::vector<std::pair<qsizetype, QString>> inserts;
    for (qsizetype termEnd : termEnds) {
        qsizetype last = termEnd;
        while (last > termStart && masked[last - 1].isSpace()) --last;
        bool hasNulls = false;
        bool descending = false;
        for (const TWord& w : words) {
            if (w.Start < termStart || w.End > last || w.Depth != 0) continue;
            hasNulls = hasNulls || Is(masked, w, QLatin1String("NULLS"));
            descending = Is(masked, w, QLatin1String("DESC"));
        }
        if (last > termStart && !hasNulls)
            inserts.emplace_back(
                last, descending ? QStringLiteral(" NULLS FIRST") : QStringLiteral(" NULLS LAST"));
        termStart = termEnd + 1;
    }
    for (auto it = inserts.rbegin(); it != inserts.rend(); ++it) out.insert(it->first, it->second);
    return out;
}

std::optional<TCallBlock> ParseCallBlock(const QString& sql) {
    static const QRegularExpression block(
        QStringLiteral(R"(^\s*begin\s+(?::([A-Za-z_][\w$#]*)\s*:=\s*)?)"
                       R"(([A-Za-z_][\w$#]*(?:\s*\.\s*[A-Za-z_][\w$#]*){1,2}))"
                       R"(\s*(?:\((.*)\))?\s*;\s*end\s*;?\s*$)"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    const auto m = block.match(StripComments(sql));
    if (!m.hasMatch()) return std::nullopt;
    TCallBlock call;
    call.ResultParam = m.captured(1);
    for (const QString& part : m.captured(2).split(u'.')) call.Name << part.trimmed();
    if (m.capturedLength(3) > 0 || m.captured(0).contains(u'(')) {
        const QString argText = m.captured(3);
        if (!argText.trimmed().isEmpty()) {
            const auto parts = SplitArguments(argText);
            if (!parts) return std::nullopt;
            for (const QString& p : *parts) {
                auto arg = ParseArgument(p);
                if (!arg) return std::nullopt;
                call.Arguments.push_back(std::move(*arg));
            }
        }
    }
    return call;
}

}  // namespace SqlText
