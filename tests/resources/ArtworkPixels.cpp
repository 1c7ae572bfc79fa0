#include "ArtworkPixels.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "VornImages.h"

namespace artwork_test
{
EmbeddedFile embeddedFile(const juce::String& fileName)
{
    const juce::String resourceName = fileName.replaceCharacter('.', '_');
    int size = 0;
    const char* data = VornImages::getNamedResource(resourceName.toRawUTF8(), size);
    return {data, size};
}

juce::Image loadEmbedded(const juce::String& fileName)
{
    const EmbeddedFile file = embeddedFile(fileName);
    if (file.data == nullptr)
        return {};
    return juce::ImageFileFormat::loadFrom(file.data, size_t(file.size));
}

juce::Image frameOf(const juce::Image& strip, int frameHeight, int frame)
{
    return strip.getClippedImage({0, frame * frameHeight, strip.getWidth(), frameHeight}).createCopy();
}

Pixel pixelAt(const juce::Image& image, int x, int y)
{
    const juce::Colour c = image.getPixelAt(x, y);
    return {c.getFloatRed(), c.getFloatGreen(), c.getFloatBlue(), c.getFloatAlpha()};
}

float luminanceAt(const juce::Image& image, double x, double y)
{
    // Pixel centres lie at half coordinates.
    const double fx = x - 0.5, fy = y - 0.5;
    const int x0 = int(std::floor(fx)), y0 = int(std::floor(fy));
    const float tx = float(fx - x0), ty = float(fy - y0);
    const auto at = [&image](int px, int py) { return pixelAt(image, px, py).luminance(); };
    const float top = at(x0, y0) * (1.0f - tx) + at(x0 + 1, y0) * tx;
    const float bottom = at(x0, y0 + 1) * (1.0f - tx) + at(x0 + 1, y0 + 1) * tx;
    return top * (1.0f - ty) + bottom * ty;
}

static double directionDegrees(double dx, double dy)
{
    return juce::radiansToDegrees(std::atan2(dx, -dy));
}

double pointerAngle(const juce::Image& frame)
{
    // Every white pixel counts the same: weighting by brightness would pull the centroid towards
    // the pointer's lit side.
    const double cx = frame.getWidth() / 2.0, cy = frame.getHeight() / 2.0;
    double sx = 0.0, sy = 0.0, count = 0.0;
    for (int y = 0; y < frame.getHeight(); ++y)
        for (int x = 0; x < frame.getWidth(); ++x)
        {
            const Pixel p = pixelAt(frame, x, y);
            const float lowest = std::min({p.r, p.g, p.b}), highest = std::max({p.r, p.g, p.b});
            if (p.a < 0.99f || lowest < 0.8f || highest - lowest > 0.08f)
                continue;
            sx += x + 0.5 - cx;
            sy += y + 0.5 - cy;
            count += 1.0;
        }
    return count > 0.0 ? directionDegrees(sx, sy) : std::nan("");
}

double needleAngle(const juce::Image& frame, double px, double py, double minRadius)
{
    double sx = 0.0, sy = 0.0, weight = 0.0;
    for (int y = 0; y < frame.getHeight(); ++y)
        for (int x = 0; x < frame.getWidth(); ++x)
        {
            const Pixel p = pixelAt(frame, x, y);
            const double dx = x + 0.5 - px, dy = y + 0.5 - py;
            if (p.a < 0.5f || p.luminance() > 0.25f || std::hypot(dx, dy) < minRadius)
                continue;
            sx += dx * p.a;
            sy += dy * p.a;
            weight += p.a;
        }
    return weight > 0.0 ? directionDegrees(sx, sy) : std::nan("");
}

double tickAngleNear(const juce::Image& background, double cx, double cy, double radius,
                     double expectedDegrees, double searchDegrees)
{
    std::vector<std::pair<double, float>> samples;
    for (double a = expectedDegrees - searchDegrees; a <= expectedDegrees + searchDegrees; a += 0.1)
    {
        const double r = juce::degreesToRadians(a);
        samples.emplace_back(a,
                             luminanceAt(background, cx + radius * std::sin(r), cy - radius * std::cos(r)));
    }
    std::vector<float> shades;
    for (const auto& s : samples)
        shades.push_back(s.second);
    std::nth_element(shades.begin(), shades.begin() + long(shades.size() / 2), shades.end());
    const float panel = shades[shades.size() / 2];

    // A tick is a plateau a pixel or two wide: take the middle of the samples that stand out by
    // more than half the most any does.
    float peak = 0.0f;
    for (const auto& s : samples)
        peak = std::max(peak, std::abs(s.second - panel));
    const auto strongest =
        std::find_if(samples.begin(), samples.end(),
                     [panel, peak](const auto& s) { return std::abs(s.second - panel) == peak; });
    auto first = strongest, last = strongest;
    while (first != samples.begin() && std::abs((first - 1)->second - panel) >= peak / 2.0f)
        --first;
    while (last + 1 != samples.end() && std::abs((last + 1)->second - panel) >= peak / 2.0f)
        ++last;
    double sum = 0.0, weight = 0.0;
    for (auto s = first; s <= last; ++s)
    {
        const double w = std::abs(s->second - panel);
        sum += s->first * w;
        weight += w;
    }
    return sum / weight;
}

} // namespace artwork_test
