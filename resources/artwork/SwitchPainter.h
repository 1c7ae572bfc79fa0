#pragma once

#include <juce_graphics/juce_graphics.h>

namespace artwork
{
// The "Valve Mode" toggle: a chrome hex nut with a bat lever thrown up or down, on transparent.
class SwitchPainter
{
public:
    static juce::Image render(bool leverDown);

    // The red pilot lamp, drawn into the background centred on (cx, cy).
    static void drawLamp(juce::Graphics& g, float cx, float cy);
};

} // namespace artwork
