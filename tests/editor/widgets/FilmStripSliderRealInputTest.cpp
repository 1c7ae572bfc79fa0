// The knob under real X input: the widget reads the modifier state of the moment, so every case
// goes through the X server with xdotool.

#include "FilmStripSlider.h"
#include "GuiTest.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace
{
using Log = std::vector<std::string>;

struct SliderEvents : juce::Slider::Listener
{
    void sliderValueChanged(juce::Slider* s) override
    {
        log.push_back("value " + juce::String(s->getValue()).toStdString());
    }
    void sliderDragStarted(juce::Slider*) override { log.push_back("start"); }
    void sliderDragEnded(juce::Slider*) override { log.push_back("end"); }

    Log log;
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

bool isMenuOpen()
{
    return juce::ModalComponentManager::getInstance()->getNumModalComponents() > 0;
}

class FilmStripSliderRealInput : public testing::Test
{
protected:
    void SetUp() override
    {
        knob.setFilmStrip(juce::Image(juce::Image::ARGB, 88, 8888, true), 101, false);
        knob.setSliderStyle(juce::Slider::RotaryHorizontalVerticalDrag);
        knob.setTextBoxStyle(juce::Slider::NoTextBox, false, 0, 0);
        knob.setRange(0.0, 1.0, 0.001);
        knob.setValue(0.5, juce::dontSendNotification);
        // Without a single-click modifier the base slider never resets on alt by itself: only
        // the widget's own alt handling can.
        knob.setDoubleClickReturnValue(true, 0.25, juce::ModifierKeys());
        // A right press that reached the base slider would open its menu.
        knob.setPopupMenuEnabled(true);
        knob.setSize(88, 88);
        knob.addListener(&events);

        ASSERT_TRUE(window.show());
        ASSERT_TRUE(guitest::xdo::moveTo(window.screenCentre(knob)));
    }

    void TearDown() override
    {
        knob.removeListener(&events);
        juce::PopupMenu::dismissAllActiveMenus();
    }

    FilmStripSlider knob{""};
    SliderEvents events;
    guitest::DesktopWindow window{knob};
    guitest::MouseRecorder recorder{knob};
};

TEST_F(FilmStripSliderRealInput, RightAndControlPressesDoNothing)
{
    for (const auto& press : {Press{3, {}}, Press{1, {"ctrl"}}, Press{3, {"ctrl"}}})
    {
        SCOPED_TRACE(describe(press));
        events.log.clear();
        ASSERT_TRUE(guitest::clickWith(recorder, press.button, press.keys,
                                       [&]
                                       {
                                           EXPECT_EQ(events.log, Log{});
                                           EXPECT_FALSE(isMenuOpen());
                                       }));
        EXPECT_EQ(events.log, Log{});
        EXPECT_EQ(knob.getValue(), 0.5);
    }
    EXPECT_EQ(recorder.doubleClicks, 0);
}

TEST_F(FilmStripSliderRealInput, AltClickGoesToTheDoubleClickValue)
{
    // Alt is looked at first, so it wins over the right button and over Control.
    for (const auto& press : {Press{1, {"alt"}}, Press{3, {"alt"}}, Press{1, {"alt", "ctrl"}}})
    {
        SCOPED_TRACE(describe(press));
        knob.setValue(0.5, juce::dontSendNotification);
        events.log.clear();
        const Log reset{"start", "value 0.25", "end"};
        ASSERT_TRUE(guitest::clickWith(recorder, press.button, press.keys,
                                       [&]
                                       {
                                           EXPECT_EQ(events.log, reset) << "on the press";
                                           EXPECT_FALSE(isMenuOpen());
                                       }));
        EXPECT_EQ(events.log, reset) << "the release added something";
        EXPECT_EQ(knob.getValue(), 0.25);
    }
    EXPECT_EQ(recorder.doubleClicks, 0);
}

TEST_F(FilmStripSliderRealInput, PlainAndShiftPressesStartADrag)
{
    for (const auto& press : {Press{1, {}}, Press{1, {"shift"}}})
    {
        SCOPED_TRACE(describe(press));
        events.log.clear();
        ASSERT_TRUE(guitest::clickWith(recorder, press.button, press.keys,
                                       [&] { EXPECT_EQ(events.log, Log{"start"}); }));
        EXPECT_EQ(events.log, (Log{"start", "end"}));
        EXPECT_EQ(knob.getValue(), 0.5);
    }
}

TEST_F(FilmStripSliderRealInput, SortsByTheButtonsHeldNowNotThoseOfTheEvent)
{
    // The press event names the right button, but it is up again by the time the knob looks:
    // the press is a plain one. Without the menu the base slider starts a drag on it.
    knob.setPopupMenuEnabled(false);
    const auto before = recorder.ups;
    ASSERT_TRUE(guitest::xdo::pressAndReleaseUnseen(3));
    ASSERT_TRUE(guitest::runUntil([&] { return recorder.ups > before; }));

    EXPECT_EQ(events.log, (Log{"start", "end"}));
    EXPECT_EQ(knob.getValue(), 0.5);
}

TEST_F(FilmStripSliderRealInput, PlainDragChangesTheValue)
{
    const auto centre = window.screenCentre(knob);
    ASSERT_TRUE(guitest::clickWith(recorder, 1, {},
                                   [&]
                                   {
                                       // Upwards by a fifth of the base slider's full drag of 250 pixels.
                                       ASSERT_TRUE(guitest::dragToAndWait(recorder,
                                                                          centre - juce::Point<int>(0, 50)));
                                   }));

    EXPECT_NEAR(knob.getValue(), 0.7, 0.005);
    ASSERT_GE(events.log.size(), 3u);
    EXPECT_EQ(events.log.front(), "start");
    EXPECT_EQ(events.log[1].rfind("value ", 0), 0u);
    EXPECT_EQ(events.log.back(), "end");
}

TEST_F(FilmStripSliderRealInput, DisabledKnobIgnoresPressesDragsAndAltClicks)
{
    knob.setEnabled(false);
    const auto centre = window.screenCentre(knob);

    ASSERT_TRUE(guitest::clickWith(
        recorder, 1, {},
        [&] { ASSERT_TRUE(guitest::dragToAndWait(recorder, centre - juce::Point<int>(0, 50))); }));
    ASSERT_TRUE(guitest::xdo::moveTo(centre));
    ASSERT_TRUE(guitest::clickWith(recorder, 1, {"alt"}));
    ASSERT_TRUE(guitest::clickWith(recorder, 3, {"alt"}));

    EXPECT_EQ(events.log, Log{});
    EXPECT_EQ(knob.getValue(), 0.5);
}

// Not input, but a menu stays open only while one of the process's windows has the focus.
TEST(FilmStripSliderOnDesktop, DestructionClosesOpenMenus)
{
    // The menu is drawn inside this window rather than in one of its own, so that the focus
    // stays put while it is open.
    juce::Component menuHolder;
    menuHolder.setSize(300, 200);
    guitest::DesktopWindow window(menuHolder);
    ASSERT_TRUE(window.show());

    // The knob needs no window: the menus of the whole process go with it.
    auto knob = std::make_unique<FilmStripSlider>("");

    juce::PopupMenu menu;
    menu.addItem(1, "One");
    menu.addItem(2, "Two");
    bool closed = false;
    int result = -1;
    // Whatever fails, no menu may outlive the flags its callback writes to.
    struct CloseMenus
    {
        ~CloseMenus()
        {
            juce::PopupMenu::dismissAllActiveMenus();
            guitest::runUntil([] { return !isMenuOpen(); }, 2000);
        }
    } closeMenus;
    const auto options =
        juce::PopupMenu::Options()
            .withParentComponent(&menuHolder)
            .withTargetScreenArea(menuHolder.getScreenBounds().withSize(1, 1).translated(10, 10));
    menu.showMenuAsync(options,
                       [&](int r)
                       {
                           closed = true;
                           result = r;
                       });
    ASSERT_TRUE(guitest::runUntil(isMenuOpen));
    // The menu looks at the focus and the mouse twenty times a second.
    ASSERT_TRUE(guitest::runTimerRounds(10));
    ASSERT_FALSE(closed) << "the menu closed by itself";
    ASSERT_NE(menuHolder.getNumChildComponents(), 0);

    knob.reset();
    EXPECT_TRUE(guitest::runUntil([&] { return closed; }));
    EXPECT_EQ(result, 0);
    EXPECT_FALSE(isMenuOpen());
}
} // namespace
