#include "VornAudioProcessorEditor.h"

#include "FloatParameter.h"
#include "VornAudioProcessor.h"
#include "VornImages.h"

namespace
{
const juce::Colour menuBackground(0xFF212121);
const juce::Colour menuText(0xFFDFD8BE);
const juce::Colour menuHeaderText(0xFFA2BACA);

juce::Image decode(const char* data, int size)
{
    return juce::ImageFileFormat::loadFrom(data, (size_t)size);
}
} // namespace

const VornAudioProcessorEditor::WebLink VornAudioProcessorEditor::webLinks[4] = {
    {1000, "Visit Mordax", "https://mordax-audio.example.com"},
    {1001, "Facebook", "https://www.facebook.com/mordaxaudio"},
    {1002, "Twitter", "https://twitter.com/mordaxaudio"},
    {1003, "Youtube", "https://www.youtube.com/@mordaxaudio"},
};

VornAudioProcessorEditor::VornAudioProcessorEditor(VornAudioProcessor* p) : juce::AudioProcessorEditor(p)
{
    // Listen before reading any value, so that a change racing with the construction still
    // reaches the controls.
    if (p != nullptr)
    {
        audioProcessor = p;
        audioProcessor->addChangeListener(this);
    }

    setSize(944, 280);
    loadImages();
    initHeaderControls();
    initKnobs();

    // The keys belong to the host (Return, the space bar): a click leaves the keyboard focus on
    // the editor, which uses no key, rather than on a control that would act on Return or the
    // arrows.
    for (auto* child : getChildren())
        child->setWantsKeyboardFocus(false);
    setWantsKeyboardFocus(true);

    updateControlsFromProcessor();

    setPresetNameWindow.getPresetNameComponent()->addActionListener(this);
    juce::LookAndFeel::setDefaultLookAndFeel(&editorLookAndFeel);
    startTimer(60);
}

VornAudioProcessorEditor::~VornAudioProcessorEditor()
{
    if (setPresetNameWindow.isVisible())
        setPresetNameWindow.closeButtonPressed();
    setPresetNameWindow.getPresetNameComponent()->removeActionListener(this);

    if (audioProcessor != nullptr)
    {
        audioProcessor->removeChangeListener(this);
        audioProcessor = nullptr;
    }

    juce::PopupMenu::dismissAllActiveMenus();

    presetComboBox.setLookAndFeel(nullptr);
    mainMenu.setLookAndFeel(nullptr);
}

void VornAudioProcessorEditor::loadImages()
{
    using namespace VornImages;
    backgroundImage = decode(background_png, background_pngSize);
    menuHotSpotImage = decode(menu_hot_spot_png, menu_hot_spot_pngSize);
    prevPresetImage = decode(prev_preset_png, prev_preset_pngSize);
    prevPresetDownImage = decode(prev_preset_down_png, prev_preset_down_pngSize);
    nextPresetImage = decode(next_preset_png, next_preset_pngSize);
    nextPresetDownImage = decode(next_preset_down_png, next_preset_down_pngSize);
    savePresetImage = decode(save_preset_png, save_preset_pngSize);
    savePresetDownImage = decode(save_preset_down_png, save_preset_down_pngSize);
    bypassImage = decode(bypass_png, bypass_pngSize);
    bypassDownImage = decode(bypass_down_png, bypass_down_pngSize);
    valveModeImage = decode(valve_mode_png, valve_mode_pngSize);
    valveModeDownImage = decode(valve_mode_down_png, valve_mode_down_pngSize);
    valveDriveImage = decode(valve_drive_png, valve_drive_pngSize);
    valveBiasImage = decode(valve_bias_png, valve_bias_pngSize);
    valveInputImage = decode(valve_input_png, valve_input_pngSize);
    valveBlendImage = decode(valve_blend_png, valve_blend_pngSize);
    compRatioImage = decode(comp_ratio_png, comp_ratio_pngSize);
    compAttackImage = decode(comp_attack_png, comp_attack_pngSize);
    compRecoveryImage = decode(comp_recovery_png, comp_recovery_pngSize);
    compThresholdImage = decode(comp_threshold_png, comp_threshold_pngSize);
    compBlendImage = decode(comp_blend_png, comp_blend_pngSize);
    outputImage = decode(output_png, output_pngSize);
    meterImage = decode(meter_png, meter_pngSize);
    aboutImage = decode(about_png, about_pngSize);
}

