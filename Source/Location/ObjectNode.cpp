#include "Location/ObjectNode.h"

#include "Location/NameOrder.h"

namespace {
constexpr int ImageIndexRole = Qt::UserRole + 1;
}

TObjectNode::~TObjectNode() {
    if (Watcher) Watcher->NodeGone();
}

int TObjectNode::Depth() const {
    int depth = 0;
    for (const QTreeWidgetItem* p = parent(); p; p = p->parent()) ++depth;
    return depth;
}

int TObjectNode::ImageIndex() const { return data(0, ImageIndexRole).toInt(); }

void TObjectNode::SetImageIndex(int index, const QIcon& icon) {
    setData(0, ImageIndexRole, index);
    setIcon(0, icon);
}

bool TObjectNode::operator<(const QTreeWidgetItem& other) const {
    return NameOrder::Less(text(0), other.text(0));
}
