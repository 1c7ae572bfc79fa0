#include <gtest/gtest.h>

#include "FloatParameter.h"
#include "VornAudioProcessor.h"

#include <cmath>
#include <limits>
#include <vector>

namespace
{
const float kNaN = std::numeric_limits<float>::quiet_NaN();
const float kInf = std::numeric_limits<float>::infinity();

juce::AudioProcessorParameter& parameter(VornAudioProcessor& processor, int index)
{
    return *processor.getParameters()[index];
}

float decibels(double gain)
{
    return (float)(20.0 * std::log10(gain));
}

// Every DSP setting that a parameter writes, for before/after comparisons.
std::vector<double> dspSettings(const VornAudioProcessor& p)
{
    const auto& valve = p.valveProcessor;
    return {valve.settings[0],
            valve.settings[1],
            (double)valve.stage.params[3],
            (double)valve.stage.params[10],
            (double)valve.stage.params[6],
            valve.inputGain,
            p.compressor.getRatio(),
            p.compressor.getAttack(),
            p.compressor.getRelease(),
            p.compressor.getThresh(),
            p.compressor.outputGain,
            (double)p.compRatioStep,
            (double)p.compAttackStep,
            (double)p.compRecoveryStep,
            p.bypassed ? 1.0 : 0.0};
}

const char* const kNames[FloatParameter::numParameters] = {
    "Valve Drive", "Valve Bias",    "Valve Input",    "Valve Blend", "Valve Mode", "Comp Ratio",
    "Comp Attack", "Comp Recovery", "Comp Threshold", "Comp Blend",  "Output",     "Master Bypass"};
const char* const kIds[FloatParameter::numParameters] = {
    "ValveDrive", "ValveBias",    "ValveInput",    "ValveBlend", "ValveMode", "CompRatio",
    "CompAttack", "CompRecovery", "CompThreshold", "CompBlend",  "Output",    "MasterBypass"};
} // namespace

//==============================================================================
TEST(FloatParameter, IdentityOfAllTwelve)
{
    VornAudioProcessor processor;
    const auto& parameters = processor.getParameters();
    ASSERT_EQ(parameters.size(), FloatParameter::numParameters);

    FloatParameter* const pointers[] = {
        processor.valveDriveParam, processor.valveBiasParam,    processor.valveInputParam,
        processor.valveBlendParam, processor.valveModeParam,    processor.compRatioParam,
        processor.compAttackParam, processor.compRecoveryParam, processor.compThresholdParam,
        processor.compBlendParam,  processor.outputParam,       processor.masterBypassParam};

    for (int i = 0; i < FloatParameter::numParameters; ++i)
    {
        SCOPED_TRACE(kNames[i]);
        auto* p = dynamic_cast<FloatParameter*>(parameters[i]);
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(p, pointers[i]);
        EXPECT_EQ(p->getParameterIndex(), i);
        // Hosts may ask for short names; the whole name comes back.
        EXPECT_EQ(p->getName(8), kNames[i]);
        EXPECT_EQ(p->getName(1), kNames[i]);
        EXPECT_EQ(p->getParameterID(), kIds[i]);
        EXPECT_EQ(p->getVersionHint(), 1);
        EXPECT_EQ(p->getLabel(), "");
        EXPECT_EQ(p->getNumSteps(), 1000);
        const float expectedDefault = i == FloatParameter::masterBypass ? 1.0f : 0.0f;
        EXPECT_EQ(p->getDefaultValue(), expectedDefault);
        EXPECT_EQ(p->getValue(), expectedDefault);
        EXPECT_FALSE(p->isOrientationInverted());
        EXPECT_TRUE(p->isAutomatable());
        EXPECT_FALSE(p->isMetaParameter());
    }
}

// Each constructor pushed its default through the conversion.
TEST(FloatParameter, DefaultsReachTheDspBlocks)
{
    VornAudioProcessor processor;
    const auto& valve = processor.valveProcessor;
    EXPECT_EQ(valve.settings[0], 0.0f);
    EXPECT_EQ(valve.stage.params[3], 80);
    EXPECT_EQ(valve.stage.params[10], 70);
    EXPECT_NEAR(decibels(valve.inputGain), -30.0f, 1e-3f);
    EXPECT_EQ(valve.stage.params[6], ValveStage::kValvePresets[5][6]); // valve mode 0
    EXPECT_NEAR(processor.compressor.getRatio(), 0.800000011920929, 1e-15);
    EXPECT_NEAR(processor.compressor.getAttack(), 0.100000001490116, 1e-15);
    EXPECT_EQ(processor.compressor.getRelease(), 100.0);
    EXPECT_EQ(processor.compressor.getThresh(), -1.0);
    EXPECT_NEAR(decibels(processor.compressor.outputGain), -24.0f, 1e-3f);
    EXPECT_EQ(processor.compRatioStep, 0);
    EXPECT_EQ(processor.compAttackStep, 0);
    EXPECT_EQ(processor.compRecoveryStep, 0);
    EXPECT_FALSE(processor.bypassed);
    EXPECT_EQ(processor.currentSampleRate, 44100.0);
    EXPECT_EQ(processor.firstBlockProcessed, 0);
}

