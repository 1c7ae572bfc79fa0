#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

// The look of the editor's popup menus: JUCE's V2 item layout, but the menu font is always
// drawn at its full height, however low the row. A combo box's nothing-selected text is drawn in
// the box's own text colour.
class myLookAndFeel : public juce::LookAndFeel_V3
{
public:
    myLookAndFeel();
    ~myLookAndFeel() override;

    void drawPopupMenuItem(juce::Graphics& g, const juce::Rectangle<int>& area, bool isSeparator,
                           bool isActive, bool isHighlighted, bool isTicked, bool hasSubMenu,
                           const juce::String& text, const juce::String& shortcutKeyText,
                           const juce::Drawable* icon, const juce::Colour* textColour) override;

    int getDefaultMenuBarHeight() override;

    void drawComboBoxTextWhenNothingSelected(juce::Graphics& g, juce::ComboBox& box,
                                             juce::Label& label) override;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(myLookAndFeel)
};
