#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

#include "DspUtils.h"
#include "valve/ValveStage.h"

// Runs the valve stage on a copy of the block and mixes it back by the drive.
class ValveProcessor
{
public:
    ValveProcessor();
    ~ValveProcessor();

    void setDrive(float drive);
    void setBias(float bias);
    void setMode(int mode);
    void prepare(double sampleRate, double blockSize);
    void process(juce::AudioSampleBuffer& io);
    // Block path: process() with the stage's block path, the same output and state.
    void processInPasses(juce::AudioSampleBuffer& io);

    juce::AudioSampleBuffer workBuffer;
    juce::Array<float> settings; // [0] drive 0..1, [1] bias
    float inputGain;
    ValveStage stage;
    DspUtils dspUtils;

private:
    int driveToStageValue(float drive);
    void fillWorkBuffer(const juce::AudioSampleBuffer& io);
};
