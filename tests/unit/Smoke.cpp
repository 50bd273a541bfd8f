#include <windows.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <cstddef>

#include "common/StreamWriter.h"

// The stream reader and the simulator take the layouts from this build's own types; they must be
// the ones a server of the same bitness writes.
TEST(Platform, StreamImagesHaveTheLayoutOfThisBitness) {
    EXPECT_EQ(kStreamImageBytes, sizeof(VARIANT));
    EXPECT_EQ(kStreamDescriptorBytes, sizeof(SAFEARRAY));
    EXPECT_EQ(kStreamDataPointerOffset, offsetof(SAFEARRAY, pvData));
    EXPECT_EQ(kStreamBoundOffset, offsetof(SAFEARRAY, rgsabound));
    EXPECT_EQ(sizeof(void*) == 8 ? 24u : 16u, sizeof(VARIANT));
}
