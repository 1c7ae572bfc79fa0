#include "SetPresetNameComponent.h"

SetPresetNameComponent::SetPresetNameComponent()
{
    setSize(270, 140);
    setLookAndFeel(&lookAndFeelV3);

    addAndMakeVisible(nameLabel);
    nameLabel.setBounds(35, 15, 172, 22);
    nameLabel.setColour(juce::Label::textColourId, juce::Colours::white);
    nameLabel.setFont(juce::Font("Arial", 14.0f, juce::Font::plain));
    nameLabel.setText("Set a name for this preset", juce::dontSendNotification);

    addAndMakeVisible(nameEditor);
    nameEditor.setBounds(35, 50, 200, 28);
    nameEditor.setFont(juce::Font("Arial", 21.0f, juce::Font::plain));
    nameEditor.addListener(this);

    addAndMakeVisible(cancelButton);
    cancelButton.setBounds(35, 95, 84, 28);
    cancelButton.addListener(this);
    cancelButton.setLookAndFeel(&lookAndFeelV3);
    cancelButton.setButtonText("Cancel");

    addAndMakeVisible(saveButton);
    saveButton.setBounds(151, 95, 84, 28);
    saveButton.addListener(this);
    saveButton.setLookAndFeel(&lookAndFeelV3);
    saveButton.setButtonText("Save");

    repaint();
}

SetPresetNameComponent::~SetPresetNameComponent()
{
    // lookAndFeelV3 is destroyed before the children that use it.
    saveButton.setLookAndFeel(nullptr);
    cancelButton.setLookAndFeel(nullptr);
    setLookAndFeel(nullptr);
}

void SetPresetNameComponent::paint(juce::Graphics& g)
{
    g.fillAll(juce::Colour(0xff1d1d1d));
    saveButton.setEnabled(!nameEditor.isEmpty());
}

void SetPresetNameComponent::resized()
{
}

void SetPresetNameComponent::buttonClicked(juce::Button* button)
{
    if (button == &cancelButton)
        sendActionMessage("close_window");
    else if (button == &saveButton)
        requestSave();
}

void SetPresetNameComponent::textEditorTextChanged(juce::TextEditor&)
{
    saveButton.setEnabled(!nameEditor.isEmpty());
}

// Return saves even while Save is disabled; an empty name still clears the stored one.
void SetPresetNameComponent::textEditorReturnKeyPressed(juce::TextEditor&)
{
    requestSave();
}

juce::String SetPresetNameComponent::getPresetName() const
{
    return presetName;
}

// The name is taken as typed, spaces included: the editor and the processor judge it.
void SetPresetNameComponent::requestSave()
{
    presetName = nameEditor.getText();
    if (presetName.isNotEmpty())
        sendActionMessage("SavePresetButtonClicked");
}
