#include <gtest/gtest.h>

#include "AllocationCounter.h"

#include "filters/AnalogFilter.h"

#include <vector>

namespace
{
ZandralDSP::AnalogFilter preparedFilter(int type, int orderIndex, float cutoff, int length)
{
    ZandralDSP::AnalogFilter f;
    f.setSampleRate(44100.0);
    f.setNumSamples(length);
    f.setBlockSize(length);
    f.init(type, orderIndex, cutoff, 1.0f);
    return f;
}
} // namespace

// The crossfade scratch is reserved while preparing, so a fading block allocates nothing.
TEST(AnalogFilterAllocation, CrossfadingBlocksAllocateNothing)
{
    auto f = preparedFilter(3, 5, 1000.0f, 512);
    f.setCutoff(1000.0f);
    std::vector<float> block(512, 0.25f);

    long count = 0;
    {
        ScopedAllocationCounter counter;
        f.setCutoff(9000.0f);
        f.process(block.data());
        // A shorter block on the audio thread reuses the scratch.
        f.setNumSamples(256.0);
        f.setBlockSize(256);
        f.setCutoff(1000.0f);
        f.process(block.data());
        f.setNumSamples(512.0);
        f.setBlockSize(512);
        f.setCutoff(22000.0f);
        f.process(block.data());
        count = counter.count();
    }
    EXPECT_EQ(count, 0);
}

TEST(AnalogFilterAllocation, FadeInAfterInitAllocatesNothing)
{
    auto f = preparedFilter(2, 0, 22000.0f, 1024);
    ASSERT_TRUE(f.isCrossfadePending());
    std::vector<float> block(1024, 0.5f);

    long count = 0;
    {
        ScopedAllocationCounter counter;
        f.process(block.data());
        count = counter.count();
    }
    EXPECT_EQ(count, 0);
    EXPECT_FALSE(f.isCrossfadePending());
}
