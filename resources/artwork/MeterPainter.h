#pragma once

#include <juce_graphics/juce_graphics.h>

#include "ArtworkFonts.h"

namespace artwork
{
// The gain-reduction meter: its lit face with the printed scale, drawn into the background, and
// the needle's film strip, which the editor lays over the face.
class MeterPainter
{
public:
    explicit MeterPainter(const ArtworkFonts& fonts);

    // The bezel, the face and the hood over the pivot, in the background's coordinates.
    void paintFace(juce::Graphics& g) const;

    // 51 frames of 160 x 80: the needle and its shadow on transparent.
    juce::Image renderNeedleStrip() const;

private:
    const ArtworkFonts& fonts;
};

} // namespace artwork
