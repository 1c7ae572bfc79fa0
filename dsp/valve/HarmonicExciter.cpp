#include "valve/HarmonicExciter.h"

#include <algorithm>
#include <cmath>

namespace
{
constexpr int highpassType = 3;
constexpr int lowpassType = 2;
constexpr int compressorRow = 4;
} // namespace

HarmonicExciter::HarmonicExciter() = default;

HarmonicExciter::~HarmonicExciter() = default;

void HarmonicExciter::setSampleRate(double newSampleRate)
{
    sampleRate = newSampleRate;
    for (auto* filter : filters())
        filter->setSampleRate(newSampleRate);
    compressor.setSampleRate(newSampleRate);
}

void HarmonicExciter::setNumSamples(double newNumSamples)
{
    numSamples = newNumSamples;
    for (auto* filter : filters())
        filter->setNumSamples(newNumSamples);
    compressor.setNumSamples(newNumSamples);
}

void HarmonicExciter::setBlockSize(int newBlockSize)
{
    blockSize = newBlockSize;
    for (auto* filter : filters())
        filter->setBlockSize(newBlockSize);

    // Only a block longer than any announced so far allocates.
    if (newBlockSize > (int)workBufferA.size())
    {
        workBufferA.resize((size_t)newBlockSize, 0.0f);
        workBufferB.resize((size_t)newBlockSize, 0.0f);
    }
}

void HarmonicExciter::init(const float* harmonics, float highpassHz, float lowpassHz, float mix)
{
    const size_t length = (size_t)std::max(blockSize, 0);
    workBufferA = std::vector<float>(length, 0.0f);
    workBufferB = std::vector<float>(length, 0.0f);

    wetGain = 2.0f * mix;
    baseMix = mix;
    baseHighpassHz = highpassHz;

    highpassA.init(highpassType, 0, highpassHz, 1.0f);
    highpassB.init(highpassType, 0, highpassHz, 1.0f);
    lowpassA.init(lowpassType, 0, lowpassHz, 1.0f);
    lowpassB.init(lowpassType, 0, lowpassHz, 1.0f);

    compressor.init();
    compressor.loadPreset(compressorRow);

    setHarmonics(harmonics);
}

void HarmonicExciter::setHarmonics(const float* harmonics)
{
    float sum = 0.0f;
    for (int k = 0; k < numHarmonics; ++k)
        sum += std::fabs(harmonics[k]);

    // Keeps a full-scale sinusoid from producing more than full-scale harmonics.
    const float scale = sum >= 1.0f ? 1.0f / sum : 1.0f;

    float chebyshev[numCoefficients];
    chebyshev[0] = 0.0f;
    for (int k = 0; k < numHarmonics; ++k)
        chebyshev[k + 1] = harmonics[k] * scale;

    chebyshevToPowerSeries(chebyshev, polyCoeffs);
}

void HarmonicExciter::setMix(int relative, float amount)
{
    wetGain = relative != 0 ? 2.0f * (amount + baseMix) : 2.0f * amount;
}

void HarmonicExciter::setHighpass(int relative, float hz)
{
    if (relative != 0)
    {
        highpassA.setCutoff(baseHighpassHz + hz);
        highpassB.setCutoff(baseHighpassHz + hz);
    }
    else
    {
        baseHighpassHz = hz;
        highpassA.setCutoff(hz);
        highpassB.setCutoff(hz);
    }
}

void HarmonicExciter::chebyshevToPowerSeries(const float* c, float* d)
{
    constexpr int n = numCoefficients;
    float e[n];

    for (int k = 0; k < n; ++k)
    {
        d[k] = 0.0f;
        e[k] = 0.0f;
    }
    d[0] = c[n - 1];

    for (int j = n - 2; j >= 1; --j)
    {
        for (int k = n - j; k >= 1; --k)
        {
            const float s = d[k];
            d[k] = (float)(2.0 * (double)d[k - 1] - (double)e[k]);
            e[k] = s;
        }
        const float s = d[0];
        d[0] = c[j] - e[0];
        e[0] = s;
    }

    for (int j = n - 1; j >= 1; --j)
        d[j] = d[j - 1] - e[j];

    d[0] = (float)(0.5 * (double)c[0] - (double)e[0]);
}

