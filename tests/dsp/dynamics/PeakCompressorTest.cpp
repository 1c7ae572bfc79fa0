#include <gtest/gtest.h>

#include "dynamics/PeakCompressor.h"

#include <cmath>
#include <limits>

using peak_dynamics::AttackReleaseEnvelope;
using peak_dynamics::EnvelopeDetector;
using peak_dynamics::PeakCompressor;

namespace
{

double expectedCoef(double ms, double sampleRate)
{
    return std::exp(-1000.0 / (ms * sampleRate));
}

double dBToGain(double dB)
{
    return std::pow(10.0, dB / 20.0);
}

// Threshold -20 dB, ratio 4:1 and an instant attack: full scale sits 20 dB over and is cut by 15 dB.
PeakCompressor makeFourToOne(double sampleRate = 48000.0)
{
    PeakCompressor comp;
    comp.setSampleRate(sampleRate);
    comp.setThresh(-20.0);
    comp.setRatio(0.25);
    comp.setAttack(0.0);
    comp.setRelease(100.0);
    return comp;
}

TEST(PeakCompressor, ConstructorDefaults)
{
    const PeakCompressor comp;
    EXPECT_EQ(comp.getAttack(), 0.05);
    EXPECT_EQ(comp.getRelease(), 500.0);
    EXPECT_EQ(comp.getSampleRate(), 44100.0);
    EXPECT_EQ(comp.rel.getSampleRate(), 44100.0);
    EXPECT_DOUBLE_EQ(comp.att.coef, expectedCoef(0.05, 44100.0));
    EXPECT_DOUBLE_EQ(comp.rel.coef, expectedCoef(500.0, 44100.0));
    EXPECT_EQ(comp.gainReduction, 0.0f);
    EXPECT_EQ(comp.getThresh(), 0.0);
    EXPECT_EQ(comp.getRatio(), 1.0);
    EXPECT_EQ(comp.outputGain, 1.0f);
    EXPECT_EQ(comp.envdB, 1e-25);
}

// Ratio 1 and output gain 1 multiply by exp(0) * 1, whatever the level, so nothing may move by even one ulp.
TEST(PeakCompressor, FreshCompressorIsAnExactIdentity)
{
    const double pairs[][2] = {{0.0, 0.0},    {1.0, -1.0},    {0.3, -0.7},  {-8.0, 8.0},   {1e-30, 0.0},
                               {0.0, 1e-300}, {123.456, 0.1}, {-0.0, 0.25}, {0.999, 0.001}};
    PeakCompressor comp;
    ASSERT_EQ(comp.gainReduction, 0.0f);
    for (const auto& p : pairs)
    {
        double l = p[0], r = p[1];
        comp.process(l, r);
        EXPECT_EQ(l, p[0]);
        EXPECT_EQ(r, p[1]);
        EXPECT_EQ(comp.gainReduction, 1.0f);
    }
}

TEST(PeakCompressor, FirstFullScalePairIsCutByFifteenDecibels)
{
    const double gr = dBToGain(-15.0); // 0.177827941...
    for (float outputGain : {1.0f, 0.5f, 2.0f})
    {
        SCOPED_TRACE(testing::Message() << "outputGain " << outputGain);
        PeakCompressor comp = makeFourToOne();
        comp.outputGain = outputGain;
        double l = 1.0, r = -1.0;
        comp.process(l, r);

        EXPECT_DOUBLE_EQ(comp.envdB, 20.0 + 1e-25);
        EXPECT_NEAR(comp.gainReduction, 0.17783, 1e-5);
        // The meter's factor excludes the output gain; the samples include it.
        EXPECT_EQ(comp.gainReduction, static_cast<float>(l / outputGain));
        EXPECT_NEAR(l, outputGain * gr, 1e-12);
        EXPECT_EQ(r, -l);
    }
}

// The louder channel keys both, and both get the very same factor.
TEST(PeakCompressor, StereoLinkDetectsTheLargerMagnitude)
{
    const double pairs[][2] = {{0.5, -1.0}, {-1.0, 0.5}, {1.0, 1.0}, {-0.25, -1.0}, {1.0, 0.0}};
    const double gr = dBToGain(-15.0);
    for (const auto& p : pairs)
    {
        SCOPED_TRACE(testing::Message() << "pair " << p[0] << ", " << p[1]);
        PeakCompressor comp = makeFourToOne();
        double l = p[0], r = p[1];
        comp.process(l, r);
        EXPECT_DOUBLE_EQ(comp.envdB, 20.0 + 1e-25);
        EXPECT_NEAR(l, p[0] * gr, 1e-12);
        EXPECT_NEAR(r, p[1] * gr, 1e-12);
        // Scaling by 0.5, 0.25 or 1 is exact, so the two factors can be compared exactly.
        if (p[0] != 0.0 && p[1] != 0.0)
        {
            EXPECT_EQ(l / p[0], r / p[1]);
        }
    }
}

// When over equals envdB, either coefficient yields the same envelope, so one coefficient at a time is
// poisoned with NaN: the envelope turns NaN exactly when the poisoned one is read.
TEST(PeakCompressor, EqualityReleasesAndOnlyARiseAttacks)
{
    struct Case
    {
        double level;
        bool releases;
    } cases[] = {
        {1.0, true},  // over == envdB exactly
        {2.0, false}, // rising
        {0.5, true},  // falling
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();

    for (const auto& c : cases)
        for (bool poisonRelease : {false, true})
        {
            SCOPED_TRACE(testing::Message()
                         << "level " << c.level << ", poisoned " << (poisonRelease ? "release" : "attack"));
            PeakCompressor comp = makeFourToOne();
            double l = 1.0, r = 1.0;
            comp.process(l, r); // instant attack: envdB is now exactly this pair's over
            const double primed = comp.envdB;
            l = r = 1.0;
            (poisonRelease ? comp.rel.coef : comp.att.coef) = nan;
            if (c.level == 1.0)
            {
                // Same input, same over: make sure the case really is equality.
                ASSERT_EQ(std::log(1.0 + 1e-25) * 8.685889638065037 - comp.getThresh() + 1e-25, primed);
            }
            l = r = c.level;
            comp.process(l, r);
            EXPECT_EQ(std::isnan(comp.envdB), poisonRelease == c.releases);
        }
}

// A key exactly at the threshold is 0 dB over and still carries the offset, so it matches the resting
// envelope and releases; dropping the offset would let the envelope sink below 1e-25.
TEST(PeakCompressor, KeyExactlyAtThresholdReadsAsTheOffset)
{
    PeakCompressor comp = makeFourToOne();
    comp.setThresh(0.0);
    double l = 1.0, r = -1.0; // ln(1) = 0 dB exactly
    comp.process(l, r);
    EXPECT_EQ(comp.envdB, 1e-25);
    EXPECT_EQ(l, 1.0);
    EXPECT_EQ(comp.gainReduction, 1.0f);
}

TEST(PeakCompressor, ZeroMillisecondsGivesCoefficientZeroAndAnInstantEnvelope)
{
    EXPECT_EQ(EnvelopeDetector(0.0, 48000.0).coef, 0.0);

    EnvelopeDetector det(10.0, 48000.0);
    det.setTc(0.0);
    EXPECT_EQ(det.coef, 0.0);

    const AttackReleaseEnvelope env(0.0, 0.0, 44100.0);
    EXPECT_EQ(env.att.coef, 0.0);
    EXPECT_EQ(env.rel.coef, 0.0);

    PeakCompressor comp = makeFourToOne();
    comp.setRelease(0.0);
    ASSERT_EQ(comp.att.coef, 0.0);
    ASSERT_EQ(comp.rel.coef, 0.0);

    double l = 1.0, r = 1.0;
    comp.process(l, r);
    EXPECT_DOUBLE_EQ(comp.envdB, 20.0);
    l = r = 0.0;
    comp.process(l, r);
    EXPECT_EQ(comp.envdB, 1e-25);
    EXPECT_EQ(comp.gainReduction, 1.0f);
    l = r = 0.01; // below the threshold: untouched straight after the jump down
    comp.process(l, r);
    EXPECT_EQ(l, 0.01);
}

struct CoefCase
{
    double ms, sampleRate;
};

class EnvelopeDetectorCoef : public ::testing::TestWithParam<CoefCase>
{
};

TEST_P(EnvelopeDetectorCoef, MatchesTheClosedFormThroughEveryRoad)
{
    const auto c = GetParam();
    const double expected = expectedCoef(c.ms, c.sampleRate);

    const EnvelopeDetector built(c.ms, c.sampleRate);
    EXPECT_DOUBLE_EQ(built.coef, expected);

    EnvelopeDetector viaSetters(1.0, 1000.0);
    viaSetters.setTc(c.ms);
    viaSetters.setSampleRate(c.sampleRate);
    EXPECT_DOUBLE_EQ(viaSetters.coef, expected);
    EXPECT_EQ(viaSetters.getTc(), c.ms);
    EXPECT_EQ(viaSetters.getSampleRate(), c.sampleRate);

    AttackReleaseEnvelope env(c.ms, 2.0 * c.ms, c.sampleRate);
    EXPECT_DOUBLE_EQ(env.att.coef, expected);
    EXPECT_DOUBLE_EQ(env.rel.coef, expectedCoef(2.0 * c.ms, c.sampleRate));
    env.setAttack(3.0 * c.ms);
    env.setRelease(c.ms);
    EXPECT_DOUBLE_EQ(env.att.coef, expectedCoef(3.0 * c.ms, c.sampleRate));
    EXPECT_DOUBLE_EQ(env.rel.coef, expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, EnvelopeDetectorCoef,
                         ::testing::Values(CoefCase{0.05, 44100.0}, CoefCase{1.0, 48000.0},
                                           CoefCase{10.0, 96000.0}, CoefCase{500.0, 44100.0},
                                           CoefCase{2000.0, 192000.0}, CoefCase{0.001, 8000.0}));

TEST(PeakCompressor, NewSampleRateKeepsMillisecondsAndEnvelope)
{
    PeakCompressor comp = makeFourToOne(44100.0);
    comp.setAttack(10.0);
    comp.setRelease(200.0);
    double l = 1.0, r = 1.0;
    for (int i = 0; i < 100; ++i)
        comp.process(l = 1.0, r = 1.0);
    const double envelope = comp.envdB;

    for (double rate : {22050.0, 48000.0, 96000.0, 192000.0})
    {
        SCOPED_TRACE(testing::Message() << "rate " << rate);
        comp.setSampleRate(rate);
        EXPECT_EQ(comp.getSampleRate(), rate);
        EXPECT_EQ(comp.att.getSampleRate(), rate);
        EXPECT_EQ(comp.rel.getSampleRate(), rate);
        EXPECT_EQ(comp.getAttack(), 10.0);
        EXPECT_EQ(comp.getRelease(), 200.0);
        EXPECT_DOUBLE_EQ(comp.att.coef, expectedCoef(10.0, rate));
        EXPECT_DOUBLE_EQ(comp.rel.coef, expectedCoef(200.0, rate));
        EXPECT_EQ(comp.envdB, envelope);
    }

    comp.initRuntime();
    EXPECT_EQ(comp.envdB, 1e-25);
}

// A step of 20 dB over the threshold covers 1 - 1/e of the way in one attack time.
TEST(PeakCompressor, AttackCoversOneMinusOneOverEInOneTimeConstant)
{
    PeakCompressor comp = makeFourToOne(48000.0);
    comp.setAttack(10.0); // 480 samples
    double l, r;
    for (int i = 0; i < 480; ++i)
        comp.process(l = 1.0, r = 1.0);
    EXPECT_NEAR(comp.envdB, 20.0 * (1.0 - std::exp(-1.0)), 1e-9);
}

TEST(PeakCompressor, SilenceReleasesTowardOutputGain)
{
    constexpr double rate = 48000.0;
    constexpr int tau = 2400; // 50 ms
    PeakCompressor comp = makeFourToOne(rate);
    comp.setRelease(50.0);
    comp.outputGain = 0.5f;

    double l = 1.0, r = 1.0;
    comp.process(l, r);
    ASSERT_DOUBLE_EQ(comp.envdB, 20.0);

    double previous = comp.envdB;
    for (int i = 1; i <= 40 * tau; ++i)
    {
        comp.process(l = 0.0, r = 0.0);
        ASSERT_EQ(l, 0.0);
        ASSERT_LE(comp.envdB, previous);
        ASSERT_GE(comp.envdB, 1e-25);
        previous = comp.envdB;
        if (i == tau)
        {
            EXPECT_NEAR(comp.envdB, 20.0 * std::exp(-1.0), 1e-9);
            EXPECT_NEAR(comp.gainReduction, dBToGain(-0.75 * 20.0 * std::exp(-1.0)), 1e-6);
        }
    }

    // Forty time constants later the reduction has gone: a quiet pair gets the output gain alone.
    EXPECT_NEAR(comp.gainReduction, 1.0f, 1e-6);
    comp.process(l = 0.01, r = -0.02);
    EXPECT_DOUBLE_EQ(l, 0.005);
    EXPECT_DOUBLE_EQ(r, -0.01);
}

struct CurveCase
{
    double threshdB, ratio, key;
    float outputGain;
};

class PeakCompressorStaticCurve : public ::testing::TestWithParam<CurveCase>
{
};

// Settled output: T * (key / T)^ratio above the threshold T, key below it, times the output gain.
TEST_P(PeakCompressorStaticCurve, SettledLevelFollowsThreshold)
{
    const auto c = GetParam();
    const double t = dBToGain(c.threshdB);
    const double gr = c.key > t ? t * std::pow(c.key / t, c.ratio) / c.key : 1.0;

    struct Settle
    {
        double attackMs;
        int pairs;
    };
    for (const Settle s : {Settle{0.0, 1}, Settle{1.0, 4800}})
    {
        SCOPED_TRACE(testing::Message() << "attack " << s.attackMs << " ms");
        PeakCompressor comp = makeFourToOne();
        comp.setThresh(c.threshdB);
        comp.setRatio(c.ratio);
        comp.setAttack(s.attackMs);
        comp.outputGain = c.outputGain;
        double l = 0.0, r = 0.0;
        for (int i = 0; i < s.pairs; ++i)
            comp.process(l = -c.key, r = 0.5 * c.key);
        EXPECT_NEAR(l, -c.key * gr * c.outputGain, 1e-9 * c.key * gr * c.outputGain);
        EXPECT_NEAR(r, 0.5 * c.key * gr * c.outputGain, 1e-9 * c.key * gr * c.outputGain);
        EXPECT_NEAR(comp.gainReduction, gr, 1e-6 * gr);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, PeakCompressorStaticCurve,
                         ::testing::Values(CurveCase{-20.0, 0.25, 1.0, 1.0f},
                                           CurveCase{-20.0, 0.5, 0.5, 1.0f}, CurveCase{-10.0, 1.0, 0.8, 1.0f},
                                           CurveCase{-20.0, 0.0, 0.9, 1.0f}, CurveCase{0.0, 0.25, 2.0, 1.0f},
                                           CurveCase{-20.0, 0.25, 0.05, 1.0f},
                                           CurveCase{-20.0, 0.25, 1.0, 0.25f},
                                           // Ratio above 1 raises levels over the threshold (gr > 1).
                                           CurveCase{-20.0, 2.0, 0.5, 1.0f},
                                           CurveCase{-6.0, 3.0, 1.0, 1.0f}));

TEST(PeakCompressor, RatioAboveOneRaisesTheGain)
{
    PeakCompressor comp = makeFourToOne();
    comp.setRatio(2.0);
    double l = 0.5, r = 0.5; // 13.98 dB over -20 dB: raised by as much again
    comp.process(l, r);
    EXPECT_GT(comp.gainReduction, 1.0f);
    EXPECT_NEAR(l, 2.5, 1e-12);
}

} // namespace
