#include "GuiTest.h"
#include "VornAudioProcessor.h"
#include "VornAudioProcessorEditor.h"

#include <gtest/gtest.h>

// The README's picture is the editor as it draws today, at the defaults. Set
// VORN_UPDATE_EDITOR_PICTURE=1 to write it again after a change to the artwork or the layout.
TEST(EditorPicture, TheReadmePictureIsTheEditorAtItsDefaults)
{
    VornAudioProcessor processor;
    std::unique_ptr<juce::AudioProcessorEditor> editor(processor.createEditor());
    // Before any audio the meter stands at its last frame from its first tick on.
    auto& meter = dynamic_cast<VornAudioProcessorEditor&>(*editor).gainReductionMeter;
    ASSERT_TRUE(guitest::runUntil([&] { return meter.getValue() == 1.0; }));
    const auto drawn = guitest::render(*editor).convertedToFormat(juce::Image::RGB);

    const auto picture = juce::File(VORN_SOURCE_DIR).getChildFile("docs/editor.png");
    if (juce::SystemStats::getEnvironmentVariable("VORN_UPDATE_EDITOR_PICTURE", {}) == "1")
    {
        picture.getParentDirectory().createDirectory();
        picture.deleteFile();
        juce::FileOutputStream out(picture);
        ASSERT_TRUE(out.openedOk());
        ASSERT_TRUE(juce::PNGImageFormat().writeImageToStream(drawn, out));
        return;
    }

    const auto committed = juce::ImageFileFormat::loadFrom(picture);
    ASSERT_TRUE(committed.isValid()) << picture.getFullPathName();
    ASSERT_EQ(committed.getBounds(), drawn.getBounds());
    int differing = 0;
    for (int y = 0; y < drawn.getHeight(); ++y)
        for (int x = 0; x < drawn.getWidth(); ++x)
            if (committed.getPixelAt(x, y).getARGB() != drawn.getPixelAt(x, y).getARGB())
                ++differing;
    EXPECT_EQ(differing, 0) << "docs/editor.png is out of date: run this test with "
                               "VORN_UPDATE_EDITOR_PICTURE=1";
}
