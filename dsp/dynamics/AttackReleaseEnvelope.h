#pragma once

#include "EnvelopeDetector.h"

namespace peak_dynamics
{

// An attack detector paired with a release detector at one sample rate.
class AttackReleaseEnvelope
{
public:
    AttackReleaseEnvelope(double attackMs, double releaseMs, double sampleRate);
    virtual ~AttackReleaseEnvelope();

    virtual void setAttack(double ms);
    virtual double getAttack() const;
    virtual void setRelease(double ms);
    virtual double getRelease() const;
    virtual void setSampleRate(double sampleRate);
    virtual double getSampleRate() const;

    EnvelopeDetector att;
    EnvelopeDetector rel;
};

} // namespace peak_dynamics
