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
        return;

    juce::Button::mouseDown(event);
}
