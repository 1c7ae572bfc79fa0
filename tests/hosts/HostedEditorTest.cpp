#include "BlockRunner.h"
#include "FloatParameter.h"
#include "GuiTest.h"
#include "HostedParameters.h"
#include "PluginBinaries.h"
#include "VornAudioProcessor.h"
#include "VornAudioProcessorEditor.h"

#include <gtest/gtest.h>

namespace
{
// The largest difference of any colour channel between two opaque pictures of the same size.
int largestDifference(const juce::Image& a, const juce::Image& b)
{
    int largest = 0;
    for (int y = 0; y < a.getHeight(); ++y)
        for (int x = 0; x < a.getWidth(); ++x)
        {
            const auto p = a.getPixelAt(x, y);
            const auto q = b.getPixelAt(x, y);
            largest = std::max({largest, std::abs(p.getRed() - q.getRed()),
                                std::abs(p.getGreen() - q.getGreen()), std::abs(p.getBlue() - q.getBlue())});
        }
    return largest;
}

// Waits for the window to show the picture; returns the largest channel difference left (255
// when the window cannot be read) and what was on screen.
int waitForPicture(const guitest::DesktopWindow& window, const juce::Image& expected, juce::Image& onScreen)
{
    int difference = 255;
    guitest::runUntil(
        [&]
        {
            onScreen = guitest::grabWindow(window.windowId(), {0, 0, 944, 280});
            difference = onScreen.isValid() ? largestDifference(onScreen, expected) : 255;
            return difference <= 2;
        });
    return difference;
}

// What the editor draws in this process once its meter timer has run (before any audio the meter
// stands at its last frame from the first tick on).
juce::Image inProcessPicture(VornAudioProcessor& processor)
{
    std::unique_ptr<juce::AudioProcessorEditor> editor(processor.createEditor());
    auto& meter = dynamic_cast<VornAudioProcessorEditor&>(*editor).gainReductionMeter;
    EXPECT_TRUE(guitest::runUntil([&] { return meter.getValue() == 1.0; })) << "the meter's timer never ran";
    return guitest::render(*editor);
}

juce::Image inProcessPicture()
{
    VornAudioProcessor processor;
    return inProcessPicture(processor);
}

// The plug-in's editor, of its own copy of JUCE, tells the host of a drag's start and end.
struct GestureRecorder : juce::AudioProcessorParameter::Listener
{
    explicit GestureRecorder(juce::AudioProcessorParameter& p) : parameter(p) { parameter.addListener(this); }
    ~GestureRecorder() override { parameter.removeListener(this); }

    void parameterValueChanged(int, float) override {}
    void parameterGestureChanged(int, bool starting) override { ++(starting ? starts : ends); }

    juce::AudioProcessorParameter& parameter;
    int starts = 0;
    int ends = 0;
};

class HostedEditorOnDesktop : public testing::TestWithParam<PluginFormat>
{
};
} // namespace

TEST_P(HostedEditorOnDesktop, ShowsWhatTheEditorDrawsInProcessAndClosesCleanly)
{
    const auto expected = inProcessPicture();

    PluginBinaries binaries;
    juce::String error;
    auto instance = binaries.instantiate(GetParam(), 48000.0, 256, error);
    ASSERT_NE(instance, nullptr) << error;
    ASSERT_TRUE(instance->hasEditor());

    {
        std::unique_ptr<juce::AudioProcessorEditor> editor(instance->createEditorIfNeeded());
        ASSERT_NE(editor, nullptr);
        ASSERT_TRUE(guitest::runUntil([&] { return editor->getWidth() == 944; }));
        EXPECT_EQ(editor->getWidth(), 944);
        EXPECT_EQ(editor->getHeight(), 280);

        guitest::DesktopWindow window(*editor, {40, 40});
        ASSERT_TRUE(window.show(false));

        // The plug-in draws into its own embedded window, in its own time.
        juce::Image onScreen;
        const int difference = waitForPicture(window, expected, onScreen);
        ASSERT_TRUE(onScreen.isValid());
        EXPECT_LE(difference, 2);
        if (difference > 2)
        {
            const auto file = juce::File::getSpecialLocation(juce::File::tempDirectory)
                                  .getChildFile("hosted-" + PluginBinaries::formatName(GetParam()) + ".png");
            juce::FileOutputStream out(file);
            out.setPosition(0);
            out.truncate();
            juce::PNGImageFormat().writeImageToStream(onScreen, out);
            ADD_FAILURE() << "on screen: " << file.getFullPathName();
        }
    }

    ASSERT_TRUE(guitest::deliverPosted());
    instance.reset();
    ASSERT_TRUE(guitest::deliverPosted());
}

INSTANTIATE_TEST_SUITE_P(Formats, HostedEditorOnDesktop,
                         testing::Values(PluginFormat::vst2, PluginFormat::vst3, PluginFormat::lv2),
                         [](const auto& info)
                         { return PluginBinaries::formatName(info.param).toStdString(); });

