#include <gtest/gtest.h>

#include <set>

#include "ArtworkPixels.h"

using namespace artwork_test;

namespace
{
constexpr int frameHeight = 80;
} // namespace

TEST(MeterStrip, NeedleTurnsLinearlyAcrossTheWholeSweep)
{
    const juce::Image strip = loadEmbedded("meter.png");
    ASSERT_TRUE(strip.isValid());
    const double step = (artwork::meterSweepEnd - artwork::meterSweepStart) / 50.0;
    for (int k = 0; k < artwork::meterFrames; ++k)
    {
        const double angle = needleAngle(frameOf(strip, frameHeight, k), artwork::meterPivotX,
                                         artwork::meterPivotY, artwork::meterHoodRadius);
        EXPECT_NEAR(angle, artwork::meterSweepStart + step * k, 0.6) << "frame " << k;
    }
}

TEST(MeterStrip, NeedleLeavesTheFaceClear)
{
    // Beyond the needle's reach and its shadow, every frame is transparent: the face shows through.
    const juce::Image strip = loadEmbedded("meter.png");
    int painted = 0;
    for (int k = 0; k < artwork::meterFrames; ++k)
    {
        const juce::Image image = frameOf(strip, frameHeight, k);
        for (int y = 0; y < frameHeight; ++y)
            for (int x = 0; x < image.getWidth(); ++x)
                if (std::hypot(x + 0.5 - artwork::meterPivotX, y + 0.5 - artwork::meterPivotY) >
                    artwork::meterNeedleOuter + 4.0)
                    painted += pixelAt(image, x, y).a > 0.0f ? 1 : 0;
    }
    EXPECT_EQ(painted, 0);
}

TEST(MeterStrip, ScaleMarksStandWhereTheNeedleShowsThoseReductions)
{
    // The editor shows frame trunc(50 x (1 - gain factor)); k dB of reduction is a gain factor of
    // 10^(-k/20), so its mark belongs at frame 50 x (1 - 10^(-k/20)), between two needle frames.
    const juce::Image strip = loadEmbedded("meter.png");
    const juce::Image background = loadEmbedded("background.png");
    const auto measured = [&strip](int k)
    {
        return needleAngle(frameOf(strip, frameHeight, k), artwork::meterPivotX, artwork::meterPivotY,
                           artwork::meterHoodRadius);
    };
    const double px = artwork::meterWindow.x + artwork::meterPivotX;
    const double py = artwork::meterWindow.y + artwork::meterPivotY;

    const std::pair<double, double> reductions[] = {{0.0, 0.0},    {4.0, 18.45},  {8.0, 30.09},
                                                    {12.0, 37.44}, {16.0, 42.08}, {20.0, 45.0}};
    for (const auto& [decibels, frame] : reductions)
    {
        SCOPED_TRACE(decibels);
        const int below = int(frame);
        const double t = frame - below;
        const double needle =
            below < 50 ? measured(below) * (1.0 - t) + measured(below + 1) * t : measured(50);
        // Read beyond the minor ticks and the red end of the arc, where only the labelled marks reach.
        const double tick =
            tickAngleNear(background, px, py, artwork::meterTickMajorOuter - 2.0, needle, 3.0);
        EXPECT_NEAR(tick, needle, 0.7);
    }
}
