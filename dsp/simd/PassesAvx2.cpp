// Compiled for AVX2 with FMA, BMI2 and F16C; called only where the CPU has them all.
#include "simd/PassesForArch.h"

static_assert(HWY_STATIC_TARGET == HWY_AVX2, "this file must be compiled for AVX2");

namespace vector_passes
{
extern const Passes avx2Passes = passesFor("AVX2");
} // namespace vector_passes
