#if VORN_BENCH_PROCESSOR

#include <benchmark/benchmark.h>

#include "VornAudioProcessor.h"

#include <cmath>
#include <random>

namespace
{
constexpr double kRate = 48000.0;
constexpr int kSourceFrames = 48000;

enum Setting
{
    defaults = 0,
    everyStageWorking = 1
};

// Driven valve path, compressor working on the loud parts, both blends fully wet, "Output" near 0 dB.
void setEveryStageWorking(VornAudioProcessor& processor)
{
    struct Value
    {
        int index;
        float value;
    };
    const Value values[] = {{0, 0.8f}, {1, 0.5f}, {2, 1.0f}, {3, 1.0f},
                            {5, 0.5f}, {8, 0.6f}, {9, 1.0f}, {10, 0.8f}};
    for (const auto& v : values)
        processor.getParameters()[v.index]->setValue(v.value);
}

// One second of programme: swelling tones plus noise, peaks near full scale, different per channel.
juce::AudioSampleBuffer makeProgramme()
{
    juce::AudioSampleBuffer source(2, kSourceFrames);
    std::mt19937 rng(4321);
    std::normal_distribution<float> noise(0.0f, 0.06f);
    const double twoPi = 6.283185307179586;
    for (int i = 0; i < kSourceFrames; ++i)
    {
        const double t = i / kRate;
        const double swell = 0.55 + 0.45 * std::sin(twoPi * 1.5 * t);
        const double tones = 0.4 * std::sin(twoPi * 110.0 * t) + 0.2 * std::sin(twoPi * 440.0 * t) +
                             0.1 * std::sin(twoPi * 3100.0 * t);
        source.setSample(0, i, (float)(swell * tones) + noise(rng));
        source.setSample(1, i,
                         (float)(swell * (0.8 * tones + 0.1 * std::sin(twoPi * 660.0 * t))) + noise(rng));
    }
    return source;
}

// Args: block length, setting. Reports the time per stereo frame of the whole processBlock.
void ProcessorProcessBlock(benchmark::State& state)
{
    const int blockSize = static_cast<int>(state.range(0));
    const int setting = static_cast<int>(state.range(1));

    VornAudioProcessor processor;
    processor.setPlayConfigDetails(2, 2, kRate, blockSize);
    processor.prepareToPlay(kRate, blockSize);
    if (setting == everyStageWorking)
        setEveryStageWorking(processor);

    static const juce::AudioSampleBuffer source = makeProgramme();
    juce::AudioSampleBuffer io(2, blockSize);
    juce::MidiBuffer midi;

    // The first block of an instance is silent; get it out of the way.
    io.clear();
    processor.processBlock(io, midi);

    int position = 0;
    for (auto _ : state)
    {
        if (position + blockSize > kSourceFrames)
            position = 0;
        io.copyFrom(0, 0, source, 0, position, blockSize);
        io.copyFrom(1, 0, source, 1, position, blockSize);
        position += blockSize;

        processor.processBlock(io, midi);
        benchmark::DoNotOptimize(io.getReadPointer(0));
        benchmark::ClobberMemory();
    }

    state.counters["per_frame"] =
        benchmark::Counter(static_cast<double>(blockSize),
                           benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.counters["gain_reduction"] = processor.compressor.gainReduction;
    state.SetItemsProcessed(state.iterations() * blockSize);
}
} // namespace

BENCHMARK(ProcessorProcessBlock)
    ->ArgNames({"block", "working"})
    ->Args({64, defaults})
    ->Args({64, everyStageWorking})
    ->Args({512, defaults})
    ->Args({512, everyStageWorking});

#endif
