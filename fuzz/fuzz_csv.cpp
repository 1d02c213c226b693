// Feeds arbitrary bytes to the CSV import reader: every refusal carries its line and a text,
// and the places it takes are written and read back unchanged (the written form may be longer
// than the limit the input was read with: indentation, escapes, quotes doubled).
#include <QBuffer>

#include <cstdint>
#include <cstdlib>

#include "Tools/qxvdb/Records.h"

#ifndef QXV_FUZZ_JSON
#define QXV_FUZZ_JSON false
#endif

namespace {

TReadOutcome Read(QByteArray bytes, bool json, qsizetype limit = 1024) {
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    return ReadPlaces(buffer, json, limit);
}

bool Same(const TPlaceRow& a, const TPlaceRow& b) {
    return a.Id == b.Id && a.Parent == b.Parent && a.Level == b.Level && a.Abbrev == b.Abbrev &&
           a.Name == b.Name;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    constexpr bool json = QXV_FUZZ_JSON;
    const TReadOutcome read =
        Read(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)), json);
    for (const TBadRow& bad : read.Bad)
        if (bad.Text.isEmpty() || bad.Line < 1) std::abort();
    QByteArray written;
    QBuffer to(&written);
    to.open(QIODevice::WriteOnly);
    WritePlaces(read.Rows, json, to);
    to.close();
    const TReadOutcome again = Read(written, json, kMaxRecordBytes);
    if (!again.Bad.empty() || again.Rows.size() != read.Rows.size()) std::abort();
    for (size_t i = 0; i < read.Rows.size(); ++i)
        if (!Same(again.Rows[i], read.Rows[i])) std::abort();
    return 0;
}
