#if VORN_BENCH_PROCESSOR

#include <benchmark/benchmark.h>

#include "VornAudioProcessor.h"
#include "VornImages.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>

namespace
{
// Opening the editor decodes its 24 images (about 31 MB of pixels) and builds every control. It
// needs an X display: run under xvfb-run when there is none.
void EditorConstruction(benchmark::State& state)
{
    const juce::ScopedJuceInitialiser_GUI gui;
    if (juce::Desktop::getInstance().getDisplays().getPrimaryDisplay() == nullptr)
    {
        state.SkipWithError("no X display");
        return;
    }

    VornAudioProcessor processor;
    for (auto _ : state)
    {
        std::unique_ptr<juce::AudioProcessorEditor> editor(processor.createEditor());
        benchmark::DoNotOptimize(editor.get());
    }
}
// The images alone, decoded as the editor decodes them.
void EditorImageDecoding(benchmark::State& state)
{
    for (auto _ : state)
        for (int i = 0; i < VornImages::namedResourceListSize; ++i)
        {
            int size = 0;
            const auto* data = VornImages::getNamedResource(VornImages::namedResourceList[i], size);
            auto image = juce::ImageFileFormat::loadFrom(data, (size_t)size);
            benchmark::DoNotOptimize(image.getPixelAt(0, 0));
        }
}
} // namespace

BENCHMARK(EditorImageDecoding)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(EditorConstruction)->Unit(benchmark::kMillisecond)->MinTime(2.0);

#endif
