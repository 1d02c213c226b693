// Feeds arbitrary access strings to the parser for a form with 0 to 63 rights (the
// first byte): a list is taken only when it has one character per right, and each
// right is granted exactly by a "1" at its place.
#include <cstdint>
#include <cstdlib>

#include "FormReposit/AccessString.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const int rights = data[0] % 64;
    const QString mode = QString::fromUtf8(reinterpret_cast<const char*>(data + 1),
                                           static_cast<qsizetype>(size - 1));
    const TAccessString access = TAccessString::Parse(mode, rights);
    using TKind = TAccessString::TKind;
    const bool listed = !mode.isEmpty() && rights > 0;
    const bool takes = listed && mode.front() == u'1' && mode.size() - 1 == rights;
    if ((access.Kind == TKind::Rights) != takes) std::abort();
    if (access.Kind == TKind::InvalidMode && mode.front() == u'1') std::abort();
    if (access.Kind == TKind::NoInformation && listed) std::abort();
    if (access.Kind != TKind::Rights) return access.Granted.empty() ? 0 : (std::abort(), 0);
    if (access.Granted.size() != static_cast<size_t>(rights)) std::abort();
    for (int i = 0; i < rights; ++i)
        if (access.Granted[static_cast<size_t>(i)] != (mode.at(i + 1) == u'1')) std::abort();
    return 0;
}
