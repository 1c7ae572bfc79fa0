#pragma once

#include "BranchFree.h"

#include <cmath>

// The arithmetic of every stage, written once. Each kernel is a template over a lane policy M: M::V is
// the lane type (float, double, or a SIMD vector of them), M::set() broadcasts a constant, and M gives
// exp, log and branch-free selection. The per-sample operations call the kernels with ScalarLanes, the
// vector passes (VectorPasses.cpp) with the SIMD policy; the serial recursions take plain lane types.
namespace kernels
{

// One lane: the libm functions and BranchFree's selection, so results match the plain expressions.
template <typename T> struct ScalarLanes
{
    using V = T;
    static constexpr bool roundsNearMidpointsAgain = false;
    template <typename C> static T set(C c) { return static_cast<T>(c); }
    static T exp(T x) { return std::exp(x); }
    static T log(T x) { return std::log(x); }
    // a where x < y, else b; a where x > y, else b; a where x == y, else b.
    static T ifLess(T x, T y, T a, T b) { return BranchFree::ifLess(x, y, a, b); }
    static T ifGreater(T x, T y, T a, T b) { return BranchFree::ifGreater(x, y, a, b); }
    static T ifEqual(T x, T y, T a, T b) { return x == y ? a : b; }
    static double toDouble(T x) { return static_cast<double>(x); }
};

// Keeps the filter states off denormals; enters the stored output states only.
constexpr float denormalOffset = 1e-18f;

// One second-order section: y = b0 x + b1 x1 + b2 x2 + a1 y1 + a2 y2 (a1, a2 carry the opposite sign
// of the textbook denominator). T is float or a vector of independent filters side by side.
template <typename T> struct BiquadSection
{
    T b0, b1, b2, a1, a2;
    T x1, x2, y1, y2;

    T step(T v)
    {
        const T out = b0 * v + b1 * x1 + b2 * x2 + a1 * y1 + a2 * y2;
        y2 = y1;
        y1 = out + denormalOffset;
        x2 = x1;
        x1 = v;
        return out;
    }
};

// One first-order section: y = b0 x + b1 x1 + a1 y1.
template <typename T> struct OnePoleSection
{
    T b0, b1, a1;
    T x1, y1;

    T step(T v)
    {
        const T out = b0 * v + b1 * x1 + a1 * y1;
        y1 = out + denormalOffset;
        x1 = v;
        return out;
    }
};

// First-order DC blocker: out = pole * out' + in - in'.
template <typename T> struct DcBlocker
{
    T out, in;

    T step(T x, float pole)
    {
        out = pole * out + x - in;
        in = x;
        return out;
    }
};

// --- valve stage --------------------------------------------------------------------------------

struct TubeParams
{
    float q;      // working point; 0 selects the curve through the origin without offset
    float dist;   // distortion amount
    float atQ;    // the curve's limit where its denominator vanishes
    float offset; // puts the curve through 0 at x = 0
};

constexpr float kClampLevel = 2.0f;

// The clamp of positive peaks and the tube curve (x - q) / (1 - exp(-dist (x - q))) + offset, in
// two steps for passes that take the exponentials of a whole stretch first: the curve's input u
// (clamped, less q) and the curve given u and exp(-dist u).
template <class M> typename M::V tubeInput(typename M::V x, const TubeParams& p)
{
    x = M::ifGreater(x, M::set(kClampLevel), M::set(kClampLevel), x);
    return p.q != 0.0f ? x - M::set(p.q) : x;
}

template <class M> typename M::V tubeExponent(typename M::V u, const TubeParams& p)
{
    return M::set(-p.dist) * u;
}

template <class M> typename M::V tubeOutput(typename M::V u, typename M::V exponential, const TubeParams& p)
{
    // Zero at x == q and wherever exp rounds to 1 within a few ulps of it.
    const typename M::V denominator = M::set(1.0f) - exponential;
    const typename M::V v = M::ifEqual(denominator, M::set(0.0f), M::set(p.atQ), u / denominator);
    return p.q != 0.0f ? v + M::set(p.offset) : v;
}

template <class M> typename M::V tubeCurve(typename M::V x, const TubeParams& p)
{
    const typename M::V u = tubeInput<M>(x, p);
    return tubeOutput<M>(u, M::exp(tubeExponent<M>(u, p)), p);
}

// Soft saturation above a threshold t; NaN becomes 0.
inline float softSaturate(float x, float t)
{
    if (std::isnan(x))
        return 0.0f;
    if (!(x > t))
        return x;
    const float d = x - t;
    const float denominator = d / (1.0f - t) + 1.0f;
    return t + d / (denominator * denominator);
}

// Evaluates d[0] + d[1] x + ... + d[10] x^10 by Horner's rule.
template <typename T> T polynomial10(const float* d, T x)
{
    T y = d[10];
    for (int k = 9; k >= 0; --k)
        y = y * x + d[k];
    return y;
}

// --- soft-knee compressor -----------------------------------------------------------------------

// One envelope step of a soft-knee gain path; loud programme speeds up the attack and slows the
// release. attackNow and releaseNow come back through the references.
inline float followEnvelope(float e, float x, float attackCoef, float releaseCoef, float& attackNow,
                            float& releaseNow)
{
    if (e < 0.9f)
    {
        attackNow = attackCoef;
        releaseNow = releaseCoef;
    }
    else if (e < 1.0f)
    {
        attackNow = attackCoef + (1.0f - attackCoef) * (e - 0.9f) * 10.0f;
        releaseNow = releaseCoef / ((e - 0.9f) * 9.0f + 1.0f);
    }
    else
    {
        attackNow = 1.0f;
        releaseNow = releaseCoef * 0.1f;
    }

    const float attacked = x * attackNow + e * (1.0f - attackNow);
    const float released = x * releaseNow + e * (1.0f - releaseNow);
    return x > e ? attacked : released;
}

// Peak hold: holds the largest level for holdSamples, then lets it fall slowly; at most 20.
struct PeakHold
{
    float peakLevel = 0.0f;
    int holdCount = 0;

