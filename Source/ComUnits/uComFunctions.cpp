#include "ComUnits/uComFunctions.h"

#include <QString>

#include "ComUnits/uAssert.h"
#include "Platform/Data/OraQuery.h"
#include "Platform/Data/OraStoredProc.h"
#include "Platform/Ui/MessageBoxes.h"

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

// ---------------------------------------------------------------------------
// The server's report selection

void Set_ORDER_LINES_REPORT(TDataSet* dataSet, bool marked) {
    auto* query = qobject_cast<TOraQuery*>(dataSet);
    if (!query) return;
    const TMacro* guid = query->FindMacro(QStringLiteral("GUID_SERVICE"));
    const TField* rowId = query->FindField(QStringLiteral("ROWID_QUERY"));
    if (!guid || !rowId) return;
    const TMacro* schema = query->FindMacro(QStringLiteral("Shema"));
    const QString routine = marked ? QStringLiteral("INS_ORDER_LINES_REPORT")
                                   : QStringLiteral("DEL_ORDER_LINES_REPORT");
    try {
        TOraStoredProc call;
        call.SetSession(query->Session());
        call.SetStoredProcName((schema ? schema->Value() + u'.' : QString()) +
                               QStringLiteral("TEMP_SELECT_PACK.") + routine);
        call.Prepare();
        const QStringList values = {guid->Value(), query->objectName(), rowId->AsString()};
        for (int i = 0; i < values.size() && i < call.Params().Count(); ++i)
            call.Params()[i].SetValue(values.at(i));
        call.ExecProc();
    } catch (const std::exception& e) {
        MessageBoxes::Show(QStringLiteral("uComFunctions.Set_ORDER_LINES_REPORT: Error execution "
                                          "TEMP_SELECT_PACK.") +
                               routine + QStringLiteral(":\r\n") + ExceptionText(e).trimmed() +
                               QStringLiteral("\r\n\"Settings.ini\": [COM_SETTINGS] StoreSelect=1"),
                           QStringLiteral("Error"),
                           MessageBoxes::KindFlags(TMessageKind::Information), nullptr);
    }
}
