#include <gtest/gtest.h>

#include "filters/AnalogFilter.h"

#include <cmath>
#include <complex>
#include <ostream>
#include <random>
#include <vector>

using ZandralDSP::AnalogFilter;
using ZandralDSP::ProtoFilter;

namespace
{

constexpr double pi = 3.14159265358979323846;

AnalogFilter makeFilter(int type, int orderIndex, float cutoff, float q, double sampleRate = 44100.0,
                        int length = 64)
{
    AnalogFilter f;
    f.setSampleRate(sampleRate);
    f.setNumSamples(length);
    f.setBlockSize(length);
    f.init(type, orderIndex, cutoff, q);
    return f;
}

std::vector<float> noise(int length, unsigned seed = 1)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> dist(-1.0f, 1.0f);
    std::vector<float> v(static_cast<size_t>(length));
    for (auto& s : v)
        s = dist(rng);
    return v;
}

std::vector<float> run(AnalogFilter& f, std::vector<float> block)
{
    f.process(block.data());
    return block;
}

double dbToGain(double db)
{
    return std::pow(10.0, db / 20.0);
}

struct Coefficients
{
    double b0, b1, b2, a1, a2; // a1, a2 in the stored sign
};

void expectCoefficients(const AnalogFilter& f, const Coefficients& e, double tolerance)
{
    const float* c = f.getCoefficients();
    EXPECT_NEAR(c[0], e.b0, tolerance);
    EXPECT_NEAR(c[1], e.b1, tolerance);
    EXPECT_NEAR(c[2], e.b2, tolerance);
    EXPECT_EQ(c[3], 0.0f);
    EXPECT_NEAR(c[4], e.a1, tolerance);
    EXPECT_NEAR(c[5], e.a2, tolerance);
}

void expectSameCoefficients(const float* actual, const float* expected, float tolerance)
{
    for (int i = 0; i < 6; ++i)
        EXPECT_NEAR(actual[i], expected[i], tolerance) << "coefficient " << i;
}

// Textbook (RBJ cookbook) coefficients, normalised by a0 and with the feedback sign flipped to the
// filter's stored convention. The filter's own Q mapping per type: bandpass scales the RBJ
// constant-peak bandpass by sqrt(Q + 1), the notch and both shelves use sqrt(Q) as RBJ Q, the peak
// uses 3Q; A is the linear gain parameter as passed.
Coefficients rbjReference(int type, double hz, double q, double A, double fs)
{
    const double w = 2.0 * pi * hz / fs;
    const double s = std::sin(w), c = std::cos(w);
    double b0 = 0, b1 = 0, b2 = 0, a0 = 1, a1 = 0, a2 = 0;
    switch (type)
    {
    case 0:
    {
        const double p = std::exp(-w);
        return {1.0 - p, 0.0, 0.0, p, 0.0};
    }
    case 1:
    {
        const double p = std::exp(-w);
        return {(1.0 + p) / 2.0, -(1.0 + p) / 2.0, 0.0, p, 0.0};
    }
    case 2:
    case 3:
    case 4:
    case 5:
    case 6:
    {
        const double rbjQ = type == 5 ? std::sqrt(q) : (type == 6 ? 3.0 * q : q);
        const double alpha = s / (2.0 * rbjQ);
        a0 = 1.0 + alpha;
        a1 = -2.0 * c;
        a2 = 1.0 - alpha;
        if (type == 2)
        {
            b0 = b2 = (1.0 - c) / 2.0;
            b1 = 1.0 - c;
        }
        else if (type == 3)
        {
            b0 = b2 = (1.0 + c) / 2.0;
            b1 = -(1.0 + c);
        }
        else if (type == 4)
        {
            b0 = alpha * std::sqrt(q + 1.0);
            b2 = -b0;
        }
        else if (type == 5)
        {
            b0 = b2 = 1.0;
            b1 = -2.0 * c;
        }
        else
        {
            b0 = 1.0 + alpha * A;
            b1 = -2.0 * c;
            b2 = 1.0 - alpha * A;
            a0 = 1.0 + alpha / A;
            a2 = 1.0 - alpha / A;
        }
        break;
    }
    default:
    {
        const double alpha = s / (2.0 * std::sqrt(q));
        const double k = 2.0 * std::sqrt(A) * alpha;
        if (type == 7)
        {
            b0 = A * ((A + 1) - (A - 1) * c + k);
            b1 = 2 * A * ((A - 1) - (A + 1) * c);
            b2 = A * ((A + 1) - (A - 1) * c - k);
            a0 = (A + 1) + (A - 1) * c + k;
            a1 = -2 * ((A - 1) + (A + 1) * c);
            a2 = (A + 1) + (A - 1) * c - k;
        }
        else
        {
            b0 = A * ((A + 1) + (A - 1) * c + k);
            b1 = -2 * A * ((A - 1) + (A + 1) * c);
            b2 = A * ((A + 1) + (A - 1) * c - k);
            a0 = (A + 1) - (A - 1) * c + k;
            a1 = 2 * ((A - 1) - (A + 1) * c);
            a2 = (A + 1) - (A - 1) * c - k;
        }
        break;
    }
    }
    return {b0 / a0, b1 / a0, b2 / a0, -a1 / a0, -a2 / a0};
}

