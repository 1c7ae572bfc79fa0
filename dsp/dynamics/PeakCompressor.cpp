#include "PeakCompressor.h"

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

} // namespace peak_dynamics
