#include "SetPresetNameWindow.h"

SetPresetNameWindow::SetPresetNameWindow()
    : juce::DocumentWindow("Save Preset", juce::Colours::lightgrey, juce::DocumentWindow::allButtons, true)
{
    setUsingNativeTitleBar(true);
    setContentNonOwned(&nameComponent, true);
    nameComponent.addActionListener(this);
    // Without a display (a host writing its plug-in descriptions headless) there is no screen to
    // centre on, and JUCE would dereference the missing one.
    if (juce::Desktop::getInstance().getDisplays().getPrimaryDisplay() != nullptr)
        centreWithSize(getWidth(), getHeight());
    setAlwaysOnTop(true);
    setTitleBarButtonsRequired(juce::DocumentWindow::closeButton, false);
    setVisible(false);
    juce::LookAndFeel::setDefaultLookAndFeel(&lookAndFeelV3);
}

SetPresetNameWindow::~SetPresetNameWindow()
{
    nameComponent.removeActionListener(this);
    // Detached first, so that focus moving out of the dying field finds no content to return to.
    clearContentComponent();

    // JUCE asserts when a look-and-feel dies while it is still the default.
    if (&juce::LookAndFeel::getDefaultLookAndFeel() == &lookAndFeelV3)
        juce::LookAndFeel::setDefaultLookAndFeel(nullptr);
}

SetPresetNameComponent* SetPresetNameWindow::getPresetNameComponent()
{
    return &nameComponent;
}

juce::String SetPresetNameWindow::getPresetName() const
{
    return nameComponent.getPresetName();
}

void SetPresetNameWindow::closeButtonPressed()
{
    setVisible(false);
    if (isCurrentlyModal(false))
        exitModalState(0);
    sendActionMessage("save_preset_window_closed");
}

void SetPresetNameWindow::focusGained(FocusChangeType)
{
    // The window holds one field: the focus the window takes when it comes to the front goes there.
    if (isShowing() && getContentComponent() == &nameComponent)
        nameComponent.nameEditor.grabKeyboardFocus();
}

void SetPresetNameWindow::actionListenerCallback(const juce::String& message)
{
    if (message == "close_window")
        closeButtonPressed();
}
