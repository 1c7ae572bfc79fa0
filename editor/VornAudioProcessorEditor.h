#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

#include "FilmStripSlider.h"
#include "ImageButtonW.h"
#include "ProductInfo.h"
#include "SetPresetNameWindow.h"
#include "myLookAndFeel.h"

class FloatParameter;
class VornAudioProcessor;

// The plug-in's window: a fixed 944 x 280 panel drawn from embedded images, with ten knobs, the
// valve-mode switch, the gain-reduction meter, the bypass button, the preset bar and a hidden menu
// behind the logo. Controls follow the processor through its change messages.
class VornAudioProcessorEditor : public juce::AudioProcessorEditor,
                                 public juce::Slider::Listener,
                                 public juce::ChangeListener,
                                 public juce::Button::Listener,
                                 public juce::ActionListener,
                                 public juce::ComboBox::Listener,
                                 public juce::Timer
{
public:
    explicit VornAudioProcessorEditor(VornAudioProcessor* p);
    ~VornAudioProcessorEditor() override;

    void paint(juce::Graphics& g) override;
    void sliderValueChanged(juce::Slider* slider) override;
    void changeListenerCallback(juce::ChangeBroadcaster* source) override;
    void actionListenerCallback(const juce::String& message) override;
    void buttonClicked(juce::Button* button) override;
    void comboBoxChanged(juce::ComboBox* comboBox) override;
    void sliderDragStarted(juce::Slider* slider) override;
    void sliderDragEnded(juce::Slider* slider) override;
    void timerCallback() override;

    void updateControlsFromProcessor();
    void refreshPresetList();
    void showMainMenu();

    // Why a name cannot be a preset file's name in the preset folder, or "" when it can.
    static juce::String presetNameProblem(const juce::String& name);

    // The main menu's web links, by item id.
    struct WebLink
    {
        int itemId;
        const char* text;
        const char* address;
    };
    static const WebLink webLinks[4];

private:
    void loadImages();
    void initHeaderControls();
    void initKnobs();

    void setUpImageButton(ImageButtonW& button, juce::Point<int> position, const juce::Image& normal,
                          float normalOpacity, const juce::Image& down, float overDownOpacity);
    void setUpKnob(FilmStripSlider& knob, const juce::Image& strip, int frames, juce::Rectangle<int> bounds,
                   double maximum, double interval, double value);

    FloatParameter* parameterOf(juce::Slider* slider) const;
    bool isSteppedKnob(juce::Slider* slider) const;
    void savePresetNamed(const juce::String& name);

public:
    // Members in this order: the controls are added to the editor in another order, which is their
    // z-order; tests reach them here.
    ProductInfo productInfo;
    SetPresetNameWindow setPresetNameWindow;
    myLookAndFeel editorLookAndFeel;
    juce::ComboBox presetComboBox;
    juce::PopupMenu mainMenu;
    juce::Image aboutImage;
    ImageButtonW aboutOverlay;
    juce::Image menuHotSpotImage, prevPresetImage, nextPresetImage, prevPresetDownImage, nextPresetDownImage,
        savePresetImage, savePresetDownImage;
    ImageButtonW menuHotSpot, prevPresetButton, nextPresetButton, savePresetButton, bypassButton;
    juce::Image backgroundImage;
    juce::ImageComponent backgroundComponent;
    juce::Image bypassDownImage, bypassImage;
    juce::Image valveDriveImage, valveBiasImage, valveInputImage, valveBlendImage, compRatioImage,
        compAttackImage, compRecoveryImage, compThresholdImage, compBlendImage, outputImage;
    FilmStripSlider valveDriveKnob{{}}, valveBiasKnob{{}}, valveInputKnob{{}}, valveBlendKnob{{}},
        compRatioKnob{{}}, compAttackKnob{{}}, compRecoveryKnob{{}}, compThresholdKnob{{}}, compBlendKnob{{}},
        outputKnob{{}};
    juce::Image valveModeImage, valveModeDownImage;
    ImageButtonW valveModeButton;
    juce::Image meterImage;
    FilmStripSlider gainReductionMeter{{}};
    VornAudioProcessor* audioProcessor = nullptr;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(VornAudioProcessorEditor)
};
