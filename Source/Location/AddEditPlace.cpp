#include "Location/AddEditPlace.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>

#include <algorithm>
#include <vector>

#include "ComUnits/Lang/uLanguagesDM.h"
#include "ComUnits/uOraFunctions.h"
#include "Location/JournalWatcher.h"
#include "Location/LimitedEdits.h"
#include "Location/LocationDialogs.h"
#include "Location/NameOrder.h"
#include "Location/PlacePairsGrid.h"
#include "Location/UserPlaces.h"
#include "Platform/Data/OraQuery.h"
#include "Platform/Data/OraStoredProc.h"
#include "Platform/Ui/Application.h"
#include "Platform/Ui/MessageBoxes.h"

TfAddEditPlace::TfAddEditPlace(QWidget* owner, TOraSession* session, const QString& schema)
    : TfPelmBaseForm_Dialog(owner, session, schema) {
    setObjectName(QStringLiteral("fAddEditPlace"));
    resize(287, 141 + 2 * 112);
    QWidget* content = DialogContent(this);

    lblStatus = BlueLabel(content, "lblStatus", QStringLiteral("ATE:"), 8, 6);
    cbStatus = new QComboBox(content);
    cbStatus->setObjectName(QStringLiteral("cbStatus"));
    cbStatus->setEditable(false);
    cbStatus->setMaxVisibleItems(15);
    cbStatus->setGeometry(8, 22, 271, 22);

    lblName = BlueLabel(content, "lblName", QStringLiteral("Nazvanie:"), 8, 52);
    edtName = new QLineEdit(content);
    edtName->setObjectName(QStringLiteral("edtName"));
    LimitLengthWithWarning(edtName, 255);  // the column's length: a longer paste is refused
    edtName->setGeometry(8, 68, 271, 21);

    lblCodes = BlueLabel(content, "lblCodes", QStringLiteral("Kody:"), 8, 96);
    grdCodes = new TPlacePairsGrid(content, "grdCodes", false);
    grdCodes->setGeometry(8, 112, 271, 90);
    lblNames = BlueLabel(content, "lblNames", QStringLiteral("Nazvanija na jazykah:"), 8, 208);
    grdNames = new TPlacePairsGrid(content, "grdNames", true);
    grdNames->setGeometry(8, 224, 271, 90);
    grdNames->SetChoices({{QStringLiteral("English"), QStringLiteral("EN")},
                          {QStringLiteral("Русский"), QStringLiteral("RU")}});

    lblChanged = new QLabel(content);
    lblChanged->setObjectName(QStringLiteral("lblChanged"));
    lblChanged->setWordWrap(true);
    lblChanged->setStyleSheet(QStringLiteral("color: darkred"));
    lblChanged->setGeometry(8, 318, 271, 32);
    lblChanged->hide();

    aOK = MakeOkAction(QStringLiteral("Ok"), [this] { OK(); });

    ospStatus = LocatProc(this, "ospStatus", "GET_T#LOCATTYPE_BY_LEVEL");
    ospObjectInfo = LocatProc(this, "ospObjectInfo", "GET_T#LOCATION");
    ospCodeKinds = LocatProc(this, "ospCodeKinds", "GET_T#CODE_KIND");
    ospCodes = LocatProc(this, "ospCodes", "GET_T#LOCATION_CODE");
    ospNames = LocatProc(this, "ospNames", "GET_T#LOCATION_NAME");
    ospNamesakes = LocatProc(this, "ospNamesakes", "GET_PLACE_NAMESAKES");
    ospCurrent = LocatProc(this, "ospCurrent", "GET_T#LOCATION");
    oqAddObject = LocatCallBlock(this, "oqAddObject",
                                 QStringLiteral(":RESULT := &shema.QXVERPLOCAT.INS_T#LOCATION("
                                                ":PID_PARENT, :PID_LOCATTYPE, :PNAME, :PCODES, "
                                                ":PNAMES);"));
    oqEditObject = LocatCallBlock(
        this, "oqEditObject",
        QStringLiteral(":RESULT := &shema.QXVERPLOCAT.UPD_T#LOCATION(:PID, :PID_PARENT, "
                       ":PID_LOCATTYPE, :PNAME, :PVERSION, :PCODES, :PNAMES);"));
    Edited.ChangedPhrase = QStringLiteral("Местоположение изменено пользователем %1 в %2");
    Edited.DeletedPhrase = QStringLiteral("Местоположение удалено другим пользователем");
}

