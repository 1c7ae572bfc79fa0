#include "EditorTestSupport.h"
#include "FloatParameter.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace editortest;

namespace
{
struct RecordingComboListener : juce::ComboBox::Listener
{
    void comboBoxChanged(juce::ComboBox*) override { ++changes; }
    int changes = 0;
};

void writePreset(const juce::File& folder, const juce::String& name)
{
    VornAudioProcessor source;
    folder.createDirectory();
    ASSERT_TRUE(source.savePreset(folder.getChildFile(name + ".atp")).wasOk());
}
} // namespace

TEST(EditorRefresh, HostAutomationMovesTheKnobAndNothingFlowsBack)
{
    EditorUnderTest e;
    HostRecorder host(e.processor);

    // What a host's automation does: the parameter's own setValue, no listener call.
    e.processor.valveDriveParam->setValue(0.25f);
    ASSERT_TRUE(guitest::runUntil([&] { return e->valveDriveKnob.getValue() == 0.25; }));
    ASSERT_TRUE(guitest::deliverPosted());
    EXPECT_TRUE(host.events.empty());
    EXPECT_EQ(e.processor.valveDriveParam->getValue(), 0.25f);
}

TEST(EditorRefresh, TogglesFollowTheirHalfwayRules)
{
    EditorUnderTest e;
    const float nan = std::nanf("");
    struct Row
    {
        float value;
        bool bypassOn;
        bool valveModeOn;
    };
    const Row rows[] = {{0.49f, true, false},
                        {0.5f, false, true},
                        {1.0f, false, true},
                        {nan, false, true},
                        {0.0f, true, false}};
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.value);
        e.processor.masterBypassParam->setValue(row.value);
        e.processor.valveModeParam->setValue(row.value);
        e->updateControlsFromProcessor();
        EXPECT_EQ(e->bypassButton.getToggleState(), row.bypassOn);
        EXPECT_EQ(e->valveModeButton.getToggleState(), row.valveModeOn);
    }
}

TEST(EditorRefresh, ContinuousKnobsSnapAndNaNStaysInsideTheStrip)
{
    EditorUnderTest e;
    e.processor.outputParam->setValue(0.1234f);
    e->updateControlsFromProcessor();
    EXPECT_DOUBLE_EQ(e->outputKnob.getValue(), 0.123);

    // A NaN is passed on; whatever the knob makes of it, it draws a frame of its strip.
    e.processor.valveBiasParam->setValue(std::nanf(""));
    e->updateControlsFromProcessor();
    const auto drawn = guitest::render(e->valveBiasKnob);
    bool matchesAFrame = false;
    for (int frame = 0; frame < 101 && !matchesAFrame; ++frame)
        matchesAFrame = samePixels(drawn, frameOf(e->valveBiasImage, 101, frame));
    EXPECT_TRUE(matchesAFrame);
}

TEST(EditorRefresh, SteppedKnobsShowTheStepsNotTheValues)
{
    EditorUnderTest e;
    e.processor.compRatioParam->setValue(0.3f);
    e.processor.compAttackParam->setValue(0.45f);
    e.processor.compRecoveryParam->setValue(0.9f);
    e->updateControlsFromProcessor();
    EXPECT_EQ(e->compRatioKnob.getValue(), 3.0);
    EXPECT_EQ(e->compAttackKnob.getValue(), 4.0);
    EXPECT_EQ(e->compRecoveryKnob.getValue(), 5.0);

    // Below 0 the band, and so the step, stays where it was.
    e.processor.compRatioParam->setValue(-0.2f);
    e->updateControlsFromProcessor();
    EXPECT_EQ(e->compRatioKnob.getValue(), 3.0);

    // A knob moved by hand is put back to the step at the next refresh.
    e->compAttackKnob.setValue(1.0, juce::dontSendNotification);
    e->updateControlsFromProcessor();
    EXPECT_EQ(e->compAttackKnob.getValue(), 4.0);
}

