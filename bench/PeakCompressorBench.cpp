#include <benchmark/benchmark.h>

#include "BenchSignals.h"
#include "dynamics/PeakCompressor.h"

#include <algorithm>
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
        bench::fillProgramme(left.data(), right.data(), kPairs, kSampleRate, {1234, 0.08f, 0.35, 1975.0});
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
        bench::keep(outLeft.data(), outRight.data());
    }

    state.SetItemsProcessed(state.iterations() * kPairs);
    state.counters["time_per_pair"] = bench::timePerFrame(kPairs);
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
        bench::keep(outLeft.data(), outRight.data());
    }

    state.SetItemsProcessed(state.iterations() * kPairs);
    state.counters["time_per_pair"] = bench::timePerFrame(kPairs);
}

} // namespace

BENCHMARK(BM_PeakCompressorProcess)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PeakCompressorProcessBlock)->Unit(benchmark::kMicrosecond);
