#pragma once

// The block paths against the per-sample operations at every sample rate the plug-in runs at: the
// rates, the material (BlockPathSignals.h plus full-scale sines) and the measure of disagreement.

#include "BlockPathSignals.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace block_path_rates
{

inline const double kRates[] = {22050.0, 44100.0, 48000.0, 88200.0, 96000.0, 192000.0, 384000.0};

// Worst absolute output difference allowed between the two paths.
constexpr double kTolerance = 1e-5;

inline std::string rateName(double rate)
{
    return std::to_string((int)rate) + "Hz";
}

// The programme material plus full-scale sines at the given rate, a different frequency per channel,
// so that every stage sees peaks at 1.0 whatever the rate.
inline std::vector<block_path_signals::StereoSignal> signalsAt(double rate, int length)
{
    std::vector<block_path_signals::StereoSignal> signals = block_path_signals::makeSignals(length);
    block_path_signals::StereoSignal sines{"fullScaleSines", std::vector<float>((size_t)length),
                                           std::vector<float>((size_t)length)};
    const double twoPi = 6.283185307179586;
    for (int i = 0; i < length; ++i)
    {
        sines.left[(size_t)i] = (float)std::sin(twoPi * 1000.0 * i / rate);
        sines.right[(size_t)i] = (float)std::sin(twoPi * 67.0 * i / rate);
    }
    signals.push_back(std::move(sines));
    return signals;
}

// The largest |a[i] - b[i]|; NaN on one side only counts as an infinite difference.
inline double worstDifference(const float* a, const float* b, int n)
{
    double worst = 0.0;
    for (int i = 0; i < n; ++i)
    {
        const bool nanA = std::isnan(a[i]), nanB = std::isnan(b[i]);
        if (nanA || nanB)
        {
            if (nanA != nanB)
                return std::numeric_limits<double>::infinity();
            continue;
        }
        if (a[i] == b[i])
            continue; // equal infinities too
        worst = std::max(worst, std::fabs((double)a[i] - (double)b[i]));
    }
    return worst;
}

} // namespace block_path_rates
