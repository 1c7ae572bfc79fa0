#include <gtest/gtest.h>

#include "ArtworkPixels.h"
#include "VornImages.h"

using namespace artwork_test;

namespace
{
struct ImageRow
{
    const char* file;
    int width, height, frames;
};

// The editor's image table: every file, its pixel size and how many frames it stacks.
const ImageRow imageTable[] = {
    {"background.png", 944, 280, 1},     {"menu_hot_spot.png", 228, 38, 1},
    {"prev_preset.png", 16, 24, 1},      {"prev_preset_down.png", 16, 24, 1},
    {"next_preset.png", 16, 24, 1},      {"next_preset_down.png", 16, 24, 1},
    {"save_preset.png", 26, 24, 1},      {"save_preset_down.png", 26, 24, 1},
    {"bypass.png", 32, 24, 1},           {"bypass_down.png", 32, 24, 1},
    {"valve_mode.png", 32, 40, 1},       {"valve_mode_down.png", 32, 40, 1},
    {"valve_drive.png", 88, 8888, 101},  {"valve_bias.png", 88, 8888, 101},
    {"valve_input.png", 88, 8888, 101},  {"valve_blend.png", 88, 8888, 101},
    {"comp_ratio.png", 104, 624, 6},     {"comp_attack.png", 104, 624, 6},
    {"comp_recovery.png", 104, 624, 6},  {"comp_threshold.png", 104, 10504, 101},
    {"comp_blend.png", 104, 10504, 101}, {"output.png", 104, 10504, 101},
    {"meter.png", 160, 4080, 51},        {"about.png", 944, 280, 1},
};

int countPixels(const juce::Image& image, const std::function<bool(const Pixel&)>& test)
{
    int n = 0;
    for (int y = 0; y < image.getHeight(); ++y)
        for (int x = 0; x < image.getWidth(); ++x)
            n += test(pixelAt(image, x, y)) ? 1 : 0;
    return n;
}
} // namespace

TEST(ImageTable, EveryImageIsAnEightBitRgbaPngOfItsTableSize)
{
    EXPECT_EQ(VornImages::namedResourceListSize, int(std::size(imageTable)));
    for (const auto& row : imageTable)
    {
        SCOPED_TRACE(row.file);
        const EmbeddedFile file = embeddedFile(row.file);
        ASSERT_NE(file.data, nullptr);
        // IHDR: width and height at 16, bit depth at 24, colour type at 25 (6 = RGB with alpha).
        ASSERT_GT(file.size, 26);
        const auto* bytes = reinterpret_cast<const unsigned char*>(file.data);
        EXPECT_EQ(juce::String(file.data + 12, 4), "IHDR");
        EXPECT_EQ(bytes[24], 8);
        EXPECT_EQ(bytes[25], 6);

        const juce::Image image = loadEmbedded(row.file);
        ASSERT_TRUE(image.isValid());
        EXPECT_EQ(image.getWidth(), row.width);
        EXPECT_EQ(image.getHeight(), row.height);
        EXPECT_EQ(row.height % row.frames, 0);
    }
}

TEST(ImageTable, FilmStripFramesMatchTheirControls)
{
    for (const auto& knob : artwork::knobs)
    {
        SCOPED_TRACE(knob.image);
        const juce::Image strip = loadEmbedded(juce::String(knob.image) + ".png");
        EXPECT_EQ(strip.getWidth(), knob.bounds.w);
        EXPECT_EQ(strip.getHeight(), knob.bounds.h * knob.frames);
        EXPECT_EQ(knob.bounds.w, knob.bounds.h);
    }
    const juce::Image meter = loadEmbedded("meter.png");
    EXPECT_EQ(meter.getHeight(), artwork::meterWindow.h * artwork::meterFrames);
    EXPECT_EQ(meter.getWidth(), artwork::meterWindow.w);
}

TEST(ImageTable, DownImagesOfThePresetBarAndBypassAreFullyTransparent)
{
    for (const char* file :
         {"prev_preset_down.png", "next_preset_down.png", "save_preset_down.png", "bypass_down.png"})
    {
        SCOPED_TRACE(file);
        const juce::Image image = loadEmbedded(file);
        ASSERT_TRUE(image.isValid());
        EXPECT_EQ(countPixels(image, [](const Pixel& p) { return p.a > 0.0f; }), 0);
    }
}

TEST(ImageTable, ButtonImagesDrawAnIconAndLeaveTheirCornersClear)
{
    for (const char* file : {"prev_preset.png", "next_preset.png", "save_preset.png", "bypass.png",
                             "valve_mode.png", "valve_mode_down.png"})
    {
        SCOPED_TRACE(file);
        const juce::Image image = loadEmbedded(file);
        EXPECT_GT(countPixels(image, [](const Pixel& p) { return p.a > 0.9f; }), 20);
        const int right = image.getWidth() - 1, bottom = image.getHeight() - 1;
        for (const auto& [x, y] : {std::pair{0, 0}, {right, 0}, {0, bottom}, {right, bottom}})
            EXPECT_EQ(pixelAt(image, x, y).a, 0.0f) << x << ", " << y;
    }
}

