#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

// A knob that shows its value as one frame of a film strip: a single image holding every
// position of the knob. Presses are sorted by the modifier keys held at that moment.
class FilmStripSlider : public juce::Slider, public juce::ActionBroadcaster
{
public:
    explicit FilmStripSlider(const juce::String& componentName);
    ~FilmStripSlider() override;

    // Shares the image's pixels. A null image leaves no frame to draw.
    void setFilmStrip(const juce::Image& image, int numFrames, bool isHorizontal);

    void mouseDown(const juce::MouseEvent& event) override;
    void paint(juce::Graphics& g) override;
    juce::String getTextFromValue(double value) override;

    int getNumFrames() const { return numFrames; }
    int getFrameWidth() const { return frameWidth; }
    int getFrameHeight() const { return frameHeight; }
    bool isStripHorizontal() const { return isHorizontal; }
    const juce::Image& getFilmStrip() const { return filmStrip; }

private:
    juce::Image filmStrip;
    int numFrames = 0;
    int lastFrameIndex = 0;
    bool isHorizontal = true;
    int frameWidth = 0;
    int frameHeight = 0;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(FilmStripSlider)
};
