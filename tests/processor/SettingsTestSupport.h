#pragma once

#include "FloatParameter.h"
#include "VornAudioProcessor.h"

#include <array>
#include <cmath>
#include <cstring>
#include <string>

// Helpers shared by the state chunk and preset file tests.
namespace settings_test
{
constexpr int kCount = FloatParameter::numParameters;

const char* const kAttributeNames[kCount] = {"ValveDrive",    "ValveBias", "ValveInput", "ValveBlend",
                                             "ValveMode",     "CompRatio", "CompAttack", "CompRecovery",
                                             "CompThreshold", "CompBlend", "Output",     "MasterBypass"};

using Values = std::array<float, kCount>;

// Two settings that differ in every parameter (and in "Valve Mode"'s mode).
const Values kBefore = {0.11f, 0.12f, 0.13f, 0.14f, 0.3f, 0.16f, 0.17f, 0.18f, 0.19f, 0.2f, 0.21f, 1.0f};
const Values kAfter = {0.61f, 0.62f, 0.63f, 0.64f, 0.7f, 0.66f, 0.67f, 0.68f, 0.69f, 0.7f, 0.71f, 0.9f};

struct Snapshot
{
    Values values;
    juce::String presetName;
    bool suspended;
};

inline Values valuesOf(VornAudioProcessor& processor)
{
    Values values{};
    for (int i = 0; i < kCount; ++i)
        values[(size_t)i] = processor.getParameters()[i]->getValue();
    return values;
}

inline Snapshot snapshotOf(VornAudioProcessor& processor)
{
    return {valuesOf(processor), processor.currentPresetName, processor.isSuspended()};
}

inline void setValues(VornAudioProcessor& processor, const Values& values)
{
    for (int i = 0; i < kCount; ++i)
        processor.getParameters()[i]->setValue(values[(size_t)i]);
}

// Bit-exact comparison, so that -0 and 0 or two NaNs are told apart as stored.
inline bool sameValues(const Values& a, const Values& b)
{
    return std::memcmp(a.data(), b.data(), sizeof(float) * a.size()) == 0;
}

inline std::string toString(const juce::MemoryBlock& block)
{
    return std::string(static_cast<const char*>(block.getData()), block.getSize());
}

inline std::string littleEndian(juce::uint32 value)
{
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i)
        bytes[(size_t)i] = (char)((value >> (8 * i)) & 0xff);
    return bytes;
}

// The state chunk envelope around any text, with the stored length it should have.
inline std::string chunkAround(const std::string& text)
{
    return littleEndian(0x21324356) + littleEndian((juce::uint32)text.size()) + text + std::string(1, '\0');
}

inline std::string stateChunkOf(VornAudioProcessor& processor)
{
    juce::MemoryBlock block;
    processor.getStateInformation(block);
    return toString(block);
}

inline void restore(VornAudioProcessor& processor, const std::string& chunk)
{
    processor.setStateInformation(chunk.data(), (int)chunk.size());
}

// The attribute list of the settings element for the given values, as the processor writes it.
inline std::string attributesFor(const Values& values)
{
    std::string text;
    for (int i = 0; i < kCount; ++i)
    {
        char number[64];
        std::snprintf(number, sizeof(number), "%.20g", (double)values[(size_t)i]);
        text += std::string(" ") + kAttributeNames[i] + "=\"" + number + "\"";
    }
    return text;
}
} // namespace settings_test
