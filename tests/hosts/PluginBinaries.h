#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

#include <memory>
#include <ostream>

enum class PluginFormat
{
    vst2,
    vst3,
    lv2
};

void PrintTo(PluginFormat format, std::ostream* os);

// Loads the plug-in binaries of this build tree, and only those, through JUCE's own hosting classes.
class PluginBinaries
{
public:
    static juce::String formatName(PluginFormat format);

    // The built binary or bundle of a format.
    static juce::File location(PluginFormat format);

    // The plug-in URI declared in the built bundle's manifest.ttl, or "" when there is none.
    static juce::String lv2UriFromManifest();

    // Fills in the format's description of the built binary; on failure returns false and sets error.
    bool describe(PluginFormat format, juce::PluginDescription& description, juce::String& error);

    std::unique_ptr<juce::AudioPluginInstance> instantiate(PluginFormat format, double sampleRate,
                                                           int blockSize, juce::String& error);

private:
    juce::AudioPluginFormat& formatFor(PluginFormat format);
    bool findLv2Plugin(juce::PluginDescription& description, juce::String& error);

    juce::VSTPluginFormat vst2Format;
    juce::VST3PluginFormat vst3Format;
    juce::LV2PluginFormat lv2Format;
    bool lv2FolderLoaded = false;
};
