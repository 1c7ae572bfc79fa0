#include <gtest/gtest.h>

#include "HostTreatment.h"
#include "VornAudioProcessor.h"

#include <string>
#include <vector>

using namespace host_treatment;

namespace
{
const double kRates[] = {0.0, 22050.0, 44100.0, 48000.0, 88200.0, 96000.0, 192000.0, 384000.0};
const int kBlockSizes[] = {1, 2, 7, 64, 511, 512, 1024, 8192};

struct MatrixCase
{
    double rate;
    int blockSize;
};

void PrintTo(const MatrixCase& c, std::ostream* os)
{
    *os << c.rate << " Hz, " << c.blockSize << " samples";
}

std::vector<MatrixCase> matrixCases()
{
    std::vector<MatrixCase> cases;
    for (const double rate : kRates)
        for (const int blockSize : kBlockSizes)
            cases.push_back({rate, blockSize});
    return cases;
}

class ProcessorMatrix : public testing::TestWithParam<MatrixCase>
{
};

TEST_P(ProcessorMatrix, OutputStaysFiniteAndNormalAndSilenceDiesAway)
{
    const auto& c = GetParam();

    for (const auto preparation : {Preparation::once, Preparation::againWithoutRelease,
                                   Preparation::againAfterRelease, Preparation::oversizedBlocks})
        for (const auto signal : {Signal::noise, Signal::silenceAfterLoud, Signal::fullScaleSines})
            for (const auto setting : {Setting::allZero, Setting::allOne, Setting::defaults})
            {
                SCOPED_TRACE(describe(preparation, signal, setting));
                VornAudioProcessor processor;
                apply(processor.getParameters(), setting);
                prepare(processor, c.rate, c.blockSize, preparation);

                const int hostBlock = hostBlockFor(c.blockSize, preparation);
                auto stimulus = makeStimulus(signal, c.rate, hostBlock, c.blockSize * 31 + (int)c.rate);
                processInBlocks(processor, stimulus.audio, hostBlock);
                ASSERT_NO_FATAL_FAILURE(expectSoundOutput(stimulus, signal == Signal::silenceAfterLoud));
            }
}

INSTANTIATE_TEST_SUITE_P(RatesAndBlockSizes, ProcessorMatrix, testing::ValuesIn(matrixCases()),
                         [](const testing::TestParamInfo<MatrixCase>& info) {
                             return std::to_string((int)info.param.rate) + "Hz_" +
                                    std::to_string(info.param.blockSize);
                         });

// Hosts are offered mono to mono and stereo to stereo only, so that none widens the plug-in to
// its maximum channel count (a 2.4 host did: 64 in, 64 out, and a collapsed stereo image).
TEST(ProcessorLayouts, OnlyMonoToMonoAndStereoToStereo)
{
    using Set = juce::AudioChannelSet;
    const struct
    {
        Set input;
        Set output;
        bool supported;
    } cases[] = {
        {Set::mono(), Set::mono(), true},
        {Set::stereo(), Set::stereo(), true},
        {Set::mono(), Set::stereo(), false},
        {Set::stereo(), Set::mono(), false},
        {Set::disabled(), Set::stereo(), false},
        {Set::stereo(), Set::disabled(), false},
        {Set::createLCR(), Set::createLCR(), false},
        {Set::discreteChannels(64), Set::discreteChannels(64), false},
        {Set::create5point1(), Set::create5point1(), false},
    };

    VornAudioProcessor processor;
    for (const auto& c : cases)
    {
        juce::AudioProcessor::BusesLayout layout;
        layout.inputBuses.add(c.input);
        layout.outputBuses.add(c.output);
        EXPECT_EQ(processor.checkBusesLayoutSupported(layout), c.supported)
            << c.input.getDescription() << " -> " << c.output.getDescription();
    }

    // A host asking for more channels keeps the plug-in at stereo.
    processor.setPlayConfigDetails(64, 64, 48000.0, 512);
    EXPECT_EQ(processor.getTotalNumInputChannels(), 2);
    EXPECT_EQ(processor.getTotalNumOutputChannels(), 2);
}
} // namespace