void TfAddEditPlace::InitForm() {
    ID = -1;
    Level = -1;
    Name.clear();
    ParentID = -1;
    ParentPath.clear();
}

void TfAddEditPlace::SetDialogMode(quint8 mode) {
    TfPelmBaseForm_Dialog::SetDialogMode(mode);
    setWindowTitle(ModeCaption(mode == 1 ? 1 : 2));  // any mode but adding edits
}

void TfAddEditPlace::FormShow() {
    TfPelmBaseForm_Dialog::FormShow();
    InitTranslation(FShema, FSession, this);
    aOK->setEnabled(cbStatus->count() > 0);
    grdCodes->SetHeaders(TranslateRu(QStringLiteral("Вид кода")),
                         TranslateRu(QStringLiteral("Код")));
    grdNames->SetHeaders(TranslateRu(QStringLiteral("Язык")),
                         TranslateRu(QStringLiteral("Название")));
}

void TfAddEditPlace::FormDestroy() {
    TfPelmBaseForm_Dialog::FormDestroy();
    DoneTranslation(this);
}

bool TfAddEditPlace::Execute() {
    LoadTypes();
    LoadCodeKinds();
    if (cbStatus->count() == 0) {
        MessageBoxes::Show(
            TranslateRu(QStringLiteral("Невозможно добавить местоположение на данном уровне, "
                                       "добавьте новый уровень в справочник АТЕ")),
            TranslateRu(QStringLiteral("Местоположение")), MB_ICONINFORMATION, this);
        return false;
    }
    if (FDialogMode == 2 && !LoadRecord()) {
        Edited.TellGone(this);
        return false;
    }
    FollowJournal();
    return ShowModalOk();
}

void TfAddEditPlace::FollowJournal() {
    if (!FSession) return;
    connect(TJournalWatcher::Of(FSession, FShema), &TJournalWatcher::Changed, this,
            [this](const std::vector<TJournalRow>& rows) {
                Application::Instance().Protect(this, [&] { FollowChanges(rows); });
            });
}

void TfAddEditPlace::FollowChanges(const std::vector<TJournalRow>& rows) {
    // An edit watches its place; an add only the parent, whose deletion dooms it.
    const int watched = FDialogMode == 2 ? ID : ParentID;
    const bool touched = std::any_of(rows.begin(), rows.end(), [&](const TJournalRow& row) {
        return row.Is("PLACE") && row.ObjID == watched && (FDialogMode == 2 || row.IsOp("DELETE"));
    });
    if (watched > 0 && touched) TellChangedElsewhere(watched);
}

void TfAddEditPlace::TellChangedElsewhere(int id) {
    ospCurrent->Close();
    ospCurrent->ParamByName(QStringLiteral("PID")).SetAsInteger(id);
    ospCurrent->Open();
    QString text;
    if (ospCurrent->Eof()) {
        text = TranslateRu(Edited.DeletedPhrase);
    } else if (FDialogMode == 2 &&
               ospCurrent->FieldByName(QStringLiteral("VERSION")).AsInteger() > Edited.Version) {
        text = ChangedByOtherText(ospCurrent->FieldByName(QStringLiteral("CHANGED_BY")).AsString(),
                                  ospCurrent->FieldByName(QStringLiteral("CHANGED_AT")).AsString(),
                                  Edited.ChangedPhrase);
    }
    if (!text.isEmpty()) ShowChangedNotice(text);
}

void TfAddEditPlace::ShowChangedNotice(const QString& text) {
    const int before = lblChanged->isHidden() ? 0 : lblChanged->height() + 4;
    lblChanged->setText(text);
    lblChanged->setVisible(!text.isEmpty());
    // As many lines as the text takes in the user's language.
    const int lines = text.isEmpty() ? 0 : lblChanged->heightForWidth(lblChanged->width());
    lblChanged->resize(lblChanged->width(), lines);
    resize(width(), height() - before + (text.isEmpty() ? 0 : lines + 4));
}

