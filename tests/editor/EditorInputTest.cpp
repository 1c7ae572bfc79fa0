#include "EditorTestSupport.h"
#include "FloatParameter.h"

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <typeinfo>
#include <utility>
#include <vector>

using namespace editortest;

namespace
{
// The editor on the desktop, ready for input through the X server.
struct EditorRealInput : testing::Test
{
    void SetUp() override
    {
        ASSERT_NE(e.editor, nullptr);
        ASSERT_TRUE(window.show());
        ASSERT_TRUE(guitest::deliverPosted());
    }

    void TearDown() override
    {
        guitest::xdo::release(1);
        juce::PopupMenu::dismissAllActiveMenus();
        EXPECT_TRUE(guitest::runUntil(
            [] { return juce::ModalComponentManager::getInstance()->getNumModalComponents() == 0; }));
    }

    // Presses on a control, moves by the offset in steps, and releases.
    void drag(juce::Component& c, juce::Point<int> offset, int steps = 5)
    {
        const auto start = window.screenCentre(c);
        guitest::MouseRecorder recorder(c);
        ASSERT_TRUE(guitest::xdo::moveTo(start));
        ASSERT_TRUE(guitest::pressAndWait(recorder, 1));
        for (int i = 1; i <= steps; ++i)
            ASSERT_TRUE(guitest::dragToAndWait(recorder, start + offset * i / steps));
        ASSERT_TRUE(guitest::releaseAndWait(recorder, 1));
    }

    void click(juce::Component& c, int button = 1, juce::Point<int> at = {-1, -1})
    {
        const auto local = at.x < 0 ? c.getLocalBounds().getCentre() : at;
        guitest::MouseRecorder recorder(c);
        ASSERT_TRUE(guitest::xdo::moveTo(window.screenPoint(c, local)));
        ASSERT_TRUE(guitest::clickWith(recorder, button));
        ASSERT_TRUE(guitest::deliverPosted());
    }

    EditorUnderTest e;
    guitest::DesktopWindow window{*e.editor, {40, 40}};
};

// Clicks the menu's item at the index, as a user would, from inside the menu's modal loop: once
// the server shows the menu where JUCE placed it, the pointer goes to the item, JUCE highlights
// it, and the press (handled by the item) and the release follow.
void clickMenuItem(juce::Component& menuWindow, int index)
{
    ASSERT_LT(index, menuWindow.getNumChildComponents());
    auto* item = menuWindow.getChildComponent(index);
    const auto id = (unsigned long)(juce::pointer_sized_uint)menuWindow.getWindowHandle();
    ASSERT_TRUE(guitest::runUntil(
        [&]
        {
            return guitest::isWindowViewable(id) &&
                   guitest::windowOriginOnScreen(id) == menuWindow.getScreenPosition();
        }))
        << "the server never showed the menu where JUCE placed it";

    const auto target = guitest::windowOriginOnScreen(id) +
                        menuWindow.getLocalPoint(item, item->getLocalBounds().getCentre());
    ASSERT_TRUE(guitest::xdo::moveTo(target));
    ASSERT_TRUE(guitest::runUntil([&] { return guitest::isHighlightedMenuItem(*item); }))
        << "JUCE never highlighted the item under the pointer";

    // The release ends the menu, and with it the item, before a listener would hear of it.
    guitest::MouseRecorder recorder(*item);
    ASSERT_TRUE(guitest::pressAndWait(recorder, 1));
    ASSERT_TRUE(guitest::xdo::release(1));
}

// What became of a menu that a test meant to choose from, for a failure's message.
std::string afterTheMenu(const WhenModal& choice, VornAudioProcessorEditor& e)
{
    return std::string(choice.hasRun() ? "the item was clicked" : "the menu never came up") +
           "; the About overlay " + (e.aboutOverlay.isVisible() ? "shows" : "is hidden") +
           "; modal components: " +
           std::to_string(juce::ModalComponentManager::getInstance()->getNumModalComponents()) +
           guitest::describeServer();
}

std::vector<HostEvent::Kind> kindsOf(const std::vector<HostEvent>& events)
{
    std::vector<HostEvent::Kind> kinds;
    for (const auto& event : events)
        kinds.push_back(event.kind);
    return kinds;
}
// The preset box may draw its text and nothing else: its frame and the place of its arrow show the
// box drawn in the background.
testing::AssertionResult presetBoxDrawsOnlyItsText(VornAudioProcessorEditor& e)
{
    const auto drawn = guitest::render(e);
    const auto background = e.backgroundImage.convertedToFormat(juce::Image::ARGB);
    const auto box = e.presetComboBox.getBounds();
    const auto arrowFrom = box.getX() + e.presetComboBox.getChildComponent(0)->getRight();
    for (int y = box.getY(); y < box.getBottom(); ++y)
        for (int x = box.getX(); x < box.getRight(); ++x)
        {
            const bool frame = x < box.getX() + 2 || x >= box.getRight() - 2 || y < box.getY() + 2 ||
                               y >= box.getBottom() - 2;
            if ((frame || x >= arrowFrom) && drawn.getPixelAt(x, y) != background.getPixelAt(x, y))
                return testing::AssertionFailure()
                       << "the box draws " << drawn.getPixelAt(x, y).toDisplayString(true) << " at " << x
                       << ", " << y << " over " << background.getPixelAt(x, y).toDisplayString(true);
        }
    return testing::AssertionSuccess();
}
} // namespace

