#include "DspUtils.h"

DspUtils::DspUtils() {}

DspUtils::~DspUtils() {}

void DspUtils::blendBuffers(juce::AudioSampleBuffer& destination, const juce::AudioSampleBuffer& source,
                            float destinationGain, float sourceGain)
{
    const int n = destination.getNumSamples();
    float* d0 = destination.getWritePointer(0);
    float* d1 = destination.getWritePointer(1);
    // The source is accessed for writing too, so that both buffers end marked as not clear.
    auto& writableSource = const_cast<juce::AudioSampleBuffer&>(source);
    const float* s0 = writableSource.getWritePointer(0);
    const float* s1 = writableSource.getWritePointer(1);

    for (int i = 0; i < n; ++i)
    {
        d0[i] = d0[i] * destinationGain + s0[i] * sourceGain;
        d1[i] = d1[i] * destinationGain + s1[i] * sourceGain;
    }
}

void DspUtils::copyFirstChannel(juce::AudioSampleBuffer& destination, const juce::AudioSampleBuffer& source)
{
    const int n = destination.getNumSamples();
    float* d = destination.getWritePointer(0);
    const float* s = const_cast<juce::AudioSampleBuffer&>(source).getWritePointer(0);

    for (int i = 0; i < n; ++i)
        d[i] = s[i];
}

float DspUtils::mapRange(float inMin, float inMax, float outMin, float outMax, float value)
{
    const float spanRatio = (outMax - outMin) / (inMax - inMin);
    const float scaled = (value - inMin) * spanRatio;
    return scaled + outMin;
}
