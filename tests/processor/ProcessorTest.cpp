#include <gtest/gtest.h>

#include "FloatParameter.h"
#include "VornAudioProcessor.h"

#include <cmath>
#include <limits>
#include <memory>
#include <vector>

namespace
{
constexpr double kRate = 44100.0;
constexpr int kBlock = 512;

// The plug-in offers hosts mono and stereo only; this lets the tests reach the guard in processBlock
// for the channel counts a host could still impose.
struct AnyLayoutProcessor : VornAudioProcessor
{
    bool isBusesLayoutSupported(const BusesLayout&) const override { return true; }
};

std::unique_ptr<VornAudioProcessor> makePrepared(int numInputs, int numOutputs, int blockSize = kBlock)
{
    std::unique_ptr<VornAudioProcessor> processor = std::make_unique<AnyLayoutProcessor>();
    processor->setPlayConfigDetails(numInputs, numOutputs, kRate, blockSize);
    processor->prepareToPlay(kRate, blockSize);
    return processor;
}

void setParameter(VornAudioProcessor& processor, int index, float value)
{
    processor.getParameters()[index]->setValue(value);
}

// Every stage audible: driven valve path, compressor working on the loud parts, both fully wet.
void setEveryStageWorking(VornAudioProcessor& processor)
{
    const float values[FloatParameter::numParameters] = {0.8f, 0.5f, 0.9f, 1.0f, 1.0f, 0.3f,
                                                         0.0f, 0.2f, 0.7f, 1.0f, 0.8f, 1.0f};
    for (int i = 0; i < FloatParameter::numParameters; ++i)
        setParameter(processor, i, values[i]);
}

// Noise over a sine, peaking near 0.8, different for every channel and seed.
juce::AudioSampleBuffer makeSignal(int numChannels, int numSamples, int seed)
{
    juce::AudioSampleBuffer buffer(numChannels, numSamples);
    juce::Random random(seed);
    for (int channel = 0; channel < numChannels; ++channel)
        for (int i = 0; i < numSamples; ++i)
            buffer.setSample(channel, i,
                             0.5f * std::sin(0.03f * (float)(i + 97 * seed + 31 * channel)) +
                                 0.3f * (random.nextFloat() * 2.0f - 1.0f));
    return buffer;
}

void process(VornAudioProcessor& processor, juce::AudioSampleBuffer& buffer)
{
    juce::MidiBuffer midi;
    processor.processBlock(buffer, midi);
}

// The first block of an instance is silent; tests that compare audio start after it.
void processFirstBlock(VornAudioProcessor& processor, int numChannels)
{
    auto buffer = makeSignal(numChannels, kBlock, 999);
    process(processor, buffer);
}

void expectSameSamples(const juce::AudioSampleBuffer& actual, const juce::AudioSampleBuffer& expected,
                       int channel)
{
    ASSERT_EQ(actual.getNumSamples(), expected.getNumSamples());
    for (int i = 0; i < actual.getNumSamples(); ++i)
        ASSERT_EQ(actual.getSample(channel, i), expected.getSample(channel, i))
            << "channel " << channel << " sample " << i;
}

void expectSameBuffers(const juce::AudioSampleBuffer& actual, const juce::AudioSampleBuffer& expected)
{
    ASSERT_EQ(actual.getNumChannels(), expected.getNumChannels());
    for (int channel = 0; channel < actual.getNumChannels(); ++channel)
        expectSameSamples(actual, expected, channel);
}

bool allZero(const juce::AudioSampleBuffer& buffer)
{
    for (int channel = 0; channel < buffer.getNumChannels(); ++channel)
        for (int i = 0; i < buffer.getNumSamples(); ++i)
            if (buffer.getSample(channel, i) != 0.0f)
                return false;
    return true;
}

// Block lengths up to, at and beyond the prepared size (the last two are processed in slices).
const std::vector<int> kMixedLengths = {1, 7, 64, 511, kBlock, 300, 3 * kBlock, 1234, kBlock};

// Stereo blocks of every mixed length, each seeded firstSeed + its index, must leave exactly as they came.
void expectMixedLengthsPassUnchanged(VornAudioProcessor& processor, int firstSeed)
{
    for (size_t k = 0; k < kMixedLengths.size(); ++k)
    {
        const auto input = makeSignal(2, kMixedLengths[k], (int)k + firstSeed);
        auto buffer = input;
        process(processor, buffer);
        expectSameBuffers(buffer, input);
    }
}
} // namespace

