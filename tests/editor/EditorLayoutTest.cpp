#include "EditorTestSupport.h"
#include "GuiTest.h"
#include "VornAudioProcessor.h"
#include "FloatParameter.h"
#include "VornAudioProcessorEditor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

using editortest::samePixels;

namespace
{
struct EditorFixture : testing::Test
{
    VornAudioProcessor processor;
    std::unique_ptr<VornAudioProcessorEditor> editor{
        dynamic_cast<VornAudioProcessorEditor*>(processor.createEditor())};
};

bool fullyTransparent(const juce::Image& image)
{
    for (int y = 0; y < image.getHeight(); ++y)
        for (int x = 0; x < image.getWidth(); ++x)
            if (image.getPixelAt(x, y).getAlpha() != 0)
                return false;
    return true;
}
} // namespace

TEST(EditorCreation, TheProcessorHasAnEditorOfFixedSize)
{
    VornAudioProcessor processor;
    EXPECT_TRUE(processor.hasEditor());
    std::unique_ptr<juce::AudioProcessorEditor> editor(processor.createEditor());
    ASSERT_NE(dynamic_cast<VornAudioProcessorEditor*>(editor.get()), nullptr);
    EXPECT_EQ(editor->getWidth(), 944);
    EXPECT_EQ(editor->getHeight(), 280);
    EXPECT_EQ(&editor->processor, &processor);
}

using EditorLayout = EditorFixture;

TEST_F(EditorLayout, ChildrenInZOrderAtTheirBounds)
{
    auto& e = *editor;
    struct Row
    {
        juce::Component* control;
        juce::Rectangle<int> bounds;
        bool visible;
    };
    const Row rows[] = {
        {&e.backgroundComponent, {0, 0, 944, 280}, true},  {&e.menuHotSpot, {0, 0, 228, 38}, true},
        {&e.prevPresetButton, {668, 8, 16, 24}, true},     {&e.nextPresetButton, {848, 8, 16, 24}, true},
        {&e.savePresetButton, {874, 8, 26, 24}, true},     {&e.bypassButton, {904, 8, 32, 24}, true},
        {&e.presetComboBox, {687, 11, 160, 18}, true},     {&e.valveDriveKnob, {64, 72, 88, 88}, true},
        {&e.valveBiasKnob, {216, 72, 88, 88}, true},       {&e.valveInputKnob, {64, 160, 88, 88}, true},
        {&e.valveBlendKnob, {216, 160, 88, 88}, true},     {&e.valveModeButton, {152, 96, 32, 40}, true},
        {&e.compRatioKnob, {352, 56, 104, 104}, true},     {&e.compAttackKnob, {464, 56, 104, 104}, true},
        {&e.compRecoveryKnob, {576, 56, 104, 104}, true},  {&e.compThresholdKnob, {352, 160, 104, 104}, true},
        {&e.compBlendKnob, {464, 160, 104, 104}, true},    {&e.outputKnob, {576, 160, 104, 104}, true},
        {&e.gainReductionMeter, {728, 56, 160, 80}, true}, {&e.aboutOverlay, {0, 0, 944, 280}, false},
    };

    ASSERT_EQ(e.getNumChildComponents(), (int)std::size(rows));
    for (int i = 0; i < (int)std::size(rows); ++i)
    {
        SCOPED_TRACE("child " + std::to_string(i));
        EXPECT_EQ(e.getChildComponent(i), rows[i].control);
        EXPECT_EQ(rows[i].control->getBounds(), rows[i].bounds);
        EXPECT_EQ(rows[i].control->isVisible(), rows[i].visible);
        EXPECT_TRUE(rows[i].control->getName().isEmpty());
    }
    EXPECT_EQ(e.backgroundComponent.getImage().getWidth(), 944);
    EXPECT_FALSE(e.gainReductionMeter.isEnabled());
    EXPECT_FALSE(e.setPresetNameWindow.isVisible());
}

