#pragma once

#include <QTreeWidgetItem>

// A node of the location tree: one location, or the root (ID -1, level 0), or the
// empty placeholder child that gives a not yet fetched node its expand button.
class TObjectNode : public QTreeWidgetItem {
public:
    TObjectNode() = default;
    ~TObjectNode() override;

    int AbbrevID = 0;
    bool ChildrenLoaded = false;
    int ID = 0;
    int Level = 0;
    // The place's version as last read: a move sends it, so it never undoes another's change.
    int Version = 0;
    // How many children the server counted when it sent this node.
    int ChildCount = 0;

    // Told when a node goes, with the subtree it heads: what still fills it must stop.
    class IWatcher {
    public:
        virtual void NodeGone() = 0;

    protected:
        ~IWatcher() = default;
    };
    IWatcher* Watcher = nullptr;

    // Depth in the tree: 0 for the root.
    int Depth() const;
    TObjectNode* ParentNode() const { return static_cast<TObjectNode*>(parent()); }
    TObjectNode* ChildNode(int index) const { return static_cast<TObjectNode*>(child(index)); }
    QString Caption() const { return text(0); }
    bool IsPlaceholder() const { return text(0).isEmpty() && ID == 0; }

    // Siblings are ordered by caption in the alphabet's order, not by character code.
    bool operator<(const QTreeWidgetItem& other) const override;

    int ImageIndex() const { return FImageIndex; }
    // Sets the picture of both the normal and the selected state.
    void SetImageIndex(int index, const QIcon& icon);

private:
    int FImageIndex = 0;  // a member, not an item role: a wide level makes many nodes
};

// The node a tree shows as current (tree items are always TObjectNode in the location tree).
inline TObjectNode* AsNode(QTreeWidgetItem* item) { return static_cast<TObjectNode*>(item); }
