#pragma once

#include <functional>
#include <vector>

// A form's right setters in registration order; the access string's characters
// after the first are applied to them one by one.
class TAccessList {
public:
    using TSetter = std::function<void(bool granted)>;

    // Grows by this many entries whenever the list is full.
    static constexpr int GrowBy = 10;

    void Add(TSetter setter);
    // Asserts 0 <= index < Count.
    const TSetter& Items(int index) const;
    int Count() const { return FCount; }
    int Capacity() const { return static_cast<int>(FItems.size()); }

private:
    std::vector<TSetter> FItems;
    int FCount = 0;
};

// ---------------------------------------------------------------------------
// The server's report selection: rows a user marked in a grid.

class TDataSet;
class QWidget;

// Records (marked) or removes the current row of a query in the temporary selection of
// its schema's TEMP_SELECT_PACK. Only a query with a ROWID_QUERY field and a GUID_SERVICE
// macro takes part; a failure is shown in a box, never raised.
void Set_ORDER_LINES_REPORT(TDataSet* dataSet, bool marked);
