#include "ComUnits/uOraFunctions.h"

#include <gtest/gtest.h>

#include "ComUnits/uAssert.h"
#include "Platform/Data/Params.h"

namespace {

TEST(SetParamIDTest, IdentifiersBelowOneTravelAsNull) {
    TParam param("PID_PARENT");
    SetParamID(param, 5);
    EXPECT_EQ(param.AsInteger(), 5);
    for (int none : {0, -1, -100}) {
        SetParamID(param, none);
        EXPECT_TRUE(param.IsNull()) << none;
        EXPECT_EQ(param.DataType(), TFieldType::Integer);
    }
}

TEST(SchemaNameTest, OnlyThePartBeforeTheFirstDotChanges) {
    QString name = "ORX.QXVERPLOCAT.GET_T#LOCATION";
    fSetShemaName(name, "qxvbase");
    EXPECT_EQ(name, "qxvbase.QXVERPLOCAT.GET_T#LOCATION");
    name = "xxx.LANG_PACK";
    fSetShemaName(name, "qxvbase");
    EXPECT_EQ(name, "qxvbase.LANG_PACK");
    name = "NODOT";
    try {
        fSetShemaName(name, "qxvbase");
        FAIL() << "no exception";
    } catch (const EGeneralError& e) {
        EXPECT_EQ(e.Text(), "uOraFunctions.fSetShemaName: Symbol \".\" is not found in \"NODOT\"");
    }
}

}  // namespace