TEST_F(EditorLayout, ImageButtonsShowTheirImagesAtTheirOpacities)
{
    auto& e = *editor;
    struct Row
    {
        ImageButtonW* button;
        const juce::Image* normal;
        const juce::Image* down;
        bool drawsNothing; // opacity 0 in every state
        bool toggles;
    };
    const Row rows[] = {
        {&e.menuHotSpot, &e.menuHotSpotImage, &e.menuHotSpotImage, true, false},
        {&e.prevPresetButton, &e.prevPresetImage, &e.prevPresetDownImage, false, false},
        {&e.nextPresetButton, &e.nextPresetImage, &e.nextPresetDownImage, false, false},
        {&e.savePresetButton, &e.savePresetImage, &e.savePresetDownImage, false, false},
        {&e.bypassButton, &e.bypassImage, &e.bypassDownImage, false, true},
        {&e.valveModeButton, &e.valveModeImage, &e.valveModeDownImage, false, true},
        {&e.aboutOverlay, &e.aboutImage, &e.aboutImage, false, false},
    };

    for (const auto& row : rows)
    {
        auto& b = *row.button;
        SCOPED_TRACE(b.getBounds().toString().toStdString());
        ASSERT_TRUE(row.normal->isValid());
        EXPECT_EQ(b.getNormalImage(), *row.normal);
        EXPECT_EQ(b.getOverImage(), *row.normal);
        EXPECT_EQ(b.getDownImage(), *row.down);
        EXPECT_EQ(b.getClickingTogglesState(), row.toggles);

        b.setToggleState(false, juce::dontSendNotification);
        for (auto state : {juce::Button::buttonNormal, juce::Button::buttonOver, juce::Button::buttonDown})
        {
            b.setState(state);
            const auto drawn = guitest::render(b);
            const auto& expected = state == juce::Button::buttonDown ? *row.down : *row.normal;
            if (row.drawsNothing)
                EXPECT_TRUE(fullyTransparent(drawn)) << "state " << (int)state;
            else
                EXPECT_TRUE(samePixels(drawn, expected.convertedToFormat(juce::Image::ARGB)))
                    << "state " << (int)state;
        }
        b.setState(juce::Button::buttonNormal);
    }

    // A button toggled on shows its down image.
    e.valveModeButton.setToggleState(true, juce::dontSendNotification);
    EXPECT_TRUE(samePixels(guitest::render(e.valveModeButton),
                           e.valveModeDownImage.convertedToFormat(juce::Image::ARGB)));
}

TEST_F(EditorLayout, KnobsAndMeterAreConfiguredFromTheProcessor)
{
    auto& e = *editor;
    struct Row
    {
        FilmStripSlider* knob;
        const juce::Image* strip;
        int frames;
        double maximum;
        double interval;
        bool listened;
    };
    const Row rows[] = {
        {&e.valveDriveKnob, &e.valveDriveImage, 101, 1.0, 0.001, true},
        {&e.valveBiasKnob, &e.valveBiasImage, 101, 1.0, 0.001, true},
        {&e.valveInputKnob, &e.valveInputImage, 101, 1.0, 0.001, true},
        {&e.valveBlendKnob, &e.valveBlendImage, 101, 1.0, 0.001, true},
        {&e.compRatioKnob, &e.compRatioImage, 6, 5.0, 1.0, true},
        {&e.compAttackKnob, &e.compAttackImage, 6, 5.0, 1.0, true},
        {&e.compRecoveryKnob, &e.compRecoveryImage, 6, 5.0, 1.0, true},
        {&e.compThresholdKnob, &e.compThresholdImage, 101, 1.0, 0.001, true},
        {&e.compBlendKnob, &e.compBlendImage, 101, 1.0, 0.001, true},
        {&e.outputKnob, &e.outputImage, 101, 1.0, 0.001, true},
        {&e.gainReductionMeter, &e.meterImage, 51, 1.0, 0.001, false},
    };

    for (const auto& row : rows)
    {
        auto& k = *row.knob;
        SCOPED_TRACE(k.getBounds().toString().toStdString());
        EXPECT_EQ(k.getSliderStyle(), juce::Slider::RotaryHorizontalVerticalDrag);
        EXPECT_EQ(k.getTextBoxPosition(), juce::Slider::NoTextBox);
        EXPECT_EQ(k.getMinimum(), 0.0);
        EXPECT_EQ(k.getMaximum(), row.maximum);
        EXPECT_EQ(k.getInterval(), row.interval);
        EXPECT_EQ(k.getNumFrames(), row.frames);
        EXPECT_FALSE(k.isStripHorizontal());
        EXPECT_EQ(k.getFilmStrip(), *row.strip);
        // Every frame is the size of the knob.
        EXPECT_EQ(k.getFrameWidth(), k.getWidth());
        EXPECT_EQ(k.getFrameHeight(), k.getHeight());
        EXPECT_EQ(row.strip->getHeight(), row.frames * k.getHeight());
        EXPECT_EQ(k.isDoubleClickReturnEnabled(), row.listened);
        if (row.listened)
        {
            EXPECT_EQ(k.getDoubleClickReturnValue(), 0.0);
        }
    }
}

