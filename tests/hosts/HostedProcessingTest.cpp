#include "BlockRunner.h"
#include "HostedParameters.h"
#include "PluginBinaries.h"

#include <gtest/gtest.h>

#include <cmath>
#include <ostream>
#include <vector>

juce::AudioProcessor* JUCE_CALLTYPE createPluginFilter();

namespace
{
struct Setting
{
    int index;
    float value;
};

struct Settings
{
    const char* name;
    std::vector<Setting> values;
};

// Indices: 0 drive, 1 bias, 2 input, 3 valve blend, 4 valve mode, 5 ratio, 6 attack, 7 recovery,
// 8 threshold, 9 comp blend, 10 output, 11 master bypass.
const Settings driveAndCompression{"DriveAndCompression",
                                   {{0, 0.8f}, {3, 1.0f}, {9, 1.0f}, {5, 0.5f}, {8, 0.6f}, {10, 0.8f}}};
const Settings secondModeAllKnobs{"SecondModeAllKnobs",
                                  {{0, 0.5f},
                                   {1, 0.6f},
                                   {2, 0.7f},
                                   {3, 0.5f},
                                   {4, 1.0f},
                                   {5, 0.25f},
                                   {6, 0.45f},
                                   {7, 0.15f},
                                   {8, 0.9f},
                                   {9, 0.7f},
                                   {10, 0.6f}}};
const Settings masterBypassOff{"MasterBypassOff", {{0, 0.8f}, {3, 1.0f}, {9, 1.0f}, {11, 0.0f}}};

struct HostCase
{
    PluginFormat format;
    const Settings* settings;
    double sampleRate;
    int blockSize;
};

void PrintTo(const HostCase& c, std::ostream* os)
{
    *os << PluginBinaries::formatName(c.format) << ' ' << c.settings->name << ' ' << c.sampleRate << " Hz "
        << c.blockSize;
}

std::vector<HostCase> hostCases()
{
    std::vector<HostCase> cases;

    for (auto format : {PluginFormat::vst2, PluginFormat::vst3, PluginFormat::lv2})
    {
        for (double rate : {44100.0, 48000.0, 96000.0})
            for (int block : {32, 512, 1024})
                cases.push_back({format, &driveAndCompression, rate, block});

        for (const auto* settings : {&secondModeAllKnobs, &masterBypassOff})
        {
            cases.push_back({format, settings, 44100.0, 32});
            cases.push_back({format, settings, 96000.0, 1024});
        }
    }

    return cases;
}

void apply(juce::AudioProcessor& processor, const Settings& settings)
{
    const auto parameters = HostedParameters::inIndexOrder(processor);
    ASSERT_EQ(parameters.size(), 12);

    for (const auto& setting : settings.values)
        parameters[setting.index]->setValue(setting.value);
}

// Long enough for the compressor to settle, and no multiple of any block size, so every run ends
// with a shorter block.
constexpr int numSamples = 4 * 1024 + 300;
constexpr float tolerance = 1.0e-6f;

class HostedProcessing : public testing::TestWithParam<HostCase>
{
};

TEST_P(HostedProcessing, MatchesTheProcessorRunInProcess)
{
    const auto& param = GetParam();
    const auto input = BlockRunner::noise(2, numSamples, 20240611);

    std::unique_ptr<juce::AudioProcessor> reference(createPluginFilter());
    ASSERT_NO_FATAL_FAILURE(apply(*reference, *param.settings));
    BlockRunner::prepare(*reference, param.sampleRate, param.blockSize);
    const auto expected = BlockRunner::run(*reference, input, param.blockSize);

    PluginBinaries binaries;
    juce::String error;
    auto hosted = binaries.instantiate(param.format, param.sampleRate, param.blockSize, error);
    ASSERT_NE(hosted, nullptr) << error;
    ASSERT_NO_FATAL_FAILURE(apply(*hosted, *param.settings));
    BlockRunner::prepare(*hosted, param.sampleRate, param.blockSize);
    const auto actual = BlockRunner::run(*hosted, input, param.blockSize);
    hosted->releaseResources();

    float largestDifference = 0.0f;
    float largestOutput = 0.0f;
    int firstMismatch = -1;

    for (int channel = 0; channel < 2; ++channel)
    {
        for (int i = 0; i < numSamples; ++i)
        {
            const float a = actual.getSample(channel, i);
            const float e = expected.getSample(channel, i);
            ASSERT_TRUE(std::isfinite(a)) << "channel " << channel << " sample " << i;
            const float difference = std::abs(a - e);

            if (difference > tolerance && firstMismatch < 0)
                firstMismatch = i;

            largestDifference = std::max(largestDifference, difference);

            // The plug-in's first block is silent; after it the chain must give sound.
            if (i >= param.blockSize)
                largestOutput = std::max(largestOutput, std::abs(a));
        }
    }

    EXPECT_LE(largestDifference, tolerance) << "first mismatch at sample " << firstMismatch;
    EXPECT_GT(largestOutput, 0.01f);
}

INSTANTIATE_TEST_SUITE_P(FormatsRatesAndBlocks, HostedProcessing, testing::ValuesIn(hostCases()),
                         [](const testing::TestParamInfo<HostCase>& info)
                         {
                             const auto& c = info.param;
                             return (PluginBinaries::formatName(c.format) + "_" + c.settings->name + "_" +
                                     juce::String((int)c.sampleRate) + "Hz_" + juce::String(c.blockSize))
                                 .toStdString();
                         });
} // namespace