// Hosts load many plug-ins into one process: our three builds, each with its own copy of JUCE,
// must not bind to one another's.
TEST(HostedEditorsTogetherOnDesktop, AllThreeFormatsLoadedTogetherInOneProcess)
{
    const auto expected = inProcessPicture();
    PluginBinaries binaries;
    std::vector<std::unique_ptr<juce::AudioPluginInstance>> instances;
    for (auto format : {PluginFormat::vst2, PluginFormat::vst3, PluginFormat::lv2})
    {
        juce::String error;
        instances.push_back(binaries.instantiate(format, 48000.0, 256, error));
        ASSERT_NE(instances.back(), nullptr) << error;
    }

    // With all three loaded, each editor is opened, checked on screen and closed in turn.
    for (size_t i = 0; i < instances.size(); ++i)
    {
        std::unique_ptr<juce::AudioProcessorEditor> editor(instances[i]->createEditorIfNeeded());
        ASSERT_NE(editor, nullptr);
        guitest::DesktopWindow window(*editor, {40, 40});
        ASSERT_TRUE(window.show(false));
        juce::Image onScreen;
        const int difference = waitForPicture(window, expected, onScreen);
        EXPECT_LE(difference, 2) << "editor " << i << (onScreen.isValid() ? "" : ", not readable");
    }
    ASSERT_TRUE(guitest::deliverPosted());
    instances.clear();
    ASSERT_TRUE(guitest::deliverPosted());
}

namespace
{
bool sameRegion(const juce::Image& onScreen, const juce::Image& expected, juce::Rectangle<int> area)
{
    return largestDifference(onScreen.getClippedImage(area), expected.getClippedImage(area)) <= 2;
}
} // namespace

// A VST3 host sets a parameter: the knob moves on screen. The user drags a knob of the hosted
// editor: the host's parameter and the sound follow.
TEST(HostedVst3EditorRealInput, FollowsTheHostAndTellsItOfADrag)
{
    const juce::Rectangle<int> driveKnob(64, 72, 88, 88);
    const auto atDefaults = inProcessPicture();
    juce::Image atFullDrive;
    {
        VornAudioProcessor processor;
        processor.valveDriveParam->setValue(1.0f);
        atFullDrive = inProcessPicture(processor);
    }
    ASSERT_FALSE(sameRegion(atDefaults, atFullDrive, driveKnob));

    PluginBinaries binaries;
    juce::String error;
    auto instance = binaries.instantiate(PluginFormat::vst3, 48000.0, 256, error);
    ASSERT_NE(instance, nullptr) << error;
    BlockRunner::prepare(*instance, 48000.0, 256);
    const auto parameters = HostedParameters::inIndexOrder(*instance);
    ASSERT_EQ(parameters.size(), 12);
    parameters[9]->setValue(1.0f); // the compressor fully wet, so its threshold is heard
    const auto input = BlockRunner::noise(2, 256, 3);
    BlockRunner::run(*instance, input, 256); // the silent first block
    const auto before = BlockRunner::run(*instance, input, 256);

    std::unique_ptr<juce::AudioProcessorEditor> editor(instance->createEditorIfNeeded());
    ASSERT_NE(editor, nullptr);
    guitest::DesktopWindow window(*editor, {40, 40});
    ASSERT_TRUE(window.show(false));
    const auto grab = [&] { return guitest::grabWindow(window.windowId(), {0, 0, 944, 280}); };
    ASSERT_TRUE(guitest::runUntil([&] { return sameRegion(grab(), atDefaults, driveKnob); }));

    parameters[0]->setValue(1.0f);
    EXPECT_TRUE(guitest::runUntil([&] { return sameRegion(grab(), atFullDrive, driveKnob); }));

    // Drag "Comp Threshold" up; its value goes to the host, and the threshold changes the sound.
    parameters[0]->setValue(0.0f);
    ASSERT_EQ(parameters[8]->getValue(), 0.0f);
    const auto start = window.screenPoint(*editor, {352 + 52, 160 + 52});
    GestureRecorder gestures(*parameters[8]);
    ASSERT_TRUE(guitest::xdo::moveTo(start));
    ASSERT_TRUE(guitest::xdo::press(1));
    ASSERT_TRUE(guitest::runUntil([&] { return gestures.starts == 1; }))
        << "the press never reached the knob";
    for (int dy = 10; dy <= 120; dy += 10)
    {
        const auto before = parameters[8]->getValue();
        ASSERT_TRUE(guitest::xdo::moveTo(start - juce::Point<int>(0, dy)));
        ASSERT_TRUE(guitest::runUntil([&] { return parameters[8]->getValue() > before; }))
            << "the drag to " << dy << " pixels up never reached the host";
    }
    ASSERT_TRUE(guitest::xdo::release(1));
    ASSERT_TRUE(guitest::runUntil([&] { return gestures.ends == 1; }))
        << "the release never reached the knob";
    EXPECT_GT(parameters[8]->getValue(), 0.2f);

    const auto after = BlockRunner::run(*instance, input, 256);
    float largest = 0.0f;
    for (int ch = 0; ch < 2; ++ch)
        for (int i = 0; i < 256; ++i)
            largest = std::max(largest, std::abs(after.getSample(ch, i) - before.getSample(ch, i)));
    EXPECT_GT(largest, 1e-4f);

    editor.reset();
    ASSERT_TRUE(guitest::deliverPosted());
}
