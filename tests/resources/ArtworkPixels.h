#pragma once

#include <juce_graphics/juce_graphics.h>

#include "ArtworkGeometry.h"

// Reading the embedded images and measuring what their pixels show.
namespace artwork_test
{
struct EmbeddedFile
{
    const char* data = nullptr;
    int size = 0;
};

// The embedded bytes of an image by its file name ("background.png").
EmbeddedFile embeddedFile(const juce::String& fileName);

// The embedded image decoded the way the editor decodes it.
juce::Image loadEmbedded(const juce::String& fileName);

// Frame k of a vertical strip, as its own image.
juce::Image frameOf(const juce::Image& strip, int frameHeight, int frame);

// Un-premultiplied colour and alpha, 0..1.
struct Pixel
{
    float r, g, b, a;
    float luminance() const { return 0.2126f * r + 0.7152f * g + 0.0722f * b; }
};
Pixel pixelAt(const juce::Image& image, int x, int y);

// Luminance of an opaque image at a point, interpolated between pixel centres.
float luminanceAt(const juce::Image& image, double x, double y);

// Direction, in degrees clockwise from 12 o'clock, of the centroid of the knob's white pointer
// (bright, neutral, opaque pixels) seen from the frame's centre.
double pointerAngle(const juce::Image& frame);

// Direction from (px, py) of the centroid of the dark opaque pixels farther than minRadius from it:
// the meter's needle.
double needleAngle(const juce::Image& frame, double px, double py, double minRadius);

// The angle near expectedDegrees at which a printed tick crosses the circle of the given radius
// about (cx, cy) on the background: the strongest departure from the panel's own shade.
double tickAngleNear(const juce::Image& background, double cx, double cy, double radius,
                     double expectedDegrees, double searchDegrees);

} // namespace artwork_test