TEST(ImageTable, BypassIsARedSymbolAndTheOtherButtonsAreGrey)
{
    const auto meanColourOfOpaque = [](const juce::Image& image)
    {
        float r = 0, g = 0, b = 0;
        int n = 0;
        for (int y = 0; y < image.getHeight(); ++y)
            for (int x = 0; x < image.getWidth(); ++x)
                if (const Pixel p = pixelAt(image, x, y); p.a > 0.9f)
                {
                    r += p.r, g += p.g, b += p.b;
                    ++n;
                }
        return Pixel{r / float(n), g / float(n), b / float(n), 1.0f};
    };

    const Pixel bypass = meanColourOfOpaque(loadEmbedded("bypass.png"));
    EXPECT_GT(bypass.r, 0.6f);
    EXPECT_LT(bypass.g, 0.5f * bypass.r);
    for (const char* file : {"prev_preset.png", "next_preset.png", "save_preset.png"})
    {
        SCOPED_TRACE(file);
        const Pixel grey = meanColourOfOpaque(loadEmbedded(file));
        EXPECT_NEAR(grey.r, grey.g, 0.05f);
        EXPECT_NEAR(grey.g, grey.b, 0.05f);
        EXPECT_GT(grey.luminance(), 0.3f);
    }
}

TEST(ImageTable, BackgroundIsFullyOpaque)
{
    const juce::Image background = loadEmbedded("background.png");
    EXPECT_EQ(countPixels(background, [](const Pixel& p) { return p.a < 1.0f; }), 0);
}

TEST(ImageTable, HotSpotIsAnOpaqueCopyOfTheBackgroundsTopLeftStrip)
{
    const juce::Image background = loadEmbedded("background.png");
    const juce::Image hotSpot = loadEmbedded("menu_hot_spot.png");
    ASSERT_EQ(hotSpot.getWidth(), 228);
    ASSERT_EQ(hotSpot.getHeight(), 38);
    int different = 0, notOpaque = 0;
    for (int y = 0; y < 38; ++y)
        for (int x = 0; x < 228; ++x)
        {
            different += hotSpot.getPixelAt(x, y) != background.getPixelAt(x, y) ? 1 : 0;
            notOpaque += hotSpot.getPixelAt(x, y).getAlpha() != 255 ? 1 : 0;
        }
    EXPECT_EQ(different, 0);
    EXPECT_EQ(notOpaque, 0);
    // It is the logo, not a blank strip.
    EXPECT_GT(countPixels(hotSpot, [](const Pixel& p) { return p.luminance() > 0.6f; }), 200);
}

TEST(ImageTable, AboutIsHalfBlackOutsideItsOpaquePanel)
{
    const juce::Image about = loadEmbedded("about.png");
    ASSERT_EQ(about.getWidth(), 944);
    ASSERT_EQ(about.getHeight(), 280);
    const auto inPanel = [](int x, int y) { return x >= 280 && x <= 663 && y >= 33 && y <= 248; };

    int wrongOutside = 0, wrongInside = 0, brightInside = 0;
    for (int y = 0; y < about.getHeight(); ++y)
        for (int x = 0; x < about.getWidth(); ++x)
        {
            const juce::Colour c = about.getPixelAt(x, y);
            if (inPanel(x, y))
            {
                wrongInside += c.getAlpha() != 255 ? 1 : 0;
                brightInside += c.getPerceivedBrightness() > 0.8f ? 1 : 0;
            }
            else
                wrongOutside += c != juce::Colour::fromRGBA(0, 0, 0, 128) ? 1 : 0;
        }
    EXPECT_EQ(wrongOutside, 0);
    EXPECT_EQ(wrongInside, 0);
    // The panel carries white lines of text.
    EXPECT_GT(brightInside, 300);

    // The panel's edges are inclusive: (280, 33) and (663, 248) are its corners.
    for (const auto& [x, y, alpha] : {std::tuple{280, 33, 255},
                                      {663, 248, 255},
                                      {279, 33, 128},
                                      {280, 32, 128},
                                      {664, 248, 128},
                                      {663, 249, 128}})
        EXPECT_EQ(about.getPixelAt(x, y).getAlpha(), alpha) << x << ", " << y;
}

TEST(ImageTable, ValveModeLeverPointsUpWhenOffAndDownWhenOn)
{
    // Opaque pixels of the lever beyond the nut, above and below the switch's centre.
    const auto leverReach = [](const juce::Image& image)
    {
        const int cy = image.getHeight() / 2;
        int above = 0, below = 0;
        for (int y = 0; y < image.getHeight(); ++y)
            for (int x = 0; x < image.getWidth(); ++x)
                if (pixelAt(image, x, y).a > 0.9f)
                {
                    above += y < cy - 11 ? 1 : 0;
                    below += y >= cy + 11 ? 1 : 0;
                }
        return std::pair{above, below};
    };

    const auto [offAbove, offBelow] = leverReach(loadEmbedded("valve_mode.png"));
    EXPECT_GT(offAbove, 15);
    EXPECT_EQ(offBelow, 0);
    const auto [onAbove, onBelow] = leverReach(loadEmbedded("valve_mode_down.png"));
    EXPECT_EQ(onAbove, 0);
    EXPECT_GT(onBelow, 15);
}
