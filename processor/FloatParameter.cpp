#include "FloatParameter.h"

#include "NumberText.h"

#include "VornAudioProcessor.h"

#include <cmath>
#include <limits>

namespace
{
// Keeps 80 + 20 v, which ValveProcessor truncates to an int for the stage, well inside int range.
constexpr float maxDriveMagnitude = 1.0e8f;
// The largest float below 2^31: truncating anything within plus or minus this to int is defined.
constexpr float maxTruncatableFloat = 2147483520.0f;

constexpr float valveInputSlope = 3.4539022f;
constexpr float valveInputOffset = -3.4539022f;
constexpr float outputSlope = 3.4562609f;
constexpr float outputOffset = -2.7631137f;

// Settings of the stepped compressor parameters: entry 0 for v below 0 or NaN, then bands 0 to 5.
// Some are single-precision constants widened to double, as the stepped knobs have always sent them.
constexpr double inverseRatioOfBand[7] = {1.5, (double)0.8f, (double)0.7f, (double)0.6f,
                                          0.5, (double)0.3f, (double)0.1f};
constexpr double attackMsOfBand[7] = {0.0, (double)0.1f, (double)0.3f, 1.0, 3.0, 10.0, 30.0};
constexpr double releaseMsOfBand[7] = {0.0, 100.0, 300.0, 600.0, 1200.0, 1500.0, 2000.0};

// A gain linear in dB: the exponent in single precision, the exponential in double, stored as float.
// Returns false when the gain would not be a finite float, so that the caller keeps its setting.
bool gainOf(float v, float slope, float offset, float& gain)
{
    const float exponent = v * slope + offset;
    const double g = std::exp((double)exponent);
    if (!(g <= (double)std::numeric_limits<float>::max()))
        return false;
    gain = (float)g;
    return true;
}
} // namespace

FloatParameter::FloatParameter(const juce::String& parameterName, int parameterIndex,
                               VornAudioProcessor* ownerProcessor, float defaultParameterValue)
    : juce::AudioProcessorParameterWithID(juce::ParameterID{parameterName.removeCharacters(" "), 1},
                                          parameterName),
      defaultValue(defaultParameterValue), value(defaultParameterValue), index(parameterIndex),
      name(parameterName), owner(ownerProcessor)
{
    setValue(defaultParameterValue);
}

FloatParameter::~FloatParameter()
{
}

float FloatParameter::getValue() const
{
    return value;
}

void FloatParameter::setValue(float newValue)
{
    value = newValue;
    applyToDsp(newValue);
    owner->sendChangeMessage();
}

float FloatParameter::getDefaultValue() const
{
    return defaultValue;
}

juce::String FloatParameter::getName(int) const
{
    return name;
}

juce::String FloatParameter::getLabel() const
{
    return {};
}

int FloatParameter::getNumSteps() const
{
    return 1000;
}

juce::String FloatParameter::getText(float normalisedValue, int) const
{
    return juce::String(normalisedValue);
}

float FloatParameter::getValueForText(const juce::String& text) const
{
    return (float)NumberText::toDouble(text);
}

int FloatParameter::bandOf(float v)
{
    if (!(v >= 0.0f))
        return -1;
    if (v >= 0.5f)
        return 5;

    // The inner edges compare in double, so the float steps 0.1f to 0.4f, which lie just above
    // the double constants, land in the band that starts there.
    const double d = (double)v;
    if (d >= 0.4)
        return 4;
    if (d >= 0.3)
        return 3;
    if (d >= 0.2)
        return 2;
    if (d >= 0.1)
        return 1;
    return 0;
}

void FloatParameter::applyToDsp(float v)
{
    // Continuous settings ignore values that are not finite: an int conversion of them is undefined,
    // and a non-finite gain or threshold would leave NaN in the valve stage or the envelope for good.
    const bool finite = std::isfinite(v);

    switch (index)
    {
    case valveDrive:
        if (finite)
            owner->valveProcessor.setDrive(juce::jlimit(-maxDriveMagnitude, maxDriveMagnitude, v));
        break;

    case valveBias:
        if (finite)
        {
            const float bias = dspUtils.mapRange(0.0f, 1.0f, 70.0f, 112.0f, v);
            owner->valveProcessor.setBias(juce::jlimit(-maxTruncatableFloat, maxTruncatableFloat, bias));
        }
        break;

    case valveInput:
        if (finite)
            gainOf(v, valveInputSlope, valveInputOffset, owner->valveProcessor.inputGain);
        break;

    case valveMode:
    {
        // The stage's preset row must not change in the middle of a block.
        const VornAudioProcessor::ScopedSuspension suspension(*owner);
        owner->valveProcessor.setMode(v < 0.5f ? 0 : 1);
        break;
    }

    case compRatio:
    {
        const int band = bandOf(v);
        owner->compressor.setRatio(inverseRatioOfBand[band + 1]);
        if (band >= 0)
            owner->compRatioStep = band;
        break;
    }

    case compAttack:
    {
        const int band = bandOf(v);
        owner->compressor.setAttack(attackMsOfBand[band + 1]);
        if (band >= 0)
            owner->compAttackStep = band;
        break;
    }

    case compRecovery:
    {
        const int band = bandOf(v);
        owner->compressor.setRelease(releaseMsOfBand[band + 1]);
        if (band >= 0)
            owner->compRecoveryStep = band;
        break;
    }

    case compThreshold:
        if (finite)
        {
            const float thresholdDb = v * -29.0f - 1.0f;
            if (std::isfinite(thresholdDb))
                owner->compressor.setThresh((double)thresholdDb);
        }
        break;

    case output:
        if (finite)
            gainOf(v, outputSlope, outputOffset, owner->compressor.outputGain);
        break;

    case masterBypass:
        if (v < 0.5f)
            owner->bypassed = true;
        else if (v >= 0.5f)
            owner->bypassed = false;
        break;

    case valveBlend:
    case compBlend:
    default:
        // The blends are read by the processor at each block.
        break;
    }
}
