#include "Location/AddEditLevel.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>

#include "ComUnits/Lang/uLanguagesDM.h"
#include "ComUnits/uOraFunctions.h"
#include "Location/LocationDialogs.h"
#include "Platform/Data/EOraError.h"
#include "Platform/Data/OraQuery.h"
#include "Platform/Data/OraStoredProc.h"
#include "Platform/Ui/Application.h"
#include "Platform/Ui/MessageBoxes.h"

TfAddEditLevel::TfAddEditLevel(QWidget* owner, TOraSession* session, const QString& schema)
    : TfPelmBaseForm_Dialog(owner, session, schema) {
    setObjectName(QStringLiteral("fAddEditLevel"));
    resize(215, 144);
    QWidget* content = DialogContent(this);

    lblLevel = BlueLabel(content, "lblLevel", QStringLiteral("Uroven':"), 8, 8);
    seLevel = new QSpinBox(content);
    seLevel->setObjectName(QStringLiteral("seLevel"));
    seLevel->setRange(1, 15);
    seLevel->setValue(1);
    seLevel->setGeometry(8, 24, 65, 22);

    lblAbbrev = BlueLabel(content, "lblAbbrev", QStringLiteral("ATE:"), 8, 52);
    cbAbbrev = new QComboBox(content);
    cbAbbrev->setObjectName(QStringLiteral("cbAbbrev"));
    cbAbbrev->setEditable(false);
    cbAbbrev->setGeometry(8, 68, 199, 22);

    aOK = MakeOkAction(QStringLiteral("Ok"), [this] { OK(); });

    ospAbbrev = LocatProc(this, "ospAbbrev", "GET_T#LOCATABBREV");
    ospObjectInfo = LocatProc(this, "ospObjectInfo", "GET_T#LOCATTYPE");
    ospLevelTypes = LocatProc(this, "ospLevelTypes", "GET_T#LOCATTYPE_BY_LEVEL");
    oqAddObject = LocatCallBlock(
        this, "oqAddObject",
        QStringLiteral(":RESULT := &shema.QXVERPLOCAT.INS_T#LOCATTYPE(:PLEVEL#, :PID_ABBREV);"));
    oqEditObject = LocatCallBlock(
        this, "oqEditObject",
        QStringLiteral(":RESULT := &shema.QXVERPLOCAT.UPD_T#LOCATTYPE(:PID, :PLEVEL#, :PID_ABBREV, "
                       ":PVERSION);"));
    Edited.ChangedPhrase = QStringLiteral("Уровень изменён пользователем %1 в %2");
    Edited.DeletedPhrase = QStringLiteral("Уровень удалён другим пользователем");
}

void TfAddEditLevel::InitForm() { ID = -1; }

void TfAddEditLevel::SetDialogMode(quint8 mode) {
    TfPelmBaseForm_Dialog::SetDialogMode(mode);
    if (mode == 1 || mode == 2) setWindowTitle(ModeCaption(mode));
}

void TfAddEditLevel::FormShow() {
    TfPelmBaseForm_Dialog::FormShow();
    InitTranslation(FShema, FSession, this);
}

void TfAddEditLevel::FormDestroy() {
    TfPelmBaseForm_Dialog::FormDestroy();
    DoneTranslation(this);
}

bool TfAddEditLevel::Execute() {
    FillAbbrevList();
    if (FDialogMode == 2 && !LoadRecord()) {
        Edited.TellGone(this);
        return false;
    }
    return ShowModalOk();
}

void TfAddEditLevel::FillAbbrevList() {
    const QSignalBlocker block(cbAbbrev);
    cbAbbrev->setCurrentIndex(-1);
    cbAbbrev->clear();
    ospAbbrev->Close();
    ospAbbrev->ParamByName(QStringLiteral("PID")).SetAsInteger(-1);
    ospAbbrev->Open();
    for (ospAbbrev->First(); !ospAbbrev->Eof(); ospAbbrev->Next())
        cbAbbrev->addItem(ospAbbrev->FieldByName(QStringLiteral("NAME")).AsString(),
                          ospAbbrev->FieldByName(QStringLiteral("ID")).AsInteger());
    if (cbAbbrev->count() > 0) cbAbbrev->setCurrentIndex(0);
}

