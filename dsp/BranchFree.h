#pragma once

#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// Selection without a conditional jump, for serial loops whose conditions follow the signal, where a
// branch is mispredicted over and over. The result is exactly a or b (NaN and signed zero included);
// a comparison with NaN is false, as with the built-in operators.
class BranchFree
{
public:
    // a where x > y, else b.
    static double ifGreater(double x, double y, double a, double b)
    {
#if defined(__SSE2__)
        // Compare and mask in the vector registers: no trip through the integer unit. y < x is the
        // instruction SSE2 has; x > y would cost a shuffle for the lanes no one reads.
        const __m128d mask = _mm_cmplt_sd(lane(y), lane(x));
        return _mm_cvtsd_f64(_mm_or_pd(_mm_and_pd(mask, lane(a)), _mm_andnot_pd(mask, lane(b))));
#else
        return select(x > y, a, b);
#endif
    }

    // a where x < y, else b.
    static double ifLess(double x, double y, double a, double b)
    {
        return ifGreater(y, x, a, b);
    }

    static float ifGreater(float x, float y, float a, float b)
    {
#if defined(__SSE2__)
        const __m128 mask = _mm_cmplt_ss(lane(y), lane(x));
        return _mm_cvtss_f32(_mm_or_ps(_mm_and_ps(mask, lane(a)), _mm_andnot_ps(mask, lane(b))));
#else
        return select(x > y, a, b);
#endif
    }

    static float ifLess(float x, float y, float a, float b)
    {
        return ifGreater(y, x, a, b);
    }

private:
#if defined(__SSE2__)
    // The register that holds x, as a vector whose other lanes are whatever they are: only lane 0 is
    // read back, and unlike _mm_set_sd this costs GCC no instruction to clear them on a serial chain.
    // (Clang's back end rejects the tied operand of another type; it gets _mm_set_sd.)
    static __m128d lane(double x)
    {
#if defined(__clang__)
        return _mm_set_sd(x);
#else
        __m128d v;
        __asm__("" : "=x"(v) : "0"(x));
        return v;
#endif
    }

    static __m128 lane(float x)
    {
#if defined(__clang__)
        return _mm_set_ss(x);
#else
        __m128 v;
        __asm__("" : "=x"(v) : "0"(x));
        return v;
#endif
    }
#endif

    static double select(bool condition, double a, double b)
    {
        std::uint64_t bitsA, bitsB;
        std::memcpy(&bitsA, &a, sizeof(a));
        std::memcpy(&bitsB, &b, sizeof(b));
        const std::uint64_t mask = std::uint64_t{0} - static_cast<std::uint64_t>(condition);
        const std::uint64_t bits = (bitsA & mask) | (bitsB & ~mask);
        double result;
        std::memcpy(&result, &bits, sizeof(result));
        return result;
    }

    static float select(bool condition, float a, float b)
    {
        std::uint32_t bitsA, bitsB;
        std::memcpy(&bitsA, &a, sizeof(a));
        std::memcpy(&bitsB, &b, sizeof(b));
        const std::uint32_t mask = std::uint32_t{0} - static_cast<std::uint32_t>(condition);
        const std::uint32_t bits = (bitsA & mask) | (bitsB & ~mask);
        float result;
        std::memcpy(&result, &bits, sizeof(result));
        return result;
    }
};