TEST_F(EditorRealInput, ThePresetBoxDrawsNoFrameAfterAClickNorWhenFocused)
{
    ASSERT_TRUE(presetBoxDrawsOnlyItsText(*e));

    // A click opens the list; a click outside closes it again.
    WhenModal clickOutside(
        [this](juce::Component&)
        {
            ASSERT_TRUE(guitest::xdo::moveTo(window.screenPoint(*e.editor, {600, 250})));
            ASSERT_TRUE(guitest::xdo::run("click 1"));
        });
    ASSERT_TRUE(guitest::xdo::moveTo(window.screenCentre(e->presetComboBox)));
    ASSERT_TRUE(guitest::xdo::run("click 1"));
    ASSERT_TRUE(guitest::runUntil([&] { return clickOutside.hasRun(); }));
    ASSERT_TRUE(guitest::runUntil(
        [] { return juce::ModalComponentManager::getInstance()->getNumModalComponents() == 0; }));
    ASSERT_TRUE(guitest::activate(window.windowId()));
    EXPECT_TRUE(presetBoxDrawsOnlyItsText(*e));

    // However the focus reaches it.
    e->presetComboBox.setWantsKeyboardFocus(true);
    e->presetComboBox.grabKeyboardFocus();
    ASSERT_TRUE(e->presetComboBox.hasKeyboardFocus(false));
    EXPECT_TRUE(presetBoxDrawsOnlyItsText(*e));
}

TEST_F(EditorRealInput, AContinuousKnobDragIsOneGestureWithItsValues)
{
    HostRecorder host(e.processor);
    drag(e->valveDriveKnob, {0, -60});

    ASSERT_GE(host.events.size(), 3u);
    EXPECT_EQ(host.events.front().kind, HostEvent::gestureBegin);
    EXPECT_EQ(host.events.back().kind, HostEvent::gestureEnd);
    for (size_t i = 1; i + 1 < host.events.size(); ++i)
    {
        EXPECT_EQ(host.events[i].kind, HostEvent::value);
        EXPECT_EQ(host.events[i].index, 0);
    }
    EXPECT_GT(e.processor.valveDriveParam->getValue(), 0.0f);
    EXPECT_EQ(e.processor.valveDriveParam->getValue(), (float)e->valveDriveKnob.getValue());
}

