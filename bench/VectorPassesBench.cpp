#include <benchmark/benchmark.h>

#include "simd/VectorPasses.h"

#include <cmath>
#include <vector>

namespace
{
// Arg: index into the available tables (the chosen one first, plain loops last).
const vector_passes::Passes& table(benchmark::State& state)
{
    const auto* const* list = vector_passes::availablePasses();
    int count = 0;
    while (list[count] != nullptr)
        ++count;
    const int index = static_cast<int>(state.range(0));
    const auto& passes = *list[index < count ? index : count - 1];
    state.SetLabel(passes.name);
    return passes;
}

std::vector<float> programme(int n, float scale)
{
    std::vector<float> v((size_t)n);
    for (int i = 0; i < n; ++i)
        v[(size_t)i] = scale * (float)std::sin(0.01 * i) * (0.6f + 0.4f * (float)std::sin(0.0003 * i));
    return v;
}

constexpr int kBlock = 512;

void VectorPassTubeCurve(benchmark::State& state)
{
    const auto& passes = table(state);
    const auto source = programme(kBlock, 1.5f);
    auto io = source;
    const kernels::TubeParams p{-0.1f, 3.6f, 1.0f / 3.6f, 0.2f};
    for (auto _ : state)
    {
        io = source;
        passes.tubeCurve(io.data(), kBlock, p);
        benchmark::DoNotOptimize(io.data());
    }
    state.SetItemsProcessed(state.iterations() * kBlock);
}

void VectorPassSoftKneeTargets(benchmark::State& state)
{
    const auto& passes = table(state);
    auto source = programme(kBlock, 0.5f);
    for (float& v : source)
        v = std::abs(v) + 1e-6f;
    auto io = source;
    const kernels::SoftKneeParams p{-20.0f, -20.0f, 3.9f, 0.0f, 1.0f / 15.0f, 0.0f, 0.7f};
    const auto quiet = vector_passes::quietEnvelopesFor(p);
    for (auto _ : state)
    {
        io = source;
        passes.softKneeTargets(io.data(), kBlock, p, quiet);
        benchmark::DoNotOptimize(io.data());
    }
    state.SetItemsProcessed(state.iterations() * kBlock);
}

void VectorPassPeakLevelsAndGains(benchmark::State& state)
{
    const auto& passes = table(state);
    const auto left = programme(kBlock, 0.9f), right = programme(kBlock, -0.7f);
    std::vector<double> levels(kBlock);
    for (auto _ : state)
    {
        passes.peakLevels(left.data(), right.data(), levels.data(), kBlock, -20.0);
        passes.peakGains(levels.data(), kBlock, -0.75);
        benchmark::DoNotOptimize(levels.data());
    }
    state.SetItemsProcessed(state.iterations() * kBlock);
}
} // namespace

BENCHMARK(VectorPassTubeCurve)->ArgName("table")->DenseRange(0, 2);
BENCHMARK(VectorPassSoftKneeTargets)->ArgName("table")->DenseRange(0, 2);
BENCHMARK(VectorPassPeakLevelsAndGains)->ArgName("table")->DenseRange(0, 2);
