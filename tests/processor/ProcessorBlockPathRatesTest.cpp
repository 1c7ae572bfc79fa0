#include <gtest/gtest.h>

#include "../dsp/BlockPathRates.h"
#include "FloatParameter.h"
#include "PerSampleChain.h"
#include "VornAudioProcessor.h"

#include <algorithm>
#include <iomanip>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace
{
using block_path_signals::blockSchedule;
using block_path_signals::StereoSignal;

constexpr int kPrepared = 512;
constexpr int kLength = 6144;

// Drive, bias, input, valve blend, mode, ratio, attack, recovery, threshold, comp blend, output,
// master bypass: every stage contributes to the output.
const float kEveryStageWorking[FloatParameter::numParameters] = {0.8f, 0.5f, 1.0f, 1.0f, 0.0f, 0.5f,
                                                                 0.0f, 0.0f, 0.6f, 1.0f, 0.8f, 1.0f};

std::unique_ptr<VornAudioProcessor> makeProcessor(double rate)
{
    auto processor = std::make_unique<VornAudioProcessor>();
    processor->setPlayConfigDetails(2, 2, rate, kPrepared);
    processor->prepareToPlay(rate, kPrepared);
    for (int i = 0; i < FloatParameter::numParameters; ++i)
        processor->getParameters()[i]->setValue(kEveryStageWorking[i]);
    // Skips the silent first block, which is the same for both paths.
    processor->firstBlockProcessed = 1;
    return processor;
}

class ProcessorBlockPathAtEveryRate : public testing::TestWithParam<double>
{
};

TEST_P(ProcessorBlockPathAtEveryRate, EveryStageWorkingMatchesThePerSampleChain)
{
    const double rate = GetParam();
    double worstOverall = 0.0, largestChange = 0.0;
    for (const StereoSignal& signal : block_path_rates::signalsAt(rate, kLength))
    {
        auto block = makeProcessor(rate);
        auto reference = makeProcessor(rate);
        juce::AudioSampleBuffer blockOut(2, kLength), referenceOut(2, kLength);
        juce::MidiBuffer midi;
        for (const auto& [start, n] : blockSchedule(kLength))
        {
            juce::AudioSampleBuffer blockBuffer(blockOut.getArrayOfWritePointers(), 2, start, n);
            juce::AudioSampleBuffer referenceBuffer(referenceOut.getArrayOfWritePointers(), 2, start, n);
            for (auto* buffer : {&blockBuffer, &referenceBuffer})
            {
                buffer->copyFrom(0, 0, signal.left.data() + start, n);
                buffer->copyFrom(1, 0, signal.right.data() + start, n);
            }
            block->processBlock(blockBuffer, midi);
            processPerSampleChain(*reference, referenceBuffer);
        }

        double worst = 0.0;
        for (int channel = 0; channel < 2; ++channel)
            worst = std::max(worst, block_path_rates::worstDifference(blockOut.getReadPointer(channel),
                                                                      referenceOut.getReadPointer(channel),
                                                                      kLength));
        EXPECT_LE(worst, block_path_rates::kTolerance)
            << rate << " Hz, " << signal.name << ": worst difference " << worst;
        worstOverall = std::max(worstOverall, worst);
        largestChange = std::max(
            {largestChange,
             block_path_rates::worstDifference(referenceOut.getReadPointer(0), signal.left.data(), kLength),
             block_path_rates::worstDifference(referenceOut.getReadPointer(1), signal.right.data(),
                                               kLength)});
    }
    // Two paths that both leave the signal alone would agree without proving anything.
    EXPECT_GT(largestChange, 0.01) << "the chain changed no signal at " << rate << " Hz";
    std::ostringstream s;
    s << std::setprecision(3) << worstOverall;
    RecordProperty("worstDifference", s.str());
}

INSTANTIATE_TEST_SUITE_P(Rates, ProcessorBlockPathAtEveryRate, testing::ValuesIn(block_path_rates::kRates),
                         [](const testing::TestParamInfo<double>& info)
                         { return block_path_rates::rateName(info.param); });
} // namespace