//==============================================================================
struct BandCase
{
    float v;
    int band; // -1: below 0 or NaN, the step field keeps its value
    double inverseRatio;
    double attackMs;
    double releaseMs;
};

class FloatParameterBands : public testing::TestWithParam<BandCase>
{
};

// The float steps 0.1f to 0.4f lie just above the double edges and open their band; 0 and 0.5
// compare in single precision.
TEST_P(FloatParameterBands, SteppedCompressorParameters)
{
    const auto c = GetParam();
    VornAudioProcessor processor;
    auto& compressor = processor.compressor;
    int* const steps[] = {&processor.compRatioStep, &processor.compAttackStep, &processor.compRecoveryStep};

    for (int k = 0; k < 3; ++k)
    {
        const int index = FloatParameter::compRatio + k;
        parameter(processor, index).setValue(0.3f);
        ASSERT_EQ(*steps[k], 3);
        parameter(processor, index).setValue(c.v);
        EXPECT_EQ(*steps[k], c.band < 0 ? 3 : c.band) << "parameter " << index;
    }

    EXPECT_NEAR(compressor.getRatio(), c.inverseRatio, 1e-15);
    EXPECT_NEAR(compressor.getAttack(), c.attackMs, 1e-15);
    EXPECT_EQ(compressor.getRelease(), c.releaseMs);
}

INSTANTIATE_TEST_SUITE_P(
    Edges, FloatParameterBands,
    testing::Values(BandCase{0.0f, 0, 0.800000011920929, 0.100000001490116, 100.0},
                    BandCase{-0.0f, 0, 0.800000011920929, 0.100000001490116, 100.0},
                    BandCase{0.0999f, 0, 0.800000011920929, 0.100000001490116, 100.0},
                    BandCase{0.1f, 1, 0.699999988079071, 0.300000011920929, 300.0},
                    BandCase{0.19999f, 1, 0.699999988079071, 0.300000011920929, 300.0},
                    BandCase{0.2f, 2, 0.600000023841858, 1.0, 600.0}, BandCase{0.3f, 3, 0.5, 3.0, 1200.0},
                    BandCase{0.4f, 4, 0.300000011920929, 10.0, 1500.0},
                    BandCase{0.4999f, 4, 0.300000011920929, 10.0, 1500.0},
                    BandCase{0.5f, 5, 0.100000001490116, 30.0, 2000.0},
                    BandCase{2.0f, 5, 0.100000001490116, 30.0, 2000.0},
                    BandCase{kInf, 5, 0.100000001490116, 30.0, 2000.0}, BandCase{-0.2f, -1, 1.5, 0.0, 0.0},
                    BandCase{-kInf, -1, 1.5, 0.0, 0.0}, BandCase{kNaN, -1, 1.5, 0.0, 0.0}));

//==============================================================================
// Closed forms of the continuous conversions, including values outside 0 to 1.
TEST(FloatParameter, ContinuousConversions)
{
    VornAudioProcessor processor;
    auto& valve = processor.valveProcessor;

    const struct
    {
        float v;
        int stageDrive;
    } drives[] = {{0.0f, 80}, {0.5f, 90}, {0.999f, 99}, {1.0f, 100}, {1.5f, 110}, {-0.25f, 75}};
    for (const auto& d : drives)
    {
        parameter(processor, FloatParameter::valveDrive).setValue(d.v);
        EXPECT_EQ(valve.settings[0], d.v);
        EXPECT_EQ(valve.stage.params[3], d.stageDrive) << d.v;
    }

    const struct
    {
        float v;
        int stageBias;
    } biases[] = {{0.0f, 70}, {0.25f, 80}, {0.5f, 91}, {1.0f, 112}, {1.5f, 133}, {-2.0f, -14}};
    for (const auto& b : biases)
    {
        parameter(processor, FloatParameter::valveBias).setValue(b.v);
        EXPECT_EQ(valve.stage.params[10], b.stageBias) << b.v;
    }

    for (const float v : {0.0f, 0.25f, 0.5f, 1.0f, 2.0f, -1.0f})
    {
        SCOPED_TRACE(v);
        parameter(processor, FloatParameter::valveInput).setValue(v);
        EXPECT_NEAR(decibels(valve.inputGain), -30.0f + 30.0f * v, 1e-3f);

        parameter(processor, FloatParameter::output).setValue(v);
        EXPECT_NEAR(decibels(processor.compressor.outputGain), -24.0f + 30.02f * v, 5e-3f);

        parameter(processor, FloatParameter::compThreshold).setValue(v);
        EXPECT_EQ(processor.compressor.getThresh(), -29.0 * v - 1.0);
    }

    parameter(processor, FloatParameter::valveInput).setValue(1.0f);
    EXPECT_EQ(valve.inputGain, 1.0f);
    parameter(processor, FloatParameter::output).setValue(2.0f);
    EXPECT_NEAR(processor.compressor.outputGain, 63.4f, 0.05f);
}

