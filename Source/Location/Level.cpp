#include "Location/Level.h"

#include <QTableView>

#include <memory>

#include "ComUnits/Lang/uLanguagesDM.h"
#include "Location/AddEditLevel.h"
#include "Platform/Data/OraQuery.h"
#include "Platform/Data/OraStoredProc.h"

TfLevel::TfLevel(QWidget* owner, TOraSession* session, const QString& schema)
    : TfDictionaryBrowse(owner, session, schema) {
    setObjectName(QStringLiteral("fLevel"));
    setWindowTitle(QStringLiteral("Spravochnik urovnej"));
    resize(544, 379);
    ospObjects->SetStoredProcName(QStringLiteral("ORX.QXVERPLOCAT.GET_T#LOCATTYPE"));
    cxColumnLevel =
        AddColumn("cxColumnLevel", QStringLiteral("Uroven'"), QStringLiteral("LEVEL#"), 57);
    cxColumnAbbrev =
        AddColumn("cxColumnAbbrev", QStringLiteral("ATE"), QStringLiteral("NAME"), 339);
    oqObjectDelete = new TOraQuery(this);
    oqObjectDelete->setObjectName(QStringLiteral("oqObjectDelete"));
    oqObjectDelete->SetSQL({QStringLiteral("begin"),
                            QStringLiteral(":RESULT := &shema.QXVERPLOCAT.DEL_T#LOCATTYPE(:PID);"),
                            QStringLiteral("end;")});
}

bool TfLevel::RunDialog(quint8 mode, int& id) {
    std::unique_ptr<TfAddEditLevel, void (*)(TfAddEditLevel*)> dialog(
        TComBaseForm::Create<TfAddEditLevel>(nullptr, FSession, FShema),
        [](TfAddEditLevel* d) { TComBaseForm::Free(d); });
    dialog->SetDialogMode(mode);
    if (mode == 2) dialog->ID = id;
    const bool ok = dialog->Execute();
    id = dialog->ID;
    FListStale = dialog->Edited.Gone || dialog->Edited.Reloaded;
    return ok;
}

int TfLevel::CallDelete(int id) {
    oqObjectDelete->MacroByName(QStringLiteral("shema")).SetValue(FShema);
    oqObjectDelete->ParamByName(QStringLiteral("PID")).SetAsInteger(id);
    oqObjectDelete->ExecSQL();
    return oqObjectDelete->ParamByName(QStringLiteral("RESULT")).AsInteger();
}

QString TfLevel::ReferencedCaption() const { return TranslateRu(QStringLiteral("Местоположение")); }

QString TfLevel::DeleteFailedCaption() const { return TranslateRu(windowTitle()); }
