#include <gtest/gtest.h>

#include "DspUtils.h"

TEST(DspUtils, Smoke)
{
    DspUtils u;
    EXPECT_FLOAT_EQ(u.mapRange(0.0f, 1.0f, 80.0f, 100.0f, 0.5f), 90.0f);
}
