#include "dynamics/SoftKneeCompressor.h"

#include "Kernels.h"
#include "simd/VectorPasses.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace
{
// 10^(db/20) in single precision.
inline float decibelsToGain(float db)
{
    return std::exp(db * 2.302585f / 20.0f);
}

inline float timeCoefficient(int ms, float invSampleRate)
{
    return invSampleRate / ((float)ms / 1000.0f + invSampleRate);
}

// Envelope to dB through double precision, the same in both paths.
using vector_passes::scalar_loops::envelopeToDecibels;

using kernels::followEnvelope;
} // namespace

// thresholdDb, ratio, gainDb, attackMs, releaseMs, autoMakeup, kneePercent, channelMode, peakMode
const int SoftKneeCompressor::presets[numPresets][numParameters] = {
    {-30, 2, -6, 20, 120, 1, 0, 0, 0},  // 0
    {-26, 4, -8, 20, 120, 1, 10, 0, 0}, // 1
    {-24, 8, 0, 20, 10, 0, 0, 1, 0},    // 2
    {-1, 15, 0, 5, 250, 0, 0, 1, 1},    // 3
    {-20, 15, -3, 5, 50, 0, 0, 1, 1},   // 4
    {-3, 2, 0, 5, 50, 1, 0, 1, 0},      // 5
    {-60, 2, 0, 10, 500, 1, 0, 1, 1},   // 6
    {-1, 15, 0, 5, 50, 0, 0, 1, 1},     // 7
};

SoftKneeCompressor::SoftKneeCompressor() = default;

SoftKneeCompressor::~SoftKneeCompressor() = default;

void SoftKneeCompressor::setSampleRate(double newSampleRate)
{
    sampleRate = newSampleRate;
}

void SoftKneeCompressor::setNumSamples(double newNumSamples)
{
    numSamples = newNumSamples;
}

void SoftKneeCompressor::init()
{
    invSampleRate = 1.0f / (float)sampleRate;
    holdSamples = (int)(sampleRate * 0.0125);

    thresholdDb = -24;
    ratio = 4;
    gainDb = -10;
    attackMs = 20;
    releaseMs = 50;
    autoMakeup = 1;
    kneePercent = 30;
    channelMode = 0;
    peakMode = 0;

    for (auto& path : paths)
    {
        path.envelope = 0.0f;
        path.envelopeDb = 0.0f;
        path.targetGain = 1.0f;
        path.prevTargetGain = 1.0f;
        path.appliedGain = 1.0f;
        path.attackNow = 1.0f;
        path.releaseNow = 1.0f;
    }

    ratioValue = 1.0f;
    knee = 0.0f;

    for (auto& peak : peaks)
    {
        peak.peakLevel = 0.0f;
        peak.holdCount = 0;
    }
}

void SoftKneeCompressor::setParameter(int index, int value)
{
    switch (index)
    {
    case thresholdParam:
        thresholdDb = value;
        threshold = (float)value;
        break;
    case ratioParam:
        ratio = value;
        ratioValue = (float)value;
        break;
    case gainParam:
        gainDb = value;
        break;
    case attackParam:
        attackMs = value;
        attackCoef = timeCoefficient(value, invSampleRate);
        paths[0].attackNow = attackCoef;
        paths[1].attackNow = attackCoef;
        break;
    case releaseParam:
        releaseMs = value;
        releaseCoef = timeCoefficient(value, invSampleRate);
        paths[0].releaseNow = releaseCoef;
        paths[1].releaseNow = releaseCoef;
        break;
    case autoMakeupParam:
        autoMakeup = value;
        break;
    case kneeParam:
        kneePercent = value;
        knee = (float)value / 100.1f;
        break;
    case channelModeParam:
        channelMode = value;
        break;
    case peakModeParam:
        peakMode = value;
        break;
    default:
        break;
    }

    updateDerivedValues();
}