    float step(float level, int holdSamples)
    {
        if (holdCount > holdSamples)
        {
            peakLevel = peakLevel * 0.9998f;
            --holdCount;
        }
        ++holdCount;

        if (level > peakLevel)
        {
            peakLevel = level;
            holdCount = 0;
        }
        if (peakLevel > 20.0f)
            peakLevel = 20.0f;
        return peakLevel;
    }
};

// Envelope to dB through double precision, on its way to float. A policy whose results are rounded to
// float with the lanes near a rounding midpoint recomputed (M::roundsNearMidpointsAgain) may scale in
// one multiplication: it differs from the two steps by a few double ulps.
template <class M> typename M::V envelopeToDecibels(typename M::V e)
{
    if constexpr (M::roundsNearMidpointsAgain)
        return M::log(e) * M::set(20.0 / 2.3025848865509033);
    return M::log(e) * M::set(20.0) / M::set(2.3025848865509033);
}

struct SoftKneeParams
{
    float threshold, kneeTop, log2Ratio, invKneeWidth, invRatio, kneeTopGainDb, makeupGain;
};

// The soft-knee gain computer: the target gain for an envelope in dB, never below 1e-5. Below the
// threshold the exponent is 0 and the target is the make-up gain itself. In two steps for passes that
// take the exponentials of a whole stretch apart: the exponent, and the target given its exponential.
template <class M> typename M::V softKneeExponent(typename M::V level, const SoftKneeParams& p)
{
    using V = typename M::V;
    const V threshold = M::set(p.threshold);
    const auto inKnee = [&]
    {
        const V overThreshold = level - threshold;
        const V kneeRatio =
            M::set(p.log2Ratio - 1.0f) * overThreshold * M::set(p.invKneeWidth) + M::set(1.0f);
        return overThreshold / kneeRatio + threshold - level;
    };
    const V aboveKnee =
        (level - M::set(p.kneeTop)) * M::set(p.invRatio) + M::set(p.threshold + p.kneeTopGainDb) - level;
    // A hard knee (its top at the threshold) has no level in the knee, which spares its division.
    const V overKnee =
        p.kneeTop > p.threshold ? M::ifLess(level, M::set(p.kneeTop), inKnee(), aboveKnee) : aboveKnee;
    const V db = M::ifLess(level, threshold, M::set(0.0f), overKnee);
    return db * M::set(2.302585f) / M::set(20.0f);
}

template <class M> typename M::V softKneeTarget(typename M::V exponential, const SoftKneeParams& p)
{
    const typename M::V target = exponential * M::set(p.makeupGain);
    return M::ifLess(target, M::set(1e-5f), M::set(1e-5f), target);
}

template <class M> typename M::V softKneeGain(typename M::V level, const SoftKneeParams& p)
{
    return softKneeTarget<M>(M::exp(softKneeExponent<M>(level, p)), p);
}

// --- peak compressor ----------------------------------------------------------------------------

// The key level above the threshold in dB, offset by 1e-25 so that silence stays finite.
template <class M> typename M::V peakLevelOver(typename M::V key, double thresholdDb)
{
    using V = typename M::V;
    // 20 / ln 10
    const V over = M::log(key + M::set(1e-25)) * M::set(8.685889638065037) - M::set(thresholdDb);
    return M::ifLess(over, M::set(0.0), M::set(1e-25), over + M::set(1e-25));
}

// The envelope in dB: a level equal to it releases. Both candidates are computed beside the
// comparison, which then only picks one.
inline double peakEnvelopeStep(double env, double over, double attackCoef, double releaseCoef)
{
    const double attacked = over + attackCoef * (env - over);
    const double released = over + releaseCoef * (env - over);
    return BranchFree::ifGreater(over, env, attacked, released);
}

// The linear gain for an envelope in dB; ratioMinusOne is the inverse ratio less one.
template <class M> typename M::V peakGain(typename M::V envDb, double ratioMinusOne)
{
    // ln 10 / 20
    return M::exp((envDb - M::set(1e-25)) * M::set(ratioMinusOne) * M::set(0.11512925464970228));
}

} // namespace kernels
