#include <gtest/gtest.h>

#include "../dsp/BlockPathSignals.h"
#include "FloatParameter.h"
#include "PerSampleChain.h"
#include "VornAudioProcessor.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace
{
using block_path_signals::blockSchedule;
using block_path_signals::makeSignals;
using block_path_signals::StereoSignal;

constexpr double kRate = 48000.0;
constexpr int kPrepared = 512;
constexpr int kLength = 4096;
constexpr double kTolerance = 1e-6;
// The compressor's envelope in dB, relative to its size above 1 dB: its block path takes levels and
// gains in single precision.
constexpr double kEnvelopeTolerance = 1e-5;

struct Setting
{
    const char* name;
    float values[FloatParameter::numParameters];
};

// Index order: drive, bias, input, valve blend, mode, ratio, attack, recovery, threshold, comp blend,
// output, master bypass.
const Setting kSettings[] = {
    {"defaults", {0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f}},
    {"everyStageWorking", {0.8f, 0.5f, 1.0f, 1.0f, 0.0f, 0.5f, 0.0f, 0.0f, 0.6f, 1.0f, 0.8f, 1.0f}},
    {"secondModeHalfBlends", {0.5f, 0.9f, 0.7f, 0.5f, 1.0f, 0.3f, 0.2f, 0.6f, 0.4f, 0.5f, 0.9f, 1.0f}},
    {"everythingAtMaximum", {1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f}},
};

std::unique_ptr<VornAudioProcessor> makeProcessor(const Setting& setting)
{
    auto processor = std::make_unique<VornAudioProcessor>();
    processor->setPlayConfigDetails(2, 2, kRate, kPrepared);
    processor->prepareToPlay(kRate, kPrepared);
    for (int i = 0; i < FloatParameter::numParameters; ++i)
        processor->getParameters()[i]->setValue(setting.values[i]);
    // Skips the silent first block, which is the same for both paths.
    processor->firstBlockProcessed = 1;
    return processor;
}

class ProcessorBlockPath : public testing::TestWithParam<Setting>
{
};

// The whole processBlock, block paths throughout, against the per-sample chain, block by block with
// varying lengths: the same output within 1e-6 and the same compressor state.
TEST_P(ProcessorBlockPath, MatchesThePerSampleChain)
{
    const Setting& setting = GetParam();
    for (const StereoSignal& signal : makeSignals(kLength))
    {
        SCOPED_TRACE(signal.name);
        auto block = makeProcessor(setting);
        auto reference = makeProcessor(setting);

        juce::MidiBuffer midi;
        for (const auto& [start, n] : blockSchedule(kLength))
        {
            juce::AudioSampleBuffer blockBuffer(2, n), referenceBuffer(2, n);
            for (int i = 0; i < n; ++i)
            {
                blockBuffer.setSample(0, i, signal.left[(size_t)(start + i)]);
                blockBuffer.setSample(1, i, signal.right[(size_t)(start + i)]);
            }
            referenceBuffer.makeCopyOf(blockBuffer);

            block->processBlock(blockBuffer, midi);
            processPerSampleChain(*reference, referenceBuffer);

            for (int channel = 0; channel < 2; ++channel)
                for (int i = 0; i < n; ++i)
                    ASSERT_NEAR(blockBuffer.getSample(channel, i), referenceBuffer.getSample(channel, i),
                                kTolerance)
                        << "channel " << channel << " sample " << start + i;
            ASSERT_NEAR(block->compressor.envdB, reference->compressor.envdB,
                        kEnvelopeTolerance * std::max(1.0, reference->compressor.envdB));
            ASSERT_NEAR(block->compressor.gainReduction, reference->compressor.gainReduction, kTolerance);
            for (int k = 0; k < 4; ++k)
                ASSERT_NEAR(block->valveProcessor.stage.dcState[k],
                            reference->valveProcessor.stage.dcState[k], kTolerance);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Settings, ProcessorBlockPath, testing::ValuesIn(kSettings),
                         [](const testing::TestParamInfo<Setting>& info)
                         { return std::string(info.param.name); });
} // namespace
