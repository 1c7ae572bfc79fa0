#include <gtest/gtest.h>

#include "valve/HarmonicExciter.h"

#include <array>
#include <cmath>
#include <vector>

namespace
{
using Coeffs = std::array<float, 11>;
using Harmonics = std::array<float, 10>;

const Harmonics stageHarmonics = {1.0f, 0.0f, -1.0f, 0.0f, 1.0f, 0.0f, -1.0f, 0.0f, 1.0f, 0.0f};

void prepare(HarmonicExciter& x, int block, const Harmonics& h = stageHarmonics, double rate = 44100.0)
{
    x.setSampleRate(rate);
    x.setNumSamples(block);
    x.setBlockSize(block);
    x.init(h.data(), 20.0f, 20000.0f, 1.0f);
}

void changeBlock(HarmonicExciter& x, int block)
{
    x.setNumSamples(block);
    x.setBlockSize(block);
}

std::vector<float> testSignal(int n, float amplitude, float w, float phase)
{
    std::vector<float> s((size_t)n);
    for (int i = 0; i < n; ++i)
        s[(size_t)i] =
            amplitude * std::sin(w * (float)i + phase) + 0.3f * amplitude * std::sin(3.7f * w * (float)i);
    return s;
}

double chebyshevT(int k, double x)
{
    return std::cos(k * std::acos(x));
}
} // namespace

struct SeriesCase
{
    const char* name;
    Coeffs c;
    Coeffs d;
};

class ChebyshevSeries : public ::testing::TestWithParam<SeriesCase>
{
};

INSTANTIATE_TEST_SUITE_P(Cases, ChebyshevSeries,
                         ::testing::Values(SeriesCase{"T1", {0, 1}, {0, 1}},
                                           SeriesCase{"T2", {0, 0, 1}, {-1, 0, 2}},
                                           SeriesCase{"T3", {0, 0, 0, 1}, {0, -3, 0, 4}},
                                           // c0 enters at half weight.
                                           SeriesCase{"HalfC0", {1}, {0.5f}},
                                           SeriesCase{"T10",
                                                      {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1},
                                                      {-1, 0, 50, 0, -400, 0, 1120, 0, -1280, 0, 512}},
                                           SeriesCase{"Mixed", {0, 0.5f, 0.25f}, {-0.25f, 0.5f, 0.5f}}),
                         [](const ::testing::TestParamInfo<SeriesCase>& info)
                         { return std::string(info.param.name); });

TEST_P(ChebyshevSeries, PowerSeriesCoefficients)
{
    const auto p = GetParam();
    HarmonicExciter x;
    Coeffs d;
    d.fill(99.0f);
    x.chebyshevToPowerSeries(p.c.data(), d.data());
    for (int k = 0; k < 11; ++k)
        EXPECT_NEAR(d[(size_t)k], p.d[(size_t)k], 1e-4 * std::max(1.0f, std::fabs(p.d[(size_t)k])))
            << "d" << k;
}

struct HarmonicsCase
{
    const char* name;
    Harmonics h;
    Coeffs d;
};

class ExciterHarmonics : public ::testing::TestWithParam<HarmonicsCase>
{
};

INSTANTIATE_TEST_SUITE_P(
    Cases, ExciterHarmonics,
    ::testing::Values(HarmonicsCase{"Identity", {1}, {0, 1}}, HarmonicsCase{"Second", {0, 1}, {-1, 0, 2}},
                      // Below a sum of 1 the amplitudes stay as given.
                      HarmonicsCase{"HalfUnscaled", {0.5f}, {0, 0.5f}},
                      HarmonicsCase{"JustBelowOne", {0.5f, 0.4f}, {-0.4f, 0.5f, 0.8f}},
                      // A sum of exactly 1 is scaled by 1; a sum of 2 halves them.
                      HarmonicsCase{"SumOne", {0.5f, -0.5f}, {0.5f, 0.5f, -1.0f}},
                      HarmonicsCase{"SumTwo", {1, 1}, {-0.5f, 0.5f, 1.0f}},
                      // 0.2 (T1 - T3 + T5 - T7 + T9)
                      HarmonicsCase{"Stage",
                                    {1, 0, -1, 0, 1, 0, -1, 0, 1, 0},
                                    {0, 5.0f, 0, -40.0f, 0, 112.0f, 0, -128.0f, 0, 51.2f, 0}}),
    [](const ::testing::TestParamInfo<HarmonicsCase>& info) { return std::string(info.param.name); });

