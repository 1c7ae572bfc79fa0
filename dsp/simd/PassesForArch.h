#pragma once

// The passes of VectorPasses.h written once over Highway's vectors. Included only by the source file
// of each instruction set, which is compiled for that set alone, so Highway's static target is that
// set and nothing here needs Highway's run-time library. Everything has internal linkage, so no copy
// compiled for a wider set can stand in for another's at link time.

#include "Kernels.h"
#include "simd/VectorPasses.h"

#include <hwy/contrib/math/math-inl.h>
#include <hwy/highway.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <type_traits>

namespace vector_passes
{
// The plain loops over the scalar kernels, compiled for the baseline in VectorPasses.cpp: every scalar
// result here comes from them (or from libm), never from an inline copy compiled in this file.
extern const Passes scalarPasses;

namespace
{
namespace hn = hwy::HWY_NAMESPACE;

using DoubleTag = hn::ScalableTag<double>;
using FloatTag = hn::Repartition<float, DoubleTag>; // twice the lanes of DoubleTag
using HalfFloatTag = hn::Rebind<float, DoubleTag>;  // as many lanes as DoubleTag
using DoubleVec = hn::Vec<DoubleTag>;
using FloatVec = hn::Vec<FloatTag>;

// The most lanes of any vector here, for copies of one vector in memory.
constexpr std::size_t kMaxLanes = HWY_MAX_BYTES / sizeof(float);

// A vector of floats as two vectors of doubles and back (rounding to nearest, as a cast does).
HWY_INLINE DoubleVec lowHalf(FloatVec x)
{
    return hn::PromoteTo(DoubleTag(), hn::LowerHalf(HalfFloatTag(), x));
}

HWY_INLINE DoubleVec highHalf(FloatVec x)
{
    return hn::PromoteTo(DoubleTag(), hn::UpperHalf(HalfFloatTag(), x));
}

HWY_INLINE FloatVec narrow(DoubleVec low, DoubleVec high)
{
    return hn::Combine(FloatTag(), hn::DemoteTo(HalfFloatTag(), high), hn::DemoteTo(HalfFloatTag(), low));
}

// Highway's Exp and Log cover the finite range; the ends and NaN are mapped as std::exp and std::log
// map them.
HWY_INLINE DoubleVec expDouble(DoubleVec x)
{
    const DoubleTag d;
    DoubleVec e = hn::IfThenElse(hn::Lt(x, hn::Set(d, -746.0)), hn::Zero(d), hn::Exp(d, x));
    e = hn::IfThenElse(hn::Gt(x, hn::Set(d, 709.8)), hn::Set(d, std::numeric_limits<double>::infinity()), e);
    return hn::IfThenElse(hn::IsNaN(x), x, e);
}

HWY_INLINE DoubleVec logDouble(DoubleVec x)
{
    const DoubleTag d;
    DoubleVec l = hn::IfThenElse(hn::IsFinite(x), hn::Log(d, x), x);
    l = hn::IfThenElse(hn::Eq(x, hn::Zero(d)), hn::Set(d, -std::numeric_limits<double>::infinity()), l);
    return hn::IfThenElse(hn::Lt(x, hn::Zero(d)), hn::Set(d, std::numeric_limits<double>::quiet_NaN()), l);
}

// Rounding a double to float can disagree with the reference's float only where the double lies
// within a hair of a midpoint between two floats, or outside the range of normal floats. Those lanes
// are recomputed with the scalar function, so that the result equals the reference exactly. The hair,
// in double ulps either side of the midpoint, depends on the reference:
// - libm's expf is within 0.502 float ulp, so its own rounding can go either way within 1/256 ulp;
constexpr std::int64_t kAgainstSinglePrecision = std::int64_t{1} << 21;
// - a double-precision reference (libm's log, within 1 ulp, and its scaling) and Highway's Log (within
//   4 ulps) with the scaling in one step differ by a few double ulps: 256 leave a wide margin.
constexpr std::int64_t kAgainstDoublePrecision = std::int64_t{1} << 8;

template <std::int64_t window> HWY_INLINE auto nearFloatMidpoint(DoubleVec y)
{
    const hn::RebindToSigned<DoubleTag> di;
    // The 29 bits a float drops from a double's mantissa; 2^28 is the midpoint. Shifted by 2^28 + window
    // (modulo 2^29), the window either side of it becomes [0, 2 window).
    constexpr std::int64_t dropped = (std::int64_t{1} << 29) - 1;
    const auto shifted = hn::And(hn::Add(hn::BitCast(di, y), hn::Set(di, (std::int64_t{1} << 28) + window)),
                                 hn::Set(di, dropped));
    return hn::RebindMask(DoubleTag(), hn::Lt(shifted, hn::Set(di, 2 * window)));
}

// Finite values beyond the largest float, and values below the smallest normal one; zero, the
// infinities and NaN narrow exactly.
HWY_INLINE auto outsideNormalFloats(DoubleVec y)
{
    const DoubleTag d;
    const DoubleVec magnitude = hn::Abs(y);
    const auto overflows =
        hn::And(hn::Gt(magnitude, hn::Set(d, (double)std::numeric_limits<float>::max())), hn::IsFinite(y));
    const auto subnormal = hn::And(hn::Lt(magnitude, hn::Set(d, (double)std::numeric_limits<float>::min())),
                                   hn::Gt(magnitude, hn::Zero(d)));
    return hn::Or(overflows, subnormal);
}

// Narrows to x's lanes' f(x), given the double results low and high and the window of doubt against
// f. withinNormalFloats: the caller knows every finite result is zero or a normal float.
template <bool withinNormalFloats, std::int64_t window, class F>
HWY_INLINE FloatVec narrowExactly(DoubleVec low, DoubleVec high, FloatVec x, F f)
{
    const DoubleTag d;
    FloatVec y = narrow(low, high);
    auto hardLow = nearFloatMidpoint<window>(low);
    auto hardHigh = nearFloatMidpoint<window>(high);
    if constexpr (!withinNormalFloats)
    {
        hardLow = hn::Or(hardLow, outsideNormalFloats(low));
        hardHigh = hn::Or(hardHigh, outsideNormalFloats(high));
    }
    if (HWY_LIKELY(hn::AllFalse(d, hn::Or(hardLow, hardHigh))))
        return y;

    const FloatTag df;
    const int lanes = (int)hn::Lanes(d);
    float in[kMaxLanes], out[kMaxLanes];
    std::int64_t hard[kMaxLanes];
    hn::StoreU(x, df, in);
    hn::StoreU(y, df, out);
    const hn::RebindToSigned<DoubleTag> di;
    hn::StoreU(hn::BitCast(di, hn::VecFromMask(d, hardLow)), di, hard);
    hn::StoreU(hn::BitCast(di, hn::VecFromMask(d, hardHigh)), di, hard + lanes);
    for (int k = 0; k < 2 * lanes; ++k)
        if (hard[k] != 0)
            out[k] = f(in[k]);
    return hn::LoadU(df, out);
}

inline float expReference(float x)
{
    return ::expf(x);
}

// Every lane positive, normal and finite: where Highway's Log needs no mapping of the ends. NaN fails
// the comparisons.
template <class D> HWY_INLINE bool allPositiveNormal(D d, hn::Vec<D> x)
{
    using T = hn::TFromD<D>;
    return hn::AllTrue(d, hn::And(hn::Ge(x, hn::Set(d, std::numeric_limits<T>::min())),
                                  hn::Le(x, hn::Set(d, std::numeric_limits<T>::max()))));
}

// Out of line: the rare vectors with a lane near the ends of the range or beyond.
HWY_NOINLINE FloatVec expFloatsAtTheEnds(FloatVec x)
{
    return narrowExactly<false, kAgainstSinglePrecision>(expDouble(lowHalf(x)), expDouble(highHalf(x)), x,
                                                         expReference);
}

// The kernels' lane policy for vectors of T. Where every lane is well inside the range of the
// function, Highway's Exp and Log are called as they are; elsewhere the ends are mapped too.
template <typename T> struct SimdLanes
{
    using Tag = std::conditional_t<std::is_same_v<T, double>, DoubleTag, FloatTag>;
    using V = hn::Vec<Tag>;
    static constexpr bool roundsNearMidpointsAgain = false;

    template <typename C> static V set(C c) { return hn::Set(Tag(), static_cast<T>(c)); }
    HWY_INLINE static V exp(V x)
    {
        static_assert(std::is_same_v<T, double>,
                      "exponentials of floats: DoubtfulLanes (equal to expf) or PlainFloats (within ulps)");
        const Tag d;
        // NaN fails the comparison.
        if (HWY_LIKELY(hn::AllTrue(d, hn::Lt(hn::Abs(x), hn::Set(d, 708.0)))))
            return hn::Exp(d, x);
        return expDouble(x);
    }
    HWY_INLINE static V log(V x)
    {
        static_assert(std::is_same_v<T, double>, "the kernels take logarithms in double precision");
        const Tag d;
        if (HWY_LIKELY(allPositiveNormal(d, x)))
            return hn::Log(d, x);
        return logDouble(x);
    }
    static V ifLess(V x, V y, V a, V b) { return hn::IfThenElse(hn::Lt(x, y), a, b); }
    static V ifGreater(V x, V y, V a, V b) { return hn::IfThenElse(hn::Gt(x, y), a, b); }
    static V ifEqual(V x, V y, V a, V b) { return hn::IfThenElse(hn::Eq(x, y), a, b); }
};

using Floats = SimdLanes<float>;
using Doubles = SimdLanes<double>;

// Out of line: float logarithms of vectors with a lane at zero, negative, infinite or NaN.
HWY_NOINLINE FloatVec logFloatsAtTheEnds(FloatVec x)
{
    return narrow(logDouble(lowHalf(x)), logDouble(highHalf(x)));
}

// Floats with Highway's single-precision Exp and Log, within a few float ulps of libm rather than
// equal to it: for the stages after the valve, where that cannot grow.
struct PlainFloats : Floats
{
    HWY_INLINE static V exp(V x)
    {
        const FloatTag d;
        if (HWY_LIKELY(hn::AllTrue(d, hn::Lt(hn::Abs(x), hn::Set(d, 87.0f)))))
            return hn::Exp(d, x);
        return expFloatsAtTheEnds(x);
    }
    HWY_INLINE static V log(V x)
    {
        const FloatTag d;
        if (HWY_LIKELY(allPositiveNormal(d, x)))
            return hn::Log(d, x);
        return logFloatsAtTheEnds(x);
    }
};

// Doubles whose results go through narrowExactly.
struct DoublesToFloat : Doubles
{
    static constexpr bool roundsNearMidpointsAgain = true;
};

// Calls f(i) for the start of every whole vector of `lanes` samples and returns where the rest
// begins; the caller hands the rest (fewer than `lanes`) to the scalar kernels, which give the same
// results and cost less for a few samples than a padded vector.
template <class F> int eachVector(int n, int lanes, F f)
{
    int i = 0;
    for (; i + lanes <= n; i += lanes)
        f(i);
    return i;
}

int floatLanes()
{
    return (int)hn::Lanes(FloatTag());
}

int doubleLanes()
{
    return (int)hn::Lanes(DoubleTag());
}

// The long passes run tile by tile, each stage of the arithmetic as its own loop over the tile: the
// iterations of such a loop are short and independent, so the CPU overlaps several of them, where one
// loop through every stage would hold a dependency chain too long for it to reach the next vector.
constexpr int kTile = 64;
static_assert(kTile % kMaxLanes == 0, "a tile holds whole vectors");

// Calls f(from, to) for each tile of the first `whole` samples (a multiple of the vector length).
template <class F> void eachTile(int whole, F f)
{
    for (int from = 0; from < whole; from += kTile)
        f(from, std::min(whole, from + kTile));
}

// The lanes of a tile whose exponential, rounded from double, may differ from expf's (about one AVX2
// vector in sixteen holds one). They are noted without a branch in the vector loop and recomputed in a
// loop of their own: a branch taken that often would mispredict, and throw away the overlapped work.
class DoubtfulLanes
{
public:
    // exp(x) rounded to float, the doubtful lanes as they come; `at` is the vector's place in the tile.
    HWY_INLINE FloatVec exp(FloatVec x, int at)
    {
        const FloatTag df;
        if (HWY_UNLIKELY(!hn::AllTrue(df, hn::Lt(hn::Abs(x), hn::Set(df, 87.0f)))))
            return expFloatsAtTheEnds(x); // exact already
        // Here exp(x) is a normal float (e^-87 > 1.2e-38, e^87 < 3.4e38): only midpoints are in doubt.
        const DoubleTag d;
        const DoubleVec low = hn::Exp(d, lowHalf(x)), high = hn::Exp(d, highHalf(x));
        std::uint8_t lowBits[8] = {}, highBits[8] = {};
        hn::StoreMaskBits(d, nearFloatMidpoint<kAgainstSinglePrecision>(low), lowBits);
        hn::StoreMaskBits(d, nearFloatMidpoint<kAgainstSinglePrecision>(high), highBits);
        const unsigned bits = lowBits[0] | (unsigned)highBits[0] << hn::Lanes(d);
        start[count] = at;
        lanes[count] = bits;
        count += bits != 0 ? 1 : 0;
        return narrow(low, high);
    }

