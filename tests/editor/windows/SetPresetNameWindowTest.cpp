#include "SetPresetNameWindow.h"

#include "GuiTest.h"

#include <gtest/gtest.h>

#include <typeinfo>

namespace
{
const juce::String saveMessage = "SavePresetButtonClicked";
const juce::String closeMessage = "close_window";
const juce::String closedMessage = "save_preset_window_closed";

struct MessageLog : juce::ActionListener
{
    void actionListenerCallback(const juce::String& message) override { messages.add(message); }
    juce::StringArray messages;
};

// The window with a listener on its content (as the editor has) and one on the window itself.
struct Harness
{
    Harness()
    {
        component.addActionListener(&fromComponent);
        window.addActionListener(&fromWindow);
    }

    ~Harness()
    {
        component.removeActionListener(&fromComponent);
        window.removeActionListener(&fromWindow);
    }

    unsigned long windowId() const
    {
        return (unsigned long)(juce::pointer_sized_uint)window.getWindowHandle();
    }

    // Shows the window and waits until the X server maps it and gives it the focus, JUCE has taken
    // the focus into it, and the server shows the content painted: painting sets Save, which is
    // enabled until then. JUCE's idea of its screen position may lag behind the window manager's
    // placement; clicks do not depend on it, since X reports them relative to the window.
    bool show()
    {
        window.setVisible(true);
        window.toFront(true);
        const auto painted = [this]
        {
            const auto corner = guitest::grabWindow(windowId(), {2, 2, 1, 1});
            return corner.isValid() && corner.getPixelAt(0, 0) == juce::Colour(0xff1d1d1d);
        };
        return guitest::activate(windowId()) &&
               guitest::runUntil([this] { return window.hasKeyboardFocus(true); }) &&
               guitest::runUntil(painted);
    }

    testing::AssertionResult click(juce::Component& target)
    {
        const auto local = window.getLocalPoint(&target, target.getLocalBounds().getCentre());
        if (!guitest::xdo::moveTo(guitest::windowOriginOnScreen(windowId()) + local))
            return testing::AssertionFailure() << "the pointer did not move";
        guitest::MouseRecorder recorder(target);
        return guitest::clickWith(recorder, 1);
    }

    // Clicks into the name field and waits until it has the keyboard focus.
    testing::AssertionResult focusField()
    {
        if (auto clicked = click(component.nameEditor); !clicked)
            return clicked;
        if (!guitest::runUntil([this] { return component.nameEditor.hasKeyboardFocus(false); }))
            return testing::AssertionFailure() << "the click did not focus the name field";
        return testing::AssertionSuccess();
    }

    // Types into the field once the server has the focus on the window, where the keys go.
    bool typeAndWait(const juce::String& text)
    {
        const auto expected = component.nameEditor.getText() + text;
        return guitest::runUntil([this] { return guitest::hasFocusOnServer(windowId()); }) &&
               guitest::xdo::type(text) &&
               guitest::runUntil([this, expected] { return component.nameEditor.getText() == expected; });
    }

    // Presses the key in the field and waits until the field has been given it.
    bool keyAndWait(const juce::String& keysym, int keyCode)
    {
        struct Seen : juce::KeyListener
        {
            explicit Seen(int c) : code(c) {}
            bool keyPressed(const juce::KeyPress& key, juce::Component*) override
            {
                seen = seen || key.getKeyCode() == code;
                return false;
            }
            int code;
            bool seen = false;
        } seen(keyCode);
        component.nameEditor.addKeyListener(&seen);
        const auto ok = guitest::runUntil([this] { return guitest::hasFocusOnServer(windowId()); }) &&
                        guitest::xdo::key(keysym) && guitest::runUntil([&] { return seen.seen; });
        component.nameEditor.removeKeyListener(&seen);
        return ok;
    }

    bool waitForClosed()
    {
        return guitest::runUntil([this] { return fromWindow.messages.contains(closedMessage); });
    }

