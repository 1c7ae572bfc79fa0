#include "BlockRunner.h"
#include "FloatParameter.h"
#include "GuiTest.h"
#include "HostedParameters.h"
#include "PluginBinaries.h"
#include "VornAudioProcessor.h"
#include "VornAudioProcessorEditor.h"
#include "Watchdog.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <memory>
#include <string>
#include <thread>

juce::AudioProcessor* JUCE_CALLTYPE createPluginFilter();

// Hosts call from several threads at once: the message thread sets parameters and opens editors,
// the audio thread processes, and some restore state from a thread of their own. A watchdog ends
// the program when a test does not finish, so that a deadlock fails instead of hanging.
namespace
{
constexpr double kRate = 48000.0;
constexpr int kBlock = 32;

// An audio callback as JUCE's wrappers make it: under the callback lock, silence while suspended.
bool processAsAWrapperDoes(juce::AudioProcessor& processor, juce::AudioSampleBuffer& buffer)
{
    juce::MidiBuffer midi;
    const juce::ScopedLock lock(processor.getCallbackLock());
    if (processor.isSuspended())
    {
        buffer.clear();
        return false;
    }
    processor.processBlock(buffer, midi);
    return true;
}

bool allFinite(const juce::AudioSampleBuffer& buffer)
{
    for (int channel = 0; channel < buffer.getNumChannels(); ++channel)
        for (int i = 0; i < buffer.getNumSamples(); ++i)
            if (!std::isfinite(buffer.getSample(channel, i)))
                return false;
    return true;
}

// The editor's controls against the processor's values; continuous knobs keep steps of 0.001.
testing::AssertionResult showsTheProcessorsValues(VornAudioProcessorEditor& editor,
                                                  VornAudioProcessor& processor)
{
    const struct
    {
        FilmStripSlider& knob;
        FloatParameter* parameter;
    } continuous[] = {{editor.valveDriveKnob, processor.valveDriveParam},
                      {editor.valveBiasKnob, processor.valveBiasParam},
                      {editor.valveInputKnob, processor.valveInputParam},
                      {editor.valveBlendKnob, processor.valveBlendParam},
                      {editor.compThresholdKnob, processor.compThresholdParam},
                      {editor.compBlendKnob, processor.compBlendParam},
                      {editor.outputKnob, processor.outputParam}};
    for (const auto& c : continuous)
        if (std::abs(c.knob.getValue() - (double)c.parameter->getValue()) > 0.0005 + 1.0e-9)
            return testing::AssertionFailure() << c.parameter->getName(64) << ": knob " << c.knob.getValue()
                                               << ", parameter " << c.parameter->getValue();

    const struct
    {
        FilmStripSlider& knob;
        int step;
        const char* name;
    } stepped[] = {{editor.compRatioKnob, processor.compRatioStep, "Comp Ratio"},
                   {editor.compAttackKnob, processor.compAttackStep, "Comp Attack"},
                   {editor.compRecoveryKnob, processor.compRecoveryStep, "Comp Recovery"}};
    for (const auto& s : stepped)
        if (s.knob.getValue() != (double)s.step)
            return testing::AssertionFailure()
                   << s.name << ": knob " << s.knob.getValue() << ", step " << s.step;

    if (editor.valveModeButton.getToggleState() != !(processor.valveModeParam->getValue() < 0.5f))
        return testing::AssertionFailure() << "Valve Mode button";
    if (editor.bypassButton.getToggleState() != (processor.masterBypassParam->getValue() < 0.5f))
        return testing::AssertionFailure() << "Master Bypass button";
    return testing::AssertionSuccess();
}

juce::MemoryBlock randomState(juce::Random& random)
{
    VornAudioProcessor source;
    for (auto* parameter : source.getParameters())
        parameter->setValue(random.nextFloat());
    juce::MemoryBlock chunk;
    source.getStateInformation(chunk);
    return chunk;
}

//==============================================================================
// The message thread automates all twelve parameters while another thread processes: in-process
// with the wrappers' callback, and through each built format.
class HostThreads : public testing::TestWithParam<int>
{
};

TEST_P(HostThreads, ParametersSetOnTheMessageThreadWhileAnotherThreadProcesses)
{
    const Watchdog watchdog("500 parameter rounds against 500 blocks", std::chrono::seconds(60));
    const int format = GetParam();
    PluginBinaries binaries;
    std::unique_ptr<juce::AudioProcessor> processor;
    if (format < 0)
    {
        processor.reset(createPluginFilter());
        BlockRunner::prepare(*processor, kRate, kBlock);
    }
    else
    {
        juce::String error;
        processor = binaries.instantiate((PluginFormat)format, kRate, kBlock, error);
        ASSERT_NE(processor, nullptr) << error;
        BlockRunner::prepare(*processor, kRate, kBlock);
    }
    const auto parameters = HostedParameters::inIndexOrder(*processor);
    ASSERT_EQ(parameters.size(), 12);

    std::atomic<bool> finite{true};
    std::atomic<bool> audioDone{false};
    std::thread audio(
        [&]
        {
            auto input = BlockRunner::noise(2, kBlock, 5);
            juce::AudioSampleBuffer buffer(2, kBlock);
            juce::MidiBuffer midi;
            for (int block = 0; block < 500; ++block)
            {
                buffer.makeCopyOf(input, true);
                if (format < 0)
                    processAsAWrapperDoes(*processor, buffer);
                else
                    processor->processBlock(buffer, midi);
                if (!allFinite(buffer))
                    finite = false;
                std::this_thread::yield();
            }
            audioDone = true;
        });

    juce::Random random(42);
    for (int round = 0; round < 500; ++round)
        for (auto* parameter : parameters)
        {
            parameter->beginChangeGesture();
            parameter->setValueNotifyingHost(random.nextFloat());
            parameter->endChangeGesture();
        }
    guitest::runUntil([&] { return audioDone.load(); }, 50000);
    audio.join();
    EXPECT_TRUE(finite);
    processor->releaseResources();
}

INSTANTIATE_TEST_SUITE_P(InProcessAndFormats, HostThreads,
                         testing::Values(-1, (int)PluginFormat::vst2, (int)PluginFormat::vst3,
                                         (int)PluginFormat::lv2),
                         [](const testing::TestParamInfo<int>& info)
                         {
                             return info.param < 0
                                        ? std::string("InProcess")
                                        : PluginBinaries::formatName((PluginFormat)info.param).toStdString();
                         });

//==============================================================================
// A running audio thread for the editor tests; optionally it also automates a random parameter
// before every block, as a 2.4 host does from its audio thread.
class AudioThread
{
public:
    AudioThread(VornAudioProcessor& p, bool automate)
        : processor(p), thread([this, automate] { run(automate); })
    {
    }

