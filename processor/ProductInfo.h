#pragma once

#include <juce_core/juce_core.h>

// Names the product's folders and answers where its presets live.
class ProductInfo
{
public:
    ProductInfo();

    // Full path of the preset folder, creating whatever level of it is missing; "" when the
    // product folder is still not a folder afterwards.
    juce::String getPresetDirectory() const;

    static juce::String getPresetFileExtension();

    const juce::String productName;
    const juce::String companyName;
};
