#include "Location/Abbreviature.h"

#include <QHeaderView>
#include <QTableView>

#include <memory>

#include "ComUnits/Lang/uLanguagesDM.h"
#include "Location/AddEditAbbreviature.h"
#include "Location/LocationDialogs.h"
#include "Platform/Data/OraStoredProc.h"
#include "Platform/Ui/Bitmap16.h"

TfAbbreviature::TfAbbreviature(QWidget* owner, TOraSession* session, const QString& schema)
    : TfDictionaryBrowse(owner, session, schema) {
    setObjectName(QStringLiteral("fAbbreviature"));
    setWindowTitle(QStringLiteral("Spravochnik ATE"));
    resize(579, 395);
    aObjectDelete->setText(QStringLiteral("Udalit'...."));
    aObjectDelete->setToolTip(aObjectDelete->text());
    ospObjects->SetStoredProcName(QStringLiteral("ORX.QXVERPLOCAT.GET_T#LOCATABBREV"));
    cxColumnName =
        AddColumn("cxColumnName", QStringLiteral("Polnoe nazvanie"), QStringLiteral("NAME"), 379);
    cxColumnNameS =
        AddColumn("cxColumnNameS", QStringLiteral("Sokraschenie"), QStringLiteral("SNAME"), 91);
    cxColumnImage =
        AddColumn("cxColumnImage", QStringLiteral("Izobrazhenie"), QStringLiteral("BMP16#16"), 0);
    ospObjectDelete = LocatProc(this, "ospObjectDelete", "DEL_T#LOCATABBREV");
    cxView->verticalHeader()->setDefaultSectionSize(22);
    cxView->setIconSize(QSize(16, 16));

    // The picture column shows the picture, not the bytes.
    FModel->CellHook = [](const TField& field, const QVariant& value, int role, bool& handled) {
        if (field.FieldName() != QLatin1String("BMP16#16")) return QVariant();
        handled = true;
        if (role == Qt::DecorationRole) {
            const TBitmapRead read = Bitmap16::FromBmp(value.toByteArray());
            if (read.Ok()) return QVariant(Bitmap16::MaskedPixmap(read.Image));
        }
        if (role == Qt::TextAlignmentRole) return QVariant(Qt::AlignCenter);
        return QVariant();
    };
}

bool TfAbbreviature::RunDialog(quint8 mode, int& id) {
    std::unique_ptr<TfAddEditAbbreviature, void (*)(TfAddEditAbbreviature*)> dialog(
        TComBaseForm::Create<TfAddEditAbbreviature>(nullptr, FSession, FShema),
        [](TfAddEditAbbreviature* d) { TComBaseForm::Free(d); });
    if (ChooseFile) dialog->ChooseFile = ChooseFile;
    dialog->SetDialogMode(mode);
    if (mode == 2) dialog->ID = id;
    const bool ok = dialog->Execute();
    id = dialog->ID;
    FListStale = dialog->Edited.Gone || dialog->Edited.Reloaded;
    return ok;
}

int TfAbbreviature::CallDelete(int id) {
    ospObjectDelete->ParamByName(QStringLiteral("PID")).SetAsInteger(id);
    ospObjectDelete->ExecProc();
    return ospObjectDelete->ParamByName(QStringLiteral("RESULT")).AsInteger();
}

// The caption goes through the Latin lookup only, so it stays as written.
QString TfAbbreviature::ReferencedCaption() const {
    return TranslateEn(QStringLiteral("Местоположение"));
}

QString TfAbbreviature::DeleteFailedCaption() const { return windowTitle(); }