void VornAudioProcessorEditor::setUpImageButton(ImageButtonW& button, juce::Point<int> position,
                                                const juce::Image& normal, float normalOpacity,
                                                const juce::Image& down, float overDownOpacity)
{
    const juce::Colour clear(0x00000000);
    addAndMakeVisible(button);
    button.setTopLeftPosition(position);
    // Resizes the button to its normal image; a threshold of 0 makes the whole rectangle hit.
    button.setImages(true, true, true, normal, normalOpacity, clear, normal, overDownOpacity, clear, down,
                     overDownOpacity, clear, 0.0f);
    button.addListener(this);
}

void VornAudioProcessorEditor::initHeaderControls()
{
    addAndMakeVisible(backgroundComponent);
    backgroundComponent.setImage(backgroundImage);
    backgroundComponent.setBounds(0, 0, 944, 280);

    setUpImageButton(menuHotSpot, {0, 0}, menuHotSpotImage, 0.0f, menuHotSpotImage, 0.0f);
    setUpImageButton(prevPresetButton, {668, 8}, prevPresetImage, 1.0f, prevPresetDownImage, 1.0f);
    setUpImageButton(nextPresetButton, {848, 8}, nextPresetImage, 1.0f, nextPresetDownImage, 1.0f);
    setUpImageButton(savePresetButton, {874, 8}, savePresetImage, 1.0f, savePresetDownImage, 1.0f);
    setUpImageButton(bypassButton, {904, 8}, bypassImage, 1.0f, bypassDownImage, 1.0f);
    bypassButton.setClickingTogglesState(true);

    editorLookAndFeel.setColour(juce::PopupMenu::backgroundColourId, menuBackground);
    editorLookAndFeel.setColour(juce::PopupMenu::textColourId, menuText);
    editorLookAndFeel.setColour(juce::PopupMenu::highlightedBackgroundColourId,
                                menuBackground.brighter(0.4f));
    editorLookAndFeel.setColour(juce::PopupMenu::highlightedTextColourId, menuText);
    editorLookAndFeel.setColour(juce::PopupMenu::headerTextColourId, menuHeaderText);

    mainMenu.clear();
    mainMenu.addItem(205, "About", true, false);
    for (const auto& link : webLinks)
        mainMenu.addItem(link.itemId, link.text, true, false);
    mainMenu.setLookAndFeel(&editorLookAndFeel);

    addAndMakeVisible(presetComboBox);
    presetComboBox.setBounds(687, 11, 160, 18);
    presetComboBox.addListener(this);
    // Only the text is drawn: the box painted in the background shows through.
    presetComboBox.setColour(juce::ComboBox::backgroundColourId, juce::Colours::transparentBlack);
    presetComboBox.setColour(juce::ComboBox::textColourId, menuText);
    presetComboBox.setColour(juce::ComboBox::outlineColourId, juce::Colour(0x00000000));
    presetComboBox.setColour(juce::ComboBox::buttonColourId, juce::Colour(0x00000000));
    presetComboBox.setColour(juce::ComboBox::arrowColourId, juce::Colour(0x00000000));
    // Focused, JUCE's box would draw a frame of its own.
    presetComboBox.setColour(juce::ComboBox::focusedOutlineColourId, juce::Colour(0x00000000));
    presetComboBox.setLookAndFeel(&editorLookAndFeel);
    presetComboBox.setTextWhenNothingSelected("No presets loaded...");

    refreshPresetList();
}

void VornAudioProcessorEditor::setUpKnob(FilmStripSlider& knob, const juce::Image& strip, int frames,
                                         juce::Rectangle<int> bounds, double maximum, double interval,
                                         double value)
{
    addAndMakeVisible(knob);
    knob.setSliderStyle(juce::Slider::RotaryHorizontalVerticalDrag);
    knob.setFilmStrip(strip, frames, false);
    knob.setBounds(bounds);
    knob.setTextBoxStyle(juce::Slider::NoTextBox, false, 0, 0);
    knob.setRange(0.0, maximum, interval);
    knob.setValue(value, juce::dontSendNotification);
}

