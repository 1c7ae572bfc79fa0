#include "ValveStage.h"

#include "simd/VectorPasses.h"

#include <cmath>

namespace
{
constexpr float kDefaultSampleRate = 44100.0f;
} // namespace

// The owner sets parameters and rates before the first init(), so every field starts from the
// values that all-zero parameters at 44.1 kHz give.
ValveStage::ValveStage()
    : active(false), sampleRate(kDefaultSampleRate), blockSize(0), params{}, tubeQ(-1.0f),
      tubeDist(0.5f), dcState{}, satThreshold(1.0f), dcPole(1.0f - 40.0f / kDefaultSampleRate), harmonics{},
      tubeOffset(-1.0f / (1.0f - std::exp(-0.5f))), tubeAtQ(2.0f), preGain(std::pow(4.0f, -32.0f / 127.0f)),
      lowpassA(), lowpassB(), highpassA(), highpassB(), exciter()
{
}

ValveStage::~ValveStage()
{
}

void ValveStage::init()
{
    lowpassA.init(2, 0, 22000.0f, 1.0f);
    lowpassB.init(2, 0, 22000.0f, 1.0f);
    highpassA.init(3, 0, 20.0f, 1.0f);
    highpassB.init(3, 0, 20.0f, 1.0f);

    exciter.init(harmonics, 20.0f, 20000.0f, 1.0f);

    dcPole = 1.0f - 40.0f / sampleRate;

    static constexpr float kHarmonics[10] = {1.0f, 0.0f, -1.0f, 0.0f, 1.0f, 0.0f, -1.0f, 0.0f, 1.0f, 0.0f};
    for (int k = 0; k < 10; ++k)
        harmonics[k] = kHarmonics[k];
    exciter.setHarmonics(harmonics);

    loadPreset(5);

    // The offset puts the curve through 0 at x = 0 for the working point of row 5.
    const float s = 1.0f / (1.0f - std::exp(tubeDist * tubeQ));
    tubeOffset = s * tubeQ;
    tubeAtQ = 1.0f / tubeDist;

    preGain = std::pow(4.0f, static_cast<float>(params[3] - 32) / 127.0f);
    if (params[5] != 0)
        preGain = -preGain;

    resetFiltersAndDcStates();
}

void ValveStage::loadPreset(int row)
{
    for (int i = 0; i < kNumParameters; ++i)
        setParameter(i, kValvePresets[row][i]);

    resetFiltersAndDcStates();
}

void ValveStage::setParameter(int index, int value)
{
    if (index < 0 || index >= kNumParameters)
        return;

    switch (index)
    {
    case 0:
        params[0] = value;
        if (value == 0)
            resetFiltersAndDcStates();
        break;
    case 3:
        params[3] = value;
        tubeDist = static_cast<float>(value) / 127.0f * 5.0f + 0.5f;
        break;
    case 5:
    case 8:
        params[index] = value <= 1 ? value : 1;
        break;
    case 6:
        params[6] = value;
        lowpassA.setCutoff(static_cast<float>(value));
        lowpassB.setCutoff(static_cast<float>(value));
        break;
    case 7:
        params[7] = value;
        highpassA.setCutoff(static_cast<float>(value));
        highpassB.setCutoff(static_cast<float>(value));
        break;
    case 10:
        params[10] = value;
        tubeQ = static_cast<float>(value) / 127.0f - 1.0f;
        satThreshold = static_cast<float>(value) * -0.0078125f + 1.0f;
        break;
    case 12:
        params[12] = value;
        exciter.setHighpass(1, static_cast<float>((100 - value) * 5));
        exciter.setMix(1, static_cast<float>(value) * 0.01f);
        break;
    default:
        params[index] = value;
        break;
    }
}

void ValveStage::activate()
{
    resetFiltersAndDcStates();
    active = true;
}

void ValveStage::setSampleRate(double rate)
{
    sampleRate = static_cast<float>(rate);
    const double stored = static_cast<double>(sampleRate);
    for (auto* filter : filters())
        filter->setSampleRate(stored);
    exciter.setSampleRate(stored);
}

void ValveStage::setBlockSize(int size)
{
    blockSize = size;
    for (auto* filter : filters())
        filter->setBlockSize(size);
    exciter.setBlockSize(size);
}

void ValveStage::setNumSamples(double count)
{
    for (auto* filter : filters())
        filter->setNumSamples(count);
    exciter.setNumSamples(count);
}

void ValveStage::processBlock(juce::AudioSampleBuffer& buffer)
{
    passOnBlockLength(buffer.getNumSamples());
    if (active)
        process(buffer);
}

void ValveStage::process(juce::AudioSampleBuffer& buffer)
{
    runStages<false>(buffer);
}

void ValveStage::passOnBlockLength(int n)
{
    if (n != blockSize)
    {
        setNumSamples(static_cast<double>(n));
        setBlockSize(n);
    }
}

void ValveStage::applyPreGain(float* a, float* b, int n, bool stereo) const
{
    if (stereo)
    {
        for (int i = 0; i < n; ++i)
        {
            a[i] = a[i] * preGain;
            b[i] = b[i] * preGain;
        }
    }
    else
    {
        for (int i = 0; i < n; ++i)
            a[i] = (a[i] + b[i]) * preGain;
    }
}

