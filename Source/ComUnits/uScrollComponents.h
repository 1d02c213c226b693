#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QObject>
#include <QPointer>
#include <QString>

#include <cstring>
#include <functional>
#include <memory>
#include <vector>

// Runs handlers over every component of a class owned by a form, without walking
// the component tree each time: components are indexed by their exact class once,
// and each served base class keeps its members and handlers.

// A handler for one component. Handlers are told apart by their code only (the
// method or function), never by the object they are bound to.
class TComponentProc {
public:
    TComponentProc() = default;

    template <class T>
    static TComponentProc Of(T* target, void (T::*method)(QObject*)) {
        TComponentProc p;
        p.FKey = QByteArray(reinterpret_cast<const char*>(&method), sizeof(method));
        p.FCall = [target, method](QObject* c) { (target->*method)(c); };
        return p;
    }
    static TComponentProc Of(void (*function)(QObject*));

    explicit operator bool() const { return static_cast<bool>(FCall); }
    void operator()(QObject* component) const { FCall(component); }
    bool SameCode(const TComponentProc& other) const { return FKey == other.FKey; }

private:
    QByteArray FKey;
    std::function<void(QObject*)> FCall;
};

class TScrollComponent;

// Indexes the components of one or more roots (forms) by exact class.
class TScrollComponentList {
public:
    explicit TScrollComponentList(QObject* root);
    ~TScrollComponentList();
    TScrollComponentList(const TScrollComponentList&) = delete;
    TScrollComponentList& operator=(const TScrollComponentList&) = delete;

    void AddOwner(QObject* root);
    // Indexes what the roots gained since the last indexing and rebuilds every membership.
    void Update();

    void AddProc(const QMetaObject* cls, const TComponentProc& proc);
    void DelProc(const QMetaObject* cls, const TComponentProc& proc);
    void ExecuteAll();

    int IndexOf(const QMetaObject* cls) const;
    int Count() const { return static_cast<int>(FItems.size()); }
    TScrollComponent* Items(int index) const { return FItems[index].get(); }
    // Takes an item out of the list without freeing it; the caller owns it.
    std::unique_ptr<TScrollComponent> Extract(TScrollComponent* item);

    std::function<void()> OnBeforeRun;
    std::function<void()> OnAfterRun;

    // Exact classes indexed, in index order, with their components.
    struct TClassEntry {
        const QMetaObject* Class = nullptr;
        QList<QPointer<QObject>> Components;
    };
    const QMap<QString, TClassEntry>& ClassIndex() const { return FClassIndex; }

private:
    friend class TScrollComponent;
    void IndexComponent(QObject* component);
    void IndexRoot(QObject* root);

    QMap<QString, TClassEntry> FClassIndex;  // key: the class identity in decimal
    QList<QPointer<QObject>> FRoots;
    QList<int> FRootCounts;
    std::vector<std::unique_ptr<TScrollComponent>> FItems;
};

class _TChildComponent;

// The members of one base class and the handlers registered for it.
class TScrollComponent {
public:
    // Adds itself to the list (which owns it) and takes up the matching components.
    TScrollComponent(TScrollComponentList* list, const QMetaObject* cls);
    ~TScrollComponent();
    TScrollComponent(const TScrollComponent&) = delete;
    TScrollComponent& operator=(const TScrollComponent&) = delete;

    const QMetaObject* Class() const { return FClass; }
    const QList<QObject*>& Components() const { return FComponents; }

    void AddComponent(QObject* component);
    void DelComponent(QObject* component);

    int FindProc(const TComponentProc& proc) const;
    void AddProc(const TComponentProc& proc);
    void DelProc(const TComponentProc& proc);
    int ProcCount() const { return static_cast<int>(FProcs.size()); }

    void Execute(const TComponentProc& proc);
    void ExecuteAll();

private:
    friend class TScrollComponentList;
    friend class _TChildComponent;
    void TakeUpComponents();
    void ReleaseAll();
    void Forget(QObject* member, _TChildComponent* watcher);

    TScrollComponentList* FList;
    const QMetaObject* FClass;
    QList<QObject*> FComponents;
    QList<_TChildComponent*> FWatchers;  // parallel to FComponents
    std::vector<TComponentProc> FProcs;
};

// Owned by a member; its destruction (with the member) takes the member out of the lists.
class _TChildComponent : public QObject {
    Q_OBJECT
public:
    _TChildComponent(QObject* member, TScrollComponent* scroll);
    ~_TChildComponent() override;

private:
    friend class TScrollComponent;
    QObject* FCopyOwner;
    TScrollComponent* FScroll;  // null once released by the list
};
