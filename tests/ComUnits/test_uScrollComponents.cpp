#include "ComUnits/uScrollComponents.h"

#include <QWidget>

#include <gtest/gtest.h>


// A small class family standing in for data sets, queries and tables.
class FakeDataSet : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
};
class FakeQuery : public FakeDataSet {
    Q_OBJECT
public:
    using FakeDataSet::FakeDataSet;
};
class FakeTable : public FakeDataSet {
    Q_OBJECT
public:
    using FakeDataSet::FakeDataSet;
};

namespace {

QStringList Visited;
void RecordName(QObject* c) { Visited << c->objectName(); }
void RecordAgain(QObject* c) { Visited << c->objectName() + "!"; }

template <class T, class P>
T* Make(P* parent, const char* name) {
    auto* o = new T(parent);
    o->setObjectName(name);
    return o;
}

class ScrollComponentsTest : public ::testing::Test {
protected:
    void SetUp() override { Visited.clear(); }
    QWidget FForm;
};

TEST_F(ScrollComponentsTest, AHandlerForABaseClassReachesEveryDescendantOnce) {
    auto* panel = Make<QWidget>(&FForm, "panel");
    Make<FakeQuery>(&FForm, "q1");
    Make<FakeTable>(panel, "t1");  // nested in a panel: still the form's
    Make<FakeQuery>(&FForm, "q2");
    Make<QObject>(&FForm, "other");

    TScrollComponentList list(&FForm);
    list.AddProc(&FakeDataSet::staticMetaObject, TComponentProc::Of(&RecordName));
    list.OnBeforeRun = [] { Visited << "before"; };
    list.OnAfterRun = [] { Visited << "after"; };
    list.ExecuteAll();
    ASSERT_EQ(Visited.size(), 5);
    EXPECT_EQ(Visited.takeFirst(), "before");
    EXPECT_EQ(Visited.takeLast(), "after");
    Visited.sort();
    EXPECT_EQ(Visited, (QStringList{"q1", "q2", "t1"}));
}

// A list watches its members through objects of its own: they are no components, and they go
// with the list.
TEST_F(ScrollComponentsTest, WatchersAreNotComponentsAndGoWithTheirList) {
    auto* q = Make<FakeQuery>(&FForm, "q");
    {
        TScrollComponentList list(&FForm);
        list.AddProc(&QObject::staticMetaObject, TComponentProc::Of(&RecordName));
        EXPECT_EQ(q->children().size(), 1);
        list.Update();  // a watcher owned by a member must not be indexed on the next pass
        list.ExecuteAll();
        EXPECT_EQ(Visited, QStringList{"q"});
    }
    EXPECT_TRUE(q->children().isEmpty());
}

TEST_F(ScrollComponentsTest, HandlersAreKeptOnceAndRemovedByCode) {
    Make<FakeQuery>(&FForm, "q");
    TScrollComponentList list(&FForm);
    const auto* cls = &FakeQuery::staticMetaObject;
    list.AddProc(cls, TComponentProc::Of(&RecordName));
    list.AddProc(cls, TComponentProc::Of(&RecordName));
    list.AddProc(cls, TComponentProc::Of(&RecordAgain));
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Items(0)->ProcCount(), 2);

    list.DelProc(cls, TComponentProc::Of(&RecordName));
    list.DelProc(&FakeTable::staticMetaObject, TComponentProc::Of(&RecordName));  // absent
    list.ExecuteAll();
    EXPECT_EQ(Visited, QStringList{"q!"});
}

TEST_F(ScrollComponentsTest, ADestroyedMemberLeavesTheListsAndUpdateStaysConsistent) {
    auto* q1 = Make<FakeQuery>(&FForm, "q1");
    Make<FakeQuery>(&FForm, "q2");
    TScrollComponentList list(&FForm);
    list.AddProc(&FakeQuery::staticMetaObject, TComponentProc::Of(&RecordName));
    delete q1;
    EXPECT_EQ(list.Items(0)->Components().size(), 1);
    list.ExecuteAll();
    EXPECT_EQ(Visited, QStringList{"q2"});

    Make<FakeQuery>(&FForm, "q3");  // seen only after Update
    Visited.clear();
    list.ExecuteAll();
    EXPECT_EQ(Visited, QStringList{"q2"});
    list.Update();
    Visited.clear();
    list.ExecuteAll();
    Visited.sort();
    EXPECT_EQ(Visited, (QStringList{"q2", "q3"}));
}

}  // namespace

#include "test_uScrollComponents.moc"