void VornAudioProcessorEditor::initKnobs()
{
    struct KnobRow
    {
        FilmStripSlider& knob;
        const juce::Image& strip;
        int frames;
        juce::Rectangle<int> bounds;
        FloatParameter* parameter;
        const int* step;
    };

    auto& proc = *audioProcessor;
    const KnobRow valveRows[] = {
        {valveDriveKnob, valveDriveImage, 101, {64, 72, 88, 88}, proc.valveDriveParam, nullptr},
        {valveBiasKnob, valveBiasImage, 101, {216, 72, 88, 88}, proc.valveBiasParam, nullptr},
        {valveInputKnob, valveInputImage, 101, {64, 160, 88, 88}, proc.valveInputParam, nullptr},
        {valveBlendKnob, valveBlendImage, 101, {216, 160, 88, 88}, proc.valveBlendParam, nullptr},
    };
    const KnobRow compRows[] = {
        {compRatioKnob, compRatioImage, 6, {352, 56, 104, 104}, proc.compRatioParam, &proc.compRatioStep},
        {compAttackKnob, compAttackImage, 6, {464, 56, 104, 104}, proc.compAttackParam, &proc.compAttackStep},
        {compRecoveryKnob,
         compRecoveryImage,
         6,
         {576, 56, 104, 104},
         proc.compRecoveryParam,
         &proc.compRecoveryStep},
        {compThresholdKnob, compThresholdImage, 101, {352, 160, 104, 104}, proc.compThresholdParam, nullptr},
        {compBlendKnob, compBlendImage, 101, {464, 160, 104, 104}, proc.compBlendParam, nullptr},
        {outputKnob, outputImage, 101, {576, 160, 104, 104}, proc.outputParam, nullptr},
    };

    const auto setUp = [this](const KnobRow& row)
    {
        const bool stepped = row.step != nullptr;
        setUpKnob(row.knob, row.strip, row.frames, row.bounds, stepped ? 5.0 : 1.0, stepped ? 1.0 : 0.001,
                  stepped ? (double)*row.step : (double)row.parameter->getValue());
        row.knob.addListener(this);
        row.knob.setDoubleClickReturnValue(true, (double)row.parameter->getDefaultValue());
    };

    for (const auto& row : valveRows)
        setUp(row);

    setUpImageButton(valveModeButton, {152, 96}, valveModeImage, 1.0f, valveModeDownImage, 1.0f);
    valveModeButton.setClickingTogglesState(true);

    for (const auto& row : compRows)
        setUp(row);

    setUpKnob(gainReductionMeter, meterImage, 51, {728, 56, 160, 80}, 1.0, 0.001, 0.0);
    gainReductionMeter.setEnabled(false);

    setUpImageButton(aboutOverlay, {0, 0}, aboutImage, 1.0f, aboutImage, 1.0f);
    aboutOverlay.setVisible(false);
}

void VornAudioProcessorEditor::paint(juce::Graphics& g)
{
    g.setGradientFill(juce::ColourGradient(juce::Colours::white, 0.0f, 0.0f, juce::Colours::grey, 0.0f,
                                           (float)getHeight(), false));
    g.fillAll();
}

void VornAudioProcessorEditor::updateControlsFromProcessor()
{
    if (audioProcessor == nullptr)
        return;
    auto& proc = *audioProcessor;

    const auto presetName = proc.currentPresetName;
    if (presetName != presetComboBox.getText())
        presetComboBox.setText(presetName, juce::dontSendNotification);

    bypassButton.setToggleState(proc.masterBypassParam->getValue() < 0.5f, juce::dontSendNotification);

    // A NaN compares unequal, so it is always passed on.
    const auto follow = [](FilmStripSlider& knob, FloatParameter* parameter)
    {
        const auto value = (double)parameter->getValue();
        if (!(value == knob.getValue()))
            knob.setValue(value, juce::dontSendNotification);
    };

    follow(valveDriveKnob, proc.valveDriveParam);
    follow(valveBiasKnob, proc.valveBiasParam);
    follow(valveInputKnob, proc.valveInputParam);
    follow(valveBlendKnob, proc.valveBlendParam);
    compRatioKnob.setValue((double)proc.compRatioStep, juce::dontSendNotification);
    compAttackKnob.setValue((double)proc.compAttackStep, juce::dontSendNotification);
    compRecoveryKnob.setValue((double)proc.compRecoveryStep, juce::dontSendNotification);
    follow(compThresholdKnob, proc.compThresholdParam);
    follow(compBlendKnob, proc.compBlendParam);
    follow(outputKnob, proc.outputParam);

    valveModeButton.setToggleState(!(proc.valveModeParam->getValue() < 0.5f), juce::dontSendNotification);
}

void VornAudioProcessorEditor::changeListenerCallback(juce::ChangeBroadcaster*)
{
    updateControlsFromProcessor();
}

