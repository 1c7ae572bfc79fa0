#include "HeaderIcons.h"

namespace artwork::icons
{
namespace
{
juce::Rectangle<float> areaOf(const Box& box)
{
    return {float(box.x), float(box.y), float(box.w), float(box.h)};
}

// Fills a raised or resting shape with the panel's light: highlights up and to the left.
void fillShape(juce::Graphics& g, const juce::Path& shape, Style style)
{
    const auto bounds = shape.getBounds();
    if (style == Style::resting)
    {
        // Engraved in the rail: flat grey with a dark lip along its upper edge.
        g.setColour(juce::Colour(0x30000000));
        g.fillPath(shape, juce::AffineTransform::translation(0.0f, -0.7f));
        g.setColour(juce::Colour(0xff55585d));
        g.fillPath(shape);
        return;
    }

    juce::DropShadow(juce::Colour(0xb0000000), 2, {0, 1}).drawForPath(g, shape);
    if (style == Style::raised)
    {
        g.setGradientFill(juce::ColourGradient(juce::Colour(0xffd6d8dc), bounds.getX(), bounds.getY(),
                                               juce::Colour(0xff8a8d93), bounds.getX(), bounds.getBottom(),
                                               false));
        g.fillPath(shape);
        g.setColour(juce::Colour(0x80ffffff));
        g.strokePath(shape, juce::PathStrokeType(0.6f));
        return;
    }

    // Lit: the glow first, then the lamp's face.
    juce::DropShadow(juce::Colour(0xa0ff2a14), 6, {0, 0}).drawForPath(g, shape);
    g.setGradientFill(juce::ColourGradient(juce::Colour(0xffff8a70), bounds.getX(), bounds.getY(),
                                           juce::Colour(0xffd01c0c), bounds.getX(), bounds.getBottom(),
                                           false));
    g.fillPath(shape);
}
} // namespace

void drawArrow(juce::Graphics& g, const Box& box, bool pointsLeft, Style style)
{
    const auto area = areaOf(box);
    const float cx = area.getCentreX(), cy = area.getCentreY();
    const float tip = pointsLeft ? cx - 4.0f : cx + 4.0f;
    const float base = pointsLeft ? cx + 3.5f : cx - 3.5f;
    juce::Path triangle;
    triangle.addTriangle(tip, cy, base, cy - 5.5f, base, cy + 5.5f);
    fillShape(g, triangle.createPathWithRoundedCorners(1.2f), style);
}

void drawFloppy(juce::Graphics& g, const Box& box, Style style)
{
    const auto area = areaOf(box);
    const auto frame = area.reduced(3.5f, 3.5f);

    // The square frame of the button.
    juce::Path framePath;
    framePath.addRoundedRectangle(frame, 3.0f);
    juce::Path frameStroke;
    juce::PathStrokeType(1.2f).createStrokedPath(frameStroke, framePath);

    // The disk: body with a clipped corner, a shutter with its window, and a label.
    const auto body = juce::Rectangle<float>(0, 0, 12.0f, 12.0f).withCentre(frame.getCentre());
    juce::Path disk;
    disk.startNewSubPath(body.getX(), body.getY());
    disk.lineTo(body.getRight() - 2.5f, body.getY());
    disk.lineTo(body.getRight(), body.getY() + 2.5f);
    disk.lineTo(body.getRight(), body.getBottom());
    disk.lineTo(body.getX(), body.getBottom());
    disk.closeSubPath();
    disk = disk.createPathWithRoundedCorners(1.0f);
    // Even-odd filling cuts the shutter and the label out of the body; the shutter's window is
    // cut out of the shutter in turn.
    disk.setUsingNonZeroWinding(false);
    disk.addRectangle(body.getX() + 3.0f, body.getY(), 5.5f, 4.0f);
    disk.addRectangle(body.getX() + 6.5f, body.getY() + 0.9f, 1.2f, 2.2f);
    disk.addRoundedRectangle(body.getX() + 2.0f, body.getY() + 6.5f, 8.0f, 5.5f, 0.8f);

    juce::Path icon(frameStroke);
    icon.setUsingNonZeroWinding(false);
    icon.addPath(disk);
    fillShape(g, icon, style);
}

void drawPower(juce::Graphics& g, const Box& box, Style style)
{
    const auto area = areaOf(box);
    const float cx = area.getCentreX(), cy = area.getCentreY() + 0.5f;
    constexpr float radius = 6.5f;
    constexpr float gap = 0.75f; // half the opening at the top, radians

    juce::Path symbol;
    symbol.addCentredArc(cx, cy, radius, radius, 0.0f, gap, juce::MathConstants<float>::twoPi - gap, true);
    symbol.startNewSubPath(cx, cy - radius - 1.8f);
    symbol.lineTo(cx, cy - 1.5f);
    juce::Path stroked;
    juce::PathStrokeType(2.1f, juce::PathStrokeType::curved, juce::PathStrokeType::rounded)
        .createStrokedPath(stroked, symbol);
    fillShape(g, stroked, style);
}

} // namespace artwork::icons