//==============================================================================
struct FirstBlockCase
{
    int numInputs;
    int numOutputs;
    float masterBypass;
};

class ProcessorFirstBlock : public testing::TestWithParam<FirstBlockCase>
{
};

// The first block is cleared on every channel whatever the path; the next one passes the defaults'
// identity (or the bypass, or the unhandled channel count) unchanged.
TEST_P(ProcessorFirstBlock, IsSilentThenLaterBlocksAreProcessed)
{
    const auto c = GetParam();
    auto processor = makePrepared(c.numInputs, c.numOutputs);
    setParameter(*processor, FloatParameter::masterBypass, c.masterBypass);
    const int numChannels = std::max(c.numInputs, c.numOutputs);

    auto first = makeSignal(numChannels, kBlock, 1);
    process(*processor, first);
    EXPECT_TRUE(allZero(first));
    EXPECT_EQ(processor->firstBlockProcessed, 1);

    const auto input = makeSignal(numChannels, kBlock, 2);
    auto second = input;
    process(*processor, second);
    expectSameBuffers(second, input);
}

INSTANTIATE_TEST_SUITE_P(Paths, ProcessorFirstBlock,
                         testing::Values(FirstBlockCase{2, 2, 1.0f}, FirstBlockCase{2, 2, 0.0f},
                                         FirstBlockCase{1, 2, 1.0f}, FirstBlockCase{1, 1, 0.0f},
                                         FirstBlockCase{3, 3, 1.0f}));

//==============================================================================
// Both blends at 0: every block after the first leaves exactly as it came, whatever its length.
TEST(Processor, DefaultsAreAnExactIdentity)
{
    auto processor = makePrepared(2, 2);
    processFirstBlock(*processor, 2);

    expectMixedLengthsPassUnchanged(*processor, 10);
}

TEST(Processor, MasterBypassOffLeavesTheBufferUntouched)
{
    auto processor = makePrepared(2, 2);
    setEveryStageWorking(*processor);
    setParameter(*processor, FloatParameter::masterBypass, 0.0f);
    ASSERT_TRUE(processor->isBypassed());
    processFirstBlock(*processor, 2);

    expectMixedLengthsPassUnchanged(*processor, 20);
}

TEST(Processor, ThreeInputChannelsPassUnchanged)
{
    auto processor = makePrepared(3, 3);
    ASSERT_EQ(processor->getTotalNumInputChannels(), 3);
    setEveryStageWorking(*processor);
    processFirstBlock(*processor, 3);

    const auto input = makeSignal(3, kBlock, 30);
    auto buffer = input;
    process(*processor, buffer);
    expectSameBuffers(buffer, input);
}

// The settings are working: the chain does change the audio (guards the identity tests above).
TEST(Processor, EveryStageWorkingChangesTheAudio)
{
    auto processor = makePrepared(2, 2);
    setEveryStageWorking(*processor);
    processFirstBlock(*processor, 2);

    const auto input = makeSignal(2, kBlock, 31);
    auto buffer = input;
    process(*processor, buffer);

    double difference = 0.0;
    for (int channel = 0; channel < 2; ++channel)
        for (int i = 0; i < kBlock; ++i)
            difference += std::abs(buffer.getSample(channel, i) - input.getSample(channel, i));
    EXPECT_GT(difference / (2 * kBlock), 0.01);
}

//==============================================================================
class ProcessorMono : public testing::TestWithParam<int>
{
};