//==============================================================================
struct NonFiniteCase
{
    int index;
    float value;
};

class FloatParameterNonFinite : public testing::TestWithParam<NonFiniteCase>
{
};

// A value the DSP cannot use is stored, but every DSP setting stays as it was: non-finite values of
// the continuous parameters, and finite ones whose gain or threshold would overflow.
TEST_P(FloatParameterNonFinite, IsStoredButLeavesTheDspSettings)
{
    const auto c = GetParam();
    VornAudioProcessor processor;
    for (const int index :
         {(int)FloatParameter::valveDrive, (int)FloatParameter::valveBias, (int)FloatParameter::valveInput,
          (int)FloatParameter::compThreshold, (int)FloatParameter::output})
        parameter(processor, index).setValue(0.6f);

    const auto before = dspSettings(processor);
    parameter(processor, c.index).setValue(c.value);

    const float stored = parameter(processor, c.index).getValue();
    EXPECT_TRUE(stored == c.value || (std::isnan(stored) && std::isnan(c.value)));
    EXPECT_EQ(dspSettings(processor), before);
}

INSTANTIATE_TEST_SUITE_P(
    Values, FloatParameterNonFinite,
    testing::Values(
        NonFiniteCase{FloatParameter::valveDrive, kNaN}, NonFiniteCase{FloatParameter::valveDrive, kInf},
        NonFiniteCase{FloatParameter::valveDrive, -kInf}, NonFiniteCase{FloatParameter::valveBias, kNaN},
        NonFiniteCase{FloatParameter::valveBias, kInf}, NonFiniteCase{FloatParameter::valveBias, -kInf},
        NonFiniteCase{FloatParameter::valveInput, kNaN}, NonFiniteCase{FloatParameter::valveInput, kInf},
        NonFiniteCase{FloatParameter::valveInput, -kInf}, NonFiniteCase{FloatParameter::valveInput, 100.0f},
        NonFiniteCase{FloatParameter::compThreshold, kNaN},
        NonFiniteCase{FloatParameter::compThreshold, kInf},
        NonFiniteCase{FloatParameter::compThreshold, -kInf},
        NonFiniteCase{FloatParameter::compThreshold, 3.0e38f}, NonFiniteCase{FloatParameter::output, kNaN},
        NonFiniteCase{FloatParameter::output, kInf}, NonFiniteCase{FloatParameter::output, -kInf},
        NonFiniteCase{FloatParameter::output, 100.0f}));

// Huge finite drive and bias values reach the stage as int settings inside int range.
TEST(FloatParameter, HugeDriveAndBiasStayInIntRange)
{
    VornAudioProcessor processor;
    auto& valve = processor.valveProcessor;

    parameter(processor, FloatParameter::valveDrive).setValue(1.0e30f);
    EXPECT_EQ(valve.settings[0], 1.0e8f);
    EXPECT_GT(valve.stage.params[3], 1900000000);
    parameter(processor, FloatParameter::valveDrive).setValue(-3.0e38f);
    EXPECT_EQ(valve.settings[0], -1.0e8f);
    EXPECT_LT(valve.stage.params[3], -1900000000);

    parameter(processor, FloatParameter::valveBias).setValue(3.0e38f);
    EXPECT_EQ(valve.stage.params[10], 2147483520);
    parameter(processor, FloatParameter::valveBias).setValue(-1.0e30f);
    EXPECT_EQ(valve.stage.params[10], -2147483520);
}

//==============================================================================
struct ModeCase
{
    float v;
    int row;
};

class FloatParameterValveMode : public testing::TestWithParam<ModeCase>
{
};

// The mode's preset row is loaded while processing is suspended, keeps drive and bias, and
// processing ends resumed.
TEST_P(FloatParameterValveMode, SelectsTheRowAndKeepsDriveAndBias)
{
    const auto c = GetParam();
    VornAudioProcessor processor;
    parameter(processor, FloatParameter::valveDrive).setValue(0.5f);
    parameter(processor, FloatParameter::valveBias).setValue(1.0f);
    const int otherRow = c.row == 5 ? 6 : 5;
    parameter(processor, FloatParameter::valveMode).setValue(otherRow == 5 ? 0.0f : 1.0f);

    parameter(processor, FloatParameter::valveMode).setValue(c.v);

    const auto& stage = processor.valveProcessor.stage;
    EXPECT_EQ(stage.params[6], ValveStage::kValvePresets[c.row][6]);
    EXPECT_EQ(stage.params[1], ValveStage::kValvePresets[c.row][1]);
    EXPECT_EQ(stage.params[3], 90);
    EXPECT_EQ(stage.params[10], 112);
    EXPECT_FALSE(processor.isSuspended());
}

