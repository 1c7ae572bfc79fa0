#include <gtest/gtest.h>

#include "../BlockPathSignals.h"
#include "dynamics/SoftKneeCompressor.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace
{
using block_path_signals::blockSchedule;
using block_path_signals::makeSignals;
using block_path_signals::StereoSignal;

constexpr int kLength = 4096;
constexpr double kTolerance = 1e-6;

// Absolute for values of order 1, relative for the dB values; infinities must match exactly.
void expectClose(float actual, float expected, const char* what, int row)
{
    if (std::isinf(expected))
    {
        EXPECT_EQ(actual, expected) << what << ", row " << row;
        return;
    }
    EXPECT_NEAR(actual, expected, kTolerance * std::max(1.0f, std::fabs(expected)))
        << what << ", row " << row;
}

void expectSameState(const SoftKneeCompressor& block, const SoftKneeCompressor& reference, int row)
{
    for (int p = 0; p < 2; ++p)
    {
        const auto& b = block.getPath(p);
        const auto& r = reference.getPath(p);
        expectClose(b.envelope, r.envelope, "envelope", row);
        expectClose(b.envelopeDb, r.envelopeDb, "envelopeDb", row);
        expectClose(b.attackNow, r.attackNow, "attackNow", row);
        expectClose(b.releaseNow, r.releaseNow, "releaseNow", row);
        expectClose(b.targetGain, r.targetGain, "targetGain", row);
        expectClose(b.prevTargetGain, r.prevTargetGain, "prevTargetGain", row);
        expectClose(b.appliedGain, r.appliedGain, "appliedGain", row);
        EXPECT_EQ(block.getPeakHold(p).holdCount, reference.getPeakHold(p).holdCount) << "row " << row;
        EXPECT_EQ(block.getPeakHold(p).peakLevel, reference.getPeakHold(p).peakLevel) << "row " << row;
    }
}

void prepare(SoftKneeCompressor& c, int row)
{
    c.setSampleRate(48000.0);
    c.setNumSamples(64.0);
    c.init();
    c.loadPreset(row);
}

class SoftKneeCompressorBlockPath : public testing::TestWithParam<int>
{
};

// Every preset row: linked and independent channels, peak hold on and off, knee or none.
TEST_P(SoftKneeCompressorBlockPath, MatchesProcessInOutputAndState)
{
    const int row = GetParam();
    for (const StereoSignal& signal : makeSignals(kLength))
    {
        SCOPED_TRACE(signal.name);
        SoftKneeCompressor reference, block;
        prepare(reference, row);
        prepare(block, row);

        std::vector<float> refA = signal.left, refB = signal.right;
        std::vector<float> blkA = signal.left, blkB = signal.right;

        for (const auto& [start, n] : blockSchedule(kLength))
        {
            reference.setNumSamples(n);
            block.setNumSamples(n);
            reference.process(refA.data() + start, refB.data() + start);
            block.processBlock(blkA.data() + start, blkB.data() + start);
            expectSameState(block, reference, row);
            if (HasFailure())
                FAIL() << "after sample " << start + n;
        }

        for (size_t i = 0; i < refA.size(); ++i)
        {
            ASSERT_NEAR(blkA[i], refA[i], kTolerance) << "first " << i;
            ASSERT_NEAR(blkB[i], refB[i], kTolerance) << "second " << i;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(PresetRows, SoftKneeCompressorBlockPath,
                         testing::Range(0, SoftKneeCompressor::numPresets));

// A fractional count runs every i below it, like process(); zero or less runs nothing.
TEST(SoftKneeCompressorBlockPath, SampleCountFollowsNumSamples)
{
    for (double numSamples : {0.0, -3.0, 2.5, 5.0})
    {
        SoftKneeCompressor reference, block;
        prepare(reference, 4);
        prepare(block, 4);
        reference.setNumSamples(numSamples);
        block.setNumSamples(numSamples);
        std::vector<float> refA(8, 0.9f), refB(8, -0.5f);
        std::vector<float> blkA = refA, blkB = refB;
        reference.process(refA.data(), refB.data());
        block.processBlock(blkA.data(), blkB.data());
        for (size_t i = 0; i < refA.size(); ++i)
        {
            EXPECT_NEAR(blkA[i], refA[i], kTolerance) << numSamples << " " << i;
            EXPECT_NEAR(blkB[i], refB[i], kTolerance) << numSamples << " " << i;
        }
        expectSameState(block, reference, 4);
    }
}

// A NaN sample, an infinite one and silence from init (envelope 0, -inf dB) go the same way.
TEST(SoftKneeCompressorBlockPath, NonFiniteInputAndZeroEnvelopeMatchProcess)
{
    for (int row : {0, 4})
    {
        SoftKneeCompressor reference, block;
        prepare(reference, row);
        prepare(block, row);
        std::vector<float> refA = {0.0f, 0.0f, 0.5f, std::nanf(""), 0.25f, 0.0f, 0.1f};
        std::vector<float> refB = {0.0f, 0.0f, -0.5f, 0.25f, INFINITY, 0.0f, 0.1f};
        std::vector<float> blkA = refA, blkB = refB;
        reference.setNumSamples((double)refA.size());
        block.setNumSamples((double)refA.size());
        reference.process(refA.data(), refB.data());
        block.processBlock(blkA.data(), blkB.data());
        auto expectSame = [&](float actual, float expected, size_t i)
        {
            if (std::isnan(expected))
                EXPECT_TRUE(std::isnan(actual)) << "row " << row << " " << i;
            else if (std::isinf(expected))
                EXPECT_EQ(actual, expected) << "row " << row << " " << i;
            else
                EXPECT_NEAR(actual, expected, kTolerance) << "row " << row << " " << i;
        };
        for (size_t i = 0; i < refA.size(); ++i)
        {
            expectSame(blkA[i], refA[i], i);
            expectSame(blkB[i], refB[i], i);
        }
    }
}
} // namespace
