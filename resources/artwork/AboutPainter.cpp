#include "AboutPainter.h"

#include "ArtworkGeometry.h"
#include "Lettering.h"
#include "LogoPainter.h"

namespace artwork
{
AboutPainter::AboutPainter(const ArtworkFonts& f) : fonts(f)
{
}

juce::Image AboutPainter::render() const
{
    juce::Image image(juce::Image::ARGB, editorWidth, editorHeight, false);
    image.clear(image.getBounds(), juce::Colour::fromRGBA(0, 0, 0, juce::uint8(aboutShadeAlpha)));

    juce::Graphics g(image);
    const Box p = aboutPanel;
    const auto panel = juce::Rectangle<float>(float(p.x), float(p.y), float(p.w), float(p.h));

    // Everything inside the panel is drawn over an opaque fill, so its alpha stays whole.
    g.setGradientFill(juce::ColourGradient(juce::Colour(0xff17181a), 0.0f, panel.getY(),
                                           juce::Colour(0xff050506), 0.0f, panel.getBottom(), false));
    g.fillRect(p.x, p.y, p.w, p.h);
    g.setColour(juce::Colour(0xff3a3c40));
    g.drawRect(p.x, p.y, p.w, p.h, 1);
    g.setColour(juce::Colour(0xff0c0c0d));
    g.drawRect(p.x + 1, p.y + 1, p.w - 2, p.h - 2, 1);
    g.setColour(juce::Colour(0xff26282b));
    g.drawRect(p.x + 5, p.y + 5, p.w - 10, p.h - 10, 1);

    const float cx = panel.getCentreX();
    const auto logo = LogoPainter(fonts).drawProductLogo(g, cx, float(p.y + 72), 34.0f);

    const auto small = fonts.font(ArtworkFonts::Face::condensedBold, 6.0f).withExtraKerningFactor(0.25f);
    g.setColour(juce::Colour(0xffb8b2a0));
    lettering::drawOnBaseline(g, small, "VALVE STAGE  AND  STEREO-LINKED COMPRESSOR", cx,
                              int(logo.getBottom()) + 16);

    g.setColour(juce::Colour(0xff3a3c40));
    g.fillRect(cx - 80.0f, float(p.y + 112), 160.0f, 1.0f);

    const auto text = fonts.font(ArtworkFonts::Face::sans, 8.0f);
    const auto bold = fonts.font(ArtworkFonts::Face::sansBold, 8.0f);
    g.setColour(juce::Colours::white);
    lettering::drawOnBaseline(g, bold, "Version 1.0.1", cx, p.y + 132);
    g.setColour(juce::Colour(0xffe8e4d8));
    lettering::drawOnBaseline(g, text, "Designed and built by Mordax", cx, p.y + 152);
    lettering::drawOnBaseline(g, text, "Support: support@mordax-audio.example.com", cx, p.y + 170);

    const auto hint = fonts.font(ArtworkFonts::Face::sans, 6.0f);
    g.setColour(juce::Colour(0xff8d8a80));
    lettering::drawOnBaseline(g, hint, "Click anywhere to close", cx, p.y + p.h - 16);
    return image;
}

} // namespace artwork
