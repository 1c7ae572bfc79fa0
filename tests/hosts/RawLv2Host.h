#pragma once

#include <juce_core/juce_core.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

// One instance of the built LV2 plug-in, driven through the bare LV2 interface as a host such as
// Ardour drives it, without JUCE's LV2 host in between (that host takes its parameter values from
// the declared defaults and hides what the plug-in itself sends). Silence in, the notification
// port read after every block.
class RawLv2Host
{
public:
    explicit RawLv2Host(const juce::File& bundle, double sampleRate = 48000.0, int blockSize = 64);
    ~RawLv2Host();

    // Empty once the plug-in is instantiated; else what went wrong.
    const juce::String& error() const { return failure; }

    // Runs one block and returns the parameter values the plug-in sent to the host with it
    // (patch:Set messages on its notification port), by property URI.
    std::map<juce::String, float> runBlock();

    // Restores the state an instance stores through the state interface: the processor's state
    // in JUCE's base-64 form under the plug-in's StateString key.
    bool restore(const juce::MemoryBlock& processorState);

private:
    static uint32_t mapUri(void* handle, const char* uri);
    uint32_t map(const std::string& uri);

    juce::String failure;
    juce::String pluginUri;
    int blockSize;
    std::map<std::string, uint32_t> uridByUri;
    std::vector<std::string> uriByUrid{""};

    void* library = nullptr;
    const struct LV2_Descriptor* descriptor = nullptr;
    void* instance = nullptr;

    std::vector<std::vector<float>> audio;
    std::vector<uint64_t> input;
    std::vector<uint64_t> notifications;
    float latency = 0.0f;
    float freeWheeling = 0.0f;
    float enabled = 1.0f;
};
