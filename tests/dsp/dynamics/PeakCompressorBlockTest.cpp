#include <gtest/gtest.h>

#include "../BlockPathSignals.h"
#include "dynamics/PeakCompressor.h"

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
// Output samples; the envelope in dB relative to its size above 1 dB (it reaches hundreds of dB). The
// block path takes levels and gains in single precision.
constexpr double kSampleTolerance = 1e-6;
constexpr double kEnvelopeTolerance = 1e-5;

struct Setting
{
    const char* name;
    double thresholdDb;
    double inverseRatio;
    double attackMs;
    double releaseMs;
    float outputGain;
};

const Setting kSettings[] = {
    {"fresh", 0.0, 1.0, 0.05, 500.0, 1.0f},       {"pluginDefaults", -1.0, 0.8, 0.1, 100.0, 0.063f},
    {"everyStage", -18.4, 0.5, 0.1, 100.0, 1.0f}, {"hardAndSlow", -30.0, 0.1, 30.0, 2000.0, 2.0f},
    {"instant", -20.0, 0.25, 0.0, 0.0, 1.5f},     {"expander", -10.0, 1.5, 3.0, 600.0, 0.5f},
};

void configure(peak_dynamics::PeakCompressor& c, const Setting& s)
{
    c.setSampleRate(48000.0);
    c.setThresh(s.thresholdDb);
    c.setRatio(s.inverseRatio);
    c.setAttack(s.attackMs);
    c.setRelease(s.releaseMs);
    c.outputGain = s.outputGain;
}

class PeakCompressorBlockPath : public testing::TestWithParam<Setting>
{
};

// The owner's per-sample loop against the block path, block after block.
TEST_P(PeakCompressorBlockPath, MatchesThePerSampleLoopInOutputAndState)
{
    const Setting& setting = GetParam();
    for (const StereoSignal& signal : makeSignals(kLength))
    {
        SCOPED_TRACE(signal.name);
        peak_dynamics::PeakCompressor reference, block;
        configure(reference, setting);
        configure(block, setting);

        std::vector<float> refL = signal.left, refR = signal.right;
        std::vector<float> blkL = signal.left, blkR = signal.right;

        for (const auto& [start, n] : blockSchedule(kLength))
        {
            for (int i = start; i < start + n; ++i)
            {
                double l = refL[(size_t)i], r = refR[(size_t)i];
                reference.process(l, r);
                refL[(size_t)i] = (float)l;
                refR[(size_t)i] = (float)r;
            }
            block.processBlock(blkL.data() + start, blkR.data() + start, n);

            ASSERT_NEAR(block.envdB, reference.envdB, kEnvelopeTolerance * std::max(1.0, reference.envdB))
                << "after sample " << start + n;
            ASSERT_NEAR(block.gainReduction, reference.gainReduction, kSampleTolerance)
                << "after sample " << start + n;
        }

        for (size_t i = 0; i < refL.size(); ++i)
        {
            ASSERT_NEAR(blkL[i], refL[i], kSampleTolerance) << "left " << i;
            ASSERT_NEAR(blkR[i], refR[i], kSampleTolerance) << "right " << i;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Settings, PeakCompressorBlockPath, testing::ValuesIn(kSettings),
                         [](const testing::TestParamInfo<Setting>& info)
                         { return std::string(info.param.name); });

TEST(PeakCompressorBlockPath, FreshCompressorPassesEverySampleUnchanged)
{
    peak_dynamics::PeakCompressor c;
    std::vector<float> l = {0.5f, -1.0f, 1e-30f, 0.0f, 3.0f, -0.25f, 0.125f};
    std::vector<float> r = {-0.75f, 0.0f, 0.0f, -0.0f, 1.0f, 0.5f, -2.0f};
    const std::vector<float> l0 = l, r0 = r;
    c.processBlock(l.data(), r.data(), (int)l.size());
    EXPECT_EQ(l, l0);
    EXPECT_EQ(r, r0);
    EXPECT_EQ(c.gainReduction, 1.0f);
}

TEST(PeakCompressorBlockPath, NoPairsLeavesTheStateAlone)
{
    peak_dynamics::PeakCompressor c;
    c.envdB = 7.0;
    float l = 1.0f, r = 1.0f;
    c.processBlock(&l, &r, 0);
    EXPECT_EQ(c.envdB, 7.0);
    EXPECT_EQ(c.gainReduction, 0.0f);
    EXPECT_EQ(l, 1.0f);
}

// Threshold -20 dB, 4:1, instant attack, full scale: the envelope is 20 dB after the first pair and the
// gain 10^(-15/20); the block path must agree with the closed form, not only with the loop.
TEST(PeakCompressorBlockPath, FullScaleStepSettlesOnTheStaticCurve)
{
    peak_dynamics::PeakCompressor c;
    c.setThresh(-20.0);
    c.setRatio(0.25);
    c.setAttack(0.0);
    std::vector<float> l(9, 1.0f), r(9, -1.0f);
    c.processBlock(l.data(), r.data(), (int)l.size());
    const double gain = std::pow(10.0, -15.0 / 20.0);
    EXPECT_NEAR(c.envdB, 20.0, 1e-12);
    EXPECT_NEAR(c.gainReduction, gain, 1e-7);
    for (size_t i = 0; i < l.size(); ++i)
    {
        EXPECT_NEAR(l[i], gain, 1e-7);
        EXPECT_NEAR(r[i], -gain, 1e-7);
    }
}
} // namespace