    // Calls f(k) for every doubtful lane k of the tile, and forgets them.
    template <class F> void redo(F f)
    {
        for (int c = 0; c < count; ++c)
            for (unsigned bits = lanes[c], k = 0; bits != 0; bits >>= 1, ++k)
                if ((bits & 1u) != 0)
                    f(start[c] + (int)k);
        count = 0;
    }

private:
    int count = 0;
    int start[kTile];
    unsigned lanes[kTile];
};

void tubeCurvePass(float* samples, int n, const kernels::TubeParams& p)
{
    const int lanes = floatLanes();
    const int whole = n - n % lanes;
    float exponents[kTile], exponentials[kTile];
    DoubtfulLanes doubtful;
    eachTile(whole,
             [&](int from, int to)
             {
                 for (int i = from; i < to; i += lanes)
                 {
                     const FloatVec u = kernels::tubeInput<Floats>(hn::LoadU(FloatTag(), samples + i), p);
                     hn::StoreU(u, FloatTag(), samples + i);
                     const FloatVec exponent = kernels::tubeExponent<Floats>(u, p);
                     hn::StoreU(exponent, FloatTag(), exponents + (i - from));
                     hn::StoreU(doubtful.exp(exponent, i - from), FloatTag(), exponentials + (i - from));
                 }
                 doubtful.redo([&](int k) { exponentials[k] = expReference(exponents[k]); });
                 for (int i = from; i < to; i += lanes)
                 {
                     const FloatVec u = hn::LoadU(FloatTag(), samples + i);
                     const FloatVec exponential = hn::LoadU(FloatTag(), exponentials + (i - from));
                     hn::StoreU(kernels::tubeOutput<Floats>(u, exponential, p), FloatTag(), samples + i);
                 }
             });
    scalarPasses.tubeCurve(samples + whole, n - whole, p);
}

float softKneeTargetsPass(float* envelopes, int n, const kernels::SoftKneeParams& p,
                          const QuietEnvelopes& quiet)
{
    const int lanes = floatLanes();
    const int whole = n - n % lanes;
    const FloatVec quietLevel = hn::Set(FloatTag(), quiet.level);
    const FloatVec quietTarget = hn::Set(FloatTag(), quiet.target);
    // The scalar pass over one envelope returns its dB.
    const auto scalarDecibels = [&p](float v) { return scalarPasses.softKneeTargets(&v, 1, p, {}); };
    const float lastEnvelope = envelopes[n - 1];
    bool haveLastDb = false;
    float lastDb = 0.0f;

    float decibels[kTile], exponents[kTile];
    bool loud[kTile];
    DoubtfulLanes doubtful;
    eachTile(whole,
             [&](int from, int to)
             {
                 for (int i = from; i < to; i += lanes)
                 {
                     const FloatVec e = hn::LoadU(FloatTag(), envelopes + i);
                     loud[i - from] = !hn::AllTrue(FloatTag(), hn::Lt(e, quietLevel));
                     if (!loud[i - from])
                         continue;
                     // In double precision, rounded to float as the per-sample path does. The logarithm
                     // of a float is 0 or at least 6e-8 in magnitude and at most 104, so no finite dB
                     // value lies outside the normal floats.
                     const FloatVec db = narrowExactly<true, kAgainstDoublePrecision>(
                         kernels::envelopeToDecibels<DoublesToFloat>(lowHalf(e)),
                         kernels::envelopeToDecibels<DoublesToFloat>(highHalf(e)), e, scalarDecibels);
                     hn::StoreU(db, FloatTag(), decibels + (i - from));
                 }
                 for (int i = from; i < to; i += lanes)
                     if (loud[i - from])
                         hn::StoreU(kernels::softKneeExponent<Floats>(
                                        hn::LoadU(FloatTag(), decibels + (i - from)), p),
                                    FloatTag(), exponents + (i - from));
                 for (int i = from; i < to; i += lanes)
                 {
                     if (!loud[i - from])
                     {
                         hn::StoreU(quietTarget, FloatTag(), envelopes + i);
                         continue;
                     }
                     const FloatVec exponential =
                         doubtful.exp(hn::LoadU(FloatTag(), exponents + (i - from)), i - from);
                     hn::StoreU(kernels::softKneeTarget<Floats>(exponential, p), FloatTag(), envelopes + i);
                 }
                 doubtful.redo(
                     [&](int k)
                     {
                         const FloatVec exponential = hn::Set(FloatTag(), expReference(exponents[k]));
                         envelopes[from + k] = hn::GetLane(kernels::softKneeTarget<Floats>(exponential, p));
                     });
                 if (to == n && loud[to - lanes - from])
                 {
                     lastDb = decibels[to - 1 - from];
                     haveLastDb = true;
                 }
             });
    if (whole < n)
        return scalarPasses.softKneeTargets(envelopes + whole, n - whole, p, quiet);
    return haveLastDb ? lastDb : scalarDecibels(lastEnvelope);
}

void peakLevelsPass(const float* left, const float* right, double* levels, int n, double thresholdDb)
{
    if (n < floatLanes())
        return scalarPasses.peakLevels(left, right, levels, n, thresholdDb);

    // Every key below the threshold gets the level of silence. (Thresholds far below any signal, where
    // the kernel's 1e-25 offset would matter, take the full path.)
    const FloatVec quiet = hn::Set(FloatTag(), thresholdDb > -400.0 ? linearBelow(thresholdDb) : 0.0f);
    const float silence = 0.0f;
    double silenceLevel = 0.0;
    scalarPasses.peakLevels(&silence, &silence, &silenceLevel, 1, thresholdDb);
    const DoubleVec quietLevel = hn::Set(DoubleTag(), silenceLevel);
    const int half = doubleLanes();

    const int rest = eachVector(n, floatLanes(),
                                [&](int i)
                                {
                                    const FloatVec a = hn::Abs(hn::LoadU(FloatTag(), left + i));
                                    const FloatVec b = hn::Abs(hn::LoadU(FloatTag(), right + i));
                                    // std::max(a, b): a unless a < b.
                                    const FloatVec key = hn::IfThenElse(hn::Lt(a, b), b, a);
                                    if (hn::AllTrue(FloatTag(), hn::Lt(key, quiet)))
                                    {
                                        hn::StoreU(quietLevel, DoubleTag(), levels + i);
                                        hn::StoreU(quietLevel, DoubleTag(), levels + i + half);
                                        return;
                                    }
                                    const FloatVec level =
                                        kernels::peakLevelOver<PlainFloats>(key, thresholdDb);
                                    hn::StoreU(lowHalf(level), DoubleTag(), levels + i);
                                    hn::StoreU(highHalf(level), DoubleTag(), levels + i + half);
                                });
    scalarPasses.peakLevels(left + rest, right + rest, levels + rest, n - rest, thresholdDb);
}

void peakGainsPass(double* envelopes, int n, double ratioMinusOne)
{
    const int half = doubleLanes();
    // Envelopes whose exponent is beyond +-80 (gains the float range cannot hold, the ends of the double
    // range and NaN) take the double-precision path, so that no gain turns into zero or infinity early.
    const double slope = std::fabs(ratioMinusOne * 0.11512925464970228);
    const FloatVec largest = hn::Set(FloatTag(), slope > 0.0 ? (float)(80.0 / slope) : 3.0e38f);
    const int rest = eachVector(
        n, floatLanes(),
        [&](int i)
        {
            const DoubleVec low = hn::LoadU(DoubleTag(), envelopes + i);
            const DoubleVec high = hn::LoadU(DoubleTag(), envelopes + i + half);
            const FloatVec e = narrow(low, high);
            if (HWY_LIKELY(hn::AllTrue(FloatTag(), hn::Lt(hn::Abs(e), largest))))
            {
                const FloatVec gain = kernels::peakGain<PlainFloats>(e, ratioMinusOne);
                hn::StoreU(lowHalf(gain), DoubleTag(), envelopes + i);
                hn::StoreU(highHalf(gain), DoubleTag(), envelopes + i + half);
                return;
            }
            hn::StoreU(kernels::peakGain<Doubles>(low, ratioMinusOne), DoubleTag(), envelopes + i);
            hn::StoreU(kernels::peakGain<Doubles>(high, ratioMinusOne), DoubleTag(), envelopes + i + half);
        });
    scalarPasses.peakGains(envelopes + rest, n - rest, ratioMinusOne);
}

constexpr Passes passesFor(const char* name)
{
    return {name, tubeCurvePass, softKneeTargetsPass, peakLevelsPass, peakGainsPass};
}

} // namespace
} // namespace vector_passes