// Mono input runs the stereo chain on a duplicated channel: channel 0 matches a stereo instance fed
// the duplicate, sample for sample, and a second output channel keeps what the host put there.
TEST_P(ProcessorMono, MatchesChannelZeroOfTheStereoChain)
{
    const int numOutputs = GetParam();
    auto mono = makePrepared(1, numOutputs);
    auto stereo = makePrepared(2, 2);
    ASSERT_EQ(mono->getTotalNumInputChannels(), 1);
    setEveryStageWorking(*mono);
    setEveryStageWorking(*stereo);

    for (size_t k = 0; k <= kMixedLengths.size(); ++k)
    {
        // Block 0 is the silent first block, which still runs the chain.
        const int n = k == 0 ? kBlock : kMixedLengths[k - 1];
        const auto source = makeSignal(2, n, (int)k + 40);

        juce::AudioSampleBuffer monoBuffer(numOutputs, n);
        monoBuffer.copyFrom(0, 0, source, 0, 0, n);
        if (numOutputs > 1)
            monoBuffer.copyFrom(1, 0, source, 1, 0, n);
        const auto monoInput = monoBuffer;

        juce::AudioSampleBuffer stereoBuffer(2, n);
        stereoBuffer.copyFrom(0, 0, source, 0, 0, n);
        stereoBuffer.copyFrom(1, 0, source, 0, 0, n);

        process(*mono, monoBuffer);
        process(*stereo, stereoBuffer);

        expectSameSamples(monoBuffer, stereoBuffer, 0);
        if (numOutputs > 1 && k > 0)
            expectSameSamples(monoBuffer, monoInput, 1);
    }
}

INSTANTIATE_TEST_SUITE_P(OutputChannels, ProcessorMono, testing::Values(1, 2));

//==============================================================================
struct RateCase
{
    double requested;
    double stored;
};

class ProcessorPrepareRate : public testing::TestWithParam<RateCase>
{
};

TEST_P(ProcessorPrepareRate, StoresTheRateOrFallsBackAndSizesTheBuffers)
{
    const auto c = GetParam();
    VornAudioProcessor processor;
    processor.prepareToPlay(c.requested, 512);

    EXPECT_EQ(processor.currentSampleRate, c.stored);
    EXPECT_EQ(processor.compressor.getSampleRate(), c.stored);
    EXPECT_EQ(processor.valveProcessor.stage.sampleRate, (float)c.stored);
    for (const auto* buffer : {&processor.monoBuffer, &processor.valveDryBuffer, &processor.compDryBuffer})
    {
        EXPECT_EQ(buffer->getNumChannels(), 2);
        EXPECT_EQ(buffer->getNumSamples(), 512);
    }
    // "Valve Mode" suspends and resumes inside the re-application; processing must end resumed.
    EXPECT_FALSE(processor.isSuspended());
}

INSTANTIATE_TEST_SUITE_P(Rates, ProcessorPrepareRate,
                         testing::Values(RateCase{0.0, 44100.0}, RateCase{-48000.0, 44100.0},
                                         RateCase{std::numeric_limits<double>::quiet_NaN(), 44100.0},
                                         RateCase{std::numeric_limits<double>::infinity(), 44100.0},
                                         RateCase{96000.0, 96000.0}));

// Preparing sends the valve stage back to its first row; the parameters are then applied again.
TEST(Processor, PrepareReappliesDriveBiasAndMode)
{
    VornAudioProcessor processor;
    setParameter(processor, FloatParameter::valveDrive, 0.5f);
    setParameter(processor, FloatParameter::valveBias, 0.5f);
    setParameter(processor, FloatParameter::valveMode, 1.0f);
    processor.prepareToPlay(48000.0, 256);

    const auto& stage = processor.valveProcessor.stage;
    EXPECT_EQ(stage.params[3], 90);
    EXPECT_EQ(stage.params[10], 91);
    EXPECT_EQ(stage.params[6], ValveStage::kValvePresets[6][6]);
}

