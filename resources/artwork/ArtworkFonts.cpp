#include "ArtworkFonts.h"

namespace artwork
{
namespace
{
constexpr const char* fontFiles[] = {
    "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
    "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf",
    "/usr/share/fonts/truetype/dejavu/DejaVuSansCondensed.ttf",
    "/usr/share/fonts/truetype/dejavu/DejaVuSansCondensed-Bold.ttf",
    "/usr/share/fonts/truetype/liberation2/LiberationSans-Bold.ttf",
};
} // namespace

ArtworkFonts::ArtworkFonts()
{
    for (size_t i = 0; i < faces.size(); ++i)
        faces[i] = load(fontFiles[i]);
}

ArtworkFonts::Loaded ArtworkFonts::load(const char* path)
{
    juce::MemoryBlock data;
    Loaded loaded;
    if (!juce::File(path).loadFileAsData(data) || data.getSize() == 0)
    {
        missing.add(path);
        return loaded;
    }

    loaded.typeface = juce::Typeface::createSystemTypefaceFor(data.getData(), data.getSize());

    // Measure the ink of a capital H once, to size fonts by their cap height.
    constexpr float probeHeight = 100.0f;
    juce::GlyphArrangement glyphs;
    glyphs.addLineOfText(juce::Font(loaded.typeface).withHeight(probeHeight), "H", 0.0f, 0.0f);
    juce::Path outline;
    glyphs.createPath(outline);
    loaded.capHeightPerUnitHeight = outline.getBounds().getHeight() / probeHeight;
    return loaded;
}

juce::Font ArtworkFonts::font(Face face, float capHeight) const
{
    const auto& loaded = faces[static_cast<size_t>(face)];
    jassert(loaded.typeface != nullptr);
    return juce::Font(loaded.typeface).withHeight(capHeight / loaded.capHeightPerUnitHeight);
}

} // namespace artwork
