#include <gtest/gtest.h>

#include "dynamics/SoftKneeCompressor.h"

#include <cmath>
#include <vector>

namespace
{
constexpr int exciterRow = 4;

void prepare(SoftKneeCompressor& c, double sampleRate, int row, double numSamples = 1.0)
{
    c.setSampleRate(sampleRate);
    c.setNumSamples(numSamples);
    c.init();
    c.loadPreset(row);
}

// Runs `count` samples of constant input, one block of that length.
void feed(SoftKneeCompressor& c, float first, float second, int count)
{
    std::vector<float> a((size_t)count, first), b((size_t)count, second);
    c.setNumSamples(count);
    c.process(a.data(), b.data());
}

// One sample; returns the processed pair.
std::pair<float, float> step(SoftKneeCompressor& c, float first, float second)
{
    c.setNumSamples(1.0);
    c.process(&first, &second);
    return {first, second};
}

double dbToGain(double db)
{
    return std::pow(10.0, db / 20.0);
}
} // namespace

TEST(SoftKneeCompressor, PresetRowsSetAllNineParametersInColumnOrder)
{
    const int expected[8][9] = {
        {-30, 2, -6, 20, 120, 1, 0, 0, 0}, {-26, 4, -8, 20, 120, 1, 10, 0, 0},
        {-24, 8, 0, 20, 10, 0, 0, 1, 0},   {-1, 15, 0, 5, 250, 0, 0, 1, 1},
        {-20, 15, -3, 5, 50, 0, 0, 1, 1},  {-3, 2, 0, 5, 50, 1, 0, 1, 0},
        {-60, 2, 0, 10, 500, 1, 0, 1, 1},  {-1, 15, 0, 5, 50, 0, 0, 1, 1},
    };
    for (int row = 0; row < 8; ++row)
    {
        SoftKneeCompressor c;
        prepare(c, 44100.0, row);
        for (int index = 0; index < 9; ++index)
            EXPECT_EQ(c.getParameter(index), expected[row][index]) << "row " << row << " index " << index;
    }
}

TEST(SoftKneeCompressor, RowOutsideTableAndIndexAboveEightChangeNoParameter)
{
    const int initDefaults[9] = {-24, 4, -10, 20, 50, 1, 30, 0, 0};
    for (int bad : {-1, 8, 100})
    {
        SoftKneeCompressor c;
        c.setSampleRate(44100.0);
        c.init();
        c.loadPreset(bad);
        c.setParameter(bad < 0 ? bad : bad + 1, 7);
        for (int index = 0; index < 9; ++index)
            EXPECT_EQ(c.getParameter(index), initDefaults[index]) << "bad " << bad << " index " << index;
    }
}

struct RateCase
{
    double sampleRate;
    int holdSamples;
    double attackCoef;
    double releaseCoef;
};

class SoftKneeRow4Rate : public ::testing::TestWithParam<RateCase>
{
};

// attack 5 ms, release 50 ms: coef = (1/fs) / (t + 1/fs); hold = floor(fs * 12.5 ms).
INSTANTIATE_TEST_SUITE_P(Rates, SoftKneeRow4Rate,
                         ::testing::Values(RateCase{44100.0, 551, 0.0045146727, 4.5330916e-4},
                                           RateCase{48000.0, 600, 0.0041493776, 4.1649313e-4}));

TEST_P(SoftKneeRow4Rate, DerivedValues)
{
    const auto p = GetParam();
    SoftKneeCompressor c;
    prepare(c, p.sampleRate, exciterRow);

    EXPECT_EQ(c.getHoldSamples(), p.holdSamples);
    EXPECT_NEAR(c.getAttackCoef(), p.attackCoef, 1e-6);
    EXPECT_NEAR(c.getReleaseCoef(), p.releaseCoef, 1e-7);
    // No automatic make-up: only the -3 dB output gain.
    EXPECT_NEAR(c.getMakeupGain(), dbToGain(-3.0), 1e-5);
    // No knee: the ratio applies from the threshold on.
    EXPECT_FLOAT_EQ(c.getKneeTop(), -20.0f);
    EXPECT_FLOAT_EQ(c.getThreshold(), -20.0f);
}

