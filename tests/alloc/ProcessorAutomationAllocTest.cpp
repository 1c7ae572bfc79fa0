#include <gtest/gtest.h>

#include "AllocationCounter.h"

#include "FloatParameter.h"
#include "VornAudioProcessor.h"

#include <cmath>
#include <cstdlib>
#include <string>

namespace
{
constexpr double kRate = 48000.0;
constexpr int kPrepared = 512;
constexpr int kSubBlock = 32;
constexpr int kMinute = 60 * 48000;

// A host with sample-accurate automation: each 32-sample slice of its buffer is preceded by up to
// ten parameter changes, applied on the audio thread as VST2 and VST3 wrappers do. "Valve Mode"
// switches rows mid-stream. Neither the changes nor the blocks may allocate, and every output
// sample must be a finite, normal number (or zero).
juce::int64 seedFromEnvironment()
{
    if (const char* text = std::getenv("VORN_AUTOMATION_SEED"))
        return std::atoll(text);
    return 20240613;
}

float randomValue(juce::Random& random, int index)
{
    if (index == FloatParameter::valveMode || index == FloatParameter::masterBypass)
        return random.nextInt(8) == 0 ? (random.nextBool() ? 1.0f : 0.0f) : random.nextFloat();
    switch (random.nextInt(10))
    {
    case 0:
        return 0.0f;
    case 1:
        return 1.0f;
    default:
        return random.nextFloat();
    }
}

TEST(ProcessorAutomationAlloc, AMinuteOfSubBlockAutomationAllocatesNothingAndStaysFinite)
{
    const auto seed = seedFromEnvironment();
    SCOPED_TRACE("seed " + std::to_string(seed) + " (set VORN_AUTOMATION_SEED to repeat another)");
    juce::Random random(seed);

    VornAudioProcessor processor;
    processor.setPlayConfigDetails(2, 2, kRate, kPrepared);
    processor.prepareToPlay(kRate, kPrepared);
    const auto& parameters = processor.getParameters();
    ASSERT_EQ(parameters.size(), FloatParameter::numParameters);

    // Noise and tones with stretches of silence, refilled per host buffer outside the measurement.
    juce::AudioSampleBuffer hostBuffer(2, kPrepared);
    juce::MidiBuffer midi;
    int valveModeSwitches = 0;
    long allocations = 0;
    int firstBad = -1;
    float badValue = 0.0f;

    for (int start = 0; start < kMinute; start += kPrepared)
    {
        const bool silent = (start / 24000) % 5 == 4;
        for (int channel = 0; channel < 2; ++channel)
            for (int i = 0; i < kPrepared; ++i)
                hostBuffer.setSample(channel, i,
                                     silent ? 0.0f
                                            : 0.6f * (float)std::sin(0.013 * (start + i) * (channel + 1)) +
                                                  0.4f * (random.nextFloat() * 2.0f - 1.0f));

        // Drawn before counting: the changes of each slice of this buffer.
        struct Change
        {
            int index;
            float value;
        };
        Change changes[kPrepared / kSubBlock][10];
        int numChanges[kPrepared / kSubBlock];
        for (int slice = 0; slice < kPrepared / kSubBlock; ++slice)
        {
            numChanges[slice] = random.nextInt(11);
            for (int k = 0; k < numChanges[slice]; ++k)
            {
                const int index = random.nextInt(FloatParameter::numParameters);
                changes[slice][k] = {index, randomValue(random, index)};
            }
        }

        {
            ScopedAllocationCounter counter;
            float* const* channels = hostBuffer.getArrayOfWritePointers();
            for (int slice = 0; slice < kPrepared / kSubBlock; ++slice)
            {
                for (int k = 0; k < numChanges[slice]; ++k)
                {
                    auto* parameter = parameters[changes[slice][k].index];
                    if (changes[slice][k].index == FloatParameter::valveMode &&
                        (parameter->getValue() < 0.5f) != (changes[slice][k].value < 0.5f))
                        ++valveModeSwitches;
                    parameter->setValue(changes[slice][k].value);
                }
                juce::AudioSampleBuffer block(channels, 2, slice * kSubBlock, kSubBlock);
                processor.processBlock(block, midi);
            }
            allocations += counter.count();
        }

        for (int channel = 0; channel < 2 && firstBad < 0; ++channel)
            for (int i = 0; i < kPrepared; ++i)
            {
                const float y = hostBuffer.getSample(channel, i);
                if (!std::isfinite(y) || std::fpclassify(y) == FP_SUBNORMAL)
                {
                    firstBad = start + i;
                    badValue = y;
                    break;
                }
            }
        ASSERT_LT(firstBad, 0) << "sample " << firstBad << " is " << badValue;
    }

    EXPECT_EQ(allocations, 0);
    EXPECT_GT(valveModeSwitches, 1000);
}
} // namespace
