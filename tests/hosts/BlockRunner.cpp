#include "BlockRunner.h"

juce::AudioBuffer<float> BlockRunner::noise(int numChannels, int numSamples, juce::int64 seed)
{
    juce::Random random(seed);
    juce::AudioBuffer<float> buffer(numChannels, numSamples);

    for (int channel = 0; channel < numChannels; ++channel)
        for (int i = 0; i < numSamples; ++i)
            buffer.setSample(channel, i, 0.5f * (2.0f * random.nextFloat() - 1.0f));

    return buffer;
}

void BlockRunner::prepare(juce::AudioProcessor& processor, double sampleRate, int blockSize)
{
    processor.setRateAndBufferSizeDetails(sampleRate, blockSize);
    processor.prepareToPlay(sampleRate, blockSize);
}

juce::AudioBuffer<float> BlockRunner::run(juce::AudioProcessor& processor,
                                          const juce::AudioBuffer<float>& input, int blockSize)
{
    const int numChannels = input.getNumChannels();
    juce::AudioBuffer<float> output(numChannels, input.getNumSamples());
    juce::AudioBuffer<float> block(numChannels, blockSize);
    juce::MidiBuffer midi;

    for (int start = 0; start < input.getNumSamples(); start += blockSize)
    {
        const int length = juce::jmin(blockSize, input.getNumSamples() - start);
        block.setSize(numChannels, length, false, false, true);

        for (int channel = 0; channel < numChannels; ++channel)
            block.copyFrom(channel, 0, input, channel, start, length);

        processor.processBlock(block, midi);
        midi.clear();

        for (int channel = 0; channel < numChannels; ++channel)
            output.copyFrom(channel, start, block, channel, 0, length);
    }

    return output;
}
