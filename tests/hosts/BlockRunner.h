#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

// Drives a processor, hosted or in-process, the way a host does: prepared for one block size, then
// fed consecutive blocks of that size, the last one shorter when the input does not divide evenly.
class BlockRunner
{
public:
    static juce::AudioBuffer<float> noise(int numChannels, int numSamples, juce::int64 seed);

    static void prepare(juce::AudioProcessor& processor, double sampleRate, int blockSize);

    static juce::AudioBuffer<float> run(juce::AudioProcessor& processor,
                                        const juce::AudioBuffer<float>& input, int blockSize);
};
