#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

// The Save Preset window's content: a caption, a one-line name field, Cancel and Save.
// It tells its listeners what the user did through action messages.
class SetPresetNameComponent : public juce::Component,
                               public juce::Button::Listener,
                               public juce::TextEditor::Listener,
                               public juce::ActionBroadcaster
{
public:
    SetPresetNameComponent();
    ~SetPresetNameComponent() override;

    void paint(juce::Graphics& g) override;
    void resized() override;
    void buttonClicked(juce::Button* button) override;
    void textEditorTextChanged(juce::TextEditor& editor) override;
    void textEditorReturnKeyPressed(juce::TextEditor& editor) override;

    // The name as it stood at the last Save click or Return key, not the live text.
    juce::String getPresetName() const;

    juce::TextButton saveButton;
    juce::TextButton cancelButton;
    juce::Label nameLabel;
    juce::TextEditor nameEditor;

private:
    void requestSave();

    juce::String presetName;
    juce::LookAndFeel_V3 lookAndFeelV3;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(SetPresetNameComponent)
};
