#include "KnobPainter.h"

namespace artwork
{
namespace
{
constexpr int supersampling = 5;
constexpr double degreesToRadians = 3.14159265358979323846 / 180.0;

struct Polar
{
    double r;
    Vec3 radial;   // unit vector outwards in the panel plane
    Vec3 tangent;  // unit vector clockwise
    double along;  // distance along the pointer
    double across; // distance across it
    double turned; // angle of the point relative to the pointer, radians
};

Polar polarOf(double x, double y, double angleRadians)
{
    Polar p{};
    p.r = std::hypot(x, y);
    p.radial = p.r > 1.0e-9 ? Vec3{x / p.r, y / p.r, 0.0} : Vec3{0.0, -1.0, 0.0};
    p.tangent = {-p.radial.y, p.radial.x, 0.0};
    const double dx = std::sin(angleRadians), dy = -std::cos(angleRadians);
    p.along = x * dx + y * dy;
    p.across = x * std::cos(angleRadians) + y * std::sin(angleRadians);
    p.turned = std::atan2(x, -y) - angleRadians;
    return p;
}

// Distance from the point to the segment of the pointer axis between along0 and along1.
double distanceToPointerSegment(const Polar& p, double along0, double along1)
{
    const double a = std::clamp(p.along, along0, along1);
    return std::hypot(p.along - a, p.across);
}

// A rounded edge that starts to fall away at start and is near vertical at end.
double edgeTilt(double r, double start, double end, double baseDegrees, double edgeDegrees)
{
    const double t = std::clamp((r - start) / (end - start), 0.0, 1.0);
    return (baseDegrees + (edgeDegrees - baseDegrees) * std::sin(t * 1.5707963267948966)) * degreesToRadians;
}

Vec3 surfaceNormal(const Polar& p, double tiltRadians, double knurl)
{
    const Vec3 n = tiltedNormal(p.radial.x, p.radial.y, tiltRadians);
    return (n + p.tangent * knurl).normalised();
}

// How much of the light the raised body leaves on a point of the skirt: its shadow falls away from
// the light.
double bodyShadow(double x, double y, double bodyRadius, double height)
{
    const Vec3 light = lightDirection();
    const double sx = -light.x / light.z * height, sy = -light.y / light.z * height;
    return smoothStep(bodyRadius - 0.9, bodyRadius + 0.9, std::hypot(x - sx, y - sy));
}

const Material blackSatin{{0.05, 0.05, 0.055}, 0.42, 22.0};
const Material blackFace{{0.055, 0.055, 0.06}, 0.16, 5.0};
const Material blackGloss{{0.045, 0.045, 0.05}, 0.55, 40.0};
const Material whitePaint{{0.95, 0.95, 0.93}, 0.10, 18.0};
const Material greySkirt{{0.25, 0.255, 0.265}, 0.30, 18.0};
const Material aluminium{{0.50, 0.505, 0.51}, 0.32, 26.0};
const Material graphite{{0.10, 0.10, 0.11}, 0.38, 22.0};
} // namespace

KnobPainter::KnobPainter(KnobKind k) : kind(k), shape(shapeOf(k))
{
}

KnobPainter::Sample KnobPainter::sample(double x, double y, double angleRadians) const
{
    return kind == KnobKind::valve ? sampleValveKnob(x, y, angleRadians)
                                   : sampleCompressorKnob(x, y, angleRadians);
}

KnobPainter::Sample KnobPainter::sampleValveKnob(double x, double y, double angleRadians) const
{
    const Polar p = polarOf(x, y, angleRadians);
    if (p.r > shape.skirt)
        return {{}, false};

    if (p.r > shape.body)
    {
        const double tilt = edgeTilt(p.r, shape.skirt - 2.2, shape.skirt, 7.0, 72.0);
        const Vec3 n = surfaceNormal(p, tilt, 0.0);
        const double occlusion = 0.55 + 0.45 * smoothStep(shape.body, shape.body + 2.5, p.r);
        const double shadow = 0.3 + 0.7 * bodyShadow(x, y, shape.body, 3.0);
        const bool onLine = p.along > 0.0 && std::abs(p.across) <= 1.05 && p.r >= shape.body + 1.3 &&
                            p.r <= shape.skirt - 1.1;
        return {shade(n, onLine ? whitePaint : blackSatin, shadow, occlusion), true};
    }

    if (p.r > shape.face)
    {
        // Knurled rim of the body: fine ribs that turn with the knob.
        const double tilt = edgeTilt(p.r, shape.face, shape.body, 14.0, 70.0);
        const double knurl = 0.32 * std::sin(36.0 * p.turned);
        return {shade(surfaceNormal(p, tilt, knurl), blackGloss), true};
    }

    const double tilt = 7.0 * degreesToRadians * (p.r / shape.face);
    const Vec3 n = surfaceNormal(p, tilt, 0.0);
    if (p.r > shape.face - 0.45)
        return {shade(n, blackSatin) * 0.45, true};
    if (distanceToPointerSegment(p, 4.0, shape.face - 2.0) <= 1.15)
        return {shade(n, whitePaint), true};
    return {shade(n, blackFace), true};
}

KnobPainter::Sample KnobPainter::sampleCompressorKnob(double x, double y, double angleRadians) const
{
    const Polar p = polarOf(x, y, angleRadians);
    if (p.r > shape.skirt)
        return {{}, false};

    if (p.r > shape.body)
    {
        const double tilt = edgeTilt(p.r, shape.skirt - 2.6, shape.skirt, 6.0, 72.0);
        const Vec3 n = surfaceNormal(p, tilt, 0.0);
        const double occlusion = 0.5 + 0.5 * smoothStep(shape.body, shape.body + 3.0, p.r);
        const double shadow = 0.3 + 0.7 * bodyShadow(x, y, shape.body, 3.5);
        const bool onLine = p.along > 0.0 && std::abs(p.across) <= 1.15 && p.r >= shape.body + 1.4 &&
                            p.r <= shape.skirt - 1.3;
        return {shade(n, onLine ? whitePaint : greySkirt, shadow, occlusion), true};
    }

    if (p.r > shape.face)
    {
        const double tilt = edgeTilt(p.r, shape.face, shape.body, 16.0, 70.0);
        const double knurl = 0.34 * std::sin(44.0 * p.turned);
        return {shade(surfaceNormal(p, tilt, knurl), aluminium) * 0.92, true};
    }

    // Bar across the face, with the pointer line on its pointing half.
    constexpr double barHalfWidth = 3.6;
    const double barFrom = -(shape.face - 3.5), barTo = shape.face - 2.5;
    const double toBar = distanceToPointerSegment(p, barFrom, barTo);
    if (toBar <= barHalfWidth)
    {
        // Flat along the middle, where the line is inlaid, and rounded towards the sides and ends.
        const double a = std::clamp(p.across / barHalfWidth, -1.0, 1.0);
        const double across = (a < 0.0 ? -1.0 : 1.0) * smoothStep(0.4, 1.0, std::abs(a)) * 1.3;
        const double alongEnd = std::max(0.0, std::max(p.along - barTo, barFrom - p.along)) / barHalfWidth;
        const double dx = std::cos(angleRadians), dy = std::sin(angleRadians);
        const double ax = std::sin(angleRadians), ay = -std::cos(angleRadians);
        const double endSign = p.along > 0.0 ? 1.0 : -1.0;
        const Vec3 n = Vec3{dx * across * 0.9 + ax * endSign * alongEnd * 0.9,
                            dy * across * 0.9 + ay * endSign * alongEnd * 0.9, 1.0}
                           .normalised();
        const bool onLine = p.along >= 3.0 && p.along <= barTo - 1.0 && std::abs(p.across) <= 0.95;
        return {shade(n, onLine ? whitePaint : graphite), true};
    }

    // Spun aluminium: concentric machining throws a bright streak along the light's axis.
    const double tilt = 4.0 * degreesToRadians * (p.r / shape.face);
    const Vec3 n = surfaceNormal(p, tilt, 0.0);
    const Vec3 light = lightDirection();
    const double lightLength = std::hypot(light.x, light.y);
    const double t = (p.tangent.x * light.x + p.tangent.y * light.y) / lightLength;
    const double streak = std::pow(1.0 - t * t, 6.0) * smoothStep(2.0, 8.0, p.r);
    // The bar's shadow on the face.
    const double sx = -light.x / light.z * 1.8, sy = -light.y / light.z * 1.8;
    const Polar shifted = polarOf(x - sx, y - sy, angleRadians);
    const double shadow = 0.45 + 0.55 * smoothStep(barHalfWidth - 0.7, barHalfWidth + 0.7,
                                                   distanceToPointerSegment(shifted, barFrom, barTo));
    Rgb c = shade(n, aluminium, shadow) + Rgb{0.11, 0.11, 0.115} * (streak * shadow);
    if (p.r > shape.face - 0.5)
        c = c * 0.55;
    return {c, true};
}

double KnobPainter::shadowAlpha(double x, double y) const
{
    const bool valve = kind == KnobKind::valve;
    const double offX = valve ? 1.7 : 2.1, offY = valve ? 2.4 : 2.9, sigma = valve ? 2.1 : 2.5;
    const double soft =
        0.55 * 0.5 * std::erfc((std::hypot(x - offX, y - offY) - shape.skirt) / (sigma * 1.4142));
    const double contact =
        0.45 * 0.5 * std::erfc((std::hypot(x - 0.3, y - 0.5) - shape.skirt + 0.2) / (0.8 * 1.4142));
    // Faded out before the printed numbers, which stay untouched.
    const double fade = 1.0 - smoothStep(shape.tickInner - 1.0, shape.labelGap - 1.5, std::hypot(x, y));
    return (1.0 - (1.0 - soft) * (1.0 - contact)) * fade;
}

void KnobPainter::paintFrame(juce::Image& image, int left, int top, int size, double angleDegrees) const
{
    const double angle = angleDegrees * degreesToRadians;
    const double centre = size / 2.0;
    juce::Image::BitmapData pixels(image, left, top, size, size, juce::Image::BitmapData::writeOnly);

    for (int py = 0; py < size; ++py)
    {
        for (int px = 0; px < size; ++px)
        {
            const double x = px + 0.5 - centre, y = py + 0.5 - centre;
            if (std::hypot(x, y) > shape.skirt + 12.0)
            {
                pixels.setPixelColour(px, py, juce::Colours::transparentBlack);
                continue;
            }

            Rgb sum{};
            int hits = 0;
            for (int sy = 0; sy < supersampling; ++sy)
                for (int sx = 0; sx < supersampling; ++sx)
                {
                    const double ox = (sx + 0.5) / supersampling - 0.5, oy = (sy + 0.5) / supersampling - 0.5;
                    const Sample s = sample(x + ox, y + oy, angle);
                    if (s.onKnob)
                    {
                        sum = sum + s.colour;
                        ++hits;
                    }
                }

            // The knob over its shadow: premultiplied colour over black at the shadow's alpha.
            const double coverage = hits / double(supersampling * supersampling);
            const double alpha = coverage + shadowAlpha(x, y) * (1.0 - coverage);
            const Rgb colour = hits > 0 ? sum * (1.0 / hits) : Rgb{};
            const double scale = alpha > 0.0 ? coverage / alpha : 0.0;
            pixels.setPixelColour(px, py,
                                  juce::Colour::fromFloatRGBA(float(std::clamp(colour.r * scale, 0.0, 1.0)),
                                                              float(std::clamp(colour.g * scale, 0.0, 1.0)),
                                                              float(std::clamp(colour.b * scale, 0.0, 1.0)),
                                                              float(alpha)));
        }
    }
}

juce::Image KnobPainter::renderStrip(int frameSize, const std::vector<double>& anglesDegrees) const
{
    const int numFrames = int(anglesDegrees.size());
    juce::Image strip(juce::Image::ARGB, frameSize, frameSize * numFrames, true);
    for (int frame = 0; frame < numFrames; ++frame)
        paintFrame(strip, 0, frame * frameSize, frameSize, anglesDegrees[size_t(frame)]);
    return strip;
}

} // namespace artwork
