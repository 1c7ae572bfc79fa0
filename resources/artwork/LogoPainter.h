#pragma once

#include <juce_graphics/juce_graphics.h>

#include "ArtworkFonts.h"

namespace artwork
{
// The maker's logo, "Mordax", and the product's, "VORN".
class LogoPainter
{
public:
    explicit LogoPainter(const ArtworkFonts& fonts);

    // The maker's mark and name, filling the strip at the top left of the editor.
    void drawMakerLogo(juce::Graphics& g, juce::Rectangle<float> strip) const;

    // The product's name in chrome letters, its O a glowing valve heater, centred on centreX with
    // the letters' baseline at baselineY. Returns the ink bounds of the word.
    juce::Rectangle<float> drawProductLogo(juce::Graphics& g, float centreX, float baselineY,
                                           float capHeight) const;

private:
    const ArtworkFonts& fonts;
};

} // namespace artwork