TEST_P(SoftKneeRow4Rate, PeakHoldsForHoldSamplesPlusOneThenDecays)
{
    const auto p = GetParam();
    SoftKneeCompressor c;
    prepare(c, p.sampleRate, exciterRow);

    step(c, 1.0f, 0.0f);
    ASSERT_FLOAT_EQ(c.getPeakHold(0).peakLevel, 1.0f);

    for (int n = 1; n <= p.holdSamples + 1; ++n)
    {
        step(c, 0.0f, 0.0f);
        ASSERT_EQ(c.getPeakHold(0).peakLevel, 1.0f) << "sample " << n;
    }
    float expected = 1.0f;
    for (int n = 0; n < 200; ++n)
    {
        step(c, 0.0f, 0.0f);
        expected *= 0.9998f;
        ASSERT_FLOAT_EQ(c.getPeakHold(0).peakLevel, expected) << "decay sample " << n;
    }
    // The second buffer saw nothing.
    EXPECT_EQ(c.getPeakHold(1).peakLevel, 0.0f);

    // A sample above the decayed peak (0.9998^200 = 0.9608) re-arms the hold at once.
    step(c, 0.98f, 0.0f);
    EXPECT_FLOAT_EQ(c.getPeakHold(0).peakLevel, 0.98f);
    EXPECT_EQ(c.getPeakHold(0).holdCount, 0);
}

TEST(SoftKneeCompressor, HeldPeakIsCappedAtTwenty)
{
    SoftKneeCompressor c;
    prepare(c, 44100.0, exciterRow);
    step(c, 50.0f, -30.0f);
    EXPECT_EQ(c.getPeakHold(0).peakLevel, 20.0f);
    EXPECT_EQ(c.getPeakHold(1).peakLevel, 20.0f);
}

TEST(SoftKneeCompressor, Row4TargetAtZeroDecibelEnvelope)
{
    SoftKneeCompressor c;
    prepare(c, 44100.0, exciterRow);
    // Full scale on both channels: the held peak is 1 and the envelope reaches exactly 1.
    feed(c, 1.0f, 1.0f, 4000);
    ASSERT_EQ(c.getPath(0).envelope, 1.0f);
    EXPECT_EQ(c.getPath(0).envelopeDb, 0.0f);

    // 10^((20/15 - 20)/20) * 10^(-3/20)
    const double expected = dbToGain(20.0 / 15.0 - 20.0) * dbToGain(-3.0);
    EXPECT_NEAR(c.getPath(0).targetGain, expected, 1e-5);
    EXPECT_NEAR(c.getPath(0).targetGain, 0.0825, 1e-4);
    EXPECT_NEAR(c.getPath(1).targetGain, expected, 1e-5);

    // Steady state: applied gain equals the target, and the output is below the clip.
    const auto out = step(c, 1.0f, 1.0f);
    EXPECT_NEAR(out.first, expected, 1e-5);
    EXPECT_NEAR(out.second, expected, 1e-5);
}

TEST(SoftKneeCompressor, QuietSignalGetsMakeupGainNotUnity)
{
    SoftKneeCompressor c;
    prepare(c, 44100.0, exciterRow);
    feed(c, 0.01f, 0.01f, 100); // -40 dB, far below -20 dB
    const auto out = step(c, 0.01f, -0.01f);
    EXPECT_NEAR(out.first, 0.01 * dbToGain(-3.0), 1e-7);
    EXPECT_NEAR(out.second, -0.01 * dbToGain(-3.0), 1e-7);
}

