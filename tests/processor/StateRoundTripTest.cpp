#include <gtest/gtest.h>

#include "SettingsTestSupport.h"

#include <cmath>
#include <cstring>
#include <iterator>
#include <limits>

using namespace settings_test;

namespace
{
// Host values in [0, 1] most of the time; any finite float otherwise, since hosts and older chunks
// can carry anything, and its text must still bring back the same bits.
float randomValue(juce::Random& random)
{
    switch (random.nextInt(4))
    {
    case 0:
    {
        for (;;)
        {
            const auto bits = (juce::uint32)random.nextInt();
            float value;
            std::memcpy(&value, &bits, sizeof(value));
            if (std::isfinite(value))
                return value;
        }
    }
    case 1:
        return random.nextBool() ? 0.0f : 1.0f;
    default:
        return random.nextFloat();
    }
}

Values randomValues(juce::Random& random)
{
    Values values{};
    for (auto& value : values)
        value = randomValue(random);
    return values;
}

juce::String randomName(juce::Random& random)
{
    static const juce::String characters = "abcXYZ 09_-.&<>\"'\xc3\xa9";
    juce::String name;
    for (int i = random.nextInt(12); i > 0; --i)
        name += characters.substring(random.nextInt(characters.length())).substring(0, 1);
    return name;
}

TEST(StateRoundTrip, RandomSettingsComeBackExactlyAndSaveToTheSameChunk)
{
    constexpr juce::int64 seed = 20240612;
    juce::Random random(seed);
    VornAudioProcessor processor;

    for (int round = 0; round < 300; ++round)
    {
        SCOPED_TRACE("seed " + std::to_string(seed) + ", round " + std::to_string(round));
        const auto saved = randomValues(random);
        const auto savedName = randomName(random);
        setValues(processor, saved);
        processor.currentPresetName = savedName;
        const auto chunk = stateChunkOf(processor);

        setValues(processor, randomValues(random));
        processor.currentPresetName = randomName(random);
        restore(processor, chunk);

        const auto restored = valuesOf(processor);
        for (int i = 0; i < kCount; ++i)
            ASSERT_EQ(std::memcmp(&restored[(size_t)i], &saved[(size_t)i], sizeof(float)), 0)
                << kAttributeNames[i] << ": saved " << saved[(size_t)i] << ", restored "
                << restored[(size_t)i];
        ASSERT_EQ(processor.currentPresetName, savedName);
        ASSERT_EQ(stateChunkOf(processor), chunk);
        ASSERT_FALSE(processor.isSuspended());
    }
}

// Any Unicode character, with the ones XML 1.0 leaves out and those at the ends of its ranges
// drawn far more often than their share.
juce::juce_wchar randomCharacter(juce::Random& random)
{
    static const juce::juce_wchar edges[] = {0x7f,   0x80,   0xd7ff,  0xe000,  0xfdd0,   0xfffd,
                                             0xfffe, 0xffff, 0x10000, 0x1ffff, 0x10fffe, 0x10ffff};
    switch (random.nextInt(4))
    {
    case 0:
        return (juce::juce_wchar)(1 + random.nextInt(0x1f));
    case 1:
        return edges[random.nextInt((int)std::size(edges))];
    case 2:
        return (juce::juce_wchar)(0x20 + random.nextInt(0x5f));
    default:
        for (;;)
        {
            const auto c = (juce::juce_wchar)(1 + random.nextInt(0x10ffff));
            if (c < 0xd800 || c > 0xdfff)
                return c;
        }
    }
}

TEST(StateRoundTrip, NamesOfAnyCharactersComeBackExactly)
{
    constexpr juce::int64 seed = 20261211;
    juce::Random random(seed);
    VornAudioProcessor source, target;

    for (int round = 0; round < 2000; ++round)
    {
        SCOPED_TRACE("seed " + std::to_string(seed) + ", round " + std::to_string(round));
        juce::String name;
        for (int i = random.nextInt(16); i > 0; --i)
            name += juce::String::charToString(randomCharacter(random));
        source.currentPresetName = name;
        const auto chunk = stateChunkOf(source);

        target.currentPresetName = "elsewhere";
        restore(target, chunk);
        ASSERT_EQ(target.currentPresetName, name) << chunk;
        ASSERT_EQ(stateChunkOf(target), chunk);
    }
}
} // namespace
