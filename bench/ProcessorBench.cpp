#if VORN_BENCH_PROCESSOR

#include <benchmark/benchmark.h>

#include "BenchSignals.h"
#include "FloatParameter.h"
#include "VornAudioProcessor.h"

#include <memory>

namespace
{
constexpr double kRate = 48000.0;
constexpr int kSourceFrames = 48000;

// Both stages always run; a blend of 0 only drops a stage's result for its dry input, which is how
// one stage is heard alone.
enum Setting
{
    defaults = 0,          // every parameter at its default: both blends dry
    everyStageWorking = 1, // driven valve, compressor on the loud parts, both blends wet
    valveAlone = 2,        // the driven valve, compressor blend dry
    compressorAlone = 3    // valve blend dry, the compressor working
};

const char* nameOf(int setting)
{
    switch (setting)
    {
    case everyStageWorking:
        return "every stage working";
    case valveAlone:
        return "valve alone";
    case compressorAlone:
        return "compressor alone";
    default:
        return "defaults";
    }
}

struct Value
{
    int index;
    float value;
};

template <size_t count> void setValues(VornAudioProcessor& processor, const Value (&values)[count])
{
    for (const auto& v : values)
        processor.getParameters()[v.index]->setValue(v.value);
}

void applySetting(VornAudioProcessor& processor, int setting)
{
    using P = FloatParameter;
    // "Output" 0.8 is near 0 dB.
    const Value drivenValve[] = {
        {P::valveDrive, 0.8f}, {P::valveBias, 0.5f}, {P::valveInput, 1.0f}, {P::valveBlend, 1.0f}};
    const Value workingCompressor[] = {
        {P::compRatio, 0.5f}, {P::compThreshold, 0.6f}, {P::compBlend, 1.0f}, {P::output, 0.8f}};

    switch (setting)
    {
    case everyStageWorking:
        setValues(processor, drivenValve);
        setValues(processor, workingCompressor);
        break;
    case valveAlone:
        setValues(processor, drivenValve);
        setValues(processor, {{P::compBlend, 0.0f}});
        break;
    case compressorAlone:
        setValues(processor, {{P::valveBlend, 0.0f}});
        setValues(processor, workingCompressor);
        break;
    default:
        break;
    }
}

// One second of programme: swelling tones plus noise, peaks near full scale, different per channel.
juce::AudioSampleBuffer makeProgramme()
{
    juce::AudioSampleBuffer source(2, kSourceFrames);
    bench::fillProgramme(source.getWritePointer(0), source.getWritePointer(1), kSourceFrames, kRate,
                         {4321, 0.06f, 0.4, 3100.0});
    return source;
}

// A prepared mono or stereo instance, its silent first block already out of the way.
std::unique_ptr<VornAudioProcessor> preparedProcessor(int blockSize, int channels, int setting,
                                                      juce::AudioSampleBuffer& io, juce::MidiBuffer& midi)
{
    auto processor = std::make_unique<VornAudioProcessor>();
    processor->setPlayConfigDetails(channels, channels, kRate, blockSize);
    processor->prepareToPlay(kRate, blockSize);
    applySetting(*processor, setting);
    io.clear();
    processor->processBlock(io, midi);
    return processor;
}

// Into io's one or two channels; a mono io takes the source's left channel.
void copyNextBlock(juce::AudioSampleBuffer& io, const juce::AudioSampleBuffer& source, int& position)
{
    const int blockSize = io.getNumSamples();
    if (position + blockSize > source.getNumSamples())
        position = 0;
    for (int channel = 0; channel < io.getNumChannels(); ++channel)
        io.copyFrom(channel, 0, source, channel, position, blockSize);
    position += blockSize;
}

// Args: block length, channels (1 or 2), setting (see Setting; its name is the label). Reports the
// time per frame of the whole processBlock.
void ProcessorProcessBlock(benchmark::State& state)
{
    const int blockSize = static_cast<int>(state.range(0));
    const int channels = static_cast<int>(state.range(1));
    const int setting = static_cast<int>(state.range(2));

    juce::AudioSampleBuffer io(channels, blockSize);
    juce::MidiBuffer midi;
    const auto instance = preparedProcessor(blockSize, channels, setting, io, midi);
    auto& processor = *instance;
    static const juce::AudioSampleBuffer source = makeProgramme();

    int position = 0;
    for (auto _ : state)
    {
        copyNextBlock(io, source, position);
        processor.processBlock(io, midi);
        bench::keep(io.getReadPointer(0), io.getReadPointer(channels - 1));
    }

    state.SetLabel(nameOf(setting));
    state.counters["per_frame"] = bench::timePerFrame(blockSize);
    state.counters["gain_reduction"] = processor.compressor.gainReduction;
    state.SetItemsProcessed(state.iterations() * blockSize);
}

// Args: block length. Each iteration feeds half a second of loud programme (not timed), then four
// seconds of silence (timed): the decaying tail, where filters and envelopes approach zero. Compare
// its time per frame with ProcessorProcessBlock's stereo "every stage working" case of the same block.
void ProcessorSilentTail(benchmark::State& state)
{
    const int blockSize = static_cast<int>(state.range(0));
    constexpr int loudFrames = kSourceFrames / 2;
    constexpr int silentFrames = 4 * kSourceFrames;
    const int loudBlocks = loudFrames / blockSize;
    const int silentBlocks = silentFrames / blockSize;

    juce::AudioSampleBuffer io(2, blockSize);
    juce::MidiBuffer midi;
    const auto instance = preparedProcessor(blockSize, 2, everyStageWorking, io, midi);
    auto& processor = *instance;
    static const juce::AudioSampleBuffer source = makeProgramme();

    int position = 0;
    for (auto _ : state)
    {
        state.PauseTiming();
        for (int b = 0; b < loudBlocks; ++b)
        {
            copyNextBlock(io, source, position);
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
    ->ArgNames({"block", "channels", "setting"})
    ->ArgsProduct({{1, 64, 512, 4096}, {1, 2}, {defaults, everyStageWorking, valveAlone, compressorAlone}});

#endif
