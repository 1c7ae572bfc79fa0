// Compiled for AVX-512 (F, VL, DQ, BW) with the AVX2 set; called only where the CPU has them all.
#include "simd/PassesForArch.h"

static_assert(HWY_STATIC_TARGET == HWY_AVX3, "this file must be compiled for AVX-512");

namespace vector_passes
{
extern const Passes avx3Passes = passesFor("AVX-512");
} // namespace vector_passes
