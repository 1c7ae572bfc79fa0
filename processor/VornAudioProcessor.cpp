#include "VornAudioProcessor.h"

#include "VornAudioProcessorEditor.h"

#include "FloatParameter.h"
#include "SettingsElement.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

namespace
{
struct ParameterDefinition
{
    const char* name;
    float defaultValue;
};

// In host index order.
constexpr ParameterDefinition parameterDefinitions[FloatParameter::numParameters] = {
    {"Valve Drive", 0.0f},    {"Valve Bias", 0.0f}, {"Valve Input", 0.0f}, {"Valve Blend", 0.0f},
    {"Valve Mode", 0.0f},     {"Comp Ratio", 0.0f}, {"Comp Attack", 0.0f}, {"Comp Recovery", 0.0f},
    {"Comp Threshold", 0.0f}, {"Comp Blend", 0.0f}, {"Output", 0.0f},      {"Master Bypass", 1.0f}};

// NaN or infinite input would stay in the envelope, the filters and the DC blocker for good.
void replaceNonFiniteWithZero(float* samples, int numSamples)
{
    // A select rather than a branch, so that the loop runs in vector lanes; NaN fails the comparison.
    for (int i = 0; i < numSamples; ++i)
    {
        const float x = samples[i];
        samples[i] = std::fabs(x) <= std::numeric_limits<float>::max() ? x : 0.0f;
    }
}
} // namespace

VornAudioProcessor::VornAudioProcessor()
    : juce::AudioProcessor(BusesProperties()
                               // JUCE's 2.4 wrapper writes "<bus> L" into an 8-byte pin label
                               // with one byte too many: names this short keep it inside.
                               .withInput("In", juce::AudioChannelSet::stereo(), true)
                               .withOutput("Out", juce::AudioChannelSet::stereo(), true)),
      juce::ChangeBroadcaster(), bypassed(false), currentPresetName(""), currentSampleRate(44100.0),
      compRatioStep(0), compAttackStep(0), compRecoveryStep(0), firstBlockProcessed(0)
{
    FloatParameter** const pointers[FloatParameter::numParameters] = {
        &valveDriveParam,    &valveBiasParam, &valveInputParam, &valveBlendParam,
        &valveModeParam,     &compRatioParam, &compAttackParam, &compRecoveryParam,
        &compThresholdParam, &compBlendParam, &outputParam,     &masterBypassParam};

    for (int i = 0; i < FloatParameter::numParameters; ++i)
    {
        auto* parameter =
            new FloatParameter(parameterDefinitions[i].name, i, this, parameterDefinitions[i].defaultValue);
        *pointers[i] = parameter;
        addParameter(parameter);
    }

    compRatioStep = 0;
    compAttackStep = 0;
    compRecoveryStep = 0;
}

VornAudioProcessor::~VornAudioProcessor()
{
}

const juce::String VornAudioProcessor::getName() const
{
    return "VORN";
}

void VornAudioProcessor::prepareToPlay(double sampleRate, int maximumExpectedSamplesPerBlock)
{
    const int blockSize = std::max(0, maximumExpectedSamplesPerBlock);

    const ScopedSuspension suspension(*this);

    monoBuffer.setSize(2, blockSize);
    monoBuffer.clear();
    valveDryBuffer.setSize(2, blockSize, false, false, false);
    compDryBuffer.setSize(2, blockSize, false, false, false);

    // NaN fails the comparison too; an infinite rate would leave NaN in every filter.
    currentSampleRate = (sampleRate > 0.0 && std::isfinite(sampleRate)) ? sampleRate : 44100.0;

    valveProcessor.prepare(currentSampleRate, (double)blockSize);
    compressor.setSampleRate(currentSampleRate);

    const juce::ScopedLock lock(getCallbackLock());

    // The valve stage went back to its initial row: bring every DSP setting back in line.
    for (auto* parameter : getParameters())
        if (auto* floatParameter = dynamic_cast<FloatParameter*>(parameter))
            floatParameter->setValue(floatParameter->getValue());

    // JUCE's LV2 wrapper prepares the instance once, when the host creates it.
    announceValuesToLv2Host();
}

void VornAudioProcessor::releaseResources()
{
}

