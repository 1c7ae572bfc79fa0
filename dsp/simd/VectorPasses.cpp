#include "simd/VectorPasses.h"

#if VORN_X86_PASSES
#include <cpuid.h>
#endif

namespace vector_passes
{
#if VORN_X86_PASSES
extern const Passes sse4Passes;
extern const Passes avx2Passes;
extern const Passes avx3Passes;
#endif

QuietEnvelopes quietEnvelopesFor(const kernels::SoftKneeParams& p)
{
    float silence = 0.0f;
    scalar_loops::softKneeTargets(&silence, 1, p);
    return {linearBelow(p.threshold), silence};
}

extern const Passes scalarPasses;
const Passes scalarPasses = {"scalar", scalar_loops::tubeCurve, scalar_loops::softKneeTargets,
                             scalar_loops::peakLevels, scalar_loops::peakGains};

namespace
{
#if VORN_X86_PASSES
// The compiler's checks include the operating system's support for the wide registers; F16C, which
// not every compiler's check knows, is read from CPUID (it needs no state of its own).
bool cpuRunsAvx2()
{
    __builtin_cpu_init();
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    const bool f16c = __get_cpuid(1, &eax, &ebx, &ecx, &edx) && (ecx & bit_F16C) != 0;
    return f16c && __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma") &&
           __builtin_cpu_supports("bmi") && __builtin_cpu_supports("bmi2") &&
           __builtin_cpu_supports("sse4.2");
}

// The four AVX-512 subsets Highway's AVX-512 target needs; the compiler's checks include the
// operating system's support for the 512-bit registers and the mask registers.
bool cpuRunsAvx3()
{
    return cpuRunsAvx2() && __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl") &&
           __builtin_cpu_supports("avx512dq") && __builtin_cpu_supports("avx512bw");
}

bool cpuRunsSse4()
{
    __builtin_cpu_init();
    return __builtin_cpu_supports("sse4.2");
}
#endif

struct Available
{
    const Passes* list[5] = {};

    Available()
    {
        int count = 0;
#if VORN_X86_PASSES
        if (cpuRunsAvx3())
            list[count++] = &avx3Passes;
        if (cpuRunsAvx2())
            list[count++] = &avx2Passes;
        if (cpuRunsSse4())
            list[count++] = &sse4Passes;
#endif
        list[count++] = &scalarPasses;
    }
};

// Chosen while the library loads, so the audio thread never meets a first-call guard.
const Available available;
} // namespace

const Passes* const* availablePasses()
{
    return available.list;
}

const Passes& passes()
{
    return *available.list[0];
}

} // namespace vector_passes
