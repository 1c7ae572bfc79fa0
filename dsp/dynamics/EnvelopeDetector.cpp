#include "EnvelopeDetector.h"

#include <cmath>

namespace peak_dynamics
{

EnvelopeDetector::EnvelopeDetector(double ms_, double sampleRate_)
    : sampleRate(sampleRate_), ms(ms_), coef(0.0)
{
    setCoef();
}

EnvelopeDetector::~EnvelopeDetector()
{
}

void EnvelopeDetector::setTc(double ms_)
{
    ms = ms_;
    setCoef();
}

double EnvelopeDetector::getTc() const
{
    return ms;
}

void EnvelopeDetector::setSampleRate(double sampleRate_)
{
    sampleRate = sampleRate_;
    setCoef();
}

double EnvelopeDetector::getSampleRate() const
{
    return sampleRate;
}

void EnvelopeDetector::setCoef()
{
    coef = std::exp(-1000.0 / (ms * sampleRate));
}

} // namespace peak_dynamics
