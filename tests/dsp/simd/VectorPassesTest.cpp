#include <gtest/gtest.h>

#include "../BlockPathRates.h"
#include "Kernels.h"
#include "dynamics/PeakCompressor.h"
#include "dynamics/SoftKneeCompressor.h"
#include "simd/VectorPasses.h"
#include "valve/HarmonicExciter.h"
#include "valve/ValveStage.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <iomanip>
#include <limits>
#include <memory>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace
{
using vector_passes::Passes;

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

// Every table but the scalar one, which is the reference and comes last.
std::vector<const Passes*> vectorTables()
{
    std::vector<const Passes*> tables;
    for (const Passes* const* t = vector_passes::availablePasses(); *t != nullptr; ++t)
        tables.push_back(*t);
    tables.pop_back();
    return tables;
}

const Passes& scalarTable()
{
    const Passes* const* t = vector_passes::availablePasses();
    while (t[1] != nullptr)
        ++t;
    return **t;
}

// Without a vector table every comparison below would hold trivially, so a CPU that runs one must
// get one.
TEST(VectorPassTables, ChosenFirstScalarLastAndAVectorTableWhereTheCpuRunsOne)
{
    const Passes* const* list = vector_passes::availablePasses();
    ASSERT_NE(list[0], nullptr);
    EXPECT_EQ(&vector_passes::passes(), list[0]);
    EXPECT_STREQ(scalarTable().name, "scalar");
#if defined(__x86_64__)
    __builtin_cpu_init();
    if (__builtin_cpu_supports("sse4.2"))
    {
        EXPECT_FALSE(vectorTables().empty()) << "this CPU runs SSE4.2, yet only the scalar table is offered";
    }
#endif
}

// --- input material -----------------------------------------------------------------------------

// Deterministic across platforms (splitmix64), unlike the standard distributions.
class Random
{
public:
    explicit Random(std::uint64_t seed) : state(seed) {}
    double uniform()
    {
        state += 0x9e3779b97f4a7c15u;
        std::uint64_t z = state;
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9u;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebu;
        return (double)((z ^ (z >> 31)) >> 11) * 0x1.0p-53;
    }
    double between(double lo, double hi) { return lo + (hi - lo) * uniform(); }
    double logBetween(double lo, double hi) { return lo * std::pow(hi / lo, uniform()); }
    double sign() { return uniform() < 0.5 ? -1.0 : 1.0; }

private:
    std::uint64_t state;
};

// v and its neighbours up to `ulps` floats away on either side.
void addAround(std::vector<float>& values, float v, int ulps)
{
    values.push_back(v);
    float up = v, down = v;
    for (int k = 0; k < ulps; ++k)
    {
        up = std::nextafter(up, kInf);
        down = std::nextafter(down, -kInf);
        values.push_back(up);
        values.push_back(down);
    }
}

// Lengths around every vector width, so that each ends at a different place in the last vector.
const int kLengths[] = {0, 1, 3, 7, 8, 9, 15, 16, 17, 255, 256, 257, 1000};

// The edge values in turn, rotated per length so that each lands in varying lanes and in the scalar
// rest; then every edge value filling whole vectors (where a pass may take a shortcut for the whole
// vector); then the pseudo-random values in one call.
template <typename In>
std::vector<std::vector<In>> inputSets(const std::vector<In>& edges, const std::vector<In>& random)
{
    std::vector<std::vector<In>> sets;
    for (int length : kLengths)
    {
        std::vector<In> set((size_t)length);
        for (int i = 0; i < length; ++i)
            set[(size_t)i] = edges[(size_t)(i + 5 * length) % edges.size()];
        sets.push_back(std::move(set));
    }
    for (const In& edge : edges)
        sets.push_back(std::vector<In>(19, edge));
    sets.push_back(random);
    return sets;
}

std::string show(double v)
{
    std::ostringstream s;
    s << std::setprecision(17) << v << " (" << std::hexfloat << v << ")";
    return s.str();
}

// Runs a pass in place on a copy of the input, nine elements into the buffer so that no vector load
// is aligned, and fails if anything outside the n elements was written.
template <typename T, class Pass> std::vector<T> runGuarded(const std::vector<T>& input, Pass&& pass)
{
    constexpr int before = 9, after = 16;
    const T guard = (T)-1234.5;
    std::vector<T> buffer(input.size() + before + after, guard);
    std::copy(input.begin(), input.end(), buffer.begin() + before);
    pass(buffer.data() + before, (int)input.size());
    for (int k = 0; k < before; ++k)
        EXPECT_EQ(buffer[(size_t)k], guard) << "written before the start";
    for (int k = 0; k < after; ++k)
        EXPECT_EQ(buffer[input.size() + before + (size_t)k], guard) << "written after the end";
    return std::vector<T>(buffer.begin() + before, buffer.begin() + before + (long)input.size());
}

// Every table's output against the scalar table's over every input set. run(table, input) gives the
// output, one element per input plus any value the pass returns; same(actual, expected) decides
// agreement; describe(input) prints one input.
template <typename In, class Run, class Same, class Describe>
void compareWithScalar(const std::vector<In>& edges, const std::vector<In>& random, Run&& run, Same&& same,
                       Describe&& describe)
{
    const std::vector<std::vector<In>> sets = inputSets(edges, random);
    for (const Passes* table : vectorTables())
    {
        SCOPED_TRACE(table->name);
        for (const std::vector<In>& input : sets)
        {
            const auto expected = run(scalarTable(), input);
            const auto actual = run(*table, input);
            ASSERT_EQ(actual.size(), expected.size());
            size_t count = 0, first = 0;
            for (size_t i = 0; i < actual.size(); ++i)
                if (!same(actual[i], expected[i]) && count++ == 0)
                    first = i;
            if (count != 0)
                ADD_FAILURE() << count << " of " << actual.size() << " differ over " << input.size()
                              << " inputs; first at " << first << ": "
                              << (first < input.size() ? "input " + describe(input[first])
                                                       : std::string("the returned value"))
                              << " gives " << show(actual[first]) << ", the scalar kernel "
                              << show(expected[first]);
            if (testing::Test::HasFailure())
                return; // the first disagreement tells; the rest would repeat it
        }
    }
}

bool sameBits(float a, float b)
{
    if (std::isnan(a) || std::isnan(b))
        return std::isnan(a) && std::isnan(b);
    std::uint32_t x, y;
    std::memcpy(&x, &a, sizeof x);
    std::memcpy(&y, &b, sizeof y);
    return x == y;
}

// Within `absolute` plus `relative` times the expected magnitude; NaN and infinities exactly.
bool within(double actual, double expected, double absolute, double relative)
{
    if (std::isnan(actual) || std::isnan(expected))
        return std::isnan(actual) && std::isnan(expected);
    if (std::isinf(actual) || std::isinf(expected))
        return actual == expected;
    return std::fabs(actual - expected) <= absolute + relative * std::fabs(expected);
}

// --- tube curve ---------------------------------------------------------------------------------

struct TubeRow
{
    const char* name;
    int row;
    int drive; // stage parameter 3, or -1 for the row's own
    int bias;  // stage parameter 10, or -1 for the row's own
};

// The plug-in's two rows over the drive range, the steepest curve, and both ends of the bias: 127
// puts the working point at 0, the curve's unbiased form.
const TubeRow kTubeRows[] = {
    {"row5Default", 5, -1, -1}, {"row6FullDrive", 6, 100, 70}, {"row0Steepest", 0, 127, 69},
    {"biasZeroQ", 5, 85, 127},  {"biasLowest", 6, 80, 0},
};

kernels::TubeParams tubeParamsOf(const TubeRow& r)
{
    ValveStage stage;
    stage.setSampleRate(48000.0);
    stage.init();
    stage.loadPreset(r.row);
    if (r.bias >= 0)
        stage.setParameter(10, r.bias);
    if (r.drive >= 0)
        stage.setParameter(3, r.drive);
    return {stage.tubeQ, stage.tubeDist, stage.tubeAtQ, stage.tubeOffset};
}

std::vector<float> tubeEdges(const kernels::TubeParams& p)
{
    std::vector<float> v = {0.0f,    -0.0f,  FLT_TRUE_MIN, -FLT_TRUE_MIN, FLT_MIN, -FLT_MIN, 1e-30f,
                            -1e-30f, 1e-7f,  -1e-7f,       0.5f,          -0.5f,   1.0f,     -1.0f,
                            2.5f,    3.0f,   -3.0f,        -20.0f,        -200.0f, 1e6f,     -1e6f,
                            1e30f,   -1e30f, FLT_MAX,      -FLT_MAX,      kInf,    -kInf,    kNaN};
    // The clamp level and either side of it.
    addAround(v, kernels::kClampLevel, 3);
    // x == q, where the denominator is 0, and the few ulps around it where exp(-dist u) rounds to 1.
    addAround(v, p.q, 6);
    for (int j = 1; j <= 8; ++j)
        for (float s : {-1.0f, 1.0f})
            v.push_back(p.q + s * (float)j * 0x1.0p-24f / p.dist);
    // Where exp(-dist u) leaves the float range.
    for (float e : {80.0f, 88.5f, 88.8f, 89.0f, 104.0f})
        v.push_back(p.q - e / p.dist);
    return v;
}

std::vector<float> tubeRandom(const kernels::TubeParams& p, std::uint64_t seed)
{
    Random random(seed);
    std::vector<float> v(250001);
    for (float& x : v)
    {
        const double pick = random.uniform();
        if (pick < 0.6)
            x = (float)random.between(-4.0, 4.0);
        else if (pick < 0.8)
            x = p.q + (float)random.between(-1e-3, 1e-3);
        else
            x = (float)(random.sign() * random.logBetween(1e-38, 1e4));
    }
    return v;
}

TEST(VectorPasses, TubeCurveEqualsTheScalarKernelBitForBit)
{
    std::uint64_t seed = 1;
    for (const TubeRow& row : kTubeRows)
    {
        const kernels::TubeParams p = tubeParamsOf(row);
        if (row.bias == 127)
        {
            ASSERT_EQ(p.q, 0.0f) << "bias 127 no longer gives the unbiased curve";
        }
        SCOPED_TRACE(std::string(row.name) + ", q " + show(p.q) + ", dist " + show(p.dist));
        compareWithScalar(
            tubeEdges(p), tubeRandom(p, seed++),
            [&p](const Passes& table, const std::vector<float>& in)
            { return runGuarded(in, [&](float* x, int n) { table.tubeCurve(x, n, p); }); },
            sameBits, [](float x) { return show(x); });
        if (HasFailure())
            return;
    }
}

// --- soft-knee targets --------------------------------------------------------------------------

// The gain computer's parameters as SoftKneeCompressor derives them for a preset row.
kernels::SoftKneeParams softKneeParamsOf(int row)
{
    SoftKneeCompressor c;
    c.setSampleRate(48000.0);
    c.init();
    c.loadPreset(row);
    const float invRatio = 1.0f / (float)c.getParameter(SoftKneeCompressor::ratioParam);
    const float kneeWidth = c.getKneeWidth();
    return {c.getThreshold(), c.getKneeTop(), c.getLog2Ratio(),
            1.0f / kneeWidth, invRatio,       kneeWidth / c.getLog2Ratio(),
            c.getMakeupGain()};
}

// The envelope whose dB, as the kernel computes it, is `db`.
float envelopeAt(double db)
{
    return (float)std::exp(db * 2.3025848865509033 / 20.0);
}

std::vector<float> softKneeEdges(const kernels::SoftKneeParams& p)
{
    std::vector<float> v = {0.0f, -0.0f, FLT_TRUE_MIN, FLT_MIN, 1e-30f, 1e-10f,  1e-5f, 0.5f,
                            1.0f, 2.0f,  20.0f,        1e3f,    1e30f,  FLT_MAX, kInf,  kNaN};
    // The threshold and the top of the knee in linear terms, and a hair below the threshold, where a
    // level may be known to be under it without its logarithm: both sides of each.
    addAround(v, envelopeAt(p.threshold), 4);
    addAround(v, envelopeAt(p.kneeTop), 4);
    addAround(v, (float)(std::pow(10.0, p.threshold / 20.0) * (1.0 - 1.0 / 65536.0)), 4);
    return v;
}

std::vector<float> softKneeRandom(std::uint64_t seed)
{
    Random random(seed);
    std::vector<float> v(125001);
    for (float& e : v)
        e = (float)(random.uniform() < 0.7 ? random.logBetween(1e-9, 30.0) : random.between(0.0, 1.5));
    return v;
}

TEST(VectorPasses, SoftKneeTargetsAndLastDecibelsEqualTheScalarKernelsBitForBit)
{
    for (int row = 0; row < SoftKneeCompressor::numPresets; ++row)
    {
        const kernels::SoftKneeParams p = softKneeParamsOf(row);
        const vector_passes::QuietEnvelopes quiet = vector_passes::quietEnvelopesFor(p);
        SCOPED_TRACE("preset row " + std::to_string(row));
        compareWithScalar(
            softKneeEdges(p), softKneeRandom(100 + (std::uint64_t)row),
            [&p, &quiet](const Passes& table, const std::vector<float>& in)
            {
                // The pass also returns the last envelope in dB, which becomes the compressor's state.
                float lastDb = 0.0f;
                std::vector<float> out =
                    runGuarded(in, [&](float* e, int n) { lastDb = table.softKneeTargets(e, n, p, quiet); });
                if (!in.empty())
                    out.push_back(lastDb);
                return out;
            },
            sameBits, [](float e) { return show(e); });
        if (HasFailure())
            return;
    }
}

// --- peak levels and gains ----------------------------------------------------------------------

struct Pair
{
    float left, right;
};

// From the plug-in's settings down to thresholds so low that no level is under them.
const double kPeakThresholds[] = {0.0, -1.0, -18.4, -20.0, -60.0, -96.0, -300.0, -500.0};

std::vector<Pair> peakLevelEdges(double thresholdDb)
{
    std::vector<float> m = {0.0f,  -0.0f, FLT_TRUE_MIN, FLT_MIN, 1e-30f, 1e-12f, 0.5f, 1.0f,
                            -1.0f, 2.0f,  1e30f,        FLT_MAX, kInf,   -kInf,  kNaN};
    // The threshold in linear terms, and a hair below it, where a key may be known to be under it
    // without its logarithm.
    addAround(m, (float)(std::exp(thresholdDb / 8.685889638065037) - 1e-25), 4);
    addAround(m, (float)(std::pow(10.0, thresholdDb / 20.0) * (1.0 - 1.0 / 65536.0)), 4);
    // Every pairing, so that each value is the larger and the smaller of the two, on either side.
    std::vector<Pair> pairs;
    for (float l : m)
        for (float r : m)
            pairs.push_back({l, r});
    return pairs;
}

std::vector<Pair> peakLevelRandom(std::uint64_t seed)
{
    Random random(seed);
    std::vector<Pair> v(150001);
    auto sample = [&random]
    {
        return (float)(random.uniform() < 0.5 ? random.between(-1.5, 1.5)
                                              : random.sign() * random.logBetween(1e-12, 4.0));
    };
    for (Pair& p : v)
    {
        p.left = sample();
        p.right = sample();
    }
    return v;
}

std::vector<double> runPeakLevels(const Passes& table, const std::vector<Pair>& in, double thresholdDb)
{
    std::vector<float> left, right;
    for (const Pair& p : in)
    {
        left.push_back(p.left);
        right.push_back(p.right);
    }
    // The output is written, never read: its initial values are the guards.
    return runGuarded(std::vector<double>(in.size(), -1234.5), [&](double* levels, int n)
                      { table.peakLevels(left.data(), right.data(), levels, n, thresholdDb); });
}

// The peak compressor's passes work in single precision: a few float ulps of the magnitudes involved.
constexpr double kFewFloatUlps = 4.0 * FLT_EPSILON;

TEST(VectorPasses, PeakLevelsAgreeWithTheScalarKernelWithinAFewFloatUlps)
{
    std::uint64_t seed = 200;
    for (double thresholdDb : kPeakThresholds)
    {
        SCOPED_TRACE("threshold " + std::to_string(thresholdDb) + " dB");
        // The logarithm in dB is about level + threshold; the threshold is rounded to float.
        compareWithScalar(
            peakLevelEdges(thresholdDb), peakLevelRandom(seed++),
            [thresholdDb](const Passes& table, const std::vector<Pair>& in)
            { return runPeakLevels(table, in, thresholdDb); },
            [thresholdDb](double a, double b)
            { return within(a, b, kFewFloatUlps * 2.0 * std::fabs(thresholdDb), kFewFloatUlps); },
            [](const Pair& p) { return "left " + show(p.left) + ", right " + show(p.right); });
        if (HasFailure())
            return;
    }
}

constexpr double kLn10Over20 = 0.11512925464970228;

// Transparent, the plug-in's compressing ratios, and an upward expander.
const double kRatiosMinusOne[] = {0.0, -0.2, -0.5, -0.75, -0.9, 0.5};

std::vector<double> peakGainEdges(double ratioMinusOne)
{
    const double inf = std::numeric_limits<double>::infinity();
    std::vector<double> v = {1e-25, 0.0,   -0.0,  4.9e-324, 1e-300, 1e-12, 0.5,   1.0, 6.0,  20.0,
                             60.0,  100.0, 300.0, 1000.0,   6000.0, 1e5,   1e300, inf, -inf, std::nan("")};
    // Envelopes whose exponent reaches the ends of the double range: subnormal gains, zero, and
    // overflow for the expander.
    if (ratioMinusOne != 0.0)
        for (double exponent :
             {-746.0, -745.2, -745.0, -720.0, -708.4, -708.0, 709.7, 709.78, 709.79, 709.9, 710.0})
        {
            const double env = exponent / (ratioMinusOne * kLn10Over20) + 1e-25;
            if (env > 0.0)
                v.push_back(env);
        }
    return v;
}

std::vector<double> peakGainRandom(std::uint64_t seed)
{
    Random random(seed);
    std::vector<double> v(170001);
    for (double& e : v)
        e = random.uniform() < 0.5 ? random.between(1e-25, 60.0) : random.logBetween(1e-25, 1e3);
    return v;
}

TEST(VectorPasses, PeakGainsAgreeWithTheScalarKernelWithinAFewFloatUlpsOfTheirExponent)
{
    std::uint64_t seed = 300;
    for (double ratioMinusOne : kRatiosMinusOne)
    {
        SCOPED_TRACE("inverse ratio less one " + std::to_string(ratioMinusOne));
        compareWithScalar(
            peakGainEdges(ratioMinusOne), peakGainRandom(seed++),
            [ratioMinusOne](const Passes& table, const std::vector<double>& in)
            { return runGuarded(in, [&](double* e, int n) { table.peakGains(e, n, ratioMinusOne); }); },
            // exp(x) carries the rounding of x, a relative error of |x| float ulps.
            [](double a, double b)
            { return within(a, b, 0.0, kFewFloatUlps * (1.0 + (b > 0.0 ? std::fabs(std::log(b)) : 0.0))); },
            [](double e) { return show(e); });
        if (HasFailure())
            return;
    }
}

// --- stages at every rate -----------------------------------------------------------------------

using block_path_rates::kRates;
using block_path_signals::blockSchedule;
using block_path_signals::StereoSignal;

constexpr int kMaxBlock = 512;
constexpr int kLength = 6144;

// Two instances of one stage: the reference runs the per-sample operation, the other the block path,
// each on its own copy of a block.
class StagePair
{
public:
    virtual ~StagePair() = default;
    virtual void run(float* refL, float* refR, float* blkL, float* blkR, int n) = 0;
};

class ValvePair : public StagePair
{
public:
    ValvePair(double rate, int row, int drive, int bias)
    {
        for (ValveStage* s : {&reference, &block})
        {
            s->setSampleRate(rate);
            s->setBlockSize(kMaxBlock);
            s->setNumSamples(kMaxBlock);
            s->init();
            s->activate();
            s->loadPreset(row);
            s->setParameter(10, bias);
            s->setParameter(3, drive);
        }
    }
    void run(float* refL, float* refR, float* blkL, float* blkR, int n) override
    {
        float* ref[] = {refL, refR};
        float* blk[] = {blkL, blkR};
        juce::AudioSampleBuffer refBuffer(ref, 2, n), blkBuffer(blk, 2, n);
        reference.processBlock(refBuffer);
        block.processBlockInPasses(blkBuffer);
    }

private:
    ValveStage reference, block;
};

class ExciterPair : public StagePair
{
public:
    explicit ExciterPair(double rate)
    {
        // The valve stage's harmonics, highpass and mix.
        static const float harmonics[10] = {1.0f, 0.0f, -1.0f, 0.0f, 1.0f, 0.0f, -1.0f, 0.0f, 1.0f, 0.0f};
        for (HarmonicExciter* e : {&reference, &block})
        {
            e->setSampleRate(rate);
            e->setNumSamples(kMaxBlock);
            e->setBlockSize(kMaxBlock);
            e->init(harmonics, 20.0f, 20000.0f, 1.0f);
            e->setHighpass(1, 250.0f);
            e->setMix(1, 0.5f);
        }
    }
    void run(float* refL, float* refR, float* blkL, float* blkR, int n) override
    {
        for (HarmonicExciter* e : {&reference, &block})
        {
            e->setNumSamples(n);
            e->setBlockSize(n);
        }
        reference.process(refL, refR);
        block.processBlock(blkL, blkR);
    }

private:
    HarmonicExciter reference, block;
};

class SoftKneePair : public StagePair
{
public:
    SoftKneePair(double rate, int row)
    {
        for (SoftKneeCompressor* c : {&reference, &block})
        {
            c->setSampleRate(rate);
            c->setNumSamples(kMaxBlock);
            c->init();
            c->loadPreset(row);
        }
    }
    void run(float* refL, float* refR, float* blkL, float* blkR, int n) override
    {
        reference.setNumSamples(n);
        block.setNumSamples(n);
        reference.process(refL, refR);
        block.processBlock(blkL, blkR);
    }

private:
    SoftKneeCompressor reference, block;
};

class PeakPair : public StagePair
{
public:
    explicit PeakPair(double rate)
    {
        for (peak_dynamics::PeakCompressor* c : {&reference, &block})
        {
            c->setSampleRate(rate);
            c->setThresh(-20.0);
            c->setRatio(0.25);
            c->setAttack(10.0);
            c->setRelease(100.0);
        }
    }
    void run(float* refL, float* refR, float* blkL, float* blkR, int n) override
    {
        for (int i = 0; i < n; ++i)
        {
            double l = refL[i], r = refR[i];
            reference.process(l, r);
            refL[i] = (float)l;
            refR[i] = (float)r;
        }
        block.processBlock(blkL, blkR, n);
    }

private:
    peak_dynamics::PeakCompressor reference, block;
};

struct StageCase
{
    const char* name;
    std::function<std::unique_ptr<StagePair>(double rate)> make;
};

const StageCase kStageCases[] = {
    {"valveRow5Default", [](double rate) { return std::make_unique<ValvePair>(rate, 5, 80, 112); }},
    {"valveRow6FullDrive", [](double rate) { return std::make_unique<ValvePair>(rate, 6, 100, 70); }},
    {"valveRow2FiltersFirst", [](double rate) { return std::make_unique<ValvePair>(rate, 2, 90, 100); }},
    {"exciter", [](double rate) { return std::make_unique<ExciterPair>(rate); }},
    // Row 1: linked channels with a knee; row 4: independent channels with peak hold and the clip.
    {"softKneeLinkedRow1", [](double rate) { return std::make_unique<SoftKneePair>(rate, 1); }},
    {"softKneeUnlinkedPeakRow4", [](double rate) { return std::make_unique<SoftKneePair>(rate, 4); }},
    {"peakCompressor", [](double rate) { return std::make_unique<PeakPair>(rate); }},
};

void PrintTo(const StageCase& c, std::ostream* os)
{
    *os << c.name;
}

class StageBlockPathAtEveryRate : public testing::TestWithParam<std::tuple<StageCase, double>>
{
};

TEST_P(StageBlockPathAtEveryRate, MatchesThePerSampleOperation)
{
    const auto& [stage, rate] = GetParam();
    double worstOverall = 0.0, largestChange = 0.0;
    for (const StereoSignal& signal : block_path_rates::signalsAt(rate, kLength))
    {
        std::unique_ptr<StagePair> pair = stage.make(rate);
        std::vector<float> refL = signal.left, refR = signal.right, blkL = signal.left, blkR = signal.right;
        for (const auto& [start, n] : blockSchedule(kLength))
            pair->run(refL.data() + start, refR.data() + start, blkL.data() + start, blkR.data() + start, n);

        const double worst = std::max(block_path_rates::worstDifference(blkL.data(), refL.data(), kLength),
                                      block_path_rates::worstDifference(blkR.data(), refR.data(), kLength));
        EXPECT_LE(worst, block_path_rates::kTolerance)
            << stage.name << " at " << rate << " Hz on " << signal.name << ": worst difference " << worst;
        worstOverall = std::max(worstOverall, worst);
        largestChange = std::max(
            {largestChange, block_path_rates::worstDifference(refL.data(), signal.left.data(), kLength),
             block_path_rates::worstDifference(refR.data(), signal.right.data(), kLength)});
    }
    // Two paths that both leave the signal alone would agree without proving anything.
    EXPECT_GT(largestChange, 0.01) << stage.name << " changed no signal at " << rate << " Hz";
    RecordProperty("worstDifference", show(worstOverall));
}

INSTANTIATE_TEST_SUITE_P(Stages, StageBlockPathAtEveryRate,
                         testing::Combine(testing::ValuesIn(kStageCases), testing::ValuesIn(kRates)),
                         [](const testing::TestParamInfo<std::tuple<StageCase, double>>& info)
                         {
                             return std::string(std::get<0>(info.param).name) + "_" +
                                    block_path_rates::rateName(std::get<1>(info.param));
                         });

} // namespace