TEST_F(EditorRealInput, ASteppedKnobDragTellsTheHostOnlyTheGesture)
{
    HostRecorder host(e.processor);
    const auto start = window.screenCentre(e->compRatioKnob);
    guitest::MouseRecorder recorder(e->compRatioKnob);
    guitest::xdo::moveTo(start);
    ASSERT_TRUE(guitest::pressAndWait(recorder, 1));
    for (int dy = 4; dy < 400 && e->compRatioKnob.getValue() < 3.0; dy += 4)
        ASSERT_TRUE(guitest::dragToAndWait(recorder, start - juce::Point<int>(0, dy)));
    ASSERT_TRUE(guitest::releaseAndWait(recorder, 1));
    ASSERT_EQ(e->compRatioKnob.getValue(), 3.0);

    EXPECT_EQ(kindsOf(host.events),
              (std::vector<HostEvent::Kind>{HostEvent::gestureBegin, HostEvent::gestureEnd}));
    EXPECT_EQ(e.processor.compRatioStep, 3);
    // The change message that the step sends refreshes the knob from the processor.
    ASSERT_TRUE(guitest::deliverPosted());
    EXPECT_EQ(e->compRatioKnob.getValue(), 3.0);
}

TEST_F(EditorRealInput, TheSwitchIsSilentAndBypassIsAValueWithoutGesture)
{
    HostRecorder host(e.processor);
    click(e->valveModeButton);
    EXPECT_TRUE(host.events.empty());
    EXPECT_EQ(e.processor.valveModeParam->getValue(), 1.0f);
    EXPECT_TRUE(e->valveModeButton.getToggleState());

    click(e->bypassButton);
    ASSERT_EQ(host.events.size(), 1u);
    EXPECT_EQ(host.events[0].kind, HostEvent::value);
    EXPECT_EQ(host.events[0].index, 11);
    EXPECT_EQ(host.events[0].newValue, 0.0f);

    // Bypassed, the processor passes audio unchanged (after its silent first block).
    e.processor.prepareToPlay(48000.0, 64);
    juce::AudioBuffer<float> buffer(2, 64);
    juce::MidiBuffer midi;
    e.processor.processBlock(buffer, midi);
    juce::Random random(7);
    for (int ch = 0; ch < 2; ++ch)
        for (int i = 0; i < 64; ++i)
            buffer.setSample(ch, i, random.nextFloat() * 2.0f - 1.0f);
    const juce::AudioBuffer<float> input(buffer);
    e.processor.processBlock(buffer, midi);
    for (int ch = 0; ch < 2; ++ch)
        for (int i = 0; i < 64; ++i)
            ASSERT_EQ(buffer.getSample(ch, i), input.getSample(ch, i));

    click(e->bypassButton);
    EXPECT_EQ(e.processor.masterBypassParam->getValue(), 1.0f);
}

TEST_F(EditorRealInput, ADoubleClickReturnsAKnobToItsDefaultInOneGesture)
{
    e.processor.outputParam->setValue(0.5f);
    ASSERT_TRUE(guitest::runUntil([&] { return e->outputKnob.getValue() == 0.5; }));
    HostRecorder host(e.processor);

    guitest::MouseRecorder recorder(e->outputKnob);
    guitest::xdo::moveTo(window.screenCentre(e->outputKnob));
    guitest::xdo::run("click --repeat 2 --delay 80 1");
    ASSERT_TRUE(guitest::runUntil([&] { return recorder.doubleClicks >= 1 && recorder.ups >= 2; }));
    ASSERT_TRUE(guitest::deliverPosted());

    EXPECT_EQ(e->outputKnob.getValue(), 0.0);
    EXPECT_EQ(e.processor.outputParam->getValue(), 0.0f);
    // Each press of the two may bracket its own gesture; the default comes inside one.
    ASSERT_FALSE(host.events.empty());
    int values = 0;
    for (const auto& event : host.events)
        if (event.kind == HostEvent::value)
        {
            ++values;
            EXPECT_EQ(event.newValue, 0.0f);
        }
    EXPECT_EQ(values, 1);
    EXPECT_EQ(host.events.front().kind, HostEvent::gestureBegin);
    EXPECT_EQ(host.events.back().kind, HostEvent::gestureEnd);
}