TEST_P(ExciterHarmonics, InitAndSetHarmonicsGiveTheSamePolynomial)
{
    const auto p = GetParam();
    HarmonicExciter viaInit, viaSetter;
    prepare(viaInit, 64, p.h);
    prepare(viaSetter, 64);
    viaSetter.setHarmonics(p.h.data());

    for (int k = 0; k < 11; ++k)
    {
        const float tolerance = 2e-5f * std::max(1.0f, std::fabs(p.d[(size_t)k]));
        EXPECT_NEAR(viaInit.getPolyCoeffs()[k], p.d[(size_t)k], tolerance) << "d" << k;
        EXPECT_NEAR(viaSetter.getPolyCoeffs()[k], p.d[(size_t)k], tolerance) << "d" << k;
    }
}

TEST(HarmonicExciter, StagePolynomialMapsCosineToItsHarmonics)
{
    // T_k(cos t) = cos(k t): a full-scale cosine comes out as 0.2 (cos t - cos 3t + cos 5t - ...).
    HarmonicExciter x;
    prepare(x, 64);
    const float* d = x.getPolyCoeffs();
    for (double t = 0.0; t < 3.2; t += 0.05)
    {
        const double v = std::cos(t);
        double y = 0.0;
        for (int k = 10; k >= 0; --k)
            y = y * v + d[k];
        double expected = 0.0;
        for (int k = 1; k <= 10; ++k)
            expected += 0.2 * stageHarmonics[(size_t)(k - 1)] * chebyshevT(k, v);
        EXPECT_NEAR(y, expected, 1e-4) << "t " << t;
    }
}

struct MixCase
{
    int relative;
    float amount;
    float wetGain;
};

class ExciterMix : public ::testing::TestWithParam<MixCase>
{
};

INSTANTIATE_TEST_SUITE_P(Cases, ExciterMix,
                         ::testing::Values(MixCase{1, 0.84f, 3.68f}, MixCase{0, 0.84f, 1.68f},
                                           MixCase{1, 0.0f, 2.0f}, MixCase{0, 0.0f, 0.0f},
                                           MixCase{7, 0.5f, 3.0f}));

TEST_P(ExciterMix, WetGain)
{
    const auto p = GetParam();
    HarmonicExciter x;
    prepare(x, 64);
    EXPECT_FLOAT_EQ(x.getWetGain(), 2.0f);
    x.setMix(p.relative, p.amount);
    EXPECT_FLOAT_EQ(x.getWetGain(), p.wetGain);
    EXPECT_FLOAT_EQ(x.getBaseMix(), 1.0f);
    // A second relative change starts from the same base, not from the last value.
    x.setMix(1, 0.84f);
    EXPECT_FLOAT_EQ(x.getWetGain(), 3.68f);
}

struct HighpassCase
{
    int relative;
    float hz;
    float cutoff;
    float base;
};

class ExciterHighpass : public ::testing::TestWithParam<HighpassCase>
{
};

INSTANTIATE_TEST_SUITE_P(Cases, ExciterHighpass,
                         ::testing::Values(HighpassCase{1, 80.0f, 100.0f, 20.0f},
                                           HighpassCase{0, 80.0f, 80.0f, 80.0f},
                                           HighpassCase{1, 0.0f, 20.0f, 20.0f},
                                           HighpassCase{0, 500.0f, 500.0f, 500.0f}));

TEST_P(ExciterHighpass, CutoffAndBase)
{
    const auto p = GetParam();
    HarmonicExciter x;
    prepare(x, 64);
    x.setHighpass(p.relative, p.hz);
    for (int ch = 0; ch < 2; ++ch)
    {
        EXPECT_FLOAT_EQ(x.getHighpass(ch).getCutoff(), p.cutoff) << "channel " << ch;
        EXPECT_FLOAT_EQ(x.getLowpass(ch).getCutoff(), 20000.0f) << "channel " << ch;
    }
    EXPECT_FLOAT_EQ(x.getBaseHighpassHz(), p.base);

    // A following relative change adds to whatever base is now stored.
    x.setHighpass(1, 10.0f);
    EXPECT_FLOAT_EQ(x.getHighpass(0).getCutoff(), p.base + 10.0f);
    EXPECT_FLOAT_EQ(x.getHighpass(1).getCutoff(), p.base + 10.0f);
}

