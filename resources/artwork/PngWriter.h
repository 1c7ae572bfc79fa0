#pragma once

#include <juce_graphics/juce_graphics.h>

namespace artwork
{
// Encodes images as 8-bit RGBA PNG files laid out for loading fast: opening the editor decodes
// every image, and most of that time goes into inflating them.
//
// The pixels are stored as juce::PNGImageFormat stores them, so juce::ImageFileFormat reads back
// exactly what it reads from a file JUCE wrote. The rows are not filtered, since undoing a filter
// costs time too, and they are compressed by Deflater.
class PngWriter
{
public:
    // The whole file; empty if the compressed rows do not inflate back to the rows.
    static juce::MemoryBlock encode(const juce::Image& image);

    static bool write(const juce::Image& image, const juce::File& file);
};

} // namespace artwork
