#pragma once

#include <gtest/gtest.h>
#include <juce_audio_processors/juce_audio_processors.h>

#include <algorithm>
#include <cmath>
#include <string>

// What hosts and validators do to an instance, shared by the in-process and the hosted checks:
// prepared again with and without releaseResources, blocks longer than announced, hostile signals,
// every parameter at its extremes. The output must stay finite and normal, and silence die away.
namespace host_treatment
{
enum class Preparation
{
    once,
    againWithoutRelease,
    againAfterRelease,
    oversizedBlocks
};

enum class Signal
{
    noise,
    silenceAfterLoud,
    fullScaleSines
};

enum class Setting
{
    allZero,
    allOne,
    defaults
};

inline const char* nameOf(Preparation p)
{
    switch (p)
    {
    case Preparation::once:
        return "once";
    case Preparation::againWithoutRelease:
        return "againWithoutRelease";
    case Preparation::againAfterRelease:
        return "againAfterRelease";
    case Preparation::oversizedBlocks:
        return "oversizedBlocks";
    }
    return "";
}

inline const char* nameOf(Signal s)
{
    switch (s)
    {
    case Signal::noise:
        return "noise";
    case Signal::silenceAfterLoud:
        return "silenceAfterLoud";
    case Signal::fullScaleSines:
        return "fullScaleSines";
    }
    return "";
}

inline const char* nameOf(Setting s)
{
    switch (s)
    {
    case Setting::allZero:
        return "allZero";
    case Setting::allOne:
        return "allOne";
    case Setting::defaults:
        return "defaults";
    }
    return "";
}

// Parameters in index order; the defaults are 0 but for "Master Bypass", whose 1 means running.
inline void apply(const juce::Array<juce::AudioProcessorParameter*>& parameters, Setting setting)
{
    for (int i = 0; i < parameters.size(); ++i)
        parameters[i]->setValue(setting == Setting::allZero  ? 0.0f
                                : setting == Setting::allOne ? 1.0f
                                                             : (i == parameters.size() - 1 ? 1.0f : 0.0f));
}

// 0 is what a host sends before it knows its rate; the processor runs at 44100 then.
inline double effectiveRate(double rate)
{
    return rate > 0.0 ? rate : 44100.0;
}

struct Stimulus
{
    juce::AudioSampleBuffer audio;
    int loudLength;
};

// At least a few host blocks of loud input; for silenceAfterLoud, then a third of a second of
// digital silence (whatever the rate) for the tail to die away.
inline Stimulus makeStimulus(Signal signal, double rate, int hostBlock, juce::int64 seed)
{
    const double r = effectiveRate(rate);
    const int loudLength = std::max(4096, 3 * hostBlock);
    const int tailLength = std::max((int)(r / 3.0), 8 * hostBlock);
    const int total = signal == Signal::silenceAfterLoud ? loudLength + tailLength : loudLength;

    Stimulus stimulus{juce::AudioSampleBuffer(2, total), loudLength};
    juce::Random random(seed);
    for (int channel = 0; channel < 2; ++channel)
        for (int i = 0; i < total; ++i)
        {
            float x = 0.0f;
            switch (signal)
            {
            case Signal::noise:
                x = random.nextFloat() * 2.0f - 1.0f;
                break;
            case Signal::silenceAfterLoud:
                // Full-scale square bursts, then nothing.
                x = i >= loudLength ? 0.0f : ((i / 64) % 2 == 0 ? 1.0f : -1.0f);
                break;
            case Signal::fullScaleSines:
                // A low tone on the left, one near the top of the band on the right.
                x = (float)std::sin(juce::MathConstants<double>::twoPi * i *
                                    (channel == 0 ? 55.0 : 0.45 * r) / r);
                break;
            }
            stimulus.audio.setSample(channel, i, x);
        }
    return stimulus;
}

// Prepares as the preparation says; the processor already has its settings.
inline void prepare(juce::AudioProcessor& processor, double rate, int blockSize, Preparation preparation)
{
    processor.setRateAndBufferSizeDetails(rate, blockSize);
    if (preparation == Preparation::againWithoutRelease || preparation == Preparation::againAfterRelease)
    {
        // First prepared for another size, with some audio through it.
        const int other = blockSize == 512 ? 64 : 512;
        processor.setRateAndBufferSizeDetails(rate, other);
        processor.prepareToPlay(rate, other);
        juce::AudioSampleBuffer warmUp(2, other);
        juce::MidiBuffer midi;
        juce::Random random(7);
        for (int k = 0; k < 3; ++k)
        {
            for (int channel = 0; channel < 2; ++channel)
                for (int i = 0; i < other; ++i)
                    warmUp.setSample(channel, i, random.nextFloat() * 2.0f - 1.0f);
            processor.processBlock(warmUp, midi);
        }
        if (preparation == Preparation::againAfterRelease)
            processor.releaseResources();
        processor.setRateAndBufferSizeDetails(rate, blockSize);
    }
    processor.prepareToPlay(rate, blockSize);
}

inline int hostBlockFor(int blockSize, Preparation preparation)
{
    return preparation == Preparation::oversizedBlocks ? 2 * blockSize + 3 : blockSize;
}

// Processes the audio in place, in consecutive host blocks.
inline void processInBlocks(juce::AudioProcessor& processor, juce::AudioSampleBuffer& audio, int hostBlock)
{
    juce::MidiBuffer midi;
    float* const* channels = audio.getArrayOfWritePointers();
    for (int start = 0; start < audio.getNumSamples(); start += hostBlock)
    {
        juce::AudioSampleBuffer block(channels, audio.getNumChannels(), start,
                                      std::min(hostBlock, audio.getNumSamples() - start));
        processor.processBlock(block, midi);
        midi.clear();
    }
}

// No NaN, no infinity, no subnormal; after the loud part a tail that only ever shrinks and whose
// last quarter is quiet.
inline void expectSoundOutput(const Stimulus& processed, bool silenceFollows)
{
    const auto& out = processed.audio;
    for (int channel = 0; channel < out.getNumChannels(); ++channel)
    {
        for (int i = 0; i < out.getNumSamples(); ++i)
        {
            const float x = out.getSample(channel, i);
            ASSERT_TRUE(std::isfinite(x) && std::fpclassify(x) != FP_SUBNORMAL)
                << "channel " << channel << " sample " << i << ": " << x;
        }

        if (!silenceFollows)
            continue;

        const int quarter = (out.getNumSamples() - processed.loudLength) / 4;
        const float first = out.getMagnitude(channel, processed.loudLength, quarter);
        const float last = out.getMagnitude(channel, processed.loudLength + 3 * quarter, quarter);
        EXPECT_LE(last, first) << "channel " << channel;
        EXPECT_LT(last, 1.0e-3f) << "channel " << channel << ", first quarter of the tail " << first;
    }
}

inline std::string describe(Preparation p, Signal s, Setting setting)
{
    return std::string(nameOf(p)) + ", " + nameOf(s) + ", parameters " + nameOf(setting);
}
} // namespace host_treatment