void TfAddEditPlace::LoadTypes() {
    ospStatus->Close();
    ospStatus->ParamByName(QStringLiteral("PLEVEL#")).SetAsInteger(Level);
    const QSignalBlocker block(cbStatus);
    cbStatus->setCurrentIndex(-1);
    cbStatus->clear();
    ospStatus->Open();
    // The list is sorted by text, whatever order the server sends.
    std::vector<std::pair<QString, int>> types;
    for (ospStatus->First(); !ospStatus->Eof(); ospStatus->Next())
        types.emplace_back(ospStatus->FieldByName(QStringLiteral("NAME")).AsString(),
                           ospStatus->FieldByName(QStringLiteral("ID")).AsInteger());
    std::stable_sort(types.begin(), types.end(), [](const auto& a, const auto& b) {
        return NameOrder::Less(a.first, b.first);
    });
    for (const auto& [text, id] : types) cbStatus->addItem(text, id);
    if (cbStatus->count() > 0) cbStatus->setCurrentIndex(0);
}

void TfAddEditPlace::LoadCodeKinds() {
    ospCodeKinds->Close();
    ospCodeKinds->Open();
    TPlacePairs kinds;
    for (ospCodeKinds->First(); !ospCodeKinds->Eof(); ospCodeKinds->Next())
        kinds.emplace_back(ospCodeKinds->FieldByName(QStringLiteral("NAME")).AsString(),
                           ospCodeKinds->FieldByName(QStringLiteral("KIND")).AsString());
    grdCodes->SetChoices(kinds);
}

TPlacePairs TfAddEditPlace::LoadPairs(TOraStoredProc* proc, const char* key, const char* value) {
    proc->Close();
    proc->ParamByName(QStringLiteral("PID")).SetAsInteger(ID);
    proc->Open();
    TPlacePairs pairs;
    for (proc->First(); !proc->Eof(); proc->Next())
        pairs.emplace_back(proc->FieldByName(QString::fromLatin1(key)).AsString(),
                           proc->FieldByName(QString::fromLatin1(value)).AsString());
    return pairs;
}

void TfAddEditPlace::ReadShownName() {
    ospObjectInfo->Close();
    ospObjectInfo->ParamByName(QStringLiteral("PID")).SetAsInteger(ID);
    ospObjectInfo->Open();
    if (!ospObjectInfo->Eof()) Name = ospObjectInfo->FieldByName(QStringLiteral("NAME")).AsString();
}

bool TfAddEditPlace::LoadRecord() {
    ospObjectInfo->Close();
    ospObjectInfo->ParamByName(QStringLiteral("PID")).SetAsInteger(ID);
    SetParamID(ospObjectInfo->ParamByName(QStringLiteral("PID_PARENT")), ParentID);
    ospObjectInfo->Open();
    if (ospObjectInfo->Eof()) return false;
    const int type = ospObjectInfo->FieldByName(QStringLiteral("ID_LOCATTYPE")).AsInteger();
    const int index = cbStatus->findData(type);
    if (index >= 0) cbStatus->setCurrentIndex(index);
    // The place's own name: the one shown may be the name in the user's language.
    edtName->setText(ospObjectInfo->FieldByName(QStringLiteral("OWN_NAME")).AsString());
    Edited.Read(*ospObjectInfo);
    grdCodes->SetPairs(LoadPairs(ospCodes, "KIND", "CODE"));
    grdNames->SetPairs(LoadPairs(ospNames, "LANG", "NAME"));
    return true;
}

bool TfAddEditPlace::ReloadChanged() {
    if (!LoadRecord()) return false;
    ShowChangedNotice(QString());  // the dialog shows the place as it is now
    Name = ospObjectInfo->FieldByName(QStringLiteral("NAME")).AsString();
    ShownAbbrevID = GetAbbrevID();
    ShownAbbrevSName = GetAbbrevSName();
    return true;
}

