#pragma once

#include <juce_graphics/juce_graphics.h>

#include "ArtworkFonts.h"

namespace artwork
{
// The editor's whole panel: graphite chassis, header with the maker's logo and the preset bar, the
// light valve plate, the compressor's print, the meter's face and the product logo.
class BackgroundPainter
{
public:
    explicit BackgroundPainter(const ArtworkFonts& fonts);

    juce::Image render() const;

private:
    void paintChassis(juce::Image& image) const;
    void paintHeader(juce::Graphics& g) const;
    void paintPresetBar(juce::Graphics& g) const;
    void paintValvePlate(juce::Image& image) const;
    void paintScales(juce::Graphics& g) const;
    void paintValveExtras(juce::Graphics& g) const;
    void paintProductArea(juce::Graphics& g) const;

    const ArtworkFonts& fonts;
};

} // namespace artwork