// Magnitude of the filter's own difference equation at hz, from its stored coefficients.
double digitalMagnitude(const AnalogFilter& f, double hz, double fs)
{
    const float* k = f.getCoefficients();
    const std::complex<double> z1 = std::polar(1.0, -2.0 * pi * hz / fs);
    const std::complex<double> z2 = z1 * z1;
    const std::complex<double> num = double(k[0]) + double(k[1]) * z1 + double(k[2]) * z2;
    const std::complex<double> den = 1.0 - double(k[4]) * z1 - double(k[5]) * z2;
    return std::abs(num / den);
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Coefficient sets

TEST(AnalogFilterCoefficients, KnownSetsAt44100Hz1kHzQ1)
{
    struct Case
    {
        int type;
        Coefficients expected;
    };
    const Case cases[] = {
        {2, {0.0047304, 0.0094609, 0.0047304, 1.8484969, -0.8674186}},
        {3, {0.9289789, -1.8579578, 0.9289789, 1.8484969, -0.8674186}},
        {0, {0.1327915, 0.0, 0.0, 0.8672085, 0.0}},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.type);
        auto f = makeFilter(c.type, 0, 1000.0f, 1.0f);
        expectCoefficients(f, c.expected, 1e-6);
        if (c.type != 0)
        {
            EXPECT_EQ(f.getCoefficients()[0], f.getCoefficients()[2]);
        }
    }
}

struct RbjCase
{
    int type;
    float cutoff;
    float q;
    float gainDb;
};

std::ostream& operator<<(std::ostream& os, const RbjCase& c)
{
    return os << "type " << c.type << ", " << c.cutoff << " Hz, Q " << c.q << ", " << c.gainDb << " dB";
}

class AnalogFilterRbj : public ::testing::TestWithParam<RbjCase>
{
};

TEST_P(AnalogFilterRbj, MatchesTextbookSetInStoredSign)
{
    const auto p = GetParam();
    auto f = makeFilter(p.type, 0, p.cutoff, p.q);
    f.setGainDecibels(p.gainDb);
    EXPECT_EQ(f.getSectionOrder(), p.type <= 1 ? 1 : 2);
    EXPECT_NEAR(f.getGain(), dbToGain(p.gainDb), 1e-5 * dbToGain(p.gainDb));
    // Single-precision arithmetic against a double reference; coefficients are of order 1 to 4.
    expectCoefficients(f, rbjReference(p.type, p.cutoff, p.q, dbToGain(p.gainDb), 44100.0), 4e-6);
}

INSTANTIATE_TEST_SUITE_P(AllTypes, AnalogFilterRbj,
                         ::testing::Values(RbjCase{0, 1000.0f, 1.0f, 0.0f}, RbjCase{0, 50.0f, 1.0f, 0.0f},
                                           RbjCase{1, 1000.0f, 1.0f, 0.0f}, RbjCase{1, 12000.0f, 1.0f, 0.0f},
                                           RbjCase{2, 250.0f, 0.5f, 0.0f}, RbjCase{2, 8000.0f, 4.0f, 0.0f},
                                           RbjCase{2, 21550.0f, 1.0f, 0.0f}, RbjCase{3, 20.0f, 1.0f, 0.0f},
                                           RbjCase{3, 8000.0f, 0.7071f, 0.0f},
                                           RbjCase{4, 1000.0f, 1.0f, 0.0f}, RbjCase{4, 3000.0f, 3.0f, 0.0f},
                                           RbjCase{5, 1000.0f, 1.0f, 0.0f}, RbjCase{5, 5000.0f, 4.0f, 0.0f},
                                           RbjCase{6, 1000.0f, 1.0f, 6.0f}, RbjCase{6, 4000.0f, 2.0f, -9.0f},
                                           RbjCase{7, 1000.0f, 1.0f, 6.0f}, RbjCase{7, 300.0f, 0.5f, -12.0f},
                                           RbjCase{8, 1000.0f, 1.0f, 6.0f},
                                           RbjCase{8, 6000.0f, 2.0f, -6.0f}));

// ---------------------------------------------------------------------------------------------
// Limit near Nyquist

struct LimitCase
{
    double sampleRate;
    float cutoff;
    bool above;
};

std::ostream& operator<<(std::ostream& os, const LimitCase& c)
{
    return os << c.sampleRate << " Hz rate, cutoff " << c.cutoff << (c.above ? " above" : " not above");
}

