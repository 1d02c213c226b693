// Feeds arbitrary bytes to the JSON import reader: it reads them or refuses them with
// a text, and records whose numbers are written as numbers read back unchanged.
#include <QBuffer>

#include <cstdint>
#include <cstdlib>

#include "Tools/qxvdb/Records.h"

namespace {

std::vector<std::pair<QString, TRecord>> Read(QByteArray bytes) {
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    return ReadRecords(buffer, true);
}

// The writer stores id and parent as whole numbers and the level as an int.
bool Numeric(const TRecord& r) {
    bool ok = false;
    if (QString::number(r[0].toLongLong(&ok)) != r[0] || !ok) return false;
    if (!r[1].isEmpty() && (QString::number(r[1].toLongLong(&ok)) != r[1] || !ok)) return false;
    return QString::number(r[2].toInt(&ok)) == r[2] && ok;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::pair<QString, TRecord>> read;
    try {
        read = Read(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    } catch (const TDataError& e) {
        if (e.Text.isEmpty()) std::abort();
        return 0;
    }
    std::vector<TRecord> records;
    for (const auto& [where, r] : read) {
        if (r.size() != 5) std::abort();
        if (Numeric(r)) records.push_back(r);
    }
    QByteArray written;
    QBuffer to(&written);
    to.open(QIODevice::WriteOnly);
    WriteRecords(records, true, to);
    to.close();
    const auto again = Read(written);
    if (again.size() != records.size()) std::abort();
    for (size_t i = 0; i < records.size(); ++i)
        if (again[i].second != records[i]) std::abort();
    return 0;
}
