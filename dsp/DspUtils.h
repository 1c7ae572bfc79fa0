#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

// Stateless buffer helpers shared by the valve processor, the processor and the parameters.
class DspUtils
{
public:
    DspUtils();
    ~DspUtils();

    // destination = destination * destinationGain + source * sourceGain, on channels 0 and 1.
    void blendBuffers(juce::AudioSampleBuffer& destination, const juce::AudioSampleBuffer& source,
                      float destinationGain, float sourceGain);

    // Copies channel 0 of source into channel 0 of destination; other channels stay.
    void copyFirstChannel(juce::AudioSampleBuffer& destination, const juce::AudioSampleBuffer& source);

    // Linear map without clamping; the quotient of the spans is taken first.
    float mapRange(float inMin, float inMax, float outMin, float outMax, float value);
};
