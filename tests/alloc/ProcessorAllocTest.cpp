#include <gtest/gtest.h>

#include "AllocationCounter.h"

#include "FloatParameter.h"
#include "VornAudioProcessor.h"

#include <memory>
#include <vector>

namespace
{
constexpr int kPrepared = 512;

struct AllocCase
{
    const char* label;
    int numInputs;
    int numOutputs;
    std::vector<int> lengths;
};

std::ostream& operator<<(std::ostream& out, const AllocCase& c)
{
    out << c.label << " blocks";
    for (const int n : c.lengths)
        out << ' ' << n;
    return out;
}

const std::vector<std::vector<int>> kSequences = {
    {1, 1, 1},
    {7, 7},
    {64},
    {kPrepared, kPrepared},
    {3 * kPrepared, 3 * kPrepared},
    {kPrepared, 256, 128, 1},
    {1, 100, 511, kPrepared},
    {kPrepared, 1, 300, 3 * kPrepared, 7, kPrepared, 1000, 64, 4 * kPrepared - 1, 2}};

std::vector<AllocCase> makeCases()
{
    std::vector<AllocCase> cases;
    const struct
    {
        const char* label;
        int numInputs;
        int numOutputs;
    } layouts[] = {{"stereo", 2, 2}, {"mono", 1, 1}, {"monoIntoStereo", 1, 2}};
    for (const auto& layout : layouts)
        for (const auto& lengths : kSequences)
            cases.push_back({layout.label, layout.numInputs, layout.numOutputs, lengths});
    return cases;
}
} // namespace

class ProcessorAlloc : public testing::TestWithParam<AllocCase>
{
};

// Blocks of any length, in any order, allocate nothing once the processor is prepared: blocks up to
// the prepared size reuse its buffers and longer ones are processed in slices of it.
TEST_P(ProcessorAlloc, ProcessBlockAllocatesNothing)
{
    const auto& c = GetParam();
    // Hosts are offered mono and stereo only; mono into stereo still reaches the guard this way.
    struct AnyLayoutProcessor : VornAudioProcessor
    {
        bool isBusesLayoutSupported(const BusesLayout&) const override { return true; }
    } processor;
    processor.setPlayConfigDetails(c.numInputs, c.numOutputs, 44100.0, kPrepared);
    ASSERT_EQ(processor.getTotalNumInputChannels(), c.numInputs);
    ASSERT_EQ(processor.getTotalNumOutputChannels(), c.numOutputs);
    processor.prepareToPlay(44100.0, kPrepared);

    // Every stage working; parameter changes stay outside the measured region.
    const float values[FloatParameter::numParameters] = {0.8f, 0.5f, 0.9f, 1.0f, 1.0f, 0.3f,
                                                         0.0f, 0.2f, 0.7f, 1.0f, 0.8f, 1.0f};
    for (int i = 0; i < FloatParameter::numParameters; ++i)
        processor.getParameters()[i]->setValue(values[i]);

    const int numChannels = std::max(c.numInputs, c.numOutputs);
    std::vector<juce::AudioSampleBuffer> blocks;
    for (const int n : c.lengths)
    {
        blocks.emplace_back(numChannels, n);
        juce::Random random(n);
        for (int channel = 0; channel < numChannels; ++channel)
            for (int i = 0; i < n; ++i)
                blocks.back().setSample(channel, i, random.nextFloat() * 1.6f - 0.8f);
    }
    juce::MidiBuffer midi;

    // The first pass includes the silent first block; the second runs on a settled instance.
    for (int pass = 0; pass < 2; ++pass)
    {
        ScopedAllocationCounter counter;
        for (auto& block : blocks)
            processor.processBlock(block, midi);
        EXPECT_EQ(counter.count(), 0) << "pass " << pass;
    }
    EXPECT_EQ(processor.firstBlockProcessed, 1);
}

INSTANTIATE_TEST_SUITE_P(Sequences, ProcessorAlloc, testing::ValuesIn(makeCases()));