void VornAudioProcessor::processBlock(juce::AudioSampleBuffer& buffer, juce::MidiBuffer&)
{
    if (!bypassed)
    {
        const int numInputChannels = getTotalNumInputChannels();
        const int numSamples = buffer.getNumSamples();
        const int preparedSize = valveDryBuffer.getNumSamples();
        const int channelsUsed = numInputChannels == 2 ? 2 : 1;

        if ((numInputChannels == 1 || numInputChannels == 2) && buffer.getNumChannels() >= channelsUsed &&
            numSamples > 0 && preparedSize > 0)
        {
            if (numSamples <= preparedSize)
            {
                processChain(buffer, numInputChannels);
            }
            else
            {
                // Longer than announced: consecutive slices of the prepared size, referring to the
                // host's memory, so that nothing is resized on the audio thread.
                float* const* channels = buffer.getArrayOfWritePointers();
                for (int start = 0; start < numSamples; start += preparedSize)
                {
                    juce::AudioSampleBuffer slice(channels, channelsUsed, start,
                                                  std::min(preparedSize, numSamples - start));
                    processChain(slice, numInputChannels);
                }
            }
        }
    }

    if (firstBlockProcessed == 0)
    {
        buffer.clear();
        firstBlockProcessed = 1;
    }
}

void VornAudioProcessor::processChain(juce::AudioSampleBuffer& buffer, int numInputChannels)
{
    if (numInputChannels == 2)
    {
        processStereo(buffer);
        return;
    }

    const int numSamples = buffer.getNumSamples();
    // Never grows here: blocks are at most the prepared size, which monoBuffer has allocated.
    if (monoBuffer.getNumSamples() != numSamples)
        monoBuffer.setSize(2, numSamples, false, false, true);

    monoBuffer.copyFrom(0, 0, buffer, 0, 0, numSamples);
    monoBuffer.copyFrom(1, 0, buffer, 0, 0, numSamples);
    processStereo(monoBuffer);
    dspUtils.copyFirstChannel(buffer, monoBuffer);
}

void VornAudioProcessor::processStereo(juce::AudioSampleBuffer& buffer)
{
    const int numSamples = buffer.getNumSamples();
    float* left = buffer.getWritePointer(0);
    float* right = buffer.getWritePointer(1);

    replaceNonFiniteWithZero(left, numSamples);
    replaceNonFiniteWithZero(right, numSamples);

    // A blend of 1 would give the processed signal itself (up to the sign of a zero): then the dry copy
    // and the blend are skipped.
    const float valveBlend = valveBlendParam->getValue();
    if (valveBlend != 1.0f)
    {
        valveDryBuffer.copyFrom(0, 0, buffer, 0, 0, numSamples);
        valveDryBuffer.copyFrom(1, 0, buffer, 1, 0, numSamples);
    }

    valveProcessor.processInPasses(buffer);

    if (valveBlend != 1.0f)
        dspUtils.blendBuffers(buffer, valveDryBuffer, valveBlend, 1.0f - valveBlend);

    const float compBlend = compBlendParam->getValue();
    if (compBlend != 1.0f)
    {
        compDryBuffer.copyFrom(0, 0, buffer, 0, 0, numSamples);
        compDryBuffer.copyFrom(1, 0, buffer, 1, 0, numSamples);
    }

    // "Output" is the compressor's outputGain, so it scales only the compressed path. The block path
    // gives, within a few float ulps, what process() gives pair by pair on the samples widened to double.
    compressor.processBlock(left, right, numSamples);

    if (compBlend != 1.0f)
        dspUtils.blendBuffers(buffer, compDryBuffer, compBlend, 1.0f - compBlend);
}

double VornAudioProcessor::getTailLengthSeconds() const
{
    return 0.0;
}

bool VornAudioProcessor::acceptsMidi() const
{
    return false;
}

bool VornAudioProcessor::producesMidi() const
{
    return false;
}

juce::AudioProcessorEditor* VornAudioProcessor::createEditor()
{
    return new VornAudioProcessorEditor(this);
}

bool VornAudioProcessor::hasEditor() const
{
    return true;
}

int VornAudioProcessor::getNumPrograms()
{
    return 1;
}

