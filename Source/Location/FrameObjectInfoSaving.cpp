// The information frame's changes and how they reach the server: add, edit, save, delete.
// A save sends the version of the item it read; another user's change or deletion since
// is said, and the dialog stays open with the item as it is now.

#include <QAction>
#include <QPlainTextEdit>

#include "ComUnits/Lang/uLanguagesDM.h"
#include "ComUnits/uOraFunctions.h"
#include "FormReposit/uComBaseForm.h"
#include "Location/AddEditInfoType.h"
#include "Location/FrameObjectInfo.h"
#include "Location/LimitedEdits.h"
#include "Location/LocationDialogs.h"
#include "Platform/Data/OraQuery.h"
#include "Platform/Data/OraStoredProc.h"
#include "Platform/Ui/MessageBoxes.h"

namespace {

using TInfoDialog = TFormHolder<TfAddEditInfoType>;

TEditedRow ItemRow() {
    TEditedRow row;
    row.ChangedPhrase = QStringLiteral("Информация изменена пользователем %1 в %2");
    row.DeletedPhrase = QStringLiteral("Информация удалена другим пользователем");
    return row;
}

void TakeValues(const TfAddEditInfoType& dialog, TInfoObject& item) {
    item.SetValue(dialog.Value());
    item.SetDescription(dialog.Description());
    item.SetActive(dialog.Active());
}

void ShowValues(const TInfoObject& item, TfAddEditInfoType& dialog) {
    dialog.SetValue(item.Value());
    dialog.SetDescription(item.Description());
    dialog.SetActive(item.Active());
}

}  // namespace

void TfrObjectInfo::AddInfoOfKind(int kind) {
    TInfoSave outcome = TInfoSave::Failed;
    {
        TInfoDialog dialog(TComBaseForm::Create<TfAddEditInfoType>(nullptr, FSession, FShema));
        dialog->SetDialogMode(1);
        dialog->SetInfoKind(kind);
        TInfoRow* parentRow = FocusedRow() ? FocusedRow() : FRootRow;
        auto item = std::make_unique<TInfoObject>();
        item->InfoType = kind;
        item->SetParentID(parentRow->Item().ID);
        const bool saving = FAutoSave && FObjID > 0;
        if (saving) dialog->Save = [&] { return SaveFromDialog(*dialog, *item, outcome); };
        if (dialog->Execute()) {
            if (!saving) TakeValues(*dialog, *item);
            TInfoRow* row = AddInfoRow(parentRow, std::move(item));
            meDescription->setPlainText(TLimitedMemo::Plain(row->Item().Description()));
            parentRow->setExpanded(true);
            dxInspector->setCurrentItem(row);
        }
    }
    InitTranslation(FShema, FSession);
    UpdateActions();
    if (outcome == TInfoSave::PlaceGone && OnObjectGone) OnObjectGone();
}

void TfrObjectInfo::EditFocused() {
    TInfoRow* row = FocusedRow();
    if (!row || row == FRootRow) return;
    TInfoObject& item = row->Item();
    TInfoSave outcome = TInfoSave::Failed;
    bool shownAgain = false;
    {
        TInfoDialog dialog(TComBaseForm::Create<TfAddEditInfoType>(nullptr, FSession, FShema));
        dialog->SetDialogMode(2);
        dialog->SetInfoKind(item.InfoType);
        ShowValues(item, *dialog);
        const bool saving = FAutoSave && FObjID > 0;
        if (saving)
            dialog->Save = [&] {
                const bool saved = SaveFromDialog(*dialog, item, outcome);
                shownAgain = shownAgain || outcome == TInfoSave::Stale;
                return saved;
            };
        const bool done = dialog->Execute();
        if (done && !saving) {
            TakeValues(*dialog, item);
            item.SetModified(true);
        }
        shownAgain = shownAgain || done;
    }
    InitTranslation(FShema, FSession);
    if (outcome == TInfoSave::PlaceGone) {
        if (OnObjectGone) OnObjectGone();
    } else if (outcome == TInfoSave::ItemGone) {
        dxInspector->setCurrentItem(row->parent());
        delete row;  // the item went with everything below it
        UpdateActions();
    } else if (shownAgain) {
        ShowItemLook(row);
        if (row->Kind() == TInfoRow::Link) row->setToolTip(1, item.Value());
        meDescription->setPlainText(TLimitedMemo::Plain(item.Description()));
    }
}

bool TfrObjectInfo::SaveFromDialog(TfAddEditInfoType& dialog, TInfoObject& item,
                                   TInfoSave& outcome) {
    TInfoObject changed = item;
    TakeValues(dialog, changed);
    changed.SetModified(true);
    outcome = SaveInfo(changed);
    // A silent failure closes the dialog as it always did: the item stays modified, to be
    // saved again. What was said (a refusal, a deletion) leaves it open.
    if (outcome == TInfoSave::Saved || outcome == TInfoSave::Failed) {
        item = changed;
        return true;
    }
    if (outcome != TInfoSave::Stale) return false;
    // Another user changed the item: the dialog shows it as stored now.
    TEditedRow row = ItemRow();
    if (!Reread(item)) {
        outcome = TInfoSave::ItemGone;
        row.TellGone(this);
        return false;
    }
    ShowValues(item, dialog);
    ShowChangedByOther(ospLoadInfo->FieldByName(QStringLiteral("CHANGED_BY")).AsString(),
                       ospLoadInfo->FieldByName(QStringLiteral("CHANGED_AT")).AsString(), &dialog,
                       row.ChangedPhrase);
    return false;
}

