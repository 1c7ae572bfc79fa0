#include "AttackReleaseEnvelope.h"

namespace peak_dynamics
{

AttackReleaseEnvelope::AttackReleaseEnvelope(double attackMs, double releaseMs, double sampleRate)
    : att(attackMs, sampleRate), rel(releaseMs, sampleRate)
{
}

AttackReleaseEnvelope::~AttackReleaseEnvelope()
{
}

void AttackReleaseEnvelope::setAttack(double ms)
{
    att.ms = ms;
    att.setCoef();
}

double AttackReleaseEnvelope::getAttack() const
{
    return att.ms;
}

void AttackReleaseEnvelope::setRelease(double ms)
{
    rel.ms = ms;
    rel.setCoef();
}

double AttackReleaseEnvelope::getRelease() const
{
    return rel.ms;
}

void AttackReleaseEnvelope::setSampleRate(double sampleRate)
{
    att.sampleRate = sampleRate;
    att.setCoef();
    rel.sampleRate = sampleRate;
    rel.setCoef();
}

double AttackReleaseEnvelope::getSampleRate() const
{
    return att.sampleRate;
}

} // namespace peak_dynamics
