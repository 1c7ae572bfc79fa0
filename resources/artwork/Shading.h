#pragma once

// Small helpers for the parts drawn pixel by pixel: one light for everything, from the top left and
// above the panel, and a noise that gives the same grain on every run.

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace artwork
{
struct Vec3
{
    double x, y, z;

    Vec3 operator+(const Vec3& o) const { return {x + o.x, y + o.y, z + o.z}; }
    Vec3 operator*(double s) const { return {x * s, y * s, z * s}; }
    double dot(const Vec3& o) const { return x * o.x + y * o.y + z * o.z; }
    Vec3 normalised() const
    {
        const double length = std::sqrt(dot(*this));
        return {x / length, y / length, z / length};
    }
};

struct Rgb
{
    double r, g, b;

    Rgb operator+(const Rgb& o) const { return {r + o.r, g + o.g, b + o.b}; }
    Rgb operator*(double s) const { return {r * s, g * s, b * s}; }
};

inline Rgb mix(const Rgb& a, const Rgb& b, double t)
{
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

// Image axes: x to the right, y downwards, z towards the viewer.
inline Vec3 lightDirection()
{
    return Vec3{-0.5, -0.62, 0.9}.normalised();
}

inline double smoothStep(double edge0, double edge1, double x)
{
    const double t = std::clamp((x - edge0) / (edge1 - edge0), 0.0, 1.0);
    return t * t * (3.0 - 2.0 * t);
}

struct Material
{
    Rgb albedo;
    double specular;  // strength of the highlight
    double shininess; // Blinn-Phong exponent
};

// Diffuse light scaled so that a flat surface facing the viewer gets exactly the albedo, plus a
// white highlight. shadow (0..1) dims the direct light only.
inline Rgb shade(const Vec3& normal, const Material& m, double shadow = 1.0, double occlusion = 1.0)
{
    const Vec3 light = lightDirection();
    const Vec3 halfway = (light + Vec3{0.0, 0.0, 1.0}).normalised();
    constexpr double ambient = 0.32;
    const double diffuse = (1.0 - ambient) * std::max(0.0, normal.dot(light)) / light.z;
    const double lit = (ambient * occlusion + diffuse * shadow);
    const double highlight = m.specular * shadow * std::pow(std::max(0.0, normal.dot(halfway)), m.shininess);
    return m.albedo * lit + Rgb{highlight, highlight, highlight};
}

// A surface tilted by tiltRadians away from the viewer towards the in-plane direction (dx, dy).
inline Vec3 tiltedNormal(double dx, double dy, double tiltRadians)
{
    const double s = std::sin(tiltRadians);
    return {dx * s, dy * s, std::cos(tiltRadians)};
}

// Hash noise in 0..1 for integer coordinates.
inline double hashNoise(int x, int y, uint32_t seed)
{
    uint32_t h = seed ^ (static_cast<uint32_t>(x) * 0x8da6b343u) ^ (static_cast<uint32_t>(y) * 0xd8163841u);
    h ^= h >> 15;
    h *= 0x2c1b3c6du;
    h ^= h >> 12;
    h *= 0x297a2d39u;
    h ^= h >> 15;
    return static_cast<double>(h & 0xffffffu) / static_cast<double>(0xffffffu);
}

} // namespace artwork