class AnalogFilterLimit : public ::testing::TestWithParam<LimitCase>
{
};

TEST_P(AnalogFilterLimit, HighpassIsSilentExactlyAboveIntegerHalfMinus500)
{
    const auto p = GetParam();
    auto f = makeFilter(3, 0, p.cutoff, 1.0f, p.sampleRate);
    EXPECT_EQ(f.isAboveLimit(), p.above);
    const float* c = f.getCoefficients();
    const bool allZero = c[0] == 0.0f && c[1] == 0.0f && c[2] == 0.0f && c[4] == 0.0f && c[5] == 0.0f;
    EXPECT_EQ(allZero, p.above);
}

INSTANTIATE_TEST_SUITE_P(
    Rates, AnalogFilterLimit,
    ::testing::Values(LimitCase{44100.0, 21550.0f, false}, LimitCase{44100.0, 21550.002f, true},
                      LimitCase{44100.0, 22000.0f, true}, LimitCase{48000.0, 23500.0f, false},
                      LimitCase{48000.0, 23501.0f, true},
                      // floor of the integer half: 44101 still gives 21550
                      LimitCase{44101.0, 21550.0f, false}, LimitCase{44101.0, 21550.5f, true},
                      LimitCase{44101.0, 21551.0f, true},
                      // the integer part of the rate counts
                      LimitCase{44100.9, 21550.0f, false}, LimitCase{44100.9, 21551.0f, true}));

struct FixedCase
{
    int type;
    int orderIndex;
};

std::ostream& operator<<(std::ostream& os, const FixedCase& c)
{
    return os << "type " << c.type << ", order index " << c.orderIndex;
}

class AnalogFilterFixedSet : public ::testing::TestWithParam<FixedCase>
{
};

TEST_P(AnalogFilterFixedSet, ProcessesAsFixedSetAbove22kHz)
{
    const auto p = GetParam();
    const float gainDb = 6.0f;
    auto f = makeFilter(p.type, p.orderIndex, 22000.0f, 1.0f);
    f.setGainDecibels(gainDb);
    f.reset(); // drop the fade-in armed by init above the limit
    EXPECT_EQ(f.getSectionOrder(), p.type <= 1 ? 1 : 2);

    const auto in = noise(64);
    const auto out = run(f, in);

    std::vector<float> expected = in;
    switch (p.type)
    {
    case 1:
        for (int k = 0; k <= p.orderIndex; ++k)
        {
            float prev = 0.0f;
            for (auto& s : expected)
            {
                const float v = s;
                s = 0.5f * v - 0.5f * prev;
                prev = v;
            }
        }
        break;
    case 3:
    case 4:
        std::fill(expected.begin(), expected.end(), 0.0f);
        break;
    case 7:
        for (auto& s : expected)
            s *= static_cast<float>(dbToGain(gainDb));
        break;
    default:
        break;
    }

    // Pass-through sets must be exact: the denormal offset stays out of the output.
    const float tolerance = p.type == 7 ? 1e-5f : (p.type == 1 ? 1e-7f : 0.0f);
    for (size_t i = 0; i < in.size(); ++i)
        EXPECT_NEAR(out[i], expected[i], tolerance) << "sample " << i;
}

INSTANTIATE_TEST_SUITE_P(AllTypes, AnalogFilterFixedSet,
                         ::testing::Values(FixedCase{0, 0}, FixedCase{1, 0}, FixedCase{1, 1}, FixedCase{2, 0},
                                           FixedCase{3, 0}, FixedCase{4, 0}, FixedCase{5, 0}, FixedCase{6, 0},
                                           FixedCase{7, 0}, FixedCase{7, 1}, FixedCase{7, 3},
                                           FixedCase{8, 0}));

// ---------------------------------------------------------------------------------------------
// Cascades

struct CascadeCase
{
    int type;
    int orderIndex;
    float q;
    float gainDb;
    float sectionQ;
    float sectionGainDb;
};

std::ostream& operator<<(std::ostream& os, const CascadeCase& c)
{
    return os << "type " << c.type << ", order index " << c.orderIndex << ", Q " << c.q << ", " << c.gainDb
              << " dB";
}

class AnalogFilterCascade : public ::testing::TestWithParam<CascadeCase>
{
};

TEST_P(AnalogFilterCascade, SectionsUseRootsOfQAndGain)
{
    const auto p = GetParam();
    auto cascade = makeFilter(p.type, p.orderIndex, 1000.0f, p.q);
    cascade.setGainDecibels(p.gainDb);
    auto single = makeFilter(p.type, 0, 1000.0f, p.sectionQ);
    single.setGainDecibels(p.sectionGainDb);

    expectSameCoefficients(cascade.getCoefficients(), single.getCoefficients(), 1e-5f);
    // The cascade keeps its own settings; only the sections use the roots.
    EXPECT_EQ(cascade.getQ(), p.q);
    EXPECT_NEAR(cascade.getGain(), dbToGain(p.gainDb), 1e-5);
}