void VornAudioProcessorEditor::timerCallback()
{
    if (audioProcessor == nullptr)
        return;
    const float value = 1.0f - audioProcessor->compressor.gainReduction;
    gainReductionMeter.setValue((double)value, juce::sendNotificationAsync);
}

FloatParameter* VornAudioProcessorEditor::parameterOf(juce::Slider* slider) const
{
    if (audioProcessor == nullptr)
        return nullptr;
    auto& proc = *audioProcessor;
    if (slider == &valveDriveKnob)
        return proc.valveDriveParam;
    if (slider == &valveBiasKnob)
        return proc.valveBiasParam;
    if (slider == &valveInputKnob)
        return proc.valveInputParam;
    if (slider == &valveBlendKnob)
        return proc.valveBlendParam;
    if (slider == &compRatioKnob)
        return proc.compRatioParam;
    if (slider == &compAttackKnob)
        return proc.compAttackParam;
    if (slider == &compRecoveryKnob)
        return proc.compRecoveryParam;
    if (slider == &compThresholdKnob)
        return proc.compThresholdParam;
    if (slider == &compBlendKnob)
        return proc.compBlendParam;
    if (slider == &outputKnob)
        return proc.outputParam;
    return nullptr;
}

bool VornAudioProcessorEditor::isSteppedKnob(juce::Slider* slider) const
{
    return slider == &compRatioKnob || slider == &compAttackKnob || slider == &compRecoveryKnob;
}

void VornAudioProcessorEditor::sliderValueChanged(juce::Slider* slider)
{
    auto* parameter = parameterOf(slider);
    if (parameter == nullptr)
        return;

    const double value = slider->getValue();
    if (!isSteppedKnob(slider))
    {
        parameter->setValueNotifyingHost((float)value);
        return;
    }

    // Steps go straight to the parameter, as the band each one selects; the host is not told.
    static const float stepValues[] = {0.0f, 0.1f, 0.2f, 0.3f, 0.4f, 0.5f};
    for (int step = 0; step < 6; ++step)
        if (value == (double)step)
        {
            parameter->setValue(stepValues[step]);
            return;
        }
}

void VornAudioProcessorEditor::sliderDragStarted(juce::Slider* slider)
{
    if (auto* parameter = parameterOf(slider))
        parameter->beginChangeGesture();
}

void VornAudioProcessorEditor::sliderDragEnded(juce::Slider* slider)
{
    if (auto* parameter = parameterOf(slider))
        parameter->endChangeGesture();
}

void VornAudioProcessorEditor::buttonClicked(juce::Button* button)
{
    if (button == &menuHotSpot)
    {
        showMainMenu();
        return;
    }
    if (button == &aboutOverlay)
    {
        aboutOverlay.setVisible(false);
        return;
    }
    if (audioProcessor == nullptr)
        return;

    if (button == &valveModeButton)
    {
        audioProcessor->valveModeParam->setValue(valveModeButton.getToggleState() ? 1.0f : 0.0f);
    }
    else if (button == &bypassButton)
    {
        audioProcessor->masterBypassParam->setValueNotifyingHost(bypassButton.getToggleState() ? 0.0f : 1.0f);
    }
    else if (button == &prevPresetButton || button == &nextPresetButton)
    {
        // An empty list is stepped like any other: a name still shown there (a restored one whose
        // file has gone) names no item, so the step selects none and clears it, and an empty box
        // stays as it is.
        const int count = presetComboBox.getNumItems();
        const int index = presetComboBox.getSelectedItemIndex();
        int target;
        if (button == &prevPresetButton)
            target = index <= 0 ? count - 1 : index - 1; // from no selection: the last item
        else
            target = index == count - 1 ? 0 : index + 1;
        presetComboBox.setSelectedItemIndex(target, juce::sendNotificationAsync);
    }
    else if (button == &savePresetButton)
    {
        setPresetNameWindow.setVisible(true);
        setPresetNameWindow.toFront(true);
        setPresetNameWindow.getPresetNameComponent()->nameEditor.grabKeyboardFocus();
    }
}

void VornAudioProcessorEditor::showMainMenu()
{
    JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE("-Wdeprecated-declarations")
    const int result = mainMenu.show();
    JUCE_END_IGNORE_WARNINGS_GCC_LIKE

    if (result == 205)
    {
        aboutOverlay.setVisible(true);
        return;
    }
    for (const auto& link : webLinks)
        if (result == link.itemId)
            juce::URL(link.address).launchInDefaultBrowser();
}