//==============================================================================
// "Output" is the compressor's make-up gain: at 1 it doubles the compressed path, at "Comp Blend" 0
// it changes nothing. The envelope, and so the gain reduction, does not depend on it.
TEST(Processor, OutputScalesOnlyTheCompressedPath)
{
    for (const float compBlend : {1.0f, 0.0f})
    {
        SCOPED_TRACE(compBlend);
        auto loud = makePrepared(2, 2);
        auto quiet = makePrepared(2, 2);
        for (auto* processor : {loud.get(), quiet.get()})
        {
            setParameter(*processor, FloatParameter::compThreshold, 1.0f);
            setParameter(*processor, FloatParameter::compRatio, 0.5f);
            setParameter(*processor, FloatParameter::compRecovery, 0.1f);
            setParameter(*processor, FloatParameter::compBlend, compBlend);
            processFirstBlock(*processor, 2);
        }
        setParameter(*loud, FloatParameter::output, 1.0f);
        setParameter(*quiet, FloatParameter::output, 0.0f);
        ASSERT_NEAR(loud->compressor.outputGain, 2.0f, 1e-6f);

        const float gainRatio = loud->compressor.outputGain / quiet->compressor.outputGain;
        for (int k = 0; k < 4; ++k)
        {
            const auto input = makeSignal(2, kBlock, 50 + k);
            auto a = input;
            auto b = input;
            process(*loud, a);
            process(*quiet, b);
            ASSERT_EQ(loud->compressor.gainReduction, quiet->compressor.gainReduction);
            ASSERT_LT(loud->compressor.gainReduction, 0.5f);

            for (int channel = 0; channel < 2; ++channel)
                for (int i = 0; i < kBlock; ++i)
                {
                    const float expected =
                        compBlend == 1.0f ? b.getSample(channel, i) * gainRatio : input.getSample(channel, i);
                    ASSERT_NEAR(a.getSample(channel, i), expected, 1e-6f * std::abs(expected) + 1e-12f)
                        << "channel " << channel << " sample " << i;
                }
        }
    }
}

// A blend is read from its parameter at every block: a wet block between two dry ones.
TEST(Processor, BlendsAreReadAtEveryBlock)
{
    for (const int blendIndex : {(int)FloatParameter::valveBlend, (int)FloatParameter::compBlend})
    {
        SCOPED_TRACE(blendIndex);
        auto processor = makePrepared(2, 2);
        setParameter(*processor, FloatParameter::valveDrive, 0.8f);
        processFirstBlock(*processor, 2);

        for (const float blend : {0.0f, 1.0f, 0.0f})
        {
            setParameter(*processor, blendIndex, blend);
            const auto input = makeSignal(2, kBlock, 60);
            auto buffer = input;
            process(*processor, buffer);
            const bool unchanged = buffer.getSample(0, 100) == input.getSample(0, 100) &&
                                   buffer.getSample(1, 300) == input.getSample(1, 300);
            EXPECT_EQ(unchanged, blend == 0.0f) << "blend " << blend;
        }
    }
}

//==============================================================================
struct SliceCase
{
    int numInputs;
    int longLength;
};

class ProcessorLongBlock : public testing::TestWithParam<SliceCase>
{
};

// A block longer than announced gives what the same audio gives in blocks of the prepared size.
TEST_P(ProcessorLongBlock, EqualsTheSameAudioInPreparedSizeBlocks)
{
    const auto c = GetParam();
    auto whole = makePrepared(c.numInputs, 2);
    auto pieces = makePrepared(c.numInputs, 2);
    for (auto* processor : {whole.get(), pieces.get()})
    {
        setEveryStageWorking(*processor);
        processFirstBlock(*processor, 2);
    }

    const auto input = makeSignal(2, c.longLength, 70);
    auto wholeBuffer = input;
    process(*whole, wholeBuffer);

    auto piecesBuffer = input;
    for (int start = 0; start < c.longLength; start += kBlock)
    {
        const int n = std::min(kBlock, c.longLength - start);
        juce::AudioSampleBuffer piece(2, n);
        for (int channel = 0; channel < 2; ++channel)
            piece.copyFrom(channel, 0, piecesBuffer, channel, start, n);
        process(*pieces, piece);
        for (int channel = 0; channel < 2; ++channel)
            piecesBuffer.copyFrom(channel, start, piece, channel, 0, n);
    }

    expectSameBuffers(wholeBuffer, piecesBuffer);
}

