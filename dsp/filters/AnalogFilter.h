#pragma once

#include "Kernels.h"
#include "ProtoFilter.h"

#include <vector>

namespace ZandralDSP
{

// Mono IIR filter working in place: one-pole lowpass/highpass (types 0, 1) or biquad lowpass,
// highpass, bandpass, notch, peak, low shelf, high shelf (types 2 to 8), as a cascade of one to six
// identical sections sharing one coefficient set.
//
// Above floor(sampleRateInt / 2) - 500 Hz the formulas break down, so each type switches to a fixed
// set there. A cutoff jump of more than 3x, or across that limit, crossfades from the previous set
// to the new one over the next block.
//
// Coefficient layout: b0, b1, b2, a0, a1, a2, with a0 unused (0). A section computes
// y = b0 x + b1 x1 + b2 x2 + a1 y1 + a2 y2, so a1 and a2 carry the opposite sign of the textbook
// denominator.
class AnalogFilter : public ProtoFilter
{
public:
    static constexpr int maxSections = 6;

    AnalogFilter();
    ~AnalogFilter() override;

    // Sample rate, number of samples and block size must be set before this.
    void init(int newType, int newOrderIndex, float newCutoff, float newQ);
    // Clears the states of both sets and drops a pending crossfade; settings and coefficients stay.
    void reset();
    // May grow the crossfade scratch, so process itself never allocates.
    void setNumSamples(double newNumSamples);
    void setBlockSize(int newBlockSize);
    // Recomputes the coefficients; arms no crossfade and keeps the states.
    void setSampleRate(double newSampleRate);

    void process(float* block) override;
    void setCutoff(float hz) override;
    void setCutoffAndQ(float hz, float newQ) override;
    void setQ(float newQ) override;
    void setGainDecibels(float db) override;

    void computeCoefficients();
    // Runs one section over the block in place; x and y are that section's input and output states,
    // b and a the two halves of a coefficient set.
    void processSection(float* block, float* x, float* y, const float* b, const float* a);

    // One second-order section's coefficients and states, as a value.
    using Biquad = kernels::BiquadSection<float>;

    // Two filters' biquads side by side, the first in lane 0 and the second in lane 1 of a vector
    // (lanes 2 and 3 idle): each step serves both, with the arithmetic of processSection().
    struct BiquadPair : kernels::BiquadSection<float __attribute__((vector_size(16)))>
    {
        typedef float Lanes __attribute__((vector_size(16)));

        BiquadPair(const Biquad& p, const Biquad& q)
            : BiquadSection{
                  Lanes{p.b0, q.b0, 0.0f, 0.0f}, Lanes{p.b1, q.b1, 0.0f, 0.0f}, Lanes{p.b2, q.b2, 0.0f, 0.0f},
                  Lanes{p.a1, q.a1, 0.0f, 0.0f}, Lanes{p.a2, q.a2, 0.0f, 0.0f}, Lanes{p.x1, q.x1, 0.0f, 0.0f},
                  Lanes{p.x2, q.x2, 0.0f, 0.0f}, Lanes{p.y1, q.y1, 0.0f, 0.0f}, Lanes{p.y2, q.y2, 0.0f, 0.0f}}
        {
        }

        // One step of both filters on sample i of their blocks, in place.
        void stepAt(float* firstBlock, float* secondBlock, int i)
        {
            const Lanes out = step(Lanes{firstBlock[i], secondBlock[i], 0.0f, 0.0f});
            firstBlock[i] = out[0];
            secondBlock[i] = out[1];
        }

        Biquad lane(int index) const
        {
            return Biquad{b0[index], b1[index], b2[index], a1[index], a2[index],
                          x1[index], x2[index], y1[index], y2[index]};
        }
    };

    // True when process() would run exactly one second-order section and no crossfade; only then do
    // getBiquad() and setBiquadState() stand for the whole filter.
    bool isSingleBiquad() const;
    Biquad getBiquad() const;
    // Stores x1, x2, y1, y2 back; the coefficients stay.
    void setBiquadState(const Biquad& section);
    // Samples that process() runs over.
    int getProcessCount() const { return sampleCount(); }

    // Block path: the same as first.process(firstBlock) followed by second.process(secondBlock),
    // with the two filters in one loop when both are single biquads over the same count.
    static void processPair(AnalogFilter& first, float* firstBlock, AnalogFilter& second, float* secondBlock);

    double getSampleRate() const { return sampleRate; }
    double getNumSamples() const { return numSamples; }
    int getBlockSize() const { return blockSize; }
    int getType() const { return type; }
    int getOrderIndex() const { return orderIndex; }
    int getSectionOrder() const { return sectionOrder; }
    bool isCrossfadePending() const { return crossfadePending != 0; }
    bool isCrossfadeSuppressed() const { return suppressCrossfade != 0; }
    bool isAboveLimit() const { return aboveLimit != 0; }
    int getSampleRateInt() const { return sampleRateInt; }
    float getSampleRateFloat() const { return sampleRateFloat; }
    float getCutoff() const { return cutoff; }
    float getQ() const { return q; }
    float getGain() const { return gain; }
    // Six values each: b0, b1, b2, a0, a1, a2.
    const float* getCoefficients() const { return coeffs; }
    const float* getPreviousCoefficients() const { return prevCoeffs; }
    // Two values each: x1, x2 and y1, y2 of one section.
    const float* getInputState(int section) const { return xState[section]; }
    const float* getOutputState(int section) const { return yState[section]; }
    const float* getPreviousInputState(int section) const { return prevXState[section]; }
    const float* getPreviousOutputState(int section) const { return prevYState[section]; }

private:
    // Number of indices i >= 0 with i < numSamples.
    int sampleCount() const;
    double cutoffLimit() const;
    bool isAboveCutoffLimit(float hz) const;
    void setFixedCoefficients(float sectionGain);
    void clearStates();
    void reserveScratch();

    double sampleRate;
    double numSamples;
    int blockSize;
    float xState[maxSections][2];
    float yState[maxSections][2];
    float prevXState[maxSections][2];
    float prevYState[maxSections][2];
    int type;
    int orderIndex;
    int sectionOrder;
    int crossfadePending;
    int suppressCrossfade;
    int aboveLimit;
    int wasAboveLimit;
    int sampleRateInt;
    float cutoff;
    float q;
    float gain;
    float coeffs[6];
    float prevCoeffs[6];
    float sampleRateFloat;

    // Output of the previous set during a crossfade; sized outside process.
    std::vector<float> scratch;
};

} // namespace ZandralDSP
