#pragma once

#include <QString>

#include <array>
#include <exception>
#include <vector>
#include <memory>

#include "FormReposit/_PelmBaseQXVBase.h"
#include "Location/RowDragTree.h"

class QAction;
class QFrame;
class QGroupBox;
class QLineEdit;
class QMenu;
class QSplitter;
class QToolBar;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;
class TDM;
class TImageList;
class TLocationTree;
class TObjectNode;
class TOraQuery;
class TOraStoredProc;
class TPopupEdit;
struct TJournalRow;
class TServerSuggestSource;
class TSuggestList;
class TUserPlacesList;

class TfrObjectInfo;

// The location window: the lazily loaded tree of places with the address line
// above it, the information about the selected place beside it, and, when opened
// as a picker, the buttons that choose a place or cancel.
class TfMain : public TPelmBaseQXVBaseForm {
    Q_OBJECT
public:
    // Opened by the console as its service.
    TfMain(const QString& mode, IHostObject* hostLink, const QString& serviceName,
           const QString& iconName);
    // Opened directly (the picker): no console, no access string.
    TfMain(QWidget* owner, TOraSession* session, const QString& schema);
    ~TfMain() override;

    void LoadAbbrevImages();
    void LoadLevels();
    void BuildRoot();
    void LoadChildren(TObjectNode* node, bool force);
    int GetMaxLevel();
    void ShowAddressPath();
    void ExpandToLocation();
    // The search window for the text of the search field; a chosen place is opened and
    // selected in the tree.
    void OpenSearch();
    // The history of the selected place (and, when the user asks, of its subtree).
    void OpenHistory();
    // Opens the tree at a suggested place; in the picker, Enter returns it at once.
    void OpenSuggested(int id, bool byEnter);
    TSuggestList* Suggestions() const { return FSuggest; }
    TServerSuggestSource* SuggestSource() const { return FSuggestSource.get(); }
    // The selected place, or -1 when the root (or nothing) is selected.
    int GetSelectedID() const;
    void SetSelectMode(bool on);
    bool SelectMode() const { return FSelectMode; }
    void SetStartID(int id) { FStartID = id; }
    // Throws what made the picker's loading fail (the picker then closed at once).
    void RethrowLoadError();
    int StartID() const { return FStartID; }
    int MaxLevel() const { return FMaxLevel; }
    const QString& AbbrevSeparator() const;
    TLocationTree* Tree() const { return FTree; }
    TDM* DataModule() const { return FDM; }
    TfrObjectInfo* InfoFrame() const { return FInfoFrame; }

    // Editing (MainEditing.cpp): every change is made on the server first and then
    // mirrored in the loaded tree.
    void aObjectAddExecute();
    void aObjectEditExecute();
    void aObjectDeleteExecute();
    void aAbbreviatureExecute();
    void aLevelExecute();

    // The user's own places (MainPlaces.cpp): the star of the selected place, the short list
    // beside the picker's tree, and the merge of the selected place into another one.
    void aStarExecute();
    void aMergeExecute();
    void LoadUserPlaces();
    // Records a place the user chose (picked, found, opened from the address line).
    void RememberChosen(int id);
    // Whether the selected place may be dropped on target (a drag of the tree's own rows).
    bool CanDropOn(TObjectNode* target) const;
    // Moves the selected place under target on the server, then in the tree.
    void DropOn(TObjectNode* target);

    // Follows what other sessions change (MainFollowing.cpp): the tree, the address line and
    // the information frame show it within a moment, the user's place kept.
    void ApplyJournal(const std::vector<TJournalRow>& rows);

    // Re-evaluates which actions may run now.
    void UpdateActions();
    // Copies the fetched part of the tree into the address popup.
    void InitAddressPopup();

    // Right flags, granted until the access string says otherwise.
    bool FViewLocation = true, FAddLocation = true, FEditLocation = true, FDelLocation = true;
    bool FViewAte = true, FAddAte = true, FEditAte = true, FDelAte = true;
    bool FViewLevel = true, FAddLevel = true, FEditLevel = true, FDelLevel = true;
    // Takes away every right that `serverRights` (one character per right, "1" granted)
    // does not grant: the server's rights for the session's user bound every window.
    void LimitRights(const QString& serverRights);

