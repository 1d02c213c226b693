#pragma once

#include <QObject>
#include <QSet>
#include <QString>

#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "Location/LevelAte.h"
#include "Location/ObjectNode.h"
#include "Platform/Data/OraStoredProc.h"

class QTreeWidget;
class TChildrenLoad;
class TDM;
class TFetchedLevel;

// The lazily loaded location tree behind the location window: one level per server
// call, fetched only when a node is opened or selected. The window owns the tree
// control and the call components; this object owns the caches and the loading.
class TLocationTree : public QObject {
    Q_OBJECT
public:
    struct TCalls {
        TOraStoredProc* ObjectsTree = nullptr;   // GET_T#LOCATION
        TOraStoredProc* AbbrevImages = nullptr;  // GET_T#LOCATABBREV
        TOraStoredProc* Levels = nullptr;        // GET_T#LOCATTYPE
        TOraStoredProc* PlaceParents = nullptr;  // GET_LOCATION_PARENTS
    };

    TLocationTree(QTreeWidget* tree, TDM* dm, TCalls calls, QObject* parent = nullptr);
    // Waits for the fetches still running.
    ~TLocationTree() override;

    // Text between a short name and a name in fetched captions.
    const QString& AbbrevSeparator() const { return FAbbrevSeparator; }
    void SetAbbrevSeparator(const QString& separator) { FAbbrevSeparator = separator; }
    // The root's caption (translated by the window).
    void SetRootCaption(const QString& caption) { FRootCaption = caption; }
    const QString& RootCaption() const { return FRootCaption; }

    void LoadAbbrevImages();
    void LoadLevels();
    void BuildRoot();
    // Fetches a node's children and shows them before it returns (a load of them still under
    // way is finished; with force it starts again).
    void LoadChildren(TObjectNode* node, bool force);
    // Reloads the tree from the root and puts the user back where they were: the open places
    // open again, the selection on the same place (or its nearest ancestor still there) and
    // the same place at the top of the view.
    void ReloadKeepingPlace();
    // Shows every child still being loaded now, before the directory is changed.
    void FinishLoads();
    // Drops every load, waiting for the fetches still running: before the connection goes.
    void StopLoads();
    // Whether a node's children are still on their way.
    bool IsLoading(const TObjectNode* node) const;
    // A node the server counted at least `from` children of is filled in the background when
    // the user opens or selects it, `chunk` children per turn of the event loop.
    void SetBackgroundLoad(int from, int chunk);
    // Opens the tree down to a location (nothing for an id below 1); stops at the
    // deepest ancestor found.
    void ExpandToLocation(int startId);

    // The picture index of an abbreviation; 0 when it has none.
    int AbbrevImage(int abbrevId) const;
    // The captions from the top-level ancestor down to the selected node, joined by "\".
    QString AddressPath() const { return PathOf(Selected()); }
    // The same for any node (empty for the root).
    static QString PathOf(const TObjectNode* node);
    // The selected location, or -1 for the root or no selection.
    int SelectedID() const;

    TObjectNode* Root() const;
    TObjectNode* Selected() const;
    // The loaded node of a place (the root for an id below 1); null when the tree has none.
    TObjectNode* Find(int id) const;
    // Whether the current node is `node` or lies in its subtree.
    bool HoldsSelection(const TObjectNode* node) const;
    const TLevelAteList& Levels() const { return FLevelList; }
    const std::vector<std::pair<int, int>>& AbbrevImages() const { return FAbbrevImages; }

    // Caption rule of fetched rows (PlaceCaption): short name, separator, name; the name alone
    // without a short name, no doubled full stop.
    static QString Caption(const QString& shortName, const QString& separator, const QString& name);

    // Gives a node the picture at imageIndex of the data module's list.
    void SetNodeImage(TObjectNode* node, int imageIndex);

    // Who changed a place last and when (UTC, as the server keeps it).
    struct TLastChange {
        QString By;
        QString At;
    };
    // Takes over a node's version, caption, picture and count of children from the server;
    // none when the place is gone.
    std::optional<TLastChange> Reread(TObjectNode* node);

    // Called after a node became selected and its children were fetched.
    std::function<void(TObjectNode*)> OnNodeSelected;

    // The tree's own handlers of selection and expansion hand their failures to the
    // application's exception handling, so that the window keeps working. Inside
    // `action` they are raised out of it instead, for a caller that must hear of them
    // (the first one, after `action` has run on).
    void RunRaisingHandlerErrors(const std::function<void()>& action);

private:
    void OnCurrentItemChanged();
    void OnItemExpanded(QTreeWidgetItem* item);
    // The user's way in: a wide node is loaded in the background.
    void OpenNode(TObjectNode* node);
    void Load(TObjectNode* node, bool force, bool background);
    TChildrenLoad* LoadOf(const TObjectNode* node) const;
    // The children's call of a node, its parameters set.
    TOraStoredProc::TDetachedCall ChildrenCall(const TObjectNode* node);
    void StartBackgroundLoad(TObjectNode* node);
    void BackgroundLoadDone(TObjectNode* node, bool complete);
    void BackgroundLoadFailed(TObjectNode* node, std::exception_ptr error);
    void ReapLoads();
    void ShowChildren(TObjectNode* node, const TFetchedLevel& level, int from, int to);
    TObjectNode* MakeFetchedChild(const TFetchedLevel& level, int i);
    void Reopen(TObjectNode* node, const QSet<int>& open);
    // The deepest node of a chain of ids from the top down that the tree still holds.
    TObjectNode* Deepest(const std::vector<int>& chain) const;

    QTreeWidget* FTree;
    TDM* FDM;
    TCalls FCalls;
    QString FAbbrevSeparator = QStringLiteral(". ");
    QString FRootCaption = QStringLiteral("Местоположение");
    std::vector<std::pair<int, int>> FAbbrevImages;  // (abbreviation, picture index)
    TLevelAteList FLevelList;
    bool FLoading = false;
    int FBackgroundFrom = 2000;
    int FBackgroundChunk = 10000;
    std::vector<std::unique_ptr<TChildrenLoad>> FLoads;
    std::exception_ptr* FHeldError = nullptr;
    void RunHandler(const std::function<void()>& handler);
};

// Holds a tree's painting off for a block of changes; the end is guaranteed.
class TTreeUpdate {
public:
    explicit TTreeUpdate(QTreeWidget* tree);
    ~TTreeUpdate();
    TTreeUpdate(const TTreeUpdate&) = delete;
    TTreeUpdate& operator=(const TTreeUpdate&) = delete;

private:
    QTreeWidget* FTree;
    bool FWasEnabled;
};
