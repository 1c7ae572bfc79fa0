#include <gtest/gtest.h>

#include "DspUtils.h"

namespace
{

struct MapCase
{
    float inMin, inMax, outMin, outMax, value, expected;
};

class DspUtilsMapRange : public ::testing::TestWithParam<MapCase>
{
};

// Expected values are exact in float, so equality is required.
TEST_P(DspUtilsMapRange, MapsWithoutClampingInTheStatedOrder)
{
    const MapCase c = GetParam();
    DspUtils u;
    EXPECT_EQ(u.mapRange(c.inMin, c.inMax, c.outMin, c.outMax, c.value), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, DspUtilsMapRange,
                         ::testing::Values(MapCase{0.0f, 1.0f, 80.0f, 100.0f, 0.5f, 90.0f},
                                           // Outside the input range the map extrapolates on both sides.
                                           MapCase{0.0f, 1.0f, 80.0f, 100.0f, 1.5f, 110.0f},
                                           MapCase{0.0f, 1.0f, 80.0f, 100.0f, -0.5f, 70.0f},
                                           MapCase{0.0f, 1.0f, 70.0f, 112.0f, 1.0f, 112.0f},
                                           MapCase{0.0f, 1.0f, 100.0f, 80.0f, 0.25f, 95.0f},
                                           // Quotient of the spans first: (3 * (9 / 5)) gives one ulp
                                           // below 5.4f, which (3 * 9) / 5 or 3 / 5 * 9 would give.
                                           MapCase{0.0f, 5.0f, 0.0f, 9.0f, 3.0f, 0x1.599998p+2f},
                                           // The offset inMin is taken off the value before scaling: 6 * q -
                                           // 1 * q would round to 0x1.755556p+2f.
                                           MapCase{1.0f, 7.0f, 0.0f, 7.0f, 6.0f, 0x1.755554p+2f}));

constexpr int kChannels = 3;

// Integer-valued samples keep every product and sum below exact in float.
juce::AudioSampleBuffer makeBuffer(int numSamples, float base)
{
    juce::AudioSampleBuffer b(kChannels, numSamples);
    for (int ch = 0; ch < kChannels; ++ch)
        for (int i = 0; i < numSamples; ++i)
            b.setSample(ch, i, base + 16.0f * (float)ch + (float)i);
    return b;
}

struct BlendCase
{
    float destinationGain, sourceGain;
};

TEST(DspUtilsBlend, MixesChannelZeroAndOneSampleBySample)
{
    const BlendCase cases[] = {
        {1.0f, 0.0f},   // leaves the destination unchanged
        {0.0f, 1.0f},   // copies the source
        {0.25f, 0.75f}, // a real mix
        {1.5f, -0.5f},  // gains are not clamped
    };
    constexpr int n = 8;
    DspUtils u;

    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::Message() << "gains " << c.destinationGain << ", " << c.sourceGain);
        auto destination = makeBuffer(n, 4.0f);
        const auto original = makeBuffer(n, 4.0f);
        // Longer than the destination: only the first n samples are read.
        auto source = makeBuffer(n + 4, -40.0f);
        const auto sourceCopy = makeBuffer(n + 4, -40.0f);

        u.blendBuffers(destination, source, c.destinationGain, c.sourceGain);

        for (int ch = 0; ch < 2; ++ch)
            for (int i = 0; i < n; ++i)
                EXPECT_EQ(destination.getSample(ch, i), original.getSample(ch, i) * c.destinationGain +
                                                            source.getSample(ch, i) * c.sourceGain)
                    << "channel " << ch << " sample " << i;
        for (int i = 0; i < n; ++i)
            EXPECT_EQ(destination.getSample(2, i), original.getSample(2, i)) << "channel 2 is not blended";
        for (int ch = 0; ch < kChannels; ++ch)
            for (int i = 0; i < n + 4; ++i)
                EXPECT_EQ(source.getSample(ch, i), sourceCopy.getSample(ch, i));
    }
}

enum class Routine
{
    blend,
    copy
};

// Both routines write through JUCE's write pointers, so cleared buffers lose their flag even when
// there is nothing to process.
TEST(DspUtilsClearFlag, BothBuffersEndNotClearForAnyLength)
{
    DspUtils u;
    for (Routine routine : {Routine::blend, Routine::copy})
        for (int n : {0, 16})
        {
            SCOPED_TRACE(testing::Message()
                         << (routine == Routine::blend ? "blend" : "copy") << ", " << n << " samples");
            juce::AudioSampleBuffer destination(2, n);
            juce::AudioSampleBuffer source(2, 16);
            destination.clear();
            source.clear();
            ASSERT_TRUE(destination.hasBeenCleared());
            ASSERT_TRUE(source.hasBeenCleared());

            if (routine == Routine::blend)
                u.blendBuffers(destination, source, 0.5f, 0.5f);
            else
                u.copyFirstChannel(destination, source);

            EXPECT_FALSE(destination.hasBeenCleared());
            EXPECT_FALSE(source.hasBeenCleared());
            for (int ch = 0; ch < 2; ++ch)
                for (int i = 0; i < n; ++i)
                    EXPECT_EQ(destination.getSample(ch, i), 0.0f);
        }
}

TEST(DspUtilsBlend, ZeroLengthDestinationChangesNoSample)
{
    DspUtils u;
    juce::AudioSampleBuffer destination(2, 0);
    auto source = makeBuffer(4, 1.0f);
    const auto sourceCopy = makeBuffer(4, 1.0f);
    u.blendBuffers(destination, source, 0.0f, 1.0f);
    EXPECT_EQ(destination.getNumSamples(), 0);
    for (int ch = 0; ch < kChannels; ++ch)
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(source.getSample(ch, i), sourceCopy.getSample(ch, i));
}

TEST(DspUtilsCopyFirstChannel, CopiesChannelZeroOnlyAndLeavesTheRestAlone)
{
    constexpr int n = 8;
    DspUtils u;
    auto destination = makeBuffer(n, 3.0f);
    const auto original = makeBuffer(n, 3.0f);
    const auto source = makeBuffer(n + 4, -50.0f);

    u.copyFirstChannel(destination, source);

    for (int i = 0; i < n; ++i)
    {
        EXPECT_EQ(destination.getSample(0, i), source.getSample(0, i));
        EXPECT_EQ(destination.getSample(1, i), original.getSample(1, i));
        EXPECT_EQ(destination.getSample(2, i), original.getSample(2, i));
    }
}

} // namespace
