#include <gtest/gtest.h>

#include <map>
#include <set>

#include <juce_gui_basics/juce_gui_basics.h>

#include "ArtworkPixels.h"

using namespace artwork_test;
using artwork::Knob;

namespace
{
const juce::Image& strip(const Knob& knob)
{
    static std::map<std::string, juce::Image> cache;
    auto& image = cache[knob.image];
    if (!image.isValid())
        image = loadEmbedded(juce::String(knob.image) + ".png");
    return image;
}

const juce::Image& background()
{
    static const juce::Image image = loadEmbedded("background.png");
    return image;
}

juce::Image frame(const Knob& knob, int index)
{
    return frameOf(strip(knob), knob.bounds.h, index);
}

// The hash of a frame's pixels, to tell frames apart.
juce::int64 frameHash(const juce::Image& image)
{
    const juce::Image::BitmapData data(image, juce::Image::BitmapData::readOnly);
    juce::MemoryBlock bytes;
    for (int y = 0; y < image.getHeight(); ++y)
        bytes.append(data.getLinePointer(y), size_t(image.getWidth() * data.pixelStride));
    return juce::DefaultHashFunctions::generateHash(bytes.toBase64Encoding(),
                                                    std::numeric_limits<int>::max());
}

// The frame a film-strip knob shows: the slider snaps its value to the interval, then the widget
// drops the fraction of the frame number.
int frameShownFor(double parameterValue)
{
    juce::Slider slider;
    slider.setRange(0.0, 1.0, 0.001);
    slider.setValue(parameterValue, juce::dontSendNotification);
    return int(100.0 * slider.getValue());
}

} // namespace

class KnobStrip : public ::testing::Test
{
    const juce::ScopedJuceInitialiser_GUI juce;
};

TEST_F(KnobStrip, ContinuousKnobsSweepEvenlyFromSevenToFiveOClock)
{
    for (const Knob& knob : artwork::knobs)
    {
        if (knob.stepped())
            continue;
        SCOPED_TRACE(knob.image);
        std::set<juce::int64> hashes;
        double previous = -180.0;
        for (int k = 0; k < knob.frames; ++k)
        {
            const juce::Image image = frame(knob, k);
            hashes.insert(frameHash(image));
            const double angle = pointerAngle(image);
            // 3 degrees a frame: -150 at frame 0 (about seven o'clock), +150 at frame 100 (about five).
            EXPECT_NEAR(angle, -150.0 + 3.0 * k, 1.5) << "frame " << k;
            EXPECT_GT(angle, previous) << "frame " << k;
            previous = angle;
        }
        EXPECT_EQ(hashes.size(), size_t(knob.frames));
    }
}

TEST_F(KnobStrip, SteppedKnobsTurnOneWayThroughSixDifferentPositions)
{
    for (const Knob& knob : artwork::knobs)
    {
        if (!knob.stepped())
            continue;
        SCOPED_TRACE(knob.image);
        std::set<juce::int64> hashes;
        double previous = -180.0;
        for (int step = 0; step < knob.frames; ++step)
        {
            const juce::Image image = frame(knob, step);
            hashes.insert(frameHash(image));
            const double angle = pointerAngle(image);
            EXPECT_GT(angle, previous + 30.0) << "step " << step;
            previous = angle;
        }
        EXPECT_EQ(hashes.size(), size_t(knob.frames));
    }
}

TEST_F(KnobStrip, EveryFrameIsCentredWithItsSurroundingsClear)
{
    for (const Knob& knob : artwork::knobs)
    {
        SCOPED_TRACE(knob.image);
        const auto& shape = artwork::shapeOf(knob.kind);
        const int size = knob.bounds.w;
        for (int k = 0; k < knob.frames; k += knob.stepped() ? 1 : 25)
        {
            const juce::Image image = frame(knob, k);
            // The solid knob is a disc about the cell's centre...
            double sx = 0, sy = 0, n = 0;
            int solidOutsideSkirt = 0, paintedNearLabels = 0;
            float darkestOnTicks = 0.0f;
            for (int y = 0; y < size; ++y)
                for (int x = 0; x < size; ++x)
                {
                    const double dx = x + 0.5 - size / 2.0, dy = y + 0.5 - size / 2.0;
                    const float alpha = pixelAt(image, x, y).a;
                    if (alpha >= 0.999f)
                    {
                        sx += dx, sy += dy, n += 1;
                        solidOutsideSkirt += std::hypot(dx, dy) > shape.skirt + 0.5 ? 1 : 0;
                    }
                    // ...and nothing but a faint shadow reaches the printed ticks, nothing at all the
                    // numbers.
                    if (std::hypot(dx, dy) >= shape.labelGap - 1.0)
                        paintedNearLabels += alpha > 0.0f ? 1 : 0;
                    if (std::hypot(dx, dy) >= shape.tickInner)
                        darkestOnTicks = std::max(darkestOnTicks, alpha);
                }
            EXPECT_NEAR(sx / n, 0.0, 0.3) << "frame " << k;
            EXPECT_NEAR(sy / n, 0.0, 0.3) << "frame " << k;
            EXPECT_EQ(solidOutsideSkirt, 0);
            EXPECT_EQ(paintedNearLabels, 0);
            EXPECT_LT(darkestOnTicks, 0.35f) << "frame " << k;
        }
    }
}

// A printed setting, and the frame its knob shows for it, worked out from the parameter's units.
struct PrintedSetting
{
    const char* knob;
    const char* label;
    int frame;
};

