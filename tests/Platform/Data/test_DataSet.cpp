#include <QSignalSpy>

#include <gtest/gtest.h>

#include "Platform/Data/DataSet.h"

namespace {

// ID, NAME, LEVEL# rows of a small directory.
TRowSet Places() {
    TRowSet rows;
    rows.Columns = {
        {"ID", TFieldType::Integer}, {"NAME", TFieldType::String}, {"LEVEL#", TFieldType::Integer}};
    rows.Rows = {{1, "Moscow", 1}, {2, "Minsk", 1}, {3, "Tver", 2}, {4, "minsk region", 2}};
    return rows;
}

QStringList Names(TDataSet& ds) {
    QStringList names;
    for (ds.First(); !ds.Eof(); ds.Next()) names << ds.FieldByName("NAME").AsString();
    return names;
}

}  // namespace

TEST(DataSetNavigation, WalksForwardAndBackwardWithBofEofAndScrollsOnlyOnAMove) {
    TDataSet ds;
    EXPECT_THROW(ds.First(), EDatabaseError);  // closed
    ds.LoadRows(Places());
    int scrolls = 0;
    ds.AfterScroll = [&](TDataSet*) { ++scrolls; };
    EXPECT_TRUE(ds.Bof());
    EXPECT_EQ(ds.RecNo(), 1);

    EXPECT_EQ(Names(ds), QStringList({"Moscow", "Minsk", "Tver", "minsk region"}));
    // Next at the last row sets Eof and stays on it.
    EXPECT_TRUE(ds.Eof());
    EXPECT_EQ(ds.FieldByName("ID").AsInteger(), 4);
    EXPECT_EQ(scrolls, 3);
    ds.Prior();
    EXPECT_FALSE(ds.Eof());
    EXPECT_EQ(ds.FieldByName("ID").AsInteger(), 3);
    ds.First();
    ds.Prior();
    EXPECT_TRUE(ds.Bof());
    EXPECT_EQ(scrolls, 5);

    ds.Last();
    EXPECT_EQ(ds.MoveBy(-2), -2);
    EXPECT_EQ(ds.RecNo(), 2);
    EXPECT_EQ(ds.MoveBy(10), 2);  // stops at the last row
    EXPECT_TRUE(ds.Eof());

    TRowSet empty = Places();
    empty.Rows.clear();
    ds.LoadRows(empty);
    EXPECT_TRUE(ds.Bof() && ds.Eof());
    EXPECT_EQ(ds.RecNo(), 0);
    EXPECT_TRUE(ds.FieldByName("NAME").IsNull());
    ds.Close();
    EXPECT_THROW(ds.Refresh(), EDatabaseError);
}

TEST(DataSetLocate, ExactCaseInsensitivePartialAndByValue) {
    TDataSet ds;
    ds.LoadRows(Places());
    struct TCase {
        const char* fields;
        QVariant key;
        TLocateOptions options;
        int recNo;  // 0: not found, the position kept
    } const cases[] = {
        {"NAME", "minsk", {}, 0},  // exact is case-sensitive
        {"NAME", "minsk", TLocateOption::CaseInsensitive, 2},
        {"name", "MINSK R", TLocateOption::CaseInsensitive | TLocateOption::PartialKey, 4},
        {"NAME", "Tv", TLocateOption::PartialKey, 3},
        {"NAME", "tv", TLocateOption::PartialKey, 0},
        {"NAME", "insk", TLocateOption::PartialKey, 0},  // a beginning only
        {"ID", "x", {}, 0},  // not a number: no match, no error
        {"ID", "2", {}, 2},  // a text key for a number field
        {"ID", "04", {}, 4},  // compared by value, not by text
        {"ID", 4.0, {}, 4},
        {"LEVEL#;NAME", QVariantList{1, "Minsk"}, {}, 2},
        {"LEVEL#;NAME", QVariantList{2, "Minsk"}, {}, 0},
    };
    for (const TCase& c : cases) {
        ds.SetRecNo(1);
        EXPECT_EQ(ds.Locate(c.fields, c.key, c.options), c.recNo != 0) << c.fields;
        EXPECT_EQ(ds.RecNo(), c.recNo ? c.recNo : 1) << c.key.toString().toStdString();
    }
    EXPECT_THROW(ds.Locate("NOPE", 1), EDatabaseError);

    // On a number column a partial key matches the beginning of the shown number.
    TDataSet ids;
    ids.LoadRows({{{"ID", TFieldType::Integer}}, {{7}, {125}, {12}}});
    EXPECT_TRUE(ids.Locate("ID", "12", TLocateOption::PartialKey));
    EXPECT_EQ(ids.RecNo(), 2);
    EXPECT_TRUE(ids.Locate("ID", "12"));
    EXPECT_EQ(ids.RecNo(), 3);
}

