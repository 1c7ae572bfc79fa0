#include "ArtworkSet.h"

#include "AboutPainter.h"
#include "ArtworkFonts.h"
#include "ArtworkGeometry.h"
#include "BackgroundPainter.h"
#include "HeaderIcons.h"
#include "KnobPainter.h"
#include "MeterPainter.h"
#include "SwitchPainter.h"

namespace artwork
{
namespace
{
juce::Image transparent(const Box& box)
{
    return juce::Image(juce::Image::ARGB, box.w, box.h, true);
}

// A button's image drawn in its own box, moved to the origin.
template <typename Draw> juce::Image buttonImage(const Box& box, Draw&& draw)
{
    juce::Image image = transparent(box);
    juce::Graphics g(image);
    g.setOrigin(-box.x, -box.y);
    draw(g);
    return image;
}
} // namespace

bool ArtworkSet::render(juce::String& error)
{
    images.clear();
    const ArtworkFonts fonts;
    if (!fonts.missingFiles().isEmpty())
    {
        error = "cannot read font files: " + fonts.missingFiles().joinIntoString(", ");
        return false;
    }

    const juce::Image background = BackgroundPainter(fonts).render();
    add("background.png", background);
    add("menu_hot_spot.png",
        background.getClippedImage({hotSpot.x, hotSpot.y, hotSpot.w, hotSpot.h}).createCopy());

    using icons::Style;
    add("prev_preset.png", buttonImage(prevPresetButton, [](auto& g)
                                       { icons::drawArrow(g, prevPresetButton, true, Style::raised); }));
    add("prev_preset_down.png", transparent(prevPresetButton));
    add("next_preset.png", buttonImage(nextPresetButton, [](auto& g)
                                       { icons::drawArrow(g, nextPresetButton, false, Style::raised); }));
    add("next_preset_down.png", transparent(nextPresetButton));
    add("save_preset.png", buttonImage(savePresetButton, [](auto& g)
                                       { icons::drawFloppy(g, savePresetButton, Style::raised); }));
    add("save_preset_down.png", transparent(savePresetButton));
    add("bypass.png",
        buttonImage(bypassButton, [](auto& g) { icons::drawPower(g, bypassButton, Style::lit); }));
    add("bypass_down.png", transparent(bypassButton));
    add("valve_mode.png", SwitchPainter::render(false));
    add("valve_mode_down.png", SwitchPainter::render(true));

    // Knobs of one kind share their look; each strip is drawn once.
    std::vector<double> continuousAngles, steppedAngles;
    for (int frame = 0; frame < continuousFrames; ++frame)
        continuousAngles.push_back(frameAngle(frame));
    for (int step = 0; step < steppedFrames; ++step)
        steppedAngles.push_back(stepAngle(step));
    const juce::Image valveStrip = KnobPainter(KnobKind::valve).renderStrip(88, continuousAngles);
    const KnobPainter compressor(KnobKind::compressor);
    const juce::Image compressorStrip = compressor.renderStrip(104, continuousAngles);
    const juce::Image steppedStrip = compressor.renderStrip(104, steppedAngles);
    for (const Knob& knob : knobs)
    {
        const juce::Image& strip = knob.kind == KnobKind::valve ? valveStrip
                                   : knob.stepped()             ? steppedStrip
                                                                : compressorStrip;
        add(juce::String(knob.image) + ".png", strip);
    }

    add("meter.png", MeterPainter(fonts).renderNeedleStrip());
    add("about.png", AboutPainter(fonts).render());
    return true;
}

void ArtworkSet::add(const juce::String& name, const juce::Image& image)
{
    images.push_back({name, image});
}

juce::Image ArtworkSet::find(const juce::String& fileName) const
{
    for (const auto& entry : images)
        if (entry.fileName == fileName)
            return entry.image;
    return {};
}

juce::Image ArtworkSet::composePreview(double knobPosition, double meterPosition, bool aboutShown) const
{
    juce::Image editor = find("background.png").createCopy();
    juce::Graphics g(editor);
    const auto drawFrame = [&g](const juce::Image& strip, const Box& box, int frame)
    { g.drawImage(strip, box.x, box.y, box.w, box.h, 0, frame * box.h, box.w, box.h); };

    drawFrame(find("prev_preset.png"), prevPresetButton, 0);
    drawFrame(find("next_preset.png"), nextPresetButton, 0);
    drawFrame(find("save_preset.png"), savePresetButton, 0);
    drawFrame(find("bypass.png"), bypassButton, 0);
    drawFrame(find("valve_mode.png"), valveModeSwitch, 0);
    for (const Knob& knob : knobs)
        drawFrame(find(juce::String(knob.image) + ".png"), knob.bounds,
                  int((knob.frames - 1) * knobPosition));
    drawFrame(find("meter.png"), meterWindow, int((meterFrames - 1) * meterPosition));
    if (aboutShown)
        g.drawImageAt(find("about.png"), 0, 0);
    return editor;
}

} // namespace artwork
