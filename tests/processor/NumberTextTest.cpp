#include "FloatParameter.h"
#include "NumberText.h"
#include "VornAudioProcessor.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

// Ordinary text reads as JUCE reads it; exponents too long for JUCE's int read as what they mean.
TEST(NumberText, ReadsLikeJuceWithoutOverflowingOnLongExponents)
{
    for (auto text : {"0", "0.5", " 0.25", "-0.75", "+1", "1.5x", "abc", "", "2e3", "2E-3", "1e", "1e+",
                      "0.1", "7e0000000000000000002", "5e-0000", "1e308", "1e-320", ".5", "-.5e1"})
    {
        SCOPED_TRACE(text);
        EXPECT_EQ(NumberText::toDouble(text), juce::String(text).getDoubleValue());
    }

    const auto inf = std::numeric_limits<double>::infinity();
    struct Row
    {
        const char* text;
        double expected;
    };
    const Row rows[] = {{"1e610000014", inf},     {"-1e610000014", -inf},
                        {"1e-610000014", 0.0},    {"0.6e99999999999999999999", inf},
                        {"3E+123456789012", inf}, {"1e00000000000000000000000003", 1000.0}};
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(NumberText::toDouble(row.text), row.expected);
    }
}

// Hosts hand typed text to the parameters and state chunks carry any text: both read it this way.
TEST(NumberText, ParametersAndStateReadLongExponentsSafely)
{
    VornAudioProcessor processor;
    EXPECT_EQ(processor.outputParam->getValueForText("0.75"), 0.75f);
    EXPECT_EQ(processor.outputParam->getValueForText("1e610000014"), std::numeric_limits<float>::infinity());
    EXPECT_EQ(processor.outputParam->getValueForText("abc"), 0.0f);
}
