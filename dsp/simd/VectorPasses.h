#pragma once

#include "Kernels.h"

#include <cmath>

// The kernels whose samples do not depend on each other, over whole blocks in SIMD lanes. Each
// instruction set has its own table of passes; the widest one the CPU runs is chosen when the
// library loads: AVX-512, else AVX2, else SSE4.2, else the scalar kernels in plain loops.
//
// Exponentials and logarithms come from Highway's math library in double precision. Where the
// per-sample operation uses the single-precision libm function, the double result is rounded to
// float, which agrees with it except where the exact value lies within a hair of a rounding midpoint;
// everything else is the same arithmetic in the same order as the scalar kernels. The peak
// compressor's passes are the exception: they work in single precision, within a few float ulps of the
// kernels, since nothing after that compressor can magnify such a difference.
namespace vector_passes
{

// A level below this, in linear terms, is below the threshold in dB whatever the rounding of its
// logarithm, with a margin of about 1e-4 dB; such levels need no logarithm at all. Static: each file
// compiled for its own instruction set keeps its own copy.
static inline float linearBelow(double thresholdDb)
{
    return (float)(std::pow(10.0, thresholdDb / 20.0) * (1.0 - 1.0 / 65536.0));
}

// Soft-knee envelopes below `level` (linear) are under the threshold in dB whatever the rounding of
// their logarithm; their target gain is `target`. Worked out once per parameter change.
struct QuietEnvelopes
{
    float level = 0.0f;
    float target = 0.0f;
};

QuietEnvelopes quietEnvelopesFor(const kernels::SoftKneeParams& p);

struct Passes
{
    const char* name;
    // The clamp and the tube curve, in place.
    void (*tubeCurve)(float* samples, int n, const kernels::TubeParams& p);
    // Envelopes to the soft-knee compressor's target gains, in place (dB conversion and gain
    // computer); quiet comes from quietEnvelopesFor(p). Returns the last envelope in dB (n > 0).
    float (*softKneeTargets)(float* envelopes, int n, const kernels::SoftKneeParams& p,
                             const QuietEnvelopes& quiet);
    // levels[i] = the level of max(|left[i]|, |right[i]|) above the threshold in dB.
    void (*peakLevels)(const float* left, const float* right, double* levels, int n, double thresholdDb);
    // Envelopes in dB to linear gains, in place.
    void (*peakGains)(double* envelopes, int n, double ratioMinusOne);
};

// Every table this CPU can run, the chosen one first; ends with nullptr. For tests and benchmarks.
const Passes* const* availablePasses();

// The chosen table.
const Passes& passes();

// The scalar kernels in plain loops: the table for CPUs without the vector sets, and the calls for
// runs shorter than a vector, which they serve with no call through the table.
namespace scalar_loops
{
inline void tubeCurve(float* samples, int n, const kernels::TubeParams& p)
{
    for (int i = 0; i < n; ++i)
        samples[i] = kernels::tubeCurve<kernels::ScalarLanes<float>>(samples[i], p);
}

inline float envelopeToDecibels(float e)
{
    return (float)kernels::envelopeToDecibels<kernels::ScalarLanes<double>>((double)e);
}

inline float softKneeTargets(float* envelopes, int n, const kernels::SoftKneeParams& p,
                             const QuietEnvelopes& = {})
{
    float db = 0.0f;
    for (int i = 0; i < n; ++i)
    {
        db = envelopeToDecibels(envelopes[i]);
        envelopes[i] = kernels::softKneeGain<kernels::ScalarLanes<float>>(db, p);
    }
    return db;
}

inline void peakLevels(const float* left, const float* right, double* levels, int n, double thresholdDb)
{
    for (int i = 0; i < n; ++i)
    {
        const double l = std::abs((double)left[i]), r = std::abs((double)right[i]);
        levels[i] = kernels::peakLevelOver<kernels::ScalarLanes<double>>(l < r ? r : l, thresholdDb);
    }
}

inline void peakGains(double* envelopes, int n, double ratioMinusOne)
{
    for (int i = 0; i < n; ++i)
        envelopes[i] = kernels::peakGain<kernels::ScalarLanes<double>>(envelopes[i], ratioMinusOne);
}
} // namespace scalar_loops

// Fewer samples than an AVX2 vector of floats go straight to the loops; the passes hand any run shorter
// than their own vectors to the loops too.
constexpr int kShortest = 8;

inline void tubeCurve(float* samples, int n, const kernels::TubeParams& p)
{
    if (n < kShortest)
        return scalar_loops::tubeCurve(samples, n, p);
    passes().tubeCurve(samples, n, p);
}

inline float softKneeTargets(float* envelopes, int n, const kernels::SoftKneeParams& p,
                             const QuietEnvelopes& quiet)
{
    if (n < kShortest)
        return scalar_loops::softKneeTargets(envelopes, n, p);
    return passes().softKneeTargets(envelopes, n, p, quiet);
}

inline void peakLevels(const float* left, const float* right, double* levels, int n, double thresholdDb)
{
    if (n < kShortest)
        return scalar_loops::peakLevels(left, right, levels, n, thresholdDb);
    passes().peakLevels(left, right, levels, n, thresholdDb);
}

inline void peakGains(double* envelopes, int n, double ratioMinusOne)
{
    if (n < kShortest)
        return scalar_loops::peakGains(envelopes, n, ratioMinusOne);
    passes().peakGains(envelopes, n, ratioMinusOne);
}

} // namespace vector_passes
