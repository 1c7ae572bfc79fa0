#pragma once

#include "SetPresetNameComponent.h"

// The small native window in which the user names a preset. It saves nothing itself: the editor
// listens to its content and runs the save.
class SetPresetNameWindow : public juce::DocumentWindow,
                            public juce::ActionBroadcaster,
                            public juce::ActionListener
{
public:
    SetPresetNameWindow();
    ~SetPresetNameWindow() override;

    SetPresetNameComponent* getPresetNameComponent();
    juce::String getPresetName() const;

    void closeButtonPressed() override;
    void focusGained(FocusChangeType cause) override;
    void actionListenerCallback(const juce::String& message) override;

private:
    juce::LookAndFeel_V3 lookAndFeelV3;
    SetPresetNameComponent nameComponent;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(SetPresetNameWindow)
};
