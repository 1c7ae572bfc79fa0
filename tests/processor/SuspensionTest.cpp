#include <gtest/gtest.h>

#include "SettingsTestSupport.h"
#include "Watchdog.h"

#include <atomic>
#include <functional>
#include <string>
#include <thread>

using namespace settings_test;

namespace
{
// What may run while something else holds processing suspended; kAfter switches "Valve Mode".
struct InnerCase
{
    const char* name;
    std::function<void(VornAudioProcessor&)> run;
};

const InnerCase kInner[] = {
    {"ValveModeChange", [](VornAudioProcessor& p) { p.valveModeParam->setValue(1.0f); }},
    {"Prepare", [](VornAudioProcessor& p) { p.prepareToPlay(48000.0, 256); }},
    {"StateRestore",
     [](VornAudioProcessor& p)
     {
         VornAudioProcessor source;
         setValues(source, kAfter);
         restore(p, stateChunkOf(source));
     }},
    {"NestedSuspension",
     [](VornAudioProcessor& p)
     {
         const VornAudioProcessor::ScopedSuspension inner(p);
         p.valveModeParam->setValue(1.0f);
     }},
};

void PrintTo(const InnerCase& c, std::ostream* os)
{
    *os << c.name;
}

class SuspensionInside : public testing::TestWithParam<InnerCase>
{
};

// JUCE's suspendProcessing is one flag: an inner suspend and resume would end the outer one early.
TEST_P(SuspensionInside, TheProcessorsOwnOuterSuspensionStaysUntilItEnds)
{
    VornAudioProcessor processor;
    setValues(processor, kBefore);
    {
        const VornAudioProcessor::ScopedSuspension outer(processor);
        GetParam().run(processor);
        EXPECT_TRUE(processor.isSuspended());
    }
    EXPECT_FALSE(processor.isSuspended());
}

// A suspension set through JUCE's own call belongs to whoever set it; the processor leaves it.
TEST_P(SuspensionInside, ASuspensionSetThroughJuceIsLeftToWhoeverSetIt)
{
    VornAudioProcessor processor;
    setValues(processor, kBefore);
    processor.suspendProcessing(true);
    GetParam().run(processor);
    EXPECT_TRUE(processor.isSuspended());
    processor.suspendProcessing(false);

    // And an instance nobody suspended runs again afterwards.
    GetParam().run(processor);
    EXPECT_FALSE(processor.isSuspended());
}

INSTANTIATE_TEST_SUITE_P(Processor, SuspensionInside, testing::ValuesIn(kInner),
                         [](const testing::TestParamInfo<InnerCase>& info) { return info.param.name; });

// A host thread processes the way JUCE's wrappers do (under the callback lock, skipping the block
// while suspended) while restores that switch "Valve Mode" run inside an outer suspension and the
// message thread switches "Valve Mode" too. No block may be processed inside the outer suspension.
struct OuterCase
{
    const char* name;
    bool throughJuce;
};

void PrintTo(const OuterCase& c, std::ostream* os)
{
    *os << c.name;
}

class SuspendedRestore : public testing::TestWithParam<OuterCase>
{
};

TEST_P(SuspendedRestore, NoBlockIsProcessedUntilTheRestoreHasFinished)
{
    const Watchdog watchdog("the restores, the audio thread and the automation thread",
                            std::chrono::seconds(60));
    VornAudioProcessor processor;
    processor.setRateAndBufferSizeDetails(48000.0, 32);
    processor.prepareToPlay(48000.0, 32);

    std::string chunks[2];
    for (int k = 0; k < 2; ++k)
    {
        VornAudioProcessor source;
        setValues(source, k == 0 ? kBefore : kAfter);
        chunks[k] = stateChunkOf(source);
    }

    std::atomic<bool> restoring{false};
    std::atomic<bool> stop{false};
    std::atomic<int> blocksInsideRestores{0};
    std::atomic<int> blocksProcessed{0};

    std::thread audio(
        [&]
        {
            juce::AudioSampleBuffer buffer(2, 32);
            juce::MidiBuffer midi;
            while (!stop)
            {
                buffer.clear();
                const juce::ScopedLock lock(processor.getCallbackLock());
                if (processor.isSuspended())
                    continue;
                if (restoring)
                    ++blocksInsideRestores;
                processor.processBlock(buffer, midi);
                ++blocksProcessed;
            }
        });

    // JUCE's flag cannot tell who set it: a suspension set through it while one of ours is active
    // ends with ours. So the message thread's "Valve Mode" changes join only the processor's rows.
    std::thread automation(
        [&]
        {
            for (int i = 0; !stop && !GetParam().throughJuce; ++i)
            {
                processor.valveModeParam->setValueNotifyingHost((float)(i % 2));
                std::this_thread::yield();
            }
        });

    for (int round = 0; round < 400; ++round)
    {
        const auto& chunk = chunks[round % 2];
        const auto restoreInside = [&]
        {
            restoring = true;
            restore(processor, chunk);
            restoring = false;
        };

        if (GetParam().throughJuce)
        {
            processor.suspendProcessing(true);
            restoreInside();
            processor.suspendProcessing(false);
        }
        else
        {
            const VornAudioProcessor::ScopedSuspension outer(processor);
            restoreInside();
        }
        std::this_thread::yield();
    }

    stop = true;
    automation.join();
    audio.join();
    EXPECT_EQ(blocksInsideRestores.load(), 0);
    EXPECT_GT(blocksProcessed.load(), 0);
}

INSTANTIATE_TEST_SUITE_P(Processor, SuspendedRestore,
                         testing::Values(OuterCase{"ProcessorSuspension", false},
                                         OuterCase{"JuceSuspension", true}),
                         [](const testing::TestParamInfo<OuterCase>& info) { return info.param.name; });
} // namespace