TEST(EditorValuesAtBuild, KnobsStartFromTheParametersAndSteps)
{
    VornAudioProcessor processor;
    processor.valveDriveParam->setValue(0.25f);
    processor.valveBiasParam->setValue(0.5f);
    processor.compThresholdParam->setValue(0.75f);
    processor.outputParam->setValue(0.8f);
    processor.compRatioParam->setValue(0.3f);
    processor.compAttackParam->setValue(0.5f);

    std::unique_ptr<juce::AudioProcessorEditor> base(processor.createEditor());
    auto& e = dynamic_cast<VornAudioProcessorEditor&>(*base);
    EXPECT_DOUBLE_EQ(e.valveDriveKnob.getValue(), 0.25);
    EXPECT_DOUBLE_EQ(e.valveBiasKnob.getValue(), 0.5);
    EXPECT_DOUBLE_EQ(e.compThresholdKnob.getValue(), 0.75);
    EXPECT_DOUBLE_EQ(e.outputKnob.getValue(), 0.8);
    EXPECT_EQ(e.compRatioKnob.getValue(), 3.0);
    EXPECT_EQ(e.compAttackKnob.getValue(), 5.0);
    EXPECT_EQ(e.compRecoveryKnob.getValue(), 0.0);
    EXPECT_EQ(e.gainReductionMeter.getValue(), 0.0);
}

TEST_F(EditorLayout, TheHotSpotTakesEveryPointOfTheLogo)
{
    editor->setVisible(true); // as a host shows it
    for (int y = 0; y < 38; ++y)
        for (int x = 0; x < 228; ++x)
            ASSERT_EQ(editor->getComponentAt(x, y), &editor->menuHotSpot) << x << ", " << y;
    EXPECT_NE(editor->getComponentAt(228, 10), &editor->menuHotSpot);
    EXPECT_NE(editor->getComponentAt(10, 38), &editor->menuHotSpot);

    // Once shown, the overlay is on top of everything.
    editor->aboutOverlay.setVisible(true);
    EXPECT_EQ(editor->getComponentAt(10, 10), &editor->aboutOverlay);
    EXPECT_EQ(editor->getComponentAt(100, 100), &editor->aboutOverlay);
}

