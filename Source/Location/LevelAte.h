#pragma once

#include <QList>

#include <memory>
#include <vector>

// One level of the level cache: the abbreviations whose types are allowed there.
class TLevelAte {
public:
    QList<int> Abbrevs;  // no duplicates, in insertion order
    int Level = -1;
};

// The level cache: at most one entry per level number, in insertion order.
class TLevelAteList {
public:
    TLevelAte* FindLevel(int level) const;
    // The existing entry, or a new one appended.
    TLevelAte& AddLevel(int level);
    void AddAbbrev(int level, int abbrevId);
    bool LevelHasAbbrev(int level, int abbrevId) const;
    int Count() const { return static_cast<int>(FItems.size()); }

private:
    std::vector<std::unique_ptr<TLevelAte>> FItems;
};
