#pragma once

// Support for tests that show components on the X display: the message loop, snapshots, windows
// placed on the desktop, pixels taken from the X server, and real input through xdotool.

#include <gtest/gtest.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>
#include <string>

namespace guitest
{
// The time limit of every wait. Generous: on a loaded machine a window can take seconds to come
// up and an xdotool call as long to start, where an idle machine takes milliseconds. A wait that
// reaches it has failed; nothing waits for a fixed time instead.
constexpr int defaultTimeoutMs = 20000;

// Runs the message loop until the condition holds or the timeout passes; returns the condition.
// The condition should ask the X server through this file's functions, not through JUCE (such
// as ComponentPeer::isFocused or ModifierKeys::getCurrentModifiersRealtime): a round trip on
// JUCE's own connection can move pending events off the socket into Xlib's queue, where JUCE's
// message loop, which waits on the socket, does not see them until more data arrives.
bool runUntil(const std::function<bool()>& condition, int timeoutMs = defaultTimeoutMs);

// Runs the message loop until every message posted before the call has been delivered: change
// messages, asynchronous updates and notifications, JUCE's fake mouse moves, callAsync. What the
// handlers post in turn comes after. False if that does not happen within the limit.
bool deliverPosted(int timeoutMs = defaultTimeoutMs);

// Runs the message loop until a timer of its own, at the interval, has been called the given
// number of times, so that JUCE's own timers have had as many rounds however slowly the machine
// runs. Only for a check that something does not happen while the program goes on.
bool runTimerRounds(int rounds, int intervalMs = 50);

// Before a check that nothing more happens: delivers what is posted, what that posts and what
// that posts in turn, then gives the timers a few rounds.
bool settle();

// JUCE 7.0.5 reads its X connection only when the socket has data. A round trip that JUCE makes
// outside its event callback, as an open popup menu does twenty times a second to read the mouse
// buttons, reads the events that have arrived meanwhile into Xlib's queue, where they wait until
// more data comes: a key press for an open menu can wait for ever when no other input follows.
// While it lives, this sends every window of the process (and the windows embedded in them) an
// event that JUCE ignores, every 20 ms, so that queued events are handled. The GUI test programs
// keep one for their whole run.
class QueuedEventWaker : private juce::Timer
{
public:
    QueuedEventWaker();
    ~QueuedEventWaker() override;

private:
    void timerCallback() override;
};

// What the component and its children draw, at 1:1 scale, on a transparent image.
juce::Image render(juce::Component& component);

// The image's pixel as an opaque or translucent colour (unpremultiplied).
juce::Colour pixelAt(const juce::Image& image, int x, int y);

// The window's contents as the X server shows them (XGetImage), the window's own size when the
// area is empty. An invalid image when the window cannot be read.
juce::Image grabWindow(unsigned long windowId, juce::Rectangle<int> area = {});

// Where the window's top-left pixel is on the screen, as the X server places it.
juce::Point<int> windowOriginOnScreen(unsigned long windowId);

// Where the pointer is on the screen, as the X server has it.
juce::Point<int> pointerOnScreen();

// Whether the X server has the mouse button (1 to 5) down at this moment.
bool isButtonDownOnServer(int button);

// Whether the X server has the keyboard focus on the window or on one of its children.
bool hasFocusOnServer(unsigned long windowId);

// True once the X server reports the window as viewable.
bool isWindowViewable(unsigned long windowId);

// Whether the X server has the keyboard focus on one of this process's own windows.
bool hasFocusOnThisProcess();

// What the server has of the pointer, the focus and the modifiers, to tell why input went astray.
std::string describeServer();

// A top-level window on the desktop holding one component at its top left, so that it can take
// real input. The window is removed from the desktop when this goes.
class DesktopWindow
{
public:
    explicit DesktopWindow(juce::Component& content, juce::Point<int> screenPosition = {80, 80});
    ~DesktopWindow();

    // Sizes the window to the content as it is now, then maps, raises and focuses it and waits
    // until the X server and JUCE agree on it. The failure says what never happened. A window
    // that is only looked at (forInput false) is not waited for to take the focus.
    testing::AssertionResult show(bool forInput = true);

    unsigned long windowId() const;

    // The screen position of a point of the content or of one of its descendants.
    juce::Point<int> screenPoint(juce::Component& component, juce::Point<int> local) const;
    juce::Point<int> screenCentre(juce::Component& component) const;

private:
    juce::Component holder;
    juce::Component& content;
    juce::Point<int> position;