TEST(HarmonicExciter, InitSetsUpFiltersAndCompressor)
{
    HarmonicExciter x;
    prepare(x, 128, stageHarmonics, 48000.0);
    for (int ch = 0; ch < 2; ++ch)
    {
        EXPECT_EQ(x.getHighpass(ch).getType(), 3);
        EXPECT_EQ(x.getLowpass(ch).getType(), 2);
        EXPECT_EQ(x.getHighpass(ch).getOrderIndex(), 0);
        EXPECT_EQ(x.getLowpass(ch).getOrderIndex(), 0);
        EXPECT_FLOAT_EQ(x.getHighpass(ch).getCutoff(), 20.0f);
        EXPECT_FLOAT_EQ(x.getHighpass(ch).getQ(), 1.0f);
        EXPECT_EQ(x.getHighpass(ch).getSampleRate(), 48000.0);
        EXPECT_EQ(x.getLowpass(ch).getBlockSize(), 128);
    }
    // Row 4 at the exciter's rate.
    EXPECT_EQ(x.getCompressor().getParameter(SoftKneeCompressor::thresholdParam), -20);
    EXPECT_EQ(x.getCompressor().getParameter(SoftKneeCompressor::ratioParam), 15);
    EXPECT_EQ(x.getCompressor().getHoldSamples(), 600);
    EXPECT_EQ(x.getWorkBufferCapacity(), 128);
    EXPECT_FLOAT_EQ(x.getBaseHighpassHz(), 20.0f);
}

TEST(HarmonicExciter, ZeroWetGainLeavesTheInputUnchanged)
{
    const int n = 256;
    HarmonicExciter x;
    prepare(x, n);
    x.setMix(0, 0.0f);

    auto a = testSignal(n, 0.8f, 0.05f, 0.0f);
    auto b = testSignal(n, 0.6f, 0.11f, 1.0f);
    const auto a0 = a, b0 = b;
    for (int block = 0; block < 4; ++block)
    {
        x.process(a.data(), b.data());
        ASSERT_EQ(a, a0);
        ASSERT_EQ(b, b0);
    }
}

TEST(HarmonicExciter, ZeroSamplesChangesNothingAndKeepsACrossfadePending)
{
    const int n = 64;
    HarmonicExciter x;
    prepare(x, n);
    x.setHighpass(0, 80.0f);   // first change after init: never fades
    x.setHighpass(0, 2000.0f); // a 25x jump: fades over the next block
    ASSERT_TRUE(x.getHighpass(0).isCrossfadePending());

    auto a = testSignal(n, 0.8f, 0.05f, 0.0f);
    auto b = testSignal(n, 0.6f, 0.11f, 1.0f);
    const auto a0 = a, b0 = b;
    x.setNumSamples(0.0);
    x.process(a.data(), b.data());
    EXPECT_EQ(a, a0);
    EXPECT_EQ(b, b0);
    EXPECT_TRUE(x.getHighpass(0).isCrossfadePending());
    EXPECT_TRUE(x.getHighpass(1).isCrossfadePending());
    EXPECT_EQ(x.getCompressor().getPath(0).envelope, 0.0f);

    x.setNumSamples(n);
    x.process(a.data(), b.data());
    EXPECT_FALSE(x.getHighpass(0).isCrossfadePending());
    EXPECT_NE(a, a0);
}

// The wet path built by hand from the same parts: highpass, compressor row 4, polynomial, lowpass.
class ReferenceExciter
{
public:
    ReferenceExciter(double rate, int block, const float* poly)
    {
        for (auto* f : {&hpA, &hpB, &lpA, &lpB})
            f->setSampleRate(rate);
        comp.setSampleRate(rate);
        setBlock(block);
        hpA.init(3, 0, 20.0f, 1.0f);
        hpB.init(3, 0, 20.0f, 1.0f);
        lpA.init(2, 0, 20000.0f, 1.0f);
        lpB.init(2, 0, 20000.0f, 1.0f);
        comp.init();
        comp.loadPreset(4);
        for (int k = 0; k < 11; ++k)
            d[k] = poly[k];
    }

    void setBlock(int block)
    {
        n = block;
        for (auto* f : {&hpA, &hpB, &lpA, &lpB})
        {
            f->setNumSamples(block);
            f->setBlockSize(block);
        }
        comp.setNumSamples(block);
    }

    void setHighpass(float hz)
    {
        hpA.setCutoff(hz);
        hpB.setCutoff(hz);
    }

    void process(float* first, float* second, float wetGain)
    {
        std::vector<float> a(first, first + n), b(second, second + n);
        hpA.process(a.data());
        hpB.process(b.data());
        comp.process(a.data(), b.data());
        for (auto* w : {&a, &b})
            for (auto& v : *w)
            {
                float y = d[10];
                for (int k = 9; k >= 0; --k)
                    y = y * v + d[k];
                v = y;
            }
        lpA.process(a.data());
        lpB.process(b.data());
        for (int i = 0; i < n; ++i)
        {
            first[i] += a[(size_t)i] * wetGain;
            second[i] += b[(size_t)i] * wetGain;
        }
    }

private:
    ZandralDSP::AnalogFilter hpA, hpB, lpA, lpB;
    SoftKneeCompressor comp;
    float d[11] = {};
    int n = 0;
};

