#pragma once

#include <juce_graphics/juce_graphics.h>

namespace artwork::lettering
{
// The ink of the text laid out from the origin on a baseline at y = 0.
juce::Rectangle<float> inkBounds(const juce::Font& font, const juce::String& text);

// Draws the text with its ink centred on (cx, cy). The baseline and the start of the line fall on
// whole pixels, which keeps small print sharp.
void drawCentredAt(juce::Graphics& g, const juce::Font& font, const juce::String& text, float cx, float cy);

// Draws the text centred on cx, on a baseline at the whole pixel row baselineY.
void drawOnBaseline(juce::Graphics& g, const juce::Font& font, const juce::String& text, float cx,
                    int baselineY);

// Draws a scale number outside a circle: the nearest point of its ink box lies gap pixels from
// (cx, cy) in the direction angleDegrees, clockwise from 12 o'clock.
void drawRadial(juce::Graphics& g, const juce::Font& font, const juce::String& text, float cx, float cy,
                double angleDegrees, double gap);

// A tick mark along the radius at angleDegrees, from inner to outer.
void drawTick(juce::Graphics& g, float cx, float cy, double angleDegrees, double inner, double outer,
              float thickness);

} // namespace artwork::lettering
