#include <gtest/gtest.h>

#include "valve/ValveProcessor.h"

#include <cmath>
#include <vector>

namespace
{
void fillSignal(juce::AudioSampleBuffer& buffer, int offset)
{
    for (int i = 0; i < buffer.getNumSamples(); ++i)
    {
        const float t = static_cast<float>(i + offset);
        buffer.setSample(0, i, 0.9f * std::sin(0.05f * t) + 0.4f * std::sin(0.73f * t));
        buffer.setSample(1, i, 1.6f * std::sin(0.031f * t + 1.0f));
    }
    // A few values past the clamp and far below zero.
    if (buffer.getNumSamples() > 3)
    {
        buffer.setSample(0, 1, 4.0f);
        buffer.setSample(1, 2, -5.0f);
    }
}

// A stage driven through the same calls as the processor's constructor and prepare().
void buildLikeProcessor(ValveStage& stage, double rate, int blockSize)
{
    stage.loadPreset(6);
    stage.setParameter(10, 0);
    stage.setParameter(3, 80);
    stage.activate();
    stage.setSampleRate(44100.0);
    stage.setBlockSize(32);
    stage.setNumSamples(32.0);
    stage.init();

    stage.activate();
    stage.setSampleRate(rate);
    stage.setBlockSize(blockSize);
    stage.setNumSamples(static_cast<double>(blockSize));
    stage.init();
}

void applyGain(juce::AudioSampleBuffer& buffer, float gain)
{
    for (int c = 0; c < 2; ++c)
        for (int i = 0; i < buffer.getNumSamples(); ++i)
            buffer.setSample(c, i, gain == 0.0f ? 0.0f : buffer.getSample(c, i) * gain);
}
} // namespace

TEST(ValveProcessor, ConstructionLeavesRowFiveAndDefaults)
{
    ValveProcessor vp;
    ASSERT_EQ(vp.settings.size(), 2);
    EXPECT_EQ(vp.settings[0], 0.0f);
    EXPECT_EQ(vp.settings[1], 0.0f);
    EXPECT_EQ(vp.inputGain, 1.0f);
    EXPECT_EQ(vp.workBuffer.getNumChannels(), 2);
    EXPECT_EQ(vp.workBuffer.getNumSamples(), 128);
    EXPECT_TRUE(vp.stage.active);
    EXPECT_EQ(vp.stage.blockSize, 32);
    EXPECT_EQ(vp.stage.sampleRate, 44100.0f);
    for (int i = 0; i < ValveStage::kNumParameters; ++i)
        EXPECT_EQ(vp.stage.params[i], ValveStage::kValvePresets[5][i]) << "p" << i;
}

struct DriveCase
{
    const char* name;
    float drive;
    int stageDrive;
};

class ValveProcessorDrive : public ::testing::TestWithParam<DriveCase>
{
};

TEST_P(ValveProcessorDrive, MapsToStageParameterThree)
{
    ValveProcessor vp;
    vp.setDrive(GetParam().drive);
    EXPECT_EQ(vp.settings[0], GetParam().drive);
    EXPECT_EQ(vp.stage.params[3], GetParam().stageDrive);
    EXPECT_EQ(vp.stage.tubeDist, static_cast<float>(GetParam().stageDrive) / 127.0f * 5.0f + 0.5f);
}

INSTANTIATE_TEST_SUITE_P(Drive, ValveProcessorDrive,
                         ::testing::Values(DriveCase{"Zero", 0.0f, 80}, DriveCase{"Half", 0.5f, 90},
                                           DriveCase{"AlmostOne", 0.999f, 99}, DriveCase{"One", 1.0f, 100}),
                         [](const auto& info) { return std::string(info.param.name); });

struct BiasCase
{
    const char* name;
    float bias;
    int stageBias;
};

class ValveProcessorBias : public ::testing::TestWithParam<BiasCase>
{
};

TEST_P(ValveProcessorBias, TruncatesToStageParameterTen)
{
    ValveProcessor vp;
    vp.setBias(GetParam().bias);
    EXPECT_EQ(vp.settings[1], GetParam().bias);
    EXPECT_EQ(vp.stage.params[10], GetParam().stageBias);
}

INSTANTIATE_TEST_SUITE_P(Bias, ValveProcessorBias,
                         ::testing::Values(BiasCase{"Top", 112.9f, 112}, BiasCase{"Bottom", 70.0f, 70},
                                           BiasCase{"Fraction", 90.5f, 90}),
                         [](const auto& info) { return std::string(info.param.name); });

struct ModeCase
{
    const char* name;
    int mode;
    int expectedLowpass; // p6 afterwards; 1234 means no row was loaded
};

class ValveProcessorMode : public ::testing::TestWithParam<ModeCase>
{
};

TEST_P(ValveProcessorMode, LoadsRowThenResendsBiasAndDrive)
{
    ValveProcessor vp;
    vp.setDrive(0.5f);
    vp.setBias(100.7f);
    vp.stage.setParameter(6, 1234);
    vp.stage.setParameter(10, 0);
    vp.stage.setParameter(3, 0);

    vp.setMode(GetParam().mode);
    EXPECT_EQ(vp.stage.params[6], GetParam().expectedLowpass);
    EXPECT_EQ(vp.stage.params[10], 100);
    EXPECT_EQ(vp.stage.params[3], 90);
}

