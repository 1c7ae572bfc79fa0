#include "myLookAndFeel.h"

myLookAndFeel::myLookAndFeel() = default;

myLookAndFeel::~myLookAndFeel() = default;

void myLookAndFeel::drawPopupMenuItem(juce::Graphics& g, const juce::Rectangle<int>& area, bool isSeparator,
                                      bool isActive, bool isHighlighted, bool isTicked, bool hasSubMenu,
                                      const juce::String& text, const juce::String& shortcutKeyText,
                                      const juce::Drawable* icon, const juce::Colour* textColour)
{
    if (isSeparator)
    {
        auto r = area.reduced(5, 0);
        r.removeFromTop(r.getHeight() / 2 - 1);

        g.setColour(juce::Colour(0x33000000));
        g.fillRect(r.removeFromTop(1));

        g.setColour(juce::Colour(0x66ffffff));
        g.fillRect(r.removeFromTop(1));
        return;
    }

    auto colour = textColour != nullptr ? *textColour : findColour(juce::PopupMenu::textColourId);

    auto r = area.reduced(1);

    if (isHighlighted)
    {
        g.setColour(findColour(juce::PopupMenu::highlightedBackgroundColourId));
        g.fillRect(r);
        g.setColour(findColour(juce::PopupMenu::highlightedTextColourId));
    }
    else
    {
        g.setColour(colour);
    }

    // Dims everything drawn from here on, but not the highlight fill above.
    if (!isActive)
        g.setOpacity(0.3f);

    // Unlike V2, the font is never shrunk to fit a low row.
    const auto font = getPopupMenuFont();
    g.setFont(font);

    // The strip is reserved whether or not there is an icon or tick, so that texts line up.
    const auto iconArea = r.removeFromLeft((r.getHeight() * 5) / 4).reduced(3).toFloat();

    if (icon != nullptr)
    {
        icon->drawWithin(g, iconArea,
                         juce::RectanglePlacement::centred | juce::RectanglePlacement::onlyReduceInSize,
                         1.0f);
    }
    else if (isTicked)
    {
        const auto tick = getTickShape(1.0f);
        g.fillPath(tick, tick.getTransformToScaleToFit(iconArea, true));
    }

    if (hasSubMenu)
    {
        const auto arrowSize = 0.6f * getPopupMenuFont().getAscent();
        const auto x = (float)r.removeFromRight((int)arrowSize).getX();
        const auto middle = (float)(r.getY() + r.getHeight() / 2);

        juce::Path arrow;
        arrow.addTriangle(x, middle - arrowSize * 0.5f, x, middle + arrowSize * 0.5f, x + arrowSize * 0.6f,
                          middle);
        g.fillPath(arrow);
    }

    r.removeFromRight(3);
    g.drawFittedText(text, r, juce::Justification::centredLeft, 1);

    if (shortcutKeyText.isNotEmpty())
    {
        auto shortcutFont = font;
        shortcutFont.setHeight(shortcutFont.getHeight() * 0.75f);
        shortcutFont.setHorizontalScale(0.95f);
        g.setFont(shortcutFont);
        g.drawText(shortcutKeyText, r, juce::Justification::centredRight, true);
    }
}

int myLookAndFeel::getDefaultMenuBarHeight()
{
    return 22;
}

void myLookAndFeel::drawComboBoxTextWhenNothingSelected(juce::Graphics& g, juce::ComboBox& box,
                                                        juce::Label& label)
{
    // JUCE takes the look-and-feel's colour at half alpha, which over the dark artwork of the
    // preset box cannot be read; the box's colour is the one the editor chose for its text.
    g.setColour(box.findColour(juce::ComboBox::textColourId));

    const auto font = label.getLookAndFeel().getLabelFont(label);
    g.setFont(font);

    const auto area = getLabelBorderSize(label).subtractedFrom(label.getLocalBounds());
    g.drawFittedText(box.getTextWhenNothingSelected(), area, label.getJustificationType(),
                     juce::jmax(1, (int)((float)area.getHeight() / font.getHeight())),
                     label.getMinimumHorizontalScale());
}
