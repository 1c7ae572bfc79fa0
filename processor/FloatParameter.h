#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

#include "DspUtils.h"

class VornAudioProcessor;

// One host parameter with a normalised value. setValue is the single road from a value to the DSP:
// it stores the value, converts it for the block it drives and sends the owner's change message.
class FloatParameter : public juce::AudioProcessorParameterWithID
{
public:
    enum Index
    {
        valveDrive = 0,
        valveBias,
        valveInput,
        valveBlend,
        valveMode,
        compRatio,
        compAttack,
        compRecovery,
        compThreshold,
        compBlend,
        output,
        masterBypass,
        numParameters
    };

    FloatParameter(const juce::String& parameterName, int parameterIndex, VornAudioProcessor* ownerProcessor,
                   float defaultParameterValue);
    ~FloatParameter() override;

    float getValue() const override;
    void setValue(float newValue) override;
    float getDefaultValue() const override;
    juce::String getName(int maximumStringLength) const override;
    juce::String getLabel() const override;
    int getNumSteps() const override;
    juce::String getText(float normalisedValue, int maximumStringLength) const override;
    float getValueForText(const juce::String& text) const override;

private:
    // Band 0 to 5 of a stepped compressor parameter, or -1 below 0 and for NaN.
    static int bandOf(float v);
    void applyToDsp(float v);

    float defaultValue;
    float value;
    int index;
    juce::String name;
    DspUtils dspUtils;
    VornAudioProcessor* owner;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(FloatParameter)
};