    SetPresetNameWindow window;
    SetPresetNameComponent& component = *window.getPresetNameComponent();
    MessageLog fromComponent;
    MessageLog fromWindow;
};

// Whatever the last action posted, and what that posts, has been delivered.
void settle()
{
    ASSERT_TRUE(guitest::settle());
}

TEST(SetPresetNameWindowTest, IsBuiltHiddenWithItsTitleAndLayout)
{
    Harness h;
    auto& w = h.window;
    auto& c = h.component;

    EXPECT_FALSE(w.isVisible());
    EXPECT_TRUE(w.isOnDesktop());
    EXPECT_EQ(w.getName(), "Save Preset");
    EXPECT_TRUE(w.isUsingNativeTitleBar());
    EXPECT_TRUE(w.isAlwaysOnTop());
    EXPECT_EQ(w.getBackgroundColour(), juce::Colours::lightgrey);
    EXPECT_EQ(w.getContentComponent(), &c);
    EXPECT_EQ(c.getBounds(), juce::Rectangle<int>(0, 0, 270, 140));
    EXPECT_EQ(w.getWidth(), 270);
    EXPECT_EQ(w.getHeight(), 140);

    // The title bar offers a close button only.
    ASSERT_NE(w.getPeer(), nullptr);
    const auto flags = w.getPeer()->getStyleFlags();
    EXPECT_NE(flags & juce::ComponentPeer::windowHasCloseButton, 0);
    EXPECT_EQ(flags & juce::ComponentPeer::windowHasMinimiseButton, 0);
    EXPECT_EQ(flags & juce::ComponentPeer::windowHasMaximiseButton, 0);

    struct Child
    {
        juce::Component* component;
        juce::Rectangle<int> bounds;
    };
    const Child children[] = {
        {&c.nameLabel, {35, 15, 172, 22}},
        {&c.nameEditor, {35, 50, 200, 28}},
        {&c.cancelButton, {35, 95, 84, 28}},
        {&c.saveButton, {151, 95, 84, 28}},
    };
    ASSERT_EQ(c.getNumChildComponents(), 4);
    for (int i = 0; i < 4; ++i)
    {
        SCOPED_TRACE(i);
        EXPECT_EQ(c.getChildComponent(i), children[i].component);
        EXPECT_EQ(children[i].component->getBounds(), children[i].bounds);
        EXPECT_TRUE(children[i].component->isVisible());
        EXPECT_EQ(&children[i].component->getLookAndFeel(), &c.getLookAndFeel());
    }
    EXPECT_EQ(typeid(c.getLookAndFeel()), typeid(juce::LookAndFeel_V3));

    EXPECT_EQ(c.nameLabel.getText(), "Set a name for this preset");
    EXPECT_EQ(c.nameLabel.findColour(juce::Label::textColourId), juce::Colours::white);
    EXPECT_EQ(c.nameLabel.getFont().getTypefaceName(), "Arial");
    EXPECT_FLOAT_EQ(c.nameLabel.getFont().getHeight(), 14.0f);
    EXPECT_EQ(c.nameLabel.getFont().getStyleFlags(), juce::Font::plain);

    EXPECT_EQ(c.nameEditor.getText(), "");
    EXPECT_EQ(c.nameEditor.getFont().getTypefaceName(), "Arial");
    EXPECT_FLOAT_EQ(c.nameEditor.getFont().getHeight(), 21.0f);
    EXPECT_EQ(c.nameEditor.getFont().getStyleFlags(), juce::Font::plain);
    EXPECT_FALSE(c.nameEditor.isMultiLine());
    EXPECT_EQ(c.nameEditor.getPasswordCharacter(), 0u);
    EXPECT_EQ(c.nameEditor.getTextToShowWhenEmpty(), "");

    EXPECT_EQ(c.cancelButton.getButtonText(), "Cancel");
    EXPECT_EQ(c.saveButton.getButtonText(), "Save");
    EXPECT_EQ(w.getPresetName(), "");
}

TEST(SetPresetNameWindowTest, PaintFillsDarkAndDisablesSaveOnAnEmptyField)
{
    Harness h;
    auto& c = h.component;

    const auto image = guitest::render(c);
    EXPECT_EQ(guitest::pixelAt(image, 2, 2), juce::Colour(0xff1d1d1d));
    EXPECT_EQ(guitest::pixelAt(image, 267, 137), juce::Colour(0xff1d1d1d));
    EXPECT_FALSE(c.saveButton.isEnabled());

    // Text set without a change message: only painting can enable Save.
    c.nameEditor.setText("x", false);
    settle();
    ASSERT_FALSE(c.saveButton.isEnabled());
    guitest::render(c);
    EXPECT_TRUE(c.saveButton.isEnabled());

    c.nameEditor.setText("", false);
    guitest::render(c);
    EXPECT_FALSE(c.saveButton.isEnabled());
}

TEST(SetPresetNameWindowTest, EveryTextChangeSetsSaveWithoutARepaint)
{
    Harness h; // hidden, so nothing paints
    auto& c = h.component;

    c.nameEditor.setText("a", true);
    EXPECT_TRUE(guitest::runUntil([&] { return c.saveButton.isEnabled(); }));
    c.nameEditor.setText("", true);
    EXPECT_TRUE(guitest::runUntil([&] { return !c.saveButton.isEnabled(); }));
    c.nameEditor.setText(" ", true);
    EXPECT_TRUE(guitest::runUntil([&] { return c.saveButton.isEnabled(); }));

    settle();
    EXPECT_TRUE(h.fromComponent.messages.isEmpty());
    EXPECT_EQ(c.getPresetName(), "");
}

TEST(SetPresetNameWindowTest, OnlyCloseWindowRunsTheClosePath)
{
    Harness h;
    for (const auto* message : {"SavePresetButtonClicked", "close", "Close_window", "close_window "})
        h.component.sendActionMessage(message);
    settle();
    EXPECT_TRUE(h.fromWindow.messages.isEmpty());

    h.component.sendActionMessage(closeMessage);
    EXPECT_TRUE(h.waitForClosed());
    settle();
    EXPECT_EQ(h.fromWindow.messages, juce::StringArray(closedMessage));
    EXPECT_FALSE(h.window.isVisible());
}

TEST(SetPresetNameWindowTest, DefaultLookAndFeelIsV3WhileTheWindowLives)
{
    {
        Harness h;
        EXPECT_EQ(typeid(juce::LookAndFeel::getDefaultLookAndFeel()), typeid(juce::LookAndFeel_V3));
        EXPECT_NE(&juce::LookAndFeel::getDefaultLookAndFeel(), &h.component.getLookAndFeel());
    }
    // Gone with the window, not left dangling.
    EXPECT_NE(typeid(juce::LookAndFeel::getDefaultLookAndFeel()), typeid(juce::LookAndFeel_V3));
}

// A window that appears takes the keyboard focus: every test that shows one holds the display's
// lock, as the real-input tests below do.

TEST(SetPresetNameWindowOnDesktop, ClosePathHidesAndReportsEvenWhenNotModal)
{
    Harness h;
    h.window.setVisible(true);
    ASSERT_FALSE(h.window.isCurrentlyModal(false));

    for (int time = 1; time <= 2; ++time)
    {
        h.window.closeButtonPressed();
        EXPECT_FALSE(h.window.isVisible());
        settle();
        EXPECT_EQ(h.fromWindow.messages.size(), time);
    }
    EXPECT_TRUE(h.fromComponent.messages.isEmpty());
}

TEST(SetPresetNameWindowOnDesktop, ClosePathEndsTheModalStateWithZero)
{
    Harness h;
    h.window.setVisible(true);
    int result = -1;
    h.window.enterModalState(false, juce::ModalCallbackFunction::create([&result](int r) { result = r; }));
    ASSERT_TRUE(h.window.isCurrentlyModal(false));

    h.window.closeButtonPressed();
    EXPECT_FALSE(h.window.isVisible());
    EXPECT_FALSE(h.window.isCurrentlyModal(false));
    EXPECT_TRUE(guitest::runUntil([&] { return result != -1; }));
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(h.waitForClosed());
}

// Real input: typing, clicks and the window manager's close go through the X server.

TEST(SetPresetNameWindowRealInput, TypingEnablesSaveAndDeletingDisablesIt)
{
    Harness h;
    auto& c = h.component;
    ASSERT_TRUE(h.show());
    ASSERT_TRUE(h.focusField());
    EXPECT_FALSE(c.saveButton.isEnabled());

    ASSERT_TRUE(h.typeAndWait("a"));
    EXPECT_TRUE(guitest::runUntil([&] { return c.saveButton.isEnabled(); }));

    ASSERT_TRUE(guitest::xdo::key("BackSpace"));
    ASSERT_TRUE(guitest::runUntil([&] { return c.nameEditor.isEmpty(); }));
    EXPECT_TRUE(guitest::runUntil([&] { return !c.saveButton.isEnabled(); }));

    // Escape does nothing.
    ASSERT_TRUE(h.keyAndWait("Escape", juce::KeyPress::escapeKey));
    settle();
    EXPECT_TRUE(h.window.isVisible());
    EXPECT_TRUE(h.fromComponent.messages.isEmpty());
    EXPECT_TRUE(h.fromWindow.messages.isEmpty());
    EXPECT_EQ(c.getPresetName(), "");
}

TEST(SetPresetNameWindowRealInput, SpacesAreSentUnchangedBySaveAndByReturn)
{
    for (const bool byReturn : {false, true})
    {
        SCOPED_TRACE(byReturn ? "Return" : "Save");
        Harness h;
        auto& c = h.component;
        ASSERT_TRUE(h.show());
        ASSERT_TRUE(h.focusField());
        ASSERT_TRUE(h.typeAndWait("   "));
        ASSERT_TRUE(guitest::runUntil([&] { return c.saveButton.isEnabled(); }));

        ASSERT_TRUE(byReturn ? guitest::xdo::key("Return") : h.click(c.saveButton));
        ASSERT_TRUE(guitest::runUntil([&] { return h.fromComponent.messages.contains(saveMessage); }));
        settle();
        EXPECT_EQ(h.fromComponent.messages, juce::StringArray(saveMessage));
        EXPECT_EQ(c.getPresetName(), "   ");
        EXPECT_EQ(h.window.getPresetName(), "   ");
        // Saving neither closes the window nor clears the field.
        EXPECT_TRUE(h.window.isVisible());
        EXPECT_EQ(c.nameEditor.getText(), "   ");
    }
}

TEST(SetPresetNameWindowRealInput, NameIsTakenAtTheRequestAndReturnOnEmptyClearsIt)
{
    Harness h;
    auto& c = h.component;
    ASSERT_TRUE(h.show());
    ASSERT_TRUE(h.focusField());

    ASSERT_TRUE(h.typeAndWait("abc"));
    ASSERT_TRUE(guitest::xdo::key("Return"));
    ASSERT_TRUE(guitest::runUntil([&] { return h.fromComponent.messages.size() == 1; }));
    EXPECT_EQ(h.window.getPresetName(), "abc");

    // Later typing is not the stored name.
    ASSERT_TRUE(h.typeAndWait("d"));
    EXPECT_EQ(h.window.getPresetName(), "abc");

    ASSERT_TRUE(guitest::xdo::key("BackSpace BackSpace BackSpace BackSpace"));
    ASSERT_TRUE(guitest::runUntil([&] { return c.nameEditor.isEmpty() && !c.saveButton.isEnabled(); }));

    // Return ignores the disabled Save: it stores the empty name, and sends nothing.
    ASSERT_TRUE(guitest::xdo::key("Return"));
    EXPECT_TRUE(guitest::runUntil([&] { return h.window.getPresetName().isEmpty(); }));
    settle();
    EXPECT_EQ(h.fromComponent.messages, juce::StringArray(saveMessage));
    EXPECT_TRUE(h.window.isVisible());
}

TEST(SetPresetNameWindowRealInput, CancelClosesTheWindowAndKeepsTheText)
{
    Harness h;
    auto& c = h.component;
    ASSERT_TRUE(h.show());
    ASSERT_TRUE(h.focusField());
    ASSERT_TRUE(h.typeAndWait("keep"));

    ASSERT_TRUE(h.click(c.cancelButton));
    ASSERT_TRUE(h.waitForClosed());
    settle();
    EXPECT_EQ(h.fromComponent.messages, juce::StringArray(closeMessage));
    EXPECT_EQ(h.fromWindow.messages, juce::StringArray(closedMessage));
    EXPECT_FALSE(h.window.isVisible());
    EXPECT_TRUE(guitest::runUntil([&] { return !guitest::isWindowViewable(h.windowId()); }));

    ASSERT_TRUE(h.show());
    EXPECT_EQ(c.nameEditor.getText(), "keep");
    EXPECT_TRUE(c.saveButton.isEnabled());
    EXPECT_EQ(h.window.getPresetName(), "");
}

TEST(SetPresetNameWindowRealInput, TitleBarCloseClosesWithoutCloseWindow)
{
    Harness h;
    ASSERT_TRUE(h.show());
    ASSERT_TRUE(h.focusField());
    ASSERT_TRUE(h.typeAndWait("kept"));

    // Through the window manager, as a click on the title bar's close button arrives.
    juce::ChildProcess wmctrl;
    ASSERT_TRUE(wmctrl.start(juce::StringArray{"wmctrl", "-i", "-c", juce::String(h.windowId())}));
    ASSERT_TRUE(wmctrl.waitForProcessToFinish(guitest::defaultTimeoutMs));
    ASSERT_EQ(wmctrl.getExitCode(), 0u);

    ASSERT_TRUE(h.waitForClosed());
    settle();
    EXPECT_TRUE(h.fromComponent.messages.isEmpty());
    EXPECT_EQ(h.fromWindow.messages, juce::StringArray(closedMessage));
    EXPECT_FALSE(h.window.isVisible());
    EXPECT_EQ(h.component.nameEditor.getText(), "kept");
}
} // namespace