INSTANTIATE_TEST_SUITE_P(Values, FloatParameterValveMode,
                         testing::Values(ModeCase{0.0f, 5}, ModeCase{0.49f, 5}, ModeCase{-3.0f, 5},
                                         ModeCase{-kInf, 5}, ModeCase{0.5f, 6}, ModeCase{0.8f, 6},
                                         ModeCase{1.0f, 6}, ModeCase{1.7f, 6}, ModeCase{kInf, 6},
                                         ModeCase{kNaN, 6}));

//==============================================================================
struct BypassCase
{
    bool bypassedBefore;
    float v;
    bool bypassedAfter;
};

class FloatParameterMasterBypass : public testing::TestWithParam<BypassCase>
{
};

TEST_P(FloatParameterMasterBypass, ComparesWithOneHalf)
{
    const auto c = GetParam();
    VornAudioProcessor processor;
    parameter(processor, FloatParameter::masterBypass).setValue(c.bypassedBefore ? 0.0f : 1.0f);
    ASSERT_EQ(processor.isBypassed(), c.bypassedBefore);

    parameter(processor, FloatParameter::masterBypass).setValue(c.v);
    EXPECT_EQ(processor.isBypassed(), c.bypassedAfter);
    EXPECT_EQ(processor.bypassed, c.bypassedAfter);
}

INSTANTIATE_TEST_SUITE_P(Values, FloatParameterMasterBypass,
                         testing::Values(BypassCase{false, 0.49f, true}, BypassCase{true, 0.5f, false},
                                         BypassCase{true, 0.4999999f, true}, BypassCase{false, -kInf, true},
                                         BypassCase{true, kInf, false}, BypassCase{false, kNaN, false},
                                         BypassCase{true, kNaN, true}));

//==============================================================================
TEST(FloatParameter, TextOfValuesAndValuesOfText)
{
    VornAudioProcessor processor;
    auto& p = parameter(processor, FloatParameter::compThreshold);
    p.setValue(0.7f);

    const struct
    {
        float v;
        const char* text;
    } texts[] = {{0.25f, "0.25"},
                 {1.0f, "1"},
                 {0.1f, "0.1"},
                 {0.0f, "0"},
                 {0.5f, "0.5"},
                 {1.5f, "1.5"},
                 {0.123456789f, "0.123457"},
                 {-0.25f, "-0.25"}};
    for (const auto& t : texts)
        EXPECT_EQ(p.getText(t.v, 2), t.text) << t.v; // the maximum length is ignored

    const struct
    {
        const char* text;
        float v;
    } values[] = {{"0.75", 0.75f}, {"abc", 0.0f}, {"1.5", 1.5f}, {"-0.25", -0.25f}, {"", 0.0f}};
    for (const auto& v : values)
        EXPECT_EQ(p.getValueForText(v.text), v.v) << v.text;

    // The stored value is not what getText reports.
    EXPECT_EQ(p.getValue(), 0.7f);
}

//==============================================================================
namespace
{
struct CountingListener : juce::ChangeListener
{
    void changeListenerCallback(juce::ChangeBroadcaster*) override { ++count; }
    int count = 0;
};
} // namespace

// Every change, the two blends included, tells the editor; the blends change no DSP setting.
TEST(FloatParameter, EverySetValueSendsAChangeMessage)
{
    juce::ScopedJuceInitialiser_GUI messageThread;
    VornAudioProcessor processor;
    CountingListener listener;
    processor.addChangeListener(&listener);

    for (int i = 0; i < FloatParameter::numParameters; ++i)
    {
        SCOPED_TRACE(kNames[i]);
        const auto before = dspSettings(processor);
        parameter(processor, i).setValue(0.35f);
        processor.dispatchPendingMessages();
        EXPECT_EQ(listener.count, i + 1);
        if (i == FloatParameter::valveBlend || i == FloatParameter::compBlend)
        {
            EXPECT_EQ(dspSettings(processor), before);
        }
    }

    // Values the DSP ignores are still announced.
    parameter(processor, FloatParameter::output).setValue(kNaN);
    processor.dispatchPendingMessages();
    EXPECT_EQ(listener.count, FloatParameter::numParameters + 1);

    processor.removeChangeListener(&listener);
}