TEST_F(KnobStrip, ScaleSettingsNameTheFramesTheirParameterValuesShow)
{
    const PrintedSetting settings[] = {
        // Threshold -29 v - 1 dB.
        {"comp_threshold", "-1", 0},
        {"comp_threshold", "-5", 13},
        {"comp_threshold", "-10", 31},
        {"comp_threshold", "-15", 48},
        {"comp_threshold", "-20", 65},
        {"comp_threshold", "-25", 82},
        {"comp_threshold", "-30", 100},
        // Output exp(3.4562609 v - 2.7631137): 0 dB lies near v = 0.7995.
        {"output", "-24", 0},
        {"output", "-18", 20},
        {"output", "-12", 40},
        {"output", "-6", 60},
        {"output", "0", 79},
        {"output", "+6", 100},
        {"valve_drive", "12", 50},
        {"valve_drive", "18", 75},
        {"valve_bias", "6", 60},
        {"valve_input", "FULL", 100},
        {"comp_blend", "WET", 100},
    };
    for (const auto& setting : settings)
    {
        SCOPED_TRACE(juce::String(setting.knob) + " " + setting.label);
        const artwork::Scale* scale = nullptr;
        for (const auto& s : artwork::scales())
            scale = juce::String(s.knob) == setting.knob ? &s : scale;
        ASSERT_NE(scale, nullptr);
        const artwork::ScaleMark* mark = nullptr;
        for (int m = 0; m < scale->numMarks; ++m)
        {
            const auto& candidate = scale->marks[size_t(m)];
            if (candidate.label != nullptr && juce::String(candidate.label) == setting.label)
                mark = &candidate;
        }
        ASSERT_NE(mark, nullptr);
        EXPECT_EQ(frameShownFor(mark->value), setting.frame);
    }
}

TEST_F(KnobStrip, PrintedMarksSitWhereThePointerPoints)
{
    for (const Knob& knob : artwork::knobs)
    {
        SCOPED_TRACE(knob.image);
        const auto& shape = artwork::shapeOf(knob.kind);
        const auto& scale = artwork::scaleOf(knob);
        for (int m = 0; m < scale.numMarks; ++m)
        {
            const artwork::ScaleMark& mark = scale.marks[size_t(m)];
            const int shown = knob.stepped() ? int(mark.value) : frameShownFor(mark.value);
            const double pointer = pointerAngle(frame(knob, shown));
            const double tick = tickAngleNear(background(), knob.centreX(), knob.centreY(),
                                              (shape.tickInner + shape.tickMinorOuter) / 2.0, pointer, 6.0);
            EXPECT_NEAR(tick, pointer, 1.2)
                << (mark.label != nullptr ? mark.label : "minor tick") << ", frame " << shown;
        }
    }
}

TEST(KnobScales, EveryKnobPrintsItsLegendAndTheEndsOfItsRange)
{
    struct Printed
    {
        const char* knob;
        const char* legend;
        const char* lowest;
        const char* highest;
    };
    // The threshold starts at -1 dB, where the parameter's lowest value puts it.
    const Printed printed[] = {
        {"valve_drive", "DRIVE", "0", "+24"},           {"valve_bias", "BIAS", "0", "10"},
        {"valve_input", "INPUT", "LOW", "FULL"},        {"valve_blend", "BLEND", "DRY", "WET"},
        {"comp_ratio", "RATIO", "1.25", "10"},          {"comp_attack", "ATTACK(MS)", "0.1", "30"},
        {"comp_recovery", "RECOVERY(SEC)", "0.1", "2"}, {"comp_threshold", "THRESHOLD(DB)", "-1", "-30"},
        {"comp_blend", "BLEND", "DRY", "WET"},          {"output", "OUTPUT(DB)", "-24", "+6"},
    };
    ASSERT_EQ(std::size(printed), artwork::knobs.size());
    for (size_t i = 0; i < artwork::knobs.size(); ++i)
    {
        const artwork::Scale& scale = artwork::scaleOf(artwork::knobs[i]);
        SCOPED_TRACE(printed[i].knob);
        EXPECT_STREQ(scale.knob, printed[i].knob);
        EXPECT_STREQ(scale.legend, printed[i].legend);
        EXPECT_STREQ(scale.marks.front().label, printed[i].lowest);
        EXPECT_STREQ(scale.marks[size_t(scale.numMarks - 1)].label, printed[i].highest);
    }

    // The ratio legend names the ratios the compressor applies, one for each step.
    const char* ratios[] = {"1.25", "1.43", "1.67", "2", "3.33", "10"};
    const auto& ratio = artwork::scaleOf(artwork::knobs[4]);
    ASSERT_EQ(ratio.numMarks, 6);
    for (int step = 0; step < 6; ++step)
        EXPECT_STREQ(ratio.marks[size_t(step)].label, ratios[step]);
}

TEST_F(KnobStrip, SteppedKnobsPrintTheirSixLegendsWhereTheFramesPoint)
{
    for (const Knob& knob : artwork::knobs)
    {
        if (!knob.stepped())
            continue;
        SCOPED_TRACE(knob.image);
        const auto& shape = artwork::shapeOf(knob.kind);
        for (int step = 0; step < artwork::steppedFrames; ++step)
        {
            // The legend's ink lies just beyond the tick, in the direction of the pointer.
            const double a = juce::degreesToRadians(pointerAngle(frame(knob, step)));
            const double r = shape.labelGap + 4.0;
            const int x0 = int(knob.centreX() + r * std::sin(a)), y0 = int(knob.centreY() - r * std::cos(a));
            int ink = 0;
            for (int y = y0 - 4; y <= y0 + 4; ++y)
                for (int x = x0 - 4; x <= x0 + 4; ++x)
                    ink += pixelAt(background(), x, y).luminance() > 0.5f ? 1 : 0;
            EXPECT_GT(ink, 0) << "step " << step;
        }
    }
}
