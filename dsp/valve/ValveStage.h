#pragma once

#include <array>
#include <cstdint>

#include <juce_audio_basics/juce_audio_basics.h>

#include "Kernels.h"
#include "filters/AnalogFilter.h"
#include "valve/HarmonicExciter.h"

// The valve model: pre-gain, exciter, filters, optional soft saturation, a clamp of positive peaks,
// the tube curve and a DC blocker, in place on channels 0 and 1 of a block.
class ValveStage
{
public:
    static constexpr int kNumParameters = 13;
    static constexpr int kNumPresets = 7;

    // Columns p0 to p12. Row 5 is the default (valve mode 0), row 6 is valve mode 1.
    static constexpr std::int32_t kValvePresets[kNumPresets][kNumParameters] = {
        {0, 64, 64, 127, 64, 0, 5841, 61, 1, 0, 69, 1, 84},
        {0, 64, 64, 127, 64, 0, 5078, 61, 1, 0, 112, 0, 30},
        {0, 64, 35, 80, 64, 1, 3134, 358, 1, 1, 100, 1, 30},
        {0, 64, 64, 127, 64, 0, 7841, 22, 1, 0, 69, 1, 84},
        {0, 64, 64, 127, 64, 0, 7078, 22, 1, 0, 112, 0, 30},
        {0, 44, 64, 80, 10, 0, 5020, 55, 1, 0, 112, 0, 50},
        {0, 34, 64, 60, 30, 0, 14020, 42, 1, 0, 112, 0, 25},
    };

    ValveStage();
    ~ValveStage();

    void init();
    void loadPreset(int row);
    void setParameter(int index, int value);
    void activate();

    void setSampleRate(double rate);
    void setBlockSize(int size);
    void setNumSamples(double count);

    void processBlock(juce::AudioSampleBuffer& buffer);
    void process(juce::AudioSampleBuffer& buffer);
    // Block path: processBlock() and process() with the same output and state, the exciter's block
    // path, the tube curve's exponentials as one pass and the stereo filters side by side.
    void processBlockInPasses(juce::AudioSampleBuffer& buffer);

    bool active;
    float sampleRate;
    int blockSize;
    int params[kNumParameters];
    float tubeQ;
    float tubeDist;
    float dcState[4]; // previous output ch0, ch1; previous input ch0, ch1
    float satThreshold;
    float dcPole;
    float harmonics[10];
    float tubeOffset;
    float tubeAtQ;
    float preGain;
    ZandralDSP::AnalogFilter lowpassA;
    ZandralDSP::AnalogFilter lowpassB;
    ZandralDSP::AnalogFilter highpassA;
    ZandralDSP::AnalogFilter highpassB;
    HarmonicExciter exciter;

private:
    // The four filters, for calls that go to each of them alike.
    std::array<ZandralDSP::AnalogFilter*, 4> filters()
    {
        return {&lowpassA, &lowpassB, &highpassA, &highpassB};
    }
    void passOnBlockLength(int n);
    void applyPreGain(float* a, float* b, int n, bool stereo) const;
    // The stage order, for both paths: inPasses picks the block passes of each stage.
    template <bool inPasses> void runStages(juce::AudioSampleBuffer& buffer);
    void resetFiltersAndDcStates();
    template <bool inPasses> void runFilters(float* a, float* b, bool stereo);
    void softSaturate(float* samples, int n) const;
    kernels::TubeParams tubeParams() const;
    // The clamp and the tube curve, in place.
    template <bool inPasses> void clampAndTubeCurve(float* samples, int n) const;
    void dcBlock(float* samples, int n, int channel);
    // DC blocker, lowpass and highpass of both channels in one loop, if the filters allow.
    bool dcBlockAndFilterPair(float* a, float* b, int n);
};
