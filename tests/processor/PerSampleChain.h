#pragma once

#include "VornAudioProcessor.h"

// The chain of processStereo() with the per-sample operations throughout: the valve processor's
// process(), which runs the stage's per-sample chain, and the compressor's process() pair by pair.
// For finite signals, where the processor's replacement of non-finite samples changes nothing.
inline void processPerSampleChain(VornAudioProcessor& p, juce::AudioSampleBuffer& buffer)
{
    juce::AudioSampleBuffer valveDry, compDry;
    valveDry.makeCopyOf(buffer);

    p.valveProcessor.process(buffer);
    const float valveBlend = p.valveBlendParam->getValue();
    p.dspUtils.blendBuffers(buffer, valveDry, valveBlend, 1.0f - valveBlend);

    compDry.makeCopyOf(buffer);
    float* left = buffer.getWritePointer(0);
    float* right = buffer.getWritePointer(1);
    for (int i = 0; i < buffer.getNumSamples(); ++i)
    {
        double l = left[i], r = right[i];
        p.compressor.process(l, r);
        left[i] = (float)l;
        right[i] = (float)r;
    }
    const float compBlend = p.compBlendParam->getValue();
    p.dspUtils.blendBuffers(buffer, compDry, compBlend, 1.0f - compBlend);
}
