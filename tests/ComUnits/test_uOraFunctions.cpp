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
    name = "NODOT";  // its text, as the form shows it: the base form's creation test
    EXPECT_THROW(fSetShemaName(name, "qxvbase"), EGeneralError);
}

}  // namespace
