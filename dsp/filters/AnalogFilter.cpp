#include "AnalogFilter.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <limits>

namespace ZandralDSP
{

namespace
{
// A section Q of 0 (the correction of a negative q) would make alpha infinite and the coefficients
// NaN; this floor keeps them finite without touching any practical Q.
constexpr float minimumSectionQ = 1e-6f;
} // namespace

AnalogFilter::AnalogFilter()
    : sampleRate(44100.0), numSamples(0.0), blockSize(0), type(0), orderIndex(0), sectionOrder(1),
      crossfadePending(0), suppressCrossfade(0), aboveLimit(0), wasAboveLimit(0), sampleRateInt(44100),
      cutoff(1000.0f), q(1.0f), gain(1.0f), sampleRateFloat(44100.0f)
{
    clearStates();
    std::memset(coeffs, 0, sizeof(coeffs));
    std::memset(prevCoeffs, 0, sizeof(prevCoeffs));
}

AnalogFilter::~AnalogFilter() = default;

void AnalogFilter::init(int newType, int newOrderIndex, float newCutoff, float newQ)
{
    sampleRateInt = static_cast<int>(sampleRate);
    sampleRateFloat = static_cast<float>(sampleRate);

    orderIndex = newOrderIndex;
    type = newType;
    cutoff = newCutoff;
    q = newQ;
    gain = 1.0f;
    std::memset(coeffs, 0, sizeof(coeffs));
    std::memset(prevCoeffs, 0, sizeof(prevCoeffs));

    if (static_cast<unsigned>(orderIndex) >= 5u)
        orderIndex = 5;

    clearStates();
    crossfadePending = 0;
    suppressCrossfade = 0;
    aboveLimit = 0;
    wasAboveLimit = 0;

    reserveScratch();

    // With the flags just cleared, a cutoff above the limit counts as a crossing and fades in from
    // the cleared set.
    setCutoffAndQ(newCutoff, newQ);

    suppressCrossfade = 1;
}

void AnalogFilter::reset()
{
    clearStates();
    crossfadePending = 0;
}

void AnalogFilter::setNumSamples(double newNumSamples)
{
    numSamples = newNumSamples;
    reserveScratch();
}

void AnalogFilter::setBlockSize(int newBlockSize)
{
    blockSize = newBlockSize;
}

void AnalogFilter::setSampleRate(double newSampleRate)
{
    sampleRate = newSampleRate;
    sampleRateInt = static_cast<int>(newSampleRate);
    sampleRateFloat = static_cast<float>(sampleRateInt);
    computeCoefficients();
}

void AnalogFilter::process(float* block)
{
    const int count = sampleCount();
    // setNumSamples keeps the scratch at least count long. Without a block length there is nothing
    // to fade over; the new set simply takes over.
    const bool fading = crossfadePending != 0 && count > 0 && blockSize > 0;

    if (fading)
    {
        std::copy(block, block + count, scratch.data());
        for (int k = 0; k <= orderIndex; ++k)
            processSection(scratch.data(), prevXState[k], prevYState[k], prevCoeffs, prevCoeffs + 3);
    }

    for (int k = 0; k <= orderIndex; ++k)
        processSection(block, xState[k], yState[k], coeffs, coeffs + 3);

    if (fading)
    {
        const float length = static_cast<float>(blockSize);
        for (int i = 0; i < count; ++i)
        {
            const float t = static_cast<float>(i) / length;
            block[i] = (1.0f - t) * scratch[static_cast<size_t>(i)] + t * block[i];
        }
    }

    crossfadePending = 0;
}

void AnalogFilter::setCutoff(float hz)
{
    if (static_cast<double>(hz) < 0.1)
        hz = 0.1f;

    float ratio = cutoff / hz;
    if (ratio < 1.0f)
        ratio = ratio != 0.0f ? 1.0f / ratio : std::copysign(std::numeric_limits<float>::infinity(), ratio);

    wasAboveLimit = aboveLimit;
    aboveLimit = isAboveCutoffLimit(hz) ? 1 : 0;

    if (ratio > 3.0f || aboveLimit != wasAboveLimit)
    {
        std::memcpy(prevCoeffs, coeffs, sizeof(coeffs));
        std::memcpy(prevXState, xState, sizeof(xState));
        std::memcpy(prevYState, yState, sizeof(yState));
        if (suppressCrossfade == 0)
            crossfadePending = 1;
    }

    cutoff = hz;
    computeCoefficients();
    suppressCrossfade = 0;
}

void AnalogFilter::setCutoffAndQ(float hz, float newQ)
{
    q = newQ;
    setCutoff(hz);
}

void AnalogFilter::setQ(float newQ)
{
    q = newQ;
    computeCoefficients();
}

void AnalogFilter::setGainDecibels(float db)
{
    gain = std::exp(db * 2.302585f / 20.0f);
    computeCoefficients();
}

void AnalogFilter::computeCoefficients()
{
    const int sections = orderIndex + 1;
    const float r = 1.0f / static_cast<float>(sections);

    if (q < 0.0f)
        q = 0.0f;
    if (static_cast<unsigned>(type) > 8u)
        type = 0;

    const float sectionGain = sections == 1 ? gain : std::pow(gain, r);

    if (isAboveCutoffLimit(cutoff))
    {
        setFixedCoefficients(sectionGain);
        return;
    }

    float sectionQ = q;
    if (sections > 1 && q > 1.0f)
        sectionQ = std::pow(q, r);
    sectionQ = std::max(sectionQ, minimumSectionQ);

    const float A = sectionGain;
    const float numerator = static_cast<double>(cutoff) < 0.1 ? 0.6283185f : 6.283185f * cutoff;
    const float w = numerator / sampleRateFloat;
    const float s = std::sin(w);
    const float c = std::cos(w);

    float b0 = 0.0f, b1 = 0.0f, b2 = 0.0f, a1 = 0.0f, a2 = 0.0f;
    sectionOrder = type <= 1 ? 1 : 2;

    switch (type)
    {
    case 0:
    {
        const float p = std::exp(-w);
        b0 = 1.0f - p;
        a1 = p;
        break;
    }
    case 1:
    {
        const float p = std::exp(-w);
        b0 = (1.0f + p) / 2.0f;
        b1 = -(1.0f + p) / 2.0f;
        a1 = p;
        break;
    }
    case 2:
    {
        const float alpha = s / (2.0f * sectionQ);
        const float d = 1.0f + alpha;
        b0 = (1.0f - c) / (2.0f * d);
        b1 = (1.0f - c) / d;
        b2 = b0;
        a1 = 2.0f * c / d;
        a2 = -(1.0f - alpha) / d;
        break;
    }
    case 3:
    {
        const float alpha = s / (2.0f * sectionQ);
        const float d = 1.0f + alpha;
        b0 = (1.0f + c) / (2.0f * d);
        b1 = -(1.0f + c) / d;
        b2 = b0;
        a1 = 2.0f * c / d;
        a2 = -(1.0f - alpha) / d;
        break;
    }
    case 4:
    {
        const float alpha = s / (2.0f * sectionQ);
        const float d = 1.0f + alpha;
        b0 = alpha * std::sqrt(sectionQ + 1.0f) / d;
        b2 = -b0;
        a1 = 2.0f * c / d;
        a2 = -(1.0f - alpha) / d;
        break;
    }
    case 5:
    {
        const float alpha = s / (2.0f * std::sqrt(sectionQ));
        const float d = 1.0f + alpha;
        b0 = 1.0f / d;
        b1 = -2.0f * c / d;
        b2 = b0;
        a1 = 2.0f * c / d;
        a2 = -(1.0f - alpha) / d;
        break;
    }
    case 6:
    {
        const float alpha = s / (6.0f * sectionQ);
        const float d = 1.0f + alpha / A;
        b0 = (1.0f + alpha * A) / d;
        b1 = -2.0f * c / d;
        b2 = (1.0f - alpha * A) / d;
        a1 = 2.0f * c / d;
        a2 = -(1.0f - alpha / A) / d;
        break;
    }
    case 7:
    {
        const float S = (std::sqrt(A) / std::sqrt(sectionQ)) * s;
        const float d = (A + 1.0f) + (A - 1.0f) * c + S;
        b0 = A * ((A + 1.0f) - (A - 1.0f) * c + S) / d;
        b1 = 2.0f * A * ((A - 1.0f) - (A + 1.0f) * c) / d;
        b2 = A * ((A + 1.0f) - (A - 1.0f) * c - S) / d;
        a1 = 2.0f * ((A - 1.0f) + (A + 1.0f) * c) / d;
        a2 = -((A + 1.0f) + (A - 1.0f) * c - S) / d;
        break;
    }
    default: // 8
    {
        const float S = (std::sqrt(A) / std::sqrt(sectionQ)) * s;
        const float d = (A + 1.0f) - (A - 1.0f) * c + S;
        b0 = A * ((A + 1.0f) + (A - 1.0f) * c + S) / d;
        b1 = -2.0f * A * ((A - 1.0f) + (A + 1.0f) * c) / d;
        b2 = A * ((A + 1.0f) + (A - 1.0f) * c - S) / d;
        a1 = -2.0f * ((A - 1.0f) - (A + 1.0f) * c) / d;
        a2 = -((A + 1.0f) - (A - 1.0f) * c - S) / d;
        break;
    }
    }

    coeffs[0] = b0;
    coeffs[1] = b1;
    coeffs[2] = b2;
    coeffs[3] = 0.0f;
    coeffs[4] = a1;
    coeffs[5] = a2;
}

void AnalogFilter::processSection(float* block, float* x, float* y, const float* b, const float* a)
{
    const int count = sampleCount();

    if (sectionOrder == 2)
    {
        kernels::BiquadSection<float> section{b[0], b[1], b[2], a[1], a[2], x[0], x[1], y[0], y[1]};
        for (int i = 0; i < count; ++i)
            block[i] = section.step(block[i]);
        x[0] = section.x1;
        x[1] = section.x2;
        y[0] = section.y1;
        y[1] = section.y2;
    }
    else if (sectionOrder == 1)
    {
        kernels::OnePoleSection<float> section{b[0], b[1], a[1], x[0], y[0]};
        for (int i = 0; i < count; ++i)
            block[i] = section.step(block[i]);
        x[0] = section.x1;
        y[0] = section.y1;
    }
}

bool AnalogFilter::isSingleBiquad() const
{
    return orderIndex == 0 && sectionOrder == 2 && crossfadePending == 0;
}

AnalogFilter::Biquad AnalogFilter::getBiquad() const
{
    return Biquad{coeffs[0],    coeffs[1],    coeffs[2],    coeffs[4],   coeffs[5],
                  xState[0][0], xState[0][1], yState[0][0], yState[0][1]};
}

void AnalogFilter::setBiquadState(const Biquad& section)
{
    xState[0][0] = section.x1;
    xState[0][1] = section.x2;
    yState[0][0] = section.y1;
    yState[0][1] = section.y2;
}

void AnalogFilter::processPair(AnalogFilter& first, float* firstBlock, AnalogFilter& second,
                               float* secondBlock)
{
    const int count = first.sampleCount();
    if (!first.isSingleBiquad() || !second.isSingleBiquad() || second.sampleCount() != count)
    {
        first.process(firstBlock);
        second.process(secondBlock);
        return;
    }

    BiquadPair pair(first.getBiquad(), second.getBiquad());
    for (int i = 0; i < count; ++i)
        pair.stepAt(firstBlock, secondBlock, i);
    first.setBiquadState(pair.lane(0));
    second.setBiquadState(pair.lane(1));
}

int AnalogFilter::sampleCount() const
{
    if (!(numSamples > 0.0))
        return 0;
    if (numSamples >= static_cast<double>(INT_MAX))
        return INT_MAX;
    return static_cast<int>(std::ceil(numSamples));
}

double AnalogFilter::cutoffLimit() const
{
    return std::floor(static_cast<double>(sampleRateInt) / 2.0) - 500.0;
}

bool AnalogFilter::isAboveCutoffLimit(float hz) const
{
    return static_cast<double>(hz) > cutoffLimit();
}

void AnalogFilter::setFixedCoefficients(float sectionGain)
{
    std::memset(coeffs, 0, sizeof(coeffs));
    sectionOrder = type <= 1 ? 1 : 2;

    switch (type)
    {
    case 1:
        coeffs[0] = 0.5f;
        coeffs[1] = -0.5f;
        break;
    case 3:
    case 4:
        break; // silence
    case 7:
        coeffs[0] = sectionGain;
        break;
    default: // 0, 2, 5, 6, 8 pass the signal
        coeffs[0] = 1.0f;
        break;
    }
}

void AnalogFilter::clearStates()
{
    std::memset(xState, 0, sizeof(xState));
    std::memset(yState, 0, sizeof(yState));
    std::memset(prevXState, 0, sizeof(prevXState));
    std::memset(prevYState, 0, sizeof(prevYState));
}

void AnalogFilter::reserveScratch()
{
    const size_t needed = static_cast<size_t>(sampleCount());
    if (scratch.size() < needed)
        scratch.resize(needed);
}

} // namespace ZandralDSP
