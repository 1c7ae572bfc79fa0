#include "PeakCompressor.h"

#include "BranchFree.h"

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
    const double key = std::max(std::abs(left), std::abs(right));
    // 20 / ln 10; the offset keeps silence finite at -500 dB.
    const double keydB = std::log(key + 1e-25) * 8.685889638065037;

    double over = keydB - threshdB;
    if (over < 0.0)
        over = 1e-25;
    else
        over = over + 1e-25;

    // A level equal to the envelope releases.
    const double c = over > envdB ? att.coef : rel.coef;
    envdB = over + c * (envdB - over);

    // ln 10 / 20
    const double gr = std::exp((envdB - 1e-25) * (ratio - 1.0) * 0.11512925464970228);
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

        // 1. Key level above the threshold.
        int i = 0;
        for (; i < count; ++i)
        {
            const double al = std::abs((double)l[i]);
            const double ar = std::abs((double)r[i]);
            const double key = std::max(al, ar);
            const double over = std::log(key + 1e-25) * 8.685889638065037 - thresh;
            levels[i] = BranchFree::ifLess(over, 0.0, 1e-25, over + 1e-25);
        }

        // 2. The envelope, the only recursion: a level equal to it releases.
        double env = envdB;
        for (i = 0; i < count; ++i)
        {
            const double over = levels[i];
            // Both candidates in parallel with the comparison, which then only picks one.
            const double attacked = over + attackCoef * (env - over);
            const double released = over + releaseCoef * (env - over);
            env = BranchFree::ifGreater(over, env, attacked, released);
            levels[i] = env;
        }
        envdB = env;

        // 3. Gains.
        for (i = 0; i < count; ++i)
        {
            const double gr = std::exp((levels[i] - 1e-25) * ratioMinusOne * 0.11512925464970228);
            l[i] = (float)((double)l[i] * (gain * gr));
            r[i] = (float)((double)r[i] * (gain * gr));
            levels[i] = gr;
        }
        gainReduction = (float)levels[count - 1];
    }
}

} // namespace peak_dynamics