    JUCE_DECLARE_NON_COPYABLE(DesktopWindow)
};

// Waits until the X server shows the window, then has the window manager activate it and waits
// until the server has the focus on it and JUCE has taken note.
bool activate(unsigned long windowId);

// Whether JUCE has drawn the popup menu's item as the highlighted one, as it does once it has
// seen the pointer over it.
bool isHighlightedMenuItem(juce::Component& item);

// Counts the mouse events a component receives, so that a test knows an X event has been
// handled even when the component does nothing with it. The component's own handler has run
// by the time a count goes up.
class MouseRecorder : public juce::MouseListener
{
public:
    explicit MouseRecorder(juce::Component& component);
    ~MouseRecorder() override;

    void mouseDown(const juce::MouseEvent&) override { ++downs; }
    void mouseUp(const juce::MouseEvent&) override { ++ups; }
    void mouseDrag(const juce::MouseEvent&) override { ++drags; }
    void mouseDoubleClick(const juce::MouseEvent&) override { ++doubleClicks; }

    int downs = 0;
    int ups = 0;
    int drags = 0;
    int doubleClicks = 0;

private:
    juce::Component::SafePointer<juce::Component> target;
};

// Presses a mouse button where the pointer is and runs the message loop until the recorder's
// component has handled the press, so that the button is still held while JUCE reads the
// modifier state of the moment. False if xdotool fails or the press never arrives.
bool pressAndWait(MouseRecorder& recorder, int button);

// Releases the button and waits until the recorder's component has handled the release.
bool releaseAndWait(MouseRecorder& recorder, int button);

// Moves the pointer with a button held and waits until the component has handled the drag.
bool dragToAndWait(MouseRecorder& recorder, juce::Point<int> screenPosition);

// One press and release where the pointer is, with the keys (such as "alt", "ctrl", "shift")
// held throughout: the keys go down, the button is pressed, the component handles the press,
// whilePressed runs, the button is released and the release handled, and the keys go up. The
// failure names the step that did not happen.
testing::AssertionResult clickWith(MouseRecorder& recorder, int button, const juce::StringArray& keys = {},
                                   const std::function<void()>& whilePressed = {});

// Real input through the X server, with Debian's xdotool. Buttons: 1 left, 2 middle, 3 right.
// Keys are X keysyms; "alt", "ctrl", "shift" and "super" stand for the left-hand keys. Every
// button and key held through here is remembered until it is released, and releaseAll() (run
// after each test by the test program) lets go of whatever a failed test left held.
namespace xdo
{
bool run(const juce::String& arguments);

// Returns once the server has the pointer there.
bool moveTo(juce::Point<int> screenPosition);

// A press comes no sooner than JUCE's double-click time after the previous one, so that two
// presses of a test are never taken for a double-click, and only once the messages already
// posted have been delivered: a fake mouse move that JUCE still has pending when the button goes
// down reaches the component as a drag.
bool press(int button);
bool release(int button);

// Presses and releases the button where the pointer is without running the message loop, and
// returns once the server has the button up again: when JUCE then handles the press, the button
// is already up in the state of the moment, though the press event still names it.
bool pressAndReleaseUnseen(int button);

// These two return once the X server reports the key down (or up) and, for Shift, Control and
// Alt while a window of this process has the keyboard focus, once JUCE has read the key's event
// and delivered the fake mouse move that a change of modifiers sends. A button pressed before
// then would reach JUCE with that move still to come, and the move would arrive as a drag.
bool keyDown(const juce::String& keysym);
bool keyUp(const juce::String& keysym);

// Both send to whichever window has the keyboard focus on the server, and return once xdotool
// has sent the keys; the caller waits for what they do.
bool key(const juce::String& keysym);
bool type(const juce::String& text);

// Releases every button and key still held through this namespace.
void releaseAll();

// Presses and later releases a key, such as "ctrl", "alt" or "shift", for as long as it lives.
// Check isHeld() before relying on it.
class HeldKey
{
public:
    explicit HeldKey(juce::String keysym);
    ~HeldKey();

    bool isHeld() const { return held; }

private:
    juce::String keysym;
    bool held = false;

    JUCE_DECLARE_NON_COPYABLE(HeldKey)
};
} // namespace xdo
} // namespace guitest
