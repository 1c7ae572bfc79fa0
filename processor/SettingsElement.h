#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

#include <memory>

class VornAudioProcessor;

// The one XML element that holds the processor's settings, and its two containers: the state
// chunk that hosts keep in their projects and the preset files.
class SettingsElement
{
public:
    // The plug-in name without spaces, then "_SETTINGS".
    static juce::String getTag(const juce::AudioProcessor& processor);

    // One attribute per parameter in index order, then "Preset" when asked for.
    static std::unique_ptr<juce::XmlElement> create(VornAudioProcessor& processor, bool withPresetName);

    // Sets each parameter whose name the attribute at its own position carries; with the preset
    // name, also takes "Preset" ("" when missing).
    static void restore(VornAudioProcessor& processor, const juce::XmlElement& element, bool withPresetName);

    // Up to 20 significant digits, so that every float comes back exactly; C locale.
    static juce::String formatValue(double value);

    // A value read from a text that is not a finite number within float range becomes 0.
    static float toParameterValue(double value);

    // Magic number, text length, the element on one line without declaration, a zero byte.
    static void writeStateChunk(const juce::XmlElement& element, juce::MemoryBlock& destData);

    // nullptr unless the chunk has the magic number and a stored length above 0, and its text (the
    // smaller of that length and the bytes present, up to a zero byte) is well-formed.
    static std::unique_ptr<juce::XmlElement> readStateChunk(const void* data, int sizeInBytes);

    // Declaration, empty line, attributes wrapped after 60 columns, CR LF. The text goes to a
    // hidden temporary file beside the target, which then replaces the target, so an existing
    // preset is never left half-written.
    static juce::Result writePresetFile(const juce::XmlElement& element, const juce::File& file);

    // nullptr unless path names a readable file of well-formed UTF-8 XML.
    static std::unique_ptr<juce::XmlElement> readPresetFile(const juce::String& path);

    static constexpr juce::uint32 stateChunkMagic = 0x21324356;

    // Preset files are far smaller; anything bigger is not one.
    static constexpr juce::int64 maxPresetFileBytes = 1 << 20;
};