int VornAudioProcessor::getCurrentProgram()
{
    return 0;
}

void VornAudioProcessor::setCurrentProgram(int)
{
}

const juce::String VornAudioProcessor::getProgramName(int)
{
    return {};
}

void VornAudioProcessor::changeProgramName(int, const juce::String&)
{
}

JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE("-Wdeprecated-declarations")

const juce::String VornAudioProcessor::getInputChannelName(int channelIndex) const
{
    return juce::String(channelIndex + 1);
}

const juce::String VornAudioProcessor::getOutputChannelName(int channelIndex) const
{
    return juce::String(channelIndex + 1);
}

bool VornAudioProcessor::isInputChannelStereoPair(int) const
{
    return true;
}

bool VornAudioProcessor::isOutputChannelStereoPair(int) const
{
    return true;
}

JUCE_END_IGNORE_WARNINGS_GCC_LIKE

bool VornAudioProcessor::silenceInProducesSilenceOut() const
{
    return false;
}

bool VornAudioProcessor::isBusesLayoutSupported(const BusesLayout& layouts) const
{
    const auto input = layouts.getMainInputChannelSet();
    const auto output = layouts.getMainOutputChannelSet();

    return input == output &&
           (input == juce::AudioChannelSet::mono() || input == juce::AudioChannelSet::stereo());
}

VornAudioProcessor::ScopedSuspension::ScopedSuspension(VornAudioProcessor& processorToSuspend)
    : processor(processorToSuspend)
{
    const juce::ScopedLock lock(processor.getCallbackLock());

    if (processor.suspensionDepth++ == 0)
    {
        processor.suspensionIsOurs = !processor.isSuspended();
        processor.suspendProcessing(true);
    }
}

VornAudioProcessor::ScopedSuspension::~ScopedSuspension()
{
    const juce::ScopedLock lock(processor.getCallbackLock());

    if (--processor.suspensionDepth == 0 && processor.suspensionIsOurs)
        processor.suspendProcessing(false);
}

bool VornAudioProcessor::isBypassed() const
{
    return bypassed;
}

juce::AudioProcessor* JUCE_CALLTYPE createPluginFilter()
{
    return new VornAudioProcessor();
}

// ---- Host state and preset files ----

void VornAudioProcessor::getStateInformation(juce::MemoryBlock& destData)
{
    SettingsElement::writeStateChunk(*SettingsElement::create(*this, true), destData);
}

void VornAudioProcessor::setStateInformation(const void* data, int sizeInBytes)
{
    // Declared first, so processing resumes before the element is deleted.
    std::unique_ptr<juce::XmlElement> element;
    const ScopedSuspension suspension(*this);

    element = SettingsElement::readStateChunk(data, sizeInBytes);

    // Exact comparison: hasTagName ignores case.
    if (element != nullptr && element->getTagName() == SettingsElement::getTag(*this))
        SettingsElement::restore(*this, *element, true);

    announceValuesToLv2Host();
}

void VornAudioProcessor::announceValuesToLv2Host()
{
    // JUCE's LV2 wrapper sends a parameter's value out to the host (a patch:Set on the
    // notification port, with the next block) only when the parameter notifies its listeners. The
    // host's own changes need no echo, but the values an instance starts with or restores would
    // stay unknown to the host, whose controls would show the declared defaults or nothing. The
    // other formats' hosts read the values from the instance.
    if (wrapperType != wrapperType_LV2)
        return;

    for (auto* parameter : getParameters())
        parameter->sendValueChangedMessageToListeners(parameter->getValue());
}

juce::Result VornAudioProcessor::savePreset(juce::File file)
{
    const auto element = SettingsElement::create(*this, false);
    const auto result = SettingsElement::writePresetFile(*element, file);

    if (result.wasOk())
        currentPresetName = file.getFileNameWithoutExtension();

    return result;
}

void VornAudioProcessor::loadPreset(const juce::String& path)
{
    std::unique_ptr<juce::XmlElement> element;
    const ScopedSuspension suspension(*this);

    element = SettingsElement::readPresetFile(path);

    if (element != nullptr && element->getTagName() == SettingsElement::getTag(*this))
        SettingsElement::restore(*this, *element, false);
}