INSTANTIATE_TEST_SUITE_P(RootsOfSettings, AnalogFilterCascade,
                         ::testing::Values(CascadeCase{2, 1, 4.0f, 0.0f, 2.0f, 0.0f},
                                           // Q up to 1 stays as it is
                                           CascadeCase{2, 1, 0.5f, 0.0f, 0.5f, 0.0f},
                                           CascadeCase{3, 1, 1.0f, 0.0f, 1.0f, 0.0f},
                                           CascadeCase{3, 2, 8.0f, 0.0f, 2.0f, 0.0f},
                                           // gain 4 (12.04 dB) over two sections gives 2 each
                                           CascadeCase{6, 1, 1.0f, 12.0412f, 1.0f, 6.0206f},
                                           CascadeCase{7, 1, 4.0f, 12.0412f, 2.0f, 6.0206f},
                                           CascadeCase{8, 1, 0.5f, -12.0412f, 0.5f, -6.0206f}));

TEST(AnalogFilterCascadeOutput, EqualsSingleSectionsInSeries)
{
    for (int orderIndex : {1, 5})
    {
        SCOPED_TRACE(orderIndex);
        auto cascade = makeFilter(2, orderIndex, 1500.0f, 0.7f);
        std::vector<AnalogFilter> chain;
        for (int k = 0; k <= orderIndex; ++k)
            chain.push_back(makeFilter(2, 0, 1500.0f, 0.7f));

        for (unsigned seed = 1; seed <= 3; ++seed)
        {
            auto expected = noise(64, seed);
            const auto out = run(cascade, expected);
            for (auto& section : chain)
                expected = run(section, expected);
            for (size_t i = 0; i < out.size(); ++i)
                EXPECT_FLOAT_EQ(out[i], expected[i]);
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Crossfade arming

struct JumpCase
{
    float from;
    float to;
    bool crossfades;
};

std::ostream& operator<<(std::ostream& os, const JumpCase& c)
{
    return os << c.from << " Hz to " << c.to << " Hz";
}

class AnalogFilterJump : public ::testing::TestWithParam<JumpCase>
{
};

TEST_P(AnalogFilterJump, CrossfadesOnJumpAboveThreeOrLimitCrossing)
{
    const auto p = GetParam();
    auto f = makeFilter(2, 0, p.from, 1.0f);
    f.setCutoff(p.from); // spends the suppression after init
    f.reset();           // drops the fade-in that init above the limit arms
    ASSERT_FALSE(f.isCrossfadePending());

    f.setCutoff(p.to);
    EXPECT_EQ(f.isCrossfadePending(), p.crossfades);
}

INSTANTIATE_TEST_SUITE_P(
    Jumps, AnalogFilterJump,
    ::testing::Values(JumpCase{1000.0f, 3000.0f, false}, JumpCase{3000.0f, 1000.0f, false},
                      JumpCase{1000.0f, 3001.0f, true}, JumpCase{3001.0f, 1000.0f, true},
                      JumpCase{1000.0f, 333.0f, true}, JumpCase{21000.0f, 22000.0f, true},
                      JumpCase{22000.0f, 21000.0f, true}, JumpCase{22000.0f, 40000.0f, false},
                      JumpCase{21550.0f, 21551.0f, true}, JumpCase{100.0f, 0.01f, true}));

TEST(AnalogFilterJump, FirstChangeAfterInitCopiesButArmsNothing)
{
    struct Case
    {
        float from, to;
    };
    for (const Case c : {Case{1000.0f, 3001.0f}, Case{21000.0f, 22000.0f}})
    {
        SCOPED_TRACE(c.to);
        auto f = makeFilter(2, 1, c.from, 1.0f);
        run(f, noise(64));
        const AnalogFilter before = f;

        ProtoFilter& base = f;
        base.setCutoff(c.to);
        EXPECT_FALSE(f.isCrossfadePending());
        EXPECT_FALSE(f.isCrossfadeSuppressed());
        expectSameCoefficients(f.getPreviousCoefficients(), before.getCoefficients(), 0.0f);
        for (int k = 0; k < AnalogFilter::maxSections; ++k)
            for (int j = 0; j < 2; ++j)
            {
                EXPECT_EQ(f.getPreviousInputState(k)[j], before.getInputState(k)[j]);
                EXPECT_EQ(f.getPreviousOutputState(k)[j], before.getOutputState(k)[j]);
            }

        // From now on jumps crossfade normally.
        base.setCutoff(c.from);
        EXPECT_TRUE(f.isCrossfadePending());
    }
}

TEST(AnalogFilterJump, FurtherJumpBeforeProcessStartsFromLatestSet)
{
    auto f = makeFilter(3, 0, 1000.0f, 1.0f);
    f.setCutoff(1000.0f);
    f.setCutoff(3001.0f);
    const auto middle = makeFilter(3, 0, 3001.0f, 1.0f);
    f.setCutoff(9004.0f);
    EXPECT_TRUE(f.isCrossfadePending());
    expectSameCoefficients(f.getPreviousCoefficients(), middle.getCoefficients(), 0.0f);
}

TEST(AnalogFilterJump, SettersOtherThanCutoffNeverCrossfade)
{
    auto f = makeFilter(6, 0, 1000.0f, 1.0f);
    f.setCutoff(1000.0f);
    f.setQ(20.0f);
    f.setGainDecibels(24.0f);
    f.setSampleRate(96000.0);
    EXPECT_FALSE(f.isCrossfadePending());

    ProtoFilter& base = f;
    base.setCutoffAndQ(9000.0f, 2.0f);
    EXPECT_EQ(f.getQ(), 2.0f);
    EXPECT_EQ(f.getCutoff(), 9000.0f);
    EXPECT_TRUE(f.isCrossfadePending());
}

// ---------------------------------------------------------------------------------------------
// Crossfade output

struct FadeCase
{
    int type;
    int orderIndex;
    float from;
    float to;
};

std::ostream& operator<<(std::ostream& os, const FadeCase& c)
{
    return os << "type " << c.type << ", order index " << c.orderIndex << ", " << c.from << " Hz to " << c.to
              << " Hz";
}

class AnalogFilterFade : public ::testing::TestWithParam<FadeCase>
{
};

// Reference "old": keeps the old cutoff. Reference "new": takes the new cutoff as its first change
// after init, which switches sets at the block boundary with the states carried over.
TEST_P(AnalogFilterFade, MixesOldAndNewSetLinearlyOverOneBlock)
{
    const auto p = GetParam();
    constexpr int n = 64;
    auto filter = makeFilter(p.type, p.orderIndex, p.from, 1.0f, 44100.0, n);
    auto oldRef = makeFilter(p.type, p.orderIndex, p.from, 1.0f, 44100.0, n);
    auto newRef = makeFilter(p.type, p.orderIndex, p.from, 1.0f, 44100.0, n);
    filter.setCutoff(p.from);
    for (auto* f : {&filter, &oldRef, &newRef})
        f->reset();

    const auto first = noise(n, 1);
    run(filter, first);
    run(oldRef, first);
    run(newRef, first);

    filter.setCutoff(p.to);
    newRef.setCutoff(p.to);
    ASSERT_TRUE(filter.isCrossfadePending());
    ASSERT_FALSE(newRef.isCrossfadePending());

    const auto second = noise(n, 2);
    const auto out = run(filter, second);
    const auto oldOut = run(oldRef, second);
    const auto newOut = run(newRef, second);
    EXPECT_FALSE(filter.isCrossfadePending());
    EXPECT_EQ(out[0], oldOut[0]);
    for (int i = 0; i < n; ++i)
    {
        const double t = double(i) / n;
        EXPECT_NEAR(out[size_t(i)], (1.0 - t) * oldOut[size_t(i)] + t * newOut[size_t(i)], 1e-6) << i;
    }

    // Afterwards the filter is the new set with the states it carried through the fade.
    const auto third = noise(n, 3);
    const auto outAfter = run(filter, third);
    const auto newAfter = run(newRef, third);
    for (int i = 0; i < n; ++i)
        EXPECT_EQ(outAfter[size_t(i)], newAfter[size_t(i)]) << i;
}

INSTANTIATE_TEST_SUITE_P(Jumps, AnalogFilterFade,
                         ::testing::Values(FadeCase{2, 0, 1000.0f, 3001.0f}, FadeCase{3, 2, 1000.0f, 5000.0f},
                                           FadeCase{0, 0, 6000.0f, 1000.0f}, FadeCase{1, 1, 300.0f, 3000.0f},
                                           FadeCase{6, 0, 200.0f, 4000.0f},
                                           FadeCase{2, 0, 21000.0f, 22000.0f},
                                           FadeCase{3, 0, 22000.0f, 21000.0f}));

TEST(AnalogFilterFade, InitAboveLimitFadesInFromSilence)
{
    struct Case
    {
        int numSamples;
        int blockSize;
    };
    for (const Case c : {Case{64, 64}, Case{32, 32}, Case{64, 128}})
    {
        SCOPED_TRACE(c.blockSize);
        AnalogFilter f;
        f.setSampleRate(44100.0);
        f.setNumSamples(c.numSamples);
        f.setBlockSize(c.blockSize);
        f.init(2, 0, 22000.0f, 1.0f);
        EXPECT_TRUE(f.isCrossfadePending());

        const auto in = noise(c.numSamples);
        const auto out = run(f, in);
        for (int i = 0; i < c.numSamples; ++i)
            EXPECT_NEAR(out[size_t(i)], float(i) / float(c.blockSize) * in[size_t(i)], 1e-7) << i;

        const auto in2 = noise(c.numSamples, 2);
        EXPECT_EQ(run(f, in2), in2);
    }
}

TEST(AnalogFilterFade, ResetAfterInitDropsTheFadeIn)
{
    auto f = makeFilter(2, 0, 22000.0f, 1.0f);
    f.reset();
    const auto in = noise(64);
    EXPECT_EQ(run(f, in), in);
}

TEST(AnalogFilterFade, ZeroSamplesLeavesBlockAndDisarms)
{
    auto f = makeFilter(2, 0, 22000.0f, 1.0f);
    ASSERT_TRUE(f.isCrossfadePending());
    f.setNumSamples(0.0);
    std::vector<float> block{0.25f, -0.5f, 0.75f};
    f.process(block.data());
    EXPECT_EQ(block, (std::vector<float>{0.25f, -0.5f, 0.75f}));
    EXPECT_FALSE(f.isCrossfadePending());
    EXPECT_EQ(f.getOutputState(0)[0], 0.0f);

    f.setNumSamples(64.0);
    const auto in = noise(64);
    EXPECT_EQ(run(f, in), in);
}

TEST(AnalogFilterFade, ZeroBlockSizeSwitchesWithoutFade)
{
    auto f = makeFilter(2, 0, 22000.0f, 1.0f);
    f.setBlockSize(0);
    const auto in = noise(64);
    EXPECT_EQ(run(f, in), in);
    EXPECT_FALSE(f.isCrossfadePending());
}

TEST(AnalogFilterFade, FractionalSampleCountRunsUpToTheNextInteger)
{
    // i < numSamples: 2.5 samples means indices 0, 1 and 2.
    auto f = makeFilter(2, 0, 22000.0f, 1.0f);
    f.reset();
    f.setNumSamples(2.5);
    std::vector<float> block{0.1f, 0.2f, 0.3f, 0.4f};
    f.process(block.data());
    EXPECT_EQ(f.getInputState(0)[0], 0.3f);
    EXPECT_EQ(f.getInputState(0)[1], 0.2f);
    EXPECT_EQ(block, (std::vector<float>{0.1f, 0.2f, 0.3f, 0.4f}));

    // The crossfade scratch covers the third index too.
    auto g = makeFilter(2, 0, 22000.0f, 1.0f, 44100.0, 4);
    g.setNumSamples(2.5);
    std::vector<float> ones{1.0f, 1.0f, 1.0f, 9.0f};
    g.process(ones.data());
    EXPECT_EQ(ones, (std::vector<float>{0.0f, 0.25f, 0.5f, 9.0f}));
}

// ---------------------------------------------------------------------------------------------
// States

class AnalogFilterStates : public ::testing::TestWithParam<int>
{
};

TEST_P(AnalogFilterStates, ZeroInputGivesExactZeroAndOffsetState)
{
    const int type = GetParam();
    auto f = makeFilter(type, 0, 1000.0f, 1.0f, 44100.0, 1);
    f.setGainDecibels(6.0f);
    float sample = 0.0f;
    f.process(&sample);
    EXPECT_EQ(sample, 0.0f);
    EXPECT_EQ(f.getOutputState(0)[0], 1e-18f);
    EXPECT_EQ(f.getOutputState(0)[1], 0.0f);
    EXPECT_EQ(f.getInputState(0)[0], 0.0f);
}

INSTANTIATE_TEST_SUITE_P(AllTypes, AnalogFilterStates, ::testing::Range(0, 9));

TEST(AnalogFilterStates, SectionOrderDecidesWhichStatesMove)
{
    for (int type : {0, 1, 2, 5})
    {
        SCOPED_TRACE(type);
        auto f = makeFilter(type, 1, 1000.0f, 1.0f);
        const auto in = noise(64);
        const auto out = run(f, in);

        EXPECT_EQ(f.getInputState(0)[0], in[63]);
        // Section 1 reads section 0's output, whose stored copy carries the offset.
        EXPECT_FLOAT_EQ(f.getInputState(1)[0], f.getOutputState(0)[0]);
        EXPECT_FLOAT_EQ(f.getOutputState(1)[0], out[63]);
        if (type <= 1)
        {
            for (int k = 0; k < 2; ++k)
            {
                EXPECT_EQ(f.getInputState(k)[1], 0.0f);
                EXPECT_EQ(f.getOutputState(k)[1], 0.0f);
            }
        }
        else
        {
            EXPECT_EQ(f.getInputState(0)[1], in[62]);
            EXPECT_FLOAT_EQ(f.getOutputState(1)[1], out[62]);
        }
        // Sections beyond the cascade stay cleared.
        for (int k = 2; k < AnalogFilter::maxSections; ++k)
        {
            EXPECT_EQ(f.getInputState(k)[0], 0.0f);
            EXPECT_EQ(f.getOutputState(k)[0], 0.0f);
        }
    }
}

TEST(AnalogFilterStates, ResetClearsStatesAndKeepsCoefficients)
{
    auto f = makeFilter(3, 2, 1000.0f, 1.0f);
    f.setCutoff(1000.0f);
    run(f, noise(64));
    f.setCutoff(5000.0f);
    const AnalogFilter before = f;
    f.reset();
    EXPECT_FALSE(f.isCrossfadePending());
    expectSameCoefficients(f.getCoefficients(), before.getCoefficients(), 0.0f);
    expectSameCoefficients(f.getPreviousCoefficients(), before.getPreviousCoefficients(), 0.0f);
    EXPECT_EQ(f.getCutoff(), 5000.0f);
    for (int k = 0; k < AnalogFilter::maxSections; ++k)
        for (int j = 0; j < 2; ++j)
        {
            EXPECT_EQ(f.getInputState(k)[j], 0.0f);
            EXPECT_EQ(f.getOutputState(k)[j], 0.0f);
            EXPECT_EQ(f.getPreviousInputState(k)[j], 0.0f);
            EXPECT_EQ(f.getPreviousOutputState(k)[j], 0.0f);
        }
}

TEST(AnalogFilterStates, SampleRateChangeKeepsStatesAndLimitFlag)
{
    auto f = makeFilter(2, 0, 22000.0f, 1.0f);
    f.reset();
    run(f, noise(64));
    const AnalogFilter before = f;

    // 22000 Hz lies below the 48 kHz limit: the formulas take over, without a fade.
    f.setSampleRate(48000.7);
    EXPECT_EQ(f.getSampleRateInt(), 48000);
    EXPECT_EQ(f.getSampleRateFloat(), 48000.0f);
    EXPECT_FALSE(f.isCrossfadePending());
    EXPECT_TRUE(f.isAboveLimit());
    EXPECT_NE(f.getCoefficients()[4], 0.0f);
    EXPECT_EQ(f.getInputState(0)[0], before.getInputState(0)[0]);
    EXPECT_EQ(f.getOutputState(0)[1], before.getOutputState(0)[1]);

    // init takes the rate in single precision, fraction included.
    f.init(2, 0, 1000.0f, 1.0f);
    EXPECT_EQ(f.getSampleRateFloat(), 48000.7f);
}

// ---------------------------------------------------------------------------------------------
// Frequency response

struct ResponseCase
{
    int type;
    float q;
    double hz;
};

std::ostream& operator<<(std::ostream& os, const ResponseCase& c)
{
    return os << "type " << c.type << ", Q " << c.q << ", " << c.hz << " Hz";
}

class AnalogFilterResponse : public ::testing::TestWithParam<ResponseCase>
{
};

TEST_P(AnalogFilterResponse, SineGainMatchesBilinearPrototype)
{
    const auto p = GetParam();
    constexpr double fs = 44100.0;
    constexpr double cutoff = 1000.0;
    constexpr int block = 441;
    constexpr int settleBlocks = 20;
    constexpr int measureBlocks = 10; // 4410 samples: whole periods of 100, 1000 and 5000 Hz

    auto f = makeFilter(p.type, 0, float(cutoff), p.q, fs, block);
    const double step = 2.0 * pi * p.hz / fs;
    double sinSum = 0.0, cosSum = 0.0;
    long n = 0;
    std::vector<float> buffer(block);
    for (int b = 0; b < settleBlocks + measureBlocks; ++b)
    {
        for (int i = 0; i < block; ++i)
            buffer[size_t(i)] = float(std::sin(step * double(n + i)));
        f.process(buffer.data());
        for (int i = 0; i < block; ++i, ++n)
            if (b >= settleBlocks)
            {
                sinSum += buffer[size_t(i)] * std::sin(step * double(n));
                cosSum += buffer[size_t(i)] * std::cos(step * double(n));
            }
    }
    const double measured = 2.0 * std::hypot(sinSum, cosSum) / double(measureBlocks * block);

    // Analogue second-order prototype through the bilinear transform, frequency warped at the cutoff.
    const double omega = std::tan(step / 2.0) / std::tan(pi * cutoff / fs);
    const double den = std::sqrt(std::pow(1.0 - omega * omega, 2.0) + std::pow(omega / p.q, 2.0));
    const double prototype = (p.type == 2 ? 1.0 : omega * omega) / den;

    auto db = [](double g) { return 20.0 * std::log10(g); };
    EXPECT_NEAR(db(measured), db(digitalMagnitude(f, p.hz, fs)), 0.05);
    EXPECT_NEAR(db(measured), db(prototype), 0.05);
}

INSTANTIATE_TEST_SUITE_P(LowAndHighpass, AnalogFilterResponse,
                         ::testing::Values(ResponseCase{2, 0.7071f, 100.0}, ResponseCase{2, 0.7071f, 1000.0},
                                           ResponseCase{2, 0.7071f, 5000.0}, ResponseCase{2, 1.0f, 100.0},
                                           ResponseCase{2, 1.0f, 1000.0}, ResponseCase{2, 1.0f, 5000.0},
                                           ResponseCase{3, 0.7071f, 100.0}, ResponseCase{3, 0.7071f, 1000.0},
                                           ResponseCase{3, 0.7071f, 5000.0}, ResponseCase{3, 1.0f, 100.0},
                                           ResponseCase{3, 1.0f, 1000.0}, ResponseCase{3, 1.0f, 5000.0}));

// ---------------------------------------------------------------------------------------------
// Corrections of out-of-range settings

TEST(AnalogFilterCorrections, InitSettingsAreCorrectedAndStored)
{
    struct Case
    {
        int type, orderIndex;
        float cutoff, q;
        int expectedType, expectedOrderIndex;
        float expectedCutoff, expectedQ;
    };
    const Case cases[] = {
        {9, 0, 1000.0f, 1.0f, 0, 0, 1000.0f, 1.0f},    {-1, 0, 1000.0f, 1.0f, 0, 0, 1000.0f, 1.0f},
        {9, 0, 30000.0f, 1.0f, 0, 0, 30000.0f, 1.0f},  {2, 7, 1000.0f, 1.0f, 2, 5, 1000.0f, 1.0f},
        {2, -1, 1000.0f, 1.0f, 2, 5, 1000.0f, 1.0f},   {2, 5, 1000.0f, 1.0f, 2, 5, 1000.0f, 1.0f},
        {2, 4, 1000.0f, 1.0f, 2, 4, 1000.0f, 1.0f},    {2, 0, 1000.0f, -2.0f, 2, 0, 1000.0f, 0.0f},
        {3, 0, 30000.0f, -2.0f, 3, 0, 30000.0f, 0.0f}, {2, 0, 0.05f, 1.0f, 2, 0, 0.1f, 1.0f},
        {2, 0, -100.0f, 1.0f, 2, 0, 0.1f, 1.0f},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(::testing::Message() << c.type << " " << c.orderIndex << " " << c.cutoff << " " << c.q);
        const auto f = makeFilter(c.type, c.orderIndex, c.cutoff, c.q);
        EXPECT_EQ(f.getType(), c.expectedType);
        EXPECT_EQ(f.getOrderIndex(), c.expectedOrderIndex);
        EXPECT_EQ(f.getCutoff(), c.expectedCutoff);
        EXPECT_EQ(f.getQ(), c.expectedQ);
        EXPECT_EQ(f.getSectionOrder(), c.expectedType <= 1 ? 1 : 2);
    }
}

TEST(AnalogFilterCorrections, SettersCorrectQAndCutoff)
{
    auto f = makeFilter(2, 0, 1000.0f, 1.0f);
    f.setQ(-0.5f);
    EXPECT_EQ(f.getQ(), 0.0f);
    f.setCutoff(0.01f);
    EXPECT_EQ(f.getCutoff(), 0.1f);
    // The floor itself is used by the formulas: w = 6.283185 * 0.1 / fs.
    const auto lowest = makeFilter(0, 0, 0.1f, 1.0f);
    EXPECT_NEAR(lowest.getCoefficients()[4], std::exp(-2.0 * pi * 0.1 / 44100.0), 1e-7);
}

// q 0, the correction of a negative q, would otherwise divide by zero in alpha.
TEST(AnalogFilterCorrections, ZeroQKeepsCoefficientsFinite)
{
    for (int type = 2; type <= 8; ++type)
    {
        SCOPED_TRACE(type);
        auto f = makeFilter(type, 1, 1000.0f, -1.0f);
        f.setGainDecibels(6.0f);
        EXPECT_EQ(f.getQ(), 0.0f);
        for (int i = 0; i < 6; ++i)
            EXPECT_TRUE(std::isfinite(f.getCoefficients()[i])) << i;
        for (float s : run(f, noise(64)))
            ASSERT_TRUE(std::isfinite(s));
    }
}

TEST(AnalogFilterCorrections, GainDecibelsIsTenToTheTwentieth)
{
    auto f = makeFilter(6, 0, 1000.0f, 1.0f);
    for (float db : {-20.0f, 0.0f, 6.0f, 40.0f})
    {
        f.setGainDecibels(db);
        EXPECT_NEAR(f.getGain(), dbToGain(db), 2e-6 * dbToGain(db)) << db;
    }
}
