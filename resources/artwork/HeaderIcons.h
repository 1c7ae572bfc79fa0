#pragma once

#include <juce_graphics/juce_graphics.h>

#include "ArtworkGeometry.h"

namespace artwork::icons
{
enum class Style
{
    resting, // printed on the background: dim grey, seen while a button is held or bypassed
    raised,  // the button's own image: lighter, standing off the panel
    lit,     // the bypass button while processing: a red lamp
};

// Each draws into the box of its button, in the image's coordinates.
void drawArrow(juce::Graphics& g, const Box& box, bool pointsLeft, Style style);
void drawFloppy(juce::Graphics& g, const Box& box, Style style);
void drawPower(juce::Graphics& g, const Box& box, Style style);

} // namespace artwork::icons