int SoftKneeCompressor::getParameter(int index) const
{
    switch (index)
    {
    case thresholdParam:
        return thresholdDb;
    case ratioParam:
        return ratio;
    case gainParam:
        return gainDb;
    case attackParam:
        return attackMs;
    case releaseParam:
        return releaseMs;
    case autoMakeupParam:
        return autoMakeup;
    case kneeParam:
        return kneePercent;
    case channelModeParam:
        return channelMode;
    case peakModeParam:
        return peakMode;
    default:
        return 0;
    }
}

void SoftKneeCompressor::updateDerivedValues()
{
    const float t = threshold;
    const float r = ratioValue;
    const float k = knee;

    log2Ratio = std::log(r) / 0.693147f;
    kneeWidth = -(k * t);
    invRatio = 1.0f / r;
    invKneeWidth = 1.0f / kneeWidth;
    kneeTopGainDb = kneeWidth / log2Ratio;
    kneeTop = t - k * t;
    makeupDb = kneeTop / r + (k * t / log2Ratio - t);

    makeupGain = decibelsToGain((float)gainDb);
    if (autoMakeup != 0)
        makeupGain = makeupGain * decibelsToGain(makeupDb);
    quietEnvelopes = vector_passes::quietEnvelopesFor(gainComputer());
}

void SoftKneeCompressor::loadPreset(int row)
{
    if ((unsigned int)row >= (unsigned int)numPresets)
        return;

    for (int index = 0; index < numParameters; ++index)
        setParameter(index, presets[row][index]);
}

float SoftKneeCompressor::detect(PeakHold& peak, float sample)
{
    const float level = std::fabs(sample);
    return peakMode == 0 ? level : peak.step(level, holdSamples);
}

kernels::SoftKneeParams SoftKneeCompressor::gainComputer() const
{
    return {threshold, kneeTop, log2Ratio, invKneeWidth, invRatio, kneeTopGainDb, makeupGain};
}

float SoftKneeCompressor::computeTargetGain(float level) const
{
    return kernels::softKneeGain<kernels::ScalarLanes<float>>(level, gainComputer());
}

void SoftKneeCompressor::runPath(GainPath& path, float x)
{
    // Loud programme speeds up the attack and slows the release.
    path.envelope =
        followEnvelope(path.envelope, x, attackCoef, releaseCoef, path.attackNow, path.releaseNow);
    path.envelopeDb = envelopeToDecibels(path.envelope);
    path.targetGain = computeTargetGain(path.envelopeDb);

    // Smooths the gain over two samples.
    path.appliedGain = 0.6f * path.prevTargetGain + 0.4f * path.targetGain;
}

void SoftKneeCompressor::process(float* first, float* second)
{
    if (numSamples <= 0.0)
        return;

    const bool linked = channelMode == 0;

    for (int i = 0; i < numSamples; ++i)
    {
        const float detectFirst = detect(peaks[0], first[i]);
        const float detectSecond = detect(peaks[1], second[i]);

        if (linked)
        {
            runPath(paths[0], (detectFirst + detectSecond) / 2.0f);
            first[i] = first[i] * paths[0].appliedGain;
            second[i] = second[i] * paths[0].appliedGain;
            paths[0].prevTargetGain = paths[0].targetGain;
        }
        else
        {
            runPath(paths[0], detectFirst);
            runPath(paths[1], detectSecond);
            first[i] = first[i] * paths[0].appliedGain;
            second[i] = second[i] * paths[1].appliedGain;
            paths[0].prevTargetGain = paths[0].targetGain;
            paths[1].prevTargetGain = paths[1].targetGain;
        }

        if (peakMode != 0)
        {
            first[i] = first[i] > 0.999f ? 0.999f : (first[i] < -0.999f ? -0.999f : first[i]);
            second[i] = second[i] > 0.999f ? 0.999f : (second[i] < -0.999f ? -0.999f : second[i]);
        }
    }
}

void SoftKneeCompressor::processBlock(float* first, float* second)
{
    if (numSamples <= 0.0)
        return;

    // Every i with i < numSamples, as in process().
    const int count = numSamples >= (double)INT_MAX ? INT_MAX : (int)std::ceil(numSamples);
    processStretch(first, second, count);
}

