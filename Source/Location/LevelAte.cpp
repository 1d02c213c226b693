#include "Location/LevelAte.h"

TLevelAte* TLevelAteList::FindLevel(int level) const {
    for (const auto& item : FItems)
        if (item->Level == level) return item.get();
    return nullptr;
}

TLevelAte& TLevelAteList::AddLevel(int level) {
    if (TLevelAte* found = FindLevel(level)) return *found;
    FItems.push_back(std::make_unique<TLevelAte>());
    FItems.back()->Level = level;
    return *FItems.back();
}

void TLevelAteList::AddAbbrev(int level, int abbrevId) {
    TLevelAte& entry = AddLevel(level);
    if (!entry.Abbrevs.contains(abbrevId)) entry.Abbrevs << abbrevId;
}

bool TLevelAteList::LevelHasAbbrev(int level, int abbrevId) const {
    const TLevelAte* entry = FindLevel(level);
    return entry && entry->Abbrevs.contains(abbrevId);
}