    ~AudioThread() { stop(); }

    void stop()
    {
        stopping = true;
        if (thread.joinable())
            thread.join();
    }

    int blocks() const { return processed.load(); }
    bool finite() const { return allOutputFinite.load(); }

private:
    void run(bool automate)
    {
        juce::Random random(7);
        auto input = BlockRunner::noise(2, kBlock, 9);
        juce::AudioSampleBuffer buffer(2, kBlock);
        const auto& parameters = processor.getParameters();
        while (!stopping)
        {
            if (automate)
                parameters[random.nextInt(parameters.size())]->setValueNotifyingHost(random.nextFloat());
            buffer.makeCopyOf(input, true);
            if (processAsAWrapperDoes(processor, buffer))
                ++processed;
            if (!allFinite(buffer))
                allOutputFinite = false;
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    }

    VornAudioProcessor& processor;
    std::atomic<bool> stopping{false};
    std::atomic<int> processed{0};
    std::atomic<bool> allOutputFinite{true};
    std::thread thread;
};

TEST(HostThreadsOnDesktop, StateRestoredFromABackgroundThreadWhileTheEditorIsOpenAndAudioRuns)
{
    const Watchdog watchdog("restores beside an open editor and a running audio thread",
                            std::chrono::seconds(120));
    VornAudioProcessor processor;
    BlockRunner::prepare(processor, kRate, kBlock);
    std::unique_ptr<juce::AudioProcessorEditor> editor(processor.createEditorIfNeeded());
    ASSERT_NE(editor, nullptr);
    guitest::DesktopWindow window(*editor, {40, 40});
    ASSERT_TRUE(window.show(false));

    AudioThread audio(processor, false);
    std::atomic<bool> restoresDone{false};
    std::thread restorer(
        [&]
        {
            juce::Random random(11);
            for (int i = 0; i < 200; ++i)
            {
                const auto state = randomState(random);
                processor.setStateInformation(state.getData(), (int)state.getSize());
                std::this_thread::sleep_for(std::chrono::microseconds(500));
            }
            restoresDone = true;
        });

    EXPECT_TRUE(guitest::runUntil([&] { return restoresDone.load(); }, 100000));
    restorer.join();
    const int blocksDuringRestores = audio.blocks();
    audio.stop();
    EXPECT_GT(blocksDuringRestores, 0);
    EXPECT_TRUE(audio.finite());

    auto& vornEditor = dynamic_cast<VornAudioProcessorEditor&>(*editor);
    EXPECT_TRUE(guitest::runUntil([&] { return (bool)showsTheProcessorsValues(vornEditor, processor); }));
    EXPECT_TRUE(showsTheProcessorsValues(vornEditor, processor));
    editor.reset();
    ASSERT_TRUE(guitest::deliverPosted());
}

TEST(HostThreadsOnDesktop, EditorOpenedAndClosedTwentyTimesWhileAudioRunsAndParametersChange)
{
    const Watchdog watchdog("20 editors beside a running, automated audio thread", std::chrono::seconds(120));
    VornAudioProcessor processor;
    BlockRunner::prepare(processor, kRate, kBlock);

    {
        AudioThread audio(processor, true);
        for (int i = 0; i < 20; ++i)
        {
            std::unique_ptr<juce::AudioProcessorEditor> editor(processor.createEditorIfNeeded());
            ASSERT_NE(editor, nullptr);
            guitest::DesktopWindow window(*editor, {40 + 10 * i, 40});
            ASSERT_TRUE(window.show(false)) << "editor " << i;
            // The change messages the automation has posted meanwhile reach the open editor.
            ASSERT_TRUE(guitest::deliverPosted()) << "editor " << i;
        }
        audio.stop();
        EXPECT_GT(audio.blocks(), 0);
        EXPECT_TRUE(audio.finite());
        EXPECT_EQ(processor.getActiveEditor(), nullptr);
    }

    // Once the automation has stopped, the next editor shows where it left the parameters.
    std::unique_ptr<juce::AudioProcessorEditor> editor(processor.createEditorIfNeeded());
    auto& vornEditor = dynamic_cast<VornAudioProcessorEditor&>(*editor);
    ASSERT_TRUE(guitest::deliverPosted());
    EXPECT_TRUE(showsTheProcessorsValues(vornEditor, processor));
    editor.reset();
    ASSERT_TRUE(guitest::deliverPosted());
}
} // namespace