juce::String VornAudioProcessorEditor::presetNameProblem(const juce::String& name)
{
    const auto refusal = juce::String("A preset name cannot be \".\" or \"..\", and cannot hold "
                                      "\"/\", \"\\\" or control characters such as a line break.");
    if (name == "." || name == "..")
        return refusal;
    for (auto c : name)
        if (c == '/' || c == '\\' || c < 0x20 || c == 0x7f)
            return refusal;
    return {};
}

void VornAudioProcessorEditor::refreshPresetList()
{
    if (audioProcessor == nullptr)
        return;

    if (presetComboBox.getNumItems() > 0)
        presetComboBox.clear(juce::sendNotificationAsync);

    const auto folder = productInfo.getPresetDirectory();
    if (folder.isEmpty())
        return;

    // The listing ignores case, so "Warm.atp" and "Warm.ATP" both match, yet the name loads
    // Warm.atp whichever item is chosen: each name is listed once.
    juce::StringArray names;
    int id = 1;
    for (const auto& entry : juce::RangedDirectoryIterator(
             juce::File(folder), false, "*" + ProductInfo::getPresetFileExtension(), juce::File::findFiles))
    {
        const auto name = entry.getFile().getFileNameWithoutExtension();
        if (names.contains(name))
            continue;
        names.add(name);
        presetComboBox.addItem(name, id++);
    }
}

void VornAudioProcessorEditor::comboBoxChanged(juce::ComboBox* comboBox)
{
    if (comboBox != &presetComboBox || audioProcessor == nullptr)
        return;

    const auto name = presetComboBox.getText();
    const auto folder = productInfo.getPresetDirectory();
    // The box's text may be any name a restored state carried: only a plain name in an existing
    // preset folder is loaded.
    if (folder.isNotEmpty() && presetNameProblem(name).isEmpty())
        audioProcessor->loadPreset(folder + "/" + name + ProductInfo::getPresetFileExtension());
    audioProcessor->currentPresetName = name;
}

void VornAudioProcessorEditor::actionListenerCallback(const juce::String& message)
{
    if (message == "SavePresetButtonClicked")
        savePresetNamed(setPresetNameWindow.getPresetName());
}

void VornAudioProcessorEditor::savePresetNamed(const juce::String& name)
{
    if (audioProcessor == nullptr)
        return;

    // Each alert runs a modal loop, in which the host may delete the editor: once it has gone,
    // the flow stops and the answer saves nothing.
    const juce::Component::SafePointer<juce::Component> alive(this);

    JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE("-Wdeprecated-declarations")
    const auto problem = presetNameProblem(name);
    if (problem.isNotEmpty())
    {
        // The window stays open with the text, so the user can correct it.
        juce::AlertWindow::showNativeDialogBox("Problem saving preset", problem, true);
        return;
    }

    const auto folder = productInfo.getPresetDirectory();
    if (folder.isEmpty())
    {
        const auto wanted = juce::File::getSpecialLocation(juce::File::userHomeDirectory)
                                .getChildFile("Music/Audio Music Apps")
                                .getChildFile(productInfo.companyName)
                                .getChildFile("Presets")
                                .getChildFile(productInfo.productName);
        juce::AlertWindow::showNativeDialogBox(
            "Problem saving preset",
            "The preset folder " + wanted.getFullPathName() + " could not be created.", true);
        if (alive != nullptr)
            setPresetNameWindow.closeButtonPressed();
        return;
    }

    const juce::File file(folder + "/" + name + ProductInfo::getPresetFileExtension());
    if (file.existsAsFile())
    {
        const bool overwrite = juce::AlertWindow::showNativeDialogBox(
            "Overwrite", "Are you sure you want to overwrite " + name + "?", true);
        if (alive == nullptr || !overwrite)
            return;
    }

    const auto result = audioProcessor->savePreset(file);
    if (result.failed())
    {
        juce::AlertWindow::showNativeDialogBox("Problem saving preset", result.getErrorMessage(), true);
        if (alive == nullptr)
            return;
    }
    else
    {
        refreshPresetList();
        presetComboBox.setText(file.getFileNameWithoutExtension(), juce::dontSendNotification);
    }
    JUCE_END_IGNORE_WARNINGS_GCC_LIKE

    setPresetNameWindow.closeButtonPressed();
}