TEST(HarmonicExciter, MatchesTheChainOfItsPartsAcrossBlockChanges)
{
    const int maxBlock = 512;
    HarmonicExciter x;
    prepare(x, maxBlock);
    ReferenceExciter ref(44100.0, maxBlock, x.getPolyCoeffs());

    // Block lengths as a host may change them, with cutoff moves that do and do not crossfade.
    const int blocks[] = {512, 256, 256, 100, 1, 512, 333, 64};
    int offset = 0;
    for (int j = 0; j < (int)(sizeof(blocks) / sizeof(blocks[0])); ++j)
    {
        const int n = blocks[j];
        changeBlock(x, n);
        ref.setBlock(n);
        if (j == 2)
        {
            x.setHighpass(1, 80.0f);
            ref.setHighpass(100.0f);
        }
        if (j == 5)
        {
            x.setHighpass(0, 1500.0f);
            ref.setHighpass(1500.0f);
        }

        auto a = testSignal(n, 0.9f, 0.02f, 0.001f * (float)offset);
        auto b = testSignal(n, 0.4f, 0.07f, 0.5f + 0.001f * (float)offset);
        auto ra = a, rb = b;
        x.process(a.data(), b.data());
        ref.process(ra.data(), rb.data(), 2.0f);
        for (int i = 0; i < n; ++i)
        {
            ASSERT_NEAR(a[(size_t)i], ra[(size_t)i], 1e-6f) << "block " << j << " sample " << i;
            ASSERT_NEAR(b[(size_t)i], rb[(size_t)i], 1e-6f) << "block " << j << " sample " << i;
        }
        EXPECT_EQ(x.getWorkBufferCapacity(), maxBlock);
        offset += n;
    }
}

TEST(HarmonicExciter, WorkBuffersGrowOnlyForALargerBlock)
{
    HarmonicExciter x;
    prepare(x, 256);
    EXPECT_EQ(x.getWorkBufferCapacity(), 256);

    changeBlock(x, 128);
    EXPECT_EQ(x.getWorkBufferCapacity(), 256);
    EXPECT_EQ(x.getBlockSize(), 128);

    changeBlock(x, 1024);
    EXPECT_EQ(x.getWorkBufferCapacity(), 1024);

    // The larger block is processed in full.
    std::vector<float> a(1024, 0.0f), b(1024, 0.0f);
    a[1000] = 0.5f;
    x.process(a.data(), b.data());
    EXPECT_NE(a[1001], 0.0f);

    // init sizes them to the current block again.
    changeBlock(x, 64);
    x.init(stageHarmonics.data(), 20.0f, 20000.0f, 1.0f);
    EXPECT_EQ(x.getWorkBufferCapacity(), 64);
}

TEST(HarmonicExciter, MoreSamplesThanTheWorkBuffersHoldPassesDry)
{
    HarmonicExciter x;
    prepare(x, 64);
    x.setNumSamples(128); // no matching setBlockSize: the buffers still hold 64

    auto a = testSignal(128, 0.8f, 0.05f, 0.0f);
    auto b = testSignal(128, 0.6f, 0.11f, 1.0f);
    const auto a0 = a, b0 = b;
    x.process(a.data(), b.data());
    EXPECT_EQ(a, a0);
    EXPECT_EQ(b, b0);
}

TEST(HarmonicExciter, ConstantInputGetsNothingAddedOnceSettled)
{
    // The highpass removes DC; with d0 = 0 the wet path then carries nothing.
    const int n = 512;
    HarmonicExciter x;
    prepare(x, n);
    std::vector<float> a(n), b(n);
    for (int block = 0; block < 400; ++block)
    {
        std::fill(a.begin(), a.end(), 0.5f);
        std::fill(b.begin(), b.end(), -0.5f);
        x.process(a.data(), b.data());
        for (int i = 0; i < n; ++i)
        {
            ASSERT_TRUE(std::isfinite(a[(size_t)i]));
            ASSERT_TRUE(std::isfinite(b[(size_t)i]));
        }
    }
    EXPECT_NEAR(a[n - 1], 0.5f, 1e-4f);
    EXPECT_NEAR(b[n - 1], -0.5f, 1e-4f);
}
