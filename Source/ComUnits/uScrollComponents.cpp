#include "ComUnits/uScrollComponents.h"

#include "ComUnits/uAssert.h"
#include "ComUnits/uComponentTree.h"

namespace {

QString ClassKey(const QMetaObject* cls) {
    return QString::number(reinterpret_cast<quintptr>(cls));
}

QString ClassName(const QMetaObject* cls) { return QString::fromLatin1(cls->className()); }

}  // namespace

TComponentProc TComponentProc::Of(void (*function)(QObject*)) {
    TComponentProc p;
    p.FKey = QByteArray(reinterpret_cast<const char*>(&function), sizeof(function));
    p.FCall = function;
    return p;
}

// --- TScrollComponentList ---

TScrollComponentList::TScrollComponentList(QObject* root) { AddOwner(root); }

TScrollComponentList::~TScrollComponentList() {
    for (auto& item : FItems) item->ReleaseAll();
}

void TScrollComponentList::IndexComponent(QObject* component) {
    const QMetaObject* cls = component->metaObject();
    TClassEntry& entry = FClassIndex[ClassKey(cls)];
    entry.Class = cls;
    if (!entry.Components.contains(component)) entry.Components << component;
}

void TScrollComponentList::IndexRoot(QObject* root) {
    for (QObject* component : OwnedComponents(root)) IndexComponent(component);
}

void TScrollComponentList::AddOwner(QObject* root) {
    if (!root || FRoots.contains(root)) return;
    FRoots << root;
    FRootCounts << static_cast<int>(OwnedComponents(root).size());
    IndexRoot(root);
    for (auto& item : FItems) item->TakeUpComponents();
}

void TScrollComponentList::Update() {
    for (int i = 0; i < FRoots.size(); ++i) {
        if (!FRoots[i]) continue;
        // Counting alone would miss a component created after another was destroyed;
        // indexing everything again is cheap and skips what is already there.
        IndexRoot(FRoots[i]);
        FRootCounts[i] = static_cast<int>(OwnedComponents(FRoots[i]).size());
    }
    for (auto& item : FItems) {
        item->ReleaseAll();
        item->TakeUpComponents();
    }
}

int TScrollComponentList::IndexOf(const QMetaObject* cls) const {
    for (int i = 0; i < Count(); ++i)
        if (FItems[i]->Class() == cls) return i;
    return -1;
}

void TScrollComponentList::AddProc(const QMetaObject* cls, const TComponentProc& proc) {
    const int index = IndexOf(cls);
    TScrollComponent* item = index >= 0 ? Items(index) : new TScrollComponent(this, cls);
    item->AddProc(proc);
}

void TScrollComponentList::DelProc(const QMetaObject* cls, const TComponentProc& proc) {
    const int index = IndexOf(cls);
    if (index >= 0) Items(index)->DelProc(proc);
}

void TScrollComponentList::ExecuteAll() {
    if (OnBeforeRun) OnBeforeRun();
    for (auto& item : FItems) item->ExecuteAll();
    if (OnAfterRun) OnAfterRun();
}

std::unique_ptr<TScrollComponent> TScrollComponentList::Extract(TScrollComponent* item) {
    for (auto it = FItems.begin(); it != FItems.end(); ++it) {
        if (it->get() == item) {
            std::unique_ptr<TScrollComponent> out = std::move(*it);
            FItems.erase(it);
            return out;
        }
    }
    return nullptr;
}

// --- TScrollComponent ---

TScrollComponent::TScrollComponent(TScrollComponentList* list, const QMetaObject* cls)
    : FList(list), FClass(cls) {
    Assert(list != nullptr, QStringLiteral("TScrollComponent.Create: AScrollList = nil"));
    Assert(list->IndexOf(cls) < 0,
           QStringLiteral("TScrollComponent.Create: components of Class \"%1\" "
                          "Is already added")
               .arg(ClassName(cls)));
    list->FItems.emplace_back(this);
    TakeUpComponents();
}

TScrollComponent::~TScrollComponent() { ReleaseAll(); }

