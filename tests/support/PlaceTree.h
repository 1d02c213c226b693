#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

#include "Tools/qxvdb/Records.h"

// The abbreviations a generated directory gives its levels in turn.
inline const QStringList& PlaceTreeAbbrevs() {
    static const QStringList abbrevs = {QStringLiteral("обл."), QStringLiteral("р-н"),
                                        QStringLiteral("г."), QStringLiteral("ул.")};
    return abbrevs;
}

// A generated directory of n places as files carry them: three at the top, ten children a
// place below (about six levels for 200,000), ids in export order (by level, then id), the
// abbreviations of the levels in turn; `name` gives place i its name.
inline std::vector<TPlaceRow> PlaceTree(int n, const std::function<QString(int)>& name) {
    const QStringList& abbrevs = PlaceTreeAbbrevs();
    std::vector<TPlaceRow> rows;
    rows.reserve(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        TPlaceRow r;
        r.Id = i + 1;
        r.Level = 1;
        if (i >= 3) {
            const TPlaceRow& parent = rows[static_cast<size_t>((i - 3) / 10)];
            r.Parent = parent.Id;
            r.Level = parent.Level + 1;
        }
        r.Abbrev = abbrevs[(r.Level - 1) % abbrevs.size()];
        r.Name = name(i);
        rows.push_back(std::move(r));
    }
    return rows;
}