TEST(DataSetFields, LookupByNameAndOracleLikeConversions) {
    TRowSet rows;
    // An engine with loose typing may send text in a number column: it is kept.
    rows.Columns = {{"N", TFieldType::Float},   {"T", TFieldType::String}, {"X", TFieldType::Integer},
                    {"A", TFieldType::String}, {"M", TFieldType::Integer}};
    rows.Rows = {{2.6, " 42 ", QVariant(), "abc", "n/a"}};
    TDataSet ds;
    ds.setObjectName("oqList");
    ds.LoadRows(rows);

    EXPECT_EQ(ds.FindField("nope"), nullptr);
    EXPECT_EQ(ds.FindField("t"), &ds.FieldByName("T"));
    try {
        ds.FieldByName("MISSING");
        FAIL() << "no exception";
    } catch (const EDatabaseError& e) {
        EXPECT_TRUE(e.Message().contains("MISSING") && e.Message().contains("oqList"));
    }
    EXPECT_EQ(ds.FieldByName("N").AsInteger(), 3);  // rounded
    EXPECT_EQ(ds.FieldByName("N").AsString(), "2.6");
    EXPECT_EQ(ds.FieldByName("T").AsInteger(), 42);
    EXPECT_TRUE(ds.FieldByName("X").IsNull());
    EXPECT_EQ(ds.FieldByName("X").AsInteger(), 0);
    EXPECT_EQ(ds.FieldByName("X").AsString(), "");
    EXPECT_THROW(ds.FieldByName("A").AsFloat(), EDatabaseError);
    EXPECT_EQ(ds.FieldByName("M").AsString(), "n/a");
    EXPECT_THROW(ds.FieldByName("M").AsInteger(), EDatabaseError);
}

// A refresh keeps the record and runs its hooks; the fields' display and order outlive it.
TEST(DataSetFields, DisplayPropertiesAndOrderSurviveRefresh) {
    TDataSet ds;
    QStringList log;
    ds.BeforeRefresh = [&](TDataSet* d) { log << "before:" + QString::number(d->RecordCount()); };
    ds.AfterRefresh = [&](TDataSet* d) { log << "after:" + QString::number(d->RecordCount()); };
    ds.LoadRows(Places());
    TField& name = ds.FieldByName("NAME");
    name.SetDisplayLabel("Name");
    name.SetDisplayWidth(30);
    name.SetVisible(false);
    name.SetTag(255);
    name.SetIndex(0);
    EXPECT_EQ(ds.Fields(0), &name);
    EXPECT_EQ(ds.FieldByName("ID").Index(), 1);

    ds.SetRecNo(3);
    ds.Refresh();
    EXPECT_EQ(name.AsString(), "Tver");
    EXPECT_EQ(log, QStringList({"before:4", "after:4"}));
    ds.Close();
    ds.Open();
    TField& again = ds.FieldByName("NAME");
    EXPECT_EQ(&again, &name);
    EXPECT_EQ(again.DisplayLabel(), "Name");
    EXPECT_EQ(again.DisplayWidth(), 30);
    EXPECT_FALSE(again.Visible());
    EXPECT_EQ(again.Tag(), 255);
    EXPECT_EQ(again.Index(), 0);
    EXPECT_EQ(again.AsString(), "Moscow");  // still reads its own column after the move
}

TEST(DataSetEditing, EditPostAndCancel) {
    TDataSet ds;
    ds.LoadRows(Places());
    EXPECT_THROW(ds.FieldByName("NAME").SetAsString("x"), EDatabaseError);  // browse state

    ds.SetRecNo(2);
    ds.Edit();
    EXPECT_EQ(ds.State(), TDataSetState::Edit);
    ds.FieldByName("NAME").SetAsString("Brest");
    EXPECT_TRUE(ds.Modified());
    ds.Cancel();
    EXPECT_EQ(ds.State(), TDataSetState::Browse);
    EXPECT_EQ(ds.FieldByName("NAME").AsString(), "Minsk");

    int posts = 0;
    ds.AfterPost = [&](TDataSet*) { ++posts; };
    ds.Edit();
    ds.FieldByName("NAME").SetAsString("Brest");
    ds.FieldByName("LEVEL#").SetAsString("3");  // converted to the field's type
    ds.Post();
    EXPECT_EQ(posts, 1);
    EXPECT_EQ(ds.FieldByName("NAME").AsString(), "Brest");
    EXPECT_EQ(ds.FieldByName("LEVEL#").Value().typeId(), QMetaType::LongLong);
    EXPECT_EQ(ds.RecordCount(), 4);

    ds.Edit();
    EXPECT_THROW(ds.FieldByName("ID").SetAsString("one"), EDatabaseError);
    ds.Cancel();
    EXPECT_THROW(ds.Post(), EDatabaseError);

    TRowSet empty = Places();
    empty.Rows.clear();
    ds.LoadRows(empty);
    ds.Edit();  // on no rows, an edit inserts
    EXPECT_EQ(ds.State(), TDataSetState::Insert);
    ds.Cancel();
    EXPECT_THROW(ds.Delete(), EDatabaseError);
}

