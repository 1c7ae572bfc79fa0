#include "GuiTest.h"
#include "PluginBinaries.h"
#include "VornAudioProcessor.h"

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
                                std::abs(p.getGreen() - q.getGreen()),
                                std::abs(p.getBlue() - q.getBlue())});
        }
    return largest;
}

// What the editor draws in this process once its meter timer has run.
juce::Image inProcessPicture()
{
    VornAudioProcessor processor;
    std::unique_ptr<juce::AudioProcessorEditor> editor(processor.createEditor());
    guitest::pump(200);
    return guitest::render(*editor);
}

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
        int difference = 255;
        guitest::runUntil(
            [&] {
                onScreen = guitest::grabWindow(window.windowId(), {0, 0, 944, 280});
                difference = onScreen.isValid() ? largestDifference(onScreen, expected) : 255;
                return difference <= 2;
            },
            10000);
        ASSERT_TRUE(onScreen.isValid());
        EXPECT_LE(difference, 2);
        if (difference > 2)
        {
            const auto file = juce::File::getSpecialLocation(juce::File::tempDirectory)
                                  .getChildFile("hosted-" + PluginBinaries::formatName(GetParam())
                                                + ".png");
            juce::FileOutputStream out(file);
            out.setPosition(0);
            out.truncate();
            juce::PNGImageFormat().writeImageToStream(onScreen, out);
            ADD_FAILURE() << "on screen: " << file.getFullPathName();
        }
    }

    guitest::pump(100);
    instance.reset();
    guitest::pump(100);
}

INSTANTIATE_TEST_SUITE_P(Formats, HostedEditorOnDesktop,
                         testing::Values(PluginFormat::vst2, PluginFormat::vst3, PluginFormat::lv2),
                         [](const auto& info) { return PluginBinaries::formatName(info.param).toStdString(); });

// Hosts load many plug-ins into one process: our three builds, each with its own copy of JUCE,
// must not bind to one another's.
TEST(HostedEditorsTogetherOnDesktop, AllThreeFormatsOpenSideBySideInOneProcess)
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

    {
        std::vector<std::unique_ptr<juce::AudioProcessorEditor>> editors;
        std::vector<std::unique_ptr<guitest::DesktopWindow>> windows;
        int y = 10;
        for (auto& instance : instances)
        {
            editors.emplace_back(instance->createEditorIfNeeded());
            ASSERT_NE(editors.back(), nullptr);
            windows.push_back(std::make_unique<guitest::DesktopWindow>(*editors.back(), juce::Point<int>(20, y)));
            ASSERT_TRUE(windows.back()->show(false));
            y += 300;
        }
        for (auto& window : windows)
        {
            int difference = 255;
            guitest::runUntil(
                [&] {
                    const auto onScreen = guitest::grabWindow(window->windowId(), {0, 0, 944, 280});
                    difference = onScreen.isValid() ? largestDifference(onScreen, expected) : 255;
                    return difference <= 2;
                },
                10000);
            EXPECT_LE(difference, 2);
        }
    }
    guitest::pump(100);
    instances.clear();
    guitest::pump(100);
}
