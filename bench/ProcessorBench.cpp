#if VORN_BENCH_PROCESSOR

#include <benchmark/benchmark.h>

#include "BenchSignals.h"
#include "VornAudioProcessor.h"

#include <memory>

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
    bench::fillProgramme(source.getWritePointer(0), source.getWritePointer(1), kSourceFrames, kRate,
                         {4321, 0.06f, 0.4, 3100.0});
    return source;
}

// A prepared stereo instance, its silent first block already out of the way.
std::unique_ptr<VornAudioProcessor> preparedProcessor(int blockSize, bool working,
                                                      juce::AudioSampleBuffer& io, juce::MidiBuffer& midi)
{
    auto processor = std::make_unique<VornAudioProcessor>();
    processor->setPlayConfigDetails(2, 2, kRate, blockSize);
    processor->prepareToPlay(kRate, blockSize);
    if (working)
        setEveryStageWorking(*processor);
    io.clear();
    processor->processBlock(io, midi);
    return processor;
}

// Args: block length, setting. Reports the time per stereo frame of the whole processBlock.
void ProcessorProcessBlock(benchmark::State& state)
{
    const int blockSize = static_cast<int>(state.range(0));
    const int setting = static_cast<int>(state.range(1));

    juce::AudioSampleBuffer io(2, blockSize);
    juce::MidiBuffer midi;
    const auto instance = preparedProcessor(blockSize, setting == everyStageWorking, io, midi);
    auto& processor = *instance;
    static const juce::AudioSampleBuffer source = makeProgramme();

    int position = 0;
    for (auto _ : state)
    {
        bench::copyNextBlock(io, source, position);
        processor.processBlock(io, midi);
        bench::keep(io.getReadPointer(0), io.getReadPointer(1));
    }

    state.counters["per_frame"] = bench::timePerFrame(blockSize);
    state.counters["gain_reduction"] = processor.compressor.gainReduction;
    state.SetItemsProcessed(state.iterations() * blockSize);
}

// Args: block length. Each iteration feeds half a second of loud programme (not timed), then four
// seconds of silence (timed): the decaying tail, where filters and envelopes approach zero. Compare
// its time per frame with ProcessorProcessBlock's "working" case of the same block length.
void ProcessorSilentTail(benchmark::State& state)
{
    const int blockSize = static_cast<int>(state.range(0));
    constexpr int loudFrames = kSourceFrames / 2;
    constexpr int silentFrames = 4 * kSourceFrames;
    const int loudBlocks = loudFrames / blockSize;
    const int silentBlocks = silentFrames / blockSize;

    juce::AudioSampleBuffer io(2, blockSize);
    juce::MidiBuffer midi;
    const auto instance = preparedProcessor(blockSize, true, io, midi);
    auto& processor = *instance;
    static const juce::AudioSampleBuffer source = makeProgramme();

    int position = 0;
    for (auto _ : state)
    {
        state.PauseTiming();
        for (int b = 0; b < loudBlocks; ++b)
        {
            bench::copyNextBlock(io, source, position);
            processor.processBlock(io, midi);
        }
        state.ResumeTiming();

        for (int b = 0; b < silentBlocks; ++b)
        {
            io.clear();
            processor.processBlock(io, midi);
            bench::keep(io.getReadPointer(0), io.getReadPointer(1));
        }
    }

    state.counters["per_frame"] = bench::timePerFrame(silentBlocks * blockSize);
    state.SetItemsProcessed(state.iterations() * silentBlocks * blockSize);
}
} // namespace

BENCHMARK(ProcessorSilentTail)->ArgNames({"block"})->Arg(64)->Arg(512)->Unit(benchmark::kMillisecond);

BENCHMARK(ProcessorProcessBlock)
    ->ArgNames({"block", "working"})
    ->Args({64, defaults})
    ->Args({64, everyStageWorking})
    ->Args({512, defaults})
    ->Args({512, everyStageWorking});

#endif