bool TfAddEditLevel::LoadRecord() {
    ospObjectInfo->Close();
    ospObjectInfo->ParamByName(QStringLiteral("PID")).SetAsInteger(ID);
    ospObjectInfo->Open();
    if (ospObjectInfo->Eof()) return false;
    Edited.Read(*ospObjectInfo);
    seLevel->setValue(ospObjectInfo->FieldByName(QStringLiteral("LEVEL#")).AsInteger());
    const int abbrev = ospObjectInfo->FieldByName(QStringLiteral("ID_ABBREV")).AsInteger();
    const int index = cbAbbrev->findData(abbrev);
    if (index >= 0) cbAbbrev->setCurrentIndex(index);
    return true;
}

// The level that pairs this number with this abbreviation, or -1.
int TfAddEditLevel::LevelOf(int level, int abbrev) {
    ospLevelTypes->Close();
    ospLevelTypes->ParamByName(QStringLiteral("PLEVEL#")).SetAsInteger(level);
    ospLevelTypes->Open();
    for (ospLevelTypes->First(); !ospLevelTypes->Eof(); ospLevelTypes->Next())
        if (ospLevelTypes->FieldByName(QStringLiteral("ID_ABBREV")).AsInteger() == abbrev)
            return ospLevelTypes->FieldByName(QStringLiteral("ID")).AsInteger();
    return -1;
}

void TfAddEditLevel::OK() {
    if (cbAbbrev->currentText().isEmpty()) {
        ShowWarning(windowTitle(), TranslateRu(QStringLiteral("Не введены обязательные поля!")));
        return;
    }
    const int level = seLevel->value();
    const int abbrev = cbAbbrev->currentData().toInt();
    // The server refuses a pair it holds without a word: the user hears it here.
    if (const int other = LevelOf(level, abbrev); other > 0 && other != ID) {
        ShowWarning(
            windowTitle(),
            FormatS(FormatS(TranslateRu(QStringLiteral("Уровень %s с АТЕ \"%s\" уже есть.")),
                            QString::number(level)),
                    cbAbbrev->currentText()));
        return;
    }
    if (FDialogMode == 1) {
        try {
            oqAddObject->ParamByName(QStringLiteral("PLEVEL#")).SetAsInteger(level);
            oqAddObject->ParamByName(QStringLiteral("PID_ABBREV")).SetAsInteger(abbrev);
            oqAddObject->MacroByName(QStringLiteral("shema")).SetValue(FShema);
            oqAddObject->ExecSQL();
            ID = oqAddObject->ParamByName(QStringLiteral("RESULT")).AsInteger();
        } catch (const std::exception& e) {
            // Refused: the dialog stays open with its values, to try again or cancel.
            ID = -1;
            MessageBoxes::ShowMessage(ErrorText(e));
            return;
        }
    } else if (FDialogMode == 2) {
        try {
            oqEditObject->MacroByName(QStringLiteral("shema")).SetValue(FShema);
            oqEditObject->ParamByName(QStringLiteral("PID")).SetAsInteger(ID);
            oqEditObject->ParamByName(QStringLiteral("PLEVEL#")).SetAsInteger(level);
            oqEditObject->ParamByName(QStringLiteral("PID_ABBREV")).SetAsInteger(abbrev);
            oqEditObject->ParamByName(QStringLiteral("PVERSION")).SetAsInteger(Edited.Version);
            oqEditObject->ExecSQL();
        } catch (const std::exception& e) {
            // The dialog stays open, as above; changed by another user, it shows the level
            // as stored now.
            if (!Edited.Answer(
                    e, *ospObjectInfo, [this] { return LoadRecord(); }, this))
                MessageBoxes::ShowMessage(ErrorText(e));
            return;
        }
    }
    done(mrOk);
}