TEST(EditorRefresh, ThePresetBoxFollowsTheCurrentNameWithoutLoading)
{
    TemporaryHome home;
    writePreset(home.presetFolder(), "Warm");
    writePreset(home.presetFolder(), "Bright");

    EditorUnderTest e;
    RecordingComboListener combo;
    e->presetComboBox.addListener(&combo);
    HostRecorder host(e.processor);
    ASSERT_EQ(e->presetComboBox.getNumItems(), 2);
    ASSERT_TRUE(guitest::deliverPosted());
    combo.changes = 0;

    e.processor.valveDriveParam->setValue(0.7f);
    e.processor.currentPresetName = "Warm";
    e->updateControlsFromProcessor();
    EXPECT_EQ(e->presetComboBox.getText(), "Warm");
    EXPECT_GE(e->presetComboBox.getSelectedItemIndex(), 0);
    EXPECT_EQ(e->presetComboBox.getItemText(e->presetComboBox.getSelectedItemIndex()), "Warm");

    e.processor.currentPresetName = "Not Listed";
    e->updateControlsFromProcessor();
    EXPECT_EQ(e->presetComboBox.getText(), "Not Listed");
    EXPECT_EQ(e->presetComboBox.getSelectedItemIndex(), -1);

    e.processor.currentPresetName = "";
    e->updateControlsFromProcessor();
    EXPECT_EQ(e->presetComboBox.getText(), "");
    EXPECT_EQ(e->presetComboBox.getSelectedItemIndex(), -1);

    ASSERT_TRUE(guitest::deliverPosted());
    EXPECT_EQ(combo.changes, 0);
    // Nothing was loaded: the drive set above is still there.
    EXPECT_EQ(e.processor.valveDriveParam->getValue(), 0.7f);
    e->presetComboBox.removeListener(&combo);
}

TEST(EditorMeter, ShowsTheFrameOfTheLastGainFactor)
{
    EditorUnderTest e;
    // Before any audio the compressor's factor is 0: the meter stands at its last frame.
    ASSERT_TRUE(guitest::runUntil([&] { return e->gainReductionMeter.getValue() == 1.0; }));
    EXPECT_TRUE(samePixels(guitest::render(e->gainReductionMeter), frameOf(e->meterImage, 51, 50)));

    struct Row
    {
        float factor;
        int frame;
    };
    const Row rows[] = {{0.5012f, 24}, {0.5f, 25}, {1.0f, 0}, {0.0f, 50}};
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.factor);
        e.processor.compressor.gainReduction = row.factor;
        const double expected = juce::jlimit(0.0, 1.0, std::round((1.0f - row.factor) * 1000.0) / 1000.0);
        ASSERT_TRUE(
            guitest::runUntil([&] { return std::abs(e->gainReductionMeter.getValue() - expected) < 1e-9; }));
        EXPECT_TRUE(
            samePixels(guitest::render(e->gainReductionMeter), frameOf(e->meterImage, 51, row.frame)));
    }
}

TEST(EditorLifetime, NoCallbackReachesADeletedEditor)
{
    VornAudioProcessor processor;
    {
        std::unique_ptr<juce::AudioProcessorEditor> editor(processor.createEditor());
        auto& meter = dynamic_cast<VornAudioProcessorEditor&>(*editor).gainReductionMeter;
        ASSERT_TRUE(guitest::runUntil([&] { return meter.getValue() == 1.0; })); // its timer runs
        processor.valveDriveParam->setValue(0.3f);
    }
    processor.valveDriveParam->setValue(0.6f);
    processor.compressor.gainReduction = 0.5f;
    // The change messages posted before and after the editor went, and a few timer rounds.
    ASSERT_TRUE(guitest::deliverPosted());
    ASSERT_TRUE(guitest::runTimerRounds(4));
    EXPECT_EQ(processor.valveDriveParam->getValue(), 0.6f);
}