TEST_F(EditorRealInput, AboutChosenFromTheMenuShowsTheOverlayUntilTheNextClick)
{
    WhenModal chooseAbout([](juce::Component& menu) { clickMenuItem(menu, 0); });
    click(e->menuHotSpot);
    ASSERT_TRUE(guitest::runUntil([&] { return e->aboutOverlay.isVisible(); }))
        << afterTheMenu(chooseAbout, *e);
    EXPECT_TRUE(chooseAbout.hasRun());

    // Right- and Control-clicks on it change nothing.
    ASSERT_TRUE(guitest::deliverPosted());
    ASSERT_TRUE(guitest::runTimerRounds(10));
    ASSERT_TRUE(e->aboutOverlay.isVisible());
    click(e->aboutOverlay, 3);
    EXPECT_TRUE(e->aboutOverlay.isVisible());
    {
        guitest::xdo::HeldKey control("ctrl");
        click(e->aboutOverlay);
    }
    EXPECT_TRUE(e->aboutOverlay.isVisible());

    // A left click over a knob hides it and leaves the knob alone.
    HostRecorder host(e.processor);
    click(e->aboutOverlay, 1, e->valveDriveKnob.getBounds().getCentre());
    EXPECT_FALSE(e->aboutOverlay.isVisible());
    EXPECT_TRUE(host.events.empty());
    EXPECT_EQ(e->valveDriveKnob.getValue(), 0.0);
}

TEST_F(EditorRealInput, EscapeOrAClickOutsideTheMenuChangesNothing)
{
    StandInBrowser browser;
    {
        WhenModal escape([](juce::Component&) { ASSERT_TRUE(guitest::xdo::key("Escape")); });
        click(e->menuHotSpot);
        ASSERT_TRUE(guitest::runUntil([&] { return escape.hasRun(); }));
        ASSERT_TRUE(guitest::runUntil(
            [] { return juce::ModalComponentManager::getInstance()->getNumModalComponents() == 0; }));
    }
    {
        WhenModal clickOutside(
            [this](juce::Component&)
            {
                ASSERT_TRUE(guitest::xdo::moveTo(window.screenPoint(*e.editor, {600, 250})));
                ASSERT_TRUE(guitest::xdo::run("click 1"));
            });
        click(e->menuHotSpot);
        ASSERT_TRUE(guitest::runUntil([&] { return clickOutside.hasRun(); }));
        ASSERT_TRUE(guitest::runUntil(
            [] { return juce::ModalComponentManager::getInstance()->getNumModalComponents() == 0; }));
        // The menu closes from a message it posts for the click.
        ASSERT_TRUE(guitest::deliverPosted());
    }
    EXPECT_FALSE(e->aboutOverlay.isVisible());
    EXPECT_EQ(juce::ModalComponentManager::getInstance()->getNumModalComponents(), 0);
    EXPECT_TRUE(browser.openedAddresses().isEmpty());
}

TEST_F(EditorRealInput, EachLinkOpensExactlyItsAddress)
{
    StandInBrowser browser;
    juce::StringArray expected;
    for (int item = 0; item < 4; ++item)
    {
        const auto& link = VornAudioProcessorEditor::webLinks[item];
        expected.add(link.address);
        // "About" comes first, then the links.
        WhenModal choose([item](juce::Component& menu) { clickMenuItem(menu, item + 1); });
        click(e->menuHotSpot);
        ASSERT_TRUE(guitest::runUntil([&] { return browser.openedAddresses().size() == item + 1; }))
            << link.text << ": " << afterTheMenu(choose, *e);
        EXPECT_EQ(browser.openedAddresses()[item], expected[item]);
    }
    ASSERT_TRUE(guitest::deliverPosted());
    EXPECT_EQ(browser.openedAddresses(), expected);
    EXPECT_FALSE(e->aboutOverlay.isVisible());
}

// A host may close the editor at any moment, even from inside a menu's modal loop.
TEST_F(EditorRealInput, ClosingWhileTheMainMenuIsOpenDismissesItFirst)
{
    WhenModal closeEditor([this](juce::Component&) { e.editor.reset(); });
    guitest::MouseRecorder recorder(e->menuHotSpot);
    guitest::xdo::moveTo(window.screenCentre(e->menuHotSpot));
    ASSERT_TRUE(guitest::pressAndWait(recorder, 1));
    // The menu opens from the release, and its modal loop runs before the release is heard.
    ASSERT_TRUE(guitest::xdo::release(1));
    ASSERT_TRUE(guitest::runUntil([&] { return closeEditor.hasRun(); }));
    EXPECT_TRUE(guitest::runUntil(
        [] { return juce::ModalComponentManager::getInstance()->getNumModalComponents() == 0; }));
    // Changes after the editor has gone reach nobody.
    e.processor.valveDriveParam->setValue(0.4f);
    EXPECT_TRUE(guitest::deliverPosted());
}

