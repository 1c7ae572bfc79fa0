#include "FilmStripSlider.h"
#include "GuiTest.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace
{
// A strip whose every pixel tells where it comes from: red is x, green and blue are y (low and
// high byte), all opaque. A drawn frame can be traced back to its place in the strip.
juce::Image codedStrip(int width, int height)
{
    juce::Image image(juce::Image::ARGB, width, height, false);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixelAt(x, y,
                             juce::Colour((juce::uint8)x, (juce::uint8)(y & 0xff), (juce::uint8)(y >> 8)));
    return image;
}

juce::Point<int> sourceOf(juce::Colour c)
{
    return {c.getRed(), c.getGreen() + 256 * c.getBlue()};
}

bool isBlank(const juce::Image& image)
{
    for (int y = 0; y < image.getHeight(); ++y)
        for (int x = 0; x < image.getWidth(); ++x)
            if (image.getPixelAt(x, y).getAlpha() != 0)
                return false;
    return true;
}

// The area of the coded strip that the widget drew, when what it drew is a 1:1 copy of one
// area of the strip filling its bounds; an empty rectangle otherwise.
juce::Rectangle<int> drawnArea(FilmStripSlider& slider)
{
    const auto image = guitest::render(slider);
    const auto origin = sourceOf(image.getPixelAt(0, 0));
    for (int y = 0; y < image.getHeight(); ++y)
        for (int x = 0; x < image.getWidth(); ++x)
        {
            const auto pixel = image.getPixelAt(x, y);
            if (pixel.getAlpha() != 255 || sourceOf(pixel) != origin + juce::Point<int>(x, y))
                return {};
        }
    return {origin.x, origin.y, image.getWidth(), image.getHeight()};
}

// As the editor sets its knobs up, over 0..1. The base slider's default text box is a child of its
// own that would be drawn over the frame.
void configureAsKnob(FilmStripSlider& slider)
{
    slider.setSliderStyle(juce::Slider::RotaryHorizontalVerticalDrag);
    slider.setTextBoxStyle(juce::Slider::NoTextBox, false, 0, 0);
    slider.setRange(0.0, 1.0, 0.0);
}

struct FrameCase
{
    const char* strip;
    int width, height, frames;
    bool horizontal;
    double minimum, maximum, interval;
    double value;
    int expectedFrame;
};

std::ostream& operator<<(std::ostream& out, const FrameCase& c)
{
    return out << c.strip << " at " << c.value;
}

class FilmStripFrames : public testing::TestWithParam<FrameCase>
{
};

TEST_P(FilmStripFrames, DrawsTheFrameOfTheValue)
{
    const auto& c = GetParam();
    FilmStripSlider slider("");
    configureAsKnob(slider);
    slider.setFilmStrip(codedStrip(c.width, c.height), c.frames, c.horizontal);
    slider.setRange(c.minimum, c.maximum, c.interval);
    slider.setValue(c.value, juce::dontSendNotification);
    ASSERT_EQ(slider.getValue(), c.value) << "the slider snapped the value: the case tests another value";

    const auto frameWidth = c.horizontal ? c.width / c.frames : c.width;
    const auto frameHeight = c.horizontal ? c.height : c.height / c.frames;
    slider.setSize(frameWidth, frameHeight);

    const auto expected =
        c.horizontal ? juce::Rectangle<int>(c.expectedFrame * frameWidth, 0, frameWidth, frameHeight)
                     : juce::Rectangle<int>(0, c.expectedFrame * frameHeight, frameWidth, frameHeight);
    EXPECT_EQ(drawnArea(slider), expected);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Table, FilmStripFrames, testing::Values(
    // 100 x 0.29 is 28.999999999999996: the fraction is dropped, not rounded up.
    FrameCase{"101 frames", 88, 8888, 101, false, 0, 1, 0.001, 0.0, 0},
    FrameCase{"101 frames", 88, 8888, 101, false, 0, 1, 0.001, 0.29, 28},
    FrameCase{"101 frames", 88, 8888, 101, false, 0, 1, 0.001, 0.3, 30},
    FrameCase{"101 frames", 88, 8888, 101, false, 0, 1, 0.001, 0.5, 50},
    FrameCase{"101 frames", 88, 8888, 101, false, 0, 1, 0.001, 1.0, 100},
    FrameCase{"104-pixel knob", 104, 10504, 101, false, 0, 1, 0.001, 0.999, 99},
    // The meter: 50 x 0.58 is 28.999999999999996.
    FrameCase{"meter", 160, 4080, 51, false, 0, 1, 0.001, 0.58, 28},
    FrameCase{"meter", 160, 4080, 51, false, 0, 1, 0.001, 0.999, 49},
    FrameCase{"meter", 160, 4080, 51, false, 0, 1, 0.001, 1.0, 50},
    FrameCase{"6 steps", 104, 624, 6, false, 0, 5, 1, 0, 0},
    FrameCase{"6 steps", 104, 624, 6, false, 0, 5, 1, 1, 1},
    FrameCase{"6 steps", 104, 624, 6, false, 0, 5, 1, 2, 2},
    FrameCase{"6 steps", 104, 624, 6, false, 0, 5, 1, 3, 3},
    FrameCase{"6 steps", 104, 624, 6, false, 0, 5, 1, 4, 4},
    FrameCase{"6 steps", 104, 624, 6, false, 0, 5, 1, 5, 5},
    FrameCase{"one frame", 30, 20, 1, false, 0, 1, 0, 0.0, 0},
    FrameCase{"one frame", 30, 20, 1, false, 0, 1, 0, 0.7, 0},
    FrameCase{"one frame", 30, 20, 1, false, 0, 1, 0, 1.0, 0},
    // 100 rows as 3 frames of 33: the last row is never part of a frame.
    FrameCase{"100 rows as 3", 40, 100, 3, false, 0, 1, 0, 0.0, 0},
    FrameCase{"100 rows as 3", 40, 100, 3, false, 0, 1, 0, 0.5, 1},
    FrameCase{"100 rows as 3", 40, 100, 3, false, 0, 1, 0, 1.0, 2},
    // Side by side, 41 pixels each with 4 columns left over.
    FrameCase{"horizontal", 250, 30, 6, true, 0, 5, 1, 0, 0},
    FrameCase{"horizontal", 250, 30, 6, true, 0, 5, 1, 3, 3},
    FrameCase{"horizontal", 250, 30, 6, true, 0, 5, 1, 5, 5},
    FrameCase{"horizontal", 250, 30, 6, true, 0, 1, 0, 0.79, 3},
    // A range that does not start at 0.
    FrameCase{"offset range", 20, 220, 11, false, -1, 1, 0, 0.1, 5},
    FrameCase{"offset range", 20, 220, 11, false, -1, 1, 0, -1, 0}));
// clang-format on

TEST(FilmStripSlider, NeverShowsTheLastRowOfAStripThatDoesNotDivideEvenly)
{
    FilmStripSlider slider("");
    configureAsKnob(slider);
    slider.setFilmStrip(codedStrip(40, 100), 3, false);
    slider.setSize(40, 33);
    for (int i = 0; i <= 100; ++i)
    {
        slider.setValue(i / 100.0, juce::dontSendNotification);
        const auto area = drawnArea(slider);
        ASSERT_FALSE(area.isEmpty()) << "value " << i / 100.0;
        EXPECT_LE(area.getBottom(), 99) << "value " << i / 100.0;
    }
}

// Frames of one colour each, so that a scaled frame is recognisable whatever the resampling.
juce::Image flatStrip(int width, int frameHeight, const juce::Array<juce::Colour>& colours)
{
    juce::Image image(juce::Image::ARGB, width, frameHeight * colours.size(), true);
    juce::Graphics g(image);
    for (int i = 0; i < colours.size(); ++i)
    {
        g.setColour(colours[i]);
        g.fillRect(0, i * frameHeight, width, frameHeight);
    }
    return image;
}

TEST(FilmStripSlider, ScalesTheFrameToItsBounds)
{
    const juce::Array<juce::Colour> colours{juce::Colours::red, juce::Colours::lime, juce::Colours::blue};
    FilmStripSlider slider("");
    configureAsKnob(slider);
    slider.setFilmStrip(flatStrip(20, 20, colours), 3, false);
    slider.setValue(0.5, juce::dontSendNotification);

    for (const auto size : {juce::Point<int>(57, 31), juce::Point<int>(200, 200), juce::Point<int>(7, 5)})
    {
        slider.setSize(size.x, size.y);
        const auto image = guitest::render(slider);
        // JUCE's rasteriser leaves the last column of a scaled image a little short of opaque.
        int wrong = 0;
        for (int y = 0; y < image.getHeight(); ++y)
            for (int x = 0; x < image.getWidth(); ++x)
            {
                const auto pixel = image.getPixelAt(x, y);
                if (pixel.withAlpha((juce::uint8)255) != juce::Colours::lime || pixel.getAlpha() < 250)
                    ++wrong;
            }
        EXPECT_EQ(wrong, 0) << "bounds " << size.x << " x " << size.y;
    }
}

TEST(FilmStripSlider, DrawsTheFrameAndNothingElse)
{
    // Frame 0 is transparent: a background, the look-and-feel's knob or a text would show on it.
    const juce::Array<juce::Colour> colours{juce::Colours::transparentBlack, juce::Colours::orange};
    FilmStripSlider slider("");
    configureAsKnob(slider);
    slider.setFilmStrip(flatStrip(50, 50, colours), 2, false);
    slider.setSize(50, 50);
    slider.setValue(0.0, juce::dontSendNotification);

    EXPECT_FALSE(slider.isOpaque());
    EXPECT_TRUE(isBlank(guitest::render(slider)));
    slider.setEnabled(false);
    EXPECT_TRUE(isBlank(guitest::render(slider))) << "disabled";

    // Disabled, the frame is drawn as it is.
    slider.setValue(1.0, juce::dontSendNotification);
    EXPECT_EQ(guitest::render(slider).getPixelAt(25, 25), juce::Colours::orange);
}

TEST(FilmStripSlider, DrawsNothingWithoutAStrip)
{
    FilmStripSlider slider("");
    configureAsKnob(slider);
    slider.setSize(40, 40);
    EXPECT_TRUE(isBlank(guitest::render(slider))) << "before any strip";

    slider.setFilmStrip(codedStrip(40, 400), 10, false);
    slider.setValue(0.5, juce::dontSendNotification);
    ASSERT_FALSE(isBlank(guitest::render(slider)));

    slider.setFilmStrip(juce::Image(), 10, true);
    EXPECT_EQ(slider.getNumFrames(), 0);
    EXPECT_TRUE(slider.getFilmStrip().isNull());
    EXPECT_TRUE(isBlank(guitest::render(slider))) << "after a null image";
}

TEST(FilmStripSlider, ANullImageKeepsTheLayoutFields)
{
    FilmStripSlider slider("");
    slider.setFilmStrip(codedStrip(88, 8888), 101, false);
    slider.setFilmStrip(juce::Image(), 7, true);

    EXPECT_EQ(slider.getNumFrames(), 0);
    EXPECT_FALSE(slider.isStripHorizontal());
    EXPECT_EQ(slider.getFrameWidth(), 88);
    EXPECT_EQ(slider.getFrameHeight(), 88);
}

TEST(FilmStripSlider, TakesTheFrameSizeFromTheStrip)
{
    struct Case
    {
        int width, height, frames;
        bool horizontal;
        int frameWidth, frameHeight;
    };
    for (const auto& c :
         {Case{88, 8888, 101, false, 88, 88}, Case{160, 4080, 51, false, 160, 80},
          Case{40, 100, 3, false, 40, 33}, Case{250, 30, 6, true, 41, 30}, Case{30, 20, 1, true, 30, 20}})
    {
        FilmStripSlider slider("");
        slider.setFilmStrip(codedStrip(c.width, c.height), c.frames, c.horizontal);
        EXPECT_EQ(slider.getNumFrames(), c.frames);
        EXPECT_EQ(slider.isStripHorizontal(), c.horizontal);
        EXPECT_EQ(slider.getFrameWidth(), c.frameWidth) << c.width << " x " << c.height;
        EXPECT_EQ(slider.getFrameHeight(), c.frameHeight) << c.width << " x " << c.height;
    }
}

TEST(FilmStripSlider, SharesThePixelsOfTheStrip)
{
    auto strip = codedStrip(20, 60);
    FilmStripSlider slider("");
    configureAsKnob(slider);
    slider.setFilmStrip(strip, 3, false);
    EXPECT_EQ(slider.getFilmStrip().getPixelData(), strip.getPixelData());

    // A change to the caller's image shows in the next paint.
    slider.setSize(20, 20);
    strip.clear(strip.getBounds(), juce::Colours::magenta);
    EXPECT_EQ(guitest::render(slider).getPixelAt(3, 3), juce::Colours::magenta);
}

// Cases the callers never produce: whatever is drawn must come from inside the strip.
TEST(FilmStripSlider, UnusualStatesDrawTheFirstFrameOrNothing)
{
    const auto strip = codedStrip(20, 200);

    {
        SCOPED_TRACE("a NaN value shows the first frame");
        FilmStripSlider slider("");
        configureAsKnob(slider);
        slider.setFilmStrip(strip, 10, false);
        slider.setSize(20, 20);
        slider.setValue(std::numeric_limits<double>::quiet_NaN(), juce::dontSendNotification);
        ASSERT_TRUE(std::isnan(slider.getValue())) << "the slider no longer keeps a NaN: case is moot";
        EXPECT_EQ(drawnArea(slider), juce::Rectangle<int>(0, 0, 20, 20));
    }
    {
        SCOPED_TRACE("an empty range shows the first frame");
        FilmStripSlider slider("");
        configureAsKnob(slider);
        slider.setFilmStrip(strip, 10, false);
        slider.setSize(20, 20);
        slider.setRange(0.5, 0.5, 0);
        slider.setValue(0.5, juce::dontSendNotification);
        EXPECT_EQ(drawnArea(slider), juce::Rectangle<int>(0, 0, 20, 20));
    }
    for (const auto frames : {0, -3})
    {
        SCOPED_TRACE("a frame count of " + std::to_string(frames) + " draws nothing");
        FilmStripSlider slider("");
        configureAsKnob(slider);
        slider.setFilmStrip(strip, frames, false);
        slider.setSize(20, 20);
        slider.setValue(1.0, juce::dontSendNotification);
        EXPECT_EQ(slider.getNumFrames(), 0);
        EXPECT_TRUE(isBlank(guitest::render(slider)));
    }
    {
        SCOPED_TRACE("more frames than rows draws nothing");
        FilmStripSlider slider("");
        configureAsKnob(slider);
        slider.setFilmStrip(strip, 400, false);
        slider.setSize(20, 20);
        slider.setValue(1.0, juce::dontSendNotification);
        EXPECT_EQ(slider.getFrameHeight(), 0);
        EXPECT_TRUE(isBlank(guitest::render(slider)));
    }
}

TEST(FilmStripSlider, ValueTextIsAlwaysNa)
{
    FilmStripSlider slider("");
    for (const auto value : {0.0, 1.0, 0.5, -7.25, 1.0e9, std::numeric_limits<double>::quiet_NaN()})
        EXPECT_EQ(slider.getTextFromValue(value), juce::String("na")) << value;
}

TEST(FilmStripSlider, LeavesTheSliderSettingsAsJuceHasThem)
{
    juce::Slider plain;
    FilmStripSlider slider("");

    EXPECT_EQ(slider.getName(), juce::String());
    EXPECT_EQ(FilmStripSlider("knob").getName(), juce::String("knob"));
    EXPECT_EQ(slider.getSliderStyle(), plain.getSliderStyle());
    EXPECT_EQ(slider.getTextBoxPosition(), plain.getTextBoxPosition());
    EXPECT_EQ(slider.getMinimum(), plain.getMinimum());
    EXPECT_EQ(slider.getMaximum(), plain.getMaximum());
    EXPECT_EQ(slider.getInterval(), plain.getInterval());
    EXPECT_EQ(slider.getValue(), plain.getValue());
    EXPECT_EQ(slider.isDoubleClickReturnEnabled(), plain.isDoubleClickReturnEnabled());
    EXPECT_EQ(slider.isScrollWheelEnabled(), plain.isScrollWheelEnabled());
    EXPECT_EQ(slider.getVelocityBasedMode(), plain.getVelocityBasedMode());
    EXPECT_EQ(slider.getDoubleClickReturnValue(), plain.getDoubleClickReturnValue());

    EXPECT_EQ(slider.getNumFrames(), 0);
    EXPECT_EQ(slider.getFrameWidth(), 0);
    EXPECT_EQ(slider.getFrameHeight(), 0);
    EXPECT_TRUE(slider.isStripHorizontal());
    EXPECT_TRUE(slider.getFilmStrip().isNull());
}
} // namespace
