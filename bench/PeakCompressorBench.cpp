#include <benchmark/benchmark.h>

#include "dynamics/PeakCompressor.h"

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

namespace
{

constexpr double kSampleRate = 48000.0;
constexpr int kPairs = 48000; // one second of stereo

// Noise plus a few detuned, slowly swelling sines: peaks near full scale, well above -20 dB.
struct Programme
{
    std::vector<float> left, right;

    Programme() : left(kPairs), right(kPairs)
    {
        std::mt19937 rng(1234);
        std::normal_distribution<float> noise(0.0f, 0.08f);
        const double twoPi = 6.283185307179586;
        for (int i = 0; i < kPairs; ++i)
        {
            const double t = i / kSampleRate;
            const double swell = 0.55 + 0.45 * std::sin(twoPi * 1.5 * t);
            const double tones = 0.35 * std::sin(twoPi * 110.0 * t) + 0.2 * std::sin(twoPi * 440.0 * t) +
                                 0.1 * std::sin(twoPi * 1975.0 * t);
            left[(size_t)i] = (float)(swell * tones) + noise(rng);
            right[(size_t)i] =
                (float)(swell * (tones * 0.8 + 0.1 * std::sin(twoPi * 660.0 * t))) + noise(rng);
        }
    }
};

void setUp(peak_dynamics::PeakCompressor& comp)
{
    comp.setSampleRate(kSampleRate);
    comp.setThresh(-20.0);
    comp.setRatio(0.25);
    comp.setAttack(1.0);
    comp.setRelease(100.0);
    comp.outputGain = 1.5f;
}

// The owner's loop: widen each pair, process it, narrow it back. The source stays untouched so every
// iteration sees the same material (feeding the output back in would decay towards denormals).
void BM_PeakCompressorProcess(benchmark::State& state)
{
    static const Programme programme;
    std::vector<float> outLeft(kPairs), outRight(kPairs);

    peak_dynamics::PeakCompressor comp;
    setUp(comp);

    float minGain = 1.0f;
    for (int i = 0; i < kPairs; ++i)
    {
        double l = programme.left[(size_t)i], r = programme.right[(size_t)i];
        comp.process(l, r);
        minGain = std::min(minGain, comp.gainReduction);
    }

    for (auto _ : state)
    {
        for (int i = 0; i < kPairs; ++i)
        {
            double l = programme.left[(size_t)i];
            double r = programme.right[(size_t)i];
            comp.process(l, r);
            outLeft[(size_t)i] = (float)l;
            outRight[(size_t)i] = (float)r;
        }
        benchmark::DoNotOptimize(outLeft.data());
        benchmark::DoNotOptimize(outRight.data());
        benchmark::ClobberMemory();
    }

    state.SetItemsProcessed(state.iterations() * kPairs);
    state.counters["time_per_pair"] = benchmark::Counter(
        (double)kPairs, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.counters["min_gain_reduction"] = minGain;
}

// The block path on the same material: each iteration copies the source and processes it in place
// in blocks of 512 pairs.
void BM_PeakCompressorProcessBlock(benchmark::State& state)
{
    static const Programme programme;
    std::vector<float> outLeft(kPairs), outRight(kPairs);

    peak_dynamics::PeakCompressor comp;
    setUp(comp);

    for (auto _ : state)
    {
        std::copy(programme.left.begin(), programme.left.end(), outLeft.begin());
        std::copy(programme.right.begin(), programme.right.end(), outRight.begin());
        for (int start = 0; start < kPairs; start += 512)
            comp.processBlock(outLeft.data() + start, outRight.data() + start, std::min(512, kPairs - start));
        benchmark::DoNotOptimize(outLeft.data());
        benchmark::DoNotOptimize(outRight.data());
        benchmark::ClobberMemory();
    }

    state.SetItemsProcessed(state.iterations() * kPairs);
    state.counters["time_per_pair"] = benchmark::Counter(
        (double)kPairs, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

} // namespace

BENCHMARK(BM_PeakCompressorProcess)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PeakCompressorProcessBlock)->Unit(benchmark::kMicrosecond);