bool HarmonicExciter::copyIntoWorkBuffers(const float* first, const float* second)
{
    if (numSamples <= 0.0)
        return false;

    // The filters and the compressor run numSamples over the work buffers: never past their end.
    const int capacity = (int)workBufferA.size();
    if (numSamples > (double)capacity)
        return false;

    const int toCopy = std::max(0, std::min(blockSize, capacity));
    std::copy(first, first + toCopy, workBufferA.data());
    std::copy(second, second + toCopy, workBufferB.data());
    return true;
}

void HarmonicExciter::process(float* first, float* second)
{
    run<false>(first, second);
}

void HarmonicExciter::processBlock(float* first, float* second)
{
    run<true>(first, second);
}

template <bool inPasses> void HarmonicExciter::run(float* first, float* second)
{
    if (!copyIntoWorkBuffers(first, second))
        return;

    float* wetA = workBufferA.data();
    float* wetB = workBufferB.data();
    // Every i with i < numSamples; at most the capacity, checked above.
    const int count = (int)std::ceil(numSamples);
    // A local copy, which the compiler may keep in registers while it writes the buffers.
    float d[numCoefficients];
    std::copy(polyCoeffs, polyCoeffs + numCoefficients, d);

    if constexpr (inPasses)
    {
        // With a single stretch there is nothing to overlap.
        if (count <= overlapStretch || !runOverlapped(wetA, wetB, count, d))
        {
            ZandralDSP::AnalogFilter::processPair(highpassA, wetA, highpassB, wetB);
            compressor.processBlock(wetA, wetB);
            waveshape(wetA, wetB, count, d);
            ZandralDSP::AnalogFilter::processPair(lowpassA, wetA, lowpassB, wetB);
        }
    }
    else
    {
        highpassA.process(wetA);
        highpassB.process(wetB);
        compressor.process(wetA, wetB);
        waveshape(wetA, wetB, count, d);
        lowpassA.process(wetA);
        lowpassB.process(wetB);
    }

    const float gain = wetGain;
    for (int i = 0; i < count; ++i)
    {
        first[i] = first[i] + wetA[i] * gain;
        second[i] = second[i] + wetB[i] * gain;
    }
}

void HarmonicExciter::waveshape(float* a, float* b, int n, const float* d)
{
    for (int i = 0; i < n; ++i)
    {
        a[i] = kernels::polynomial10(d, a[i]);
        b[i] = kernels::polynomial10(d, b[i]);
    }
}

bool HarmonicExciter::runOverlapped(float* wetA, float* wetB, int count, const float* d)
{
    for (const auto* filter : filters())
        if (!filter->isSingleBiquad() || filter->getProcessCount() != count)
            return false;

    using Pair = ZandralDSP::AnalogFilter::BiquadPair;
    Pair high(highpassA.getBiquad(), highpassB.getBiquad());
    Pair low(lowpassA.getBiquad(), lowpassB.getBiquad());

    // Stretch by stretch: the highpasses, then the compressor and the waveshaper; the lowpasses
    // follow one stretch behind, in the highpasses' loop. Every stretch but the last is whole.
    int behind = 0;
    constexpr int stretch = overlapStretch;
    for (int start = 0; start < count; start += stretch)
    {
        const int n = std::min(stretch, count - start);
        if (start == 0)
        {
            for (int i = 0; i < n; ++i)
                high.stepAt(wetA, wetB, i);
        }
        else
        {
            for (int i = 0; i < n; ++i)
            {
                high.stepAt(wetA, wetB, start + i);
                low.stepAt(wetA, wetB, behind + i);
            }
            for (int i = n; i < stretch; ++i)
                low.stepAt(wetA, wetB, behind + i);
        }
        compressor.processStretch(wetA + start, wetB + start, n);
        waveshape(wetA + start, wetB + start, n, d);
        behind = start;
    }
    for (int i = behind; i < count; ++i)
        low.stepAt(wetA, wetB, i);

    highpassA.setBiquadState(high.lane(0));
    highpassB.setBiquadState(high.lane(1));
    lowpassA.setBiquadState(low.lane(0));
    lowpassB.setBiquadState(low.lane(1));
    return true;
}