void TScrollComponent::TakeUpComponents() {
    for (const auto& entry : FList->FClassIndex) {
        if (!entry.Class->inherits(FClass)) continue;
        for (const QPointer<QObject>& component : entry.Components)
            if (component && !FComponents.contains(component.data()))
                AddComponent(component.data());
    }
}

void TScrollComponent::AddComponent(QObject* component) {
    Assert(
        component && component->metaObject()->inherits(FClass),
        QStringLiteral("TScrollComponent.AddComponent: \"%1\" class is not inherited \"%2\" class")
            .arg(component ? ClassName(component->metaObject()) : QStringLiteral("nil"),
                 ClassName(FClass)));
    if (FComponents.contains(component)) return;
    FComponents << component;
    FWatchers << new _TChildComponent(component, this);
}

void TScrollComponent::DelComponent(QObject* component) {
    Assert(
        component && component->metaObject()->inherits(FClass),
        QStringLiteral("TScrollComponent.DelComponent: \"%1\" class is not inherited \"%2\" class")
            .arg(component ? ClassName(component->metaObject()) : QStringLiteral("nil"),
                 ClassName(FClass)));
    const qsizetype index = FComponents.indexOf(component);
    if (index < 0) return;
    _TChildComponent* watcher = FWatchers[index];
    FComponents.removeAt(index);
    FWatchers.removeAt(index);
    watcher->FScroll = nullptr;
    delete watcher;
}

void TScrollComponent::ReleaseAll() {
    for (_TChildComponent* watcher : FWatchers) {
        watcher->FScroll = nullptr;
        delete watcher;
    }
    FWatchers.clear();
    FComponents.clear();
}

void TScrollComponent::Forget(QObject* member, _TChildComponent* watcher) {
    const qsizetype index = FComponents.indexOf(member);
    Assert(index >= 0, QStringLiteral("_TChildComponent.Destroy: program error: pIndex = -1"));
    FComponents.removeAt(index);
    FWatchers.removeOne(watcher);
}

int TScrollComponent::FindProc(const TComponentProc& proc) const {
    for (size_t i = 0; i < FProcs.size(); ++i)
        if (FProcs[i].SameCode(proc)) return static_cast<int>(i);
    return -1;
}

void TScrollComponent::AddProc(const TComponentProc& proc) {
    if (FindProc(proc) < 0) FProcs.push_back(proc);
}

void TScrollComponent::DelProc(const TComponentProc& proc) {
    const int index = FindProc(proc);
    if (index >= 0) FProcs.erase(FProcs.begin() + index);
}

void TScrollComponent::Execute(const TComponentProc& proc) {
    if (!proc) return;
    // A handler may destroy a member; walk a snapshot and skip the departed.
    const QList<QPointer<QObject>> members(FComponents.begin(), FComponents.end());
    for (const QPointer<QObject>& member : members)
        if (member) proc(member.data());
}

void TScrollComponent::ExecuteAll() {
    const QList<QPointer<QObject>> members(FComponents.begin(), FComponents.end());
    const std::vector<TComponentProc> procs = FProcs;
    for (const QPointer<QObject>& member : members)
        for (const TComponentProc& proc : procs)
            if (member && proc) proc(member.data());
}

// --- _TChildComponent ---

_TChildComponent::_TChildComponent(QObject* member, TScrollComponent* scroll)
    : QObject(member), FCopyOwner(member), FScroll(scroll) {
    Assert(member != nullptr, QStringLiteral("_TChildComponent.Create: AOwner = nil"));
    MarkHiddenObject(this);
}

_TChildComponent::~_TChildComponent() {
    if (!FScroll) return;  // released by its list
    if (!FCopyOwner) {
        qCritical("_TChildComponent.Destroy: program error: FCopyOwner = nil");
        return;
    }
    // Destructors must not throw; a broken list is reported, not raised.
    try {
        FScroll->Forget(FCopyOwner, this);
    } catch (const EAssertionFailed& e) {
        qCritical("%s", e.what());
    }
}
