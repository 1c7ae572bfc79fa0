#include <gtest/gtest.h>

#include "../BlockPathSignals.h"
#include "valve/HarmonicExciter.h"
#include "valve/ValveProcessor.h"
#include "valve/ValveStage.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace
{
using block_path_signals::blockSchedule;
using block_path_signals::makeSignals;
using block_path_signals::StereoSignal;

constexpr double kRate = 48000.0;
constexpr int kMaxBlock = 512;
constexpr int kLength = 4096;
constexpr double kTolerance = 1e-6;

// Runs `run` on both objects block by block over the signal, with the varying block lengths, and
// compares every output sample.
template <typename Run> void compareOverSignal(const StereoSignal& signal, Run&& run)
{
    juce::AudioSampleBuffer reference(2, kLength), block(2, kLength);
    for (int i = 0; i < kLength; ++i)
    {
        reference.setSample(0, i, signal.left[(size_t)i]);
        reference.setSample(1, i, signal.right[(size_t)i]);
    }
    block.makeCopyOf(reference);

    for (const auto& [start, n] : blockSchedule(kLength))
    {
        juce::AudioSampleBuffer refSlice(reference.getArrayOfWritePointers(), 2, start, n);
        juce::AudioSampleBuffer blockSlice(block.getArrayOfWritePointers(), 2, start, n);
        run(refSlice, blockSlice);
    }

    for (int channel = 0; channel < 2; ++channel)
        for (int i = 0; i < kLength; ++i)
            ASSERT_NEAR(block.getSample(channel, i), reference.getSample(channel, i), kTolerance)
                << "channel " << channel << " sample " << i;
}

void expectSameFilterState(const ZandralDSP::AnalogFilter& actual, const ZandralDSP::AnalogFilter& expected)
{
    for (int j = 0; j < 2; ++j)
    {
        EXPECT_NEAR(actual.getInputState(0)[j], expected.getInputState(0)[j], kTolerance);
        EXPECT_NEAR(actual.getOutputState(0)[j], expected.getOutputState(0)[j], kTolerance);
    }
}

void expectSameStageState(const ValveStage& actual, const ValveStage& expected)
{
    for (int k = 0; k < 4; ++k)
        EXPECT_NEAR(actual.dcState[k], expected.dcState[k], kTolerance) << "dc state " << k;
    expectSameFilterState(actual.lowpassA, expected.lowpassA);
    expectSameFilterState(actual.lowpassB, expected.lowpassB);
    expectSameFilterState(actual.highpassA, expected.highpassA);
    expectSameFilterState(actual.highpassB, expected.highpassB);
    for (int c = 0; c < 2; ++c)
    {
        expectSameFilterState(actual.exciter.getHighpass(c), expected.exciter.getHighpass(c));
        expectSameFilterState(actual.exciter.getLowpass(c), expected.exciter.getLowpass(c));
        const auto& a = actual.exciter.getCompressor().getPath(c);
        const auto& e = expected.exciter.getCompressor().getPath(c);
        EXPECT_NEAR(a.envelope, e.envelope, kTolerance);
        EXPECT_NEAR(a.appliedGain, e.appliedGain, kTolerance);
        EXPECT_NEAR(a.targetGain, e.targetGain, kTolerance);
    }
}

// ----------------------------------------------------------------------------------------------------

TEST(HarmonicExciterBlockPath, MatchesProcessOnEverySignal)
{
    static const float harmonics[10] = {1.0f, 0.0f, -1.0f, 0.0f, 1.0f, 0.0f, -1.0f, 0.0f, 1.0f, 0.0f};
    for (const StereoSignal& signal : makeSignals(kLength))
    {
        SCOPED_TRACE(signal.name);
        HarmonicExciter reference, block;
        for (HarmonicExciter* e : {&reference, &block})
        {
            e->setSampleRate(kRate);
            e->setNumSamples(kMaxBlock);
            e->setBlockSize(kMaxBlock);
            e->init(harmonics, 20.0f, 20000.0f, 1.0f);
            e->setHighpass(1, 250.0f);
            e->setMix(1, 0.5f);
        }
        compareOverSignal(signal,
                          [&](juce::AudioSampleBuffer& ref, juce::AudioSampleBuffer& blk)
                          {
                              const int n = ref.getNumSamples();
                              for (HarmonicExciter* e : {&reference, &block})
                              {
                                  e->setNumSamples(n);
                                  e->setBlockSize(n);
                              }
                              reference.process(ref.getWritePointer(0), ref.getWritePointer(1));
                              block.processBlock(blk.getWritePointer(0), blk.getWritePointer(1));
                          });
    }
}

// ----------------------------------------------------------------------------------------------------

struct StageCase
{
    const char* name;
    int row;
    int drive;  // stage parameter 3
    int bias;   // stage parameter 10
    int stereo; // stage parameter 8
};

// Rows 5 and 6 are the plug-in's; the others switch on the filters-first order and the saturation.
const StageCase kStageCases[] = {
    {"row5Default", 5, 80, 112, 1},    {"row5Driven", 5, 96, 91, 1},        {"row6Driven", 6, 100, 70, 1},
    {"row0Saturation", 0, 127, 69, 1}, {"row2FiltersFirst", 2, 90, 100, 1}, {"row5BiasZeroQ", 5, 85, 127, 1},
    {"row5Mono", 5, 96, 91, 0},
};

class ValveStageBlockPath : public testing::TestWithParam<StageCase>
{
};

TEST_P(ValveStageBlockPath, MatchesProcessBlockInOutputAndState)
{
    const StageCase& c = GetParam();
    for (const StereoSignal& signal : makeSignals(kLength))
    {
        SCOPED_TRACE(signal.name);
        ValveStage reference, block;
        for (ValveStage* s : {&reference, &block})
        {
            s->setSampleRate(kRate);
            s->setBlockSize(kMaxBlock);
            s->setNumSamples(kMaxBlock);
            s->init();
            s->activate();
            s->loadPreset(c.row);
            s->setParameter(10, c.bias);
            s->setParameter(3, c.drive);
            s->setParameter(8, c.stereo);
        }
        compareOverSignal(signal,
                          [&](juce::AudioSampleBuffer& ref, juce::AudioSampleBuffer& blk)
                          {
                              reference.processBlock(ref);
                              block.processBlockInPasses(blk);
                              expectSameStageState(block, reference);
                          });
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, ValveStageBlockPath, testing::ValuesIn(kStageCases),
                         [](const testing::TestParamInfo<StageCase>& info)
                         { return std::string(info.param.name); });

// Samples at and around the curve's singular point x = Q, where 1 - exp(-dist u) is 0 or a small
// difference: both paths must take the singular value and the same quotients there.
TEST(ValveStageBlockPath, TubeCurveMatchesAroundItsSingularPoint)
{
    ValveStage reference, block;
    for (ValveStage* s : {&reference, &block})
    {
        s->setSampleRate(kRate);
        s->setBlockSize(64);
        s->setNumSamples(64);
        s->init();
        s->activate();
        s->setParameter(12, -100); // no exciter contribution
        s->setParameter(6, 23900); // lowpass above the limit: passes
        s->setParameter(7, 1);     // highpass close to DC
        s->setParameter(10, 91);
        s->setParameter(3, 96);
    }
    // Divided by the pre-gain, which the stage applies first: steps of a few ulps around Q, then of
    // 3e-5, and Q itself on the second channel.
    const float q = reference.tubeQ;
    juce::AudioSampleBuffer ref(2, 64), blk(2, 64);
    for (int i = 0; i < 64; ++i)
    {
        const float x = i < 32 ? q + (float)(i - 16) * 1e-7f : q + (float)(i - 48) * 3e-5f;
        ref.setSample(0, i, x / reference.preGain);
        ref.setSample(1, i, (i == 5 ? q : x) / reference.preGain);
    }
    blk.makeCopyOf(ref);
    reference.processBlock(ref);
    block.processBlockInPasses(blk);
    for (int channel = 0; channel < 2; ++channel)
        for (int i = 0; i < 64; ++i)
            EXPECT_NEAR(blk.getSample(channel, i), ref.getSample(channel, i), kTolerance)
                << channel << " " << i;
}

// ----------------------------------------------------------------------------------------------------

TEST(ValveProcessorBlockPath, MatchesProcessForBothModesAndDrives)
{
    for (int mode : {0, 1})
        for (float drive : {0.0f, 0.8f, 1.0f})
            for (const StereoSignal& signal : makeSignals(kLength))
            {
                SCOPED_TRACE(signal.name + " mode " + std::to_string(mode) + " drive " +
                             std::to_string(drive));
                ValveProcessor reference, block;
                for (ValveProcessor* v : {&reference, &block})
                {
                    v->prepare(kRate, kMaxBlock);
                    v->setMode(mode);
                    v->setBias(91.0f);
                    v->setDrive(drive);
                    v->inputGain = 0.9f;
                }
                compareOverSignal(signal,
                                  [&](juce::AudioSampleBuffer& ref, juce::AudioSampleBuffer& blk)
                                  {
                                      reference.process(ref);
                                      block.processInPasses(blk);
                                  });
                expectSameStageState(block.stage, reference.stage);
            }
}
} // namespace
