#include <windows.h>
#include <gtest/gtest.h>
TEST(Platform, VariantIs16Bytes) {
    EXPECT_EQ(16u, sizeof(VARIANT));
}