INSTANTIATE_TEST_SUITE_P(Mode, ValveProcessorMode,
                         ::testing::Values(ModeCase{"ModeZeroRowFive", 0, 5020},
                                           ModeCase{"ModeOneRowSix", 1, 14020},
                                           ModeCase{"ModeTwoNoRow", 2, 1234},
                                           ModeCase{"NegativeModeNoRow", -1, 1234}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ValveProcessor, PrepareSetsRateSizeAndRowFiveButKeepsSettings)
{
    ValveProcessor vp;
    vp.setDrive(0.75f);
    vp.setBias(95.0f);
    vp.setMode(1);
    vp.prepare(48000.0, 256.0);

    EXPECT_EQ(vp.workBuffer.getNumSamples(), 256);
    EXPECT_EQ(vp.stage.blockSize, 256);
    EXPECT_EQ(vp.stage.sampleRate, 48000.0f);
    EXPECT_EQ(vp.stage.dcPole, 1.0f - 40.0f / 48000.0f);
    EXPECT_EQ(vp.settings[0], 0.75f);
    EXPECT_EQ(vp.settings[1], 95.0f);
    for (int i = 0; i < ValveStage::kNumParameters; ++i)
        EXPECT_EQ(vp.stage.params[i], ValveStage::kValvePresets[5][i]) << "p" << i;
}

struct MixCase
{
    const char* name;
    int mode;
    float drive;
    float inputGain;
};

class ValveProcessorMix : public ::testing::TestWithParam<MixCase>
{
};

// Drive 0 returns the block itself; otherwise the block is the drive-weighted mix with a stage that
// was driven through the same calls and fed the gained copy.
TEST_P(ValveProcessorMix, BlendsStageOutputByDrive)
{
    const MixCase& c = GetParam();
    constexpr double rate = 48000.0;
    const int lengths[] = {128, 128, 40, 128};

    ValveProcessor vp;
    vp.prepare(rate, 128.0);
    vp.setDrive(c.drive);
    vp.setBias(90.0f);
    vp.setMode(c.mode);
    vp.inputGain = c.inputGain;

    ValveStage reference;
    buildLikeProcessor(reference, rate, 128);
    if (c.mode == 0 || c.mode == 1)
        reference.loadPreset(c.mode == 0 ? 5 : 6);
    reference.setParameter(10, 90);
    reference.setParameter(3, static_cast<int>(80.0f + 20.0f * c.drive));

    int offset = 0;
    for (int n : lengths)
    {
        juce::AudioSampleBuffer io(2, n), dry(2, n), wet(2, n);
        fillSignal(io, offset);
        offset += n;
        dry.makeCopyOf(io);
        wet.makeCopyOf(io);
        applyGain(wet, c.inputGain);
        reference.processBlock(wet);

        vp.process(io);
        EXPECT_EQ(vp.workBuffer.getNumSamples(), n);
        for (int ch = 0; ch < 2; ++ch)
            for (int i = 0; i < n; ++i)
            {
                const float expected =
                    dry.getSample(ch, i) * (1.0f - c.drive) + wet.getSample(ch, i) * c.drive;
                ASSERT_TRUE(std::isfinite(wet.getSample(ch, i)));
                ASSERT_EQ(io.getSample(ch, i), expected) << "channel " << ch << " sample " << i;
                if (c.drive == 0.0f)
                {
                    ASSERT_EQ(io.getSample(ch, i), dry.getSample(ch, i));
                }
                if (c.drive == 1.0f)
                {
                    ASSERT_EQ(io.getSample(ch, i), wet.getSample(ch, i));
                }
            }
    }
}

INSTANTIATE_TEST_SUITE_P(Mix, ValveProcessorMix,
                         ::testing::Values(MixCase{"DriveZeroModeZero", 0, 0.0f, 1.0f},
                                           MixCase{"DriveZeroModeOneHalfGain", 1, 0.0f, 0.5f},
                                           MixCase{"DriveOneModeZero", 0, 1.0f, 1.0f},
                                           MixCase{"DriveOneModeOne", 1, 1.0f, 1.0f},
                                           MixCase{"DriveOneQuietInput", 0, 1.0f, 0.1f},
                                           MixCase{"DriveOneSilentInput", 1, 1.0f, 0.0f},
                                           MixCase{"PartialDrive", 0, 0.8f, 0.7f},
                                           MixCase{"NoRowMode", 2, 1.0f, 1.0f}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ValveProcessor, SilentInputGainMakesOutputIndependentOfInput)
{
    juce::AudioSampleBuffer outputs[2];
    for (int k = 0; k < 2; ++k)
    {
        ValveProcessor vp;
        vp.prepare(44100.0, 64.0);
        vp.setDrive(1.0f);
        vp.inputGain = 0.0f;
        outputs[k].setSize(2, 64);
        fillSignal(outputs[k], k * 1000);
        vp.process(outputs[k]);
    }
    for (int ch = 0; ch < 2; ++ch)
        for (int i = 0; i < 64; ++i)
            ASSERT_EQ(outputs[0].getSample(ch, i), outputs[1].getSample(ch, i));
}

TEST(ValveProcessor, NewBlockLengthReachesWorkBufferAndStage)
{
    ValveProcessor vp;
    vp.prepare(44100.0, 512.0);
    vp.setDrive(0.8f);

    for (int n : {512, 64, 1, 300})
    {
        juce::AudioSampleBuffer io(2, n);
        fillSignal(io, 0);
        vp.process(io);
        EXPECT_EQ(vp.workBuffer.getNumSamples(), n);
        EXPECT_EQ(vp.stage.blockSize, n);
        EXPECT_EQ(vp.stage.lowpassA.getNumSamples(), static_cast<double>(n));
        EXPECT_EQ(vp.stage.exciter.getBlockSize(), n);
    }
}