TEST(EditorClosingRealInput, ClosingWhileThePresetListIsOpenDismissesIt)
{
    TemporaryHome home;
    home.presetFolder().createDirectory();
    {
        VornAudioProcessor source;
        ASSERT_TRUE(source.savePreset(home.presetFolder().getChildFile("Warm.atp")).wasOk());
    }
    EditorUnderTest e;
    guitest::DesktopWindow window(*e.editor, {40, 40});
    ASSERT_TRUE(window.show());

    WhenModal closeEditor([&](juce::Component&) { e.editor.reset(); });
    // The list opens on the press; the button is let go once the editor has gone.
    ASSERT_TRUE(guitest::xdo::moveTo(window.screenCentre(e->presetComboBox)));
    ASSERT_TRUE(guitest::xdo::press(1));
    ASSERT_TRUE(guitest::runUntil([&] { return closeEditor.hasRun(); }));
    ASSERT_TRUE(guitest::xdo::release(1));
    EXPECT_TRUE(guitest::runUntil(
        [] { return juce::ModalComponentManager::getInstance()->getNumModalComponents() == 0; }));
    EXPECT_TRUE(guitest::deliverPosted());
}

TEST(EditorClosingOnDesktop, ClosingWhileTheSavePresetWindowIsVisibleHidesIt)
{
    EditorUnderTest e;
    e->savePresetButton.triggerClick();
    auto& saveWindow = e->setPresetNameWindow;
    ASSERT_TRUE(guitest::runUntil([&] { return saveWindow.isVisible(); }));
    const auto id = (unsigned long)(juce::pointer_sized_uint)saveWindow.getWindowHandle();
    ASSERT_TRUE(guitest::runUntil([&] { return guitest::isWindowViewable(id); }));

    e.editor.reset();
    EXPECT_TRUE(guitest::runUntil([&] { return !guitest::isWindowViewable(id); }));
}

namespace
{
// The keys that reach the top of the editor's window, where a host's wrapper takes the keys the
// plug-in leaves: a key that arrives here was used by nothing in the editor.
struct KeysForTheHost : juce::KeyListener
{
    explicit KeysForTheHost(juce::Component& c) : top(c) { top.addKeyListener(this); }
    ~KeysForTheHost() override { top.removeKeyListener(this); }

    bool keyPressed(const juce::KeyPress& key, juce::Component*) override
    {
        keyCodes.add(key.getKeyCode());
        return false;
    }

    juce::Component& top;
    juce::Array<int> keyCodes;
};

// Counts the modal components (the main menu, the box's list, an alert) that come up, and closes
// each at once, so that a key that opens one fails the test instead of waiting in it.
class ModalWatch : private juce::Timer
{
public:
    ModalWatch() { startTimer(10); }
    ~ModalWatch() override { stopTimer(); }

    int seen = 0;

private:
    void timerCallback() override
    {
        auto* manager = juce::ModalComponentManager::getInstance();
        if (manager->getNumModalComponents() == 0)
            return;
        ++seen;
        juce::PopupMenu::dismissAllActiveMenus();
        manager->cancelAllModalComponents();
    }
};

struct EditorKeysRealInput;

struct KeyCase
{
    const char* name;
    // Clicks a control with real input and waits for what the click does.
    std::function<void(EditorKeysRealInput&)> click;
    bool arrows;
};

void PrintTo(const KeyCase& c, std::ostream* out)
{
    *out << c.name;
}

struct EditorKeysRealInput : testing::TestWithParam<KeyCase>
{
    void SetUp() override
    {
        ASSERT_NE(e.editor, nullptr);
        ASSERT_EQ(e->presetComboBox.getNumItems(), 3);
        ASSERT_TRUE(window.show());
    }

    void TearDown() override { juce::PopupMenu::dismissAllActiveMenus(); }

