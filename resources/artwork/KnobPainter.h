#pragma once

#include <vector>

#include <juce_graphics/juce_graphics.h>

#include "ArtworkGeometry.h"
#include "Shading.h"

namespace artwork
{
// Draws a knob seen from above, pixel by pixel with supersampling: a skirt with a printed line, a
// knurled body and a top face carrying the pointer, lit from the top left, with its shadow on the
// panel. Only the pointer, the line and the knurl turn; the light stays where it is.
class KnobPainter
{
public:
    explicit KnobPainter(KnobKind kind);

    // One frame, the knob centred in the size x size cell whose top left corner is (left, top).
    void paintFrame(juce::Image& image, int left, int top, int size, double angleDegrees) const;

    // A vertical strip of cells of frameSize, one for each angle, top to bottom.
    juce::Image renderStrip(int frameSize, const std::vector<double>& anglesDegrees) const;

private:
    struct Sample
    {
        Rgb colour;
        bool onKnob;
    };

    Sample sample(double x, double y, double angleRadians) const;
    Sample sampleValveKnob(double x, double y, double angleRadians) const;
    Sample sampleCompressorKnob(double x, double y, double angleRadians) const;
    double shadowAlpha(double x, double y) const;

    KnobKind kind;
    KnobShape shape;
};

} // namespace artwork
