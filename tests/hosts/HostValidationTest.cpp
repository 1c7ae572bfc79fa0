#include "BlockRunner.h"
#include "HostTreatment.h"
#include "HostedParameters.h"
#include "PluginBinaries.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace host_treatment;

juce::AudioProcessor* JUCE_CALLTYPE createPluginFilter();

namespace
{
std::string nameOf(PluginFormat format)
{
    return PluginBinaries::formatName(format).toStdString();
}

const auto kFormats = testing::Values(PluginFormat::vst2, PluginFormat::vst3, PluginFormat::lv2);

//==============================================================================
class HostedLayout : public testing::TestWithParam<PluginFormat>
{
};

// Offered any layout, JUCE's 2.4 wrapper announced its maximum of 64 in and 64 out.
TEST_P(HostedLayout, AnnouncesTwoInputsAndTwoOutputs)
{
    PluginBinaries binaries;
    juce::PluginDescription description;
    juce::String error;
    ASSERT_TRUE(binaries.describe(GetParam(), description, error)) << error;
    EXPECT_EQ(description.numInputChannels, 2);
    EXPECT_EQ(description.numOutputChannels, 2);

    auto instance = binaries.instantiate(GetParam(), 48000.0, 512, error);
    ASSERT_NE(instance, nullptr) << error;
    EXPECT_EQ(instance->getTotalNumInputChannels(), 2);
    EXPECT_EQ(instance->getTotalNumOutputChannels(), 2);
    EXPECT_EQ(instance->getMainBusNumInputChannels(), 2);
    EXPECT_EQ(instance->getMainBusNumOutputChannels(), 2);
}

INSTANTIATE_TEST_SUITE_P(Formats, HostedLayout, kFormats,
                         [](const auto& info) { return nameOf(info.param); });

//==============================================================================
// A few rows of the in-process matrix through each format: the extremes of rate and block size,
// each way of preparing, every signal and setting.
struct HostedMatrixCase
{
    PluginFormat format;
    double rate;
    int blockSize;
    Preparation preparation;
};

void PrintTo(const HostedMatrixCase& c, std::ostream* os)
{
    *os << nameOf(c.format) << ' ' << c.rate << " Hz " << c.blockSize << ' '
        << host_treatment::nameOf(c.preparation);
}

std::vector<HostedMatrixCase> hostedMatrixCases()
{
    std::vector<HostedMatrixCase> cases;
    for (auto format : {PluginFormat::vst2, PluginFormat::vst3, PluginFormat::lv2})
    {
        cases.push_back({format, 22050.0, 1, Preparation::once});
        cases.push_back({format, 44100.0, 511, Preparation::againAfterRelease});
        cases.push_back({format, 96000.0, 64, Preparation::againWithoutRelease});
        cases.push_back({format, 384000.0, 8192, Preparation::once});
    }
    return cases;
}

class HostedMatrix : public testing::TestWithParam<HostedMatrixCase>
{
};

TEST_P(HostedMatrix, OutputStaysFiniteAndNormalAndSilenceDiesAway)
{
    const auto& c = GetParam();
    PluginBinaries binaries;

    for (const auto signal : {Signal::noise, Signal::silenceAfterLoud, Signal::fullScaleSines})
        for (const auto setting : {Setting::allZero, Setting::allOne, Setting::defaults})
        {
            SCOPED_TRACE(describe(c.preparation, signal, setting));
            juce::String error;
            auto instance = binaries.instantiate(c.format, c.rate, c.blockSize, error);
            ASSERT_NE(instance, nullptr) << error;
            const auto parameters = HostedParameters::inIndexOrder(*instance);
            ASSERT_EQ(parameters.size(), 12);
            apply(parameters, setting);
            prepare(*instance, c.rate, c.blockSize, c.preparation);

            const int hostBlock = hostBlockFor(c.blockSize, c.preparation);
            auto stimulus = makeStimulus(signal, c.rate, hostBlock, c.blockSize * 31 + (int)c.rate);
            processInBlocks(*instance, stimulus.audio, hostBlock);
            instance->releaseResources();
            ASSERT_NO_FATAL_FAILURE(expectSoundOutput(stimulus, signal == Signal::silenceAfterLoud));
        }
}

INSTANTIATE_TEST_SUITE_P(Formats, HostedMatrix, testing::ValuesIn(hostedMatrixCases()),
                         [](const testing::TestParamInfo<HostedMatrixCase>& info)
                         {
                             const auto& c = info.param;
                             return nameOf(c.format) + "_" + std::to_string((int)c.rate) + "Hz_" +
                                    std::to_string(c.blockSize) + "_" + host_treatment::nameOf(c.preparation);
                         });

//==============================================================================
class HostedStateRoundTrip : public testing::TestWithParam<PluginFormat>
{
};

// Random values through the host: saved, randomised, restored, every value back exactly, and the
// state saved after the restore the same bytes as the one restored.
TEST_P(HostedStateRoundTrip, RandomSettingsComeBackExactly)
{
    constexpr juce::int64 seed = 20240614;
    juce::Random random(seed);
    PluginBinaries binaries;
    juce::String error;
    auto instance = binaries.instantiate(GetParam(), 48000.0, 256, error);
    ASSERT_NE(instance, nullptr) << error;
    BlockRunner::prepare(*instance, 48000.0, 256);
    const auto parameters = HostedParameters::inIndexOrder(*instance);
    ASSERT_EQ(parameters.size(), 12);

    // LV2 parameter changes reach the plug-in inside run() only.
    const auto processOneBlock = [&] { BlockRunner::run(*instance, BlockRunner::noise(2, 256, 1), 256); };

    // The plug-in's own chunk for a set of values, from an in-process instance.
    const auto chunkFor = [](const std::vector<float>& values)
    {
        std::unique_ptr<juce::AudioProcessor> reference(createPluginFilter());
        const auto referenceParameters = HostedParameters::inIndexOrder(*reference);
        for (int i = 0; i < referenceParameters.size(); ++i)
            referenceParameters[i]->setValue(values[(size_t)i]);
        juce::MemoryBlock chunk;
        reference->getStateInformation(chunk);
        return chunk;
    };

    for (int round = 0; round < 20; ++round)
    {
        SCOPED_TRACE("seed " + std::to_string(seed) + ", round " + std::to_string(round));
        std::vector<float> saved;
        for (auto* parameter : parameters)
        {
            saved.push_back(random.nextInt(6) == 0 ? (float)random.nextInt(2) : random.nextFloat());
            parameter->setValue(saved.back());
        }
        processOneBlock();
        juce::MemoryBlock state;
        instance->getStateInformation(state);

        for (auto* parameter : parameters)
            parameter->setValue(random.nextFloat());
        processOneBlock();

        instance->setStateInformation(state.getData(), (int)state.getSize());
        processOneBlock();
        juce::MemoryBlock again;
        instance->getStateInformation(again);
        ASSERT_EQ(again, state);

        // The 2.4 and VST3 hosts read the values back; an LV2 host only sees what it sent, so
        // there the plug-in's own chunk inside the state, holding every value exactly, tells.
        if (GetParam() != PluginFormat::lv2)
        {
            for (int i = 0; i < parameters.size(); ++i)
                ASSERT_EQ(parameters[i]->getValue(), saved[(size_t)i]) << HostedParameters::names()[i];
        }
        else
        {
            const auto chunk = chunkFor(saved);
            ASSERT_NE(state.toString().indexOf(chunk.toString()
                                                   .fromFirstOccurrenceOf("<", true, false)
                                                   .upToFirstOccurrenceOf("/>", true, false)),
                      -1)
                << state.toString();
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, HostedStateRoundTrip, kFormats,
                         [](const auto& info) { return nameOf(info.param); });
} // namespace
