#include "SwitchPainter.h"

#include "ArtworkGeometry.h"

namespace artwork
{
namespace
{
juce::Path hexagon(float cx, float cy, float radius)
{
    juce::Path path;
    for (int i = 0; i < 6; ++i)
    {
        const float a = juce::MathConstants<float>::pi / 3.0f * float(i);
        const float x = cx + radius * std::cos(a), y = cy + radius * std::sin(a);
        if (i == 0)
            path.startNewSubPath(x, y);
        else
            path.lineTo(x, y);
    }
    path.closeSubPath();
    return path;
}

juce::ColourGradient chromeAcross(float x0, float x1, float y)
{
    juce::ColourGradient gradient(juce::Colour(0xff7b7f85), x0, y, juce::Colour(0xff4a4d52), x1, y, false);
    gradient.addColour(0.22, juce::Colour(0xfff6f7f8));
    gradient.addColour(0.45, juce::Colour(0xffb4b8bd));
    gradient.addColour(0.8, juce::Colour(0xff6c7075));
    return gradient;
}
} // namespace

juce::Image SwitchPainter::render(bool leverDown)
{
    const Box box = valveModeSwitch;
    juce::Image image(juce::Image::ARGB, box.w, box.h, true);
    juce::Graphics g(image);
    const float cx = box.w / 2.0f, cy = box.h / 2.0f;

    // Nut and washer, with their shadow on the plate.
    const juce::Path nut = hexagon(cx, cy, 9.5f);
    juce::DropShadow(juce::Colour(0x90000000), 3, {1, 2}).drawForPath(g, nut);
    g.setGradientFill(juce::ColourGradient(juce::Colour(0xffeef0f2), cx - 7.0f, cy - 7.0f,
                                           juce::Colour(0xff5d6166), cx + 7.0f, cy + 7.0f, false));
    g.fillPath(nut);
    g.setColour(juce::Colour(0xff3c3f43));
    g.strokePath(nut, juce::PathStrokeType(0.7f));
    // Chamfer of the nut: a ring that catches the light the other way round.
    g.setGradientFill(juce::ColourGradient(juce::Colour(0xff8c9096), cx - 6.0f, cy - 6.0f,
                                           juce::Colour(0xffdfe2e5), cx + 6.0f, cy + 6.0f, false));
    g.fillEllipse(cx - 7.2f, cy - 7.2f, 14.4f, 14.4f);
    // Threaded bushing.
    g.setGradientFill(juce::ColourGradient(juce::Colour(0xffc9ccd0), cx - 4.0f, cy - 4.0f,
                                           juce::Colour(0xff3f4246), cx + 4.0f, cy + 4.0f, false));
    g.fillEllipse(cx - 5.2f, cy - 5.2f, 10.4f, 10.4f);
    g.setColour(juce::Colour(0xff26282b));
    g.drawEllipse(cx - 5.2f, cy - 5.2f, 10.4f, 10.4f, 0.6f);

    // Bat lever, tapering from the bushing to a rounded tip; it stands off the plate, so its
    // shadow falls further than the nut's.
    const float direction = leverDown ? 1.0f : -1.0f;
    const float tipY = cy + direction * 15.5f;
    juce::Path lever;
    lever.startNewSubPath(cx - 2.9f, cy);
    lever.lineTo(cx + 2.9f, cy);
    lever.lineTo(cx + 1.9f, tipY);
    lever.lineTo(cx - 1.9f, tipY);
    lever.closeSubPath();
    lever.addEllipse(cx - 3.7f, tipY - 3.7f, 7.4f, 7.4f);
    juce::DropShadow(juce::Colour(0x80000000), 4, {3, 4}).drawForPath(g, lever);

    g.setGradientFill(chromeAcross(cx - 3.7f, cx + 3.7f, cy));
    g.fillPath(lever);
    // Ball end: a sphere lit from the top left.
    juce::ColourGradient ball(juce::Colours::white, cx - 1.3f, tipY - 1.5f, juce::Colour(0xff4a4d52),
                              cx + 2.6f, tipY + 3.0f, true);
    ball.addColour(0.35, juce::Colour(0xffc2c6cb));
    g.setGradientFill(ball);
    g.fillEllipse(cx - 3.7f, tipY - 3.7f, 7.4f, 7.4f);
    g.setColour(juce::Colour(0x90303236));
    g.drawEllipse(cx - 3.7f, tipY - 3.7f, 7.4f, 7.4f, 0.5f);
    // Where the lever leaves the bushing.
    g.setColour(juce::Colour(0xff1d1f22));
    g.fillEllipse(cx - 2.6f, cy - 2.6f, 5.2f, 5.2f);
    g.setGradientFill(chromeAcross(cx - 2.2f, cx + 2.2f, cy));
    g.fillEllipse(cx - 2.0f, cy - 2.0f, 4.0f, 4.0f);
    return image;
}

void SwitchPainter::drawLamp(juce::Graphics& g, float cx, float cy)
{
    // Glow on the plate, the chrome bezel, then the red jewel with its reflection.
    g.setGradientFill(juce::ColourGradient(juce::Colour(0x50ff2a10), cx, cy, juce::Colour(0x00ff2a10),
                                           cx + 17.0f, cy, true));
    g.fillEllipse(cx - 17.0f, cy - 17.0f, 34.0f, 34.0f);

    juce::Path bezel;
    bezel.addEllipse(cx - 9.0f, cy - 9.0f, 18.0f, 18.0f);
    juce::DropShadow(juce::Colour(0x90000000), 3, {1, 2}).drawForPath(g, bezel);
    g.setGradientFill(juce::ColourGradient(juce::Colour(0xfff4f5f6), cx - 7.0f, cy - 7.0f,
                                           juce::Colour(0xff55595e), cx + 7.0f, cy + 7.0f, false));
    g.fillPath(bezel);
    g.setGradientFill(juce::ColourGradient(juce::Colour(0xff5d6166), cx - 6.0f, cy - 6.0f,
                                           juce::Colour(0xffe6e8ea), cx + 6.0f, cy + 6.0f, false));
    g.fillEllipse(cx - 7.3f, cy - 7.3f, 14.6f, 14.6f);

    juce::ColourGradient jewel(juce::Colour(0xffffc2a8), cx - 1.0f, cy - 1.0f, juce::Colour(0xff7a0a02),
                               cx + 6.0f, cy + 6.0f, true);
    jewel.addColour(0.3, juce::Colour(0xffff4a22));
    jewel.addColour(0.7, juce::Colour(0xffc41608));
    g.setGradientFill(jewel);
    g.fillEllipse(cx - 6.0f, cy - 6.0f, 12.0f, 12.0f);
    g.setColour(juce::Colour(0xff3a0602));
    g.drawEllipse(cx - 6.0f, cy - 6.0f, 12.0f, 12.0f, 0.6f);
    g.setColour(juce::Colour(0xc0ffffff));
    g.fillEllipse(cx - 4.2f, cy - 4.4f, 3.2f, 2.2f);
}

} // namespace artwork
