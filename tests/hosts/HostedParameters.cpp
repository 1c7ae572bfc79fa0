#include "HostedParameters.h"

#include <algorithm>

const juce::StringArray& HostedParameters::names()
{
    static const juce::StringArray all{"Valve Drive",    "Valve Bias", "Valve Input", "Valve Blend",
                                       "Valve Mode",     "Comp Ratio", "Comp Attack", "Comp Recovery",
                                       "Comp Threshold", "Comp Blend", "Output",      "Master Bypass"};
    return all;
}

juce::Array<juce::AudioProcessorParameter*> HostedParameters::listed(const juce::AudioProcessor& processor)
{
    juce::Array<juce::AudioProcessorParameter*> own;

    for (auto* parameter : processor.getParameters())
        if (parameter != processor.getBypassParameter())
            own.add(parameter);

    return own;
}

juce::Array<juce::AudioProcessorParameter*>
HostedParameters::inIndexOrder(const juce::AudioProcessor& processor)
{
    const auto own = listed(processor);
    juce::Array<juce::AudioProcessorParameter*> ordered;

    for (const auto& name : names())
    {
        auto* const* found = std::find_if(
            own.begin(), own.end(), [&](const auto* parameter) { return parameter->getName(1024) == name; });

        if (found == own.end())
            return {};

        ordered.add(*found);
    }

    return ordered;
}
