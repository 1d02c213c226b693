// Feeds arbitrary bytes to the CSV import reader: it reads them or refuses them with
// a text, and records it has read are written and read back unchanged.
#include <QBuffer>

#include <cstdint>
#include <cstdlib>

#include "Tools/qxvdb/Records.h"

namespace {

std::vector<std::pair<QString, TRecord>> Read(QByteArray bytes) {
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    return ReadRecords(buffer, false);
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
    // The writer is given records of import's shape: five fields, as import demands.
    std::vector<TRecord> records;
    for (const auto& [where, r] : read)
        if (r.size() == 5 && !r.join(QString()).trimmed().isEmpty()) records.push_back(r);
    QByteArray written;
    QBuffer to(&written);
    to.open(QIODevice::WriteOnly);
    WriteRecords(records, false, to);
    to.close();
    const auto again = Read(written);
    if (again.size() != records.size()) std::abort();
    for (size_t i = 0; i < records.size(); ++i)
        if (again[i].second != records[i]) std::abort();
    return 0;
}
