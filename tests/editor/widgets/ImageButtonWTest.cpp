#include "GuiTest.h"
#include "ImageButtonW.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace
{
TEST(ImageButtonW, LeavesTheButtonSettingsAsJuceHasThem)
{
    juce::ImageButton plain;
    ImageButtonW button;

    EXPECT_EQ(button.getName(), juce::String());
    EXPECT_EQ(button.getClickingTogglesState(), plain.getClickingTogglesState());
    EXPECT_EQ(button.getTriggeredOnMouseDown(), plain.getTriggeredOnMouseDown());
    EXPECT_EQ(button.getToggleState(), plain.getToggleState());
    EXPECT_TRUE(button.getNormalImage().isNull());
}

// Each click with the toggle state the listeners saw.
struct ButtonEvents : juce::Button::Listener
{
    void buttonClicked(juce::Button* b) override { clicks.push_back(b->getToggleState()); }

    std::vector<bool> clicks;
};

struct Press
{
    int button;
    juce::StringArray keys;
};

std::string describe(const Press& p)
{
    return "button " + std::to_string(p.button) + " with {" + p.keys.joinIntoString(",").toStdString() + "}";
}

class ImageButtonRealInput : public testing::Test
{
protected:
    void SetUp() override
    {
        juce::Image image(juce::Image::ARGB, 40, 40, false);
        image.clear(image.getBounds(), juce::Colours::grey);
        button.setImages(false, true, true, image, 1.0f, {}, image, 1.0f, {}, image, 1.0f, {});
        button.setSize(40, 40);
        button.addListener(&events);

        ASSERT_TRUE(window.show());
        ASSERT_TRUE(guitest::xdo::moveTo(window.screenCentre(button)));
    }

    void TearDown() override { button.removeListener(&events); }

    ImageButtonW button;
    ButtonEvents events;
    guitest::DesktopWindow window{button};
    guitest::MouseRecorder recorder{button};
};

TEST_F(ImageButtonRealInput, RightAndControlPressesAreNoClick)
{
    for (const auto& press : {Press{3, {}}, Press{1, {"ctrl"}}, Press{3, {"ctrl"}}})
    {
        SCOPED_TRACE(describe(press));
        ASSERT_TRUE(
            guitest::clickWith(recorder, press.button, press.keys, [&] { EXPECT_FALSE(button.isDown()); }));
        EXPECT_TRUE(events.clicks.empty());
    }
}

TEST_F(ImageButtonRealInput, SortsByTheButtonsHeldNowNotThoseOfTheEvent)
{
    // The press event names the right button, but it is up again by the time the button looks.
    const auto before = recorder.ups;
    ASSERT_TRUE(guitest::xdo::pressAndReleaseUnseen(3));
    ASSERT_TRUE(guitest::runUntil([&] { return recorder.ups > before; }));

    EXPECT_EQ(events.clicks.size(), 1u);
}

TEST_F(ImageButtonRealInput, PlainAltAndShiftPressesClickOnRelease)
{
    for (const auto& press : {Press{1, {}}, Press{1, {"alt"}}, Press{1, {"shift"}}})
    {
        SCOPED_TRACE(describe(press));
        events.clicks.clear();
        ASSERT_TRUE(guitest::clickWith(recorder, press.button, press.keys,
                                       [&]
                                       {
                                           EXPECT_TRUE(button.isDown());
                                           EXPECT_TRUE(events.clicks.empty()) << "clicked on the press";
                                       }));
        EXPECT_EQ(events.clicks.size(), 1u);
    }
}

TEST_F(ImageButtonRealInput, TogglingButtonChangesStateOnRelease)
{
    button.setClickingTogglesState(true);

    ASSERT_TRUE(guitest::clickWith(recorder, 1, {},
                                   [&]
                                   {
                                       EXPECT_FALSE(button.getToggleState());
                                       EXPECT_TRUE(events.clicks.empty());
                                   }));
    EXPECT_TRUE(button.getToggleState());
    EXPECT_EQ(events.clicks, std::vector<bool>{true});

    ASSERT_TRUE(guitest::clickWith(recorder, 1, {"ctrl"}));
    ASSERT_TRUE(guitest::clickWith(recorder, 3, {}));
    EXPECT_TRUE(button.getToggleState()) << "an ignored press toggled the button";
    EXPECT_EQ(events.clicks, std::vector<bool>{true});

    ASSERT_TRUE(guitest::clickWith(recorder, 1, {}));
    EXPECT_FALSE(button.getToggleState());
    EXPECT_EQ(events.clicks, (std::vector<bool>{true, false}));
}
} // namespace

