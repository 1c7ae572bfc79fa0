#pragma once

#include <vector>

#include <juce_graphics/juce_graphics.h>

namespace artwork
{
// Every image of the editor, drawn in memory, in the order of its file names.
class ArtworkSet
{
public:
    struct Entry
    {
        juce::String fileName; // "background.png"
        juce::Image image;
    };

    // Draws everything. Returns false, with the reason in error, when a font file is missing.
    bool render(juce::String& error);

    const std::vector<Entry>& entries() const { return images; }
    juce::Image find(const juce::String& fileName) const;

    // The editor at the given knob frames (0..1 of each strip) with every button at rest, for
    // looking at the artwork as a whole.
    juce::Image composePreview(double knobPosition, double meterPosition, bool aboutShown) const;

private:
    void add(const juce::String& name, const juce::Image& image);

    std::vector<Entry> images;
};

} // namespace artwork