TEST(SoftKneeCompressor, AppliedGainBlendsPreviousAndCurrentTarget)
{
    SoftKneeCompressor c;
    prepare(c, 44100.0, exciterRow);

    // First sample after init: the previous target counts as 1.
    const float in1 = 0.5f;
    const auto out1 = step(c, in1, in1);
    const float target1 = c.getPath(0).targetGain;
    EXPECT_LT(target1, 1.0f);
    EXPECT_FLOAT_EQ(c.getPath(0).appliedGain, 0.6f + 0.4f * target1);
    EXPECT_FLOAT_EQ(out1.first, in1 * (0.6f + 0.4f * target1));

    // While the envelope rises through the threshold every sample has a new target.
    feed(c, 0.9f, 0.9f, 300);
    for (int i = 0; i < 50; ++i)
    {
        const float previous = c.getPath(0).targetGain;
        const auto out = step(c, 0.9f, -0.9f);
        const float current = c.getPath(0).targetGain;
        ASSERT_LT(current, previous);
        EXPECT_FLOAT_EQ(out.first, 0.9f * (0.6f * previous + 0.4f * current));
        EXPECT_FLOAT_EQ(out.second, -0.9f * (0.6f * previous + 0.4f * current));
    }
}

struct ClipCase
{
    int peakMode;
    float input;
    bool clipped;
};

class SoftKneeClip : public ::testing::TestWithParam<ClipCase>
{
};

INSTANTIATE_TEST_SUITE_P(Cases, SoftKneeClip,
                         ::testing::Values(ClipCase{1, 1.5f, true}, ClipCase{1, -1.5f, true},
                                           ClipCase{1, 0.5f, false}, ClipCase{0, 1.5f, false},
                                           ClipCase{0, -1.5f, false}));

TEST_P(SoftKneeClip, OutputClipFollowsPeakMode)
{
    const auto p = GetParam();
    SoftKneeCompressor c;
    prepare(c, 44100.0, exciterRow);
    c.setParameter(SoftKneeCompressor::peakModeParam, p.peakMode);

    // The first sample is scaled by 0.6 + 0.4 * target, with the envelope still far below -20 dB.
    const float firstGain = 0.6f + 0.4f * (float)dbToGain(-3.0);
    const auto out = step(c, p.input, -p.input);
    if (p.clipped)
    {
        EXPECT_EQ(out.first, std::copysign(0.999f, p.input));
        EXPECT_EQ(out.second, std::copysign(0.999f, -p.input));
    }
    else
    {
        EXPECT_NEAR(out.first, p.input * firstGain, 1e-5);
        EXPECT_NEAR(out.second, -p.input * firstGain, 1e-5);
    }
}

TEST(SoftKneeCompressor, LinkedModeUsesMeanOfDetectorsForBothChannels)
{
    // Row 0 is linked; the reference runs independently on the mean itself.
    SoftKneeCompressor linked, reference;
    prepare(linked, 44100.0, 0);
    prepare(reference, 44100.0, 0);
    reference.setParameter(SoftKneeCompressor::channelModeParam, 1);

    for (int i = 0; i < 3000; ++i)
    {
        const float a = 0.9f * std::sin(0.013f * (float)i);
        const float b = (i % 7 == 0 ? -0.4f : 0.05f);
        const float mean = (std::fabs(a) + std::fabs(b)) / 2.0f;

        const auto out = step(linked, a, b);
        step(reference, mean, mean);

        const float gain = reference.getPath(0).appliedGain;
        ASSERT_EQ(linked.getPath(0).appliedGain, gain) << "sample " << i;
        ASSERT_EQ(out.first, a * gain) << "sample " << i;
        ASSERT_EQ(out.second, b * gain) << "sample " << i;
    }
    // The mean did compress somewhere in the run.
    EXPECT_LT(linked.getPath(0).appliedGain, linked.getMakeupGain());
}

TEST(SoftKneeCompressor, IndependentModeKeepsChannelsApart)
{
    // Row 5: independent, threshold -3 dB, ratio 2, auto make-up of T/2 - T = +1.5 dB.
    SoftKneeCompressor c;
    prepare(c, 44100.0, 5);
    feed(c, 1.0f, 0.01f, 5000);

    EXPECT_NEAR(c.getMakeupGain(), dbToGain(1.5), 1e-5);
    EXPECT_NEAR(c.getPath(1).targetGain, dbToGain(1.5), 1e-5);
    // 0 dB is 3 dB over: half of it is taken off.
    EXPECT_NEAR(c.getPath(0).targetGain, dbToGain(1.5 - 1.5), 1e-4);
}

struct ProgrammeCase
{
    float drive;     // constant level that sets the envelope
    float nextInput; // one sample after it
};

