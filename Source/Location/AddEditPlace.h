#pragma once

#include <QString>

#include <vector>

#include "Platform/PlacePairs.h"

#include "FormReposit/PelmBaseForm_Dialog.h"
#include "Location/LocationDialogs.h"

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class TOraQuery;
class TOraStoredProc;
class TPlacePairsGrid;
struct TJournalRow;

// Adds a location under a parent or edits one: its type (among the types of its
// level), its name, its codes and its names per language, saved together in one call.
// The dialog makes the server call itself.
//   auto* dialog = TComBaseForm::Create<TfAddEditPlace>(owner, session, schema);
//   dialog->SetDialogMode(1); dialog->ParentID = ...; dialog->Level = ...;
//   if (dialog->Execute()) ... dialog->ID, dialog->Name, GetAbbrevSName() ...
class TfAddEditPlace : public TfPelmBaseForm_Dialog {
    Q_OBJECT
public:
    TfAddEditPlace(QWidget* owner, TOraSession* session, const QString& schema);

    // 1 add; anything else edit. Sets the caption.
    void SetDialogMode(quint8 mode) override;
    // False without showing the dialog when no type is allowed at Level; otherwise
    // true exactly when the dialog closed with OK.
    bool Execute() override;

    // The chosen type's abbreviation: its ID_ABBREV (-1) and SNAME (empty) when no
    // type is chosen or the type list is not open.
    int GetAbbrevID();
    QString GetAbbrevSName();

    int ID = -1;         // the edited location, the new one after an add, -1 after a failure
    int Level = -1;      // the location's level: which types are offered
    QString Name;        // the name the reader sees (in the user's language) after a save
    int ParentID = -1;   // -1 directly under the root
    QString ParentPath;  // the parent's address path, for the question about a namesake
    // The edited place as last read, sent with the change (after a save, the version the save
    // left). Gone: another user deleted the edited place, or the parent to add below; the tree
    // drops it. Reloaded: another user changed the place since it was read; the dialog shows
    // it as the server has it now, Name its name there, ShownAbbrevID and ShownAbbrevSName
    // its type's.
    TEditedRow Edited;
    int ShownAbbrevID = -1;
    QString ShownAbbrevSName;

    QLabel* lblStatus = nullptr;
    QComboBox* cbStatus = nullptr;
    QLabel* lblName = nullptr;
    QLineEdit* edtName = nullptr;
    QLabel* lblCodes = nullptr;
    TPlacePairsGrid* grdCodes = nullptr;
    QLabel* lblNames = nullptr;
    TPlacePairsGrid* grdNames = nullptr;
    // Shown while the dialog is open once another user changes or deletes the place (or, when
    // adding, deletes the parent); what the user typed stays.
    QLabel* lblChanged = nullptr;
    QAction* aOK = nullptr;
    TOraStoredProc* ospStatus = nullptr;
    TOraStoredProc* ospObjectInfo = nullptr;
    TOraStoredProc* ospCodeKinds = nullptr;
    TOraStoredProc* ospCodes = nullptr;
    TOraStoredProc* ospNames = nullptr;
    TOraStoredProc* ospNamesakes = nullptr;
    TOraStoredProc* ospCurrent = nullptr;  // the place as stored now, for lblChanged
    TOraQuery* oqAddObject = nullptr;
    TOraQuery* oqEditObject = nullptr;

protected:
    void InitForm() override;
    void FormShow() override;
    void FormDestroy() override;

private:
    // Whether the place is new or `name` is not the one it had: a namesake is asked about.
    bool Renamed(const QString& name) const;
    void LoadTypes();
    void LoadCodeKinds();
    // The place's codes or names per language from `proc` (GET_T#LOCATION_CODE or _NAME).
    TPlacePairs LoadPairs(TOraStoredProc* proc, const char* key, const char* value);
    // The name the tree shows for the saved place.
    void ReadShownName();
    // False when the place is no longer there.
    bool LoadRecord();
    // Shows the place as another user left it; false when it is gone.
    bool ReloadChanged();
    void OK();
    // Listens to the session's journal while the dialog is open.
    void FollowJournal();
    void FollowChanges(const std::vector<TJournalRow>& rows);
    // Says in lblChanged what another user did to the place since the dialog read it.
    void TellChangedElsewhere(int id);
    // Shows the text in lblChanged, the dialog growing to hold it; empty hides it.
    void ShowChangedNotice(const QString& text);
    // Moves ospStatus to the row of the chosen type; false when there is none.
    bool LocateChosenType();
};
