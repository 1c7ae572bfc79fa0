#include <benchmark/benchmark.h>

#include "BenchSignals.h"
#include "valve/ValveProcessor.h"

#include <cmath>

namespace
{
constexpr double kRate = 48000.0;
constexpr int kSourceFrames = 48000;

// Args: block length, valve mode. Reports the time per stereo frame at drive 0.8.
template <bool inPasses> void runValveProcessor(benchmark::State& state)
{
    const int blockSize = static_cast<int>(state.range(0));
    const int mode = static_cast<int>(state.range(1));

    ValveProcessor vp;
    vp.prepare(kRate, blockSize);
    vp.setDrive(0.8f);
    vp.setBias(91.0f);
    vp.setMode(mode);
    vp.inputGain = 0.7f;

    // One second of programme material, read block by block so the stage never sees a repeat.
    juce::AudioSampleBuffer source(2, kSourceFrames);
    for (int i = 0; i < kSourceFrames; ++i)
    {
        const float t = static_cast<float>(i) / static_cast<float>(kRate);
        source.setSample(
            0, i, 0.6f * std::sin(6.2831853f * 220.0f * t) + 0.2f * std::sin(6.2831853f * 3100.0f * t));
        source.setSample(1, i, 0.5f * std::sin(6.2831853f * 330.0f * t + 0.4f));
    }

    juce::AudioSampleBuffer io(2, blockSize);
    int position = 0;
    for (auto _ : state)
    {
        bench::copyNextBlock(io, source, position);
        if (inPasses)
            vp.processInPasses(io);
        else
            vp.process(io);
        bench::keep(io.getReadPointer(0), io.getReadPointer(1));
    }

    state.counters["per_frame"] = bench::timePerFrame(blockSize);
    state.SetItemsProcessed(state.iterations() * blockSize);
}

// The per-sample chain.
void ValveProcessorProcess(benchmark::State& state)
{
    runValveProcessor<false>(state);
}

// The block path.
void ValveProcessorProcessInPasses(benchmark::State& state)
{
    runValveProcessor<true>(state);
}
} // namespace

BENCHMARK(ValveProcessorProcess)
    ->ArgNames({"block", "mode"})
    ->Args({64, 0})
    ->Args({64, 1})
    ->Args({512, 0})
    ->Args({512, 1});
BENCHMARK(ValveProcessorProcessInPasses)
    ->ArgNames({"block", "mode"})
    ->Args({64, 0})
    ->Args({64, 1})
    ->Args({512, 0})
    ->Args({512, 1});
