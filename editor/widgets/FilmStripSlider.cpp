#include "FilmStripSlider.h"

#include <cmath>

FilmStripSlider::FilmStripSlider(const juce::String& componentName) : juce::Slider(componentName)
{
}

FilmStripSlider::~FilmStripSlider()
{
    // An open menu may call back into this knob (the base slider's own menu does): none may
    // outlive it.
    juce::PopupMenu::dismissAllActiveMenus();
}

void FilmStripSlider::setFilmStrip(const juce::Image& image, int newNumFrames, bool horizontal)
{
    filmStrip = image;

    if (filmStrip.isValid() && newNumFrames >= 1)
    {
        numFrames = newNumFrames;
        lastFrameIndex = numFrames - 1;
        isHorizontal = horizontal;

        if (isHorizontal)
        {
            frameHeight = filmStrip.getHeight();
            frameWidth = filmStrip.getWidth() / numFrames;
        }
        else
        {
            frameHeight = filmStrip.getHeight() / numFrames;
            frameWidth = filmStrip.getWidth();
        }
    }
    else
    {
        // No usable strip: nothing is drawn until a valid one arrives. A valid image with fewer
        // than one frame is treated like a null one.
        numFrames = 0;
        lastFrameIndex = 0;
    }

    repaint();
}

void FilmStripSlider::paint(juce::Graphics& g)
{
    if (!filmStrip.isValid() || numFrames < 1 || frameWidth < 1 || frameHeight < 1)
        return;

    const double minimum = getMinimum();
    const double maximum = getMaximum();
    const double product = lastFrameIndex * ((getValue() - minimum) / (maximum - minimum));

    // The base slider keeps the value in range, so the product lies in [0, lastFrameIndex] and is
    // truncated as it is. An empty or reversed range, or a NaN value, shows the first frame; the
    // limits keep the source rectangle inside the strip whatever happens.
    int frame = 0;
    if (maximum > minimum && !std::isnan(product))
        frame = product >= (double)lastFrameIndex ? lastFrameIndex : (product > 0.0 ? (int)product : 0);

    const int sourceX = isHorizontal ? frame * frameWidth : 0;
    const int sourceY = isHorizontal ? 0 : frame * frameHeight;

    g.drawImage(filmStrip, 0, 0, getWidth(), getHeight(), sourceX, sourceY, frameWidth, frameHeight, false);
}

void FilmStripSlider::mouseDown(const juce::MouseEvent& event)
{
    // What is held now counts, not the modifiers the event recorded.
    const auto modifiers = juce::ModifierKeys::getCurrentModifiersRealtime();

    if (modifiers.isAltDown())
    {
        juce::Slider::mouseDoubleClick(event);
        return;
    }

    if (modifiers.isRightButtonDown() || modifiers.isCtrlDown())
        return;

    juce::Slider::mouseDown(event);
}

juce::String FilmStripSlider::getTextFromValue(double)
{
    return "na";
}