    // Components.
    QWidget* pTop = nullptr;
    QToolBar* ToolBar = nullptr;
    QToolButton* btnUp = nullptr;
    QToolButton* btnRefreshNode = nullptr;
    QToolButton* btnReference = nullptr;
    QToolButton* btnObjectAdd = nullptr;
    QToolButton* btnObjectEdit = nullptr;
    QToolButton* btnObjectDelete = nullptr;
    QToolButton* btnHistory = nullptr;
    QMenu* pmTree = nullptr;
    QMenu* pmReference = nullptr;
    QAction* miATE = nullptr;
    QAction* miLevel = nullptr;
    QGroupBox* pObject = nullptr;
    TPopupEdit* cbObject = nullptr;
    QLineEdit* edSearch = nullptr;
    QWidget* pBottom = nullptr;
    QSplitter* cxSplitter = nullptr;
    QWidget* pTree = nullptr;
    TRowDragTree* tvObjects = nullptr;
    QWidget* pInfo = nullptr;
    QTreeWidget* tvCombo = nullptr;
    QPushButton* btnSelect = nullptr;
    QPushButton* cxButton1 = nullptr;
    QPushButton* BitBtn1 = nullptr;
    TImageList* ActionImages = nullptr;

    QAction* aUp = nullptr;
    QAction* aRefreshNode = nullptr;
    QAction* aObjectAdd = nullptr;
    QAction* aObjectEdit = nullptr;
    QAction* aObjectDelete = nullptr;
    QAction* aAbbreviature = nullptr;
    QAction* aLevel = nullptr;
    QAction* aSelect = nullptr;
    QAction* aHistory = nullptr;
    QAction* aStar = nullptr;
    QAction* aMerge = nullptr;
    TUserPlacesList* lbUserPlaces = nullptr;

    TOraStoredProc* ospObjectsTree = nullptr;
    TOraStoredProc* ospAbbrevImages = nullptr;
    TOraStoredProc* ospLevels = nullptr;
    TOraStoredProc* ospPlaceParents = nullptr;
    TOraStoredProc* ospChangeParent = nullptr;
    TOraStoredProc* ospSuggest = nullptr;
    TOraQuery* oqObjectDelete = nullptr;
    TOraStoredProc* ospUserPlaces = nullptr;
    TOraStoredProc* ospSaveChosen = nullptr;
    TOraStoredProc* ospPlaceStar = nullptr;
    TOraStoredProc* ospNamesakes = nullptr;
    TOraStoredProc* ospMerge = nullptr;

protected:
    void FormCreate() override;
    void FormShow() override;
    void RegisterAccess() override;
    void ArrangeButtons() override;
    // Ctrl+F: the location window has no grid to search, it searches places.
    void FindExecute() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    // Called after a node became selected (children fetched).
    virtual void NodeSelected(TObjectNode* node);

    void aRefreshNodeExecute();
    void aUpExecute();
    void btnSelectClick();

private:
    void BuildLocationDescription();
    void BuildToolBar();
    void BuildActions();
    void BuildCalls();
    void BuildPanelButtons();
    void BuildTreeMenu();
    void ArrangePanelButtons();
    void CopyBranch(TObjectNode* source, QTreeWidgetItem* destinationParent);
    void OnComboChanged(QTreeWidgetItem* item);
    void EnsureTranslation();
    void CreateInfoFrame();
    void ConnectEditing();
    void BuildPlaceActions();
    void UpdatePlaceActions(TObjectNode* selected);
    // Opens the tree at a place of the short list; in the picker `choose` also returns it.
    void OpenUserPlace(int id, bool choose);
    void SetInfoRights(TObjectNode* node);
    // The twelve right flags in the access list's order.
    std::array<bool*, 12> RightFlags();
    void LoadOnShow();
    // Keeps the fetched levels of a moved place and its fetched subtree equal to the
    // server's, which places it one level below its new parent.
    void FollowMovedLevels(TObjectNode* moved, int newLevel);
    void FollowJournal();
    void FollowPlace(const TJournalRow& row);
    // A place that is new under `parent`, or moved there, shows when that level is loaded.
    void ArriveFollowed(int id, TObjectNode* parent);
    void MoveFollowed(TObjectNode* node, int parentId);
    // Another user deleted the place: its node goes; when it held the selection, its parent
    // is selected.
    void DropGoneNode(TObjectNode* node);
    // Another user changed a place the user was moving: the node shows it as it is now (or
    // goes, when the place went) and the user is told who changed it.
    void ShowChangedPlace(TObjectNode* node);
    // Shows an edited place's caption and picture, in its order among its siblings.
    void ShowEdited(TObjectNode* node, int abbrevId, const QString& abbrevSName,
                    const QString& name);

    TDM* FDM = nullptr;
    TfrObjectInfo* FInfoFrame = nullptr;
    TLocationTree* FTree = nullptr;
    int FStartID = -1;
    bool FSelectMode = false;
    int FMaxLevel = 0;
    bool FShown = false;
    std::exception_ptr FLoadError;
    TSuggestList* FSuggest = nullptr;
    std::shared_ptr<TServerSuggestSource> FSuggestSource;  // a picker's failed loading, for its caller
};
