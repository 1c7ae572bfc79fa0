#include "LogoPainter.h"

#include "Lettering.h"

namespace artwork
{
namespace
{
// Fills text outlines as polished metal: bright at the top, a dark horizon in the middle.
void fillChrome(juce::Graphics& g, const juce::Path& letters)
{
    const auto b = letters.getBounds();
    juce::ColourGradient chrome(juce::Colour(0xfff4f5f7), 0.0f, b.getY(), juce::Colour(0xffa9adb3), 0.0f,
                                b.getBottom(), false);
    chrome.addColour(0.45, juce::Colour(0xffc9ccd1));
    chrome.addColour(0.52, juce::Colour(0xff80848b));
    chrome.addColour(0.7, juce::Colour(0xffd4d7db));
    g.setGradientFill(chrome);
    g.fillPath(letters);
}

juce::Path textPath(const juce::Font& font, const juce::String& text, float x, float baseline)
{
    juce::GlyphArrangement glyphs;
    glyphs.addLineOfText(font, text, x, baseline);
    juce::Path path;
    glyphs.createPath(path);
    return path;
}
} // namespace

LogoPainter::LogoPainter(const ArtworkFonts& f) : fonts(f)
{
}

void LogoPainter::drawMakerLogo(juce::Graphics& g, juce::Rectangle<float> strip) const
{
    // The mark: a jaw of three fangs in a chrome ring, on a deep red enamel disc.
    const float cx = strip.getX() + 27.0f, cy = strip.getCentreY();
    constexpr float ring = 14.0f;
    juce::Path disc;
    disc.addEllipse(cx - ring, cy - ring, ring * 2.0f, ring * 2.0f);
    juce::DropShadow(juce::Colour(0xc0000000), 4, {1, 2}).drawForPath(g, disc);
    g.setGradientFill(juce::ColourGradient(juce::Colour(0xfff2f3f5), cx - ring, cy - ring,
                                           juce::Colour(0xff55595f), cx + ring, cy + ring, false));
    g.fillPath(disc);
    const float enamel = ring - 2.2f;
    juce::ColourGradient red(juce::Colour(0xffd0281c), cx - 4.0f, cy - 6.0f, juce::Colour(0xff4a0804),
                             cx + enamel, cy + enamel, true);
    g.setGradientFill(red);
    g.fillEllipse(cx - enamel, cy - enamel, enamel * 2.0f, enamel * 2.0f);

    juce::Path jaw;
    const float top = cy - 6.0f;
    jaw.addRoundedRectangle(cx - 8.0f, top - 2.0f, 16.0f, 2.6f, 1.0f);
    jaw.addTriangle(cx - 8.0f, top, cx - 3.2f, top, cx - 5.6f, cy + 6.5f);
    jaw.addTriangle(cx - 2.3f, top, cx + 2.3f, top, cx, cy + 2.5f);
    jaw.addTriangle(cx + 3.2f, top, cx + 8.0f, top, cx + 5.6f, cy + 6.5f);
    g.setColour(juce::Colour(0x70000000));
    g.fillPath(jaw, juce::AffineTransform::translation(0.6f, 0.9f));
    fillChrome(g, jaw);

    // The name, in spaced chrome capitals, and the line under it.
    const auto nameFont = fonts.font(ArtworkFonts::Face::logo, 14.0f).withExtraKerningFactor(0.16f);
    const float nameX = cx + ring + 9.0f;
    const juce::Path name = textPath(nameFont, "MORDAX", nameX, std::round(cy + 3.0f));
    g.setColour(juce::Colour(0xc0000000));
    g.fillPath(name, juce::AffineTransform::translation(0.8f, 1.2f));
    fillChrome(g, name);

    const auto tagFont = fonts.font(ArtworkFonts::Face::condensedBold, 5.0f).withExtraKerningFactor(0.45f);
    const auto nameBounds = name.getBounds();
    g.setColour(juce::Colour(0xff8f9298));
    juce::GlyphArrangement tag;
    tag.addLineOfText(tagFont, "AUDIO ENGINEERING", std::round(nameBounds.getX()), std::round(cy + 13.0f));
    tag.draw(g);
}

juce::Rectangle<float> LogoPainter::drawProductLogo(juce::Graphics& g, float centreX, float baselineY,
                                                    float capHeight) const
{
    const auto font = fonts.font(ArtworkFonts::Face::logo, capHeight).withExtraKerningFactor(0.12f);
    const auto ink = lettering::inkBounds(font, "VORN");
    const float x = std::round(centreX - ink.getCentreX());
    const juce::Path word = textPath(font, "VORN", x, baselineY);

    // Engraved into the panel: a dark lip above, a light one below, then the chrome.
    g.setColour(juce::Colour(0xd0000000));
    g.fillPath(word, juce::AffineTransform::translation(0.0f, -1.0f));
    g.setColour(juce::Colour(0x30ffffff));
    g.fillPath(word, juce::AffineTransform::translation(0.0f, 1.2f));
    fillChrome(g, word);

    // The O glows like a heater seen through the glass of a valve.
    juce::GlyphArrangement glyphs;
    glyphs.addLineOfText(font, "VORN", x, baselineY);
    juce::Path o;
    glyphs.getGlyph(1).createPath(o);
    const auto ob = o.getBounds();
    juce::ColourGradient glow(juce::Colour(0xffffd08a), ob.getCentreX(), ob.getCentreY(),
                              juce::Colour(0x00ff3000), ob.getCentreX() + ob.getWidth() * 0.5f,
                              ob.getCentreY(), true);
    glow.addColour(0.55, juce::Colour(0xffff7a1a));
    glow.addColour(0.8, juce::Colour(0x90e03000));
    g.saveState();
    g.reduceClipRegion(o);
    g.setGradientFill(glow);
    g.fillRect(ob.expanded(2.0f));
    g.restoreState();

    return word.getBounds();
}

} // namespace artwork
