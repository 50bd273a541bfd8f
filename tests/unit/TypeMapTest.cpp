#include <gtest/gtest.h>

#include <set>

#include "variables/TypeMapTable.h"
#include "variables/VariableRecord.h"

namespace {

uint32_t Mapped(VARTYPE vt) {
    uint32_t type = 0xDEAD;
    EXPECT_TRUE(MapVarType(vt, &type)) << vt;
    return type;
}

TEST(TypeMapTest, EveryVarTypeIsListedOnce) {
    std::set<VARTYPE> seen;
    for (const TypeMapEntry& entry : TypeMapTable()) {
        EXPECT_TRUE(seen.insert(entry.vt).second) << entry.vt;
    }
}

TEST(TypeMapTest, TenTypesLeaveTheChoiceToTheUser) {
    int asked = 0;
    for (const TypeMapEntry& entry : TypeMapTable()) {
        asked += entry.type == KrAskUser ? 1 : 0;
    }
    EXPECT_EQ(10, asked);
}

TEST(TypeMapTest, SmallAndDecimalTypesWidenToKorvaneTypes) {
    EXPECT_EQ(KrWord, Mapped(VT_I1));
    EXPECT_EQ(KrWordUnsigned, Mapped(VT_UI1));
    EXPECT_EQ(KrFloat, Mapped(VT_R8));
    EXPECT_EQ(KrFloat, Mapped(VT_DECIMAL));
    EXPECT_EQ(KrDigit, Mapped(VT_BOOL));
    EXPECT_EQ(KrText, Mapped(VT_BSTR));
}

TEST(TypeMapTest, FlagsMatchOnlyAlone) {
    EXPECT_EQ(KrAskUser, Mapped(VT_BYREF));
    EXPECT_EQ(KrAskUser, Mapped(VT_ARRAY));
    EXPECT_FALSE(MapVarType(VT_BYREF | VT_I2, nullptr));
    EXPECT_FALSE(MapVarType(VT_ARRAY | VT_I2, nullptr));
}

TEST(TypeMapTest, TypesOutsideTheTableHaveNoEntry) {
    uint32_t type = 77;
    EXPECT_FALSE(MapVarType(VT_I8, &type));
    EXPECT_FALSE(MapVarType(VT_UI8, &type));
    EXPECT_EQ(77u, type);
}

}  // namespace
