#include <gtest/gtest.h>

#include "valve/ValveStage.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace
{
constexpr double kRate = 44100.0;
constexpr int kRow5 = 5;
constexpr int kRow6 = 6;

void prepareStage(ValveStage& stage, int blockSize, double rate = kRate)
{
    stage.setSampleRate(rate);
    stage.setBlockSize(blockSize);
    stage.setNumSamples(static_cast<double>(blockSize));
    stage.init();
    stage.activate();
}

// First output sample of a second-order highpass (Q 1) from cleared states: its b0.
double highpassB0(double hz, double rate = kRate)
{
    const double w = 6.283185 * hz / rate;
    const double d = 1.0 + std::sin(w) / 2.0;
    return (1.0 + std::cos(w)) / (2.0 * d);
}

// The tube curve before the DC blocker, with the live Q and dist and the offset from init().
double tubeCurve(const ValveStage& stage, double x)
{
    const double q = stage.tubeQ;
    const double dist = stage.tubeDist;
    if (q == 0.0)
        return x == 0.0 ? stage.tubeAtQ : x / (1.0 - std::exp(-dist * x));
    const double u = x - q;
    return (u == 0.0 ? stage.tubeAtQ : u / (1.0 - std::exp(-dist * u))) + stage.tubeOffset;
}

double softSaturation(double x, double t)
{
    if (std::isnan(x))
        return 0.0;
    if (x <= t)
        return x;
    const double d = x - t;
    const double k = d / (1.0 - t) + 1.0;
    return t + d / (k * k);
}

// Makes every step but the clamp, saturation, tube curve and DC blocker transparent for the first
// sample: the exciter adds nothing, the lowpass sits above the fixed-set limit (passes unchanged),
// pre-gain is 1 and the highpass scales the first sample by its b0.
void isolateCurve(ValveStage& stage, int highpassHz = 0)
{
    stage.setParameter(12, -100); // exciter mix 2 * (-1 + 1) = 0
    stage.setParameter(6, 30000);
    stage.setParameter(7, highpassHz); // 0 is raised to the filter's 0.1 Hz floor
    stage.setParameter(0, 0);          // clears states and drops the crossfades just armed
    stage.preGain = 1.0f;
    ASSERT_EQ(stage.exciter.getWetGain(), 0.0f);
}

std::vector<float> runBlock(ValveStage& stage, const std::vector<float>& a, const std::vector<float>& b,
                            std::vector<float>* bOut = nullptr)
{
    juce::AudioSampleBuffer buffer(2, static_cast<int>(a.size()));
    for (int i = 0; i < buffer.getNumSamples(); ++i)
    {
        buffer.setSample(0, i, a[static_cast<size_t>(i)]);
        buffer.setSample(1, i, b[static_cast<size_t>(i)]);
    }
    stage.processBlock(buffer);
    std::vector<float> out(buffer.getReadPointer(0), buffer.getReadPointer(0) + buffer.getNumSamples());
    if (bOut != nullptr)
        bOut->assign(buffer.getReadPointer(1), buffer.getReadPointer(1) + buffer.getNumSamples());
    return out;
}

float firstSample(ValveStage& stage, float x)
{
    return runBlock(stage, {x}, {x})[0];
}

std::vector<float> testSignal(int n, float amplitude)
{
    std::vector<float> s(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        s[static_cast<size_t>(i)] = amplitude * std::sin(0.07f * static_cast<float>(i)) +
                                    0.3f * amplitude * std::sin(0.61f * static_cast<float>(i));
    return s;
}

void expectNear(double actual, double expected, double relTol, double absTol = 1e-7)
{
    EXPECT_NEAR(actual, expected, std::abs(expected) * relTol + absTol);
}
} // namespace

// --- clamp and tube curve, first sample after a reset (the DC blocker passes it unchanged) ---

struct CurveCase
{
    const char* name;
    float input;       // value reaching the clamp
    double afterClamp; // value reaching the tube curve
};

class ValveStageCurve : public ::testing::TestWithParam<CurveCase>
{
};

TEST_P(ValveStageCurve, FirstSampleIsHighpassedTubeOfClampedInput)
{
    ValveStage stage;
    prepareStage(stage, 1);
    isolateCurve(stage);

    const double expected = highpassB0(0.1) * tubeCurve(stage, GetParam().afterClamp);
    expectNear(firstSample(stage, GetParam().input), expected, 2e-6);
}

INSTANTIATE_TEST_SUITE_P(
    ClampAndCurve, ValveStageCurve,
    ::testing::Values(CurveCase{"ThreeClampsToTwo", 3.0f, 2.0}, CurveCase{"HundredClampsToTwo", 100.0f, 2.0},
                      CurveCase{"TwoStays", 2.0f, 2.0}, CurveCase{"BelowTwoPasses", 1.5f, 1.5},
                      CurveCase{"MinusThreePasses", -3.0f, -3.0}, CurveCase{"ZeroMapsNearZero", 0.0f, 0.0},
                      CurveCase{"HalfPasses", 0.5f, 0.5}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ValveStage, CurveThroughZeroWithOffsetOfInit)
{
    ValveStage stage;
    prepareStage(stage, 1);
    // Q/(1 - exp(dist Q)) cancels the curve's value at x = 0.
    EXPECT_NEAR(tubeCurve(stage, 0.0), 0.0, 1e-6);
}

TEST(ValveStage, SampleAtQGivesSingularValuePlusOffset)
{
    ValveStage stage;
    prepareStage(stage, 1);
    isolateCurve(stage);

    const float expected = static_cast<float>(highpassB0(0.1)) * (stage.tubeAtQ + stage.tubeOffset);
    expectNear(firstSample(stage, stage.tubeQ), expected, 1e-6);
}

struct SingularCase
{
    const char* name;
    int bias; // p10; 127 puts Q at exactly 0
};

class ValveStageNearSingular : public ::testing::TestWithParam<SingularCase>
{
};

// Within a few ulps of the singular point, 1 - exp(-dist u) is 0 or a single rounding step, so the
// curve stays finite and near 1/dist; the quantised denominator allows it to be off by up to ~40%.
TEST_P(ValveStageNearSingular, NoInfinityWithinUlpsOfQ)
{
    for (int steps = -8; steps <= 8; ++steps)
    {
        ValveStage stage;
        prepareStage(stage, 1);
        stage.setParameter(10, GetParam().bias);
        isolateCurve(stage);

        float x = stage.tubeQ;
        for (int k = 0; k < std::abs(steps); ++k)
            x = std::nextafter(x, steps > 0 ? 1.0f : -1.0f);

        const float offset = stage.tubeQ != 0.0f ? stage.tubeOffset : 0.0f;
        const float out = firstSample(stage, x);
        ASSERT_TRUE(std::isfinite(out)) << "steps " << steps;
        EXPECT_NEAR(out - offset * highpassB0(0.1), stage.tubeAtQ, 0.5 * stage.tubeAtQ) << "steps " << steps;
        if (steps == 0)
            expectNear(out, highpassB0(0.1) * (stage.tubeAtQ + offset), 1e-6);
    }
}

INSTANTIATE_TEST_SUITE_P(Singular, ValveStageNearSingular,
                         ::testing::Values(SingularCase{"RowFiveQ", 112}, SingularCase{"QAtZero", 127}),
                         [](const auto& info) { return std::string(info.param.name); });

// --- soft saturation (t = 0.125 with row 5's bias 112) ---

struct SaturationCase
{
    const char* name;
    float input;
    double saturated;
};

class ValveStageSaturation : public ::testing::TestWithParam<SaturationCase>
{
};

TEST_P(ValveStageSaturation, FirstSampleIsCurveOfSaturatedInput)
{
    ValveStage stage;
    prepareStage(stage, 1);
    stage.setParameter(11, 1);
    isolateCurve(stage);
    ASSERT_EQ(stage.satThreshold, 0.125f);

    const double saturated = GetParam().saturated;
    EXPECT_NEAR(softSaturation(GetParam().input, 0.125), saturated, 1e-7);
    expectNear(firstSample(stage, GetParam().input), highpassB0(0.1) * tubeCurve(stage, saturated), 2e-6);
}

INSTANTIATE_TEST_SUITE_P(
    SoftSaturation, ValveStageSaturation,
    ::testing::Values(SaturationCase{"BelowThreshold", 0.1f, 0.1},
                      SaturationCase{"AtThreshold", 0.125f, 0.125},
                      SaturationCase{"PeakAtOne", 1.0f, 0.34375},
                      SaturationCase{"Half", 0.5f,
                                     0.125 + 0.375 / ((0.375 / 0.875 + 1.0) * (0.375 / 0.875 + 1.0))},
                      SaturationCase{"FallsBackAboveOne", 1.875f, 0.125 + 1.75 / 9.0},
                      SaturationCase{"NegativeUnchanged", -3.0f, -3.0},
                      SaturationCase{"NotANumberBecomesZero", std::numeric_limits<float>::quiet_NaN(), 0.0}),
    [](const auto& info) { return std::string(info.param.name); });

// --- DC blocker and filter position ---

TEST(ValveStage, DcBlockerFollowsItsRecurrence)
{
    constexpr int n = 32;
    ValveStage stage;
    prepareStage(stage, n);
    isolateCurve(stage, 0);

    std::vector<float> input(n);
    for (int i = 0; i < n; ++i)
        input[static_cast<size_t>(i)] = i < 12 ? 0.8f : (i < 20 ? 2.5f : -0.4f);

    // Reference in double: tube curve, DC blocker, then the 0.1 Hz highpass.
    const double w = 6.283185 * 0.1 / kRate, c = std::cos(w), alpha = std::sin(w) / 2.0, d = 1.0 + alpha;
    const double hb0 = (1.0 + c) / (2.0 * d), hb1 = -(1.0 + c) / d, ha1 = 2.0 * c / d,
                 ha2 = -(1.0 - alpha) / d;
    double prevOut = 0.0, prevIn = 0.0, x1 = 0.0, x2 = 0.0, y1 = 0.0, y2 = 0.0;

    const std::vector<float> out = runBlock(stage, input, input);
    for (int i = 0; i < n; ++i)
    {
        const double y = tubeCurve(stage, std::min(2.0, static_cast<double>(input[static_cast<size_t>(i)])));
        const double dc = static_cast<double>(stage.dcPole) * prevOut + y - prevIn;
        prevOut = dc;
        prevIn = y;
        const double hp = hb0 * dc + hb1 * x1 + hb0 * x2 + ha1 * y1 + ha2 * y2;
        x2 = x1;
        x1 = dc;
        y2 = y1;
        y1 = hp;
        EXPECT_NEAR(out[static_cast<size_t>(i)], hp, 1e-5) << "sample " << i;
    }
}

struct FilterOrderCase
{
    const char* name;
    int filtersFirst; // p9
    float input;
};

class ValveStageFilterOrder : public ::testing::TestWithParam<FilterOrderCase>
{
};

TEST_P(ValveStageFilterOrder, HighpassBeforeOrAfterTheCurve)
{
    ValveStage stage;
    prepareStage(stage, 1);
    stage.setParameter(9, GetParam().filtersFirst);
    isolateCurve(stage, 2000);

    const double b0 = highpassB0(2000.0);
    const double x = GetParam().input;
    const double expected = GetParam().filtersFirst != 0 ? tubeCurve(stage, std::min(2.0, b0 * x))
                                                         : b0 * tubeCurve(stage, std::min(2.0, x));
    expectNear(firstSample(stage, GetParam().input), expected, 1e-5);
}

INSTANTIATE_TEST_SUITE_P(FilterOrder, ValveStageFilterOrder,
                         ::testing::Values(FilterOrderCase{"AfterDcBlocker", 0, 1.0f},
                                           FilterOrderCase{"BeforeSaturation", 1, 1.0f},
                                           FilterOrderCase{"AfterDcBlockerClamped", 0, 3.0f},
                                           FilterOrderCase{"BeforeClamp", 1, 3.0f}),
                         [](const auto& info) { return std::string(info.param.name); });

// --- pre-gain and init ---

TEST(ValveStage, StereoPreGainScalesBothChannels)
{
    ValveStage stage;
    prepareStage(stage, 1);
    const float preGain = stage.preGain;
    isolateCurve(stage);
    stage.preGain = preGain;

    std::vector<float> b;
    const std::vector<float> a = runBlock(stage, {0.5f}, {-0.25f}, &b);
    const double b0 = highpassB0(0.1);
    expectNear(a[0], b0 * tubeCurve(stage, 0.5 * preGain), 2e-6);
    expectNear(b[0], b0 * tubeCurve(stage, -0.25 * preGain), 2e-6);
}

struct InitCase
{
    const char* name;
    double rate;
};

class ValveStageInit : public ::testing::TestWithParam<InitCase>
{
};

TEST_P(ValveStageInit, ComputesRowFiveValues)
{
    ValveStage stage;
    stage.loadPreset(kRow6);
    stage.setParameter(3, 127);
    prepareStage(stage, 64, GetParam().rate);

    for (int i = 0; i < ValveStage::kNumParameters; ++i)
        EXPECT_EQ(stage.params[i], ValveStage::kValvePresets[kRow5][i]) << "p" << i;

    const double q = 112.0 / 127.0 - 1.0;
    const double dist = 80.0 / 127.0 * 5.0 + 0.5;
    expectNear(stage.preGain, std::pow(4.0, 48.0 / 127.0), 1e-6);
    expectNear(stage.tubeQ, q, 1e-6);
    expectNear(stage.tubeDist, dist, 1e-6);
    expectNear(stage.tubeAtQ, 1.0 / dist, 1e-6);
    expectNear(stage.tubeOffset, q / (1.0 - std::exp(dist * q)), 1e-5);
    expectNear(stage.dcPole, 1.0 - 40.0 / GetParam().rate, 1e-7);

    const float expectedHarmonics[10] = {1, 0, -1, 0, 1, 0, -1, 0, 1, 0};
    for (int k = 0; k < 10; ++k)
        EXPECT_EQ(stage.harmonics[k], expectedHarmonics[k]);
    EXPECT_EQ(stage.lowpassA.getCutoff(), 5020.0f);
    EXPECT_EQ(stage.highpassB.getCutoff(), 55.0f);
}

INSTANTIATE_TEST_SUITE_P(Rates, ValveStageInit,
                         ::testing::Values(InitCase{"At44k1", 44100.0}, InitCase{"At48k", 48000.0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ValveStage, RowSixThenInitLeavesRowFive)
{
    ValveStage stage;
    prepareStage(stage, 64);
    stage.loadPreset(kRow6);
    EXPECT_EQ(stage.params[6], 14020);
    EXPECT_EQ(stage.lowpassA.getCutoff(), 14020.0f);
    EXPECT_EQ(stage.params[3], 60);

    stage.init();
    for (int i = 0; i < ValveStage::kNumParameters; ++i)
        EXPECT_EQ(stage.params[i], ValveStage::kValvePresets[kRow5][i]) << "p" << i;
    EXPECT_EQ(stage.lowpassB.getCutoff(), 5020.0f);
    EXPECT_EQ(stage.highpassA.getCutoff(), 55.0f);
}

TEST(ValveStage, InitOnlyValuesIgnoreLaterParameters)
{
    ValveStage stage;
    prepareStage(stage, 64);
    const float preGain = stage.preGain, offset = stage.tubeOffset, atQ = stage.tubeAtQ, pole = stage.dcPole;

    stage.setParameter(3, 127);
    stage.setParameter(5, 1);
    stage.setParameter(10, 20);
    stage.setSampleRate(96000.0);

    EXPECT_EQ(stage.tubeDist, 5.5f);
    EXPECT_EQ(stage.preGain, preGain);
    EXPECT_EQ(stage.tubeOffset, offset);
    EXPECT_EQ(stage.tubeAtQ, atQ);
    EXPECT_EQ(stage.dcPole, pole);
}

// --- parameter handling ---

struct ParameterCase
{
    const char* name;
    int index;
    int value;
    int storedIndex; // -1: nothing may change
    int storedValue;
};

class ValveStageParameter : public ::testing::TestWithParam<ParameterCase>
{
};

TEST_P(ValveStageParameter, StoresOrIgnores)
{
    ValveStage stage;
    prepareStage(stage, 64);
    int before[ValveStage::kNumParameters];
    std::copy(std::begin(stage.params), std::end(stage.params), before);
    const float q = stage.tubeQ, dist = stage.tubeDist, t = stage.satThreshold;

    stage.setParameter(GetParam().index, GetParam().value);

    for (int i = 0; i < ValveStage::kNumParameters; ++i)
        EXPECT_EQ(stage.params[i], i == GetParam().storedIndex ? GetParam().storedValue : before[i])
            << "p" << i;
    if (GetParam().storedIndex < 0)
    {
        EXPECT_EQ(stage.tubeQ, q);
        EXPECT_EQ(stage.tubeDist, dist);
        EXPECT_EQ(stage.satThreshold, t);
    }
}

INSTANTIATE_TEST_SUITE_P(Ranges, ValveStageParameter,
                         ::testing::Values(ParameterCase{"IndexThirteenIgnored", 13, 5, -1, 0},
                                           ParameterCase{"IndexMinusOneIgnored", -1, 5, -1, 0},
                                           ParameterCase{"InvertCappedAtOne", 5, 7, 5, 1},
                                           ParameterCase{"InvertNegativeKept", 5, -3, 5, -3},
                                           ParameterCase{"StereoCappedAtOne", 8, 7, 8, 1},
                                           ParameterCase{"StereoNegativeKept", 8, -2, 8, -2},
                                           ParameterCase{"UnusedStoredUnchecked", 1, 999, 1, 999},
                                           ParameterCase{"DriveUnchecked", 3, 500, 3, 500}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ValveStage, BiasAndDriveSetLiveValues)
{
    ValveStage stage;
    prepareStage(stage, 64);

    stage.setParameter(10, 64);
    EXPECT_EQ(stage.tubeQ, 64.0f / 127.0f - 1.0f);
    EXPECT_EQ(stage.satThreshold, 0.5f);

    stage.setParameter(3, 0);
    EXPECT_EQ(stage.tubeDist, 0.5f);
    stage.setParameter(3, 127);
    EXPECT_EQ(stage.tubeDist, 5.5f);
}

TEST(ValveStage, NegativeStereoValueProcessesLikeStereo)
{
    const std::vector<float> a = testSignal(64, 0.6f), b = testSignal(64, -0.4f);
    std::vector<float> outputs[3][2];
    const int stereoValues[3] = {1, -2, 0};
    for (int k = 0; k < 3; ++k)
    {
        ValveStage stage;
        prepareStage(stage, 64);
        stage.setParameter(8, stereoValues[k]);
        outputs[k][0] = runBlock(stage, a, b, &outputs[k][1]);
    }
    EXPECT_EQ(outputs[1][0], outputs[0][0]);
    EXPECT_EQ(outputs[1][1], outputs[0][1]);
    EXPECT_NE(outputs[2][1], outputs[0][1]);
}

struct ExciterAmountCase
{
    const char* name;
    int amount; // p12
    float highpassHz;
    float wetGain;
};

class ValveStageExciterAmount : public ::testing::TestWithParam<ExciterAmountCase>
{
};

TEST_P(ValveStageExciterAmount, MovesHighpassAndMixFromTheirBases)
{
    ValveStage stage;
    prepareStage(stage, 64);
    stage.setParameter(12, GetParam().amount);
    EXPECT_FLOAT_EQ(stage.exciter.getHighpass(0).getCutoff(), GetParam().highpassHz);
    EXPECT_FLOAT_EQ(stage.exciter.getHighpass(1).getCutoff(), GetParam().highpassHz);
    EXPECT_FLOAT_EQ(stage.exciter.getWetGain(), GetParam().wetGain);
}

// Bases after init(): 20 Hz and mix 1.0, so wet gain is 2 * (p12 / 100 + 1).
INSTANTIATE_TEST_SUITE_P(ExciterAmount, ValveStageExciterAmount,
                         ::testing::Values(ExciterAmountCase{"Half", 50, 270.0f, 3.0f},
                                           ExciterAmountCase{"Full", 100, 20.0f, 4.0f},
                                           ExciterAmountCase{"None", 0, 520.0f, 2.0f}),
                         [](const auto& info) { return std::string(info.param.name); });

// --- resets, activation, block lengths ---

struct ResetCase
{
    const char* name;
    void (*action)(ValveStage&);
    bool clears;
};

class ValveStageReset : public ::testing::TestWithParam<ResetCase>
{
};

TEST_P(ValveStageReset, ClearsDcStates)
{
    ValveStage stage;
    prepareStage(stage, 64);
    runBlock(stage, testSignal(64, 0.7f), testSignal(64, 0.5f));
    ASSERT_NE(stage.dcState[0], 0.0f);

    const float before[4] = {stage.dcState[0], stage.dcState[1], stage.dcState[2], stage.dcState[3]};
    GetParam().action(stage);
    for (int k = 0; k < 4; ++k)
        EXPECT_EQ(stage.dcState[k], GetParam().clears ? 0.0f : before[k]) << "state " << k;
}

INSTANTIATE_TEST_SUITE_P(
    Resets, ValveStageReset,
    ::testing::Values(ResetCase{"ResetParameterZero", [](ValveStage& s) { s.setParameter(0, 0); }, true},
                      ResetCase{"ResetParameterOne", [](ValveStage& s) { s.setParameter(0, 1); }, false},
                      ResetCase{"LoadPreset", [](ValveStage& s) { s.loadPreset(kRow6); }, true},
                      ResetCase{"Activate", [](ValveStage& s) { s.activate(); }, true},
                      ResetCase{"Init", [](ValveStage& s) { s.init(); }, true},
                      ResetCase{"BiasChange", [](ValveStage& s) { s.setParameter(10, 90); }, false}),
    [](const auto& info) { return std::string(info.param.name); });

struct InactiveCase
{
    const char* name;
    bool initialised;
};

class ValveStageInactive : public ::testing::TestWithParam<InactiveCase>
{
};

TEST_P(ValveStageInactive, LeavesBlockButPassesLengthOn)
{
    ValveStage stage;
    EXPECT_FALSE(stage.active);
    if (GetParam().initialised)
    {
        stage.setSampleRate(kRate);
        stage.setBlockSize(32);
        stage.setNumSamples(32.0);
        stage.init();
    }

    const std::vector<float> a = testSignal(64, 0.9f), b = testSignal(64, -0.3f);
    std::vector<float> bOut;
    EXPECT_EQ(runBlock(stage, a, b, &bOut), a);
    EXPECT_EQ(bOut, b);

    EXPECT_EQ(stage.blockSize, 64);
    for (const ZandralDSP::AnalogFilter* f :
         {&stage.lowpassA, &stage.lowpassB, &stage.highpassA, &stage.highpassB})
    {
        EXPECT_EQ(f->getNumSamples(), 64.0);
        EXPECT_EQ(f->getBlockSize(), 64);
    }
    EXPECT_EQ(stage.exciter.getBlockSize(), 64);
}

INSTANTIATE_TEST_SUITE_P(Inactive, ValveStageInactive,
                         ::testing::Values(InactiveCase{"NewStage", false},
                                           InactiveCase{"InitialisedStage", true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ValveStage, NewLengthReachesPartsBeforeTheBlock)
{
    const std::vector<float> a = testSignal(48, 0.8f), b = testSignal(48, 0.5f);

    ValveStage resized;
    prepareStage(resized, 32);
    std::vector<float> resizedB;
    const std::vector<float> resizedA = runBlock(resized, a, b, &resizedB);

    ValveStage prepared;
    prepareStage(prepared, 48);
    std::vector<float> preparedB;
    const std::vector<float> preparedA = runBlock(prepared, a, b, &preparedB);

    EXPECT_EQ(resizedA, preparedA);
    EXPECT_EQ(resizedB, preparedB);
    EXPECT_EQ(resized.blockSize, 48);
}

// --- mono mode ---

TEST(ValveStage, MonoSumsIntoFirstChannelAndOnlyClampsSecond)
{
    ValveStage stage;
    prepareStage(stage, 3);
    stage.setParameter(8, 0);
    isolateCurve(stage);

    std::vector<float> b;
    const std::vector<float> a = runBlock(stage, {0.3f, 0.0f, 0.0f}, {0.4f, 3.0f, -3.0f}, &b);
    expectNear(a[0], highpassB0(0.1) * tubeCurve(stage, 0.7f), 2e-6);
    EXPECT_EQ(b, (std::vector<float>{0.4f, 2.0f, -3.0f}));
}

TEST(ValveStage, MonoSecondChannelKeepsExciterContribution)
{
    constexpr int n = 256;
    ValveStage stage;
    prepareStage(stage, n);
    stage.setParameter(8, 0);

    // A second exciter set up as init() and row 5 set up the stage's.
    HarmonicExciter reference;
    reference.setSampleRate(kRate);
    reference.setBlockSize(n);
    reference.setNumSamples(n);
    const float none[10] = {};
    reference.init(none, 20.0f, 20000.0f, 1.0f);
    reference.setHarmonics(stage.harmonics);
    reference.setHighpass(1, 250.0f);
    reference.setMix(1, 0.5f);

    const std::vector<float> a = testSignal(n, 0.9f), b = testSignal(n, 1.4f);
    std::vector<float> refA(n), refB = b;
    for (int i = 0; i < n; ++i)
        refA[static_cast<size_t>(i)] =
            (a[static_cast<size_t>(i)] + b[static_cast<size_t>(i)]) * stage.preGain;
    reference.process(refA.data(), refB.data());

    std::vector<float> bOut;
    runBlock(stage, a, b, &bOut);
    bool exciterAddedSomething = false;
    for (int i = 0; i < n; ++i)
    {
        EXPECT_EQ(bOut[static_cast<size_t>(i)], std::min(refB[static_cast<size_t>(i)], 2.0f))
            << "sample " << i;
        exciterAddedSomething |= refB[static_cast<size_t>(i)] != b[static_cast<size_t>(i)];
    }
    EXPECT_TRUE(exciterAddedSomething);
}