// A press that moves the keyboard focus to the button puts it down before mouseDown is reached;
// an ignored press must not leave it so, or its release would click.
TEST(ImageButtonFocusRealInput, ARightOrControlPressThatTakesTheFocusIsNoClick)
{
    juce::Image image(juce::Image::ARGB, 40, 40, false);
    image.clear(image.getBounds(), juce::Colours::grey);

    juce::Component panel;
    panel.setSize(120, 40);
    ImageButtonW button;
    button.setImages(false, true, true, image, 1.0f, {}, image, 1.0f, {}, image, 1.0f, {});
    button.setBounds(0, 0, 40, 40);
    juce::TextEditor other;
    other.setBounds(60, 0, 60, 40);
    panel.addAndMakeVisible(button);
    panel.addAndMakeVisible(other);
    ButtonEvents events;
    button.addListener(&events);

    guitest::DesktopWindow window{panel};
    ASSERT_TRUE(window.show());
    guitest::MouseRecorder recorder{button};
    for (const auto& press : {Press{3, {}}, Press{1, {"ctrl"}}})
    {
        SCOPED_TRACE(describe(press));
        other.grabKeyboardFocus();
        ASSERT_TRUE(guitest::runUntil([&] { return other.hasKeyboardFocus(false); }));
        ASSERT_TRUE(guitest::xdo::moveTo(window.screenCentre(button)));
        ASSERT_TRUE(guitest::clickWith(recorder, press.button, press.keys));
        ASSERT_TRUE(guitest::deliverPosted());
        EXPECT_TRUE(events.clicks.empty());
    }
    button.removeListener(&events);
}

namespace
{
// The three kinds of image button the editor has, set up as it sets them up.
struct ButtonKind
{
    const char* name;
    float opacity;
    bool toggles;
};

void PrintTo(const ButtonKind& kind, std::ostream* out)
{
    *out << kind.name;
}

class ImageButtonKindsRealInput : public testing::TestWithParam<ButtonKind>
{
protected:
    void SetUp() override
    {
        juce::Image image(juce::Image::ARGB, 40, 40, false);
        image.clear(image.getBounds(), juce::Colours::grey);
        juce::Image down(juce::Image::ARGB, 40, 40, true);
        const juce::Colour clear(0x00000000);
        const auto opacity = GetParam().opacity;
        button.setImages(true, true, true, image, opacity, clear, image, opacity, clear, down, opacity, clear,
                         0.0f);
        button.setClickingTogglesState(GetParam().toggles);
        button.addListener(&events);

        ASSERT_TRUE(window.show());
        centre = window.screenCentre(button);
    }

    void TearDown() override { button.removeListener(&events); }

    ImageButtonW button;
    ButtonEvents events;
    guitest::DesktopWindow window{button};
    guitest::MouseRecorder recorder{button};
    juce::Point<int> centre;
};

// A press the button ignores stays ignored: moving a little before the release must not put the
// button down and click it.
TEST_P(ImageButtonKindsRealInput, AnIgnoredPressStaysIgnoredThroughADragAndTheRelease)
{
    for (const auto& press : {Press{3, {}}, Press{1, {"ctrl"}}, Press{3, {"ctrl"}}})
    {
        SCOPED_TRACE(describe(press));
        ASSERT_TRUE(guitest::xdo::moveTo(centre));
        ASSERT_TRUE(guitest::clickWith(recorder, press.button, press.keys,
                                       [&]
                                       {
                                           ASSERT_TRUE(guitest::dragToAndWait(
                                               recorder, centre + juce::Point<int>(3, 0)));
                                           EXPECT_FALSE(button.isDown());
                                       }));
        EXPECT_TRUE(events.clicks.empty());
        EXPECT_FALSE(button.getToggleState());
        EXPECT_FALSE(button.isDown());
    }
}

TEST_P(ImageButtonKindsRealInput, ALeftPressWithADragInsideStillClicks)
{
    ASSERT_TRUE(guitest::xdo::moveTo(centre));
    ASSERT_TRUE(guitest::clickWith(recorder, 1, {},
                                   [&]
                                   {
                                       ASSERT_TRUE(
                                           guitest::dragToAndWait(recorder, centre + juce::Point<int>(3, 0)));
                                       EXPECT_TRUE(button.isDown());
                                   }));
    EXPECT_EQ(events.clicks, std::vector<bool>{GetParam().toggles});
    EXPECT_EQ(button.getToggleState(), GetParam().toggles);
}

INSTANTIATE_TEST_SUITE_P(EditorKinds, ImageButtonKindsRealInput,
                         testing::Values(ButtonKind{"Plain", 1.0f, false}, ButtonKind{"Toggle", 1.0f, true},
                                         ButtonKind{"HotSpot", 0.0f, false}),
                         [](const testing::TestParamInfo<ButtonKind>& info) { return info.param.name; });
} // namespace
