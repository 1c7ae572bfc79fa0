#pragma once

#include <array>

#include <juce_graphics/juce_graphics.h>

namespace artwork
{
// The typefaces of the artwork, read from the files of Debian's font packages so that the drawing
// never depends on which fonts a machine has installed.
class ArtworkFonts
{
public:
    enum class Face
    {
        sans,
        sansBold,
        condensed,
        condensedBold,
        logo,
    };

    ArtworkFonts();

    // Empty when every file was read; otherwise the paths that could not be.
    juce::StringArray missingFiles() const { return missing; }

    // A font whose capital letters are capHeight pixels tall.
    juce::Font font(Face face, float capHeight) const;

private:
    struct Loaded
    {
        juce::Typeface::Ptr typeface;
        float capHeightPerUnitHeight = 0.7f;
    };

    Loaded load(const char* path);

    std::array<Loaded, 5> faces;
    juce::StringArray missing;
};

} // namespace artwork
