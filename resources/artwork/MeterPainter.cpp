#include "MeterPainter.h"

#include "ArtworkGeometry.h"
#include "Lettering.h"

namespace artwork
{
namespace
{
const juce::Colour ink(0xff1c1a16);
const juce::Colour redInk(0xffb3241a);

juce::Path needlePath(double angleDegrees)
{
    const double a = juce::degreesToRadians(angleDegrees);
    const float s = float(std::sin(a)), c = float(std::cos(a));
    const float px = float(meterPivotX), py = float(meterPivotY);
    const float inner = float(meterHoodRadius) - 2.0f, outer = float(meterNeedleOuter);
    // Perpendicular to the needle.
    const float nx = c, ny = s;
    constexpr float rootHalfWidth = 1.0f, tipHalfWidth = 0.45f;
    juce::Path path;
    path.startNewSubPath(px + inner * s - nx * rootHalfWidth, py - inner * c - ny * rootHalfWidth);
    path.lineTo(px + outer * s - nx * tipHalfWidth, py - outer * c - ny * tipHalfWidth);
    path.lineTo(px + outer * s + nx * tipHalfWidth, py - outer * c + ny * tipHalfWidth);
    path.lineTo(px + inner * s + nx * rootHalfWidth, py - inner * c + ny * rootHalfWidth);
    path.closeSubPath();
    return path;
}
} // namespace

MeterPainter::MeterPainter(const ArtworkFonts& f) : fonts(f)
{
}

void MeterPainter::paintFace(juce::Graphics& g) const
{
    const Box w = meterWindow;
    const auto window = juce::Rectangle<float>(float(w.x), float(w.y), float(w.w), float(w.h));

    // Bezel: a black frame standing off the panel, bevelled towards the light, around a recess.
    const auto outer = window.expanded(7.0f);
    juce::Path bezel;
    bezel.addRoundedRectangle(outer, 5.0f);
    juce::DropShadow(juce::Colour(0xa0000000), 6, {2, 3}).drawForPath(g, bezel);
    g.setGradientFill(juce::ColourGradient(juce::Colour(0xff3a3c40), outer.getX(), outer.getY(),
                                           juce::Colour(0xff111214), outer.getRight(), outer.getBottom(),
                                           false));
    g.fillPath(bezel);
    g.setColour(juce::Colour(0x40ffffff));
    g.drawRoundedRectangle(outer.reduced(0.5f), 4.5f, 1.0f);

    // The face, warm and lit from behind, darker towards its corners.
    g.saveState();
    g.reduceClipRegion(w.x, w.y, w.w, w.h);
    g.setGradientFill(juce::ColourGradient(juce::Colour(0xfff7efd2), window.getCentreX(),
                                           window.getY() + 30.0f, juce::Colour(0xffd9c99a), window.getX(),
                                           window.getBottom(), true));
    g.fillRect(window);

    const float px = w.x + float(meterPivotX), py = w.y + float(meterPivotY);

    // Scale: the arc, the red end beyond 20 dB, ticks at the frames the needle shows for each
    // amount of reduction.
    const auto arcAngle = [](double frame) { return juce::degreesToRadians(meterNeedleAngle(frame)); };
    const float r = float(meterTickInner);
    juce::Path arc;
    arc.addCentredArc(px, py, r, r, 0.0f, float(arcAngle(0.0)), float(arcAngle(meterFrameForReduction(20.0))),
                      true);
    g.setColour(ink);
    g.strokePath(arc, juce::PathStrokeType(1.1f));
    juce::Path redArc;
    redArc.addCentredArc(px, py, r + 1.5f, r + 1.5f, 0.0f, float(arcAngle(meterFrameForReduction(20.0))),
                         float(arcAngle(meterFrames - 1)), true);
    g.setColour(redInk);
    g.strokePath(redArc, juce::PathStrokeType(4.0f));

    const auto labelFont = fonts.font(ArtworkFonts::Face::condensedBold, 6.0f);
    for (double reduction = 0.0; reduction <= 20.0; reduction += 2.0)
    {
        const bool major = std::fmod(reduction, 4.0) == 0.0;
        const double angle = meterNeedleAngle(meterFrameForReduction(reduction));
        g.setColour(ink);
        lettering::drawTick(g, px, py, angle, meterTickInner - 0.5,
                            major ? meterTickMajorOuter : meterTickMinorOuter, major ? 1.4f : 1.0f);
        if (major)
            lettering::drawRadial(g, labelFont, juce::String(int(reduction)), px, py, angle, meterLabelGap);
    }
    g.setColour(redInk);
    lettering::drawTick(g, px, py, meterSweepEnd, meterTickInner - 0.5, meterTickMajorOuter, 1.4f);

    g.setColour(ink);
    lettering::drawOnBaseline(g, fonts.font(ArtworkFonts::Face::condensedBold, 6.0f), "GAIN REDUCTION (DB)",
                              window.getCentreX(), w.y + 55);

    // The hood over the pivot: a black dome, lit from the top left.
    const float hood = float(meterHoodRadius);
    juce::Path dome;
    dome.addEllipse(px - hood, py - hood, hood * 2.0f, hood * 2.0f);
    juce::DropShadow(juce::Colour(0x70000000), 4, {1, -1}).drawForPath(g, dome);
    g.setGradientFill(juce::ColourGradient(juce::Colour(0xff5a5d62), px - hood * 0.45f, py - hood * 0.8f,
                                           juce::Colour(0xff0c0d0e), px + hood * 0.3f, py + hood * 0.2f,
                                           true));
    g.fillPath(dome);

    juce::Path glare;
    glare.startNewSubPath(window.getX(), window.getY());
    glare.lineTo(window.getX() + 70.0f, window.getY());
    glare.lineTo(window.getX(), window.getY() + 40.0f);
    glare.closeSubPath();
    g.setGradientFill(juce::ColourGradient(juce::Colour(0x38ffffff), window.getX(), window.getY(),
                                           juce::Colour(0x00ffffff), window.getX() + 30.0f,
                                           window.getY() + 25.0f, false));
    g.fillPath(glare);

    // Inner shadow of the recess: the top and left edges lie in the bezel's shadow.
    g.setGradientFill(juce::ColourGradient(juce::Colour(0x90000000), window.getX(), window.getY(),
                                           juce::Colour(0x00000000), window.getX(), window.getY() + 6.0f,
                                           false));
    g.fillRect(window.withHeight(6.0f));
    g.setGradientFill(juce::ColourGradient(juce::Colour(0x70000000), window.getX(), window.getY(),
                                           juce::Colour(0x00000000), window.getX() + 5.0f, window.getY(),
                                           false));
    g.fillRect(window.withWidth(5.0f));
    g.restoreState();
}

juce::Image MeterPainter::renderNeedleStrip() const
{
    const Box w = meterWindow;
    juce::Image strip(juce::Image::ARGB, w.w, w.h * meterFrames, true);
    juce::Graphics g(strip);
    for (int frame = 0; frame < meterFrames; ++frame)
    {
        g.saveState();
        g.reduceClipRegion(0, frame * w.h, w.w, w.h);
        g.setOrigin(0, frame * w.h);
        const juce::Path needle = needlePath(meterNeedleAngle(frame));
        // The needle floats above the face; its shadow falls down and to the right.
        g.setColour(juce::Colour(0x38000000));
        g.fillPath(needle, juce::AffineTransform::translation(1.6f, 2.2f));
        g.setColour(juce::Colour(0xff141414));
        g.fillPath(needle);
        g.restoreState();
    }
    return strip;
}

} // namespace artwork
