#pragma once

// Test material for comparing the block paths with the per-sample operations: stereo signals of
// normal level, loud compressing material, silence and sharp transients, and block-length sequences
// that cross the block paths' internal chunk size.

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace block_path_signals
{

struct StereoSignal
{
    std::string name;
    std::vector<float> left, right;
};

// Deterministic noise in [-1, 1).
class Noise
{
public:
    explicit Noise(std::uint32_t seed) : state(seed) {}
    float next()
    {
        state = state * 1664525u + 1013904223u;
        return (float)(state >> 8) / 8388608.0f - 1.0f;
    }

private:
    std::uint32_t state;
};

inline std::vector<StereoSignal> makeSignals(int length)
{
    const double twoPi = 6.283185307179586;
    const double rate = 48000.0;
    std::vector<StereoSignal> signals;

    auto add = [&](const std::string& name, auto&& sample)
    {
        StereoSignal s{name, std::vector<float>((size_t)length), std::vector<float>((size_t)length)};
        for (int i = 0; i < length; ++i)
        {
            s.left[(size_t)i] = sample(i, 0);
            s.right[(size_t)i] = sample(i, 1);
        }
        signals.push_back(std::move(s));
    };

    // Swelling tones plus noise, peaks near full scale: compresses hard.
    Noise noiseLoud(7);
    add("loud",
        [&](int i, int channel)
        {
            const double t = i / rate;
            const double swell = 0.6 + 0.4 * std::sin(twoPi * 3.0 * t);
            const double tone = channel == 0
                                    ? 0.7 * std::sin(twoPi * 110.0 * t) + 0.2 * std::sin(twoPi * 2900.0 * t)
                                    : 0.6 * std::sin(twoPi * 165.0 * t + 0.3);
            return (float)(swell * tone) + 0.15f * noiseLoud.next();
        });

    // Moderate programme around -20 dBFS.
    Noise noiseNormal(11);
    add("normal",
        [&](int i, int channel)
        {
            const double t = i / rate;
            return (float)(0.1 * std::sin(twoPi * (channel == 0 ? 440.0 : 523.0) * t)) +
                   0.02f * noiseNormal.next();
        });

    add("silence", [](int, int) { return 0.0f; });

    // Silence broken by full-scale clicks, hard steps and short bursts, different per channel.
    Noise noiseBurst(23);
    add("transients",
        [&](int i, int channel)
        {
            const int phase = (i + 131 * channel) % 700;
            if (phase == 0)
                return channel == 0 ? 1.0f : -1.0f;
            if (phase >= 200 && phase < 260)
                return 0.95f;
            if (phase >= 400 && phase < 420)
                return 0.9f * noiseBurst.next();
            if (phase == 600)
                return -0.99f;
            return 0.0f;
        });

    // Above full scale, so that the valve stage's clamp at 2.0 acts.
    add("hot",
        [&](int i, int channel)
        {
            const double t = i / rate;
            return (float)(1.6 * std::sin(twoPi * (channel == 0 ? 97.0 : 61.0) * t));
        });

    return signals;
}

// Block lengths that vary, include 1, and cross the block paths' chunk of 256 samples.
inline std::vector<int> blockLengths()
{
    return {64, 64, 1, 17, 256, 257, 512, 3, 100, 511, 64};
}

struct Block
{
    int start;
    int n;
};

// Consecutive blocks covering [0, length), their lengths from blockLengths() in turn, cycling.
inline std::vector<Block> blockSchedule(int length)
{
    const std::vector<int> lengths = blockLengths();
    std::vector<Block> blocks;
    size_t next = 0;
    for (int start = 0; start < length; next = (next + 1) % lengths.size())
    {
        const int n = lengths[next] < length - start ? lengths[next] : length - start;
        blocks.push_back({start, n});
        start += n;
    }
    return blocks;
}

} // namespace block_path_signals