TEST_F(EditorLayout, MenuAndPresetBoxColours)
{
    auto& e = *editor;
    auto& laf = e.editorLookAndFeel;
    EXPECT_EQ(laf.findColour(juce::PopupMenu::backgroundColourId), juce::Colour(0xFF212121));
    EXPECT_EQ(laf.findColour(juce::PopupMenu::textColourId), juce::Colour(0xFFDFD8BE));
    EXPECT_EQ(laf.findColour(juce::PopupMenu::highlightedBackgroundColourId), juce::Colour(0xFF606060));
    EXPECT_EQ(laf.findColour(juce::PopupMenu::highlightedTextColourId), juce::Colour(0xFFDFD8BE));
    EXPECT_EQ(laf.findColour(juce::PopupMenu::headerTextColourId), juce::Colour(0xFFA2BACA));

    auto& box = e.presetComboBox;
    EXPECT_EQ(box.findColour(juce::ComboBox::backgroundColourId), juce::Colour(0x00000000));
    EXPECT_EQ(box.findColour(juce::ComboBox::textColourId), juce::Colour(0xFFDFD8BE));
    EXPECT_EQ(box.findColour(juce::ComboBox::outlineColourId), juce::Colour(0x00000000));
    EXPECT_EQ(box.findColour(juce::ComboBox::buttonColourId), juce::Colour(0x00000000));
    EXPECT_EQ(box.findColour(juce::ComboBox::arrowColourId), juce::Colour(0x00000000));
    EXPECT_EQ(&box.getLookAndFeel(), &laf);
    EXPECT_EQ(box.getTextWhenNothingSelected(), "No presets loaded...");
    EXPECT_EQ(&juce::LookAndFeel::getDefaultLookAndFeel(), &laf);

    const std::pair<int, const char*> items[] = {
        {205, "About"}, {1000, "Visit Mordax"}, {1001, "Facebook"}, {1002, "Twitter"}, {1003, "Youtube"}};
    juce::PopupMenu::MenuItemIterator it(e.mainMenu);
    for (const auto& [id, text] : items)
    {
        ASSERT_TRUE(it.next());
        const auto& item = it.getItem();
        EXPECT_EQ(item.itemID, id);
        EXPECT_EQ(item.text, text);
        EXPECT_TRUE(item.isEnabled);
        EXPECT_FALSE(item.isTicked);
        EXPECT_FALSE(item.isSeparator);
        EXPECT_EQ(item.subMenu, nullptr);
    }
    EXPECT_FALSE(it.next());
}

// What the user sees, not the colour set on the box: JUCE draws the nothing-selected text in the
// look-and-feel's colour, at half its alpha.
TEST_F(EditorLayout, TheEmptyPresetBoxReadsInTheTextColour)
{
    auto& e = *editor;
    ASSERT_EQ(e.presetComboBox.getText(), "");
    const auto drawn = guitest::render(e);
    const juce::Colour text(0xFFDFD8BE);
    const auto box = e.presetComboBox.getBounds();

    const auto distance = [](juce::Colour a, juce::Colour b)
    {
        return std::max({std::abs(a.getRed() - b.getRed()), std::abs(a.getGreen() - b.getGreen()),
                         std::abs(a.getBlue() - b.getBlue())});
    };
    juce::Colour brightest(0xFF000000);
    int inTextColour = 0;
    for (int y = box.getY(); y < box.getBottom(); ++y)
        for (int x = box.getX(); x < box.getRight(); ++x)
        {
            const auto pixel = drawn.getPixelAt(x, y);
            if (pixel.getPerceivedBrightness() > brightest.getPerceivedBrightness())
                brightest = pixel;
            if (distance(pixel, text) <= 6)
                ++inTextColour;
        }
    EXPECT_LE(distance(brightest, text), 6) << brightest.toDisplayString(true);
    // The cores of the letters, not a stray pixel of the artwork.
    EXPECT_GE(inTextColour, 40);
}

TEST_F(EditorLayout, TheGradientShowsOnlyWhereTheBackgroundIsMissing)
{
    // The background covers everything.
    const auto drawn = guitest::render(*editor);
    for (int y = 0; y < 280; y += 7)
        for (int x = 0; x < 944; x += 7)
            ASSERT_EQ(drawn.getPixelAt(x, y).getAlpha(), 255) << x << ", " << y;

    // Without it, the editor's own gradient runs from white at the top to grey at the bottom.
    editor->backgroundComponent.setVisible(false);
    juce::Image own(juce::Image::ARGB, 944, 280, true);
    {
        juce::Graphics g(own);
        editor->paint(g);
    }
    EXPECT_EQ(own.getPixelAt(400, 0), juce::Colours::white);
    const auto bottom = own.getPixelAt(400, 279);
    EXPECT_NEAR(bottom.getRed(), 0x80, 2);
    EXPECT_EQ(own.getPixelAt(0, 140), own.getPixelAt(943, 140));
}
