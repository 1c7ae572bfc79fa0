#pragma once

#include "AttackReleaseEnvelope.h"

namespace peak_dynamics
{

// Feed-forward, stereo-linked peak compressor with a hard knee, working in dB.
class PeakCompressor : public AttackReleaseEnvelope
{
public:
    PeakCompressor();
    ~PeakCompressor() override;

    virtual void setThresh(double dB);
    virtual void setRatio(double inverseRatio);
    virtual double getThresh() const;
    virtual double getRatio() const;
    // Forgets the envelope; a new sample rate alone keeps it.
    virtual void initRuntime();

    // Scales one left/right pair in place by a single linked gain.
    void process(double& left, double& right);
    // Block path: widening each pair to double, process() and narrowing back, for n pairs in place.
    // The logarithms and exponentials run as single-precision passes beside the serial envelope, so
    // levels and gains may differ from process() by a few float ulps.
    void processBlock(float* left, float* right, int n);

    // Linear gain of the last processed pair, without outputGain; read by the meter.
    float gainReduction;
    double threshdB;
    // Inverse ratio: 0.25 compresses 4:1, 1 is transparent, above 1 expands upwards.
    double ratio;
    // Written directly by the owner.
    float outputGain;
    // Smoothed level above the threshold in dB, offset by 1e-25.
    double envdB;
};

} // namespace peak_dynamics
