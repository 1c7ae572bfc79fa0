#include "BlockRunner.h"
#include "HostedParameters.h"
#include "PluginBinaries.h"

#include <gtest/gtest.h>

#include <array>

juce::AudioProcessor* JUCE_CALLTYPE createPluginFilter();

namespace
{
// One value per parameter, none at its default; 0.1 has no short decimal form in single precision.
constexpr std::array<float, 12> savedValues{0.1f,  0.25f, 0.9f, 0.5f, 1.0f, 0.35f,
                                            0.45f, 0.05f, 0.6f, 0.7f, 0.8f, 0.75f};

constexpr double sampleRate = 48000.0;
constexpr int blockSize = 256;

std::unique_ptr<juce::AudioPluginInstance> preparedInstance(PluginBinaries& binaries, PluginFormat format)
{
    juce::String error;
    auto instance = binaries.instantiate(format, sampleRate, blockSize, error);
    EXPECT_NE(instance, nullptr) << error;

    if (instance != nullptr)
        BlockRunner::prepare(*instance, sampleRate, blockSize);

    return instance;
}

// LV2 parameter changes reach the plug-in only inside run().
juce::AudioBuffer<float> processBlock(juce::AudioProcessor& processor, juce::int64 seed)
{
    return BlockRunner::run(processor, BlockRunner::noise(2, blockSize, seed), blockSize);
}

class HostedState : public testing::TestWithParam<PluginFormat>
{
};

TEST_P(HostedState, ASecondInstanceRestoresTheSavedState)
{
    PluginBinaries binaries;
    auto first = preparedInstance(binaries, GetParam());
    ASSERT_NE(first, nullptr);
    const auto firstParameters = HostedParameters::inIndexOrder(*first);
    ASSERT_EQ(firstParameters.size(), (int)savedValues.size());

    for (size_t i = 0; i < savedValues.size(); ++i)
        firstParameters[(int)i]->setValue(savedValues[i]);

    processBlock(*first, 1);
    juce::MemoryBlock saved;
    first->getStateInformation(saved);
    ASSERT_GT(saved.getSize(), 0u);

    auto second = preparedInstance(binaries, GetParam());
    ASSERT_NE(second, nullptr);
    second->setStateInformation(saved.getData(), (int)saved.getSize());
    processBlock(*second, 2);

    juce::MemoryBlock restored;
    second->getStateInformation(restored);
    EXPECT_EQ(restored, saved);

    // The host shows the restored values. The 2.4 host reads them from the effect and JUCE's VST3
    // wrapper passes them to its controller; an LV2 host learns them from what the plug-in sends
    // on its notification port with the block after the restore.
    const auto secondParameters = HostedParameters::inIndexOrder(*second);
    ASSERT_EQ(secondParameters.size(), (int)savedValues.size());

    for (size_t i = 0; i < savedValues.size(); ++i)
        EXPECT_EQ(secondParameters[(int)i]->getValue(), savedValues[i]) << HostedParameters::names()[(int)i];

    // The restored values drive the sound: the same blocks through the processor set to them here.
    std::unique_ptr<juce::AudioProcessor> reference(createPluginFilter());
    const auto referenceParameters = HostedParameters::inIndexOrder(*reference);
    ASSERT_EQ(referenceParameters.size(), (int)savedValues.size());

    for (size_t i = 0; i < savedValues.size(); ++i)
        referenceParameters[(int)i]->setValue(savedValues[i]);

    BlockRunner::prepare(*reference, sampleRate, blockSize);
    processBlock(*reference, 2);
    const auto expected = processBlock(*reference, 3);
    const auto actual = processBlock(*second, 3);

    for (int channel = 0; channel < 2; ++channel)
        for (int i = 0; i < blockSize; ++i)
            ASSERT_NEAR(actual.getSample(channel, i), expected.getSample(channel, i), 1.0e-6f)
                << "channel " << channel << " sample " << i;
}

INSTANTIATE_TEST_SUITE_P(Formats, HostedState,
                         testing::Values(PluginFormat::vst2, PluginFormat::vst3, PluginFormat::lv2),
                         [](const testing::TestParamInfo<PluginFormat>& info)
                         { return PluginBinaries::formatName(info.param).toStdString(); });

TEST(HostedVst2State, TheChunkIsTheProcessorsState)
{
    PluginBinaries binaries;
    auto hosted = preparedInstance(binaries, PluginFormat::vst2);
    ASSERT_NE(hosted, nullptr);
    std::unique_ptr<juce::AudioProcessor> reference(createPluginFilter());
    const auto hostedParameters = HostedParameters::inIndexOrder(*hosted);
    const auto referenceParameters = HostedParameters::inIndexOrder(*reference);
    ASSERT_EQ(hostedParameters.size(), (int)savedValues.size());
    ASSERT_EQ(referenceParameters.size(), (int)savedValues.size());

    for (size_t i = 0; i < savedValues.size(); ++i)
    {
        hostedParameters[(int)i]->setValue(savedValues[i]);
        referenceParameters[(int)i]->setValue(savedValues[i]);
    }

    // The effect's own chunk, as a 2.4 host stores it, without JUCE's host-side wrapping.
    juce::MemoryBlock hostedChunk;
    ASSERT_TRUE(juce::VSTPluginFormat::getChunkData(hosted.get(), hostedChunk, false));

    juce::MemoryBlock referenceChunk;
    reference->getStateInformation(referenceChunk);
    EXPECT_EQ(hostedChunk, referenceChunk);
}
} // namespace
