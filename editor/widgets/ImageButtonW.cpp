#include "ImageButtonW.h"

ImageButtonW::ImageButtonW() : juce::ImageButton(juce::String())
{
}

ImageButtonW::~ImageButtonW() = default;

void ImageButtonW::mouseDown(const juce::MouseEvent& event)
{
    // The modifiers held at this moment, not those stored in the event.
    const auto modifiers = juce::ModifierKeys::getCurrentModifiersRealtime();
    pressIgnored = modifiers.isRightButtonDown() || modifiers.isCtrlDown();

    if (pressIgnored)
    {
        // A button that takes the keyboard focus with this press has already gone down in
        // focusGained, while any mouse button is held; left so, the release would click it.
        if (getState() == juce::Button::buttonDown)
            setState(juce::Button::buttonOver);
        return;
    }

    juce::Button::mouseDown(event);
}

void ImageButtonW::mouseDrag(const juce::MouseEvent& event)
{
    // The base button would go down on the first movement, and its release would click.
    if (!pressIgnored)
        juce::Button::mouseDrag(event);
}

void ImageButtonW::mouseUp(const juce::MouseEvent& event)
{
    if (!pressIgnored)
    {
        juce::Button::mouseUp(event);
        return;
    }

    pressIgnored = false;
    setState(isMouseOver(true) ? juce::Button::buttonOver : juce::Button::buttonNormal);
}