void SoftKneeCompressor::processStretch(float* first, float* second, int count)
{
    const bool linked = channelMode == 0;
    const bool peak = peakMode != 0;

    for (int start = 0; start < count; start += blockChunk)
    {
        const int n = std::min(blockChunk, count - start);
        if (linked)
        {
            if (peak)
                processChunk<true, true>(first + start, second + start, n);
            else
                processChunk<true, false>(first + start, second + start, n);
        }
        else
        {
            if (peak)
                processChunk<false, true>(first + start, second + start, n);
            else
                processChunk<false, false>(first + start, second + start, n);
        }
    }
}

template <bool linked, bool peak> void SoftKneeCompressor::processChunk(float* first, float* second, int n)
{
    constexpr int numPaths = linked ? 1 : 2;
    // Per path: [0] the previous target gain, [1..n] the envelope, then its target gain.
    float levels[2][blockChunk + 1];

    // 1. Detectors and envelopes: the only recursions, serial.
    {
        PeakHold hold0 = peaks[0], hold1 = peaks[1];
        float e[2] = {paths[0].envelope, paths[1].envelope};
        float attackNow[2] = {paths[0].attackNow, paths[1].attackNow};
        float releaseNow[2] = {paths[0].releaseNow, paths[1].releaseNow};

        for (int i = 0; i < n; ++i)
        {
            const float detectFirst = peak ? detect(hold0, first[i]) : std::fabs(first[i]);
            const float detectSecond = peak ? detect(hold1, second[i]) : std::fabs(second[i]);

            if constexpr (linked)
            {
                e[0] = followEnvelope(e[0], (detectFirst + detectSecond) / 2.0f, attackCoef, releaseCoef,
                                      attackNow[0], releaseNow[0]);
                levels[0][i + 1] = e[0];
            }
            else
            {
                e[0] =
                    followEnvelope(e[0], detectFirst, attackCoef, releaseCoef, attackNow[0], releaseNow[0]);
                e[1] =
                    followEnvelope(e[1], detectSecond, attackCoef, releaseCoef, attackNow[1], releaseNow[1]);
                levels[0][i + 1] = e[0];
                levels[1][i + 1] = e[1];
            }
        }

        if constexpr (peak)
        {
            peaks[0] = hold0;
            peaks[1] = hold1;
        }
        for (int p = 0; p < numPaths; ++p)
        {
            paths[p].envelope = e[p];
            paths[p].attackNow = attackNow[p];
            paths[p].releaseNow = releaseNow[p];
        }
    }

    // 2. Envelope dB and target gains, which depend on the envelope alone; the pass also gives the
    // last envelope's dB, which is state.
    const kernels::SoftKneeParams params = gainComputer();
    for (int p = 0; p < numPaths; ++p)
    {
        paths[p].envelopeDb = vector_passes::softKneeTargets(levels[p] + 1, n, params, quietEnvelopes);
        levels[p][0] = paths[p].prevTargetGain;
    }

    // 3. Gains smoothed over two targets, applied, and the clip.
    const float* targets0 = levels[0];
    const float* targets1 = levels[numPaths - 1];
    for (int i = 0; i < n; ++i)
    {
        const float applied0 = 0.6f * targets0[i] + 0.4f * targets0[i + 1];
        const float applied1 = linked ? applied0 : 0.6f * targets1[i] + 0.4f * targets1[i + 1];
        float a = first[i] * applied0;
        float b = second[i] * applied1;
        if constexpr (peak)
        {
            a = a > 0.999f ? 0.999f : (a < -0.999f ? -0.999f : a);
            b = b > 0.999f ? 0.999f : (b < -0.999f ? -0.999f : b);
        }
        first[i] = a;
        second[i] = b;
    }

    for (int p = 0; p < numPaths; ++p)
    {
        const float* targets = levels[p];
        paths[p].targetGain = targets[n];
        paths[p].appliedGain = 0.6f * targets[n - 1] + 0.4f * targets[n];
        paths[p].prevTargetGain = targets[n];
    }
}