INSTANTIATE_TEST_SUITE_P(Lengths, ProcessorLongBlock,
                         testing::Values(SliceCase{2, 3 * kBlock}, SliceCase{2, 2 * kBlock + 200},
                                         SliceCase{1, 3 * kBlock}, SliceCase{1, kBlock + 1}));

//==============================================================================
class ProcessorNonFiniteInput : public testing::TestWithParam<int>
{
};

// NaN and infinities in the input act as zeros: the output stays finite and matches an instance
// that was fed zeros in their place, in that block and the blocks after it.
TEST_P(ProcessorNonFiniteInput, ActsAsZeros)
{
    const int numInputs = GetParam();
    auto poisoned = makePrepared(numInputs, 2);
    auto clean = makePrepared(numInputs, 2);
    for (auto* processor : {poisoned.get(), clean.get()})
    {
        setEveryStageWorking(*processor);
        processFirstBlock(*processor, 2);
    }

    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const struct
    {
        int channel;
        int sample;
        float value;
    } bad[] = {{0, 0, nan}, {0, 10, inf}, {1, 11, -inf}, {0, 200, -inf}, {1, 201, nan}, {0, 511, nan}};

    for (int k = 0; k < 4; ++k)
    {
        const auto input = makeSignal(2, kBlock, 80 + k);
        auto a = input;
        auto b = input;
        if (k == 0)
            for (const auto& x : bad)
            {
                a.setSample(x.channel, x.sample, x.value);
                b.setSample(x.channel, x.sample, 0.0f);
            }

        process(*poisoned, a);
        process(*clean, b);

        // On the mono path channel 1 is the host's and passes as it came.
        for (int channel = 0; channel < numInputs; ++channel)
            for (int i = 0; i < kBlock; ++i)
            {
                ASSERT_TRUE(std::isfinite(a.getSample(channel, i))) << "block " << k << " sample " << i;
                ASSERT_EQ(a.getSample(channel, i), b.getSample(channel, i))
                    << "block " << k << " channel " << channel << " sample " << i;
            }
    }
}

INSTANTIATE_TEST_SUITE_P(Paths, ProcessorNonFiniteInput, testing::Values(2, 1));

//==============================================================================
TEST(Processor, FixedAnswers)
{
    VornAudioProcessor processor;
    EXPECT_EQ(processor.getName(), "VORN");
    EXPECT_EQ(processor.getTailLengthSeconds(), 0.0);
    EXPECT_FALSE(processor.acceptsMidi());
    EXPECT_FALSE(processor.producesMidi());
    EXPECT_EQ(processor.getNumPrograms(), 1);
    EXPECT_EQ(processor.getCurrentProgram(), 0);
    EXPECT_EQ(processor.getProgramName(0), "");
    EXPECT_FALSE(processor.silenceInProducesSilenceOut());
    EXPECT_EQ(processor.getParameters().size(), 12);

    JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE("-Wdeprecated-declarations")
    EXPECT_EQ(processor.getInputChannelName(0), "1");
    EXPECT_EQ(processor.getOutputChannelName(1), "2");
    EXPECT_EQ(processor.getInputChannelName(9), "10");
    EXPECT_TRUE(processor.isInputChannelStereoPair(0));
    EXPECT_TRUE(processor.isOutputChannelStereoPair(3));
    JUCE_END_IGNORE_WARNINGS_GCC_LIKE

    std::unique_ptr<juce::AudioProcessor> created(createPluginFilter());
    EXPECT_NE(dynamic_cast<VornAudioProcessor*>(created.get()), nullptr);
}
