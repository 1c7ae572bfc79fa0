#pragma once

namespace peak_dynamics
{

// One smoothing time constant and the per-sample coefficient derived from it.
class EnvelopeDetector
{
public:
    EnvelopeDetector(double ms, double sampleRate);
    virtual ~EnvelopeDetector();

    virtual void setTc(double ms);
    virtual double getTc() const;
    virtual void setSampleRate(double sampleRate);
    virtual double getSampleRate() const;
    // coef = exp(-1000 / (ms * sampleRate)); 0 ms gives 0, so the envelope follows its input at once.
    virtual void setCoef();

    double sampleRate;
    double ms;
    double coef;
};

} // namespace peak_dynamics
