#include "PeakCompressor.h"

#include "Kernels.h"
#include "simd/VectorPasses.h"

#include <algorithm>
#include <cmath>

namespace peak_dynamics
{

PeakCompressor::PeakCompressor()
    : AttackReleaseEnvelope(0.05, 500.0, 44100.0), gainReduction(0.0f), threshdB(0.0), ratio(1.0),
      outputGain(1.0f), envdB(1e-25)
{
}

PeakCompressor::~PeakCompressor()
{
}

void PeakCompressor::setThresh(double dB)
{
    threshdB = dB;
}

void PeakCompressor::setRatio(double inverseRatio)
{
    ratio = inverseRatio;
}

double PeakCompressor::getThresh() const
{
    return threshdB;
}

double PeakCompressor::getRatio() const
{
    return ratio;
}

void PeakCompressor::initRuntime()
{
    envdB = 1e-25;
}

void PeakCompressor::process(double& left, double& right)
{
    using Lane = kernels::ScalarLanes<double>;
    const double over = kernels::peakLevelOver<Lane>(std::max(std::abs(left), std::abs(right)), threshdB);
    envdB = kernels::peakEnvelopeStep(envdB, over, att.coef, rel.coef);
    const double gr = kernels::peakGain<Lane>(envdB, ratio - 1.0);
    gainReduction = static_cast<float>(gr);

    const double g = outputGain * gr;
    left = left * g;
    right = right * g;
}

void PeakCompressor::processBlock(float* left, float* right, int n)
{
    constexpr int chunk = 256;
    // Per pair: the level above the threshold, then the envelope, then the gain.
    double levels[chunk];

    const double thresh = threshdB;
    const double attackCoef = att.coef;
    const double releaseCoef = rel.coef;
    const double ratioMinusOne = ratio - 1.0;
    const double gain = outputGain;

    for (int start = 0; start < n; start += chunk)
    {
        const int count = std::min(chunk, n - start);
        float* l = left + start;
        float* r = right + start;

        vector_passes::peakLevels(l, r, levels, count, thresh);

        // The envelope, the only recursion.
        double env = envdB;
        for (int i = 0; i < count; ++i)
        {
            env = kernels::peakEnvelopeStep(env, levels[i], attackCoef, releaseCoef);
            levels[i] = env;
        }
        envdB = env;

        vector_passes::peakGains(levels, count, ratioMinusOne);
        for (int i = 0; i < count; ++i)
        {
            const double gr = levels[i];
            l[i] = (float)((double)l[i] * (gain * gr));
            r[i] = (float)((double)r[i] * (gain * gr));
        }
        gainReduction = (float)levels[count - 1];
    }
}

} // namespace peak_dynamics
