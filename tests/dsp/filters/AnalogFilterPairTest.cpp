#include <gtest/gtest.h>

#include "../BlockPathSignals.h"
#include "filters/AnalogFilter.h"

#include <string>
#include <vector>

namespace
{
using ZandralDSP::AnalogFilter;

constexpr int kBlock = 256;

struct FilterSetup
{
    int type;
    int orderIndex;
    float cutoff;
    float q;
    // A cutoff given after init() and a block; 0 for none. A jump above 3x arms a crossfade.
    float laterCutoff;
};

struct PairCase
{
    const char* name;
    FilterSetup first, second;
    int secondBlockLength; // the second filter's number of samples, normally the same
};

const PairCase kCases[] = {
    {"exciterHighpasses", {3, 0, 270.0f, 1.0f, 0.0f}, {3, 0, 270.0f, 1.0f, 0.0f}, kBlock},
    {"valveLowpasses", {2, 0, 5020.0f, 1.0f, 0.0f}, {2, 0, 14020.0f, 1.0f, 0.0f}, kBlock},
    {"aboveTheLimit", {2, 0, 22000.0f, 1.0f, 0.0f}, {3, 0, 23900.0f, 1.0f, 0.0f}, kBlock},
    {"peakAndShelf", {6, 0, 1000.0f, 2.0f, 0.0f}, {8, 0, 3000.0f, 0.7f, 0.0f}, kBlock},
    {"firstCrossfades", {3, 0, 100.0f, 1.0f, 900.0f}, {3, 0, 100.0f, 1.0f, 0.0f}, kBlock},
    {"secondCrossfades", {2, 0, 5000.0f, 1.0f, 0.0f}, {2, 0, 5000.0f, 1.0f, 400.0f}, kBlock},
    {"cascade", {2, 3, 2000.0f, 4.0f, 0.0f}, {2, 0, 2000.0f, 1.0f, 0.0f}, kBlock},
    {"onePole", {0, 0, 800.0f, 1.0f, 0.0f}, {1, 0, 800.0f, 1.0f, 0.0f}, kBlock},
    {"differentLengths", {3, 0, 55.0f, 1.0f, 0.0f}, {3, 0, 55.0f, 1.0f, 0.0f}, 100},
};

void setUp(AnalogFilter& f, const FilterSetup& s, int numSamples)
{
    f.setSampleRate(48000.0);
    f.setNumSamples(numSamples);
    f.setBlockSize(numSamples);
    f.init(s.type, s.orderIndex, s.cutoff, s.q);
}

// The first change after init() arms nothing; the second one crossfades when it jumps above 3x.
void jump(AnalogFilter& f, const FilterSetup& s)
{
    if (s.laterCutoff <= 0.0f)
        return;
    f.setCutoff(s.cutoff * 1.01f);
    f.setCutoff(s.laterCutoff);
}

void expectSameStates(const AnalogFilter& actual, const AnalogFilter& expected)
{
    for (int k = 0; k < AnalogFilter::maxSections; ++k)
        for (int j = 0; j < 2; ++j)
        {
            EXPECT_EQ(actual.getInputState(k)[j], expected.getInputState(k)[j]) << "section " << k;
            EXPECT_EQ(actual.getOutputState(k)[j], expected.getOutputState(k)[j]) << "section " << k;
        }
    EXPECT_EQ(actual.isCrossfadePending(), expected.isCrossfadePending());
}

class AnalogFilterPair : public testing::TestWithParam<PairCase>
{
};

// The pair loop does processSection's arithmetic in the same order, so the match is exact.
TEST_P(AnalogFilterPair, EqualsTwoProcessCallsExactly)
{
    const PairCase& c = GetParam();
    for (const auto& signal : block_path_signals::makeSignals(4 * kBlock))
    {
        SCOPED_TRACE(signal.name);
        AnalogFilter refFirst, refSecond, pairFirst, pairSecond;
        setUp(refFirst, c.first, kBlock);
        setUp(pairFirst, c.first, kBlock);
        setUp(refSecond, c.second, c.secondBlockLength);
        setUp(pairSecond, c.second, c.secondBlockLength);

        std::vector<float> refA = signal.left, refB = signal.right;
        std::vector<float> pairA = signal.left, pairB = signal.right;
        for (int block = 0; block < 4; ++block)
        {
            if (block == 1)
            {
                jump(refFirst, c.first);
                jump(pairFirst, c.first);
                jump(refSecond, c.second);
                jump(pairSecond, c.second);
            }
            const size_t offset = (size_t)(block * kBlock);
            refFirst.process(refA.data() + offset);
            refSecond.process(refB.data() + offset);
            AnalogFilter::processPair(pairFirst, pairA.data() + offset, pairSecond, pairB.data() + offset);
            expectSameStates(pairFirst, refFirst);
            expectSameStates(pairSecond, refSecond);
        }
        EXPECT_EQ(pairA, refA);
        EXPECT_EQ(pairB, refB);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, AnalogFilterPair, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<PairCase>& info)
                         { return std::string(info.param.name); });

TEST(AnalogFilterBiquad, StandsForTheFilterOnlyWhenProcessRunsOneSectionWithoutFade)
{
    AnalogFilter f;
    setUp(f, {2, 0, 1000.0f, 1.0f, 0.0f}, 64);
    EXPECT_TRUE(f.isSingleBiquad());
    EXPECT_EQ(f.getProcessCount(), 64);

    f.setCutoff(1100.0f); // first change after init: no fade
    f.setCutoff(5000.0f); // a jump above 3x
    EXPECT_FALSE(f.isSingleBiquad());
    std::vector<float> block(64, 0.5f);
    f.process(block.data());
    EXPECT_TRUE(f.isSingleBiquad());

    AnalogFilter cascade, onePole;
    setUp(cascade, {2, 1, 1000.0f, 1.0f, 0.0f}, 64);
    setUp(onePole, {0, 0, 1000.0f, 1.0f, 0.0f}, 64);
    EXPECT_FALSE(cascade.isSingleBiquad());
    EXPECT_FALSE(onePole.isSingleBiquad());
}
} // namespace