class SoftKneeProgramme : public ::testing::TestWithParam<ProgrammeCase>
{
};

INSTANTIATE_TEST_SUITE_P(Cases, SoftKneeProgramme,
                         ::testing::Values(ProgrammeCase{0.5f, 0.8f}, ProgrammeCase{0.5f, 0.2f},
                                           ProgrammeCase{0.95f, 0.99f}, ProgrammeCase{0.95f, 0.3f},
                                           ProgrammeCase{0.92f, 0.99f}, ProgrammeCase{2.0f, 3.0f},
                                           ProgrammeCase{2.0f, 0.5f}));

TEST_P(SoftKneeProgramme, CoefficientsFollowTheEnvelope)
{
    const auto p = GetParam();
    SoftKneeCompressor c;
    prepare(c, 44100.0, 0); // no peak hold: the detector is |x|
    feed(c, p.drive, p.drive, 20000);

    const double e = c.getPath(0).envelope;
    ASSERT_NEAR(e, p.drive, 1e-3);
    const double ac = c.getAttackCoef();
    const double rc = c.getReleaseCoef();

    double attack, release;
    if (e < 0.9)
    {
        attack = ac;
        release = rc;
    }
    else if (e < 1.0)
    {
        attack = ac + (1.0 - ac) * (e - 0.9) * 10.0;
        release = rc / ((e - 0.9) * 9.0 + 1.0);
    }
    else
    {
        attack = 1.0;
        release = rc * 0.1;
    }

    step(c, p.nextInput, p.nextInput);
    EXPECT_NEAR(c.getPath(0).attackNow, attack, 1e-6);
    EXPECT_NEAR(c.getPath(0).releaseNow, release, 1e-8);

    const double x = p.nextInput;
    const double coef = x > e ? attack : release;
    EXPECT_NEAR(c.getPath(0).envelope, x * coef + e * (1.0 - coef), 1e-6);
    if (e >= 1.0 && x > e)
    {
        EXPECT_EQ(c.getPath(0).envelope, p.nextInput); // instant attack
    }
}

TEST(SoftKneeCompressor, ProgrammeDependentAttackIsFasterBetweenPointNineAndOne)
{
    // The share of the distance to a louder input covered in one sample.
    SoftKneeCompressor below, inside;
    prepare(below, 44100.0, 0);
    prepare(inside, 44100.0, 0);
    feed(below, 0.85f, 0.85f, 20000);
    feed(inside, 0.95f, 0.95f, 20000);
    const float eBelow = below.getPath(0).envelope;
    const float eInside = inside.getPath(0).envelope;

    step(below, 1.0f, 1.0f);
    step(inside, 1.1f, 1.1f);
    const float riseBelow = (below.getPath(0).envelope - eBelow) / (1.0f - eBelow);
    const float riseInside = (inside.getPath(0).envelope - eInside) / (1.1f - eInside);
    EXPECT_NEAR(riseBelow, below.getAttackCoef(), 1e-4);
    // (0.95 - 0.9) * 10: half way to instant.
    EXPECT_NEAR(riseInside, 0.5f + 0.5f * inside.getAttackCoef(), 1e-3);
}

TEST(SoftKneeCompressor, KneeGainOfRowOne)
{
    // Row 1: T = -26, R = 4, gain -8 dB, auto make-up, knee 10 %.
    SoftKneeCompressor c;
    prepare(c, 44100.0, 1);

    const double T = -26.0;
    const double k = 10.0 / 100.1;
    const double W = -(k * T); // 2.5974
    const double T2 = T + W;   // -23.4026
    const double log2Ratio = 2.0;
    const double M = T2 / 4.0 + (k * T / log2Ratio - T); // 18.8506
    EXPECT_NEAR(c.getKneeWidth(), W, 1e-5);
    EXPECT_NEAR(c.getKneeTop(), T2, 1e-5);
    EXPECT_NEAR(c.getMakeupDb(), M, 1e-4);
    EXPECT_NEAR(c.getMakeupGain(), dbToGain(-8.0 + M), 1e-4);

    // Settle the envelope at -25 dB, 1 dB into the knee.
    const float level = (float)dbToGain(-25.0);
    feed(c, level, level, 30000);
    const double L = c.getPath(0).envelopeDb;
    ASSERT_NEAR(L, -25.0, 1e-3);
    ASSERT_GE(L, T);
    ASSERT_LT(L, T2);

    const double r = (log2Ratio - 1.0) * (L - T) / W + 1.0;
    const double expected = dbToGain((L - T) / r + T - L) * dbToGain(-8.0 + M);
    EXPECT_NEAR(c.getPath(0).targetGain, expected, expected * 1e-5);
    // By hand at exactly -25 dB: r = 1.385, gain = 10^((1/1.385 - 1 - 8 + 18.8506)/20).
    EXPECT_NEAR(c.getPath(0).targetGain, 3.37780, 2e-3);
}

