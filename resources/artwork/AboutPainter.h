#pragma once

#include <juce_graphics/juce_graphics.h>

#include "ArtworkFonts.h"

namespace artwork
{
// The About overlay: the whole editor dimmed by half, and an opaque panel with the product logo,
// the credits, the version and where to get help.
class AboutPainter
{
public:
    explicit AboutPainter(const ArtworkFonts& fonts);

    juce::Image render() const;

private:
    const ArtworkFonts& fonts;
};

} // namespace artwork
