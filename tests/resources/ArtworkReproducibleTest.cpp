#include <gtest/gtest.h>

#include "ArtworkPixels.h"
#include "VornImages.h"

using namespace artwork_test;

// The committed images are what the artwork program draws today: run it into a fresh folder and
// compare every pixel with the embedded copy.
TEST(ArtworkReproducible, ProgramRedrawsTheCommittedImagesPixelForPixel)
{
    const juce::File folder = juce::File::getSpecialLocation(juce::File::tempDirectory)
                                  .getNonexistentChildFile("vorn-artwork-", "", false);
    juce::ChildProcess program;
    ASSERT_TRUE(program.start(juce::StringArray{VORN_ARTWORK_PROGRAM, folder.getFullPathName()},
                              juce::ChildProcess::wantStdErr));
    const juce::String errors = program.readAllProcessOutput();
    ASSERT_TRUE(program.waitForProcessToFinish(240000));
    ASSERT_EQ(program.getExitCode(), 0u) << errors;

    for (int i = 0; i < VornImages::namedResourceListSize; ++i)
    {
        const juce::String fileName =
            VornImages::getNamedResourceOriginalFilename(VornImages::namedResourceList[i]);
        SCOPED_TRACE(fileName);
        const juce::Image committed = loadEmbedded(fileName);
        const juce::Image drawn = juce::ImageFileFormat::loadFrom(folder.getChildFile(fileName));
        ASSERT_TRUE(drawn.isValid());
        ASSERT_EQ(drawn.getBounds(), committed.getBounds());

        int different = 0;
        for (int y = 0; y < drawn.getHeight(); ++y)
            for (int x = 0; x < drawn.getWidth(); ++x)
                different += drawn.getPixelAt(x, y) != committed.getPixelAt(x, y) ? 1 : 0;
        EXPECT_EQ(different, 0);
    }
    // Nothing beyond the committed set.
    EXPECT_EQ(folder.getNumberOfChildFiles(juce::File::findFiles), VornImages::namedResourceListSize);
    folder.deleteRecursively();
}
