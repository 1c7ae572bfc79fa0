#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

// An image button that ignores presses made with the right mouse button or the Control key,
// through the drag and the release that follow them.
class ImageButtonW : public juce::ImageButton, public juce::ActionBroadcaster
{
public:
    ImageButtonW();
    ~ImageButtonW() override;

    void mouseDown(const juce::MouseEvent& event) override;
    void mouseDrag(const juce::MouseEvent& event) override;
    void mouseUp(const juce::MouseEvent& event) override;

private:
    bool pressIgnored = false;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(ImageButtonW)
};
