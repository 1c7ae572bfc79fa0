#include "BackgroundPainter.h"

#include "ArtworkGeometry.h"
#include "HeaderIcons.h"
#include "Lettering.h"
#include "LogoPainter.h"
#include "MeterPainter.h"
#include "Shading.h"
#include "SwitchPainter.h"

namespace artwork
{
namespace
{
constexpr int headerHeight = 40;
const juce::Colour plateInk(0xff24221e);
const juce::Colour panelInk(0xffe8e0c6);

juce::Rectangle<float> toRect(const Box& b)
{
    return {float(b.x), float(b.y), float(b.w), float(b.h)};
}

juce::Colour toColour(const Rgb& c)
{
    return juce::Colour::fromFloatRGBA(float(std::clamp(c.r, 0.0, 1.0)), float(std::clamp(c.g, 0.0, 1.0)),
                                       float(std::clamp(c.b, 0.0, 1.0)), 1.0f);
}

// Brushed grain: streaks along x that change from row to row, plus a little fine noise.
double grain(int x, int y, uint32_t seed)
{
    const double streak = hashNoise(x / 41, y, seed) * 0.6 + hashNoise((x + 19) / 23, y, seed + 1) * 0.4;
    return (streak - 0.5) * 0.8 + (hashNoise(x, y, seed + 2) - 0.5) * 0.2;
}

// A slotted screw head, the slot at slotDegrees.
void drawScrew(juce::Graphics& g, float cx, float cy, float slotDegrees)
{
    constexpr float radius = 4.2f;
    juce::Path head;
    head.addEllipse(cx - radius, cy - radius, radius * 2.0f, radius * 2.0f);
    juce::DropShadow(juce::Colour(0x80000000), 2, {1, 1}).drawForPath(g, head);
    g.setGradientFill(juce::ColourGradient(juce::Colour(0xfff0f1f3), cx - 3.0f, cy - 3.0f,
                                           juce::Colour(0xff5a5e63), cx + 3.0f, cy + 3.0f, false));
    g.fillPath(head);
    g.setColour(juce::Colour(0x90303234));
    g.drawEllipse(cx - radius, cy - radius, radius * 2.0f, radius * 2.0f, 0.5f);
    const auto turn = juce::AffineTransform::rotation(juce::degreesToRadians(slotDegrees), cx, cy);
    juce::Path slot;
    slot.addRectangle(cx - radius + 0.8f, cy - 0.7f, (radius - 0.8f) * 2.0f, 1.4f);
    g.setColour(juce::Colour(0xff2a2c2f));
    g.fillPath(slot, turn);
    // The slot's far wall catches the light.
    juce::Path wall;
    wall.addRectangle(cx - radius + 1.0f, cy + 0.5f, (radius - 1.0f) * 2.0f, 0.5f);
    g.setColour(juce::Colour(0x90ffffff));
    g.fillPath(wall, turn);
}
} // namespace

BackgroundPainter::BackgroundPainter(const ArtworkFonts& f) : fonts(f)
{
}

juce::Image BackgroundPainter::render() const
{
    juce::Image image(juce::Image::ARGB, editorWidth, editorHeight, true);
    paintChassis(image);
    paintValvePlate(image);
    {
        juce::Graphics g(image);
        paintHeader(g);
        paintPresetBar(g);
        paintScales(g);
        paintValveExtras(g);
        MeterPainter(fonts).paintFace(g);
        paintProductArea(g);
    }
    return image;
}

void BackgroundPainter::paintChassis(juce::Image& image) const
{
    juce::Image::BitmapData pixels(image, juce::Image::BitmapData::writeOnly);
    for (int y = 0; y < editorHeight; ++y)
    {
        const bool header = y < headerHeight;
        const double t =
            header ? y / double(headerHeight) : (y - headerHeight) / double(editorHeight - headerHeight);
        const Rgb top = header ? Rgb{0.105, 0.108, 0.118} : Rgb{0.175, 0.178, 0.19};
        const Rgb bottom = header ? Rgb{0.082, 0.084, 0.092} : Rgb{0.128, 0.13, 0.14};
        for (int x = 0; x < editorWidth; ++x)
        {
            // A broad sheen from the top left across the anodised panel.
            const double sheen = header ? 0.0 : 0.03 * std::exp(-std::pow((x + 1.6 * y) / 700.0, 2.0));
            const Rgb c = mix(top, bottom, t) + Rgb{1, 1, 1} * (sheen + grain(x, y, 7u) * 0.018);
            pixels.setPixelColour(x, y, toColour(c));
        }
    }

    // The header is a separate rail: its lower edge drops a shadow onto the panel's top, whose edge
    // catches the light.
    juce::Graphics g(image);
    g.setGradientFill(juce::ColourGradient(juce::Colour(0x90000000), 0.0f, float(headerHeight),
                                           juce::Colour(0x00000000), 0.0f, float(headerHeight + 5), false));
    g.fillRect(0, headerHeight, editorWidth, 5);
    g.setColour(juce::Colour(0xff050506));
    g.fillRect(0, headerHeight - 1, editorWidth, 1);
    g.setColour(juce::Colour(0x16ffffff));
    g.fillRect(0, 0, editorWidth, 1);
    g.setColour(juce::Colour(0x22ffffff));
    g.fillRect(0, headerHeight + 1, editorWidth, 1);
}

void BackgroundPainter::paintHeader(juce::Graphics& g) const
{
    LogoPainter(fonts).drawMakerLogo(g, toRect(hotSpot));
}

void BackgroundPainter::paintPresetBar(juce::Graphics& g) const
{
    // A long slot sunk into the rail: shadowed along its top and left inside, lit along its lower lip.
    const auto box = toRect(presetBox);
    juce::Path slot;
    slot.addRoundedRectangle(box, 4.0f);
    g.setGradientFill(juce::ColourGradient(juce::Colour(0xff050506), 0.0f, box.getY(),
                                           juce::Colour(0xff141518), 0.0f, box.getBottom(), false));
    g.fillPath(slot);
    g.saveState();
    g.reduceClipRegion(slot);
    g.setColour(juce::Colour(0xc0000000));
    g.strokePath(slot, juce::PathStrokeType(3.0f), juce::AffineTransform::translation(1.0f, 1.2f));
    g.restoreState();
    g.setColour(juce::Colour(0x28ffffff));
    g.drawLine(box.getX() + 4.0f, box.getBottom() + 0.5f, box.getRight() - 4.0f, box.getBottom() + 0.5f,
               1.0f);

    // Separators between the arrows and the name.
    for (const float x :
         {float(prevPresetButton.x + prevPresetButton.w) + 1.5f, float(nextPresetButton.x) - 0.5f})
    {
        g.setColour(juce::Colour(0xff000000));
        g.fillRect(x - 0.5f, box.getY() + 4.0f, 1.0f, box.getHeight() - 8.0f);
        g.setColour(juce::Colour(0x14ffffff));
        g.fillRect(x + 0.5f, box.getY() + 4.0f, 1.0f, box.getHeight() - 8.0f);
    }

    icons::drawArrow(g, prevPresetButton, true, icons::Style::resting);
    icons::drawArrow(g, nextPresetButton, false, icons::Style::resting);
    icons::drawFloppy(g, savePresetButton, icons::Style::resting);
    icons::drawPower(g, bypassButton, icons::Style::resting);
}

void BackgroundPainter::paintValvePlate(juce::Image& image) const
{
    const auto plate = toRect(valvePlate);
    juce::Path outline;
    outline.addRoundedRectangle(plate, 5.0f);
    {
        juce::Graphics g(image);
        juce::DropShadow(juce::Colour(0xb0000000), 7, {2, 3}).drawForPath(g, outline);
    }

    // Cream enamel over aluminium: a soft fall-off away from the light and a faint grain.
    juce::Image::BitmapData pixels(image, juce::Image::BitmapData::readWrite);
    for (int y = valvePlate.y; y < valvePlate.y + valvePlate.h; ++y)
        for (int x = valvePlate.x; x < valvePlate.x + valvePlate.w; ++x)
        {
            const double u = (x - valvePlate.x) / double(valvePlate.w),
                         v = (y - valvePlate.y) / double(valvePlate.h);
            const double light = 1.0 - 0.05 * (0.4 * u + 0.6 * v);
            const Rgb base{0.862, 0.842, 0.79};
            const Rgb c = base * light + Rgb{1, 1, 1} * ((hashNoise(x, y, 11u) - 0.5) * 0.012);
            const juce::Colour under = pixels.getPixelColour(x, y);
            // Anti-aliased rounded corners: blend with what lies beneath.
            const double coverage = [&]
            {
                int inside = 0;
                for (int s = 0; s < 16; ++s)
                    inside += outline.contains(x + (s % 4 + 0.5f) / 4.0f, y + (s / 4 + 0.5f) / 4.0f) ? 1 : 0;
                return inside / 16.0;
            }();
            if (coverage <= 0.0)
                continue;
            pixels.setPixelColour(x, y, under.interpolatedWith(toColour(c), float(coverage)));
        }

    // Bevelled edge: lit along the top and left, shaded along the bottom and right.
    juce::Graphics g(image);
    g.setGradientFill(juce::ColourGradient(juce::Colour(0xc0ffffff), plate.getX(), plate.getY(),
                                           juce::Colour(0x40000000), plate.getRight(), plate.getBottom(),
                                           false));
    g.strokePath(outline, juce::PathStrokeType(1.4f), juce::AffineTransform());
    // Screws in the corners, their slots left at whatever angle they were tightened to.
    const float left = plate.getX() + 9.0f, right = plate.getRight() - 9.0f;
    const float top = plate.getY() + 9.0f, bottom = plate.getBottom() - 9.0f;
    drawScrew(g, left, top, 35.0f);
    drawScrew(g, right, top, 120.0f);
    drawScrew(g, left, bottom, 170.0f);
    drawScrew(g, right, bottom, 75.0f);
}

void BackgroundPainter::paintScales(juce::Graphics& g) const
{
    const auto numberFont = fonts.font(ArtworkFonts::Face::condensedBold, 6.5f);
    const auto legendFont = fonts.font(ArtworkFonts::Face::condensedBold, 8.0f).withExtraKerningFactor(0.08f);

    for (const Knob& knob : knobs)
    {
        const Scale& scale = scaleOf(knob);
        const KnobShape& shape = shapeOf(knob.kind);
        const bool onPlate = knob.kind == KnobKind::valve;
        const float cx = float(knob.centreX()), cy = float(knob.centreY());
        g.setColour(onPlate ? plateInk : panelInk);

        if (!knob.stepped())
        {
            juce::Path arc;
            const float r = float(shape.tickInner);
            arc.addCentredArc(cx, cy, r, r, 0.0f, float(juce::degreesToRadians(sweepStart)),
                              float(juce::degreesToRadians(sweepEnd)), true);
            g.strokePath(arc, juce::PathStrokeType(0.9f));
        }

        for (int m = 0; m < scale.numMarks; ++m)
        {
            const ScaleMark& mark = scale.marks[size_t(m)];
            const double angle = markAngle(knob, mark);
            const bool major = mark.label != nullptr;
            lettering::drawTick(g, cx, cy, angle, shape.tickInner - 0.45,
                                major ? shape.tickMajorOuter : shape.tickMinorOuter, major ? 1.5f : 1.0f);
            if (major)
                lettering::drawRadial(g, numberFont, mark.label, cx, cy, angle, shape.labelGap);
        }

        // Legends above the upper row of knobs and below the lower one.
        const bool upperRow = knob.bounds.y < 100;
        const int baseline = onPlate ? (upperRow ? 65 : 261) : (upperRow ? 55 : 272);
        lettering::drawOnBaseline(g, legendFont, scale.legend, cx, baseline);
    }
}

void BackgroundPainter::paintValveExtras(juce::Graphics& g) const
{
    const float cx = float(valveModeSwitch.centreX());
    const auto font = fonts.font(ArtworkFonts::Face::condensedBold, 6.5f).withExtraKerningFactor(0.06f);
    g.setColour(plateInk);
    lettering::drawOnBaseline(g, font, "TRIODE", cx, valveModeSwitch.y - 4);
    lettering::drawOnBaseline(g, font, "PENTODE", cx, valveModeSwitch.y + valveModeSwitch.h + 11);

    // The switch's mounting: a dished ring pressed into the plate.
    const float sy = float(valveModeSwitch.centreY());
    g.setGradientFill(juce::ColourGradient(juce::Colour(0x50000000), cx - 8.0f, sy - 8.0f,
                                           juce::Colour(0x60ffffff), cx + 8.0f, sy + 8.0f, false));
    g.drawEllipse(cx - 12.5f, sy - 12.5f, 25.0f, 25.0f, 1.2f);

    SwitchPainter::drawLamp(g, float(lampX), float(lampY));
}

void BackgroundPainter::paintProductArea(juce::Graphics& g) const
{
    const float cx = float(meterWindow.centreX());
    LogoPainter(fonts).drawProductLogo(g, cx, 216.0f, 30.0f);

    const auto tagFont = fonts.font(ArtworkFonts::Face::condensedBold, 6.0f).withExtraKerningFactor(0.25f);
    g.setColour(panelInk.withAlpha(0.75f));
    lettering::drawOnBaseline(g, tagFont, juce::String::fromUTF8("VALVE STAGE  \xc2\xb7  STEREO COMPRESSOR"),
                              cx, 238);
}

} // namespace artwork
