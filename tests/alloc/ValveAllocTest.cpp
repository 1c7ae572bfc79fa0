#include <gtest/gtest.h>

#include "AllocationCounter.h"

#include "valve/ValveProcessor.h"
#include "valve/ValveStage.h"

#include <cmath>
#include <string>
#include <vector>

namespace
{
constexpr double kRate = 48000.0;
constexpr int kMaxBlock = 512;

struct AllocCase
{
    const char* name;
    std::vector<int> lengths;
    int mode;       // valve mode 0 (row 5) or 1 (row 6)
    bool crossfade; // jump the cutoffs between blocks so that the filters crossfade
};

std::vector<juce::AudioSampleBuffer> makeBlocks(const std::vector<int>& lengths)
{
    std::vector<juce::AudioSampleBuffer> blocks;
    int offset = 0;
    for (int n : lengths)
    {
        blocks.emplace_back(2, n);
        for (int i = 0; i < n; ++i)
        {
            const float t = static_cast<float>(offset + i);
            blocks.back().setSample(0, i, 0.8f * std::sin(0.03f * t));
            blocks.back().setSample(1, i, 1.9f * std::sin(0.011f * t + 0.5f));
        }
        offset += n;
    }
    return blocks;
}

// Large jumps of the stage's lowpass and the exciter's highpass (through p12) arm crossfades.
void jumpCutoffs(ValveStage& stage, size_t blockIndex)
{
    const bool odd = blockIndex % 2 == 1;
    stage.setParameter(6, odd ? 1000 : 15000);
    stage.setParameter(12, odd ? 100 : 0);
    EXPECT_TRUE(stage.lowpassA.isCrossfadePending());
    EXPECT_TRUE(stage.exciter.getHighpass(0).isCrossfadePending());
}

std::string caseName(const ::testing::TestParamInfo<AllocCase>& info)
{
    return std::string(info.param.name) + (info.param.mode == 0 ? "_ModeZero" : "_ModeOne") +
           (info.param.crossfade ? "_Crossfade" : "");
}

std::vector<AllocCase> cases()
{
    const std::vector<std::vector<int>> sequences = {
        {512}, {64, 64}, {1, 7, 512, 64, 300}, {32, 32, 32, 32}, {256, 0, 512, 511}};
    const char* names[] = {"Full", "Equal", "Changing", "Short", "WithEmpty"};
    std::vector<AllocCase> result;
    for (size_t s = 0; s < sequences.size(); ++s)
        for (int mode : {0, 1})
            for (bool crossfade : {false, true})
                result.push_back({names[s], sequences[s], mode, crossfade});
    return result;
}
} // namespace

class ValveProcessorAlloc : public ::testing::TestWithParam<AllocCase>
{
};

TEST_P(ValveProcessorAlloc, ProcessAllocatesNothing)
{
    const AllocCase& c = GetParam();
    ValveProcessor vp;
    vp.prepare(kRate, kMaxBlock);
    vp.setDrive(0.8f);
    vp.setBias(91.0f);
    vp.setMode(c.mode);
    vp.inputGain = 0.7f;
    std::vector<juce::AudioSampleBuffer> blocks = makeBlocks(c.lengths);

    for (size_t k = 0; k < blocks.size(); ++k)
    {
        if (c.crossfade && k > 0)
            jumpCutoffs(vp.stage, k);

        long count = 0;
        {
            ScopedAllocationCounter counter;
            vp.process(blocks[k]);
            count = counter.count();
        }
        EXPECT_EQ(count, 0) << "block " << k << " of " << c.lengths[k] << " samples";
    }
}

INSTANTIATE_TEST_SUITE_P(Sequences, ValveProcessorAlloc, ::testing::ValuesIn(cases()), caseName);

class ValveStageAlloc : public ::testing::TestWithParam<AllocCase>
{
};

TEST_P(ValveStageAlloc, ProcessBlockAllocatesNothing)
{
    const AllocCase& c = GetParam();
    ValveStage stage;
    stage.setSampleRate(kRate);
    stage.setBlockSize(kMaxBlock);
    stage.setNumSamples(kMaxBlock);
    stage.init();
    stage.activate();
    stage.loadPreset(c.mode == 0 ? 5 : 6);
    // Mode one also takes the other branches: mono, filters first, soft saturation.
    if (c.mode == 1)
    {
        stage.setParameter(8, 0);
        stage.setParameter(9, 1);
        stage.setParameter(11, 1);
    }
    std::vector<juce::AudioSampleBuffer> blocks = makeBlocks(c.lengths);

    for (size_t k = 0; k < blocks.size(); ++k)
    {
        if (c.crossfade && k > 0)
            jumpCutoffs(stage, k);

        long count = 0;
        {
            ScopedAllocationCounter counter;
            stage.processBlock(blocks[k]);
            count = counter.count();
        }
        EXPECT_EQ(count, 0) << "block " << k << " of " << c.lengths[k] << " samples";
    }
}

INSTANTIATE_TEST_SUITE_P(Sequences, ValveStageAlloc, ::testing::ValuesIn(cases()), caseName);
