// Compiled for SSE4.2; called only where the CPU has it.
#include "simd/PassesForArch.h"

static_assert(HWY_STATIC_TARGET == HWY_SSE4, "this file must be compiled for SSE4.2");

namespace vector_passes
{
extern const Passes sse4Passes = passesFor("SSE4");
} // namespace vector_passes
