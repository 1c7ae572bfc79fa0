// Fuzz target for the two roads by which outside bytes reach the settings: the host's state chunk
// and preset files. The first input byte picks the road and whether the rest stands for itself or
// for edits of a valid chunk or preset file, so that nearly valid input is common.
//
// After every input, processing must be resumed, every parameter must hold a finite value (they
// start finite, and a restore only ever sets finite values), and the chunk the processor writes
// then must restore a second processor to exactly that chunk.

#include "FloatParameter.h"
#include "VornAudioProcessor.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace
{
enum Mode
{
    rawChunk,
    textInChunk,
    rawPresetFile,
    editedChunk,
    editedPresetFile,
    numModes
};

struct Harness
{
    Harness()
        : presetFile(juce::File::getSpecialLocation(juce::File::tempDirectory)
                         .getChildFile("vorn-state-fuzz-" + juce::String(getpid()) + ".atp"))
    {
        const float values[FloatParameter::numParameters] = {0.1f,  0.5f,  0.25f, 1.0f, 1.0f,  0.3f,
                                                             0.45f, 0.05f, 0.7f,  0.2f, 0.75f, 0.0f};
        for (int i = 0; i < FloatParameter::numParameters; ++i)
            processor.getParameters()[i]->setValue(values[i]);
        processor.currentPresetName = "Fuzz & \"Seed\"";

        juce::MemoryBlock block;
        processor.getStateInformation(block);
        validChunk.assign(static_cast<const char*>(block.getData()), block.getSize());

        if (processor.savePreset(presetFile).failed())
            std::abort();
        validPresetText = presetFile.loadFileAsString().toStdString();
    }

    ~Harness() { presetFile.deleteFile(); }

    void loadPresetText(const std::string& text)
    {
        if (!presetFile.replaceWithData(text.data(), text.size()))
            std::abort();
        processor.loadPreset(presetFile.getFullPathName());
    }

    void restoreChunk(const std::string& chunk)
    {
        // Hosts never pass an empty chunk.
        if (!chunk.empty())
            processor.setStateInformation(chunk.data(), static_cast<int>(chunk.size()));
    }

    void check()
    {
        if (processor.isSuspended())
        {
            std::fprintf(stderr, "processing left suspended\n");
            std::abort();
        }

        for (auto* parameter : processor.getParameters())
        {
            if (!std::isfinite(parameter->getValue()))
            {
                std::fprintf(stderr, "parameter %d is not finite\n", parameter->getParameterIndex());
                std::abort();
            }
        }

        juce::MemoryBlock written, rewritten;
        processor.getStateInformation(written);
        mirror.setStateInformation(written.getData(), static_cast<int>(written.getSize()));
        mirror.getStateInformation(rewritten);

        if (written != rewritten)
        {
            std::fprintf(stderr, "a written chunk does not restore: %s\n", written.toString().toRawUTF8());
            std::abort();
        }
    }

    VornAudioProcessor processor;
    VornAudioProcessor mirror;
    juce::File presetFile;
    std::string validChunk;
    std::string validPresetText;
};

// Each group of four bytes is one edit: operation, position (low and high byte), value.
std::string applyEdits(std::string text, const uint8_t* edits, size_t size)
{
    for (size_t i = 0; i + 3 < size; i += 4)
    {
        const size_t position = static_cast<size_t>(edits[i + 1] | (edits[i + 2] << 8));
        const char value = static_cast<char>(edits[i + 3]);

        switch (edits[i] % 4)
        {
        case 0:
            if (!text.empty())
                text[position % text.size()] = value;
            break;
        case 1:
            text.insert(position % (text.size() + 1), 1, value);
            break;
        case 2:
            if (!text.empty())
                text.erase(position % text.size(), 1);
            break;
        default:
            text.resize(position % (text.size() + 1));
            break;
        }
    }

    return text;
}

std::string littleEndian(uint32_t value)
{
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i)
        bytes[static_cast<size_t>(i)] = static_cast<char>((value >> (8 * i)) & 0xff);
    return bytes;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static Harness harness;

    if (size == 0)
        return 0;

    const auto* rest = data + 1;
    const size_t restSize = size - 1;
    const std::string restText(reinterpret_cast<const char*>(rest), restSize);

    switch (data[0] % numModes)
    {
    case rawChunk:
        harness.restoreChunk(restText);
        break;
    case textInChunk:
        harness.restoreChunk(littleEndian(0x21324356) + littleEndian(static_cast<uint32_t>(restSize)) +
                             restText + std::string(1, '\0'));
        break;
    case rawPresetFile:
        harness.loadPresetText(restText);
        break;
    case editedChunk:
        harness.restoreChunk(applyEdits(harness.validChunk, rest, restSize));
        break;
    default:
        harness.loadPresetText(applyEdits(harness.validPresetText, rest, restSize));
        break;
    }

    harness.check();
    return 0;
}
