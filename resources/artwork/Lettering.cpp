#include "Lettering.h"

namespace artwork::lettering
{
juce::Rectangle<float> inkBounds(const juce::Font& font, const juce::String& text)
{
    juce::GlyphArrangement glyphs;
    glyphs.addLineOfText(font, text, 0.0f, 0.0f);
    juce::Path outline;
    glyphs.createPath(outline);
    return outline.getBounds();
}

static void drawAt(juce::Graphics& g, const juce::Font& font, const juce::String& text, float x,
                   float baseline)
{
    juce::GlyphArrangement glyphs;
    glyphs.addLineOfText(font, text, x, baseline);
    glyphs.draw(g);
}

void drawCentredAt(juce::Graphics& g, const juce::Font& font, const juce::String& text, float cx, float cy)
{
    const auto ink = inkBounds(font, text);
    drawAt(g, font, text, std::round(cx - ink.getCentreX()), std::round(cy - ink.getCentreY()));
}

void drawOnBaseline(juce::Graphics& g, const juce::Font& font, const juce::String& text, float cx,
                    int baselineY)
{
    const auto ink = inkBounds(font, text);
    drawAt(g, font, text, std::round(cx - ink.getCentreX()), float(baselineY));
}

void drawRadial(juce::Graphics& g, const juce::Font& font, const juce::String& text, float cx, float cy,
                double angleDegrees, double gap)
{
    const auto ink = inkBounds(font, text);
    const double a = juce::degreesToRadians(angleDegrees);
    const double s = std::sin(a), c = std::cos(a);
    const double distance = gap + std::abs(ink.getWidth() / 2.0 * s) + std::abs(ink.getHeight() / 2.0 * c);
    drawCentredAt(g, font, text, float(cx + distance * s), float(cy - distance * c));
}

void drawTick(juce::Graphics& g, float cx, float cy, double angleDegrees, double inner, double outer,
              float thickness)
{
    const double a = juce::degreesToRadians(angleDegrees);
    const double s = std::sin(a), c = std::cos(a);
    g.drawLine(juce::Line<float>(float(cx + inner * s), float(cy - inner * c), float(cx + outer * s),
                                 float(cy - outer * c)),
               thickness);
}

} // namespace artwork::lettering
