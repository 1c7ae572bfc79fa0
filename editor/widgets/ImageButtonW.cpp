#include "ImageButtonW.h"

ImageButtonW::ImageButtonW() : juce::ImageButton(juce::String())
{
}

ImageButtonW::~ImageButtonW() = default;

void ImageButtonW::mouseDown(const juce::MouseEvent& event)
{
    // The modifiers held at this moment, not those stored in the event.
    const auto modifiers = juce::ModifierKeys::getCurrentModifiersRealtime();

    if (modifiers.isRightButtonDown() || modifiers.isCtrlDown())
    {
        // A button that takes the keyboard focus with this press has already gone down in
        // focusGained, while any mouse button is held; left so, the release would click it.
        if (getState() == juce::Button::buttonDown)
            setState(juce::Button::buttonOver);
        return;
    }

    juce::Button::mouseDown(event);
}