template <bool inPasses> void ValveStage::runStages(juce::AudioSampleBuffer& buffer)
{
    const int n = buffer.getNumSamples();
    float* a = buffer.getWritePointer(0);
    float* b = buffer.getWritePointer(1);
    const bool stereo = params[8] != 0;
    const bool filtersFirst = params[9] != 0;

    applyPreGain(a, b, n, stereo);

    if constexpr (inPasses)
        exciter.processBlock(a, b);
    else
        exciter.process(a, b);

    if (filtersFirst)
        runFilters<inPasses>(a, b, stereo);

    if (params[11] != 0)
    {
        softSaturate(a, n);
        if (stereo)
            softSaturate(b, n);
    }

    clampAndTubeCurve<inPasses>(a, n);
    if (stereo)
    {
        clampAndTubeCurve<inPasses>(b, n);
    }
    else
    {
        // In mono the second channel only passes through the clamp.
        for (int i = 0; i < n; ++i)
            b[i] = BranchFree::ifGreater(b[i], kernels::kClampLevel, kernels::kClampLevel, b[i]);
    }

    // The block path runs the DC blocker's recursion in the filters' loop.
    if (inPasses && stereo && !filtersFirst && dcBlockAndFilterPair(a, b, n))
        return;

    dcBlock(a, n, 0);
    if (stereo)
        dcBlock(b, n, 1);

    if (!filtersFirst)
        runFilters<inPasses>(a, b, stereo);
}

void ValveStage::resetFiltersAndDcStates()
{
    // Channel by channel, unlike the fan-out order of the setters.
    lowpassA.reset();
    highpassA.reset();
    lowpassB.reset();
    highpassB.reset();
    for (float& state : dcState)
        state = 0.0f;
}

template <bool inPasses> void ValveStage::runFilters(float* a, float* b, bool stereo)
{
    if (inPasses && stereo)
    {
        ZandralDSP::AnalogFilter::processPair(lowpassA, a, lowpassB, b);
        ZandralDSP::AnalogFilter::processPair(highpassA, a, highpassB, b);
        return;
    }
    lowpassA.process(a);
    highpassA.process(a);
    if (stereo)
    {
        lowpassB.process(b);
        highpassB.process(b);
    }
}

void ValveStage::softSaturate(float* samples, int n) const
{
    for (int i = 0; i < n; ++i)
        samples[i] = kernels::softSaturate(samples[i], satThreshold);
}

kernels::TubeParams ValveStage::tubeParams() const
{
    return {tubeQ, tubeDist, tubeAtQ, tubeOffset};
}

void ValveStage::processBlockInPasses(juce::AudioSampleBuffer& buffer)
{
    passOnBlockLength(buffer.getNumSamples());
    if (active)
        runStages<true>(buffer);
}

template <bool inPasses> void ValveStage::clampAndTubeCurve(float* samples, int n) const
{
    const kernels::TubeParams p = tubeParams();
    if constexpr (inPasses)
    {
        vector_passes::tubeCurve(samples, n, p);
    }
    else
    {
        for (int i = 0; i < n; ++i)
            samples[i] = kernels::tubeCurve<kernels::ScalarLanes<float>>(samples[i], p);
    }
}

void ValveStage::dcBlock(float* samples, int n, int channel)
{
    kernels::DcBlocker<float> blocker{dcState[channel], dcState[2 + channel]};
    for (int i = 0; i < n; ++i)
        samples[i] = blocker.step(samples[i], dcPole);
    dcState[channel] = blocker.out;
    dcState[2 + channel] = blocker.in;
}

bool ValveStage::dcBlockAndFilterPair(float* a, float* b, int n)
{
    for (const auto* filter : filters())
        if (!filter->isSingleBiquad() || filter->getProcessCount() != n)
            return false;

    // Channel a in lane 0, b in lane 1: each operation serves both channels, with the arithmetic of
    // dcBlock() and AnalogFilter::processSection() in every lane.
    using Pair = ZandralDSP::AnalogFilter::BiquadPair;
    using Lanes = Pair::Lanes;
    Pair low(lowpassA.getBiquad(), lowpassB.getBiquad());
    Pair high(highpassA.getBiquad(), highpassB.getBiquad());
    kernels::DcBlocker<Lanes> blocker{Lanes{dcState[0], dcState[1], 0.0f, 0.0f},
                                      Lanes{dcState[2], dcState[3], 0.0f, 0.0f}};

    for (int i = 0; i < n; ++i)
    {
        const Lanes filtered = high.step(low.step(blocker.step(Lanes{a[i], b[i], 0.0f, 0.0f}, dcPole)));
        a[i] = filtered[0];
        b[i] = filtered[1];
    }

    dcState[0] = blocker.out[0];
    dcState[1] = blocker.out[1];
    dcState[2] = blocker.in[0];
    dcState[3] = blocker.in[1];
    lowpassA.setBiquadState(low.lane(0));
    lowpassB.setBiquadState(low.lane(1));
    highpassA.setBiquadState(high.lane(0));
    highpassB.setBiquadState(high.lane(1));
    return true;
}
