#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

#include "DspUtils.h"
#include "dynamics/PeakCompressor.h"
#include "valve/ValveProcessor.h"

class FloatParameter;

// The plug-in instance: twelve parameters, the valve stage followed by the stereo-linked compressor,
// each with its own dry/wet blend, and the host state.
class VornAudioProcessor : public juce::AudioProcessor, public juce::ChangeBroadcaster
{
public:
    VornAudioProcessor();
    ~VornAudioProcessor() override;

    const juce::String getName() const override;

    void prepareToPlay(double sampleRate, int maximumExpectedSamplesPerBlock) override;
    void releaseResources() override;

    using juce::AudioProcessor::processBlock;
    void processBlock(juce::AudioSampleBuffer& buffer, juce::MidiBuffer& midiMessages) override;

    double getTailLengthSeconds() const override;

    bool acceptsMidi() const override;
    bool producesMidi() const override;

    juce::AudioProcessorEditor* createEditor() override;
    bool hasEditor() const override;

    int getNumPrograms() override;
    int getCurrentProgram() override;
    void setCurrentProgram(int index) override;
    const juce::String getProgramName(int index) override;
    void changeProgramName(int index, const juce::String& newName) override;

    void getStateInformation(juce::MemoryBlock& destData) override;
    void setStateInformation(const void* data, int sizeInBytes) override;

    // The 2.4 wrapper still asks these.
    JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE("-Wdeprecated-declarations")
    const juce::String getInputChannelName(int channelIndex) const override;
    const juce::String getOutputChannelName(int channelIndex) const override;
    bool isInputChannelStereoPair(int index) const override;
    bool isOutputChannelStereoPair(int index) const override;
    JUCE_END_IGNORE_WARNINGS_GCC_LIKE

    bool silenceInProducesSilenceOut() const override;

    // Mono to mono and stereo to stereo only: the chain serves no other layout.
    bool isBusesLayoutSupported(const BusesLayout& layouts) const override;

    // Processing stays suspended while one of these lives. They nest: JUCE's suspendProcessing is
    // a single flag, so an inner suspension (the "Valve Mode" conversion inside prepareToPlay or a
    // restore) would otherwise end an outer one early. A suspension already set by someone else
    // through suspendProcessing is left for them to end.
    class ScopedSuspension
    {
    public:
        explicit ScopedSuspension(VornAudioProcessor& processorToSuspend);
        ~ScopedSuspension();

    private:
        VornAudioProcessor& processor;

        JUCE_DECLARE_NON_COPYABLE(ScopedSuspension)
    };

    bool isBypassed() const;

    juce::Result savePreset(juce::File file);
    void loadPreset(const juce::String& path);

    // Owned by the processor's parameter list.
    FloatParameter* valveDriveParam = nullptr;
    FloatParameter* valveBiasParam = nullptr;
    FloatParameter* valveInputParam = nullptr;
    FloatParameter* valveBlendParam = nullptr;
    FloatParameter* valveModeParam = nullptr;
    FloatParameter* compRatioParam = nullptr;
    FloatParameter* compAttackParam = nullptr;
    FloatParameter* compRecoveryParam = nullptr;
    FloatParameter* compThresholdParam = nullptr;
    FloatParameter* compBlendParam = nullptr;
    FloatParameter* outputParam = nullptr;
    FloatParameter* masterBypassParam = nullptr;

    // True while "Master Bypass" is below 0.5.
    bool bypassed;
    juce::String currentPresetName;
    double currentSampleRate;

    // Stereo work buffer for mono input.
    juce::AudioSampleBuffer monoBuffer;
    // Dry copies for the two blends, sized to the prepared block size.
    juce::AudioSampleBuffer valveDryBuffer;
    juce::AudioSampleBuffer compDryBuffer;

    peak_dynamics::PeakCompressor compressor;

    // Bands 0 to 5 of the stepped compressor parameters, shown by the editor.
    int compRatioStep;
    int compAttackStep;
    int compRecoveryStep;

    ValveProcessor valveProcessor;

    // 0 until the first block, which is output as silence.
    int firstBlockProcessed;

    DspUtils dspUtils;

private:
    // Guarded by the callback lock.
    int suspensionDepth = 0;
    bool suspensionIsOurs = false;

    // In the LV2 build, has the wrapper send every parameter's value to the host.
    void announceValuesToLv2Host();

    void processStereo(juce::AudioSampleBuffer& buffer);
    // Runs the chain on a block no longer than the prepared size.
    void processChain(juce::AudioSampleBuffer& buffer, int numInputChannels);

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(VornAudioProcessor)
};
