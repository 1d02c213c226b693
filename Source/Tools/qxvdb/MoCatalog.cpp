#include "Tools/qxvdb/MoCatalog.h"

#include <QFile>
#include <QtEndian>

namespace {

constexpr quint32 kMagic = 0x950412de;

// A catalogue's bytes, read as 32-bit words in the byte order its magic number gives.
class TMoBytes {
public:
    explicit TMoBytes(QByteArray bytes) : FBytes(std::move(bytes)) {
        const quint32 magic = Word(0);
        FSwapped = magic != kMagic && qbswap(magic) == kMagic;
        FValid = FBytes.size() >= 28 && (magic == kMagic || FSwapped);
    }

    bool Valid() const { return FValid; }

    quint32 Word(qsizetype at) const {
        if (at < 0 || at + 4 > FBytes.size()) return 0;
        quint32 w = 0;
        for (int i = 3; i >= 0; --i) w = w << 8 | quint8(FBytes.at(at + i));
        return FSwapped ? qbswap(w) : w;
    }

    // The text an entry of a table of (length, offset) pairs names; false when it lies outside
    // the file.
    bool Text(quint32 table, quint32 index, QByteArray& text) const {
        const qsizetype entry = qsizetype(table) + qsizetype(index) * 8;
        if (entry + 8 > FBytes.size()) return false;
        const qsizetype length = Word(entry), offset = Word(entry + 4);
        if (offset + length > FBytes.size()) return false;
        text = FBytes.mid(offset, length);
        return true;
    }

private:
    QByteArray FBytes;
    bool FSwapped = false;
    bool FValid = false;
};

// The singular text of an original or a translation: after its context, before its plurals.
QString Singular(const QByteArray& text) {
    const qsizetype context = text.indexOf('\x04');
    const QByteArray rest = context >= 0 ? text.mid(context + 1) : text;
    return QString::fromUtf8(rest.left(rest.indexOf('\0') >= 0 ? rest.indexOf('\0') : rest.size()));
}

}  // namespace

QHash<QString, QString> ReadMoCatalog(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    const TMoBytes mo(file.readAll());
    if (!mo.Valid()) return {};
    const quint32 count = mo.Word(8), originals = mo.Word(12), translations = mo.Word(16);
    QHash<QString, QString> catalog;
    QByteArray original, translation;
    for (quint32 i = 0; i < count; ++i) {
        if (!mo.Text(originals, i, original) || !mo.Text(translations, i, translation)) break;
        if (original.isEmpty() || translation.isEmpty()) continue;  // the catalogue's header
        catalog.insert(Singular(original), Singular(translation));
    }
    return catalog;
}
