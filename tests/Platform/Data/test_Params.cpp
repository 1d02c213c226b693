#include <gtest/gtest.h>

#include "Platform/Data/DatabaseError.h"
#include "Platform/Data/Params.h"

TEST(Params, ByNameIgnoresCaseAndByPositionKeepsOrder) {
    TParams params;
    params.CreateParam("PID", TFieldType::Integer);
    params.CreateParam("PID_PARENT", TFieldType::Integer);
    params.CreateParam("RESULT", TFieldType::Integer, TParamDirection::Result);

    EXPECT_EQ(params.Count(), 3);
    EXPECT_EQ(&params.ParamByName("pid_parent"), &params[1]);
    EXPECT_EQ(params.IndexOf("Result"), 2);
    EXPECT_EQ(params.FindParam("PNAME"), nullptr);
    EXPECT_THROW(params.ParamByName("PNAME"), EDatabaseError);
    EXPECT_THROW(params[3], EDatabaseError);
    EXPECT_THROW(params[-1], EDatabaseError);

    params.Remove("pid");
    EXPECT_EQ(params[0].Name(), "PID_PARENT");
}

TEST(Params, NullHandling) {
    TParam p("PID");
    EXPECT_TRUE(p.IsNull());
    EXPECT_EQ(p.AsInteger(), 0);
    EXPECT_EQ(p.AsString(), "");
    EXPECT_FALSE(p.AsBoolean());

    p.SetAsInteger(0);  // zero is a value, not NULL
    EXPECT_FALSE(p.IsNull());
    p.Clear();
    EXPECT_TRUE(p.IsNull());

    p.SetAsString("");  // an empty text is a value as well
    EXPECT_FALSE(p.IsNull());
    p.SetValue(QVariant(QMetaType(QMetaType::QString)));  // a typed NULL is NULL
    EXPECT_TRUE(p.IsNull());

    TParam blob("PBMP16#16");
    blob.SetAsBytes(QByteArray());
    EXPECT_FALSE(blob.IsNull());
    EXPECT_EQ(blob.DataType(), TFieldType::Blob);
}

TEST(Params, TypedAccessConvertsAndTypesAnUntypedParam) {
    TParam p("X");
    p.SetAsString("17");
    EXPECT_EQ(p.DataType(), TFieldType::String);
    EXPECT_EQ(p.AsInteger(), 17);
    EXPECT_DOUBLE_EQ(p.AsFloat(), 17.0);

    p.SetAsFloat(2.5);
    EXPECT_EQ(p.DataType(), TFieldType::String);  // the first type sticks
    EXPECT_EQ(p.AsString(), "2.5");
    EXPECT_EQ(p.AsInteger(), 3);

    TParam described("PID", TFieldType::Float);
    described.SetAsInteger(5);
    EXPECT_EQ(described.DataType(), TFieldType::Float);  // a described type is kept
    EXPECT_EQ(described.AsInteger(), 5);

    TParam word("W");
    word.SetAsString("five");
    EXPECT_THROW(word.AsInteger(), EDatabaseError);
    word.SetAsBoolean(true);
    EXPECT_EQ(word.AsString(), "True");
}

TEST(Params, CopyAsideAndRestore) {
    TParams params;
    params.CreateParam("PID", TFieldType::Integer).SetAsInteger(7);
    params.CreateParam("PID_PARENT", TFieldType::Integer).SetAsInteger(3);
    params.CreateParam("RESULT", TFieldType::Integer, TParamDirection::Result);

    const TParams saved = params;  // definitions and values
    params.Clear();
    params.CreateParam("PID_PARENT");
    params.CreateParam("OTHER");
    params.AssignValues(saved);
    EXPECT_EQ(params.ParamByName("PID_PARENT").AsInteger(), 3);
    EXPECT_EQ(params.ParamByName("PID_PARENT").DataType(), TFieldType::Integer);
    EXPECT_TRUE(params.ParamByName("OTHER").IsNull());
    EXPECT_EQ(params.FindParam("PID"), nullptr);

    params.Assign(saved);
    ASSERT_EQ(params.Count(), 3);
    EXPECT_EQ(params[0].AsInteger(), 7);
    EXPECT_EQ(params[2].ParamType(), TParamDirection::Result);

    // The copy is deep: changing one side leaves the other alone.
    params[0].SetAsInteger(99);
    EXPECT_EQ(saved[0].AsInteger(), 7);

    const auto bound = params.BoundValues();
    ASSERT_EQ(bound.size(), 3u);
    EXPECT_EQ(bound[0].Name, "PID");
    EXPECT_EQ(bound[0].Value.toInt(), 99);
    EXPECT_EQ(bound[1].Type, TFieldType::Integer);
}