TEST(SoftKneeCompressor, TargetGainIsFlooredAtMinus100Decibels)
{
    // Row 2 without make-up; an output gain of -120 dB puts the target below the floor.
    SoftKneeCompressor c;
    prepare(c, 44100.0, 2);
    c.setParameter(SoftKneeCompressor::gainParam, -120);
    feed(c, 0.001f, 0.5f, 10);
    EXPECT_EQ(c.getPath(0).targetGain, 1e-5f);
    EXPECT_EQ(c.getPath(1).targetGain, 1e-5f);
    const auto out = step(c, 0.001f, 0.5f);
    EXPECT_FLOAT_EQ(out.first, 0.001f * 1e-5f);
    EXPECT_FLOAT_EQ(out.second, 0.5f * 1e-5f);
}

TEST(SoftKneeCompressor, ZeroSamplesLeavesBuffersAndStateAlone)
{
    SoftKneeCompressor c;
    prepare(c, 44100.0, exciterRow);
    feed(c, 0.7f, 0.7f, 50);
    const auto before = c.getPath(0);
    const auto peakBefore = c.getPeakHold(0);

    float a[4] = {2.0f, -2.0f, 0.3f, 0.1f};
    float b[4] = {1.5f, 0.2f, -0.3f, 0.0f};
    c.setNumSamples(0.0);
    c.process(a, b);
    EXPECT_EQ(a[0], 2.0f);
    EXPECT_EQ(b[0], 1.5f);
    EXPECT_EQ(c.getPath(0).envelope, before.envelope);
    EXPECT_EQ(c.getPath(0).targetGain, before.targetGain);
    EXPECT_EQ(c.getPeakHold(0).holdCount, peakBefore.holdCount);
}

TEST(SoftKneeCompressor, FractionalSampleCountRunsUpToIt)
{
    SoftKneeCompressor c;
    prepare(c, 44100.0, exciterRow);
    float a[4] = {0.1f, 0.1f, 0.1f, 0.1f};
    float b[4] = {0.1f, 0.1f, 0.1f, 0.1f};
    c.setNumSamples(2.5); // samples 0, 1 and 2
    c.process(a, b);
    EXPECT_LT(a[2], 0.1f);
    EXPECT_EQ(a[3], 0.1f);
    EXPECT_EQ(b[3], 0.1f);
}

TEST(SoftKneeCompressor, InitResetsStateButRateWaitsForIt)
{
    SoftKneeCompressor c;
    prepare(c, 44100.0, exciterRow);
    feed(c, 0.9f, 0.9f, 500);

    // A new rate alone changes neither the hold time nor the coefficients.
    c.setSampleRate(48000.0);
    c.loadPreset(exciterRow);
    EXPECT_EQ(c.getHoldSamples(), 551);
    EXPECT_NEAR(c.getAttackCoef(), 0.0045146727, 1e-6);

    c.init();
    EXPECT_EQ(c.getHoldSamples(), 600);
    EXPECT_EQ(c.getPath(0).envelope, 0.0f);
    EXPECT_EQ(c.getPath(0).prevTargetGain, 1.0f);
    EXPECT_EQ(c.getPeakHold(0).peakLevel, 0.0f);
    EXPECT_EQ(c.getPeakHold(0).holdCount, 0);
    c.loadPreset(exciterRow);
    EXPECT_NEAR(c.getAttackCoef(), 0.0041493776, 1e-6);
}
