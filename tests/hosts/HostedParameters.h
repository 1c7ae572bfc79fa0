#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

// The plug-in's twelve parameters as a host lists them. JUCE's VST3 and LV2 wrappers add a host
// bypass parameter of their own, and LV2 hosts list parameters by URI rather than by index.
class HostedParameters
{
public:
    // The names in index order.
    static const juce::StringArray& names();

    // Everything the host lists, without JUCE's host bypass parameter.
    static juce::Array<juce::AudioProcessorParameter*> listed(const juce::AudioProcessor& processor);

    // The twelve in index order, found by name; empty when one is missing.
    static juce::Array<juce::AudioProcessorParameter*> inIndexOrder(const juce::AudioProcessor& processor);
};