    static bool writePresets(const juce::File& folder)
    {
        folder.createDirectory();
        int n = 0;
        for (auto name : {"A", "B", "C"})
        {
            VornAudioProcessor source;
            source.valveDriveParam->setValue(0.2f * (float)++n);
            if (!source.savePreset(folder.getChildFile(juce::String(name) + ".atp")).wasOk())
                return false;
        }
        return true;
    }

    // A left click with real input, returning once the release has been handled.
    void clickAt(juce::Component& target, juce::Point<int> local)
    {
        guitest::MouseRecorder recorder(target);
        ASSERT_TRUE(guitest::xdo::moveTo(window.screenPoint(target, local)));
        ASSERT_TRUE(guitest::clickWith(recorder, 1));
    }

    void click(juce::Component& target) { clickAt(target, target.getLocalBounds().getCentre()); }

    // Presses the key and waits until it has come through the editor unused.
    testing::AssertionResult reachesTheHost(KeysForTheHost& host, const juce::String& keysym, int keyCode)
    {
        const auto from = host.keyCodes.size();
        if (!guitest::xdo::key(keysym))
            return testing::AssertionFailure() << "xdotool did not press " << keysym;
        const auto arrived = [&]
        {
            for (int i = from; i < host.keyCodes.size(); ++i)
                if (host.keyCodes[i] == keyCode)
                    return true;
            return false;
        };
        if (guitest::runUntil(arrived))
            return testing::AssertionSuccess();
        auto* focused = juce::Component::getCurrentlyFocusedComponent();
        return testing::AssertionFailure() << keysym << " never came through the editor; the focus is on "
                                           << (focused == nullptr ? "nothing" : typeid(*focused).name());
    }

    TemporaryHome home;
    bool presetsWritten = writePresets(home.presetFolder());
    EditorUnderTest e;
    guitest::DesktopWindow window{*e.editor, {40, 40}};
};

void showAbout(EditorKeysRealInput& t)
{
    WhenModal chooseAbout([](juce::Component& menu) { clickMenuItem(menu, 0); });
    t.click(t.e->menuHotSpot);
    ASSERT_TRUE(guitest::runUntil([&] { return t.e->aboutOverlay.isVisible(); }));
}

void stepThroughPresets(EditorKeysRealInput& t, ImageButtonW& button)
{
    const auto before = t.e.processor.currentPresetName;
    t.click(button);
    ASSERT_TRUE(guitest::runUntil(
        [&]
        {
            const auto name = t.e->presetComboBox.getText();
            return name.isNotEmpty() && name != before && t.e.processor.currentPresetName == name;
        }));
}

const KeyCase keyCases[] = {
    {"TheMenuHotSpotThenAbout", showAbout, false},
    {"TheAboutOverlay",
     [](EditorKeysRealInput& t)
     {
         showAbout(t);
         t.click(t.e->aboutOverlay);
         ASSERT_FALSE(t.e->aboutOverlay.isVisible());
     },
     false},
    {"PreviousPreset", [](EditorKeysRealInput& t) { stepThroughPresets(t, t.e->prevPresetButton); }, false},
    {"NextPreset", [](EditorKeysRealInput& t) { stepThroughPresets(t, t.e->nextPresetButton); }, false},
    {"SavePreset",
     [](EditorKeysRealInput& t)
     {
         auto& saveWindow = t.e->setPresetNameWindow;
         t.click(t.e->savePresetButton);
         ASSERT_TRUE(guitest::runUntil([&] { return saveWindow.isVisible(); }));
         const auto id = (unsigned long)(juce::pointer_sized_uint)saveWindow.getWindowHandle();
         ASSERT_TRUE(guitest::activate(id));
         // The name field keeps the keyboard.
         auto& content = *saveWindow.getPresetNameComponent();
         ASSERT_TRUE(guitest::runUntil([&] { return content.nameEditor.hasKeyboardFocus(false); }));
         const auto cancel = saveWindow.getLocalPoint(&content.cancelButton,
                                                      content.cancelButton.getLocalBounds().getCentre());
         guitest::MouseRecorder recorder(content.cancelButton);
         ASSERT_TRUE(guitest::xdo::moveTo(guitest::windowOriginOnScreen(id) + cancel));
         ASSERT_TRUE(guitest::clickWith(recorder, 1));
         ASSERT_TRUE(guitest::runUntil([&] { return !saveWindow.isVisible(); }));
     },
     false},
    {"Bypass",
     [](EditorKeysRealInput& t)
     {
         t.click(t.e->bypassButton);
         ASSERT_TRUE(t.e->bypassButton.getToggleState());
     },
     false},
    {"ValveMode",
     [](EditorKeysRealInput& t)
     {
         t.click(t.e->valveModeButton);
         ASSERT_TRUE(t.e->valveModeButton.getToggleState());
     },
     false},
    {"AKnob", [](EditorKeysRealInput& t) { t.click(t.e->compBlendKnob); }, false},
    {"TheBackground",
     [](EditorKeysRealInput& t) {
         t.clickAt(t.e->backgroundComponent, {300, 20});
     },
     false},
    {"ThePresetBox",
     [](EditorKeysRealInput& t)
     {
         // The click opens the list, and a click on its second item loads that preset.
         WhenModal choose([](juce::Component& list) { clickMenuItem(list, 1); });
         ASSERT_TRUE(guitest::xdo::moveTo(t.window.screenCentre(t.e->presetComboBox)));
         ASSERT_TRUE(guitest::xdo::run("click 1"));
         ASSERT_TRUE(guitest::runUntil(
             [&]
             {
                 return choose.hasRun() && t.e->presetComboBox.getSelectedItemIndex() == 1 &&
                        t.e.processor.currentPresetName == t.e->presetComboBox.getItemText(1);
             }));
     },
     true},
};
} // namespace