TEST(DataSetEditing, InsertAppendDeleteAndNavigationPosts) {
    TDataSet ds;
    ds.LoadRows(Places());
    ds.SetRecNo(2);
    ds.Insert();
    EXPECT_EQ(ds.State(), TDataSetState::Insert);
    EXPECT_EQ(ds.RecNo(), 2);
    ds.FieldByName("ID").SetAsInteger(10);
    ds.FieldByName("NAME").SetAsString("Pskov");
    ds.Next();  // moving posts the pending insert
    EXPECT_EQ(ds.State(), TDataSetState::Browse);
    EXPECT_EQ(ds.RecordCount(), 5);
    EXPECT_EQ(Names(ds), QStringList({"Moscow", "Pskov", "Minsk", "Tver", "minsk region"}));

    ds.Append();
    ds.FieldByName("NAME").SetAsString("Omsk");
    ds.Cancel();
    EXPECT_EQ(ds.RecordCount(), 5);

    ds.Append();
    ds.FieldByName("NAME").SetAsString("Omsk");
    ds.Post();
    EXPECT_EQ(ds.RecNo(), 6);

    ds.SetRecNo(1);
    ds.Delete();
    EXPECT_EQ(ds.RecordCount(), 5);
    EXPECT_EQ(ds.FieldByName("NAME").AsString(), "Pskov");
    ds.Last();
    ds.Delete();
    EXPECT_EQ(ds.FieldByName("NAME").AsString(), "minsk region");
}

TEST(DataSetControls, DisableControlsNestsAndNotifiesOnceWhenReenabled) {
    TDataSet ds;
    ds.LoadRows(Places());
    QSignalSpy changed(&ds, &TDataSet::DataSetChanged);
    QSignalSpy scrolled(&ds, &TDataSet::Scrolled);
    int hooks = 0;
    ds.AfterScroll = [&](TDataSet*) { ++hooks; };

    ds.DisableControls();
    ds.DisableControls();
    ds.Next();
    ds.Refresh();
    ds.EnableControls();
    EXPECT_TRUE(ds.ControlsDisabled());
    ds.Next();
    EXPECT_EQ(changed.count(), 0);
    EXPECT_EQ(scrolled.count(), 0);
    EXPECT_EQ(hooks, 2);  // hooks are not controls: they always run

    ds.EnableControls();
    EXPECT_FALSE(ds.ControlsDisabled());
    EXPECT_EQ(changed.count(), 1);
    ds.EnableControls();  // unbalanced: ignored
    EXPECT_EQ(changed.count(), 1);

    ds.Next();
    EXPECT_EQ(scrolled.count(), 1);
}

namespace {

// A detail that answers the rows of its parent, and counts its reads.
class TChildren : public TDataSet {
public:
    TChildren() { Params().CreateParam("ID"); }
    int Reads = 0;
    QVariantList Asked;

protected:
    TRowSet InternalOpen() override {
        ++Reads;
        Asked << Params().ParamByName("ID").Value();
        TRowSet rows;
        rows.Columns = {{"CHILD", TFieldType::String}};
        const int id = Params().ParamByName("ID").AsInteger();
        for (int i = 0; i < id; ++i) rows.Rows.push_back({QStringLiteral("%1.%2").arg(id).arg(i)});
        return rows;
    }
};

}  // namespace

TEST(DataSetMasterDetail, DetailFollowsTheMastersCurrentRow) {
    TDataSet master;
    master.LoadRows(Places());
    TChildren detail;
    detail.SetMasterSource(&master);
    detail.Open();
    EXPECT_EQ(detail.RecordCount(), 1);
    EXPECT_EQ(detail.FieldByName("CHILD").AsString(), "1.0");

    master.Next();
    EXPECT_EQ(detail.RecordCount(), 2);
    master.Locate("NAME", "Tver");
    EXPECT_EQ(detail.RecordCount(), 3);
    EXPECT_EQ(detail.Asked, QVariantList({1LL, 2LL, 3LL}));

    // While the master's controls are disabled the detail waits, then reads once.
    master.DisableControls();
    master.First();
    master.Next();
    EXPECT_EQ(detail.Reads, 3);
    master.EnableControls();
    EXPECT_EQ(detail.Reads, 4);
    EXPECT_EQ(detail.RecordCount(), 2);

    // A closed detail is not reopened behind the caller's back.
    detail.Close();
    master.Last();
    EXPECT_FALSE(detail.Active());

    EXPECT_THROW(master.SetMasterSource(&detail), EDatabaseError);  // no circles
    EXPECT_THROW(detail.SetMasterSource(&detail), EDatabaseError);

    detail.SetMasterSource(nullptr);
    detail.Open();
    master.First();
    EXPECT_EQ(detail.Reads, 5);
}