void TfAddEditPlace::OK() {
    const QString name = TrimBlanks(edtName->text());
    if (name.isEmpty()) {
        ShowWarning(windowTitle(), TranslateRu(QStringLiteral("Не введены обязательные поля!")));
        return;
    }
    int result = mrCancel;
    if (cbStatus->currentIndex() < 0) {
        MessageBoxes::Show(FormatS(TranslateRu(QStringLiteral("Необходимо заполнить поле \"%s\"")),
                                   TranslateRu(QStringLiteral("АТЕ"))),
                           TranslateRu(QStringLiteral("Местоположение")), MB_ICONINFORMATION, this);
        return;
    }
    const int type = cbStatus->currentData().toInt();
    Name = name;
    const QString codes = EncodePlacePairs(grdCodes->Pairs());
    const QString names = EncodePlacePairs(grdNames->Pairs());
    try {
        if (Renamed(name) && !ConfirmNamesake(this, *ospNamesakes, ParentID, name,
                                              FDialogMode == 1 ? -1 : ID, ParentPath))
            return;
        if (FDialogMode == 1) {
            // Integers as they are: a place under the root goes with parent -1.
            oqAddObject->ParamByName(QStringLiteral("PID_PARENT")).SetAsInteger(ParentID);
            oqAddObject->ParamByName(QStringLiteral("PID_LOCATTYPE")).SetAsInteger(type);
            oqAddObject->MacroByName(QStringLiteral("shema")).SetValue(FShema);
            oqAddObject->ParamByName(QStringLiteral("PNAME")).SetAsString(name);
            oqAddObject->ParamByName(QStringLiteral("PCODES")).SetAsString(codes);
            oqAddObject->ParamByName(QStringLiteral("PNAMES")).SetAsString(names);
            oqAddObject->ExecSQL();
            ID = oqAddObject->ParamByName(QStringLiteral("RESULT")).AsInteger();
            result = mrOk;
        } else if (FDialogMode == 2) {
            oqEditObject->MacroByName(QStringLiteral("shema")).SetValue(FShema);
            oqEditObject->ParamByName(QStringLiteral("PID")).SetAsInteger(ID);
            oqEditObject->ParamByName(QStringLiteral("PID_PARENT")).SetAsInteger(ParentID);
            oqEditObject->ParamByName(QStringLiteral("PID_LOCATTYPE")).SetAsInteger(type);
            oqEditObject->ParamByName(QStringLiteral("PNAME")).SetAsString(name);
            oqEditObject->ParamByName(QStringLiteral("PVERSION")).SetAsInteger(Edited.Version);
            oqEditObject->ParamByName(QStringLiteral("PCODES")).SetAsString(codes);
            oqEditObject->ParamByName(QStringLiteral("PNAMES")).SetAsString(names);
            oqEditObject->ExecSQL();
            ++Edited.Version;
            result = mrOk;
        }
    } catch (const std::exception& e) {
        // Refused: the dialog stays open with what the user typed, to try again or cancel.
        if (FDialogMode == 1) ID = -1;
        if (Edited.Answer(
                e, *ospObjectInfo, [this] { return ReloadChanged(); }, this))
            return;
        if (PlaceGone(e))
            Edited.TellGone(this);
        else
            MessageBoxes::ShowMessage(ErrorText(e));
        return;
    }
    if (ID > 0) ReadShownName();
    done(result);
}

bool TfAddEditPlace::Renamed(const QString& name) const {
    return FDialogMode == 1 || !ospObjectInfo->Active() || ospObjectInfo->Eof() ||
           ospObjectInfo->FieldByName(QStringLiteral("OWN_NAME")).AsString() != name;
}

bool TfAddEditPlace::LocateChosenType() {
    if (cbStatus->currentIndex() < 0 || !ospStatus->Active()) return false;
    const int type = cbStatus->currentData().toInt();
    for (ospStatus->First(); !ospStatus->Eof(); ospStatus->Next())
        if (ospStatus->FieldByName(QStringLiteral("ID")).AsInteger() == type) return true;
    return false;
}

int TfAddEditPlace::GetAbbrevID() {
    return LocateChosenType() ? ospStatus->FieldByName(QStringLiteral("ID_ABBREV")).AsInteger()
                              : -1;
}

QString TfAddEditPlace::GetAbbrevSName() {
    return LocateChosenType() ? ospStatus->FieldByName(QStringLiteral("SNAME")).AsString()
                              : QString();
}
