#pragma once

#include "Kernels.h"
#include "simd/VectorPasses.h"

// Feed-forward stereo compressor with a soft knee, level-dependent time constants, an optional
// peak-hold detector with output clip, and linked or independent channels. Works in place.
class SoftKneeCompressor
{
public:
    // Parameter indices, also the columns of the preset table.
    enum Parameter
    {
        thresholdParam = 0,
        ratioParam,
        gainParam,
        attackParam,
        releaseParam,
        autoMakeupParam,
        kneeParam,
        channelModeParam,
        peakModeParam,
        numParameters
    };

    static constexpr int numPresets = 8;

    // One gain computer with its envelope follower.
    struct GainPath
    {
        float envelope = 0.0f;
        float envelopeDb = 0.0f;
        float attackNow = 1.0f;
        float releaseNow = 1.0f;
        float targetGain = 1.0f;
        float prevTargetGain = 1.0f;
        float appliedGain = 1.0f;
    };

    // Peak-hold detector of one buffer.
    using PeakHold = kernels::PeakHold;

    SoftKneeCompressor();
    ~SoftKneeCompressor();

    // Takes effect at the next init(); the time constants need a preset or setParameter after that.
    void setSampleRate(double newSampleRate);
    void setNumSamples(double newNumSamples);

    // Resets the state and the parameters; a preset row or all parameters must follow.
    void init();

    void setParameter(int index, int value);
    int getParameter(int index) const;

    // Rows outside the table are ignored.
    void loadPreset(int row);

    void process(float* first, float* second);
    // Block path with the same output and state as process(): the detectors and envelopes run
    // serially, then the logarithms, the gain computer and the gains in passes over the block.
    void processBlock(float* first, float* second);
    // The block path over the next n samples of the block, whatever the sample count; a block taken
    // in consecutive stretches gives what one processBlock() gives.
    void processStretch(float* first, float* second, int n);

    int getHoldSamples() const { return holdSamples; }
    float getThreshold() const { return threshold; }
    float getKneeTop() const { return kneeTop; }
    float getKneeWidth() const { return kneeWidth; }
    float getLog2Ratio() const { return log2Ratio; }
    float getMakeupDb() const { return makeupDb; }
    float getMakeupGain() const { return makeupGain; }
    float getAttackCoef() const { return attackCoef; }
    float getReleaseCoef() const { return releaseCoef; }

    // path 0 serves the first buffer (both when linked), path 1 the second when independent.
    const GainPath& getPath(int path) const { return paths[path == 0 ? 0 : 1]; }
    const PeakHold& getPeakHold(int buffer) const { return peaks[buffer == 0 ? 0 : 1]; }

private:
    void updateDerivedValues();
    float detect(PeakHold& peak, float sample);
    // Gain computer: the target gain for an envelope in dB, never below 1e-5.
    float computeTargetGain(float level) const;
    kernels::SoftKneeParams gainComputer() const;
    void runPath(GainPath& path, float x);

    // Block path, in chunks of this many samples held on the stack.
    static constexpr int blockChunk = 256;
    template <bool linked, bool peak> void processChunk(float* first, float* second, int n);
    vector_passes::QuietEnvelopes quietEnvelopes;

    static const int presets[numPresets][numParameters];

    int thresholdDb = -24;
    int ratio = 4;
    int gainDb = -10;
    int attackMs = 20;
    int releaseMs = 50;
    int autoMakeup = 1;
    int kneePercent = 30;
    int channelMode = 0;
    int peakMode = 0;

    double sampleRate = 44100.0;
    double numSamples = 0.0;
    float invSampleRate = 1.0f / 44100.0f;
    int holdSamples = 551;

    // Neutral until the first parameter update: unity gain, instant time constants.
    float threshold = 0.0f;
    float ratioValue = 1.0f;
    float knee = 0.0f;
    float kneeWidth = 0.0f;
    float kneeTop = 0.0f;
    float log2Ratio = 1.0f;
    float makeupDb = 0.0f;
    float makeupGain = 1.0f;
    float invRatio = 1.0f;
    float invKneeWidth = 0.0f;
    float kneeTopGainDb = 0.0f;
    float attackCoef = 1.0f;
    float releaseCoef = 1.0f;

    PeakHold peaks[2];
    GainPath paths[2];
};
