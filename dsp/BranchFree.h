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
        // Compare and mask in the vector registers: no trip through the integer unit.
        const __m128d mask = _mm_cmpgt_sd(_mm_set_sd(x), _mm_set_sd(y));
        return _mm_cvtsd_f64(_mm_or_pd(_mm_and_pd(mask, _mm_set_sd(a)), _mm_andnot_pd(mask, _mm_set_sd(b))));
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
        const __m128 mask = _mm_cmpgt_ss(_mm_set_ss(x), _mm_set_ss(y));
        return _mm_cvtss_f32(_mm_or_ps(_mm_and_ps(mask, _mm_set_ss(a)), _mm_andnot_ps(mask, _mm_set_ss(b))));
#else
        return select(x > y, a, b);
#endif
    }

    static float ifLess(float x, float y, float a, float b)
    {
        return ifGreater(y, x, a, b);
    }

private:
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
