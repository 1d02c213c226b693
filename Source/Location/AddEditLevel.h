#pragma once

#include "FormReposit/PelmBaseForm_Dialog.h"
#include "Location/LocationDialogs.h"

class QAction;
class QComboBox;
class QLabel;
class QSpinBox;
class TOraQuery;
class TOraStoredProc;

// Adds or edits one level: its number (1..15) and its abbreviation.
class TfAddEditLevel : public TfPelmBaseForm_Dialog {
    Q_OBJECT
public:
    TfAddEditLevel(QWidget* owner, TOraSession* session, const QString& schema);

    // 1 add, 2 edit; sets the caption.
    void SetDialogMode(quint8 mode) override;
    // True exactly when the dialog closed with OK.
    bool Execute() override;

    // The edited level (set by the opener), the new one after an insert, -1 after
    // a failed call.
    int ID = -1;
    // The edited level as last read; whether another user changed or deleted it.
    TEditedRow Edited;

    QLabel* lblLevel = nullptr;
    QSpinBox* seLevel = nullptr;
    QLabel* lblAbbrev = nullptr;
    QComboBox* cbAbbrev = nullptr;
    QAction* aOK = nullptr;
    TOraStoredProc* ospAbbrev = nullptr;
    TOraStoredProc* ospObjectInfo = nullptr;
    TOraStoredProc* ospLevelTypes = nullptr;
    TOraQuery* oqAddObject = nullptr;
    TOraQuery* oqEditObject = nullptr;

protected:
    void InitForm() override;
    void FormShow() override;
    void FormDestroy() override;

private:
    void FillAbbrevList();
    int LevelOf(int level, int abbrev);
    // False when the level is no longer there.
    bool LoadRecord();
    void OK();
};
