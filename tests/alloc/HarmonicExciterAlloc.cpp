#include <gtest/gtest.h>

#include "AllocationCounter.h"

#include "valve/HarmonicExciter.h"

#include <vector>

namespace
{
const float harmonics[10] = {1.0f, 0.0f, -1.0f, 0.0f, 1.0f, 0.0f, -1.0f, 0.0f, 1.0f, 0.0f};

void changeBlock(HarmonicExciter& x, int block)
{
    x.setNumSamples(block);
    x.setBlockSize(block);
}
} // namespace

TEST(HarmonicExciterAlloc, BlocksUpToThePreparedSizeAllocateNothing)
{
    const int maxBlock = 512;
    HarmonicExciter x;
    x.setSampleRate(44100.0);
    changeBlock(x, maxBlock);
    x.init(harmonics, 20.0f, 20000.0f, 1.0f);

    std::vector<float> a(maxBlock, 0.25f), b(maxBlock, -0.25f);
    ScopedAllocationCounter counter;
    for (int block : {512, 256, 100, 1, 512, 333})
    {
        changeBlock(x, block);
        x.process(a.data(), b.data());
    }
    EXPECT_EQ(counter.count(), 0);
}

TEST(HarmonicExciterAlloc, HighpassCrossfadeAllocatesNothing)
{
    const int maxBlock = 256;
    HarmonicExciter x;
    x.setSampleRate(48000.0);
    changeBlock(x, maxBlock);
    x.init(harmonics, 20.0f, 20000.0f, 1.0f);
    x.setHighpass(1, 80.0f); // first change after init: no fade

    std::vector<float> a(maxBlock, 0.25f), b(maxBlock, -0.25f);
    ScopedAllocationCounter counter;
    x.setHighpass(1, 480.0f); // 500 Hz from 100 Hz: fades over the next block
    x.setMix(1, 0.5f);
    changeBlock(x, 128);
    x.process(a.data(), b.data());
    EXPECT_EQ(counter.count(), 0);
}

TEST(HarmonicExciterAlloc, OnlyALargerBlockGrowsTheWorkBuffers)
{
    HarmonicExciter x;
    x.setSampleRate(44100.0);
    changeBlock(x, 128);
    x.init(harmonics, 20.0f, 20000.0f, 1.0f);

    {
        ScopedAllocationCounter counter;
        x.setBlockSize(64);
        x.setBlockSize(128);
        EXPECT_EQ(counter.count(), 0);
    }
    {
        ScopedAllocationCounter counter;
        x.setBlockSize(4096);
        EXPECT_GT(counter.count(), 0);
    }
}
