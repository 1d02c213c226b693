#include "Platform/Ini/IniFile.h"

#include <QFile>
#include <QSaveFile>

#include <optional>

namespace {

// The section name of a "[name]" line, or nothing for any other line.
std::optional<QString> SectionName(const QString& line) {
    const QString t = line.trimmed();
    if (!t.startsWith(u'[')) return std::nullopt;
    const qsizetype close = t.indexOf(u']');
    if (close < 0) return std::nullopt;
    return t.mid(1, close - 1).trimmed();
}

struct KeyValue {
    QString key;
    QString value;
};

// A "key=value" line; comments (';' or '#') and lines without '=' are not keys.
std::optional<KeyValue> KeyValueOf(const QString& line) {
    const qsizetype eq = line.indexOf(u'=');
    if (eq <= 0) return std::nullopt;
    const QString key = line.left(eq).trimmed();
    if (key.isEmpty() || key.startsWith(u';') || key.startsWith(u'#')) return std::nullopt;
    QString value = line.mid(eq + 1).trimmed();
    if (value.size() >= 2 && ((value.front() == u'"' && value.back() == u'"') ||
                              (value.front() == u'\'' && value.back() == u'\'')))
        value = value.mid(1, value.size() - 2);
    return KeyValue{key, value};
}

bool SameName(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

// Lines [begin, end) belonging to a section's body; begin == -1 when absent.
struct SectionSpan {
    qsizetype header = -1;
    qsizetype end = -1;
};

SectionSpan FindSection(const QStringList& lines, const QString& section) {
    SectionSpan span;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const auto name = SectionName(lines[i]);
        if (!name) continue;
        if (span.header >= 0) {
            span.end = i;
            return span;
        }
        if (SameName(*name, section)) span.header = i;
    }
    if (span.header >= 0) span.end = lines.size();
    return span;
}

qsizetype FindKey(const QStringList& lines, const SectionSpan& span, const QString& key) {
    for (qsizetype i = span.header + 1; i < span.end; ++i) {
        const auto kv = KeyValueOf(lines[i]);
        if (kv && SameName(kv->key, key)) return i;
    }
    return -1;
}

QStringList SplitLines(const QByteArray& bytes) {
    QStringList lines = QString::fromUtf8(bytes).split(u'\n');
    for (QString& l : lines)
        if (l.endsWith(u'\r')) l.chop(1);
    if (!lines.isEmpty() && lines.back().isEmpty()) lines.removeLast();
    return lines;
}

std::optional<int> ParseInteger(const QString& text) {
    const QString t = text.trimmed();
    bool ok = false;
    int v = 0;
    if (t.startsWith(u'$'))
        v = t.mid(1).toInt(&ok, 16);
    else if (t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        v = t.mid(2).toInt(&ok, 16);
    else
        v = t.toInt(&ok, 10);
    if (!ok) return std::nullopt;
    return v;
}

// A value is one line in the file; line breaks inside it would start new keys.
QString OneLine(const QString& value) {
    QString v = value;
    v.replace(u'\r', u' ');
    v.replace(u'\n', u' ');
    return v;
}

}  // namespace

TIniFile::TIniFile(QString fileName) : FFileName(std::move(fileName)) {}

QStringList TIniFile::LoadLines() const {
    QFile f(FFileName);
    if (!f.open(QIODevice::ReadOnly)) return {};
    if (f.size() > MaxFileSize) return {};
    return SplitLines(f.readAll());
}

bool TIniFile::SaveLines(const QStringList& lines) {
    QSaveFile f(FFileName);
    if (!f.open(QIODevice::WriteOnly)) return false;
    QByteArray out;
    for (const QString& l : lines) {
        out += l.toUtf8();
        out += "\r\n";
    }
    f.write(out);
    return f.commit();
}

QString TIniFile::ReadString(const QString& section, const QString& key, const QString& def) const {
    const QStringList lines = LoadLines();
    const SectionSpan span = FindSection(lines, section);
    if (span.header < 0) return def;
    const qsizetype at = FindKey(lines, span, key);
    if (at < 0) return def;
    return KeyValueOf(lines[at])->value;
}

int TIniFile::ReadInteger(const QString& section, const QString& key, int def) const {
    const QString text = ReadString(section, key, QString());
    return ParseInteger(text).value_or(def);
}

bool TIniFile::ReadBool(const QString& section, const QString& key, bool def) const {
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

bool TIniFile::WriteString(const QString& section, const QString& key, const QString& value) {
    QStringList lines = LoadLines();
    const QString line = key.trimmed() + u'=' + OneLine(value);
    const SectionSpan span = FindSection(lines, section);
    if (span.header < 0) {
        if (!lines.isEmpty() && !lines.back().trimmed().isEmpty()) lines << QString();
        lines << u'[' + section.trimmed() + u']' << line;
        return SaveLines(lines);
    }
    const qsizetype at = FindKey(lines, span, key);
    if (at >= 0) {
        lines[at] = line;
        return SaveLines(lines);
    }
    // New keys go after the section's last non-blank line.
    qsizetype insertAt = span.end;
    while (insertAt > span.header + 1 && lines[insertAt - 1].trimmed().isEmpty()) --insertAt;
    lines.insert(insertAt, line);
    return SaveLines(lines);
}

bool TIniFile::WriteInteger(const QString& section, const QString& key, int value) {
    return WriteString(section, key, QString::number(value));
}

bool TIniFile::WriteBool(const QString& section, const QString& key, bool value) {
    return WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

bool TIniFile::SectionExists(const QString& section) const {
    return FindSection(LoadLines(), section).header >= 0;
}

bool TIniFile::ValueExists(const QString& section, const QString& key) const {
    const QStringList lines = LoadLines();
    const SectionSpan span = FindSection(lines, section);
    return span.header >= 0 && FindKey(lines, span, key) >= 0;
}

QStringList TIniFile::ReadSection(const QString& section) const {
    const QStringList lines = LoadLines();
    const SectionSpan span = FindSection(lines, section);
    QStringList keys;
    if (span.header < 0) return keys;
    for (qsizetype i = span.header + 1; i < span.end; ++i) {
        const auto kv = KeyValueOf(lines[i]);
        if (kv && !keys.contains(kv->key, Qt::CaseInsensitive)) keys << kv->key;
    }
    return keys;
}

QStringList TIniFile::ReadSections() const {
    QFile f(FFileName);
    if (!f.open(QIODevice::ReadOnly) || f.size() > MaxFileSize) return {};
    return IniSectionsOf(f.readAll());
}

bool TIniFile::DeleteKey(const QString& section, const QString& key) {
    QStringList lines = LoadLines();
    const SectionSpan span = FindSection(lines, section);
    if (span.header < 0) return true;
    const qsizetype at = FindKey(lines, span, key);
    if (at < 0) return true;
    lines.removeAt(at);
    return SaveLines(lines);
}

bool TIniFile::EraseSection(const QString& section) {
    QStringList lines = LoadLines();
    const SectionSpan span = FindSection(lines, section);
    if (span.header < 0) return true;
    lines.remove(span.header, span.end - span.header);
    return SaveLines(lines);
}

QStringList IniSectionsOf(const QByteArray& text) {
    QStringList sections;
    for (const QString& line : SplitLines(text)) {
        const auto name = SectionName(line);
        if (name && !sections.contains(*name, Qt::CaseInsensitive)) sections << *name;
    }
    return sections;
}