// In a host, Return and the space bar belong to the host: after a click on any control of the
// editor, no key changes a parameter, loads a preset or opens a menu or a window.
TEST_P(EditorKeysRealInput, AfterAClickTheKeysStayTheHosts)
{
    ASSERT_TRUE(presetsWritten);
    GetParam().click(*this);
    if (HasFatalFailure())
        return;
    ASSERT_TRUE(guitest::activate(window.windowId()));
    ASSERT_TRUE(guitest::deliverPosted());

    const auto values = [this]
    {
        std::vector<float> v;
        for (auto* parameter : e.processor.getParameters())
            v.push_back(parameter->getValue());
        return v;
    };
    const auto valuesBefore = values();
    const auto presetBefore = e.processor.currentPresetName;
    const auto itemBefore = e->presetComboBox.getSelectedItemIndex();
    const auto aboutBefore = e->aboutOverlay.isVisible();

    HostRecorder parameters(e.processor);
    ModalWatch modals;
    KeysForTheHost host(*e->getTopLevelComponent());
    EXPECT_TRUE(reachesTheHost(host, "Return", juce::KeyPress::returnKey));
    EXPECT_TRUE(reachesTheHost(host, "space", juce::KeyPress::spaceKey));
    if (GetParam().arrows)
    {
        for (const auto& [keysym, code] : {std::pair<const char*, int>{"Down", juce::KeyPress::downKey},
                                           {"Up", juce::KeyPress::upKey},
                                           {"Right", juce::KeyPress::rightKey},
                                           {"Left", juce::KeyPress::leftKey}})
            EXPECT_TRUE(reachesTheHost(host, keysym, code));
    }
    // Whatever a key set going comes through the message loop.
    ASSERT_TRUE(guitest::deliverPosted());
    ASSERT_TRUE(guitest::deliverPosted());

    EXPECT_TRUE(parameters.events.empty());
    EXPECT_EQ(values(), valuesBefore);
    EXPECT_EQ(e.processor.currentPresetName, presetBefore);
    EXPECT_EQ(e->presetComboBox.getSelectedItemIndex(), itemBefore);
    EXPECT_EQ(modals.seen, 0);
    EXPECT_FALSE(e->setPresetNameWindow.isVisible());
    EXPECT_EQ(e->aboutOverlay.isVisible(), aboutBefore);
}

INSTANTIATE_TEST_SUITE_P(EachControl, EditorKeysRealInput, testing::ValuesIn(keyCases),
                         [](const testing::TestParamInfo<KeyCase>& info) { return info.param.name; });
