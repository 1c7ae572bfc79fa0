#pragma once

#include "dynamics/SoftKneeCompressor.h"
#include "filters/AnalogFilter.h"

#include <array>
#include <vector>

// Adds generated harmonics to a stereo pair in place. Each channel's wet path is a copy of the
// input through a highpass, a shared compressor, a polynomial waveshaper and a lowpass.
class HarmonicExciter
{
public:
    static constexpr int numHarmonics = 10;
    static constexpr int numCoefficients = numHarmonics + 1;

    HarmonicExciter();
    ~HarmonicExciter();

    void setSampleRate(double newSampleRate);
    void setNumSamples(double newNumSamples);
    // Grows the work buffers when a block is longer than any seen before; shorter blocks reuse them.
    void setBlockSize(int newBlockSize);

    // harmonics: amplitudes h1 to h10.
    void init(const float* harmonics, float highpassHz, float lowpassHz, float mix);
    void setHarmonics(const float* harmonics);
    // relative != 0: amount is added to the mix given to init.
    void setMix(int relative, float amount);
    // relative != 0: hz is added to the base cutoff; otherwise it becomes the base.
    void setHighpass(int relative, float hz);

    void process(float* first, float* second);
    // Block path with the same output and state as process(): both channels' filters side by side
    // and the compressor's block path.
    void processBlock(float* first, float* second);

    // c: Chebyshev coefficients c0 to c10; d: the power-series coefficients d0 to d10.
    void chebyshevToPowerSeries(const float* c, float* d);

    int getBlockSize() const { return blockSize; }
    int getWorkBufferCapacity() const { return (int)workBufferA.size(); }
    float getWetGain() const { return wetGain; }
    float getBaseMix() const { return baseMix; }
    float getBaseHighpassHz() const { return baseHighpassHz; }
    const float* getPolyCoeffs() const { return polyCoeffs; }
    const ZandralDSP::AnalogFilter& getHighpass(int channel) const
    {
        return channel == 0 ? highpassA : highpassB;
    }
    const ZandralDSP::AnalogFilter& getLowpass(int channel) const
    {
        return channel == 0 ? lowpassA : lowpassB;
    }
    const SoftKneeCompressor& getCompressor() const { return compressor; }

private:
    // The four filters, for calls that go to each of them alike.
    std::array<ZandralDSP::AnalogFilter*, 4> filters()
    {
        return {&highpassA, &highpassB, &lowpassA, &lowpassB};
    }
    // The input into the work buffers; false when there is nothing to process or no room for it.
    bool copyIntoWorkBuffers(const float* first, const float* second);
    // Both paths: inPasses pairs the filters and takes the compressor's block path.
    template <bool inPasses> void run(float* first, float* second);
    // The block path with the lowpasses a stretch behind the highpasses in the same loop, so that
    // their recursions overlap; false (and nothing done) unless all four filters are single biquads
    // over count samples.
    bool runOverlapped(float* wetA, float* wetB, int count, const float* d);
    static constexpr int overlapStretch = 64;
    static void waveshape(float* a, float* b, int n, const float* d);

    double sampleRate = 44100.0;
    double numSamples = 0.0;
    int blockSize = 0;
    std::vector<float> workBufferA;
    std::vector<float> workBufferB;
    float wetGain = 0.0f;
    float polyCoeffs[numCoefficients] = {};
    ZandralDSP::AnalogFilter highpassA;
    ZandralDSP::AnalogFilter highpassB;
    ZandralDSP::AnalogFilter lowpassA;
    ZandralDSP::AnalogFilter lowpassB;
    SoftKneeCompressor compressor;
    float baseMix = 0.0f;
    float baseHighpassHz = 0.0f;
};
