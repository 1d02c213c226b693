#include "Location/ObjectNode.h"

#include "Location/NameOrder.h"

TObjectNode::~TObjectNode() {
    if (Watcher) Watcher->NodeGone();
}

int TObjectNode::Depth() const {
    int depth = 0;
    for (const QTreeWidgetItem* p = parent(); p; p = p->parent()) ++depth;
    return depth;
}

void TObjectNode::SetImageIndex(int index, const QIcon& icon) {
    FImageIndex = index;
    setIcon(0, icon);
}

bool TObjectNode::operator<(const QTreeWidgetItem& other) const {
    return NameOrder::Less(text(0), other.text(0));
}