void TfrObjectInfo::TellDraggedChanged(TInfoObject item, int formerParent) {
    // The item is read where it stood before the drag, to name who changed it.
    item.SetParentID(formerParent);
    TEditedRow row = ItemRow();
    if (!Reread(item)) {
        row.TellGone(this);
        return;
    }
    ShowChangedByOther(ospLoadInfo->FieldByName(QStringLiteral("CHANGED_BY")).AsString(),
                       ospLoadInfo->FieldByName(QStringLiteral("CHANGED_AT")).AsString(), this,
                       row.ChangedPhrase);
}

bool TfrObjectInfo::Reread(TInfoObject& item) {
    ospLoadInfo->Close();
    ospLoadInfo->ParamByName(QStringLiteral("POBJTYPE")).SetAsInteger(FObjType);
    ospLoadInfo->ParamByName(QStringLiteral("POBJID")).SetAsInteger(FObjID);
    SetParamID(ospLoadInfo->ParamByName(QStringLiteral("PID_PARENT")), item.ParentID());
    ospLoadInfo->Open();
    if (!ospLoadInfo->Locate(QStringLiteral("ID"), item.ID)) return false;
    item.SetValue(ospLoadInfo->FieldByName(QStringLiteral("VALUE")).AsString());
    item.SetDescription(ospLoadInfo->FieldByName(QStringLiteral("DESCRIPTION")).AsString());
    item.SetActive(ospLoadInfo->FieldByName(QStringLiteral("ACTIVE")).AsInteger() != 0);
    item.Version = ospLoadInfo->FieldByName(QStringLiteral("VERSION")).AsInteger();
    item.SetModified(false);
    return true;
}

TfrObjectInfo::TInfoSave TfrObjectInfo::SaveInfo(TInfoObject& item) {
    if (!item.Modified()) return TInfoSave::Saved;
    int result = -1;
    try {
        if (item.ID >= 1) {
            oqEditInfo->Close();
            oqEditInfo->MacroByName(QStringLiteral("shema")).SetValue(FShema);
            oqEditInfo->ParamByName(QStringLiteral("POBJTYPE")).SetAsInteger(FObjType);
            oqEditInfo->ParamByName(QStringLiteral("POBJID")).SetAsInteger(FObjID);
            oqEditInfo->ParamByName(QStringLiteral("PID")).SetAsInteger(item.ID);
            SetParamID(oqEditInfo->ParamByName(QStringLiteral("PID_PARENT")), item.ParentID());
            oqEditInfo->ParamByName(QStringLiteral("PVALUE")).SetAsString(item.Value());
            oqEditInfo->ParamByName(QStringLiteral("PDESCRIPTION")).SetAsString(item.Description());
            oqEditInfo->ParamByName(QStringLiteral("PACTIVE")).SetAsInteger(item.Active() ? 1 : 0);
            oqEditInfo->ParamByName(QStringLiteral("PVERSION")).SetAsInteger(item.Version);
            oqEditInfo->ExecSQL();
            result = oqEditInfo->ParamByName(QStringLiteral("RESULT")).AsInteger();
            if (result >= 1) ++item.Version;  // each change counts once
        } else {
            ospAddInfo->Close();
            ospAddInfo->ParamByName(QStringLiteral("POBJTYPE")).SetAsInteger(FObjType);
            ospAddInfo->ParamByName(QStringLiteral("POBJID")).SetAsInteger(FObjID);
            SetParamID(ospAddInfo->ParamByName(QStringLiteral("PID_PARENT")), item.ParentID());
            ospAddInfo->ParamByName(QStringLiteral("PINFOTYPE")).SetAsInteger(item.InfoType);
            ospAddInfo->ParamByName(QStringLiteral("PVALUE")).SetAsString(item.Value());
            ospAddInfo->ParamByName(QStringLiteral("PDESCRIPTION")).SetAsString(item.Description());
            ospAddInfo->ParamByName(QStringLiteral("PACTIVE")).SetAsInteger(item.Active() ? 1 : 0);
            ospAddInfo->ExecProc();
            result = ospAddInfo->ParamByName(QStringLiteral("RESULT")).AsInteger();
            item.Version = 1;
        }
    } catch (const std::exception& e) {
        if (ChangedByOther(e)) return TInfoSave::Stale;
        if (DeletedByOther(e)) {
            ItemRow().TellGone(this);
            return TInfoSave::ItemGone;
        }
        // Any other failed save is silent (the item stays modified and its next save
        // inserts), but for a refusal, which says what the user lacks, and a place
        // deleted meanwhile.
        item.ID = -1;
        if (PlaceGone(e)) {
            ShowPlaceGone(this);
            return TInfoSave::PlaceGone;
        }
        return ShowRefusal(e, this) ? TInfoSave::Refused : TInfoSave::Failed;
    }
    item.ID = result;
    if (result < 1) return TInfoSave::Failed;
    item.SetModified(false);
    return TInfoSave::Saved;
}

void TfrObjectInfo::DeleteInfo(int id) {
    try {
        ospDeleteInfo->Close();
        ospDeleteInfo->ParamByName(QStringLiteral("POBJTYPE")).SetAsInteger(FObjType);
        ospDeleteInfo->ParamByName(QStringLiteral("POBJID")).SetAsInteger(FObjID);
        ospDeleteInfo->ParamByName(QStringLiteral("PID")).SetAsInteger(id);
        ospDeleteInfo->ExecProc();
    } catch (const std::exception& e) {
        MessageBoxes::ShowMessage(ErrorText(e));
    }
}
