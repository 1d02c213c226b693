#include "ComUnits/uComFunctions.h"

#include <QString>

#include "ComUnits/uAssert.h"

void TAccessList::Add(TSetter setter) {
    if (FCount == Capacity()) FItems.resize(FItems.size() + GrowBy);
    FItems[FCount++] = std::move(setter);
}

const TAccessList::TSetter& TAccessList::Items(int index) const {
    Assert(
        index >= 0 && index < FCount,
        QStringLiteral("uComFunctions;TAccessList.GetItems: Incorrect index: i = %1").arg(index));
    return FItems[index];
}
